#include "setup/command_switches.h"

#include "locale/text_case.h"
#include "platform/command_line.h"

namespace setup {

namespace {

bool IsBlank(char character) { return character == ' ' || character == '\t'; }

// Whether text at position starts with prefix (in capitals), ignoring case.
bool StartsWith(const std::string& text, size_t position, const std::string& prefix) {
    return locale::UpperAscii(text.substr(position, prefix.size())) == prefix;
}

// Whether name (without its "/" or "-", in capitals) is a form of the silent switch.
bool IsSilentName(const std::string& name) {
    return name == "S" || name == "SILENT" || name == "VERYSILENT" || name == "Q" || name == "QUIET" || name == "QN";
}

// Whether word, in capitals, is a "-" word the program takes as a switch.
bool IsDashSwitch(const std::string& word) {
    return word.size() > 1 && word[0] == '-' && (IsSilentName(word.substr(1)) || word == "-LEN" || word == "-LRU");
}

// Whether the word starting at position (not a blank) ends an unquoted value: a "/" word
// (quoted as a whole or not) or a whole "-" word that is a switch.
bool StartsNextSwitch(const std::string& line, size_t position) {
    if (line[position] == '/' || line.compare(position, 2, "\"/") == 0) return true;
    size_t end = position;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    return IsDashSwitch(locale::UpperAscii(line.substr(position, end - position)));
}

// The value of /D= or /LOG= starting at position (just after the "="); position moves past
// it. whole_quoted: the switch itself began with a quote, which the first quote closes.
std::string ReadValue(const std::string& line, size_t& position, bool whole_quoted) {
    if (whole_quoted || (position < line.size() && line[position] == '"')) {
        if (!whole_quoted) ++position;
        const size_t closing = line.find('"', position);
        const size_t end = closing == std::string::npos ? line.size() : closing;
        std::string value = line.substr(position, end - position);
        position = closing == std::string::npos ? end : closing + 1;
        return value;
    }
    // A blank right after the "=" leaves the value empty: what follows is a word of its own.
    if (position == line.size() || IsBlank(line[position])) return {};
    size_t end = position;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    while (end < line.size()) {
        size_t next = end;
        while (next < line.size() && IsBlank(line[next])) ++next;
        if (next == line.size() || StartsNextSwitch(line, next)) break;
        end = next;
        while (end < line.size() && !IsBlank(line[end])) ++end;
    }
    std::string value = line.substr(position, end - position);
    position = end;
    return value;
}

// The switch with a value that starts at position (after an opening quote of the whole
// switch when whole_quoted), if any: its name's length; 0 for none.
size_t ValueSwitchLength(const std::string& line, size_t position) {
    if (StartsWith(line, position, "/D=")) return 3;
    if (StartsWith(line, position, "/LOG=")) return 5;
    return 0;
}

// Takes one word that is not a switch with a value.
void TakeWord(const std::string& word, CommandSwitches& switches) {
    const std::string upper = locale::UpperAscii(word);
    const bool slash = !word.empty() && word[0] == '/';
    const bool dash = !word.empty() && word[0] == '-';
    if ((slash || dash) && IsSilentName(upper.substr(1))) {
        switches.silent = true;
    } else if (dash && upper.rfind("-L", 0) == 0) {
        // The language argument: the language module reads it.
    } else if (upper == "/?") {
        switches.help = true;
    } else if (upper == "/CURRENTUSER") {
        switches.current_user = true;
    } else if (upper == "/ACCEPTOLD") {
        switches.accept_old = true;
    } else if (upper == "/SUPPRESSMSGBOXES" || upper == "/NORESTART") {
        // Accepted from habit: no box waits in a silent run, and nothing restarts the machine.
    } else if (slash) {
        if (switches.unknown_switch.empty()) switches.unknown_switch = word;
    } else {
        switches.ignored.push_back(word);
    }
}

}  // namespace

CommandSwitches ParseCommandSwitches(const std::string& command_line) {
    CommandSwitches switches;
    size_t position = 0;
    while (true) {
        while (position < command_line.size() && IsBlank(command_line[position])) ++position;
        if (position >= command_line.size()) break;
        const bool whole_quoted = command_line[position] == '"';
        const size_t name_start = position + (whole_quoted ? 1 : 0);
        const size_t name_length = ValueSwitchLength(command_line, name_start);
        if (name_length == 0) {
            const size_t start = position;
            const std::string word = platform::ReadCommandLineItem(command_line, position);
            // An empty word ("") is named as written.
            TakeWord(word.empty() ? command_line.substr(start, position - start) : word, switches);
            continue;
        }
        position = name_start + name_length;
        const std::string value = ReadValue(command_line, position, whole_quoted);
        if (name_length == 3) {
            switches.destination_given = true;
            switches.destination = value;
        } else {
            switches.log_given = true;
            switches.log_file = value;
        }
    }
    return switches;
}

}  // namespace setup
