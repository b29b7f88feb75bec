#include "engine/text_utils.h"

#include "locale/text_case.h"
#include "platform/code_page.h"

namespace engine {

namespace {

// Replaces each occurrence of macro (found in any letter case) by value, resuming the search
// after the inserted text.
std::string ReplaceMacro(const std::string& text, const std::string& macro, const std::string& value) {
    std::string result;
    const std::string upper = locale::UpperAscii(text);
    size_t from = 0;
    for (;;) {
        const size_t found = upper.find(macro, from);
        if (found == std::string::npos) break;
        result.append(text, from, found - from);
        result += value;
        from = found + macro.size();
    }
    result.append(text, from, std::string::npos);
    return result;
}

}  // namespace

std::string FailureItem(const std::string& path) { return "\"" + path + "\", "; }

std::string ExpandStartDir(const std::string& text, const std::string& setup_dir) {
    return ReplaceMacro(text, "%STARTDIR%", setup_dir.size() == 2 ? setup_dir + "\\" : setup_dir);
}

std::string DirectoryPart(const std::string& path) {
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string NamePart(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

bool SamePath(const std::string& left, const std::string& right) {
    return platform::UpperCaseAnsi(left) == platform::UpperCaseAnsi(right);
}

bool LiesInside(const std::string& root, const std::string& path) {
    const std::string prefix = root.ends_with('\\') ? root : root + "\\";
    return path.size() > prefix.size() && SamePath(path.substr(0, prefix.size()), prefix);
}

}  // namespace engine
