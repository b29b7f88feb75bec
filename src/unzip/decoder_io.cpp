// The input and output of every decoder.
//
// Input: compressed bytes come from the archive 16000 at a time into InBuf, decrypted on the
// way in when the entry is encrypted. BytesLeft counts what the entry still has; once it is
// used up ReadByte reports "no byte" and the bit readers supply zero bits, so a decoder that
// reads past its data ends through its own end conditions or the size guard below. A refill
// that finds the volume short continues in the next volume of a spanned archive, and is a
// fatal error in a single archive.
//
// Output: decoded bytes gather in OutBuf and leave for the output file 16000 at a time. The
// size guard refuses any buffer that would make the file longer than the entry claims, which
// is also what stops a decoder running on over damaged data. Every buffer written is folded
// into the CRC and reported to the progress events.

#include "unzip/unzip_context.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "zip/zip_errors.h"

namespace unzip {
namespace {

constexpr uint32_t kBitMasks[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F, 0x007F, 0x00FF,
                                    0x01FF, 0x03FF, 0x07FF, 0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};

// done * 100 / total, rounded to the nearest integer with halves to the even neighbour,
// at most 100; 0 when total is not positive.
int Percent(double done, double total) {
    if (total <= 0) return 0;
    const double percent = std::nearbyint(done * 100.0 / total);
    return percent > 100.0 ? 100 : static_cast<int>(percent);
}

// Reads up to n bytes of the entry's data into buffer. In a spanned archive a volume that
// ends early is followed into the next one until the n bytes are there; a single archive
// simply delivers fewer. Returns the number of bytes read.
int32_t ReadArchive(TUnZipContext& context, uint8_t* buffer, int32_t n) {
    if (n <= 0 || context.ArchiveStream == nullptr) return 0;
    int64_t got = std::max<int64_t>(0, context.ArchiveStream->Read(buffer, n));
    if (got >= n || !context.MultiVolume || !context.hooks.load_volume) return static_cast<int32_t>(got);
    while (got < n) {
        const int volume_number = context.CurrentDisk + 2;
        zip::TStream* next = context.hooks.load_volume(volume_number);
        if (next == nullptr) break;
        context.ArchiveStream = next;
        context.CurrentDisk = volume_number - 1;
        const int64_t more = next->Read(buffer + got, n - got);
        // A volume with nothing to give ends the data here; asking for volume after volume
        // that never delivers would not end.
        if (more <= 0) break;
        got += more;
    }
    return static_cast<int32_t>(got);
}

}  // namespace

int RefillInput(TUnZipContext& context) {
    if (context.DoProcessMessages && context.hooks.process_messages) context.hooks.process_messages();
    const int32_t wanted = static_cast<int32_t>(std::min<uint64_t>(context.CurrentEntry.CompressedSize, kIoBufferLimit));
    context.CurrentEntry.CompressedSize -= static_cast<uint64_t>(wanted);
    const int32_t got = ReadArchive(context, context.InBuf, wanted);
    if (got < wanted) throw zip::EFatalUnzipError("Premature end of file reached");
    context.InCount = static_cast<uint16_t>(got);
    context.plain_end = context.InBuf + context.InCount;
    if (context.CurrentEntry.Encrypted()) {
        if (context.decrypt_on_demand) {
            context.plain_end = context.InBuf;
        } else {
            DecryptBuffer(context, context.InBuf, context.InCount);
        }
    }
    context.read_position = context.InBuf;
    return context.InCount;
}

int ReadByte(TUnZipContext& context, uint8_t& value) {
    if (context.BytesLeft <= 0) {
        --context.BytesLeft;
        return kNoByte;
    }
    --context.BytesLeft;
    if (context.InCount == 0 && RefillInput(context) == 0) return kNoByte;
    // A few bytes at a time, so that a decoder that goes back to its own way of reading
    // finds most of the buffer still to be decrypted alongside its work.
    if (context.read_position == context.plain_end) DecryptInputTo(context, context.read_position + 16);
    value = *context.read_position++;
    --context.InCount;
    return kByteRead;
}

void FillBitBuffer(TUnZipContext& context) {
    context.AtEnd = true;
    uint8_t value = 0;
    while (context.BitCount < 25 && ReadByte(context, value) == kByteRead) {
        context.BitBuf |= static_cast<uint32_t>(value) << context.BitCount;
        context.BitCount += 8;
        context.AtEnd = false;
    }
}

uint16_t ReadBits(TUnZipContext& context, int n) {
    if (n > 16) n = 16;
    if (n > context.BitCount) FillBitBuffer(context);
    const uint16_t result = static_cast<uint16_t>(context.BitBuf & kBitMasks[n]);
    // Past the end of the data fewer bits than asked may be left; the missing ones read as 0.
    if (n >= context.BitCount) {
        context.BitBuf = 0;
        context.BitCount = 0;
    } else {
        context.BitBuf >>= n;
        context.BitCount = static_cast<uint16_t>(context.BitCount - n);
    }
    return result;
}

void EnsureBits(TUnZipContext& context, int n, uint32_t& bits, uint16_t& count) {
    while (count < n) {
        uint8_t value = 0;
        // Past the end of the data the decoder gets zero bits.
        if (ReadByte(context, value) != kByteRead) value = 0;
        bits |= static_cast<uint32_t>(value) << count;
        count = static_cast<uint16_t>(count + 8);
    }
}

void DropBits(int n, uint32_t& bits, uint16_t& count) {
    bits >>= n;
    count = static_cast<uint16_t>(count - n);
}

void PutByte(TUnZipContext& context, uint8_t value) {
    *context.write_position++ = value;
    if (++context.OutCount == kIoBufferLimit) FlushOutput(context);
}

void FlushWindow(TUnZipContext& context, uint32_t n) {
    const uint8_t* source = context.Window;
    while (n > 0) {
        const uint32_t piece = std::min<uint32_t>(n, kIoBufferLimit - context.OutCount);
        std::memcpy(context.write_position, source, piece);
        context.write_position += piece;
        context.OutCount = static_cast<uint16_t>(context.OutCount + piece);
        source += piece;
        n -= piece;
        if (context.OutCount >= kIoBufferLimit) FlushOutput(context);
    }
}

void FlushOutput(TUnZipContext& context) {
    if (context.OutCount == 0) return;
    WriteOutput(context, context.OutBuf, context.OutCount);
    context.OutCount = 0;
    context.write_position = context.OutBuf;
}

void WriteOutput(TUnZipContext& context, const uint8_t* data, uint32_t n) {
    const uint64_t size = context.CurrentEntry.UncompressedSize;
    if (static_cast<uint64_t>(context.OutFile->Position()) + n > size)
        throw zip::EBiggerThanUncompressed("File is larger than uncompressed size!");
    // A short write would leave a file that differs from the bytes the CRC was taken over.
    if (context.OutFile->Write(data, n) != n) throw zip::EStreamError("Stream write error");
    UpdateCrc(context, data, n);
    context.EntryWritten += n;
    if (context.hooks.file_percent_done)
        context.hooks.file_percent_done(Percent(static_cast<double>(context.EntryWritten), static_cast<double>(size)));
    if (context.hooks.total_percent_done) {
        context.TotalBytesDone += n;
        context.hooks.total_percent_done(
            Percent(static_cast<double>(context.TotalBytesDone), static_cast<double>(context.TotalBytes)));
    }
}

void CopyStored(TUnZipContext& context) {
    // Stored data goes from the archive straight into OutBuf, without window messages. A
    // short read in a single archive is not an error here: the copy ends with what was there,
    // and the CRC check rejects the entry.
    while (context.CurrentEntry.CompressedSize > 0) {
        const uint32_t wanted = static_cast<uint32_t>(std::min<uint64_t>(context.CurrentEntry.CompressedSize, kIoBufferLimit));
        const uint32_t got = static_cast<uint32_t>(ReadArchive(context, context.OutBuf, static_cast<int32_t>(wanted)));
        if (context.CurrentEntry.Encrypted()) DecryptBuffer(context, context.OutBuf, got);
        context.CurrentEntry.CompressedSize -= wanted;
        context.OutCount = static_cast<uint16_t>(got);
        context.write_position = context.OutBuf + got;
        FlushOutput(context);
        if (got < wanted) break;
    }
}

}  // namespace unzip
