#include "driver/text.h"

#include <cstdlib>

namespace e2e {

std::string Cp1251(const std::string& utf8) {
    std::string result;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            result.push_back(static_cast<char>(lead));
            ++i;
            continue;
        }
        // Two-byte sequences cover the Cyrillic block; longer ones have no 1251 byte here.
        int length = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 1;
        if (length != 2 || i + 1 >= utf8.size()) {
            result.push_back('?');
            i += static_cast<size_t>(length);
            continue;
        }
        const unsigned code = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
        i += 2;
        if (code >= 0x410 && code <= 0x44F) result.push_back(static_cast<char>(0xC0 + (code - 0x410)));
        else if (code == 0x401) result.push_back(static_cast<char>(0xA8));
        else if (code == 0x451) result.push_back(static_cast<char>(0xB8));
        else if (code == 0xA0) result.push_back(static_cast<char>(0xA0));
        else result.push_back('?');
    }
    return result;
}

std::string EnvironmentOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : fallback;
}

}  // namespace e2e
