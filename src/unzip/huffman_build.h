#pragma once
// The construction of canonical-code lookup tables, written once for every table layout:
// BuildHuffmanTable stores HuffmanEntry records, inflate its own packed entries.
//
// The codes are laid out in canonical order (by length, then by symbol) and walked from
// the shortest to the longest. The first-level table is indexed by `width` bits; a code
// longer than that continues in a sub-table reached through a link entry. A sub-table is
// made just wide enough for the codes that share its prefix, and never wider than the
// first level, so a long but rare code costs a second lookup instead of a huge table.
// Free bit patterns of an incomplete code are filled with invalid entries (Op 99), which
// the decoders reject, so no lookup ever lands on an entry that was not written.

#include <cstdint>

#include "unzip/huffman_table.h"

namespace unzip {

namespace huffman_build_detail {
// One open table while the codes are walked: where it starts in the block and which low
// code bits (the prefix) lead to it.
struct OpenTable {
    uint32_t start = 0;
    uint32_t prefix = 0;
    int index_bits = 0;
};

// The bit patterns a code with count[length] codes of each length leaves free at its longest
// length; -1 when the lengths ask for more patterns than there are (over-subscribed).
inline int32_t FreePatterns(const int* count, int shortest, int longest) {
    int32_t free_patterns = 1 << shortest;
    for (int length = shortest; length < longest; ++length) {
        free_patterns -= count[length];
        if (free_patterns < 0) return -1;
        free_patterns <<= 1;
    }
    free_patterns -= count[longest];
    return free_patterns < 0 ? -1 : free_patterns;
}

}  // namespace huffman_build_detail

// Builds the tables of a canonical code into tables, which offers
//   uint32_t Open(uint32_t size): room for a table of size entries, returns its start;
//   void Set(uint32_t index, const HuffmanEntry& entry);
//   void Fill(uint32_t start, uint32_t first, uint32_t step, uint32_t size, const HuffmanEntry& entry):
//       Set every start + slot for slot = first, first + step, ... below size.
// Every slot of every table opened is set exactly once or more, so Open need not clear.
// Arguments and results as BuildHuffmanTable; nothing is opened for an empty or
// over-subscribed code.
template <typename Tables>
inline int BuildHuffmanCode(const uint16_t* lengths, int n, int s, const uint16_t* bases, const uint16_t* extras,
                     Tables& tables, uint16_t& width) {
    int count[kHuffmanMaxLength + 1] = {};
    for (int symbol = 0; symbol < n; ++symbol) {
        if (lengths[symbol] > kHuffmanMaxLength) return kHuffmanOverSubscribed;
        ++count[lengths[symbol]];
    }
    if (count[0] == n) {
        width = 0;
        return kHuffmanOk;
    }
    int shortest = 1;
    while (count[shortest] == 0) ++shortest;
    int longest = kHuffmanMaxLength;
    while (count[longest] == 0) --longest;
    int bits_per_level = width;
    if (bits_per_level < shortest) bits_per_level = shortest;
    if (bits_per_level > longest) bits_per_level = longest;

    // What is left over are the free patterns of the longest length, which become filler
    // codes without a symbol.
    const int32_t free_patterns = huffman_build_detail::FreePatterns(count, shortest, longest);
    if (free_patterns < 0) return kHuffmanOverSubscribed;
    count[longest] += free_patterns;

    // Symbols in canonical order.
    int offsets[kHuffmanMaxLength + 2] = {};
    for (int length = 1; length <= kHuffmanMaxLength; ++length)
        offsets[length + 1] = offsets[length] + (length == longest ? count[length] - free_patterns : count[length]);
    uint16_t sorted[kHuffmanMaxSymbols];
    for (int symbol = 0; symbol < n; ++symbol)
        if (lengths[symbol] != 0) sorted[offsets[lengths[symbol]]++] = static_cast<uint16_t>(symbol);
    const int symbol_count = n - (count[0]);

    huffman_build_detail::OpenTable open[kHuffmanMaxLength + 1];
    int level = -1;                  // innermost open table
    int covered = -bits_per_level;   // code bits resolved by the tables above the innermost
    uint32_t code = 0;               // running code, bit-reversed (first bit in bit 0)
    int next_symbol = 0;

    for (int length = shortest; length <= longest; ++length) {
        int remaining = count[length];
        while (remaining > 0) {
            // Open the tables this code needs.
            while (length > covered + bits_per_level) {
                ++level;
                covered += bits_per_level;
                int limit = longest - covered;
                if (limit > bits_per_level) limit = bits_per_level;
                // A table that more levels follow must be exactly bits_per_level wide.
                int index_bits = length - covered;
                if (index_bits > limit) index_bits = limit;
                uint32_t spare = 1u << index_bits;
                if (index_bits < limit && spare > static_cast<uint32_t>(remaining)) {
                    // Widen while the longer codes under this prefix still leave room.
                    spare -= remaining;
                    int longer = length;
                    while (++index_bits < limit) {
                        spare <<= 1;
                        ++longer;
                        if (spare <= static_cast<uint32_t>(count[longer])) break;
                        spare -= count[longer];
                    }
                }
                const uint32_t size = 1u << index_bits;
                const uint32_t start = tables.Open(size);
                open[level] = {start, code & ((1u << covered) - 1u), index_bits};
                if (level > 0) {
                    const huffman_build_detail::OpenTable& parent = open[level - 1];
                    const uint32_t slot = (code >> (covered - bits_per_level)) & ((1u << bits_per_level) - 1u);
                    tables.Set(parent.start + slot, HuffmanEntry{static_cast<uint8_t>(kOpLinkBase + index_bits),
                                                                 static_cast<uint8_t>(bits_per_level), start});
                }
            }

            // The entry of this code, repeated over every slot whose low bits equal it.
            HuffmanEntry entry{kOpInvalid, static_cast<uint8_t>(length - covered), 0};
            if (next_symbol < symbol_count) {
                const int symbol = sorted[next_symbol++];
                if (symbol < s) {
                    entry.Op = symbol < 256 ? kOpLiteral : kOpEndOfBlock;
                    entry.Value = static_cast<uint32_t>(symbol);
                } else {
                    entry.Op = static_cast<uint8_t>(extras[symbol - s]);
                    entry.Value = bases[symbol - s];
                }
            }
            const huffman_build_detail::OpenTable& table = open[level];
            const uint32_t step = 1u << (length - covered);
            const uint32_t size = 1u << table.index_bits;
            tables.Fill(table.start, code >> covered, step, size, entry);

            // Next code in bit-reversed counting: the carry runs from the top bit down.
            uint32_t carry = 1u << (length - 1);
            while (code & carry) {
                code ^= carry;
                carry >>= 1;
            }
            code ^= carry;
            --remaining;

            // Close the tables whose prefix the new code no longer shares.
            while (level > 0 && (code & ((1u << covered) - 1u)) != open[level].prefix) {
                --level;
                covered -= bits_per_level;
            }
        }
    }

    width = static_cast<uint16_t>(bits_per_level);
    return (free_patterns != 0 && longest != 1) ? kHuffmanIncomplete : kHuffmanOk;
}

}  // namespace unzip
