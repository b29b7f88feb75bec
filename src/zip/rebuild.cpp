// The rebuild of the entry list from the local headers, for an archive whose central
// directory is neither where the end record says nor where the end record implies, or that
// has no end record at all. The scan goes from local header to local header; an entry that
// was written streamed (bit 3 of its flag) has zero sizes and CRC in its local header and
// carries them in a data descriptor after its data, which the scan finds: either the
// descriptor's own signature, or its 12 bytes right before the next header signature (or the
// end of the file), in both cases with a compressed size equal to the distance covered. An
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
    uint32_t compressed_size = 0;
    uint32_t uncompressed_size = 0;
    int64_t end = 0;  // the position just after the descriptor
};

// Searches from data_start for the data descriptor of an entry whose data starts there.
// between_chunks runs after each 64 KB looked at. false when none is found.
bool FindDataDescriptor(TStream& stream, int64_t data_start, const std::function<void()>& between_chunks,
                        DataDescriptor& descriptor) {
    const int64_t file_size = stream.GetSize();
    std::vector<uint8_t> buffer;
    for (int64_t chunk = data_start; chunk < file_size; chunk += kScanChunk) {
        // 16 bytes more than the chunk, so a descriptor that starts in it is read whole.
        const int64_t length = std::min<int64_t>(kScanChunk + 16, file_size - chunk);
        buffer.resize(static_cast<size_t>(length));
        stream.Seek(chunk, 0);
        if (stream.Read(buffer.data(), length) != length) return false;
        const int64_t last = std::min<int64_t>(kScanChunk, length);
        for (int64_t at = 0; at < last; ++at) {
            const int64_t distance = chunk + at - data_start;
            if (distance > 0xFFFFFFFFLL) return false;
            const uint8_t* bytes = buffer.data() + at;
            const int64_t left = length - at;
            if (left >= 16 && ReadLe32(bytes, 0) == kDataDescriptorSignature && ReadLe32(bytes, 8) == distance) {
                descriptor = {ReadLe32(bytes, 4), ReadLe32(bytes, 8), ReadLe32(bytes, 12), chunk + at + 16};
                return true;
            }
            if (left >= 12 && ReadLe32(bytes, 4) == distance &&
                (left == 12 ? chunk + at + 12 == file_size : left >= 16 && IsHeaderSignature(ReadLe32(bytes, 12)))) {
                descriptor = {ReadLe32(bytes, 0), ReadLe32(bytes, 4), ReadLe32(bytes, 8), chunk + at + 12};
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
    const int64_t data_start = stream.Position() + entry.ExtraFieldLength;
    if (!entry.HasDataDescriptor()) {
        end = data_start + entry.CompressedSize;
        return true;
    }
    if (entry.CompressedSize != 0) {
        // Some writers give the sizes in the local header as well; the descriptor follows
        // the data with or without its signature.
        end = data_start + entry.CompressedSize;
        uint8_t signature[4] = {};
        stream.Seek(end, 0);
        const bool signed_descriptor = stream.Read(signature, 4) == 4 && ReadLe32(signature, 0) == kDataDescriptorSignature;
        end += signed_descriptor ? 16 : 12;
        return true;
    }
    DataDescriptor descriptor;
    if (!FindDataDescriptor(stream, data_start, between_chunks, descriptor)) return false;
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
    while (catalogue_->Count() < kMaxListSize) {
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
    end_record_.CentralDirOffset = static_cast<uint32_t>(stream.Position());
    end_record_.TotalEntries = static_cast<uint16_t>(catalogue_->Count());
    number_of_disks_ = 1;
    return true;
}

}  // namespace zip
