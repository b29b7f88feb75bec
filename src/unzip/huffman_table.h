#pragma once
// Lookup tables for canonical prefix codes, shared by inflate and explode.
//
// A table is indexed by the next k input bits in the order they arrive (least significant
// bit first), so every code is entered bit-reversed, and a code shorter than k fills every
// entry whose low bits equal it. Codes longer than the first-level width continue in
// sub-tables: the first-level entry is then a link that says how many further bits index
// the sub-table. All tables of one build live in one block, so a link is simply the index
// of its sub-table's first entry counted from the first-level table.

#include <cstdint>
#include <vector>

namespace unzip {

// What an entry means is told by Op:
//   0..14   a length or distance: Value is the base, Op the number of extra bits that follow
//           (14 only for the last two distances of Deflate64)
//   15      end of block (symbol 256 of a literal/length alphabet)
//   16      literal, or any symbol below the simple-symbol limit: Value is the symbol
//   17..32  link: the sub-table at Value is indexed by the next Op - 16 bits
//   99      invalid: no symbol belongs to these bits
// Bits is the number of input bits the entry accounts for at its own level.
struct HuffmanEntry {
    uint8_t Op = 0;
    uint8_t Bits = 0;
    uint32_t Value = 0;
};

constexpr uint8_t kOpMaxExtraBits = 14;
constexpr uint8_t kOpEndOfBlock = 15;
constexpr uint8_t kOpLiteral = 16;
constexpr uint8_t kOpLinkBase = 16;  // a link's Op is kOpLinkBase + its sub-table's index width
constexpr uint8_t kOpInvalid = 99;

// Results of BuildHuffmanTable (and of the inflate block routines, which pass them on).
constexpr int kHuffmanOk = 0;              // a complete code, or an empty one
constexpr int kHuffmanIncomplete = 1;      // some bit patterns have no symbol (malformed data)
constexpr int kHuffmanOverSubscribed = 2;  // more codes than the lengths leave room for
constexpr int kHuffmanOutOfMemory = 3;

constexpr int kHuffmanMaxSymbols = 288;
constexpr int kHuffmanMaxLength = 16;

// Builds the lookup tables of the canonical code given by lengths[0..n) (0 = symbol unused,
// at most 16; n at most 288). Symbols below s are simple: below 256 they become literals
// (Op 16), from 256 on end of block (Op 15), with Value = the symbol. A symbol v >= s takes
// Op = extras[v - s] and Value = bases[v - s] (bases and extras may be null when s >= n).
// width is the requested first-level width on the way in (narrowed to the shortest or
// widened only up to the longest code in use) and the width used on the way out.
// Returns kHuffmanOk with table == nullptr and width 0 when every length is 0. Returns
// kHuffmanIncomplete with a usable table (its unused patterns are Op 99) when the code
// leaves patterns free, except that a single code of length 1 counts as complete; the
// caller releases that table. Returns kHuffmanOverSubscribed (table nullptr) when the
// lengths are over-subscribed or out of range, and kHuffmanOutOfMemory (table nullptr)
// after showing "*** inflate out of memory ***" when the tables cannot be allocated.
int BuildHuffmanTable(const uint16_t* lengths, int n, int s, const uint16_t* bases,
                      const uint16_t* extras, HuffmanEntry*& table, uint16_t& width);

// The same build into entries (first-level table at index 0, links counted from there),
// for a decoder that keeps its tables between blocks; entries is left empty for an empty or
// over-subscribed code. Throws std::bad_alloc when entries cannot grow; the caller then
// reports it with ReportOutOfMemoryOfTables and takes kHuffmanOutOfMemory.
int BuildHuffmanEntries(const uint16_t* lengths, int n, int s, const uint16_t* bases, const uint16_t* extras,
                        std::vector<HuffmanEntry>& entries, uint16_t& width);

// Shows the message box "*** inflate out of memory ***" with the caption "Error".
void ReportOutOfMemoryOfTables();

// Releases every table of one build and sets table to nullptr; nothing happens for nullptr.
void FreeHuffmanTable(HuffmanEntry*& table);

// The number of entries of every table of the build that table starts (0 for nullptr).
uint32_t HuffmanTableSize(const HuffmanEntry* table);

// The entry that link (an entry of a table of this build with Op 17..32) selects with the
// next input bits; only the low Op - 16 bits of bits are used.
inline const HuffmanEntry& FollowLink(const HuffmanEntry* table, const HuffmanEntry& link,
                                      uint32_t bits) {
    return table[link.Value + (bits & ((1u << (link.Op - kOpLinkBase)) - 1u))];
}

}  // namespace unzip
