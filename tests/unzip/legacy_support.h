#pragma once
// Test helpers for the shrink, reduce and explode decoders: a bit writer for hand-made
// streams, just enough of a ZIP reader to find an entry's compressed bytes,
// and a driver that runs one decoder over a context the way entry decoding does.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../support/memory_stream.h"
#include "unzip/unzip_context.h"
#include "zip/stream.h"
#include "zip/zip_errors.h"

namespace legacy_test {

using Bytes = std::vector<uint8_t>;

using test_support::MemoryStream;

// Writes a bit stream least significant bit first, as the decoders read it.
class BitWriter {
public:
    void Put(uint32_t value, int width) {
        for (int i = 0; i < width; ++i) PutBit((value >> i) & 1u);
    }
    void PutBit(uint32_t bit) {
        if (used_ == 0) bytes_.push_back(0);
        if (bit) bytes_.back() = static_cast<uint8_t>(bytes_.back() | (1u << used_));
        used_ = (used_ + 1) & 7;
    }
    // Whole bytes, as the tree descriptions of explode are sent (the stream must be aligned).
    void PutByte(uint8_t value) { Put(value, 8); }
    const Bytes& Finish() const { return bytes_; }

private:
    Bytes bytes_;
    int used_ = 0;
};

inline Bytes ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline uint16_t Le16(const Bytes& bytes, size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}
inline uint32_t Le32(const Bytes& bytes, size_t offset) {
    return static_cast<uint32_t>(Le16(bytes, offset)) | (static_cast<uint32_t>(Le16(bytes, offset + 2)) << 16);
}

// One entry as the central directory describes it, with the offset of its data (or of its
// encryption header) taken from the local header.
struct ArchiveEntry {
    std::string name;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t date_time = 0;
    uint32_t crc = 0;
    int32_t compressed_size = 0;
    int32_t uncompressed_size = 0;
    uint32_t data_offset = 0;
};

// Reads the central directory of a well-formed single-volume archive; empty on anything odd.
inline std::vector<ArchiveEntry> ReadEntries(const Bytes& archive) {
    std::vector<ArchiveEntry> entries;
    if (archive.size() < 22) return entries;
    size_t end = archive.size() - 22;
    while (end > 0 && Le32(archive, end) != 0x06054b50) --end;
    if (Le32(archive, end) != 0x06054b50) return entries;
    const int count = Le16(archive, end + 10);
    size_t offset = Le32(archive, end + 16);
    for (int i = 0; i < count; ++i) {
        if (offset + 46 > archive.size() || Le32(archive, offset) != 0x02014b50) return {};
        ArchiveEntry entry;
        entry.flags = Le16(archive, offset + 8);
        entry.method = Le16(archive, offset + 10);
        entry.date_time = Le32(archive, offset + 12);
        entry.crc = Le32(archive, offset + 16);
        entry.compressed_size = static_cast<int32_t>(Le32(archive, offset + 20));
        entry.uncompressed_size = static_cast<int32_t>(Le32(archive, offset + 24));
        const size_t name_length = Le16(archive, offset + 28);
        const size_t extra_length = Le16(archive, offset + 30);
        const size_t comment_length = Le16(archive, offset + 32);
        const size_t local = Le32(archive, offset + 42);
        entry.name.assign(reinterpret_cast<const char*>(archive.data() + offset + 46), name_length);
        if (local + 30 > archive.size()) return {};
        entry.data_offset = static_cast<uint32_t>(local + 30 + Le16(archive, local + 26) + Le16(archive, local + 28));
        entries.push_back(entry);
        offset += 46 + name_length + extra_length + comment_length;
    }
    return entries;
}

struct DecodeResult {
    Bytes output;
    uint32_t crc = 0;
    bool password_accepted = true;
    bool too_large = false;  // the size guard stopped the decoder
};

// Runs decoders the way entry decoding does, with one context reused for every entry (so a
// decoder that read stale window bytes would show it).
class LegacyDecoder {
public:
    LegacyDecoder() : context_(std::make_unique<unzip::TUnZipContext>()) {}

    unzip::TUnZipContext& Context() { return *context_; }

    // Decodes an entry of an archive held in memory.
    DecodeResult DecodeEntry(const Bytes& archive, const ArchiveEntry& entry, const std::string& password = "") {
        MemoryStream input(archive);
        input.SetPosition(entry.data_offset);
        return Run(input, entry, password);
    }

    // Decodes compressed bytes given directly, as an unencrypted entry of the given method,
    // bit flag and uncompressed size.
    DecodeResult DecodeRaw(int method, const Bytes& compressed, int32_t uncompressed_size, uint16_t flags = 0) {
        MemoryStream input(compressed);
        ArchiveEntry entry;
        entry.method = static_cast<uint16_t>(method);
        entry.flags = flags;
        entry.compressed_size = static_cast<int32_t>(compressed.size());
        entry.uncompressed_size = uncompressed_size;
        return Run(input, entry, "");
    }

private:
    DecodeResult Run(MemoryStream& input, const ArchiveEntry& entry, const std::string& password) {
        unzip::TUnZipContext& context = *context_;
        DecodeResult result;
        MemoryStream output;
        context.ArchiveStream = &input;
        context.CurrentEntry = zip::TZipHeaderInfo();
        context.CurrentEntry.BitFlag = entry.flags;
        context.CurrentEntry.CompressionMethod = entry.method;
        context.CurrentEntry.CRC32 = entry.crc;
        context.CurrentEntry.LastModFileDateTime = entry.date_time;
        context.CurrentEntry.CompressedSize = entry.compressed_size;
        context.CurrentEntry.UncompressedSize = entry.uncompressed_size;
        if (context.CurrentEntry.Encrypted()) {
            const uint8_t check = context.CurrentEntry.HasDataDescriptor()
                                      ? static_cast<uint8_t>(entry.date_time >> 8)
                                      : static_cast<uint8_t>(entry.crc >> 24);
            if (unzip::CheckPassword(context, password, input) != check) {
                result.password_accepted = false;
                return result;
            }
        }
        context.BytesLeft = context.CurrentEntry.CompressedSize;
        context.EntrySize = entry.uncompressed_size;
        context.OutFile = &output;
        context.BitCount = 0;
        context.BitBuf = 0;
        context.EntryWritten = 0;
        context.InCount = 0;
        context.OutCount = 0;
        context.write_position = context.OutBuf;
        context.RunningCrc = 0xFFFFFFFF;
        try {
            switch (entry.method) {
            case 0: unzip::CopyStored(context); break;
            case 1: unzip::UnShrink(context); break;
            case 2: case 3: case 4: case 5: unzip::UnReduce(context, entry.method - 1); break;
            case 6: unzip::Explode(context); break;
            case 8: unzip::Inflate(context); break;
            default: break;
            }
        } catch (const zip::EBiggerThanUncompressed&) {
            result.too_large = true;
        }
        context.ArchiveStream = nullptr;
        context.OutFile = nullptr;
        result.crc = ~context.RunningCrc;
        result.output = output.Bytes();
        return result;
    }

    std::unique_ptr<unzip::TUnZipContext> context_;
};

// One row of the test data's manifest.
struct ManifestRow {
    std::string archive;
    std::string entry;
    int method = 0;
    std::string password;
};

inline std::vector<ManifestRow> ReadManifest(const std::string& path) {
    std::vector<ManifestRow> rows;
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);  // header
    while (std::getline(file, line)) {
        std::vector<std::string> fields;
        std::stringstream stream(line);
        std::string field;
        while (std::getline(stream, field, '\t')) fields.push_back(field);
        if (fields.size() < 8) continue;
        rows.push_back({fields[0], fields[1], std::stoi(fields[2]), fields[7]});
    }
    return rows;
}

}  // namespace legacy_test
