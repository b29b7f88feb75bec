#pragma once
// The tables of the shrink decoder (method 1) and its partial clear. The decoder itself,
// UnShrink, is declared with the other decoders in unzip_context.h.

#include <cstdint>
#include <cstring>

#include "unzip/unzip_context.h"

namespace unzip {

// Codes run from 0 to 8191; entry 8192 of each table exists so that "no free code left" can
// be held as an index like any other.
constexpr int kShrinkCodeLimit = 8192;
constexpr int kShrinkFirstStringCode = 257;
constexpr int kShrinkControlCode = 256;
constexpr int kShrinkInitialCodeSize = 9;
constexpr int kShrinkMaximumCodeSize = 13;
constexpr int16_t kShrinkFreeCode = -1;

// Layout in Window: 8193 signed 16-bit prefixes, 8193 suffix bytes, then the 8192-byte
// stack on which a code's string is built from its end towards its start.
constexpr int kShrinkPrefixOffset = 0;
constexpr int kShrinkSuffixOffset = kShrinkPrefixOffset + 2 * (kShrinkCodeLimit + 1);
constexpr int kShrinkStackOffset = kShrinkSuffixOffset + (kShrinkCodeLimit + 1);
constexpr int kShrinkStackBytes = 8192;
static_assert(kShrinkStackOffset + kShrinkStackBytes <= kWindowBytes,
              "the shrink tables must fit the decoding window");

// A view of the shrink tables inside a context's Window. It owns nothing; prefixes are
// stored through memcpy because Window is a byte array.
class ShrinkTables {
public:
    explicit ShrinkTables(uint8_t* window) : window_(window) {}

    int16_t Prefix(int code) const {
        int16_t prefix;
        std::memcpy(&prefix, window_ + kShrinkPrefixOffset + 2 * code, sizeof prefix);
        return prefix;
    }
    void SetPrefix(int code, int16_t prefix) {
        std::memcpy(window_ + kShrinkPrefixOffset + 2 * code, &prefix, sizeof prefix);
    }
    bool IsFree(int code) const { return Prefix(code) == kShrinkFreeCode; }
    uint8_t Suffix(int code) const { return window_[kShrinkSuffixOffset + code]; }
    void SetSuffix(int code, uint8_t suffix) { window_[kShrinkSuffixOffset + code] = suffix; }
    uint8_t* Stack() { return window_ + kShrinkStackOffset; }

private:
    uint8_t* window_;
};

// The string codes in use (257 to 8191), in no particular order, so that a partial clear
// visits those codes only rather than the whole code range: a stream of clears then costs
// what its strings cost. One set lives beside the tables for one entry.
struct ShrinkCodesInUse {
    uint16_t codes[kShrinkCodeLimit];
    int count = 0;
    // During a clear, marks[code] == mark tells that code is the prefix of a code in use.
    uint16_t marks[kShrinkCodeLimit] = {};
    uint16_t mark = 0;
};

// Sets the tables to their state at the start of an entry: every literal code is its own
// byte with prefix 0, and codes 256 to 8192 are free. Empties in_use.
void ResetShrinkTables(TUnZipContext& context, ShrinkCodesInUse& in_use);

// Makes the free string code the string of prefix followed by suffix, and records it in use.
void DefineShrinkCode(TUnZipContext& context, ShrinkCodesInUse& in_use, int code, int prefix, uint8_t suffix);

// Frees every string code in use that is not the prefix of another code in use, and returns
// the lowest free code from 257 upward (8192 when none is free); first_free is the lowest
// free code before the clear.
int PartialClear(TUnZipContext& context, ShrinkCodesInUse& in_use, int first_free);

}  // namespace unzip
