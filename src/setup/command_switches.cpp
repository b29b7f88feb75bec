#include "setup/command_switches.h"

#include "locale/text_case.h"
#include "platform/command_line.h"

namespace setup {

namespace {

bool IsBlank(char character) { return character == ' ' || character == '\t'; }

// Whether text at position starts with prefix, ignoring case.
bool StartsWith(const std::string& text, size_t position, const std::string& prefix) {
    return locale::UpperAscii(text.substr(position, prefix.size())) == prefix;
}

// Whether item starts with prefix, ignoring case; rest receives what follows it.
bool TakePrefix(const std::string& item, const std::string& prefix, std::string& rest) {
    if (!StartsWith(item, 0, prefix)) return false;
    rest = item.substr(prefix.size());
    return true;
}

// The value of /D= starting at position (just after the "="); position moves past it.
std::string ReadDestination(const std::string& line, size_t& position) {
    if (position < line.size() && line[position] == '"') {
        const size_t closing = line.find('"', position + 1);
        const size_t end = closing == std::string::npos ? line.size() : closing;
        std::string value = line.substr(position + 1, end - position - 1);
        position = closing == std::string::npos ? end : closing + 1;
        return value;
    }
    size_t end = position;
    while (end < line.size()) {
        if (IsBlank(line[end])) {
            size_t next = end;
            while (next < line.size() && IsBlank(line[next])) ++next;
            if (next == line.size() || line[next] == '/' || StartsWith(line, next, "-L")) break;
            end = next;
            continue;
        }
        ++end;
    }
    std::string value = line.substr(position, end - position);
    position = end;
    return value;
}

}  // namespace

CommandSwitches ParseCommandSwitches(const std::string& command_line) {
    CommandSwitches switches;
    size_t position = 0;
    while (true) {
        while (position < command_line.size() && IsBlank(command_line[position])) ++position;
        if (position >= command_line.size()) break;
        if (StartsWith(command_line, position, "/D=")) {
            position += 3;
            switches.destination_given = true;
            switches.destination = ReadDestination(command_line, position);
            continue;
        }
        const std::string item = platform::ReadCommandLineItem(command_line, position);
        const std::string upper = locale::UpperAscii(item);
        std::string rest;
        if (upper == "/S") {
            switches.silent = true;
        } else if (upper == "/?") {
            switches.help = true;
        } else if (upper == "/CURRENTUSER") {
            switches.current_user = true;
        } else if (TakePrefix(item, "/LOG=", rest)) {
            switches.log_file = rest;
        } else if (TakePrefix(item, "/D=", rest)) {
            // The whole switch quoted: "/D=C:\Program Files\VE4".
            switches.destination_given = true;
            switches.destination = rest;
        } else if (!item.empty() && item[0] == '/' && switches.unknown_switch.empty()) {
            switches.unknown_switch = item;
        }
    }
    return switches;
}

}  // namespace setup
