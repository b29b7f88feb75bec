#include "platform/posix/ini_file.h"

#include "platform/code_page.h"

namespace platform::posix {
namespace {

bool IsBlank(char character) { return character == ' ' || character == '\t' || character == '\r'; }

std::string Trim(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

struct Line {
    bool is_section = false;
    std::string name;   // section name, or key name
    std::string value;  // key value, trimmed and unquoted
};

// Splits the text into meaningful lines: section headers and key lines (comments and blank
// lines left out). A key line without '=' is a key with an empty value.
std::vector<Line> ParseLines(const std::string& text) {
    std::vector<Line> lines;
    size_t position = 0;
    if (text.starts_with("\xEF\xBB\xBF")) position = 3;
    while (position < text.size()) {
        size_t end = text.find('\n', position);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(position, end - position));
        position = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const size_t close = line.find(']');
            lines.push_back({true, Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
            continue;
        }
        const size_t equals = line.find('=');
        Line key{false, Trim(line.substr(0, equals)), {}};
        if (equals != std::string::npos) {
            key.value = Trim(line.substr(equals + 1));
            if (key.value.size() >= 2 && (key.value.front() == '"' || key.value.front() == '\'') &&
                key.value.back() == key.value.front()) {
                key.value = key.value.substr(1, key.value.size() - 2);
            }
        }
        lines.push_back(key);
    }
    return lines;
}

// The lines of the first section of that name.
std::vector<Line> SectionLines(const std::string& text, const std::string& section) {
    std::vector<Line> result;
    bool inside = false;
    bool seen = false;
    for (Line& line : ParseLines(text)) {
        if (line.is_section) {
            if (inside) break;
            inside = !seen && SameTextIgnoreCase(line.name, Trim(section));
            seen = seen || inside;
            continue;
        }
        if (inside) result.push_back(std::move(line));
    }
    return result;
}

}  // namespace

std::optional<std::string> FindIniValue(const std::string& text, const std::string& section, const std::string& key) {
    const std::string wanted = Trim(key);
    for (const Line& line : SectionLines(text, section)) {
        if (SameTextIgnoreCase(line.name, wanted)) return line.value;
    }
    return std::nullopt;
}

std::vector<std::string> ListIniKeys(const std::string& text, const std::string& section) {
    std::vector<std::string> keys;
    for (const Line& line : SectionLines(text, section)) {
        bool repeated = false;
        for (const std::string& key : keys) repeated = repeated || SameTextIgnoreCase(key, line.name);
        if (!repeated && !line.name.empty()) keys.push_back(line.name);
    }
    return keys;
}

}  // namespace platform::posix
