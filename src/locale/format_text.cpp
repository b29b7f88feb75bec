#include "locale/format_text.h"

#include <cctype>
#include <cstddef>

namespace locale {
namespace {

bool IsDigit(char character) { return std::isdigit(static_cast<unsigned char>(character)) != 0; }

// Reads a decimal number at position; -1 when there is none.
int ReadNumber(const std::string& text, size_t& position) {
    if (position >= text.size() || !IsDigit(text[position])) return -1;
    int value = 0;
    while (position < text.size() && IsDigit(text[position])) {
        if (value < 100000) value = value * 10 + (text[position] - '0');
        ++position;
    }
    return value;
}

bool IsItemType(char character) {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    return lower == 's' || lower == 'd' || lower == 'u';
}

}  // namespace

std::string FormatText(const std::string& format, const std::vector<std::string>& arguments) {
    std::string output;
    output.reserve(format.size() + 64);
    size_t next_argument = 0;
    size_t position = 0;
    while (position < format.size()) {
        const char character = format[position];
        if (character != '%') {
            output += character;
            ++position;
            continue;
        }
        if (position + 1 < format.size() && format[position + 1] == '%') {
            output += '%';
            position += 2;
            continue;
        }

        // Parse "%[index:][-][width][.precision]type"; on any mismatch the "%" is literal.
        size_t cursor = position + 1;
        size_t argument_index = next_argument;
        size_t lookahead = cursor;
        const int index = ReadNumber(format, lookahead);
        if (index >= 0 && lookahead < format.size() && format[lookahead] == ':') {
            argument_index = static_cast<size_t>(index);
            cursor = lookahead + 1;
        }
        bool left_justify = false;
        if (cursor < format.size() && format[cursor] == '-') {
            left_justify = true;
            ++cursor;
        }
        const int width = ReadNumber(format, cursor);
        int precision = -1;
        if (cursor < format.size() && format[cursor] == '.') {
            ++cursor;
            precision = ReadNumber(format, cursor);
            if (precision < 0) precision = 0;
        }
        if (cursor >= format.size() || !IsItemType(format[cursor])) {
            output += '%';
            ++position;
            continue;
        }

        std::string value = argument_index < arguments.size() ? arguments[argument_index] : std::string();
        if (precision >= 0 && static_cast<size_t>(precision) < value.size()) value.resize(precision);
        if (width > 0 && value.size() < static_cast<size_t>(width)) {
            const std::string padding(static_cast<size_t>(width) - value.size(), ' ');
            value = left_justify ? value + padding : padding + value;
        }
        output += value;
        next_argument = argument_index + 1;
        position = cursor + 1;
    }
    return output;
}

}  // namespace locale
