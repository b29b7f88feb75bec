#pragma once
// The CRC-32 of ZIP archives (reflected polynomial EDB88320) as tables: the 256-entry table
// whose single-byte step the traditional decryption and the catalogue's name check use, and
// the eight tables of the decoders' wide update (unzip/crc32.cpp).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zip {

namespace crc32_detail {
// Table k maps a byte to the CRC of that byte followed by k zero bytes; table 0 is the
// classic byte table. The wide update consumes 8 bytes per step through all eight.
constexpr std::array<std::array<uint32_t, 256>, 8> MakeTables() {
    std::array<std::array<uint32_t, 256>, 8> tables{};
    for (uint32_t byte = 0; byte < 256; ++byte) {
        uint32_t value = byte;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        tables[0][byte] = value;
    }
    for (uint32_t byte = 0; byte < 256; ++byte)
        for (int k = 1; k < 8; ++k)
            tables[k][byte] = (tables[k - 1][byte] >> 8) ^ tables[0][tables[k - 1][byte] & 0xFFu];
    return tables;
}
inline constexpr std::array<std::array<uint32_t, 256>, 8> kTables = MakeTables();
}  // namespace crc32_detail

// The 256-entry table of the CRC-32.
inline constexpr const std::array<uint32_t, 256>& kCrc32Table = crc32_detail::kTables[0];

// One step of the CRC-32 register over one byte.
inline uint32_t Crc32Step(uint32_t crc_register, uint8_t value) {
    return kCrc32Table[(crc_register ^ value) & 0xFFu] ^ (crc_register >> 8);
}

// The CRC-32 of a short text (a name), a byte at a time.
inline uint32_t Crc32Of(const std::string& text) {
    uint32_t crc_register = 0xFFFFFFFFu;
    for (char character : text) crc_register = Crc32Step(crc_register, static_cast<uint8_t>(character));
    return ~crc_register;
}

}  // namespace zip
