#pragma once
// One step of traditional ZIP decryption, shared by the buffer loop and inflate, which
// decrypts its input as it decodes.

#include <cstdint>

#include "unzip/crc32.h"

namespace unzip {

constexpr uint32_t kKey1Multiplier = 134775813u;

// Decrypts byte in place and stirs the three key registers with the plain byte.
inline void DecryptStep(uint8_t& byte, uint32_t& key0, uint32_t& key1, uint32_t& key2) {
    const uint32_t temp = (key2 & 0xFFFFu) | 2u;
    const auto plain = static_cast<uint8_t>(byte ^ static_cast<uint8_t>((temp * (temp ^ 1u)) >> 8));
    byte = plain;
    key0 = Crc32Step(key0, plain);
    key1 = (key1 + (key0 & 0xFFu)) * kKey1Multiplier + 1u;
    key2 = Crc32Step(key2, static_cast<uint8_t>(key1 >> 24));
}

}  // namespace unzip
