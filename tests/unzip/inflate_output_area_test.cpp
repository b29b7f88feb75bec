// Inflate into an output stream that offers its memory (zip::TStream::DirectArea) against the
// same entries into one that does not: everything the entry path shows must be the same, for
// good streams and damaged ones, entry after entry in one context.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "unzip/bit_writer.h"
#include "unzip/decoder_harness.h"
#include "unzip/unzip_context.h"

#if VI_HAVE_ZLIB
#include "unzip/raw_deflate.h"
#endif

namespace {

using unzip_test::BitWriter;
using unzip_test::DecoderHarness;
using unzip_test::DecodeResult;
using Bytes = std::vector<uint8_t>;

// One entry given to both decodings: its compressed bytes and the size it claims.
struct AreaCase {
    const char* what;
    Bytes stream;
    uint32_t claimed;
};

// A stream whose second symbol reaches back before the entry's first byte, into what the
// entry before it left in the window, in an entry long enough to be given an area.
AreaCase ReachingBeforeTheStart() {
    BitWriter writer;
    writer.Bits(1, 1).Bits(1, 2).FixedLiteral('a').FixedLiteral(285).FixedDistance(29).Bits(8000, 13);
    writer.FixedLiteral(257).FixedDistance(0).FixedLiteral(256);
    return {"a match reaching before the first byte", writer.Finish(), 100000};
}

#if VI_HAVE_ZLIB
using unzip_test::RawDeflate;

// Text-like bytes with repeats near and far, and stretches of noise.
Bytes Sample(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes data;
    while (data.size() < size) {
        if (random() % 3 == 0 && data.size() > 40000) {
            const size_t from = data.size() - 1 - random() % 32768;
            for (uint32_t count = 3 + random() % 300; count > 0; --count) data.push_back(data[from + count % 50]);
        } else {
            for (uint32_t count = random() % 200; count > 0; --count) data.push_back(static_cast<uint8_t>('a' + random() % 20));
        }
    }
    data.resize(size);
    return data;
}

std::vector<AreaCase> Cases() {
    std::vector<AreaCase> cases;
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        const Bytes data = Sample(100000 * seed + 777, seed);
        const Bytes deflated = RawDeflate(data, static_cast<int>(seed * 3));
        const auto size = static_cast<uint32_t>(data.size());
        cases.push_back({"a good stream", deflated, size});
        cases.push_back({"claiming a byte less", deflated, size - 1});
        cases.push_back({"claiming 300 bytes less", deflated, size - 300});
        cases.push_back({"claiming more", deflated, size + 5000});
        cases.push_back({"cut short", Bytes(deflated.begin(), deflated.begin() + deflated.size() / 2), size});
        Bytes damaged = deflated;
        std::mt19937 random(seed);
        for (int flip = 0; flip < 4; ++flip) damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1 + random() % 255);
        cases.push_back({"with bytes changed", damaged, size});
        cases.push_back(ReachingBeforeTheStart());
    }
    return cases;
}
#else
std::vector<AreaCase> Cases() { return {ReachingBeforeTheStart()}; }
#endif

TEST(InflateOutputArea, EveryEntryComesOutAsWithoutTheArea) {
    DecoderHarness plain;
    DecoderHarness direct;
    for (const AreaCase& entry : Cases()) {
        SCOPED_TRACE(entry.what);
        plain.Prepare(entry.stream, entry.claimed);
        direct.Prepare(entry.stream, entry.claimed);
        direct.output->offers_area = true;
        const DecodeResult expected = plain.Run(unzip::Inflate);
        const DecodeResult result = direct.Run(unzip::Inflate);
        EXPECT_EQ(result.error, expected.error);
        EXPECT_TRUE(result.output == expected.output);
        EXPECT_EQ(result.crc, expected.crc);
        EXPECT_EQ(direct.output->write_calls, plain.output->write_calls);
        EXPECT_EQ(direct.context->BytesLeft, plain.context->BytesLeft);
        // What the next entry finds before its first byte.
        EXPECT_EQ(std::memcmp(direct.context->Window, plain.context->Window, 32768), 0);
    }
}

}  // namespace
