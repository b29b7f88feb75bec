// Traditional ZIP decryption. Three 32-bit key registers start from fixed values and are
// stirred by every password byte; then each plain byte of the data stirs them again. The
// keystream byte comes from the low 16 bits of the third register. The 12-byte encryption
// header in front of the data runs the keys on, and its last byte, decrypted, is a check
// byte taken from the entry's CRC or time.

#include "unzip/unzip_context.h"

#include <cstdint>
#include <string>

#include "unzip/crc32.h"
#include "unzip/decryption.h"
#include "zip/stream.h"

namespace unzip {

namespace {
constexpr uint32_t kKey0Start = 0x12345678u;
constexpr uint32_t kKey1Start = 0x23456789u;
constexpr uint32_t kKey2Start = 0x34567890u;
constexpr uint32_t kEncryptionHeaderBytes = 12;
}  // namespace

void InitKeys(TUnZipContext& context, const std::string& password) {
    context.Key0 = kKey0Start;
    context.Key1 = kKey1Start;
    context.Key2 = kKey2Start;
    for (const char character : password) UpdateKeys(context, static_cast<uint8_t>(character));
}

void UpdateKeys(TUnZipContext& context, uint8_t value) {
    context.Key0 = Crc32Step(context.Key0, value);
    context.Key1 = (context.Key1 + (context.Key0 & 0xFFu)) * kKey1Multiplier + 1u;
    context.Key2 = Crc32Step(context.Key2, static_cast<uint8_t>(context.Key1 >> 24));
}

uint8_t DecryptByte(const TUnZipContext& context) {
    const uint32_t temp = (context.Key2 & 0xFFFFu) | 2u;
    return static_cast<uint8_t>((temp * (temp ^ 1u)) >> 8);
}

void DecryptBuffer(TUnZipContext& context, uint8_t* buffer, uint32_t n) {
    // The registers are kept in locals across the loop; this runs over every compressed byte.
    DecryptionKeys keys(context.Key0, context.Key1, context.Key2);
    for (uint32_t index = 0; index < n; ++index) keys.Step(buffer[index]);
    context.Key0 = keys.key0;
    context.Key1 = keys.key1;
    context.Key2 = keys.key2;
}

void DecryptInputTo(TUnZipContext& context, const uint8_t* end) {
    const uint8_t* const held = context.read_position + context.InCount;
    if (end > held) end = held;
    if (end <= context.plain_end) return;
    const auto n = static_cast<uint32_t>(end - context.plain_end);
    DecryptBuffer(context, context.plain_end, n);
    context.plain_end += n;
}

uint8_t CheckPassword(TUnZipContext& context, const std::string& password, zip::TStream& stream) {
    uint8_t header[kEncryptionHeaderBytes] = {};
    // A short read leaves zeros in the missing bytes; the check byte then almost surely
    // fails, and so does the CRC check should it pass.
    stream.Read(header, kEncryptionHeaderBytes);
    uint64_t& compressed_size = context.CurrentEntry.CompressedSize;
    compressed_size = compressed_size > kEncryptionHeaderBytes ? compressed_size - kEncryptionHeaderBytes : 0;
    InitKeys(context, password);
    DecryptBuffer(context, header, kEncryptionHeaderBytes);
    return header[kEncryptionHeaderBytes - 1];
}

}  // namespace unzip
