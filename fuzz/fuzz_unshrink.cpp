// Feeds arbitrary bytes to the shrink decoder as an entry's compressed data. The first three
// bytes give the claimed uncompressed size (up to 256 KB); the decoder must stay inside its
// tables and stop, whatever the codes say.

#include <cstddef>
#include <cstdint>

#include "../tests/unzip/legacy_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const int32_t claimed_size = (data[0] | (data[1] << 8) | (data[2] << 16)) & 0x3FFFF;
    static legacy_test::LegacyDecoder decoder;  // one context for every input, as in a run
    try {
        decoder.DecodeRaw(1, legacy_test::Bytes(data + 3, data + size), claimed_size);
    } catch (const zip::Exception&) {
    }
    return 0;
}
