// One entry, one output file. The archive is positioned through the entry's local header,
// which must agree with the central directory (the method, sizes and CRC used are the
// central directory's; a data descriptor after the data is never read). The decoded size must
// be the declared one: a stored entry's two sizes are compared before anything is written,
// output past the declared size stops the decoder, and output that ends short fails the entry. An encrypted entry
// starts with a 12-byte header whose last byte, once decrypted, must equal a check byte
// taken from the entry: the high byte of the DOS time when the entry has a data descriptor
// (its CRC was not known when the header was written), otherwise the high byte of the CRC.
// Only one byte is compared, so one wrong password in 256 passes; the CRC check after
// decoding catches those and offers OnBadPassword once more.

#include "unzip/entry_decoding.h"

#include <algorithm>

#include "zip/buffer_stream.h"
#include "zip/extra_fields.h"
#include "zip/zip_errors.h"
#include "zip/zip_lib.h"

namespace unzip {

namespace {

// Reads the entry's local header, checks it against the central directory and leaves the
// archive on the entry's data (or its encryption header). The header must be there, with
// well-formed extra records, the same name byte for byte, the same method and flag bits 0 and
// 3, and, when no data descriptor follows, the same CRC and sizes (from its ZIP64 record where
// the classic field is all ones); the data must end before the next entry's local header.
zip::TEntryDamage PositionOnData(TUnZipContext& context, EntryHost& host, const zip::TZipHeaderInfo& entry) {
    using zip::TEntryDamage;
    if (host.IsMultiVolume() && entry.DiskNumberStart != static_cast<uint32_t>(context.CurrentDisk)) {
        context.ArchiveStream = host.LoadVolumeStream(static_cast<int>(entry.DiskNumberStart) + 1);
        context.CurrentDisk = static_cast<int32_t>(entry.DiskNumberStart);
    }
    zip::TStream& archive = *context.ArchiveStream;
    const uint64_t archive_size = static_cast<uint64_t>(std::max<int64_t>(0, archive.GetSize()));
    if (!zip::FitsWithin(entry.RelativeOffset, zip::kLocalHeaderSize, archive_size)) return TEntryDamage::LocalSignature;
    archive.Seek(static_cast<int64_t>(entry.RelativeOffset), 0);
    uint8_t local_header[zip::kLocalHeaderSize] = {};
    if (archive.Read(local_header, zip::kLocalHeaderSize) != zip::kLocalHeaderSize ||
        zip::ReadLe32(local_header, 0) != zip::kLocalHeaderSignature) {
        return TEntryDamage::LocalSignature;
    }
    const uint16_t flags = zip::ReadLe16(local_header, 6);
    const uint16_t name_length = zip::ReadLe16(local_header, 26);
    const uint16_t extra_length = zip::ReadLe16(local_header, 28);
    std::string name(name_length, '\0');
    std::string extra(extra_length, '\0');
    if (archive.Read(name.data(), name_length) != name_length || name != entry.StoredName) return TEntryDamage::LocalMismatch;
    const auto* extra_bytes = reinterpret_cast<const uint8_t*>(extra.data());
    if (archive.Read(extra.data(), extra_length) != extra_length || !zip::ExtraFieldWellFormed(extra_bytes, extra.size())) {
        return TEntryDamage::ExtraField;
    }
    constexpr uint16_t kCheckedFlags = 0x0001 | 0x0008;  // encrypted, data descriptor
    if (zip::ReadLe16(local_header, 8) != entry.CompressionMethod || ((flags ^ entry.BitFlag) & kCheckedFlags) != 0) {
        return TEntryDamage::LocalMismatch;
    }
    if (!entry.HasDataDescriptor()) {
        zip::Zip64Values sizes{zip::ReadLe32(local_header, 22), zip::ReadLe32(local_header, 18)};
        bool zip64 = false;
        if (!zip::ApplyZip64Record(extra_bytes, extra.size(), sizes, zip64)) return TEntryDamage::ExtraField;
        if (zip::ReadLe32(local_header, 14) != entry.CRC32 || sizes.compressed_size != entry.CompressedSize ||
            sizes.uncompressed_size != entry.UncompressedSize) {
            return TEntryDamage::LocalMismatch;
        }
    }
    // The data, and the smallest data descriptor after it, must end before whatever follows.
    const uint64_t data_start = entry.RelativeOffset + zip::kLocalHeaderSize + name_length + extra_length;
    const uint64_t data_bytes = entry.CompressedSize + (entry.HasDataDescriptor() ? zip::kSmallestDataDescriptor : 0);
    if (!zip::FitsWithin(data_start, data_bytes, entry.RangeLimit)) return TEntryDamage::Overlap;
    return TEntryDamage::None;
}

// A stored entry holds its data as it is: both sizes (less the encryption header) agree.
bool StoredSizesDiffer(const zip::TZipHeaderInfo& entry) {
    if (entry.CompressionMethod != 0) return false;
    const uint64_t header = entry.Encrypted() ? 12 : 0;
    return entry.CompressedSize < header || entry.CompressedSize - header != entry.UncompressedSize;
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

    // Whatever contradicts the entry's own records is known before anything is written.
    zip::TEntryDamage damage = entry.Damage;
    if (damage == zip::TEntryDamage::None && entry.NeedsNewerVersion()) damage = zip::TEntryDamage::NewerVersion;
    if (damage == zip::TEntryDamage::None && !entry.FileName().empty()) {
        damage = PositionOnData(context, host, entry);
        if (damage == zip::TEntryDamage::None && StoredSizesDiffer(entry)) damage = zip::TEntryDamage::StoredSizes;
    }
    if (damage != zip::TEntryDamage::None) {
        host.EntryDamaged(damage, file_index);
        --context.FilesExtracted;
        return;
    }

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

    bool longer = false;
    try {
        Decode(context, host);
    } catch (const zip::EBiggerThanUncompressed&) {
        // The decoder ran past the entry's size. For an encrypted entry that is most likely
        // a wrong password that passed the one-byte check: the CRC below questions it.
        longer = true;
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
    const bool crc_matches = calculated_crc == entry.CRC32;
    // Data whose CRC matches may still not be what the entry declares: a size that differs
    // is damage of its own, whatever the CRC says.
    if ((longer && !entry.Encrypted()) || (crc_matches && context.EntryWritten != entry.UncompressedSize)) {
        host.EntryDamaged(longer ? zip::TEntryDamage::LongerThanDeclared : zip::TEntryDamage::ShorterThanDeclared,
                          file_index);
        host.DeleteOutputFile(output_path);
        --context.FilesExtracted;
        return;
    }
    if (crc_matches) {
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
