#pragma once
// zlib's deflate as an independent encoder for the inflate tests: raw deflate (no header) of
// input at a level and strategy. Only where the system has zlib (VI_HAVE_ZLIB).

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

namespace unzip_test {

inline std::vector<uint8_t> RawDeflate(const std::vector<uint8_t>& input, int level, int strategy = Z_DEFAULT_STRATEGY) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
    std::vector<uint8_t> output(deflateBound(&stream, input.size()) + 16);
    stream.next_in = const_cast<Bytef*>(input.data());
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    output.resize(stream.total_out);
    deflateEnd(&stream);
    return output;
}

}  // namespace unzip_test
