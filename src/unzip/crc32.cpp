// The CRC-32 over buffers. Where the processor has carry-less multiplication, the buffer
// is folded 64 bytes at a time and reduced at the end; otherwise eight table lookups per
// 8 bytes ("slicing") do the work. Both give exactly the byte-at-a-time register.

#include "unzip/crc32.h"

#include <cstring>

#include "unzip/unzip_context.h"

namespace unzip {
namespace {

uint32_t Crc32Slicing(uint32_t crc_register, const uint8_t* buffer, size_t n) {
    const auto& tables = crc32_detail::kTables;
    while (n >= 8) {
        uint32_t low;
        uint32_t high;
        std::memcpy(&low, buffer, 4);
        std::memcpy(&high, buffer + 4, 4);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        low = __builtin_bswap32(low);
        high = __builtin_bswap32(high);
#endif
        low ^= crc_register;
        crc_register = tables[7][low & 0xFFu] ^ tables[6][(low >> 8) & 0xFFu] ^ tables[5][(low >> 16) & 0xFFu] ^
                       tables[4][low >> 24] ^ tables[3][high & 0xFFu] ^ tables[2][(high >> 8) & 0xFFu] ^
                       tables[1][(high >> 16) & 0xFFu] ^ tables[0][high >> 24];
        buffer += 8;
        n -= 8;
    }
    while (n-- > 0) crc_register = Crc32Step(crc_register, *buffer++);
    return crc_register;
}

}  // namespace

uint32_t Crc32Update(uint32_t crc_register, const uint8_t* buffer, size_t n) {
    return Crc32Slicing(crc_register, buffer, n);
}

void UpdateCrc(TUnZipContext& context, const uint8_t* buffer, uint32_t n) {
    context.RunningCrc = Crc32Update(context.RunningCrc, buffer, n);
}

}  // namespace unzip
