// Inflate over hand-made streams (every block type and every way a stream can be wrong) and
// over streams made by zlib at every level, compared byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "unzip/bit_writer.h"
#include "unzip/crc32.h"
#include "unzip/decoder_harness.h"
#include "unzip/inflate.h"
#include "unzip/unzip_context.h"

#if VI_HAVE_ZLIB
#include "unzip/raw_deflate.h"
#endif

namespace {

using unzip_test::BitWriter;
using unzip_test::DecoderHarness;
using unzip_test::DecodeResult;
using unzip_test::InflateBytes;
using Bytes = std::vector<uint8_t>;

uint32_t CrcOf(const Bytes& bytes) { return ~unzip::Crc32Update(0xFFFFFFFFu, bytes.data(), bytes.size()); }

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A final fixed block holding literals and then end of block.
Bytes FixedLiterals(const Bytes& literals) {
    BitWriter writer;
    writer.Bits(1, 1).Bits(1, 2);
    for (uint8_t value : literals) writer.FixedLiteral(value);
    writer.FixedLiteral(256);
    return writer.Finish();
}

// The code lengths of a dynamic block.
struct DynamicHeader {
    std::vector<int> literal_lengths;      // 257..286 entries
    std::vector<int> distance_lengths;     // 1..30 entries
};

// Canonical codes of a set of lengths (code values, MSB-first), as the format assigns them.
std::vector<uint32_t> CanonicalCodes(const std::vector<int>& lengths) {
    int count[17] = {};
    for (int length : lengths) ++count[length];
    count[0] = 0;
    uint32_t next[17] = {};
    uint32_t code = 0;
    for (int length = 1; length <= 16; ++length) {
        code = (code + count[length - 1]) << 1;
        next[length] = code;
    }
    std::vector<uint32_t> codes(lengths.size());
    for (size_t symbol = 0; symbol < lengths.size(); ++symbol)
        if (lengths[symbol] != 0) codes[symbol] = next[lengths[symbol]]++;
    return codes;
}

// Writes the header of a dynamic block: every code length is sent as itself, with a
// code-length code that gives the 16 lengths 0..15 a 4-bit code each (complete) and no
// repeat symbols.
void WriteDynamicHeader(BitWriter& writer, const DynamicHeader& header, bool last = true) {
    writer.Bits(last ? 1 : 0, 1).Bits(2, 2);
    writer.Bits(static_cast<uint32_t>(header.literal_lengths.size() - 257), 5);
    writer.Bits(static_cast<uint32_t>(header.distance_lengths.size() - 1), 5);
    // Order: 16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15 - all 19 sent.
    writer.Bits(19 - 4, 4);
    std::vector<int> code_length_lengths(19, 0);
    for (int symbol = 0; symbol < 16; ++symbol) code_length_lengths[symbol] = 4;
    for (int index = 0; index < 19; ++index) writer.Bits(code_length_lengths[unzip::kCodeLengthOrder[index]], 3);
    const std::vector<uint32_t> codes = CanonicalCodes(code_length_lengths);
    for (int length : header.literal_lengths) writer.Code(codes[length], 4);
    for (int length : header.distance_lengths) writer.Code(codes[length], 4);
}

TEST(InflateBlocks, FixedBlockWithOnlyEndOfBlockGivesAnEmptyFile) {
    const DecodeResult result = InflateBytes(FixedLiterals({}), 0);
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(result.output.empty());
    EXPECT_EQ(result.crc, 0u);
}

TEST(InflateBlocks, FixedBlockLiteralsAndOverlappingMatch) {
    // "ab" then a match of length 258 at distance 2, then "!" through the 9-bit literal range.
    BitWriter writer;
    writer.Bits(1, 1).Bits(1, 2).FixedLiteral('a').FixedLiteral('b');
    writer.FixedLiteral(285).FixedDistance(1);
    writer.FixedLiteral(200).FixedLiteral(256);
    Bytes expected = Text("ab");
    for (int index = 0; index < 258; ++index) expected.push_back(index % 2 ? 'b' : 'a');
    expected.push_back(200);
    const DecodeResult result = InflateBytes(writer.Finish(), static_cast<int32_t>(expected.size()));
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.output, expected);
    EXPECT_EQ(result.crc, CrcOf(expected));
}

TEST(InflateBlocks, MatchAtDistanceOneRepeatsOneByte) {
    BitWriter writer;
    writer.Bits(1, 1).Bits(1, 2).FixedLiteral('x').FixedLiteral(285).FixedDistance(0).FixedLiteral(256);
    const DecodeResult result = InflateBytes(writer.Finish(), 259);
    EXPECT_EQ(result.output, Bytes(259, 'x'));
}

TEST(InflateBlocks, LengthAndDistanceExtraBitsAreAdded) {
    // 10 literals, then length symbol 266 (base 13, 1 extra bit = 1 -> 14) at distance symbol
    // 6 (base 9, 2 extra bits = 1 -> 10).
    BitWriter writer;
    writer.Bits(1, 1).Bits(1, 2);
    const Bytes start = Text("0123456789");
    for (uint8_t value : start) writer.FixedLiteral(value);
    writer.FixedLiteral(266).Bits(1, 1).FixedDistance(6).Bits(1, 2).FixedLiteral(256);
    Bytes expected = start;
    for (int index = 0; index < 14; ++index) expected.push_back(expected[expected.size() - 10]);
    EXPECT_EQ(InflateBytes(writer.Finish(), 24).output, expected);
}

TEST(InflateBlocks, StoredBlocksIncludingAnEmptyOne) {
    BitWriter writer;
    writer.Bits(0, 1).Bits(0, 2).Align().Bits(0, 16).Bits(0xFFFF, 16);  // empty stored block
    writer.Bits(0, 1).Bits(0, 2).Align().Bits(3, 16).Bits(0xFFFC, 16).Byte('a').Byte('b').Byte('c');
    writer.Bits(1, 1).Bits(1, 2).FixedLiteral('d').FixedLiteral(256);
    const DecodeResult result = InflateBytes(writer.Finish(), 4);
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.output, Text("abcd"));
}

TEST(InflateBlocks, DynamicBlockWithASingleDistanceCodeOfLengthOne) {
    DynamicHeader header;
    header.literal_lengths.assign(258, 0);
    header.literal_lengths['a'] = 1;
    header.literal_lengths[256] = 2;
    header.literal_lengths[257] = 2;  // length 3
    header.distance_lengths = {1};    // distance 1, code "0"
    BitWriter writer;
    WriteDynamicHeader(writer, header);
    const std::vector<uint32_t> codes = CanonicalCodes(header.literal_lengths);
    writer.Code(codes['a'], 1).Code(codes[257], 2).Code(0, 1).Code(codes[256], 2);
    const DecodeResult result = InflateBytes(writer.Finish(), 4);
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.output, Text("aaaa"));
}

// Each malformed stream: a full 32768-byte window of literals (stored) that is written, then
// the fault. The output keeps exactly the full windows before the fault, nothing more.
class InflateFaults : public ::testing::Test {
protected:
    static BitWriter WithFullWindowFirst() {
        BitWriter writer;
        writer.Bits(0, 1).Bits(0, 2).Align().Bits(32768 & 0xFFFF, 16).Bits(~32768u & 0xFFFF, 16);
        for (int index = 0; index < 32768; ++index) writer.Byte(static_cast<uint8_t>(index * 7));
        writer.Bits(0, 1).Bits(1, 2).FixedLiteral('z').FixedLiteral(256);  // still in the window
        return writer;
    }
    static void ExpectStopsAfterFirstWindow(BitWriter writer) {
        const DecodeResult result = InflateBytes(writer.Finish(), 1 << 20);
        EXPECT_EQ(result.error, "");
        // Two full OutBuf flushes (32000 bytes) of the first window; its last 768 bytes and
        // everything after stay unwritten.
        ASSERT_EQ(result.output.size(), 32000u);
        EXPECT_EQ(result.output[31999], static_cast<uint8_t>(31999 * 7));
    }
};

TEST_F(InflateFaults, BlockTypeThree) {
    BitWriter writer = WithFullWindowFirst();
    writer.Bits(1, 1).Bits(3, 2).Bits(0, 16);
    ExpectStopsAfterFirstWindow(writer);
}

TEST_F(InflateFaults, StoredLengthNotMatchingItsComplement) {
    BitWriter writer = WithFullWindowFirst();
    writer.Bits(1, 1).Bits(0, 2).Align().Bits(5, 16).Bits(0xFFFB, 16).Byte(1).Byte(2).Byte(3).Byte(4).Byte(5);
    ExpectStopsAfterFirstWindow(writer);
}

TEST_F(InflateFaults, TooManyLiteralOrDistanceCodes) {
    for (const auto& [literal_bits, distance_bits] : {std::pair{30u, 0u}, std::pair{31u, 0u}, std::pair{0u, 30u}, std::pair{0u, 31u}}) {
        SCOPED_TRACE(literal_bits * 100 + distance_bits);
        BitWriter writer = WithFullWindowFirst();
        writer.Bits(1, 1).Bits(2, 2).Bits(literal_bits, 5).Bits(distance_bits, 5).Bits(0, 4).Bits(0, 32);
        ExpectStopsAfterFirstWindow(writer);
    }
}

TEST_F(InflateFaults, OverSubscribedAndIncompleteCodes) {
    // Code-length code: three lengths of 1 (over-subscribed), or one length of 2 (incomplete).
    for (int variant = 0; variant < 2; ++variant) {
        SCOPED_TRACE(variant);
        BitWriter writer = WithFullWindowFirst();
        writer.Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(0, 5).Bits(0, 4);
        if (variant == 0) writer.Bits(1, 3).Bits(1, 3).Bits(1, 3).Bits(0, 3);
        else writer.Bits(2, 3).Bits(0, 3).Bits(0, 3).Bits(0, 3);
        writer.Bits(0, 32);
        ExpectStopsAfterFirstWindow(writer);
    }
    // Literal/length code incomplete: only 'a' and end of block, both of length 2.
    DynamicHeader header;
    header.literal_lengths.assign(257, 0);
    header.literal_lengths['a'] = 2;
    header.literal_lengths[256] = 2;
    header.distance_lengths = {1};
    BitWriter writer = WithFullWindowFirst();
    WriteDynamicHeader(writer, header);
    writer.Bits(0, 16);
    ExpectStopsAfterFirstWindow(writer);
}

TEST_F(InflateFaults, RepeatRunningPastTheCodeLengths) {
    // Code-length code with 18 (length 1) and 0 (length 1): 18 with 127 zeros, three times,
    // runs past 257 + 1 lengths.
    BitWriter writer = WithFullWindowFirst();
    writer.Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(0, 5).Bits(0, 4);
    writer.Bits(0, 3).Bits(0, 3).Bits(1, 3).Bits(1, 3);  // 16:0 17:0 18:1 0:1
    for (int index = 0; index < 3; ++index) writer.Code(1, 1).Bits(127, 7);
    ExpectStopsAfterFirstWindow(writer);
}

TEST_F(InflateFaults, InvalidLengthSymbolsAndDistanceCodes) {
    for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE(variant);
        BitWriter writer = WithFullWindowFirst();
        writer.Bits(1, 1).Bits(1, 2).FixedLiteral('q');
        if (variant == 0) writer.FixedLiteral(286);
        if (variant == 1) writer.FixedLiteral(287);
        if (variant == 2) writer.FixedLiteral(257).FixedDistance(30);
        writer.Bits(0, 32);
        ExpectStopsAfterFirstWindow(writer);
    }
}

TEST_F(InflateFaults, LengthSymbolWithoutAnyDistanceCode) {
    DynamicHeader header;
    header.literal_lengths.assign(258, 0);
    header.literal_lengths['a'] = 1;
    header.literal_lengths[256] = 2;
    header.literal_lengths[257] = 2;
    header.distance_lengths = {0};
    BitWriter writer = WithFullWindowFirst();
    WriteDynamicHeader(writer, header);
    const std::vector<uint32_t> codes = CanonicalCodes(header.literal_lengths);
    writer.Code(codes['a'], 1).Code(codes[257], 2).Code(codes[256], 2);
    ExpectStopsAfterFirstWindow(writer);
}

TEST(InflateLimits, OneByteMoreThanClaimedWritesNothingOfTheLastBuffer) {
    const Bytes literals(100, 'k');
    const DecodeResult exact = InflateBytes(FixedLiterals(literals), 100);
    EXPECT_EQ(exact.error, "");
    EXPECT_EQ(exact.output, literals);
    const DecodeResult too_long = InflateBytes(FixedLiterals(literals), 99);
    EXPECT_EQ(too_long.error, "File is larger than uncompressed size!");
    EXPECT_TRUE(too_long.output.empty());
}

TEST(InflateLimits, ExactlyOneWindowIsFlushedOnceInsideTheBlock) {
    BitWriter writer;
    writer.Bits(1, 1).Bits(1, 2).FixedLiteral('s');
    for (int index = 0; index < 127; ++index) writer.FixedLiteral(285).FixedDistance(0);
    writer.FixedLiteral(265).Bits(1, 1).FixedDistance(0);  // 12 more: 1 + 127 * 258 + 1... see below
    writer.FixedLiteral(256);
    // 1 + 127 * 258 + 12 = 32779: crosses the window end inside the last match.
    const DecodeResult result = InflateBytes(writer.Finish(), 32779);
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.output, Bytes(32779, 's'));
}

TEST(InflateLimits, StreamEndingEarlyStopsWithoutRunningAway) {
    // A dynamic block whose all-zero code is the literal 'a', breaking off after a few
    // symbols: the zero bits past the end would decode to 'a' for ever, up to the claimed
    // gigabyte. The decoder stops soon after the data ends and writes nothing.
    DynamicHeader header;
    header.literal_lengths.assign(258, 0);
    header.literal_lengths['a'] = 1;
    header.literal_lengths[256] = 2;
    header.literal_lengths[257] = 2;
    header.distance_lengths = {1};
    BitWriter writer;
    WriteDynamicHeader(writer, header);
    for (int index = 0; index < 20; ++index) writer.Code(0, 1);
    DecoderHarness harness;
    harness.Prepare(writer.Finish(), 1 << 30);
    const DecodeResult result = harness.Run(unzip::Inflate);
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(result.output.empty());
    EXPECT_GE(harness.context->BytesLeft, -16);
}

TEST(InflateLimits, DistanceBeyondTheStartReadsTheZeroedWindowSafely) {
    BitWriter writer;
    writer.Bits(1, 1).Bits(1, 2).FixedLiteral('a').FixedLiteral(257).FixedDistance(29).Bits(8191, 13);
    writer.FixedLiteral(256);
    const DecodeResult result = InflateBytes(writer.Finish(), 4);
    ASSERT_EQ(result.output.size(), 4u);
    EXPECT_EQ(result.output[0], 'a');
}

// Streams of random literals and matches in stored, fixed and dynamic blocks, written by an
// encoder of the test's own for deflate or Deflate64 (up to 65538 bytes from up to 65536
// back), with the bytes they stand for. A dynamic block's codes come from random weights,
// skewed so that some codes are long enough for the sub-tables.
struct GeneratedStream {
    Bytes stream;
    Bytes expected;
};

std::vector<int> HuffmanLengths(const std::vector<uint32_t>& weights) {
    std::vector<std::pair<uint64_t, std::vector<int>>> nodes;
    for (size_t symbol = 0; symbol < weights.size(); ++symbol) nodes.push_back({weights[symbol], {int(symbol)}});
    std::vector<int> lengths(weights.size(), 0);
    while (nodes.size() > 1) {
        std::sort(nodes.begin(), nodes.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        auto lighter = std::move(nodes.back());
        nodes.pop_back();
        for (int symbol : lighter.second) ++lengths[symbol];
        for (int symbol : nodes.back().second) ++lengths[symbol];
        nodes.back().first += lighter.first;
        nodes.back().second.insert(nodes.back().second.end(), lighter.second.begin(), lighter.second.end());
    }
    return lengths;
}

GeneratedStream GenerateStream(bool deflate64, uint32_t seed, size_t size) {
    std::mt19937 random(seed);
    const uint32_t window = deflate64 ? 65536 : 32768;
    const uint32_t distance_codes = deflate64 ? 32 : 30;
    GeneratedStream result;
    BitWriter writer;
    // Symbol, extra bits and their count of a length (with 285 for any length in Deflate64)
    // or of a distance, from the formats' rules for their bases.
    const auto length_symbol = [&](uint32_t length, bool long_code, uint32_t& extra, int& extra_bits) {
        extra_bits = 0;
        extra = 0;
        if (long_code) {
            extra = length - 3;
            extra_bits = 16;
            return 285;
        }
        if (!deflate64 && length == 258) return 285;
        for (int index = 27; index >= 0; --index) {
            const int bits = index < 8 ? 0 : (index - 4) / 4;
            const uint32_t base = index < 8 ? uint32_t(index) + 3 : ((4u + (index & 3)) << bits) + 3;
            if (base <= length) {
                extra = length - base;
                extra_bits = bits;
                return 257 + index;
            }
        }
        return -1;
    };
    const auto distance_symbol = [](uint32_t distance, uint32_t& extra, int& extra_bits) {
        for (int code = 31; code >= 0; --code) {
            extra_bits = code < 4 ? 0 : code / 2 - 1;
            const uint32_t base = code < 4 ? uint32_t(code) + 1 : ((2u + (code & 1)) << extra_bits) + 1;
            if (base <= distance) {
                extra = distance - base;
                return code;
            }
        }
        return -1;
    };
    for (;;) {
        const uint32_t kind = random() % 10;
        const bool last = result.expected.size() >= size;
        if (kind == 0) {
            const uint32_t length = random() % 65536;
            writer.Bits(last, 1).Bits(0, 2).Align().Bits(length, 16).Bits(~length & 0xFFFF, 16);
            for (uint32_t index = 0; index < length; ++index) {
                result.expected.push_back(static_cast<uint8_t>(random() % 7));
                writer.Byte(result.expected.back());
            }
            if (last) break;
            continue;
        }
        const bool fixed = kind < 5;
        std::vector<int> literal_lengths(288, 0);
        std::vector<int> distance_lengths(distance_codes, 5);
        for (int symbol = 0; symbol < 288; ++symbol)
            literal_lengths[symbol] = symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
        if (fixed) {
            writer.Bits(last, 1).Bits(1, 2);
        } else {
            for (int spread = 12;; --spread) {
                std::vector<uint32_t> weights(286 + distance_codes);
                for (uint32_t& weight : weights) weight = 1 + random() % (1u << (random() % spread));
                literal_lengths = HuffmanLengths(std::vector<uint32_t>(weights.begin(), weights.begin() + 286));
                distance_lengths = HuffmanLengths(std::vector<uint32_t>(weights.begin() + 286, weights.end()));
                if (*std::max_element(literal_lengths.begin(), literal_lengths.end()) <= 15 &&
                    *std::max_element(distance_lengths.begin(), distance_lengths.end()) <= 15)
                    break;
            }
            WriteDynamicHeader(writer, {literal_lengths, distance_lengths}, last);
        }
        const std::vector<uint32_t> literal_codes = CanonicalCodes(literal_lengths);
        const std::vector<uint32_t> distance_codes_of = CanonicalCodes(distance_lengths);
        for (uint32_t steps = 1 + random() % 1000; steps > 0; --steps) {
            const size_t produced = result.expected.size();
            if (produced == 0 || random() % 2 == 0) {
                const int literal = static_cast<int>(random() % 256);
                writer.Code(literal_codes[literal], literal_lengths[literal]);
                result.expected.push_back(static_cast<uint8_t>(literal));
                continue;
            }
            const uint32_t reach = static_cast<uint32_t>(std::min<size_t>(produced, window));
            const uint32_t pick = random() % 4;
            const uint32_t distance = 1 + (pick == 0   ? random() % std::min(reach, 20u)
                                           : pick == 1 ? random() % std::min(reach, 4096u)
                                                       : reach - 1 - random() % std::min(reach, 20000u));
            const bool long_code = deflate64 && random() % 8 == 0;
            const uint32_t length = long_code && random() % 16 == 0 ? 3 + random() % 65536 : 3 + random() % 256;
            uint32_t extra;
            int extra_bits;
            const int symbol = length_symbol(length, long_code, extra, extra_bits);
            writer.Code(literal_codes[symbol], literal_lengths[symbol]).Bits(extra, extra_bits);
            const int code = distance_symbol(distance, extra, extra_bits);
            writer.Code(distance_codes_of[code], distance_lengths[code]).Bits(extra, extra_bits);
            for (uint32_t index = 0; index < length; ++index)
                result.expected.push_back(result.expected[result.expected.size() - distance]);
        }
        writer.Code(literal_codes[256], literal_lengths[256]);
        if (last) break;
    }
    result.stream = writer.Finish();
    return result;
}

TEST(InflateGenerated, Deflate64AndDeflateStreamsInOneContext) {
    // Deflate64 entries with every distance and length code, long matches across the 64 KiB
    // windows, between deflate entries of the same encoder; every third entry encrypted.
    DecoderHarness harness;
    for (uint32_t seed = 1; seed <= 9; ++seed) {
        SCOPED_TRACE(seed);
        const bool deflate64 = seed % 3 != 0;
        const bool encrypted = seed % 3 == 1;
        const GeneratedStream generated = GenerateStream(deflate64, seed, 300000 + seed * 40000);
        harness.Prepare(encrypted ? unzip_test::Encryptor("pass").Encrypt(generated.stream) : generated.stream,
                        static_cast<uint32_t>(generated.expected.size()));
        harness.context->CurrentEntry.BitFlag = encrypted ? 1 : 0;
        if (encrypted) unzip::InitKeys(*harness.context, "pass");
        const DecodeResult result = harness.Run(deflate64 ? unzip::Inflate64 : unzip::Inflate);
        EXPECT_EQ(result.error, "");
        EXPECT_TRUE(result.output == generated.expected);
    }
}

// Matches of the longest length (65,538), back to back and one byte back, fill the 64 KiB
// window three times over within one block: the copy loop wraps the window again and again.
TEST(InflateGenerated, Deflate64BackToBackLongestMatchesFillTheWindowRepeatedly) {
    BitWriter writer;
    writer.Bits(1, 1).Bits(1, 2).FixedLiteral('a').FixedLiteral('b');
    for (int match = 0; match < 3; ++match) writer.FixedLiteral(285).Bits(65535, 16).FixedDistance(1);  // 65538 from 2 back
    writer.FixedLiteral(256);
    Bytes expected;
    for (size_t index = 0; index < 2 + 3 * 65538u; ++index) expected.push_back(index % 2 == 0 ? 'a' : 'b');
    DecoderHarness harness;
    harness.Prepare(writer.Finish(), static_cast<uint32_t>(expected.size()));
    const DecodeResult result = harness.Run(unzip::Inflate64);
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(result.output == expected);
}

TEST(InflateGenerated, Deflate64WritesWholeWindowsOf64KiBBeforeAFault) {
    BitWriter writer;
    writer.Bits(0, 1).Bits(0, 2).Align().Bits(65535, 16).Bits(0, 16);
    for (int index = 0; index < 65535; ++index) writer.Byte(static_cast<uint8_t>(index));
    writer.Bits(0, 1).Bits(1, 2).FixedLiteral('z').FixedLiteral('y').FixedLiteral(256).Bits(1, 1).Bits(3, 2);
    DecoderHarness harness;
    harness.Prepare(writer.Finish(), 1 << 20);
    const DecodeResult result = harness.Run(unzip::Inflate64);
    EXPECT_EQ(result.error, "");
    // Four OutBuf pieces of the first window; its last 1536 bytes and the rest stay unwritten.
    ASSERT_EQ(result.output.size(), 64000u);
    EXPECT_EQ(result.output[63999], static_cast<uint8_t>(63999));
}

#if VI_HAVE_ZLIB

using unzip_test::RawDeflate;

// Text-like, structured, binary and incompressible stretches, deterministic.
Bytes MixedData(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    const char* words[] = {"the ", "window ", "setup ", "archive ", "of ", "install ", "and ", "file ", "\r\n"};
    Bytes data;
    while (data.size() < size) {
        switch (random() % 4) {
            case 0:
                for (int index = 0; index < 400; ++index) {
                    const std::string word = words[random() % 9];
                    data.insert(data.end(), word.begin(), word.end());
                }
                break;
            case 1:
                for (uint32_t index = 0; index < 300; ++index) {
                    const uint32_t record = index * 16 + (random() % 3);
                    for (int byte = 0; byte < 4; ++byte) data.push_back(static_cast<uint8_t>(record >> (8 * byte)));
                    data.insert(data.end(), 12, 0);
                }
                break;
            case 2:
                for (int index = 0; index < 3000; ++index) data.push_back(static_cast<uint8_t>(random()));
                break;
            default:
                data.insert(data.end(), random() % 2000, static_cast<uint8_t>(random()));
                break;
        }
    }
    data.resize(size);
    return data;
}

TEST(InflateRoundTrip, ZlibStreamsAtEveryLevel) {
    const Bytes data = MixedData(300000, 7);
    for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(level);
        const DecodeResult result = InflateBytes(RawDeflate(data, level), static_cast<int32_t>(data.size()));
        EXPECT_EQ(result.error, "");
        EXPECT_TRUE(result.output == data);
        EXPECT_EQ(result.crc, CrcOf(data));
    }
}

TEST(InflateRoundTrip, ShortDistancesRepeatTheirPeriod) {
    // Every period up to a little past the copy's move of 16 bytes, repeated for lengths on
    // both sides of each move's end; random bytes start every run, so each match reaches
    // back exactly one period.
    std::mt19937 random(11);
    Bytes data;
    for (uint32_t period = 1; period <= 20; ++period) {
        for (uint32_t run : {3u, 4u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 32u, 33u, 100u, 258u, 600u}) {
            for (uint32_t index = 0; index < period; ++index) data.push_back(static_cast<uint8_t>(random()));
            for (uint32_t index = 0; index < run; ++index) data.push_back(data[data.size() - period]);
        }
    }
    const DecodeResult result = InflateBytes(RawDeflate(data, 9), static_cast<int32_t>(data.size()));
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(result.output == data);
}

TEST(InflateRoundTrip, FixedCodesRunsAndSmallSizes) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{258}, size_t{32767}, size_t{32768}, size_t{32769}, size_t{100000}}) {
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_RLE, Z_HUFFMAN_ONLY}) {
            SCOPED_TRACE(size * 10 + strategy);
            const Bytes data = MixedData(size, static_cast<uint32_t>(size + strategy));
            const DecodeResult result = InflateBytes(RawDeflate(data, 6, strategy), static_cast<int32_t>(data.size()));
            EXPECT_EQ(result.error, "");
            EXPECT_TRUE(result.output == data);
        }
    }
}

TEST(InflateRoundTrip, InputAcrossManyRefillsAndEntriesReusingTheContext) {
    // Random data of various compressibility, decoded one after another in one context, so
    // that InBuf refills fall at every kind of position inside the symbols; every other entry
    // encrypted, whose input inflate decrypts as it decodes.
    DecoderHarness harness;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        const bool encrypted = seed % 2 == 0;
        const Bytes data = MixedData(20000 + seed * 9973, seed);
        const Bytes deflated = RawDeflate(data, static_cast<int>(seed % 10));
        harness.Prepare(encrypted ? unzip_test::Encryptor("pass").Encrypt(deflated) : deflated,
                        static_cast<int32_t>(data.size()));
        harness.context->CurrentEntry.BitFlag = encrypted ? 1 : 0;
        if (encrypted) unzip::InitKeys(*harness.context, "pass");
        const DecodeResult result = harness.Run(unzip::Inflate);
        EXPECT_EQ(result.error, "");
        EXPECT_TRUE(result.output == data);
    }
}

TEST(InflateRoundTrip, TrailingBytesAfterTheStreamAreNotNeeded) {
    const Bytes data = MixedData(50000, 3);
    Bytes deflated = RawDeflate(data, 6);
    deflated.insert(deflated.end(), 40000, 0xAB);  // the entry claims more than the stream
    const DecodeResult result = InflateBytes(deflated, static_cast<int32_t>(data.size()));
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(result.output == data);
}

TEST(InflateRoundTrip, ArchiveCutShortRaisesPrematureEnd) {
    const Bytes data = MixedData(200000, 5);
    Bytes deflated = RawDeflate(data, 1);
    const auto claimed = static_cast<int32_t>(deflated.size());
    deflated.resize(deflated.size() - 20000);
    DecoderHarness harness;
    harness.Prepare(deflated, static_cast<int32_t>(data.size()), claimed);
    EXPECT_EQ(harness.Run(unzip::Inflate).error, "Premature end of file reached");
}

#endif  // VI_HAVE_ZLIB

}  // namespace
