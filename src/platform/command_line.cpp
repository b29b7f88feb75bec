#include "platform/command_line.h"

namespace platform {
namespace {

bool IsBlank(char character) { return character == ' ' || character == '\t'; }

// The program's path at the start of a command line: quotes group, backslashes are literal.
std::string ReadProgramItem(const std::string& command_line, size_t& position) {
    const size_t length = command_line.size();
    std::string program;
    while (position < length && IsBlank(command_line[position])) ++position;
    if (position < length && command_line[position] == '"') {
        ++position;
        while (position < length && command_line[position] != '"') program += command_line[position++];
        if (position < length) ++position;
    } else {
        while (position < length && !IsBlank(command_line[position])) program += command_line[position++];
    }
    return program;
}

}  // namespace

std::string ReadCommandLineItem(const std::string& command_line, size_t& position) {
    const size_t length = command_line.size();
    std::string item;
    bool quoted = false;
    while (position < length && (quoted || !IsBlank(command_line[position]))) {
        size_t backslashes = 0;
        while (position < length && command_line[position] == '\\') {
            ++backslashes;
            ++position;
        }
        if (position < length && command_line[position] == '"') {
            item.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                item += '"';
                ++position;
            } else if (quoted && position + 1 < length && command_line[position + 1] == '"') {
                item += '"';
                position += 2;
            } else {
                quoted = !quoted;
                ++position;
            }
            continue;
        }
        item.append(backslashes, '\\');
        if (position < length && (quoted || !IsBlank(command_line[position]))) item += command_line[position++];
    }
    return item;
}

std::string CommandLineAfterProgram(const std::string& command_line) {
    size_t position = 0;
    ReadProgramItem(command_line, position);
    return command_line.substr(position);
}

std::vector<std::string> SplitCommandLine(const std::string& command_line, FirstItem first_item) {
    std::vector<std::string> items;
    size_t position = 0;
    const size_t length = command_line.size();

    if (first_item == FirstItem::Program) {
        while (position < length && IsBlank(command_line[position])) ++position;
        if (position >= length) return items;
        items.push_back(ReadProgramItem(command_line, position));
    }

    while (true) {
        while (position < length && IsBlank(command_line[position])) ++position;
        if (position >= length) break;
        items.push_back(ReadCommandLineItem(command_line, position));
    }
    return items;
}

std::string QuoteCommandLineItem(const std::string& item) {
    if (!item.empty() && item.find_first_of(" \t\"") == std::string::npos) return item;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char character : item) {
        if (character == '\\') {
            ++backslashes;
            continue;
        }
        if (character == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += character;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

}  // namespace platform
