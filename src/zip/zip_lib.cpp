#include "zip/zip_lib.h"

#include <cmath>
#include <cstring>

#include "platform/file_system.h"
#include "platform/platform.h"

namespace zip {

namespace {

int RoundedPercent(double part, double whole) {
    // Halves go to the even neighbour, as the default floating-point rounding does.
    const double percent = std::nearbyint(part * 100.0 / whole);
    if (percent > 100.0) return 100;
    if (percent < 0.0) return 0;
    return static_cast<int>(percent);
}

}  // namespace

int FilePercent(uint64_t part, uint64_t whole) {
    if (whole == 0) return 0;
    return RoundedPercent(static_cast<double>(part), static_cast<double>(whole));
}

int TotalPercent(int64_t part, int64_t whole) {
    if (whole <= 0) return 0;
    return RoundedPercent(static_cast<double>(part), static_cast<double>(whole));
}

void SlashesToBackslashes(std::string& text) {
    for (char& character : text) {
        if (character == '/') character = '\\';
    }
}

std::string RightText(const std::string& text, size_t count) {
    if (text.size() <= count) return text;
    return text.substr(text.size() - count);
}

std::string LeftText(const std::string& text, size_t count) { return text.substr(0, count); }

std::string AsciiLower(std::string text) {
    for (char& character : text) {
        if (character >= 'A' && character <= 'Z') character = static_cast<char>(character + ('a' - 'A'));
    }
    return text;
}

std::string AsciiUpper(std::string text) {
    for (char& character : text) {
        if (character >= 'a' && character <= 'z') character = static_cast<char>(character - ('a' - 'A'));
    }
    return text;
}

int CompareAsciiIgnoreCase(const std::string& left, const std::string& right) {
    const size_t common = left.size() < right.size() ? left.size() : right.size();
    for (size_t i = 0; i < common; ++i) {
        unsigned char a = static_cast<unsigned char>(left[i]);
        unsigned char b = static_cast<unsigned char>(right[i]);
        if (a >= 'a' && a <= 'z') a = static_cast<unsigned char>(a - ('a' - 'A'));
        if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - ('a' - 'A'));
        if (a != b) return a < b ? -1 : 1;
    }
    if (left.size() == right.size()) return 0;
    return left.size() < right.size() ? -1 : 1;
}

std::string ThreeDigits(int number) {
    std::string digits = std::to_string(number < 0 ? -number : number);
    while (digits.size() < 3) digits.insert(digits.begin(), '0');
    return number < 0 ? "-" + digits : digits;
}

bool ForceDirectories(const std::string& directory) { return platform::Files().ForceDirectories(directory); }
bool FileExists(const std::string& path) { return platform::Files().FileExists(path); }
bool DirectoryExists(const std::string& path) { return platform::Files().DirectoryExists(path); }
std::string CurrentDirectory() { return platform::Files().CurrentDirectory(); }

std::string VolumeLabel(const std::string& root) {
    std::string label;
    if (!platform::Files().GetVolumeLabel(root, label)) return {};
    return LeftText(label, 13);
}

std::string ExtractFileDirectory(const std::string& path) {
    const size_t last = path.find_last_of("\\:");
    if (last == std::string::npos) return {};
    if (path[last] == ':') return path.substr(0, last + 1);
    return path.substr(0, last);
}

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    const size_t name_start = path.find_last_of("\\/:");
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (name_start != std::string::npos && dot < name_start)) return path + extension;
    return path.substr(0, dot) + extension;
}

std::string CountedFromZeroTerminated(const char* text) { return text == nullptr ? std::string() : std::string(text); }

void ZeroTerminatedFromCounted(const std::string& text, char* destination, size_t destination_size) {
    if (destination_size == 0) return;
    const size_t length = text.size() < destination_size - 1 ? text.size() : destination_size - 1;
    std::memcpy(destination, text.data(), length);
    destination[length] = '\0';
}

}  // namespace zip
