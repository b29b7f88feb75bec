// The explode decoder on hand-made streams: the four variants chosen by the bit flag, long
// matches, references before the first byte, bad tree descriptions, and the first-level
// width of the distance table on either side of 200000 compressed bytes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "unzip/explode.h"
#include "unzip/legacy_support.h"

namespace {

using legacy_test::BitWriter;
using legacy_test::Bytes;
using legacy_test::LegacyDecoder;

using Lengths = std::vector<int>;

Lengths Uniform(int count, int length) { return Lengths(static_cast<size_t>(count), length); }

// A complete 64-symbol tree with codes of 1, 6 and 11 bits, so lookups need sub-tables.
Lengths Skewed() {
    Lengths lengths(64, 11);
    lengths[0] = 1;
    for (int symbol = 1; symbol < 32; ++symbol) lengths[static_cast<size_t>(symbol)] = 6;
    return lengths;
}

// The tree description: a count byte, then runs of up to 16 equal lengths.
Bytes Describe(const Lengths& lengths) {
    Bytes runs;
    for (size_t i = 0; i < lengths.size();) {
        size_t run = 1;
        while (i + run < lengths.size() && run < 16 && lengths[i + run] == lengths[i]) ++run;
        runs.push_back(static_cast<uint8_t>(((run - 1) << 4) | (lengths[i] - 1)));
        i += run;
    }
    Bytes description;
    description.reserve(runs.size() + 1);
    description.push_back(static_cast<uint8_t>(runs.size() - 1));
    for (const uint8_t run_byte : runs) description.push_back(run_byte);
    return description;
}

// Canonical codes for the lengths: shorter codes first, and in symbol order within a length.
std::vector<uint32_t> CodesOf(const Lengths& lengths) {
    std::vector<uint32_t> codes(lengths.size());
    uint32_t code = 0;
    for (int length = 1; length <= 16; ++length) {
        for (size_t symbol = 0; symbol < lengths.size(); ++symbol) {
            if (lengths[symbol] == length) codes[symbol] = code++;
        }
        code <<= 1;
    }
    return codes;
}

// Writes an imploded stream: tree descriptions first, then literals and matches, every code
// sent first bit first and inverted.
class ExplodeWriter {
public:
    ExplodeWriter(uint16_t flags, Lengths length_tree = Uniform(64, 6),
                  Lengths distance_tree = Uniform(64, 6), Lengths literal_tree = Uniform(256, 8))
        : literal_tree_((flags & 4) != 0), large_dictionary_((flags & 2) != 0),
          literal_lengths_(literal_tree), length_lengths_(length_tree),
          distance_lengths_(distance_tree) {
        if (literal_tree_) Raw(Describe(literal_tree));
        Raw(Describe(length_tree));
        Raw(Describe(distance_tree));
    }

    ExplodeWriter& Raw(const Bytes& bytes) {
        for (uint8_t byte : bytes) bits_.PutByte(byte);
        return *this;
    }
    ExplodeWriter& Literal(uint8_t value) {
        bits_.Put(1, 1);
        if (literal_tree_) {
            Code(literal_lengths_, value);
        } else {
            bits_.Put(value, 8);
        }
        return *this;
    }
    ExplodeWriter& Text(const std::string& text) {
        for (char c : text) Literal(static_cast<uint8_t>(c));
        return *this;
    }
    ExplodeWriter& Match(int distance, int length) {
        bits_.Put(0, 1);
        const int low_bits = large_dictionary_ ? 7 : 6;
        const int distance_value = distance - 1;
        bits_.Put(static_cast<uint32_t>(distance_value & ((1 << low_bits) - 1)), low_bits);
        Code(distance_lengths_, distance_value >> low_bits);
        const int length_value = length - (literal_tree_ ? 3 : 2);
        Code(length_lengths_, length_value < 63 ? length_value : 63);
        if (length_value >= 63) bits_.Put(static_cast<uint32_t>(length_value - 63), 8);
        return *this;
    }
    Bytes Finish() const { return bits_.Finish(); }

private:
    void Code(const Lengths& lengths, int symbol) {
        const uint32_t code = CodesOf(lengths)[static_cast<size_t>(symbol)];
        for (int bit = lengths[static_cast<size_t>(symbol)] - 1; bit >= 0; --bit) {
            bits_.PutBit(((code >> bit) & 1u) ^ 1u);
        }
    }

    bool literal_tree_;
    bool large_dictionary_;
    Lengths literal_lengths_;
    Lengths length_lengths_;
    Lengths distance_lengths_;
    BitWriter bits_;
};

std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string Decode(const Bytes& stream, int32_t size, uint16_t flags) {
    LegacyDecoder decoder;
    return AsText(decoder.DecodeRaw(6, stream, size, flags).output);
}

// Appends length bytes copied from distance back, one at a time, as a reference.
void Repeat(std::string& text, int distance, int length) {
    for (int i = 0; i < length; ++i) text += text[text.size() - static_cast<size_t>(distance)];
}

TEST(Explode, BitsOneAndTwoAloneChooseTheVariant) {
    for (uint16_t flags : {0x0000, 0x0002, 0x0004, 0x0006}) {
        SCOPED_TRACE(flags);
        const Bytes stream = ExplodeWriter(flags).Text("hello ").Match(6, 12).Text("!").Finish();
        EXPECT_EQ(Decode(stream, 19, flags), "hello hello hello !");
    }
}

TEST(Explode, LengthCode63AddsOneRawByte) {
    // With the literal tree the longest match is 66 + 255, without it 65 + 255.
    const Bytes with_literals = ExplodeWriter(0x0006).Text("x").Match(1, 321).Text("y").Finish();
    EXPECT_EQ(Decode(with_literals, 323, 0x0006), "x" + std::string(321, 'x') + "y");
    const Bytes without_literals = ExplodeWriter(0x0000).Text("x").Match(1, 320).Text("y").Finish();
    EXPECT_EQ(Decode(without_literals, 322, 0x0000), "x" + std::string(320, 'x') + "y");
}

TEST(Explode, MatchBeforeTheFirstByteYieldsZeros) {
    LegacyDecoder decoder;
    std::memset(decoder.Context().Window, 0x5A, sizeof decoder.Context().Window);
    const Bytes stream = ExplodeWriter(0x0002).Text("a").Match(5, 4).Text("b").Finish();
    EXPECT_EQ(AsText(decoder.DecodeRaw(6, stream, 6, 0x0002).output), std::string("a\0\0\0\0b", 6));
}

TEST(Explode, LongOutputWrapsTheWindowAndKeepsItsHistory) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += static_cast<char>('a' + i * 7 % 26);
    ExplodeWriter writer(0x0002, Uniform(64, 6), Skewed());
    writer.Text(text);
    std::string expected = text;
    const int distances[] = {200, 1, 8192, 4097, 63, 129, 7000};
    for (int i = 0; expected.size() < 70000; ++i) {
        const int distance = std::min<int>(distances[i % 7], static_cast<int>(expected.size()));
        const int length = 2 + i % 300;
        writer.Match(distance, length);
        Repeat(expected, distance, length);
        if (i % 5 == 0) {
            writer.Literal(static_cast<uint8_t>(i));
            expected += static_cast<char>(static_cast<uint8_t>(i));
        }
    }
    EXPECT_EQ(Decode(writer.Finish(), static_cast<int32_t>(expected.size()), 0x0002), expected);
}

// The 8-bit first-level distance table is chosen above 200000 compressed bytes; it reads the
// same codes as the 7-bit one.
TEST(Explode, DistanceTableWidthDependsOnCompressedSizeNotOnOutput) {
    std::string text;
    for (int i = 0; i < 3000; ++i) text += static_cast<char>(i * 13 % 251);
    ExplodeWriter writer(0x0000, Uniform(64, 6), Skewed());
    writer.Text(text);
    std::string expected = text;
    for (int distance : {1, 70, 64 * 5 + 3, 64 * 40 + 17, 2999}) {
        writer.Match(distance, 10);
        Repeat(expected, distance, 10);
    }
    for (size_t compressed_size : {size_t{200000}, size_t{200001}}) {
        SCOPED_TRACE(compressed_size);
        Bytes stream = writer.Finish();
        stream.resize(compressed_size, 0);
        EXPECT_EQ(Decode(stream, static_cast<int32_t>(expected.size()), 0x0000), expected);
    }
}

TEST(Explode, BadTreeDescriptionWritesNothing) {
    struct Case {
        const char* name;
        Lengths length_tree;
    };
    Lengths one_too_many = Uniform(65, 6);
    const Case cases[] = {
        {"one symbol too many", one_too_many},
        {"one symbol too few", Uniform(63, 6)},
        {"incomplete code", Uniform(64, 7)},
        {"over-subscribed code", Uniform(64, 5)},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.name);
        Bytes stream = Describe(bad.length_tree);
        const Bytes rest = ExplodeWriter(0x0000).Text("abc").Finish();
        // The distance tree and data of a good stream follow the bad length tree.
        stream.insert(stream.end(), rest.begin() + 5, rest.end());
        EXPECT_EQ(Decode(stream, 3, 0x0000), "");
    }
}

TEST(Explode, EmptyEntryReadsOnlyTheTrees) {
    EXPECT_EQ(Decode(ExplodeWriter(0x0004).Text("ignored").Finish(), 0, 0x0004), "");
}

TEST(Explode, MatchOvershootingTheSizeIsStoppedByTheSizeGuard) {
    LegacyDecoder decoder;
    const Bytes stream = ExplodeWriter(0x0000).Text("ab").Match(1, 10).Finish();
    const legacy_test::DecodeResult result = decoder.DecodeRaw(6, stream, 5, 0x0000);
    EXPECT_TRUE(result.too_large);
    EXPECT_TRUE(result.output.empty());
}

}  // namespace
