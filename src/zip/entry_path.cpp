#include "zip/entry_path.h"

#include "zip/zip_lib.h"

namespace zip {

namespace {

std::string TrimTrailingBlanksAndDots(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
    return text;
}

}  // namespace

bool IsDeviceName(const std::string& component) {
    const std::string base = AsciiUpper(TrimTrailingBlanksAndDots(component.substr(0, component.find('.'))));
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : kDevices) {
        if (base == device) return true;
    }
    if (base.size() < 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0)) return false;
    // The port's number: a digit, or a superscript one, two or three, which Windows takes as
    // the same device (as a byte of Windows-1252, or in UTF-8 when that is the code page).
    const std::string number = base.substr(3);
    if (number.size() == 1) return (number[0] >= '1' && number[0] <= '9') || number == "\xB9" || number == "\xB2" || number == "\xB3";
    return number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
}

bool IsSafeRelativePath(const std::string& path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        const std::string component = path.substr(start, end - start);
        if (!component.empty()) {
            // A NUL would end the name where the system reads it, so it names another file.
            if (component.find(':') != std::string::npos || component.find('\0') != std::string::npos) return false;
            if (component != "." && TrimTrailingBlanksAndDots(component).empty()) return false;
            if (IsDeviceName(component)) return false;
        }
        start = end + 1;
    }
    return true;
}

bool IsSafeFileName(const std::string& file_name) { return file_name != "." && IsSafeRelativePath(file_name); }

bool ComposeEntryDirectory(const std::string& dest_dir, const std::string& directory, std::string& result) {
    const bool absolute = !directory.empty() && (directory[0] == '\\' || (directory.size() >= 2 && directory[1] == ':'));
    if (!absolute) {
        if (!IsSafeRelativePath(directory)) return false;
        result = dest_dir + "\\" + directory;
        return true;
    }
    if (directory.compare(0, 2, "\\\\") == 0) return false;  // a network share
    if (dest_dir.empty()) return false;
    std::string rest = directory[0] == '\\' ? directory : directory.substr(2);
    // "C:data\" has no separator after the drive: it must not glue onto the destination's
    // own name and land in a sibling directory.
    if (rest.empty() || rest[0] != '\\') rest.insert(rest.begin(), '\\');
    if (!IsSafeRelativePath(rest)) return false;
    result = dest_dir + rest;
    if (result.back() != '\\') result += '\\';
    return true;
}

}  // namespace zip
