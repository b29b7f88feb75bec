// Feeds arbitrary bytes to Inflate as an entry's compressed data. The first two bytes pick
// the size the entry claims (so both the size guard and normal endings are reached) and, by
// the top bit of the second, the Deflate64 variant of the decoder; the output goes to
// memory, bounded by that size, and by the low bit of the first the output stream offers
// memory of that size to decode into. Any read or write out of bounds, any
// unbounded allocation or any endless loop is a finding.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "fuzz_streams.h"
#include "unzip/unzip_context.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // Claimed size: up to 2 MB, so a runaway stream ends at the guard quickly.
    const uint32_t claimed = (static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1] & 0x7F) << 8)) * 64;
    const bool deflate64 = (data[1] & 0x80) != 0;
    const bool offers_area = (data[0] & 1) != 0;
    data += 2;
    size -= 2;
    static auto context = std::make_unique<unzip::TUnZipContext>();
    fuzz_support::InputStream archive(data, size);
    fuzz_support::OutputStream output;
    output.offers_area = offers_area;
    context->ArchiveStream = &archive;
    context->OutFile = &output;
    context->MultiVolume = false;
    context->CurrentEntry.BitFlag = 0;
    context->CurrentEntry.CompressedSize = static_cast<uint32_t>(size);
    context->CurrentEntry.UncompressedSize = claimed;
    context->BytesLeft = static_cast<int64_t>(size);
    context->EntrySize = claimed;
    context->BitBuf = 0;
    context->BitCount = 0;
    context->EntryWritten = 0;
    context->InCount = 0;
    context->OutCount = 0;
    context->write_position = context->OutBuf;
    context->RunningCrc = 0xFFFFFFFF;
    try {
        if (deflate64) unzip::Inflate64(*context);
        else unzip::Inflate(*context);
    } catch (const std::exception&) {
        // The size guard and the premature end are expected outcomes here.
    }
    return 0;
}
