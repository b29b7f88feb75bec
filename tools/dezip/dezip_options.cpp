#include "dezip_options.h"

#include <string>

#include "zip/zip_lib.h"

namespace dezip {

const char* UsageText() {
    return "usage: dezip [-l | -t | -p] [-P password] [-o | -n] [-q] [-j N] [-d DIR] ARCHIVE [PATTERN...]\n"
           "  -l  list the entries (name, sizes, method, date, CRC, comments)\n"
           "  -t  test: decode every entry and check its CRC without keeping files\n"
           "  -p  write the entries to standard output, one after the other (nothing else is printed there)\n"
           "  -P  password of encrypted entries (without it, asked for on a terminal when needed)\n"
           "  -o  overwrite existing files without asking\n"
           "  -n  never overwrite existing files (they are kept without a message)\n"
           "  -q  quiet: no line per entry\n"
           "  -j  extract or test on N threads (default: one per processor); the messages and files\n"
           "      are those of one thread. One thread is used whenever a question could be asked\n"
           "      (no -o, -n or -t; encrypted entries, no -P and a terminal) and with -p\n"
           "  -d  extract into DIR (created when missing) instead of the current directory\n"
           "  PATTERN  extract only the entries whose path matches (? * [set] [!set] <set>; / and \\ alike)\n"
           "reads:\n"
           "  methods stored, shrunk, reduced 1-4, imploded, deflated and Deflate64; traditional\n"
           "  encryption\n"
           "  ZIP64: entries and archives over 4 GiB, more than 65,535 entries\n"
           "  spanned archives as numbered volumes (.001, .002, ...); split archives (name.z01,\n"
           "  name.z02, ... beside the name.zip given)\n"
           "  names marked as UTF-8 (or with a Unicode path field) with every character; other\n"
           "  names in the OEM code page (866 on posix)\n"
           "  a file's modification time from the entry's NTFS or extended timestamp extra field,\n"
           "  else from its DOS date and time\n"
           "exit codes:\n"
           "  0   every selected entry extracted (or tested) and its CRC checked\n"
           "  1   the run went through, but some entries failed: skipped (unsafe name, wrong\n"
           "      password, not overwritten when asked, file not created) or a bad CRC; or bytes before\n"
           "      the archive that its offsets do not count (a warning, the run went on)\n"
           "  2   the archive could not be read (missing, damaged, not a ZIP archive), its end\n"
           "      records contradict its directory (the run went on where it could), or an\n"
           "      entry contradicts its own headers or sizes\n"
           "  3   usage error\n"
           "  11  a pattern matched no entry (and nothing failed)\n"
           "  12  entries overlap (a possible zip bomb); they were not extracted\n"
           "  50  an output file could not be written (disk full?): the run stopped there\n"
           "  81  an entry needs a version to extract above 6.3; it was skipped\n";
}

std::string MatcherPattern(const std::string& pattern) {
    std::string translated;
    for (size_t at = 0; at < pattern.size(); ++at) {
        if (pattern[at] != '[') {
            translated += pattern[at];
            continue;
        }
        size_t first = at + 1;
        if (first < pattern.size() && (pattern[first] == '!' || pattern[first] == '^')) ++first;
        const size_t close = first < pattern.size() ? pattern.find(']', first + 1) : std::string::npos;
        if (close == std::string::npos) {
            translated += '[';
            continue;
        }
        translated += '<' + pattern.substr(at + 1, close - at - 1) + '>';
        at = close;
    }
    return translated;
}

bool ParseOptions(const std::vector<std::string>& arguments, Options& options, std::string& error) {
    bool listing = false;
    bool testing = false;
    bool printing = false;
    bool options_ended = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (options_ended || argument.size() < 2 || argument[0] != '-') {
            if (options.archive.empty()) {
                options.archive = argument;
            } else {
                std::string pattern = argument;
                zip::SlashesToBackslashes(pattern);
                options.patterns.push_back(pattern);
            }
            continue;
        }
        if (argument == "--") {
            options_ended = true;
            continue;
        }
        // Letters may be grouped ("-qo"); -P, -d and -j take the next argument (or the rest).
        for (size_t at = 1; at < argument.size(); ++at) {
            const char letter = argument[at];
            if (letter == 'P' || letter == 'd' || letter == 'j') {
                std::string value = argument.substr(at + 1);
                if (value.empty()) {
                    if (i + 1 >= arguments.size()) {
                        error = std::string("option -") + letter + " needs a value";
                        return false;
                    }
                    value = arguments[++i];
                }
                if (letter == 'P') {
                    options.password = value;
                    options.has_password = true;
                } else if (letter == 'j') {
                    if (value.find_first_not_of("0123456789") != std::string::npos || value.size() > 3 ||
                        std::stoi(value) < 1) {
                        error = "option -j needs a number of threads from 1 to 999";
                        return false;
                    }
                    options.jobs = std::stoi(value);
                } else {
                    options.destination = value;
                }
                break;
            }
            switch (letter) {
                case 'l': listing = true; break;
                case 't': testing = true; break;
                case 'p': printing = true; break;
                case 'o': options.overwrite = Overwrite::Always; break;
                case 'n': options.overwrite = Overwrite::Never; break;
                case 'q': options.quiet = true; break;
                case 'h':
                    error.clear();
                    return false;
                default:
                    error = std::string("unknown option -") + letter;
                    return false;
            }
        }
    }
    if (listing + testing + printing > 1) {
        error = "-l, -t and -p cannot be combined";
        return false;
    }
    if (options.archive.empty()) {
        error = "no archive given";
        return false;
    }
    if (listing) options.action = Action::List;
    if (testing) options.action = Action::Test;
    if (printing) options.action = Action::Print;
    return true;
}

}  // namespace dezip
