// Fuzz target: errors that arise inside a decoder's blocks. Any bytes as an entry's
// compressed data, with a claimed compressed size that need not match them (so a refill
// finds the archive short in the middle of a block), spread over two volumes whose change
// may succeed, find nothing or be cancelled. Every decoder, with or without decryption,
// must end through its own exceptions without a leak, a read out of bounds or a hang.
//
// Input: byte 0 chooses the method (bits 0-2), the explode variant (bits 3-4), encryption
// (bit 5) and what the next volume does (bits 6-7); bytes 1-4 are the claimed compressed
// size, bytes 5-7 the claimed uncompressed size (up to 1 MB), bytes 8-9 where the second
// volume starts; the rest is the data.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz_streams.h"
#include "unzip/unzip_context.h"
#include "zip/zip_errors.h"

namespace {

enum class NextVolume { None, Delivered, Missing, Cancelled };

constexpr int kMethods[8] = {0, 1, 2, 3, 4, 5, 6, 8};

void Decode(unzip::TUnZipContext& context, int method) {
    switch (method) {
        case 0: unzip::CopyStored(context); return;
        case 1: unzip::UnShrink(context); return;
        case 6: unzip::Explode(context); return;
        case 8: unzip::Inflate(context); return;
        default: unzip::UnReduce(context, method - 1); return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kHeaderBytes = 10;
    if (size < kHeaderBytes) return 0;
    const int method = kMethods[data[0] & 0x07];
    const auto flags = static_cast<uint16_t>(((data[0] >> 2) & 0x06) | ((data[0] >> 5) & 0x01));
    const auto next_volume = static_cast<NextVolume>(data[0] >> 6);
    const uint32_t compressed_size = data[1] | (data[2] << 8) | (data[3] << 16) | (static_cast<uint32_t>(data[4]) << 24);
    const uint32_t uncompressed_size = (data[5] | (data[6] << 8) | (data[7] << 16)) & 0xFFFFF;
    const size_t length = size - kHeaderBytes;
    const size_t split = length == 0 ? 0 : (data[8] | (data[9] << 8)) % (length + 1);
    data += kHeaderBytes;

    fuzz_support::InputStream first(data, next_volume == NextVolume::None ? length : split);
    fuzz_support::InputStream second(data + split, length - split);
    fuzz_support::OutputStream output;
    // One context for every input, as in a run; each entry starts as entry decoding starts it.
    static auto context = std::make_unique<unzip::TUnZipContext>();
    unzip::TUnZipContext& c = *context;
    c.ArchiveStream = &first;
    c.CurrentDisk = 0;
    c.MultiVolume = next_volume != NextVolume::None;
    c.hooks.load_volume = [&](int) -> zip::TStream* {
        switch (next_volume) {
            case NextVolume::Delivered: return &second;
            case NextVolume::Missing: return nullptr;
            default:
                c.ArchiveStream = nullptr;
                throw zip::EUserCanceled("User canceled loading new disk.");
        }
    };
    c.OutFile = &output;
    c.CurrentEntry = zip::TZipHeaderInfo();
    c.CurrentEntry.CompressionMethod = static_cast<uint16_t>(method);
    c.CurrentEntry.BitFlag = flags;
    c.CurrentEntry.CompressedSize = compressed_size;
    c.CurrentEntry.UncompressedSize = uncompressed_size;
    c.BytesLeft = compressed_size;
    c.EntrySize = uncompressed_size;
    c.BitBuf = 0;
    c.BitCount = 0;
    c.AtEnd = false;
    c.EntryWritten = 0;
    c.InCount = 0;
    c.read_position = c.InBuf;
    c.OutCount = 0;
    c.write_position = c.OutBuf;
    c.RunningCrc = 0xFFFFFFFF;
    if (c.CurrentEntry.Encrypted()) unzip::InitKeys(c, "pw");
    try {
        Decode(c, method);
    } catch (const zip::Exception&) {
    }
    c.hooks.load_volume = nullptr;
    c.ArchiveStream = nullptr;
    c.OutFile = nullptr;
    return 0;
}
