// The direct build of inflate's fast tables against the generic table builder: the same
// result and the same entries at every index, for edge-case and random code lengths; and
// the sub-table widths found from the counted lengths against the links of the exact table.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "unzip/fast_table.h"
#include "unzip/huffman_table.h"
#include "unzip/inflate.h"

namespace {

using Lengths = std::vector<uint16_t>;

// A complete code of `leaves` codes over n symbols, no longer than longest: leaves are split
// at random, the last one split more often so that long chains appear too.
Lengths RandomCompleteCode(std::mt19937& random, int n, int leaves, int longest) {
    std::vector<uint16_t> depths{0};
    while (static_cast<int>(depths.size()) < leaves) {
        size_t pick = random() % 3 == 0 ? depths.size() - 1 : random() % depths.size();
        if (depths[pick] >= longest) pick = random() % depths.size();
        if (depths[pick] >= longest) continue;
        ++depths[pick];
        depths.push_back(depths[pick]);
    }
    Lengths lengths(n, 0);
    std::vector<int> symbols(n);
    for (int symbol = 0; symbol < n; ++symbol) symbols[symbol] = symbol;
    std::shuffle(symbols.begin(), symbols.end(), random);
    for (size_t index = 0; index < depths.size(); ++index) lengths[symbols[index]] = depths[index];
    return lengths;
}

TEST(FastTable, DirectBuildMatchesTheGenericBuilderEntryForEntry) {
    struct Alphabet {
        int symbols;
        int simple;
        const uint16_t* bases;
        const uint16_t* extras;
        uint16_t width;
        uint16_t exact_width;
        uint16_t following_width;
    };
    const Alphabet literals{288, 257, unzip::kLengthBases, unzip::kLengthExtraBits, 11, 9, 8};
    const Alphabet distances{30, 0, unzip::kDistanceBases, unzip::kDistanceExtraBits, 8, 6, 0};
    const Alphabet narrow{30, 0, unzip::kDistanceBases, unzip::kDistanceExtraBits, 5, 3, 0};  // nested sub-tables

    std::vector<std::pair<Alphabet, Lengths>> cases;
    Lengths fixed(288);
    for (int symbol = 0; symbol < 288; ++symbol) fixed[symbol] = symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
    cases.push_back({literals, fixed});
    cases.push_back({distances, Lengths(30, 5)});                 // 30 of 32 patterns
    cases.push_back({literals, Lengths(288, 0)});                 // empty
    for (const Alphabet& alphabet : {literals, distances, narrow}) {
        const int n = alphabet.symbols;
        for (uint16_t length : {1, 2, 8, 9, 12, 15}) {
            Lengths single(n, 0);
            single[n - 1] = length;
            cases.push_back({alphabet, single});                 // one code; incomplete unless of length 1
        }
        Lengths equal(n, 0);
        for (int symbol = 0; symbol < 16; ++symbol) equal[symbol * (n / 16)] = 4;
        cases.push_back({alphabet, equal});                      // all of one length, shorter than the first level
        Lengths over = equal;
        over[1] = 3;
        cases.push_back({alphabet, over});                       // over-subscribed
        Lengths too_long = equal;
        too_long[1] = 17;
        cases.push_back({alphabet, too_long});                   // a length out of range
        Lengths chain(n, 0);
        for (int symbol = 0; symbol < 15; ++symbol) chain[symbol] = static_cast<uint16_t>(symbol + 1);
        chain[15] = 15;
        cases.push_back({alphabet, chain});                      // complete, down to length 15
        Lengths sparse(n, 0);
        sparse[0] = 1;
        sparse[n / 2] = alphabet.width;
        sparse[n - 1] = 15;
        cases.push_back({alphabet, sparse});                     // incomplete, free patterns at length 15
    }
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        const Alphabet& alphabet = round % 3 == 0 ? distances : round % 3 == 1 ? literals : narrow;
        const int n = alphabet.symbols;
        const int longest = 1 + static_cast<int>(random() % 15);
        const int leaves = 2 + static_cast<int>(random() % std::min(n - 1, (1 << longest) - 1));
        Lengths lengths = RandomCompleteCode(random, n, leaves, longest);
        if (round % 4 == 1) lengths[random() % n] = 0;                               // incomplete or still complete
        if (round % 4 == 2) lengths[random() % n] = static_cast<uint16_t>(1 + random() % 15);  // any shape
        cases.push_back({alphabet, lengths});
    }

    for (size_t index = 0; index < cases.size(); ++index) {
        const auto& [alphabet, lengths] = cases[index];
        SCOPED_TRACE("case " + std::to_string(index) + ", width " + std::to_string(alphabet.width));
        unzip::FastTable expected, built;
        const int expected_result = unzip::BuildFastTableByWalk(lengths.data(), alphabet.symbols, alphabet.simple,
                                                                alphabet.bases, alphabet.extras, alphabet.width,
                                                                alphabet.following_width, expected);
        // Left over from a larger table, as a table kept between blocks is.
        built.assign(40000, 0xDEADBEEFu);
        unzip::CodeShape shape;
        const int result = unzip::BuildFastTable(lengths.data(), alphabet.symbols, alphabet.simple, alphabet.bases,
                                                 alphabet.extras, alphabet.width, alphabet.following_width, built,
                                                 shape);
        EXPECT_EQ(result, expected_result);
        if (result != unzip::kHuffmanOverSubscribed) {
            std::vector<unzip::HuffmanEntry> exact;
            uint16_t exact_width = alphabet.exact_width;
            unzip::BuildHuffmanEntries(lengths.data(), alphabet.symbols, alphabet.simple, alphabet.bases,
                                       alphabet.extras, exact, exact_width);
            EXPECT_EQ(exact_width, shape.longest == 0 ? 0 : std::clamp(alphabet.exact_width, shape.shortest, shape.longest));
            std::vector<uint8_t> widths(1u << exact_width), expected_widths(1u << exact_width);
            bool nested = false;
            for (size_t entry = 0; entry < exact.size(); ++entry) {
                if (exact[entry].Op <= unzip::kOpLinkBase || exact[entry].Op == unzip::kOpInvalid) continue;
                if (entry < (1u << exact_width)) {
                    expected_widths[entry] = static_cast<uint8_t>(exact[entry].Op - unzip::kOpLinkBase);
                } else {
                    nested = true;
                }
            }
            EXPECT_EQ(unzip::FindSubTableWidths(shape, exact_width, widths.data()), !nested);
            for (uint32_t pattern = 0; !nested && pattern < (1u << exact_width); ++pattern)
                ASSERT_EQ(widths[pattern], expected_widths[pattern]) << "pattern " << pattern;
        }
        ASSERT_EQ(built.size(), expected.size());
        for (size_t entry = 0; entry < built.size(); ++entry) ASSERT_EQ(built[entry], expected[entry]) << "entry " << entry;
    }
}

}  // namespace
