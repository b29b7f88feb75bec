// Building the lookup tables of a canonical prefix code.
//
// The codes are laid out in canonical order (by length, then by symbol) and walked from
// the shortest to the longest. The first-level table is indexed by `width` bits; a code
// longer than that continues in a sub-table reached through a link entry. A sub-table is
// made just wide enough for the codes that share its prefix, and never wider than the
// first level, so a long but rare code costs a second lookup instead of a huge table.
// Free bit patterns of an incomplete code are filled with invalid entries (Op 99), which
// the decoders reject, so no lookup ever lands on an entry that was not written.

#include "unzip/huffman_table.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/dialogs.h"
#include "platform/platform.h"

namespace unzip {
namespace {

// One open table while the codes are walked: where it starts in the block and which low
// code bits (the prefix) lead to it.
struct OpenTable {
    uint32_t start = 0;
    uint32_t prefix = 0;
    int index_bits = 0;
};

void ReportOutOfMemory() {
    platform::UserDialogs().ShowMessage("*** inflate out of memory ***", platform::MessageKind::Custom,
                                        platform::buttons::kOk, platform::DialogResult::Ok, "Error");
}

// Builds the tables into entries; see BuildHuffmanTable for the meaning of the arguments.
int BuildInto(const uint16_t* lengths, int n, int s, const uint16_t* bases, const uint16_t* extras,
              std::vector<HuffmanEntry>& entries, uint16_t& width) {
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

    // Over-subscription check; what is left over are the free patterns of the longest
    // length, which become filler codes without a symbol.
    int32_t free_patterns = 1 << shortest;
    for (int length = shortest; length < longest; ++length) {
        free_patterns -= count[length];
        if (free_patterns < 0) return kHuffmanOverSubscribed;
        free_patterns <<= 1;
    }
    free_patterns -= count[longest];
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

    // Links count from the first-level table, which starts one entry past the header slot.
    OpenTable open[kHuffmanMaxLength + 1];
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
                const uint32_t start = static_cast<uint32_t>(entries.size());
                entries.resize(entries.size() + size, HuffmanEntry{kOpInvalid, 0, 0});
                open[level] = {start, code & ((1u << covered) - 1u), index_bits};
                if (level > 0) {
                    const OpenTable& parent = open[level - 1];
                    const uint32_t slot = (code >> (covered - bits_per_level)) & ((1u << bits_per_level) - 1u);
                    entries[parent.start + slot] = HuffmanEntry{
                        static_cast<uint8_t>(kOpLinkBase + index_bits), static_cast<uint8_t>(bits_per_level), start - 1};
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
            const OpenTable& table = open[level];
            const uint32_t step = 1u << (length - covered);
            const uint32_t size = 1u << table.index_bits;
            for (uint32_t slot = code >> covered; slot < size; slot += step) entries[table.start + slot] = entry;

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

}  // namespace

int BuildHuffmanTable(const uint16_t* lengths, int n, int s, const uint16_t* bases,
                      const uint16_t* extras, HuffmanEntry*& table, uint16_t& width) {
    table = nullptr;
    if (n < 0 || n > kHuffmanMaxSymbols) return kHuffmanOverSubscribed;
    try {
        std::vector<HuffmanEntry> entries;
        entries.reserve(1024);
        entries.push_back(HuffmanEntry{});  // the block's header slot, in front of the first table
        const int result = BuildInto(lengths, n, s, bases, extras, entries, width);
        if (result == kHuffmanOverSubscribed || entries.size() == 1) return result;
        HuffmanEntry* block = new HuffmanEntry[entries.size()];
        std::memcpy(block, entries.data(), entries.size() * sizeof(HuffmanEntry));
        block[0].Value = static_cast<uint32_t>(entries.size());
        table = block + 1;
        return result;
    } catch (const std::bad_alloc&) {
        ReportOutOfMemory();
        return kHuffmanOutOfMemory;
    }
}

uint32_t HuffmanTableSize(const HuffmanEntry* table) {
    // The header slot in front of the first-level table holds the size of the whole block.
    return table == nullptr ? 0 : (table - 1)->Value - 1;
}

void FreeHuffmanTable(HuffmanEntry*& table) {
    if (table == nullptr) return;
    delete[] (table - 1);
    table = nullptr;
}

}  // namespace unzip
