// The table builder: its results for every shape of code, and that walking its tables
// decodes every code of a canonical code set exactly, sub-tables included.

#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <random>
#include <vector>

#include "unzip/huffman_table.h"

namespace {

using unzip::HuffmanEntry;

struct Built {
    int result = 0;
    HuffmanEntry* table = nullptr;
    uint16_t width = 0;
    ~Built() { unzip::FreeHuffmanTable(table); }
};

void Build(const std::vector<uint16_t>& lengths, int simple, uint16_t width, Built& built,
           const uint16_t* bases = nullptr, const uint16_t* extras = nullptr) {
    built.width = width;
    built.result = unzip::BuildHuffmanTable(lengths.data(), static_cast<int>(lengths.size()), simple, bases, extras,
                                            built.table, built.width);
}

// Decodes the code of `length` bits whose value (first bit in bit 0) is `bits` and returns
// the leaf with the total bits it took.
const HuffmanEntry* Walk(const Built& built, uint32_t bits, int& taken) {
    const HuffmanEntry* entry = &built.table[bits & ((1u << built.width) - 1u)];
    taken = 0;
    while (entry->Op > unzip::kOpLiteral && entry->Op != unzip::kOpInvalid) {
        taken += entry->Bits;
        bits >>= entry->Bits;
        entry = &unzip::FollowLink(built.table, *entry, bits);
    }
    taken += entry->Bits;
    return entry;
}

uint32_t Reverse(uint32_t code, int length) {
    uint32_t reversed = 0;
    for (int bit = 0; bit < length; ++bit) reversed |= ((code >> bit) & 1u) << (length - 1 - bit);
    return reversed;
}

TEST(HuffmanTable, ResultsForEveryShapeOfCode) {
    Built empty;
    Build(std::vector<uint16_t>(19, 0), 19, 7, empty);
    EXPECT_EQ(empty.result, unzip::kHuffmanOk);
    EXPECT_EQ(empty.table, nullptr);
    EXPECT_EQ(empty.width, 0);

    Built over;
    Build({1, 1, 1}, 3, 7, over);
    EXPECT_EQ(over.result, unzip::kHuffmanOverSubscribed);
    EXPECT_EQ(over.table, nullptr);

    Built too_long;
    Build({17, 1}, 2, 7, too_long);
    EXPECT_EQ(too_long.result, unzip::kHuffmanOverSubscribed);

    Built incomplete;
    Build({2, 2, 2}, 3, 7, incomplete);
    EXPECT_EQ(incomplete.result, unzip::kHuffmanIncomplete);
    ASSERT_NE(incomplete.table, nullptr);
    EXPECT_EQ(incomplete.width, 2);  // narrowed to the longest code
    EXPECT_EQ(incomplete.table[3].Op, unzip::kOpInvalid);  // pattern 11 has no symbol

    Built lone;
    Build({0, 1, 0}, 3, 6, lone);
    EXPECT_EQ(lone.result, unzip::kHuffmanOk);  // a single code of length 1 counts as complete
    EXPECT_EQ(lone.width, 1);
    EXPECT_EQ(lone.table[0].Value, 1u);
    EXPECT_EQ(lone.table[1].Op, unzip::kOpInvalid);
}

TEST(HuffmanTable, WidthIsWidenedToTheShortestCode) {
    std::vector<uint16_t> lengths(256, 8);
    Built built;
    Build(lengths, 256, 5, built);
    EXPECT_EQ(built.result, unzip::kHuffmanOk);
    EXPECT_EQ(built.width, 8);
}

TEST(HuffmanTable, SymbolsTakeOpAndValueFromTheirLists) {
    // Symbols 0 and 1 are simple (literals, being below 256); symbols from s = 2 on take
    // their Op and Value from the lists.
    const uint16_t bases[2] = {100, 200};
    const uint16_t extras[2] = {3, 99};
    Built built;
    Build({2, 2, 2, 2}, 2, 2, built, bases, extras);
    ASSERT_EQ(built.result, unzip::kHuffmanOk);
    // Canonical codes 00, 01, 10, 11 for symbols 0..3, entered bit-reversed.
    EXPECT_EQ(built.table[0].Op, unzip::kOpLiteral);
    EXPECT_EQ(built.table[Reverse(1, 2)].Value, 1u);
    EXPECT_EQ(built.table[Reverse(2, 2)].Op, 3);
    EXPECT_EQ(built.table[Reverse(2, 2)].Value, 100u);
    EXPECT_EQ(built.table[Reverse(3, 2)].Op, unzip::kOpInvalid);

    Built end;
    std::vector<uint16_t> literal_lengths(257, 0);
    literal_lengths[65] = 1;
    literal_lengths[256] = 1;
    Build(literal_lengths, 257, 9, end);
    EXPECT_EQ(end.table[1].Op, unzip::kOpEndOfBlock);
}

TEST(HuffmanTable, EveryCodeOfRandomCompleteCodesDecodesThroughSubTables) {
    std::mt19937 random(99);
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE(trial);
        // Random complete code: split leaves of a binary tree until enough symbols.
        const int symbols = 2 + static_cast<int>(random() % 287);
        std::vector<uint16_t> leaves = {1, 1};
        while (static_cast<int>(leaves.size()) < symbols) {
            const size_t pick = random() % leaves.size();
            if (leaves[pick] >= 15) continue;
            ++leaves[pick];
            leaves.push_back(leaves[pick]);
        }
        std::shuffle(leaves.begin(), leaves.end(), random);
        Built built;
        const uint16_t width = static_cast<uint16_t>(1 + random() % 12);
        Build(leaves, 288, width, built);
        ASSERT_EQ(built.result, unzip::kHuffmanOk);
        // Canonical codes, as the format assigns them.
        int count[17] = {};
        for (uint16_t length : leaves) ++count[length];
        uint32_t next[17] = {};
        uint32_t code = 0;
        for (int length = 1; length <= 16; ++length) {
            code = (code + (length > 1 ? count[length - 1] : 0)) << 1;
            next[length] = code;
        }
        for (size_t symbol = 0; symbol < leaves.size(); ++symbol) {
            const int length = leaves[symbol];
            const uint32_t bits = Reverse(next[length]++, length) | (static_cast<uint32_t>(random()) << length);
            int taken = 0;
            const HuffmanEntry* entry = Walk(built, bits, taken);
            ASSERT_EQ(entry->Value, symbol);
            ASSERT_EQ(taken, length);
        }
    }
}

TEST(HuffmanTable, FreeingAnEmptyTableIsHarmless) {
    HuffmanEntry* table = nullptr;
    unzip::FreeHuffmanTable(table);
    EXPECT_EQ(table, nullptr);
    EXPECT_EQ(unzip::HuffmanTableSize(nullptr), 0u);
}

}  // namespace
