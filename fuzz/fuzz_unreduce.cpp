// Feeds arbitrary bytes to the reduce decoder as an entry's compressed data. The first three
// bytes give the claimed uncompressed size (up to 256 KB), the fourth the compression factor;
// any follower sets and repeats must decode inside the window and end with the output count.

#include <cstddef>
#include <cstdint>

#include "../tests/unzip/legacy_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const int32_t claimed_size = (data[0] | (data[1] << 8) | (data[2] << 16)) & 0x3FFFF;
    const int method = 2 + data[3] % 4;
    static legacy_test::LegacyDecoder decoder;  // one context for every input, as in a run
    try {
        decoder.DecodeRaw(method, legacy_test::Bytes(data + 4, data + size), claimed_size);
    } catch (const zip::Exception&) {
    }
    return 0;
}
