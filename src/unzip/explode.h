#pragma once
// The parts of the explode decoder (method 6). The decoder itself, Explode, is declared with
// the other decoders in unzip_context.h.

#include <cstdint>

#include "unzip/huffman_table.h"
#include "unzip/unzip_context.h"

namespace unzip {

// Result of ReadTreeLengths.
constexpr int kTreeLengthsOk = 0;
constexpr int kTreeLengthsBad = 4;

// Entries whose compressed data (after the encryption header) exceeds this many bytes get an
// 8-bit first-level distance table instead of a 7-bit one.
constexpr int32_t kWideDistanceTableThreshold = 200000;

// Reads one tree description through ReadByte: a count byte B, then B + 1 bytes, each a
// repeat count (high nibble + 1) and a bit length (low nibble + 1) filling lengths[] from
// symbol 0 up. Returns kTreeLengthsOk when exactly symbol_count lengths were given, else
// kTreeLengthsBad (lengths then holds whatever was filled before the overrun).
int ReadTreeLengths(TUnZipContext& context, uint16_t* lengths, int symbol_count);

// What the decoding loops share: the context, the dictionary size (4096 or 8192), the
// decoder's own bit buffer, the window position and the count of bytes still due.
struct ExplodeState {
    TUnZipContext& context;
    int dictionary_size;
    uint32_t bits = 0;
    uint16_t count = 0;
    uint32_t position = 0;
    int64_t remaining = 0;
    bool fresh = true;  // the window has not been flushed yet in this entry
};

// The decoding loops, with and without the literal tree. Each produces bytes until
// state.remaining reaches 0 or below (a last match may overshoot it), then moves the window's
// last bytes to OutBuf with FlushWindow and returns 0. An invalid code stops the loop at once
// with result 1; the window's bytes since its last flush are then not moved to the output.
int ExplodeWithLiterals(ExplodeState& state, const HuffmanEntry* literal_table,
                        const HuffmanEntry* length_table, const HuffmanEntry* distance_table,
                        int literal_width, int length_width, int distance_width);
int ExplodeWithoutLiterals(ExplodeState& state, const HuffmanEntry* length_table,
                           const HuffmanEntry* distance_table, int length_width,
                           int distance_width);

}  // namespace unzip
