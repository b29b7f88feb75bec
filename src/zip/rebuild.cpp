// The rebuild of the entry list from the local headers, for an archive whose central
// directory is neither where the end record says nor where the end record implies, or that
// has no end record at all. The scan goes from local header to local header; an entry that
// was written streamed (bit 3 of its flag) has zero sizes and CRC in its local header and
// carries them in a data descriptor after its data, which the scan finds: either the
// descriptor's own signature, or its 12 bytes (20 with the 8-byte sizes of an entry whose local
// header carried a ZIP64 record) right before the next header signature (or the end of the
// file), in both cases with a compressed size equal to the distance covered. An
// entry sized neither way makes the whole rebuild fail: no entry is listed with sizes that
// are not known.

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/dialogs.h"
#include "platform/platform.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"
#include "zip/zip_lib.h"

namespace zip {

namespace {

constexpr char kNotValidZip[] = "Not a valid zip file!";
constexpr int64_t kSelfExtractorSize = 14000;  // the rebuild scan starts past the program
constexpr int kMessageInterval = 10240;
constexpr uint32_t kDataDescriptorSignature = 0x08074B50;
constexpr int64_t kScanChunk = 65536;

// Shows the busy cursor while it lives.
class BusyCursor {
public:
    BusyCursor() { platform::UserDialogs().SetBusyCursor(true); }
    ~BusyCursor() { platform::UserDialogs().SetBusyCursor(false); }
};

bool IsHeaderSignature(uint32_t value) {
    return value == kLocalHeaderSignature || value == kCentralHeaderSignature || value == kEndCentralSignature;
}

struct DataDescriptor {
    uint32_t crc = 0;
    uint64_t compressed_size = 0;
    uint64_t uncompressed_size = 0;
    int64_t end = 0;  // the position just after the descriptor
};

// The shape of a data descriptor: its sizes take 4 bytes, or 8 when the local header carried
// a ZIP64 record; the signature in front of it is optional.
struct DescriptorShape {
    int size_bytes = 4;
    int Length(bool signed_descriptor) const { return (signed_descriptor ? 8 : 4) + 2 * size_bytes; }
    uint64_t Size(const uint8_t* bytes, size_t offset) const {
        return size_bytes == 8 ? ReadLe64(bytes, offset) : ReadLe32(bytes, offset);
    }
};

// Searches from data_start for the data descriptor of an entry whose data starts there.
// between_chunks runs after each 64 KB looked at. false when none is found.
bool FindDataDescriptor(TStream& stream, int64_t data_start, DescriptorShape shape,
                        const std::function<void()>& between_chunks, DataDescriptor& descriptor) {
    const int64_t file_size = stream.GetSize();
    const int64_t signed_length = shape.Length(true);
    const int64_t unsigned_length = shape.Length(false);
    std::vector<uint8_t> buffer;
    for (int64_t chunk = data_start; chunk < file_size; chunk += kScanChunk) {
        // More than the chunk, so a descriptor that starts in it is read whole, with the
        // signature of the next header after it.
        const int64_t length = std::min<int64_t>(kScanChunk + signed_length, file_size - chunk);
        buffer.resize(static_cast<size_t>(length));
        stream.Seek(chunk, 0);
        if (stream.Read(buffer.data(), length) != length) return false;
        const int64_t last = std::min<int64_t>(kScanChunk, length);
        for (int64_t at = 0; at < last; ++at) {
            const uint64_t distance = static_cast<uint64_t>(chunk + at - data_start);
            if (shape.size_bytes == 4 && distance > 0xFFFFFFFFull) return false;
            const uint8_t* bytes = buffer.data() + at;
            const int64_t left = length - at;
            if (left >= signed_length && ReadLe32(bytes, 0) == kDataDescriptorSignature && shape.Size(bytes, 8) == distance) {
                descriptor = {ReadLe32(bytes, 4), shape.Size(bytes, 8), shape.Size(bytes, 8 + shape.size_bytes),
                              chunk + at + signed_length};
                return true;
            }
            if (left >= unsigned_length && shape.Size(bytes, 4) == distance &&
                (left == unsigned_length ? chunk + at + unsigned_length == file_size
                                         : left >= unsigned_length + 4 && IsHeaderSignature(ReadLe32(bytes, unsigned_length)))) {
                descriptor = {ReadLe32(bytes, 0), shape.Size(bytes, 4), shape.Size(bytes, 4 + shape.size_bytes),
                              chunk + at + unsigned_length};
                return true;
            }
        }
        if (between_chunks) between_chunks();
    }
    return false;
}

// Where the entry whose local header was just read ends; false when its size is not known.
// The stream is left anywhere.
bool FindEntryEnd(TStream& stream, TZipHeaderInfo& entry, const std::function<void()>& between_chunks, int64_t& end) {
    const int64_t file_size = stream.GetSize();
    const int64_t data_start = stream.Position() + entry.ExtraFieldLength;
    const DescriptorShape shape{entry.Zip64 ? 8 : 4};
    // Sizes come from the archive and are never added to the start unchecked, where they
    // could overflow: data said to run past the file's end ends the scan there (the entry
    // then fails as cut short when it is reached).
    if (!FitsWithin(static_cast<uint64_t>(data_start), entry.CompressedSize, static_cast<uint64_t>(file_size))) {
        end = file_size;
        return !entry.HasDataDescriptor();
    }
    if (!entry.HasDataDescriptor()) {
        end = data_start + static_cast<int64_t>(entry.CompressedSize);
        return true;
    }
    if (entry.CompressedSize != 0) {
        // Some writers give the sizes in the local header as well; the descriptor follows
        // the data with or without its signature, and holds the CRC, which the local header
        // of a streamed entry does not.
        end = data_start + static_cast<int64_t>(entry.CompressedSize);
        uint8_t start[8] = {};
        stream.Seek(end, 0);
        if (stream.Read(start, 8) != 8) return false;
        const bool signed_descriptor = ReadLe32(start, 0) == kDataDescriptorSignature;
        entry.CRC32 = ReadLe32(start, signed_descriptor ? 4 : 0);
        end += shape.Length(signed_descriptor);
        return true;
    }
    DataDescriptor descriptor;
    if (!FindDataDescriptor(stream, data_start, shape, between_chunks, descriptor)) return false;
    entry.CRC32 = descriptor.crc;
    entry.CompressedSize = descriptor.compressed_size;
    entry.UncompressedSize = descriptor.uncompressed_size;
    end = descriptor.end;
    return true;
}

}  // namespace

// Scans the file for local headers under the busy cursor; a file without any, or with an
// entry that cannot be sized, is not a ZIP archive, and the catalogue is left empty.
void TZipExtractor::RebuildOrReject() {
    bool rebuilt = false;
    {
        BusyCursor busy;
        rebuilt = RebuildFromLocalHeaders();
    }
    if (!rebuilt) {
        ClearArchive();
        throw EBadZipFile(kNotValidZip);
    }
}

bool TZipExtractor::RebuildFromLocalHeaders() {
    rebuilding_ = true;
    FreeCatalogue();
    TZipFileStream& stream = *archive_stream_;
    const bool self_extractor = RightText(zip_name_, 4) == ".EXE";
    stream.Seek(self_extractor ? kSelfExtractorSize : 0, 0);
    const std::function<void()> process_messages = [this] {
        if (DoProcessMessages) platform::UserDialogs().ProcessMessages();
    };

    static constexpr uint8_t kSignature[4] = {'P', 'K', 3, 4};
    int matched = 0;
    int64_t other_bytes = 0;
    uint8_t byte = 0;
    while (matched < 4) {
        if (stream.Read(&byte, 1) != 1) return false;
        if (byte == kSignature[matched]) {
            ++matched;
            continue;
        }
        // A mismatch restarts the search at this very byte, so "PPK\3\4" is found.
        matched = byte == 'P' ? 1 : 0;
        if (byte != 'P' && ++other_bytes % kMessageInterval == 0) process_messages();
    }
    stream.Seek(-4, 1);

    catalogue_ = std::make_unique<TSortedZip>(TZipSortMode::ByNone, 2, true);
    sorted_view_ = catalogue_.get();
    while (catalogue_->Count() < catalogue_->MaxSize) {
        auto entry = std::make_unique<TZipHeaderInfo>();
        if (!entry->ReadLocalHeader(stream)) break;
        int64_t end = 0;
        if (!FindEntryEnd(stream, *entry, process_messages, end)) {
            FreeCatalogue();
            return false;
        }
        catalogue_->Add(entry.get());
        entry.release();
        stream.Seek(end, 0);
    }
    end_record_.ThisDiskNumber = 0;
    current_disk_ = 0;
    end_record_.CentralDirOffset = static_cast<uint64_t>(stream.Position());
    end_record_.TotalEntries = static_cast<uint64_t>(catalogue_->Count());
    number_of_disks_ = 1;
    return true;
}

}  // namespace zip
