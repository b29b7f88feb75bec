// One entry, one output file. The archive is positioned through the entry's local header
// (only its name and extra field lengths are used: the method, sizes and CRC come from the
// central directory, and a data descriptor after the data is never read). An encrypted entry
// starts with a 12-byte header whose last byte, once decrypted, must equal a check byte
// taken from the entry: the high byte of the DOS time when the entry has a data descriptor
// (its CRC was not known when the header was written), otherwise the high byte of the CRC.
// Only one byte is compared, so one wrong password in 256 passes; the CRC check after
// decoding catches those and offers OnBadPassword once more.

#include "unzip/entry_decoding.h"

#include "zip/buffer_stream.h"
#include "zip/zip_errors.h"
#include "zip/zip_lib.h"

namespace unzip {

namespace {

// Positions the archive on the entry's data (or its encryption header).
void PositionOnData(TUnZipContext& context, EntryHost& host, const zip::TZipHeaderInfo& entry) {
    if (host.IsMultiVolume() && entry.DiskNumberStart != static_cast<uint32_t>(context.CurrentDisk)) {
        context.ArchiveStream = host.LoadVolumeStream(static_cast<int>(entry.DiskNumberStart) + 1);
        context.CurrentDisk = static_cast<int32_t>(entry.DiskNumberStart);
    }
    zip::TStream& archive = *context.ArchiveStream;
    archive.Seek(static_cast<int64_t>(entry.RelativeOffset), 0);
    uint8_t local_header[zip::kLocalHeaderSize] = {};
    archive.Read(local_header, zip::kLocalHeaderSize);
    const int64_t name_length = zip::ReadLe16(local_header, 26);
    const int64_t extra_length = zip::ReadLe16(local_header, 28);
    archive.Seek(name_length + extra_length, 1);
}

// The password check of an encrypted entry; true when the header's check byte matches.
bool CheckEntryPassword(TUnZipContext& context, EntryHost& host, int file_index) {
    zip::TZipHeaderInfo& entry = context.CurrentEntry;
    const uint8_t check_byte = entry.HasDataDescriptor() ? static_cast<uint8_t>(entry.LastModFileDateTime >> 8)
                                                         : static_cast<uint8_t>(entry.CRC32 >> 24);
    std::string& password = host.CurrentPassword();
    const int64_t header_position = context.ArchiveStream->Position();
    const uint64_t compressed_size = entry.CompressedSize;
    while (true) {
        if (CheckPassword(context, password, *context.ArchiveStream) == check_byte) return true;
        std::string new_password = password;
        host.BadPassword(file_index, new_password);
        if (new_password == password) return false;
        password = new_password;
        // The same header bytes are tried again with the new password.
        context.ArchiveStream->Seek(header_position, 0);
        entry.CompressedSize = compressed_size;
    }
}

void ResetDecodingState(TUnZipContext& context) {
    context.BitCount = 0;
    context.BitBuf = 0;
    context.EntryWritten = 0;
    context.InCount = 0;
    context.read_position = context.InBuf;
    context.plain_end = context.InBuf;
    context.OutCount = 0;
    context.write_position = context.OutBuf;
    context.AtEnd = false;
    context.RunningCrc = 0xFFFFFFFF;
}

void Decode(TUnZipContext& context, EntryHost& host) {
    const int method = context.CurrentEntry.CompressionMethod;
    switch (method) {
        case 0:
            CopyStored(context);
            return;
        case 1:
            UnShrink(context);
            return;
        case 2:
        case 3:
        case 4:
        case 5:
            UnReduce(context, method - 1);
            return;
        case 6:
            Explode(context);
            return;
        case 8:
            Inflate(context);
            return;
        case 9:
            Inflate64(context);
            return;
        default:
            host.UnknownCompressionMethod(method);
            return;
    }
}

// Writes what the output file still holds in its buffer; a failure is an error of its own,
// not a silently short file.
void CloseOutput(std::unique_ptr<zip::TStream>& output, const std::string& output_path) {
    auto* buffered = dynamic_cast<zip::TBufferStream*>(output.get());
    const bool flushed = buffered == nullptr || buffered->CurrentState() != zip::TBufferStream::State::Writing ||
                         buffered->FlushBuffer();
    output.reset();
    if (!flushed) throw zip::EFileError("Cannot write file \"" + output_path + "\"");
}

}  // namespace

void UnZipEntry(TUnZipContext& context, EntryHost& host, int file_index) {
    context.RetryEntry = false;
    context.CurrentEntry = host.EntryAt(file_index);
    zip::TZipHeaderInfo& entry = context.CurrentEntry;
    const std::string stored_name = entry.FullName();

    if (!entry.FileName().empty()) PositionOnData(context, host, entry);

    std::string directory;
    if (!host.ComposeDirectory(entry, directory)) {
        host.SkippingFile(srUnsafePath, stored_name, file_index);
        --context.FilesExtracted;
        return;
    }
    if (entry.FileName().empty()) {
        host.DirectoryEntryReached(file_index, directory);
        return;
    }
    std::string output_path = directory + entry.FileName();

    if (entry.Encrypted() && !CheckEntryPassword(context, host, file_index)) {
        host.SkippingFile(srBadPassword, stored_name, file_index);
        --context.FilesExtracted;
        return;
    }
    context.BytesLeft = static_cast<int64_t>(entry.CompressedSize);
    context.EntrySize = entry.UncompressedSize;

    if (!host.DecideOverwrite(file_index, entry, output_path)) {
        --context.FilesExtracted;
        return;
    }
    std::unique_ptr<zip::TStream> output = host.CreateOutputFile(output_path);
    if (!output) {
        host.SkippingFile(srFileOpenError, stored_name, file_index);
        --context.FilesExtracted;
        return;
    }
    context.OutFile = output.get();
    ResetDecodingState(context);

    if (host.StartUnZip(file_index, output_path)) {
        context.OutFile = nullptr;
        CloseOutput(output, output_path);
        return;
    }

    try {
        Decode(context, host);
    } catch (const zip::EBiggerThanUncompressed&) {
        // The decoder ran past the entry's size; what it wrote is judged by the CRC below.
    } catch (...) {
        context.OutFile = nullptr;
        output.reset();
        throw;
    }
    context.OutFile = nullptr;
    CloseOutput(output, output_path);
    host.ApplyAttributesAndDate(entry, output_path);

    const uint32_t calculated_crc = ~context.RunningCrc;
    context.RunningCrc = calculated_crc;
    if (calculated_crc == entry.CRC32) {
        host.EndUnZip(file_index, output_path);
        return;
    }
    if (entry.Encrypted()) {
        std::string& password = host.CurrentPassword();
        std::string new_password = password;
        host.BadPassword(file_index, new_password);
        if (new_password != password) {
            password = new_password;
            context.RetryEntry = true;
        } else {
            host.SkippingFile(srBadPassword, stored_name, file_index);
        }
    } else {
        host.BadCrc(calculated_crc, entry.CRC32, file_index);
    }
    host.DeleteOutputFile(output_path);
    if (!context.RetryEntry) --context.FilesExtracted;
}

}  // namespace unzip
