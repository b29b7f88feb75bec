#pragma once
// The deflate decoder (compression method 8) and its Deflate64 variant (method 9). Inflate
// and Inflate64 are declared with the other decoders in unzip_context.h; this header holds
// what the formats fix and what the block routines return, for the tests and for explode,
// which shares the table builder.

#include <cstdint>

namespace unzip {

// Results of the block routines. A nonzero result ends Inflate at once, without moving the
// bytes still in the window to the output and without the final flush.
constexpr int kInflateOk = 0;
constexpr int kInflateMalformed = 1;     // also an incomplete code
constexpr int kInflateBadBlockType = 2;  // block type 3; also over-subscribed code lengths
constexpr int kInflateOutOfMemory = 3;

// The symbol lists of the deflate format: bases and extra bits of the length symbols 257 to
// 287 (286 and 287 carry the invalid marker 99) and of the distance symbols 0 to 29, and the
// order in which a dynamic block sends the lengths of the code-length code.
extern const uint16_t kLengthBases[31];
extern const uint16_t kLengthExtraBits[31];
extern const uint16_t kDistanceBases[30];
extern const uint16_t kDistanceExtraBits[30];
extern const uint8_t kCodeLengthOrder[19];

// Deflate64 keeps deflate's symbols but one: length symbol 285 is a length of 3 plus the 16
// bits that follow its code. A table entry holds at most 14 extra bits, so the lists give
// it the base kLongLengthBase and no extra bits, and the decoder reads the 16 bits itself.
// Distance symbols 30 and 31 are used, with bases 32769 and 49153 and 14 extra bits.
constexpr uint16_t kLongLengthBase = 0;
constexpr uint32_t kLongLengthExtraBits = 16;
extern const uint16_t kDeflate64LengthBases[31];
extern const uint16_t kDeflate64LengthExtraBits[31];
extern const uint16_t kDeflate64DistanceBases[32];
extern const uint16_t kDeflate64DistanceExtraBits[32];

}  // namespace unzip
