#include "platform/command_line.h"

namespace platform {
namespace {

bool IsBlank(char character) { return character == ' ' || character == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& command_line, FirstItem first_item) {
    std::vector<std::string> items;
    size_t position = 0;
    const size_t length = command_line.size();

    if (first_item == FirstItem::Program) {
        while (position < length && IsBlank(command_line[position])) ++position;
        if (position >= length) return items;
        std::string program;
        if (command_line[position] == '"') {
            ++position;
            while (position < length && command_line[position] != '"') program += command_line[position++];
            if (position < length) ++position;
        } else {
            while (position < length && !IsBlank(command_line[position])) program += command_line[position++];
        }
        items.push_back(program);
    }

    while (true) {
        while (position < length && IsBlank(command_line[position])) ++position;
        if (position >= length) break;
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
        items.push_back(item);
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
