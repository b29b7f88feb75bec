#pragma once
// Small helpers of the ZIP layer: little-endian field access, percentages, text slices and
// the file-system questions the component asks (through the platform's services).

#include <cstddef>
#include <cstdint>
#include <string>

namespace zip {

// Little-endian fields at an offset of a byte block the caller has already bounds-checked.
inline uint16_t ReadLe16(const uint8_t* bytes, size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}
inline uint32_t ReadLe32(const uint8_t* bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | (static_cast<uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<uint32_t>(bytes[offset + 2]) << 16) | (static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

inline uint64_t ReadLe64(const uint8_t* bytes, size_t offset) {
    return static_cast<uint64_t>(ReadLe32(bytes, offset)) | (static_cast<uint64_t>(ReadLe32(bytes, offset + 4)) << 32);
}

// True when size bytes from offset end within length bytes, decided without forming a sum that
// could overflow (offsets and sizes read from an archive may be anything).
inline bool FitsWithin(uint64_t offset, uint64_t size, uint64_t length) {
    return offset <= length && size <= length - offset;
}

inline int Smaller(int a, int b) { return a < b ? a : b; }
inline int Larger(int a, int b) { return a > b ? a : b; }

// part * 100 / whole rounded to the nearest integer (halves to even), at most 100; 0 when
// whole is 0.
int FilePercent(uint64_t part, uint64_t whole);
// The same over 64-bit totals.
int TotalPercent(int64_t part, int64_t whole);

// Replaces every '/' by '\' in place.
void SlashesToBackslashes(std::string& text);
// The last count characters of text (the whole text when shorter).
std::string RightText(const std::string& text, size_t count);
// The first count characters of text.
std::string LeftText(const std::string& text, size_t count);
// ASCII-only lower and upper case: other bytes (Cyrillic letters) stay as they are.
std::string AsciiLower(std::string text);
std::string AsciiUpper(std::string text);
// Case-insensitive comparison of ASCII letters; other bytes compare by their code.
int CompareAsciiIgnoreCase(const std::string& left, const std::string& right);
// "%3.3d": at least three digits, leading zeros.
std::string ThreeDigits(int number);

// Creates directory and every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::string& directory);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// The current directory of the current drive.
std::string CurrentDirectory();
// The label of the volume whose root is given ("A:\"), at most 13 characters; empty when it
// cannot be read.
std::string VolumeLabel(const std::string& root);
// The directory part of a path up to and without its last backslash (empty when none).
std::string ExtractFileDirectory(const std::string& path);
// path with the extension of its file name part replaced by extension (".001"), or with
// extension appended when the name has none.
std::string ReplaceExtension(const std::string& path, const std::string& extension);

// Copies a zero-terminated text into a counted one and back.
std::string CountedFromZeroTerminated(const char* text);
void ZeroTerminatedFromCounted(const std::string& text, char* destination, size_t destination_size);

}  // namespace zip
