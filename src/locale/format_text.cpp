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

std::string FormatDate(const std::string& pattern, const platform::DateTime& date) {
    const auto two_digits = [](int value) {
        const std::string text = std::to_string(value % 100);
        return text.size() < 2 ? "0" + text : text;
    };
    std::string output;
    size_t position = 0;
    while (position < pattern.size()) {
        const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[position])));
        size_t run = 1;
        while (position + run < pattern.size() &&
               std::tolower(static_cast<unsigned char>(pattern[position + run])) == letter) {
            ++run;
        }
        if (letter == 'd') {
            output += run >= 2 ? two_digits(date.day) : std::to_string(date.day);
        } else if (letter == 'm') {
            output += run >= 2 ? two_digits(date.month) : std::to_string(date.month);
        } else if (letter == 'y') {
            if (run >= 3) {
                std::string year = std::to_string(date.year);
                output += std::string(year.size() < 4 ? 4 - year.size() : 0, '0') + year;
            } else {
                output += two_digits(date.year);
            }
        } else {
            output += pattern.substr(position, run);
        }
        position += run;
    }
    return output;
}

}  // namespace locale
