// Feeds arbitrary bytes to the explode decoder as an entry's compressed data. The first three
// bytes give the claimed uncompressed size (up to 256 KB), the fourth the bit flag (bits 1
// and 2 choose the variant); bad trees, invalid codes and far matches must all stay inside
// the window and the tables.

#include <cstddef>
#include <cstdint>

#include "../tests/unzip/legacy_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const int32_t claimed_size = (data[0] | (data[1] << 8) | (data[2] << 16)) & 0x3FFFF;
    const uint16_t flags = data[3] & 0x06;
    static legacy_test::LegacyDecoder decoder;  // one context for every input, as in a run
    try {
        decoder.DecodeRaw(6, legacy_test::Bytes(data + 4, data + size), claimed_size, flags);
    } catch (const zip::Exception&) {
    }
    return 0;
}
