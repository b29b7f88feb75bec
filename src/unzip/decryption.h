#pragma once
// One step of traditional ZIP decryption, shared by the buffer loop and inflate, which
// decrypts its input as it decodes.

#include <array>
#include <cstdint>

#include "unzip/crc32.h"

namespace unzip {

constexpr uint32_t kKey1Multiplier = 134775813u;

namespace decryption_detail {
// The CRC table with bit 1 of every entry clear, and the low bytes of its entries: with them
// the step below takes the factors of the next keystream byte, and the low byte of the new
// first key, straight from a table load instead of computing them after it.
constexpr std::array<uint32_t, 256> MakeTableWithoutBit1() {
    std::array<uint32_t, 256> table{};
    for (size_t index = 0; index < 256; ++index) table[index] = kCrc32Table[index] & ~2u;
    return table;
}
constexpr std::array<uint32_t, 256> MakeLowBytes() {
    std::array<uint32_t, 256> table{};
    for (size_t index = 0; index < 256; ++index) table[index] = kCrc32Table[index] & 0xFFu;
    return table;
}
inline constexpr std::array<uint32_t, 256> kTableWithoutBit1 = MakeTableWithoutBit1();
inline constexpr std::array<uint32_t, 256> kLowBytes = MakeLowBytes();

// Keeps the compiler from folding a value computed off the chain back into the chain.
inline uint32_t Apart(uint32_t value) {
#if defined(__GNUC__)
    asm("" : "+r"(value));
#endif
    return value;
}
}  // namespace decryption_detail

// The three key registers, and the two factors of the next keystream byte, key2 | 2 and
// (key2 | 2) ^ 1, kept ready. Each plain byte depends on every byte before it, so decryption
// runs at the speed of one chain of dependent operations per byte; the step is written so
// that the chain is as short as it can be: the factors come from a table load and one
// exclusive or each, the second key takes the first one's new low byte multiplied, and the
// third key's table index needs no mask.
struct DecryptionKeys {
    uint32_t key0;
    uint32_t key1;
    uint32_t key2;
    uint32_t factor;
    uint32_t factor_xor_one;

    DecryptionKeys(uint32_t first, uint32_t second, uint32_t third)
        : key0(first), key1(second), key2(third), factor(third | 2u), factor_xor_one((third | 2u) ^ 1u) {}

    // Decrypts byte in place and stirs the registers with the plain byte.
    inline void Step(uint8_t& byte) {
        using decryption_detail::Apart;
        // The keystream byte is bits 8-15 of the product, which only the factors' low 16
        // bits decide.
        const uint32_t keystream = (factor * factor_xor_one) >> 8;
        const uint32_t index0 = (keystream ^ Apart(key0 ^ byte)) & 0xFFu;
        byte = static_cast<uint8_t>(byte ^ keystream);
        const uint32_t shifted0 = key0 >> 8;
        const uint32_t low0 = decryption_detail::kLowBytes[index0] ^ (shifted0 & 0xFFu);
        key0 = kCrc32Table[index0] ^ shifted0;
        key1 = Apart(key1 * kKey1Multiplier + 1u) + low0 * kKey1Multiplier;
        const uint32_t index2 = (key1 ^ Apart(key2 << 24)) >> 24;
        const uint32_t shifted2 = key2 >> 8;
        key2 = kCrc32Table[index2] ^ shifted2;
        const uint32_t clear = decryption_detail::kTableWithoutBit1[index2];
        factor = clear ^ (shifted2 | 2u);
        factor_xor_one = clear ^ Apart((shifted2 | 2u) ^ 1u);
    }
};

}  // namespace unzip
