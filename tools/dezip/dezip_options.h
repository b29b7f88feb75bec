#pragma once
// The command line of dezip:
//   dezip [-l | -t | -p] [-P password] [-o | -n] [-q] [-j N] [-d DIR] ARCHIVE [PATTERN...]

#include <string>
#include <vector>

namespace dezip {

enum class Action { Extract, List, Test, Print };  // Print: the entries to standard output
enum class Overwrite { Ask, Always, Never };

struct Options {
    Action action = Action::Extract;
    Overwrite overwrite = Overwrite::Ask;
    bool quiet = false;
    bool has_password = false;
    std::string password;
    int jobs = 0;             // threads for extracting or testing; 0: one per processor
    std::string destination;  // empty: the current directory
    std::string archive;
    std::vector<std::string> patterns;  // with backslashes, as the entries' names have them
};

// Parses the arguments after the program name. false with a message in error for a usage
// error; "-h" also returns false with an empty error.
bool ParseOptions(const std::vector<std::string>& arguments, Options& options, std::string& error);

// pattern in the form the component's matcher takes: a set as other extractors write it,
// "[a-cx]" or "[!a-cx]" ("[^a-cx]"), becomes the matcher's "<a-cx>" or "<!a-cx>"; a "]" right
// after the opening is a member; a "[" that opens no set stays itself.
std::string MatcherPattern(const std::string& pattern);

// The usage text.
const char* UsageText();

}  // namespace dezip
