#pragma once
// The packed lookup tables of inflate's fast way: one 32-bit entry per pattern of input
// bits, a first level as wide as the fast width and sub-tables behind it for longer codes.
// A dynamic block builds two of them before it decodes anything, so for a small entry their
// construction weighs as much as a good part of the decoding; BuildFastTable builds them
// directly. BuildFastTableByWalk builds the same tables with the generic table builder, the
// reference the direct build is checked against.

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "unzip/huffman_table.h"

namespace unzip {

// A fast-table entry packed into 32 bits:
//   bits 0-5    the input bits the entry accounts for in all: its code bits at this level and,
//               for a length or distance, the extra bits after them (bits 6-7 stay clear, so
//               the entry itself serves as a 64-bit shift count)
//   bits 8-12   the code bits at this level (a link: the width of its sub-table; a literal:
//               the width of the first level, where the next code is looked up, so that the
//               entry serves as the field of the next look-up's bits)
//   bits 13-14  the kind of an exceptional entry, bit 15 set for one
//   bits 16-30  the literal, base or sub-table start
//   bit 31      set for a literal
// A code of a table without simple symbols (a distance) keeps its base in bits 16-31, since
// Deflate64's last distance bases need 16 bits; nothing there is a literal.
// A code of a table built with a following width (a length, followed by a distance) keeps
// that width in bits 8-15 instead, as a literal keeps its own, its base (below 512) in bits
// 16-24 and its code bits at this level in bits 25-28.
constexpr uint32_t kFastLiteral = 1u << 31;
constexpr uint32_t kFastExceptional = 1u << 15;
constexpr uint32_t kFastEnd = kFastExceptional | (1u << 13);
constexpr uint32_t kFastLink = kFastExceptional | (2u << 13);
constexpr uint32_t kFastInvalid = kFastExceptional | (3u << 13);
constexpr uint32_t kFastKindMask = kFastExceptional | (3u << 13);
constexpr uint32_t kFastMaxValue = 0x7FFF;
inline uint32_t FastBits(uint32_t entry) { return entry & 63u; }
inline uint32_t FastCodeBits(uint32_t entry) { return (entry >> 8) & 31u; }
inline uint32_t FastValue(uint32_t entry) { return (entry >> 16) & kFastMaxValue; }
inline uint32_t FastFollowedBase(uint32_t entry) { return (entry >> 16) & 0x1FFu; }
inline uint32_t FastFollowedCodeBits(uint32_t entry) { return entry >> 25; }

// Storage whose growth leaves the new entries unwritten: the builder writes every entry of
// the tables itself, and a table kept between blocks keeps its capacity.
template <typename T>
struct UnclearedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UnclearedAllocator<U>;
    };
    UnclearedAllocator() = default;
    template <typename U>
    UnclearedAllocator(const UnclearedAllocator<U>&) noexcept {}
    template <typename U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Arguments>
    void construct(U* place, Arguments&&... arguments) {
        ::new (static_cast<void*>(place)) U(static_cast<Arguments&&>(arguments)...);
    }
};

using FastTable = std::vector<uint32_t, UnclearedAllocator<uint32_t>>;

// How many codes a code has of each length. The patterns an incomplete code leaves free
// count as codes of its longest length without a symbol, so the counts are always those of
// a complete code. All zero for an empty code.
struct CodeShape {
    uint16_t shortest = 0;
    uint16_t longest = 0;
    uint32_t count[kHuffmanMaxLength + 1] = {};
};

// Builds the fast table of the canonical code given by lengths[0..n) (as BuildHuffmanTable:
// 0 = unused, at most 16; symbols below s simple, v >= s taking extras[v - s] and
// bases[v - s]) with a first level of width bits and fills shape. A following width other
// than 0 is that of the table a code of this one is followed by, packed into its entries. Returns
// BuildHuffmanTable's result. table is left empty for an empty or over-subscribed code, and
// for a code the fast way cannot take (a first level that would be wider than width, or
// more entries than a link can reach); otherwise its first level has exactly 1 << width
// entries, a narrower code repeated over it, and its sub-tables follow. Throws
// std::bad_alloc when table cannot grow.
int BuildFastTable(const uint16_t* lengths, int n, int s, const uint16_t* bases, const uint16_t* extras,
                   uint16_t width, uint16_t following_width, FastTable& table, CodeShape& shape);

// The same table through the generic table builder, entry for entry.
int BuildFastTableByWalk(const uint16_t* lengths, int n, int s, const uint16_t* bases, const uint16_t* extras,
                         uint16_t width, uint16_t following_width, FastTable& table);

// The table builder's sub-tables of the code that shape describes behind a first level of
// first_bits bits (shape.shortest <= first_bits <= shape.longest): sets widths[pattern] to the
// index width of the sub-table that the first-level pattern links to, and leaves the other
// widths[0 .. 1 << first_bits) alone. False, with nothing set, when sub-tables would have
// sub-tables of their own (a longest length above twice first_bits).
bool FindSubTableWidths(const CodeShape& shape, int first_bits, uint8_t* widths);

}  // namespace unzip
