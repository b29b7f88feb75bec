// The construction of inflate's packed fast tables.
//
// The direct build writes the first level by doubling: the codes of the shortest length go
// into a table of 1 << shortest entries, which is then copied onto its own upper half, so
// every code written so far appears under both values of the next bit; the codes of the
// next length go into the doubled table, and so on up to the first-level width (and on up
// to the fast width for a code narrower than that). A slot that a longer code will own may
// hold a copy of anything until that code or its link overwrites it. Codes longer than the
// first level go to sub-tables exactly as the generic builder lays them out, so both builds
// agree entry for entry.

#include "unzip/fast_table.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "unzip/huffman_build.h"
#include "unzip/huffman_table.h"

namespace unzip {
namespace {

uint32_t Pack(const HuffmanEntry& entry, uint32_t width, uint32_t following_width) {
    if (entry.Op == kOpLiteral) return kFastLiteral | (entry.Value << 16) | (width << 8) | entry.Bits;
    if (entry.Op <= kOpMaxExtraBits) {  // a length or distance, Op extra bits after its code
        const uint32_t total = entry.Bits + entry.Op;
        if (following_width != 0)
            return (entry.Value << 16) | (uint32_t{entry.Bits} << 25) | (following_width << 8) | total;
        return (entry.Value << 16) | (entry.Bits << 8) | total;
    }
    if (entry.Op == kOpEndOfBlock) return kFastEnd | entry.Bits;
    if (entry.Op > kOpLinkBase && entry.Op <= kOpLinkBase + kHuffmanMaxLength)
        return kFastLink | (entry.Value << 16) | ((entry.Op - kOpLinkBase) << 8) | entry.Bits;
    return kFastInvalid | entry.Bits;
}

// The tables as the generic builder fills them.
class PackedTables {
public:
    PackedTables(FastTable& storage, uint32_t width, uint32_t following_width)
        : storage_(storage), width_(width), following_width_(following_width) {
        storage_.clear();
    }
    uint32_t Open(uint32_t size) {
        const auto start = static_cast<uint32_t>(storage_.size());
        storage_.resize(storage_.size() + size);
        return start;
    }
    void Set(uint32_t index, const HuffmanEntry& entry) { storage_[index] = Pack(entry, width_, following_width_); }
    void Fill(uint32_t start, uint32_t first, uint32_t step, uint32_t size, const HuffmanEntry& entry) {
        const uint32_t packed = Pack(entry, width_, following_width_);
        uint32_t* const table = storage_.data() + start;
        for (uint32_t slot = first; slot < size; slot += step) table[slot] = packed;
    }

private:
    FastTable& storage_;
    uint32_t width_;
    uint32_t following_width_;
};

// The low length bits of code in reverse order (length up to 16): a table indexed by bits as
// they arrive holds a code at its bit-reversed value.
constexpr std::array<uint8_t, 256> kReversedBytes = [] {
    std::array<uint8_t, 256> reversed{};
    for (int byte = 0; byte < 256; ++byte)
        for (int bit = 0; bit < 8; ++bit) reversed[byte] |= static_cast<uint8_t>(((byte >> bit) & 1) << (7 - bit));
    return reversed;
}();
inline uint32_t Reversed(uint32_t code, int length) {
    const uint32_t reversed = (uint32_t{kReversedBytes[code & 0xFFu]} << 8) | kReversedBytes[(code >> 8) & 0xFFu];
    return reversed >> (16 - length);
}

// Copies the filled part of the first level onto the part after it until filled reaches size.
inline void Double(uint32_t* entries, uint32_t& filled, uint32_t size) {
    for (; filled < size; filled <<= 1) std::memcpy(entries + filled, entries, filled * sizeof(uint32_t));
}

// Walks the codes longer than first_bits in canonical order, as the generic builder lays
// them out behind a first level of first_bits bits: open(pattern, index_bits) when a code
// needs a new sub-table (the first-level pattern it continues, the sub-table's index
// width), then place(length, code) for the code (bit-reversed). A sub-table is widened while
// the longer codes under its pattern still leave room. No sub-table may need sub-tables of
// its own (longest - first_bits <= first_bits).
template <typename Open, typename Place>
void WalkSubTables(const CodeShape& shape, int first_bits, Open open, Place place) {
    // The first code longer than first_bits, from the canonical counting.
    uint32_t canonical = 0;
    for (int length = shape.shortest; length <= first_bits; ++length) canonical = (canonical + shape.count[length]) << 1;

    const uint32_t prefix_mask = (1u << first_bits) - 1u;
    const int limit = shape.longest - first_bits;
    uint32_t open_prefix = ~0u;
    for (int length = first_bits + 1; length <= shape.longest; ++length) {
        for (uint32_t remaining = shape.count[length]; remaining > 0; --remaining, ++canonical) {
            const uint32_t code = Reversed(canonical, length);
            if ((code & prefix_mask) != open_prefix) {
                int index_bits = length - first_bits;
                uint32_t spare = 1u << index_bits;
                if (index_bits < limit && spare > remaining) {
                    spare -= remaining;
                    int longer = length;
                    while (++index_bits < limit) {
                        spare <<= 1;
                        ++longer;
                        if (spare <= shape.count[longer]) break;
                        spare -= shape.count[longer];
                    }
                }
                open_prefix = code & prefix_mask;
                open(open_prefix, index_bits);
            }
            place(length, code);
        }
        canonical <<= 1;
    }
}

}  // namespace

int BuildFastTable(const uint16_t* lengths, int n, int s, const uint16_t* bases, const uint16_t* extras,
                   uint16_t width, uint16_t following_width, FastTable& table, CodeShape& shape) {
    table.clear();
    shape = {};
    if (n < 0 || n > kHuffmanMaxSymbols) return kHuffmanOverSubscribed;
    int count[kHuffmanMaxLength + 1] = {};
    for (int symbol = 0; symbol < n; ++symbol) {
        if (lengths[symbol] > kHuffmanMaxLength) return kHuffmanOverSubscribed;
        ++count[lengths[symbol]];
    }
    if (count[0] == n) return kHuffmanOk;
    int shortest = 1;
    while (count[shortest] == 0) ++shortest;
    int longest = kHuffmanMaxLength;
    while (count[longest] == 0) --longest;

    // The patterns left over at the longest length become codes without a symbol.
    const int32_t free_patterns = huffman_build_detail::FreePatterns(count, shortest, longest);
    if (free_patterns < 0) return kHuffmanOverSubscribed;
    shape.shortest = static_cast<uint16_t>(shortest);
    shape.longest = static_cast<uint16_t>(longest);
    for (int length = shortest; length <= longest; ++length) shape.count[length] = static_cast<uint32_t>(count[length]);
    shape.count[longest] += static_cast<uint32_t>(free_patterns);
    const int result = (free_patterns != 0 && longest != 1) ? kHuffmanIncomplete : kHuffmanOk;
    // Only an incomplete code of long lengths needs a first level wider than the fast width.
    const int first_bits = std::clamp<int>(width, shortest, longest);
    if (first_bits > width) return result;
    // Sub-tables behind sub-tables (a width below half the longest length) are left to the
    // generic builder.
    if (longest - first_bits > first_bits) return BuildFastTableByWalk(lengths, n, s, bases, extras, width, following_width, table);

    // The entries of the symbols in canonical order, packed for the level their codes end
    // at; the unused symbols gather after them.
    int offsets[kHuffmanMaxLength + 1];
    offsets[1] = 0;
    for (int length = 1; length < kHuffmanMaxLength; ++length) offsets[length + 1] = offsets[length] + count[length];
    offsets[0] = offsets[kHuffmanMaxLength] + count[kHuffmanMaxLength];
    uint8_t level_bits[kHuffmanMaxLength + 1];  // the bits a code of each length takes at its level
    for (int length = 0; length <= kHuffmanMaxLength; ++length)
        level_bits[length] = static_cast<uint8_t>(length > first_bits ? length - first_bits : length);
    uint32_t sorted[kHuffmanMaxSymbols];
    const auto sort = [&](int symbol, uint8_t op, uint32_t value) {
        const int length = lengths[symbol];
        sorted[offsets[length]++] = Pack(HuffmanEntry{op, level_bits[length], value}, width, following_width);
    };
    const int simple_end = std::min(s, n);
    const int literal_end = std::min(simple_end, 256);
    for (int symbol = 0; symbol < literal_end; ++symbol) sort(symbol, kOpLiteral, static_cast<uint32_t>(symbol));
    for (int symbol = literal_end; symbol < simple_end; ++symbol) sort(symbol, kOpEndOfBlock, static_cast<uint32_t>(symbol));
    for (int symbol = std::max(s, 0); symbol < n; ++symbol)
        sort(symbol, static_cast<uint8_t>(extras[symbol - s]), bases[symbol - s]);
    const int symbol_count = n - count[0];

    // The first level, doubled from the shortest length up.
    const uint32_t first_size = 1u << width;
    // Room for the sub-tables of any usual code, so that they need no move of the first level.
    table.reserve(2 * first_size);
    table.resize(first_size);
    uint32_t* entries = table.data();
    uint32_t canonical = 0;
    int next = 0;
    uint32_t filled = 1u << shortest;
    for (int length = shortest;; ++length) {
        for (int remaining = count[length]; remaining > 0; --remaining) entries[Reversed(canonical++, length)] = sorted[next++];
        if (length == longest)
            for (int32_t remaining = free_patterns; remaining > 0; --remaining)
                entries[Reversed(canonical++, length)] = kFastInvalid | static_cast<uint32_t>(length);
        if (length == first_bits) break;
        Double(entries, filled, filled << 1);
        canonical <<= 1;
    }
    Double(entries, filled, first_size);

    // Sub-tables for the longer codes, one for each first-level pattern they share.
    uint32_t start = 0;
    uint32_t size = 0;
    WalkSubTables(
        shape, first_bits,
        [&](uint32_t pattern, int index_bits) {
            size = 1u << index_bits;
            start = static_cast<uint32_t>(table.size());
            table.resize(start + size);
            entries = table.data();
            entries[pattern] =
                kFastLink | (start << 16) | (static_cast<uint32_t>(index_bits) << 8) | static_cast<uint32_t>(first_bits);
        },
        [&](int length, uint32_t code) {
            const uint32_t code_bits = static_cast<uint32_t>(length - first_bits);
            const uint32_t entry = next < symbol_count ? sorted[next++] : kFastInvalid | code_bits;
            for (uint32_t slot = code >> first_bits; slot < size; slot += 1u << code_bits) entries[start + slot] = entry;
        });
    // Links must fit the packed form.
    if (table.size() > kFastMaxValue) table.clear();
    return result;
}

bool FindSubTableWidths(const CodeShape& shape, int first_bits, uint8_t* widths) {
    if (shape.longest - first_bits > first_bits) return false;
    WalkSubTables(
        shape, first_bits, [&](uint32_t pattern, int index_bits) { widths[pattern] = static_cast<uint8_t>(index_bits); },
        [](int, uint32_t) {});
    return true;
}

int BuildFastTableByWalk(const uint16_t* lengths, int n, int s, const uint16_t* bases, const uint16_t* extras,
                         uint16_t width, uint16_t following_width, FastTable& table) {
    PackedTables packed(table, width, following_width);
    if (n < 0 || n > kHuffmanMaxSymbols) return kHuffmanOverSubscribed;
    uint16_t built_width = width;
    const int result = BuildHuffmanCode(lengths, n, s, bases, extras, packed, built_width);
    if (result != kHuffmanOk && result != kHuffmanIncomplete) {
        table.clear();
        return result;
    }
    // Links must fit the packed form, and the first level the fast width (only an
    // incomplete code of long lengths is wider).
    if (table.size() > kFastMaxValue || built_width > width) table.clear();
    // A code whose longest length is below the fast width got a narrower table (and no
    // sub-tables); repeated up to the full width, every table is indexed by a constant.
    if (!table.empty() && built_width < width) {
        const size_t narrow = table.size();
        table.resize(size_t{1} << width);
        for (size_t index = narrow; index < table.size(); ++index) table[index] = table[index & (narrow - 1)];
    }
    return result;
}

}  // namespace unzip
