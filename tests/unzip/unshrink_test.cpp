// The shrink decoder on hand-made code streams: the string being defined, the control codes,
// a full code table, the end of the data, and malformed streams that must stop it safely.

#include <gtest/gtest.h>

#include <string>

#include "unzip/legacy_support.h"
#include "unzip/unshrink.h"

namespace {

using legacy_test::BitWriter;
using legacy_test::Bytes;
using legacy_test::LegacyDecoder;

// Writes shrink codes at the current code size, with the control sequences that change it.
class ShrinkWriter {
public:
    ShrinkWriter& Code(int code) {
        bits_.Put(static_cast<uint32_t>(code), size_);
        return *this;
    }
    ShrinkWriter& Text(const std::string& text) {
        for (char c : text) Code(static_cast<uint8_t>(c));
        return *this;
    }
    ShrinkWriter& Widen() {
        Code(256).Code(1);
        ++size_;
        return *this;
    }
    ShrinkWriter& PartialClear() { return Code(256).Code(2); }
    Bytes Finish() const { return bits_.Finish(); }

private:
    BitWriter bits_;
    int size_ = 9;
};

std::string Decode(const Bytes& stream, int32_t size, LegacyDecoder& decoder) {
    const legacy_test::DecodeResult result = decoder.DecodeRaw(1, stream, size);
    return std::string(result.output.begin(), result.output.end());
}

std::string Decode(const Bytes& stream, int32_t size) {
    LegacyDecoder decoder;
    return Decode(stream, size, decoder);
}

TEST(UnShrink, DecodesLiteralsAndTheStringsTheyDefine) {
    // a, b, then 257 = "ab" and 258 = "ba".
    const Bytes stream = ShrinkWriter().Text("ab").Code(257).Code(258).Finish();
    EXPECT_EQ(Decode(stream, 7), "ababba");
}

TEST(UnShrink, CodeBeingDefinedIsThePreviousStringPlusItsFirstByte) {
    // 257 is referenced while it is still free: it becomes "a" + "a".
    EXPECT_EQ(Decode(ShrinkWriter().Text("a").Code(257).Finish(), 3), "aaa");
    // The same after a longer string: 259 = "ab" + "a".
    EXPECT_EQ(Decode(ShrinkWriter().Text("ab").Code(257).Code(259).Finish(), 7), "abababa");
}

TEST(UnShrink, WidenRaisesTheCodeSizeForAllFollowingCodes) {
    const Bytes stream = ShrinkWriter().Text("xy").Widen().Text("z").Code(257).Widen().Code(258).Finish();
    EXPECT_EQ(Decode(stream, 7), "xyzxyyz");
}

TEST(UnShrink, OtherSubcodesAreIgnored) {
    const Bytes stream = ShrinkWriter().Text("ab").Code(256).Code(7).Code(257).Finish();
    EXPECT_EQ(Decode(stream, 4), "abab");
}

TEST(UnShrink, PartialClearFreesLeavesAndReusesTheLowestFreedCode) {
    // a b 257("ab") c: 257 = "ab", 258 = "ba", 259 = "abc". The clear keeps 257, the prefix of
    // 259, and frees 258 and 259. The next strings take them from the lowest up: 258 = "cd",
    // then 259 = "dc".
    const Bytes stream = ShrinkWriter()
                             .Text("ab").Code(257).Text("c")
                             .PartialClear()
                             .Text("d").Code(258).Code(259).Code(257)
                             .Finish();
    EXPECT_EQ(Decode(stream, 12), "ababcdcddcab");
}

TEST(UnShrink, FullTableAddsNoStringsUntilAClearFreesSome) {
    ShrinkWriter writer;
    writer.Text("a").Widen().Widen().Widen().Widen();
    for (int i = 0; i < 8191 - 256; ++i) writer.Text("a");  // defines 257..8191, all "aa"
    writer.Text("bc").Code(8191).Code(300);                 // no new strings any more
    writer.PartialClear().Text("de").Code(258);             // every "aa" was a leaf: 258 = "de"
    const std::string output = Decode(writer.Finish(), 8192 - 256 + 2 + 4 + 4);
    const std::string expected = std::string(8192 - 256, 'a') + "bcaaaadede";
    EXPECT_EQ(output, expected);
}

TEST(UnShrink, PartialClearExaminesEveryCodeInUse) {
    LegacyDecoder decoder;
    unzip::ShrinkCodesInUse in_use;
    unzip::ResetShrinkTables(decoder.Context(), in_use);
    unzip::ShrinkTables tables(decoder.Context().Window);
    // 257 is free; 300 ("a" + b) and 301 (300 + c) are in use above it.
    unzip::DefineShrinkCode(decoder.Context(), in_use, 301, 300, 'c');
    unzip::DefineShrinkCode(decoder.Context(), in_use, 300, 'a', 'b');
    EXPECT_EQ(unzip::PartialClear(decoder.Context(), in_use, 257), 257);
    EXPECT_EQ(tables.Prefix(300), 'a');  // still the prefix of 301
    EXPECT_TRUE(tables.IsFree(301));
    // Started with no free code, the second clear frees 300 and returns it as the lowest.
    EXPECT_EQ(unzip::PartialClear(decoder.Context(), in_use, 8192), 300);
    EXPECT_EQ(in_use.count, 0);
}

// Found by fuzzing: a string whose prefix is a free code (here a bad first code) made the
// clear mark that free code as used, with a prefix far outside the tables.
TEST(UnShrink, PartialClearLeavesFreePrefixesFree) {
    const Bytes fuzzed = {0x05, 0x01, 0x00, 0x14};  // 261, 0, 256, then a clear cut short
    EXPECT_EQ(Decode(fuzzed, 2), std::string("\x05\x00", 2));

    LegacyDecoder decoder;
    unzip::ShrinkCodesInUse in_use;
    unzip::ResetShrinkTables(decoder.Context(), in_use);
    unzip::ShrinkTables tables(decoder.Context().Window);
    unzip::DefineShrinkCode(decoder.Context(), in_use, 257, 261, 'x');
    EXPECT_EQ(unzip::PartialClear(decoder.Context(), in_use, 258), 257);
    EXPECT_TRUE(tables.IsFree(257));
    EXPECT_TRUE(tables.IsFree(261));
}

TEST(UnShrink, EndsWithTheLastCompleteCode) {
    // Two 9-bit codes take 18 bits: the last 6 bits of the third byte are padding.
    EXPECT_EQ(Decode(ShrinkWriter().Text("ab").Finish(), 2), "ab");
    EXPECT_EQ(Decode(Bytes{}, 0), "");
}

TEST(UnShrink, SingleCodeEntry) {
    EXPECT_EQ(Decode(ShrinkWriter().Text("Q").Finish(), 1), "Q");
}

// Malformed streams stop the decoder inside its tables; nothing that is still buffered is
// written, so the CRC check of the caller rejects the entry.
TEST(UnShrink, CodeSizeBeyondThirteenBitsStops) {
    ShrinkWriter writer;
    writer.Text("a").Widen().Widen().Widen().Widen();
    writer.Code(256).Code(1).Text("bcd");
    EXPECT_EQ(Decode(writer.Finish(), 4), "");
}

TEST(UnShrink, PrefixChainThatLoopsStops) {
    // The first code is a free one; referring to it again walks free codes back to itself.
    EXPECT_EQ(Decode(ShrinkWriter().Code(300).Code(300).Code(300).Finish(), 100), "");
    // A string code as the first code, then a code whose chain ends on the control code.
    EXPECT_EQ(Decode(ShrinkWriter().Code(256).Code(5).Code(257).Finish(), 100), "");
}

TEST(UnShrink, StaleWindowFromAnEarlierEntryDoesNotLeakIn) {
    LegacyDecoder decoder;
    std::memset(decoder.Context().Window, 0x5A, sizeof decoder.Context().Window);
    EXPECT_EQ(Decode(ShrinkWriter().Text("a").Code(257).Code(258).Finish(), 6, decoder), "aaaaaa");
}

}  // namespace
