// The CRC-32 over buffers. Where the processor has carry-less multiplication, the buffer
// is folded 64 bytes at a time and reduced at the end (256 bytes at a time first, in four
// 512-bit registers, where it multiplies those too); otherwise eight table lookups per 8 bytes
// ("slicing") do the work. All give exactly the byte-at-a-time register.

#include "unzip/crc32.h"

#include <cstring>

#include "unzip/unzip_context.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

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

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VI_CRC32_FOLDING 1

// Folding: the buffer is a polynomial over GF(2), and multiplying a 128-bit lane by x^k mod P
// (a carry-less multiplication by a constant) moves it k bits further along without changing
// the remainder. Four lanes are folded forward 512 bits at a time, then into one lane, which
// is reduced to 64 and 32 bits and finally to the CRC by Barrett reduction. The constants are
// powers of x modulo the bit-reflected polynomial, as the reflected register needs them.
__attribute__((target("pclmul,sse4.1"))) inline __m128i Load(const uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// The lane moved forward by the distance the constants stand for, plus the next lane.
__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i lane, __m128i constants, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(lane, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// The wide way: the same folding on four 512-bit registers, four lanes each, 256 bytes a
// step (the constants move a lane 2048 bits on), then the registers folded into one 512 bits
// apart, whose four lanes are the state the 64-byte steps go on from. Returns where those
// steps go on; n is lowered by what was folded.
constexpr size_t kWideFoldMinimum = 512;

bool HasWideFolding() {
    static const bool supported = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("vpclmulqdq");
    return supported;
}

__attribute__((target("avx512f,vpclmulqdq,pclmul,sse4.1"))) inline __m512i LoadWide(const uint8_t* at) {
    return _mm512_loadu_si512(at);
}

__attribute__((target("avx512f,vpclmulqdq,pclmul,sse4.1"))) inline __m512i FoldWideLane(__m512i lane, __m512i constants,
                                                                                      __m512i next) {
    const __m512i low = _mm512_clmulepi64_epi128(lane, constants, 0x00);
    const __m512i high = _mm512_clmulepi64_epi128(lane, constants, 0x11);
    return _mm512_ternarylogic_epi64(low, high, next, 0x96);  // low ^ high ^ next
}

__attribute__((target("avx512f,vpclmulqdq,pclmul,sse4.1"))) const uint8_t* FoldWide(
    uint32_t crc_register, const uint8_t* buffer, size_t& n, __m128i& lane0, __m128i& lane1, __m128i& lane2,
    __m128i& lane3) {
    const __m512i fold_by_sixteen = _mm512_set_epi64(0x1322d1430LL, 0x11542778aLL, 0x1322d1430LL, 0x11542778aLL,
                                                     0x1322d1430LL, 0x11542778aLL, 0x1322d1430LL, 0x11542778aLL);
    const __m512i fold_by_four = _mm512_set_epi64(0x1c6e41596LL, 0x154442bd4LL, 0x1c6e41596LL, 0x154442bd4LL,
                                                  0x1c6e41596LL, 0x154442bd4LL, 0x1c6e41596LL, 0x154442bd4LL);
    const __m128i initial = _mm_cvtsi32_si128(static_cast<int>(crc_register));
    __m512i wide0 = _mm512_xor_si512(LoadWide(buffer), _mm512_zextsi128_si512(initial));
    __m512i wide1 = LoadWide(buffer + 64);
    __m512i wide2 = LoadWide(buffer + 128);
    __m512i wide3 = LoadWide(buffer + 192);
    buffer += 256;
    n -= 256;
    while (n >= 256) {
        wide0 = FoldWideLane(wide0, fold_by_sixteen, LoadWide(buffer));
        wide1 = FoldWideLane(wide1, fold_by_sixteen, LoadWide(buffer + 64));
        wide2 = FoldWideLane(wide2, fold_by_sixteen, LoadWide(buffer + 128));
        wide3 = FoldWideLane(wide3, fold_by_sixteen, LoadWide(buffer + 192));
        buffer += 256;
        n -= 256;
    }
    __m512i wide = FoldWideLane(wide0, fold_by_four, wide1);
    wide = FoldWideLane(wide, fold_by_four, wide2);
    wide = FoldWideLane(wide, fold_by_four, wide3);
    alignas(64) __m128i lanes[4];
    _mm512_store_si512(lanes, wide);
    lane0 = lanes[0];
    lane1 = lanes[1];
    lane2 = lanes[2];
    lane3 = lanes[3];
    return buffer;
}

__attribute__((target("pclmul,sse4.1"))) uint32_t Crc32Folding(uint32_t crc_register, const uint8_t* buffer,
                                                                size_t n) {
    const __m128i fold_by_four = _mm_set_epi64x(0x1c6e41596LL, 0x154442bd4LL);
    const __m128i fold_by_one = _mm_set_epi64x(0x0ccaa009eLL, 0x1751997d0LL);
    const __m128i fold_to_32 = _mm_set_epi64x(0, 0x163cd6124LL);
    const __m128i polynomial_and_mu = _mm_set_epi64x(0x1f7011641LL, 0x1db710641LL);
    const __m128i low_32 = _mm_set_epi32(0, 0, 0, -1);

    __m128i lane0, lane1, lane2, lane3;
    if (n >= kWideFoldMinimum && HasWideFolding()) {
        buffer = FoldWide(crc_register, buffer, n, lane0, lane1, lane2, lane3);
    } else {
        lane0 = _mm_xor_si128(Load(buffer), _mm_cvtsi32_si128(static_cast<int>(crc_register)));
        lane1 = Load(buffer + 16);
        lane2 = Load(buffer + 32);
        lane3 = Load(buffer + 48);
        buffer += 64;
        n -= 64;
    }
    while (n >= 64) {
        lane0 = Fold(lane0, fold_by_four, Load(buffer));
        lane1 = Fold(lane1, fold_by_four, Load(buffer + 16));
        lane2 = Fold(lane2, fold_by_four, Load(buffer + 32));
        lane3 = Fold(lane3, fold_by_four, Load(buffer + 48));
        buffer += 64;
        n -= 64;
    }
    __m128i lane = Fold(lane0, fold_by_one, lane1);
    lane = Fold(lane, fold_by_one, lane2);
    lane = Fold(lane, fold_by_one, lane3);
    while (n >= 16) {
        lane = Fold(lane, fold_by_one, Load(buffer));
        buffer += 16;
        n -= 16;
    }
    // 128 bits to 64, 64 to 32, then Barrett reduction to the 32-bit remainder.
    lane = _mm_xor_si128(_mm_clmulepi64_si128(lane, fold_by_one, 0x10), _mm_srli_si128(lane, 8));
    lane = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(lane, low_32), fold_to_32, 0x00), _mm_srli_si128(lane, 4));
    __m128i quotient = _mm_clmulepi64_si128(_mm_and_si128(lane, low_32), polynomial_and_mu, 0x10);
    quotient = _mm_clmulepi64_si128(_mm_and_si128(quotient, low_32), polynomial_and_mu, 0x00);
    crc_register = static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(lane, quotient), 1));
    return Crc32Slicing(crc_register, buffer, n);
}

bool HasFolding() {
    static const bool supported = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return supported;
}
#endif

}  // namespace

uint32_t Crc32Update(uint32_t crc_register, const uint8_t* buffer, size_t n) {
#ifdef VI_CRC32_FOLDING
    if (n >= 64 && HasFolding()) return Crc32Folding(crc_register, buffer, n);
#endif
    return Crc32Slicing(crc_register, buffer, n);
}

void UpdateCrc(TUnZipContext& context, const uint8_t* buffer, uint32_t n) {
    context.RunningCrc = Crc32Update(context.RunningCrc, buffer, n);
}

}  // namespace unzip
