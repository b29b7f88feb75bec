#include "platform/code_page.h"

#include <cstdint>

namespace platform {
namespace {

// Unicode values of the Windows-1251 bytes 0x80 to 0xFF.
constexpr char16_t kHighHalf[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The length of the well-formed UTF-8 sequence at position, with its character in code; 0
// when the bytes there are no such sequence.
size_t DecodeUtf8(const std::string& text, size_t position, uint32_t& code) {
    const auto lead = static_cast<unsigned char>(text[position]);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    size_t length = 0;
    uint32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        smallest = 0x10000;
    }
    if (length == 0 || position + length > text.size()) return 0;
    for (size_t index = 1; index < length; ++index) {
        const auto next = static_cast<unsigned char>(text[position + index]);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

bool Utf8ToAnsiExactly(const std::string& utf8, std::string& ansi) {
    ansi.clear();
    bool exact = true;
    size_t position = 0;
    while (position < utf8.size()) {
        uint32_t code = 0;
        const size_t length = DecodeUtf8(utf8, position, code);
        if (length == 0) {
            ansi += '?';
            exact = false;
            ++position;
            continue;
        }
        const char converted = code <= 0xFFFF ? WideToAnsi(static_cast<char16_t>(code)) : '?';
        if (converted == '?' && code != '?') exact = false;
        ansi += converted;
        position += length;
    }
    return exact;
}

bool IsWellFormedUtf8(const std::string& text) {
    size_t position = 0;
    while (position < text.size()) {
        uint32_t code = 0;
        const size_t length = DecodeUtf8(text, position, code);
        if (length == 0) return false;
        position += length;
    }
    return true;
}

std::string AnsiToUtf8(const std::string& ansi) {
    std::string out;
    out.reserve(ansi.size() * 2);
    for (char character : ansi) {
        const auto byte = static_cast<unsigned char>(character);
        AppendUtf8(out, byte < 0x80 ? byte : kHighHalf[byte - 0x80]);
    }
    return out;
}

char WideToAnsi(char16_t wide) {
    if (wide < 0x80) return static_cast<char>(wide);
    for (int index = 0; index < 128; ++index) {
        if (kHighHalf[index] == wide) return static_cast<char>(0x80 + index);
    }
    return '?';
}

std::string Utf8ToAnsi(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t position = 0;
    while (position < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[position]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++position;
            continue;
        }
        int length = 0;
        uint32_t code = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
        }
        bool well_formed = length != 0 && position + length <= utf8.size();
        for (int index = 1; well_formed && index < length; ++index) {
            const auto next = static_cast<unsigned char>(utf8[position + index]);
            if ((next & 0xC0) != 0x80) well_formed = false;
            code = (code << 6) | (next & 0x3F);
        }
        if (!well_formed) {
            out += '?';
            ++position;
            continue;
        }
        out += code <= 0xFFFF ? WideToAnsi(static_cast<char16_t>(code)) : '?';
        position += length;
    }
    return out;
}

char UpperCaseAnsi(char character) {
    const auto byte = static_cast<unsigned char>(character);
    if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
    if (byte >= 0xE0) return static_cast<char>(byte - 0x20);  // а..я
    switch (byte) {
        case 0xB8: return '\xA8';  // ё
        case 0x90: return '\x80';  // ђ
        case 0x83: return '\x81';  // ѓ
        case 0x9A: return '\x8A';  // љ
        case 0x9C: return '\x8C';  // њ
        case 0x9D: return '\x8D';  // ќ
        case 0x9E: return '\x8E';  // ћ
        case 0x9F: return '\x8F';  // џ
        case 0xA2: return '\xA1';  // ў
        case 0xBC: return '\xA3';  // ј
        case 0xB4: return '\xA5';  // ґ
        case 0xBA: return '\xAA';  // є
        case 0xBF: return '\xAF';  // ї
        case 0xB3: return '\xB2';  // і
        case 0xBE: return '\xBD';  // ѕ
        default: return character;
    }
}

std::string UpperCaseAnsi(const std::string& text) {
    std::string out = text;
    for (char& character : out) character = UpperCaseAnsi(character);
    return out;
}

bool SameTextIgnoreCase(const std::string& left, const std::string& right) {
    if (left.size() != right.size()) return false;
    for (size_t index = 0; index < left.size(); ++index) {
        if (UpperCaseAnsi(left[index]) != UpperCaseAnsi(right[index])) return false;
    }
    return true;
}

}  // namespace platform
