#include "setup/paragraph_text.h"

#include "locale/text_case.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace setup {
namespace {

bool StartsParagraph(const std::string& line) {
    if (line.empty()) return true;
    const std::string trimmed = locale::Trim(line);
    if (trimmed.empty()) return false;
    if (trimmed[0] == '-' || trimmed[0] == '*') return true;
    return locale::UpperAscii(trimmed.substr(0, 9)) == "COPYRIGHT";
}

}  // namespace

TextFileRead ReadTextLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    auto file = platform::Files().OpenFile(path, platform::OpenMode::Read);
    if (!file) return TextFileRead::Failed;
    const int64_t size = file->Size();
    if (size < 0) return TextFileRead::Failed;
    if (size > kTextFileLimit) return TextFileRead::TooLarge;
    std::string content(static_cast<size_t>(size), '\0');
    if (size > 0 && file->Read(content.data(), size) != size) return TextFileRead::Failed;

    std::string line;
    for (size_t position = 0; position < content.size(); ++position) {
        const char character = content[position];
        if (character == '\r' || character == '\n') {
            lines.push_back(line);
            line.clear();
            if (character == '\r' && position + 1 < content.size() && content[position + 1] == '\n') ++position;
            continue;
        }
        line += character;
    }
    if (!line.empty()) lines.push_back(line);
    return TextFileRead::Read;
}

std::vector<std::string> JoinParagraphs(const std::vector<std::string>& lines) {
    std::vector<std::string> joined;
    std::string pending;
    for (const std::string& line : lines) {
        if (StartsParagraph(line)) {
            if (!pending.empty()) joined.push_back(pending);
            if (line.empty()) joined.emplace_back();
            pending = line;
            continue;
        }
        if (pending.empty()) {
            pending = line;
        } else {
            pending += " " + locale::Trim(line);
        }
    }
    if (!pending.empty()) joined.push_back(pending);
    return joined;
}

}  // namespace setup
