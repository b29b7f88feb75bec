// The reduce decoder on hand-made streams: the escape byte, repeat lengths and distances under
// each compression factor, follower-set coding, references before the first byte, and the
// output count that ends an entry.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "unzip/legacy_support.h"
#include "unzip/unreduce.h"

namespace {

using legacy_test::BitWriter;
using legacy_test::Bytes;
using legacy_test::LegacyDecoder;

// Writes a reduce stream: the follower sets, then each byte coded in the context of the one
// before it (raw when that byte's set is empty or does not hold it).
class ReduceWriter {
public:
    explicit ReduceWriter(std::map<int, std::string> sets = {}) : sets_(std::move(sets)) {
        for (int set = 255; set >= 0; --set) {
            const std::string& members = sets_[set];
            bits_.Put(static_cast<uint32_t>(members.size()), 6);
            for (char c : members) bits_.Put(static_cast<uint8_t>(c), 8);
        }
    }
    ReduceWriter& Byte(int value) {
        const std::string& members = sets_[previous_];
        if (!members.empty()) {
            const size_t index = members.find(static_cast<char>(value));
            if (index != std::string::npos) {
                bits_.Put(0, 1);
                bits_.Put(static_cast<uint32_t>(index), unzip::FollowerIndexWidth(static_cast<int>(members.size())));
                previous_ = value;
                return *this;
            }
            bits_.Put(1, 1);
        }
        bits_.Put(static_cast<uint32_t>(value), 8);
        previous_ = value;
        return *this;
    }
    ReduceWriter& Text(const std::string& text) {
        for (char c : text) Byte(static_cast<uint8_t>(c));
        return *this;
    }
    // Writes index bits for the current context's set directly (for an out-of-range index).
    ReduceWriter& RawIndex(int index, int width, int byte_it_stands_for) {
        bits_.Put(0, 1);
        bits_.Put(static_cast<uint32_t>(index), width);
        previous_ = byte_it_stands_for;
        return *this;
    }
    Bytes Finish() const { return bits_.Finish(); }

private:
    std::map<int, std::string> sets_;
    BitWriter bits_;
    int previous_ = 0;
};

std::string Decode(const Bytes& stream, int32_t size, int factor = 4) {
    LegacyDecoder decoder;
    const legacy_test::DecodeResult result = decoder.DecodeRaw(1 + factor, stream, size);
    return std::string(result.output.begin(), result.output.end());
}

TEST(UnReduce, PlainBytesPassThrough) {
    EXPECT_EQ(Decode(ReduceWriter().Text("hello").Finish(), 5), "hello");
}

TEST(UnReduce, EscapeFollowedByZeroIsTheEscapeByteItself) {
    const Bytes stream = ReduceWriter().Byte(0x90).Byte(0).Byte('x').Byte(0x90).Byte(0).Finish();
    EXPECT_EQ(Decode(stream, 3), "\x90x\x90");
}

TEST(UnReduce, RepeatOfShortLengthCopiesFromDistance) {
    // Factor 1: V = 5 gives length 5 + 3, and the next byte 2 gives distance 3.
    const Bytes stream = ReduceWriter().Text("abc").Byte(0x90).Byte(5).Byte(2).Text("!").Finish();
    EXPECT_EQ(Decode(stream, 12, 1), "abcabcabcab!");
}

TEST(UnReduce, LengthWithAllMaskBitsSetTakesOneMoreByte) {
    // Factor 1: V = 127 adds the next byte (2) to the length: 127 + 2 + 3 = 132, distance 1.
    const Bytes run = ReduceWriter().Text("abc").Byte(0x90).Byte(127).Byte(2).Byte(0).Finish();
    EXPECT_EQ(Decode(run, 135, 1), "abc" + std::string(132, 'c'));
    // V = 255: the same length, and the high bit of V adds 256 to the distance.
    std::string text(300, '.');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('A' + i % 26);
    const Bytes far = ReduceWriter().Text(text).Byte(0x90).Byte(255).Byte(0).Byte(43).Finish();
    std::string expected = text;
    for (int i = 0; i < 130; ++i) expected += expected[expected.size() - 300];
    EXPECT_EQ(Decode(far, 430, 1), expected);
}

// Under each factor, V splits into length bits and distance bits as the factor says.
TEST(UnReduce, EachFactorSplitsTheRepeatByteItsOwnWay) {
    std::string history(5000, '.');
    for (size_t i = 0; i < history.size(); ++i) history[i] = static_cast<char>(i * 7 % 131);
    for (int factor = 1; factor <= 4; ++factor) {
        SCOPED_TRACE(factor);
        const int length_mask = 127 >> (factor - 1);
        const int distance_high = (1 << factor) - 1;
        const int value = (distance_high << (8 - factor)) | (length_mask - 1);
        const int distance = distance_high * 256 + 200 + 1;
        const int length = length_mask - 1 + 3;
        const Bytes stream = ReduceWriter().Text(history).Byte(0x90).Byte(value).Byte(200).Finish();
        std::string expected = history;
        for (int i = 0; i < length; ++i) expected += expected[expected.size() - distance];
        EXPECT_EQ(Decode(stream, static_cast<int32_t>(expected.size()), factor), expected);
    }
}

TEST(UnReduce, RepeatBeforeTheFirstByteYieldsZeros) {
    LegacyDecoder decoder;
    std::memset(decoder.Context().Window, 0x5A, sizeof decoder.Context().Window);
    // Factor 4: V = 1 is length 4; distance 10 reaches 8 bytes before the entry's start.
    const Bytes stream = ReduceWriter().Text("ab").Byte(0x90).Byte(1).Byte(9).Finish();
    const legacy_test::DecodeResult result = decoder.DecodeRaw(5, stream, 6);
    EXPECT_EQ(std::string(result.output.begin(), result.output.end()), std::string("ab\0\0\0\0", 6));
}

TEST(UnReduce, FollowerSetsCodeBytesByIndex) {
    // Set 0 (the context of the first byte) and set 'y' hold a few bytes each.
    const std::map<int, std::string> sets = {{0, "xyz"}, {'y', "abcdefghi"}, {'e', "q"}};
    const Bytes stream = ReduceWriter(sets).Text("yeqQ").Finish();
    EXPECT_EQ(Decode(stream, 4), "yeqQ");
    EXPECT_EQ(unzip::FollowerIndexWidth(1), 1);
    EXPECT_EQ(unzip::FollowerIndexWidth(2), 1);
    EXPECT_EQ(unzip::FollowerIndexWidth(3), 2);
    EXPECT_EQ(unzip::FollowerIndexWidth(9), 4);
    EXPECT_EQ(unzip::FollowerIndexWidth(33), 6);
    EXPECT_EQ(unzip::FollowerIndexWidth(63), 6);
}

TEST(UnReduce, IndexPastTheEndOfASetReadsAZeroByte) {
    LegacyDecoder decoder;
    std::memset(decoder.Context().Window, 0x5A, sizeof decoder.Context().Window);
    const Bytes stream = ReduceWriter({{0, "xyz"}}).RawIndex(3, 2, 0).Byte('k').Finish();
    const legacy_test::DecodeResult result = decoder.DecodeRaw(5, stream, 2);
    EXPECT_EQ(std::string(result.output.begin(), result.output.end()), std::string("\0k", 2));
}

TEST(UnReduce, OutputCountEndsTheEntry) {
    EXPECT_EQ(Decode(ReduceWriter().Text("abcdef").Finish(), 3), "abc");
    EXPECT_EQ(Decode(ReduceWriter().Finish(), 0), "");
    // Past the end of the data the missing bits read as zero bytes.
    EXPECT_EQ(Decode(ReduceWriter().Text("ab").Finish(), 4), std::string("ab\0\0", 4));
}

TEST(UnReduce, RepeatOvershootingTheSizeIsStoppedByTheSizeGuard) {
    LegacyDecoder decoder;
    const Bytes stream = ReduceWriter().Text("a").Byte(0x90).Byte(7).Byte(0).Finish();
    const legacy_test::DecodeResult result = decoder.DecodeRaw(5, stream, 5);
    EXPECT_TRUE(result.too_large);
    EXPECT_TRUE(result.output.empty());
}

TEST(UnReduce, RepeatsAcrossTheWindowEnd) {
    // 16380 plain bytes, then a run of 300 across the 16384-byte window boundary.
    std::string text(16380, '.');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 20);
    ReduceWriter writer;
    writer.Text(text).Byte(0x90).Byte(15).Byte(255 + 15 - 15).Byte(19);
    std::string expected = text;
    const int length = 15 + 255 + 3;
    for (int i = 0; i < length; ++i) expected += expected[expected.size() - 20];
    writer.Text("end");
    expected += "end";
    EXPECT_EQ(Decode(writer.Finish(), static_cast<int32_t>(expected.size())), expected);
}

}  // namespace
