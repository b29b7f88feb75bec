#pragma once
// Builds ZIP archives in memory, header by header, so that a test can say exactly what is
// wrong with an archive: a wrong CRC, a bad signature, an end record in the wrong place, an
// encrypted entry, a name that climbs out of the destination. Entry data is stored as given
// (method 0 unless the test sets another method and supplies the compressed bytes itself).

#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

// CRC-32 of the ZIP format, bit by bit (slow and obviously right).
inline uint32_t ReferenceCrc32(const std::string& data, uint32_t crc = 0xFFFFFFFF) {
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc;
}

// The traditional encryption of ZIP archives, as an encoder: the mirror of the decoder
// under test.
class TraditionalEncryptor {
public:
    explicit TraditionalEncryptor(const std::string& password) {
        for (unsigned char byte : password) Update(byte);
    }
    std::string Encrypt(const std::string& plain) {
        std::string out = plain;
        for (char& character : out) {
            const uint32_t temp = static_cast<uint16_t>(key2_ | 2);
            const uint8_t stream_byte = static_cast<uint8_t>((temp * (temp ^ 1)) >> 8);
            const uint8_t plain_byte = static_cast<uint8_t>(character);
            character = static_cast<char>(plain_byte ^ stream_byte);
            Update(plain_byte);
        }
        return out;
    }

private:
    static uint32_t CrcStep(uint32_t crc, uint8_t byte) { return ReferenceCrc32(std::string(1, static_cast<char>(byte)), crc); }
    void Update(uint8_t byte) {
        key0_ = CrcStep(key0_, byte);
        key1_ = (key1_ + (key0_ & 0xFF)) * 134775813u + 1;
        key2_ = CrcStep(key2_, static_cast<uint8_t>(key1_ >> 24));
    }
    uint32_t key0_ = 0x12345678;
    uint32_t key1_ = 0x23456789;
    uint32_t key2_ = 0x34567890;
};

struct TestEntry {
    std::string name;               // as stored ('/' separators)
    std::string data;               // uncompressed content
    std::string compressed;         // stored bytes when method != 0 (else data is stored)
    uint16_t method = 0;
    uint16_t flags = 0;
    uint32_t dos_date_time = 0x5A8B6C00;  // 2025-04-11 13:32:00
    uint32_t external_attributes = 0x20;
    std::string comment;
    std::string extra;
    std::string password;           // encrypts the entry when not empty
    bool override_crc = false;
    uint32_t crc = 0;               // used when override_crc
    bool override_uncompressed_size = false;
    uint32_t uncompressed_size = 0;
    bool override_compressed_size = false;
    uint32_t compressed_size = 0;
    uint16_t disk = 0;
    // Written as a streaming writer does: zero CRC and sizes in the local header (bit 3 set)
    // and a data descriptor after the data, with or without its signature.
    bool streamed = false;
    bool descriptor_signature = true;
    bool omit_descriptor = false;
    // Written as a ZIP64 writer does: sizes (and in the central header the offset) all ones,
    // the real values in a ZIP64 record in front of the extra field; a data descriptor then
    // has 8-byte sizes.
    bool zip64 = false;
    // Sizes in the local header even though the entry is streamed (some writers do).
    bool sizes_in_local_header = false;
};

class ArchiveBuilder {
public:
    // Bytes placed before the first local header (a self-extracting program, say); offsets
    // count from the start of the whole file unless offsets_from_archive_start is set.
    std::string prefix;
    bool offsets_from_archive_start = false;
    std::string archive_comment;
    bool reverse_central_order = false;
    bool corrupt_central_signature = false;
    bool omit_end_record = false;
    int total_entries_override = -1;
    uint16_t this_disk = 0;
    std::string trailing;  // bytes after the end record and its comment
    // A ZIP64 end record and its locator before the end record, whose counts, size and offset
    // are then all ones.
    bool zip64_end_record = false;

    TestEntry& Add(const std::string& name, const std::string& data) {
        TestEntry entry;
        entry.name = name;
        entry.data = data;
        entries.push_back(entry);
        return entries.back();
    }

    std::vector<TestEntry> entries;

    std::string Build() const {
        std::string out = prefix;
        const uint32_t base = offsets_from_archive_start ? static_cast<uint32_t>(prefix.size()) : 0;
        std::vector<uint32_t> offsets;
        std::vector<uint32_t> crcs;
        std::vector<uint32_t> sizes;
        for (const TestEntry& entry : entries) {
            const uint32_t crc = entry.override_crc ? entry.crc : ~ReferenceCrc32(entry.data);
            std::string payload = entry.method == 0 ? entry.data : entry.compressed;
            uint16_t flags = entry.flags | (entry.streamed ? 8 : 0);
            if (!entry.password.empty()) {
                flags |= 1;
                std::string header(12, '\0');
                for (int i = 0; i < 11; ++i) header[i] = static_cast<char>(0x11 * (i + 1));
                header[11] = (flags & 8) != 0 ? static_cast<char>(entry.dos_date_time >> 8) : static_cast<char>(crc >> 24);
                TraditionalEncryptor encryptor(entry.password);
                payload = encryptor.Encrypt(header + payload);
            }
            offsets.push_back(static_cast<uint32_t>(out.size()) - base);
            crcs.push_back(crc);
            const uint32_t stored_size =
                entry.override_compressed_size ? entry.compressed_size : static_cast<uint32_t>(payload.size());
            sizes.push_back(stored_size);
            const uint32_t uncompressed = entry.override_uncompressed_size ? entry.uncompressed_size
                                                                           : static_cast<uint32_t>(entry.data.size());
            const bool sizes_known = !entry.streamed || entry.sizes_in_local_header;
            std::string local_extra = entry.extra;
            if (entry.zip64) {
                std::string record;
                Le64(record, sizes_known ? uncompressed : 0);
                Le64(record, sizes_known ? stored_size : 0);
                local_extra = ExtraRecord(0x0001, record) + entry.extra;
            }
            Le32(out, 0x04034B50);
            Le16(out, 20);
            Le16(out, flags);
            Le16(out, entry.method);
            Le32(out, entry.dos_date_time);
            Le32(out, entry.streamed ? 0 : crc);
            Le32(out, !sizes_known ? 0 : entry.zip64 ? 0xFFFFFFFF : stored_size);
            Le32(out, !sizes_known ? 0 : entry.zip64 ? 0xFFFFFFFF : uncompressed);
            Le16(out, static_cast<uint16_t>(entry.name.size()));
            Le16(out, static_cast<uint16_t>(local_extra.size()));
            out += entry.name + local_extra + payload;
            if (entry.streamed && !entry.omit_descriptor) {
                if (entry.descriptor_signature) Le32(out, 0x08074B50);
                Le32(out, crc);
                if (entry.zip64) {
                    Le64(out, stored_size);
                    Le64(out, uncompressed);
                } else {
                    Le32(out, stored_size);
                    Le32(out, uncompressed);
                }
            }
        }
        const uint32_t central_start = static_cast<uint32_t>(out.size()) - base;
        out.reserve(out.size() + entries.size() * 64);
        for (size_t k = 0; k < entries.size(); ++k) {
            const size_t i = reverse_central_order ? entries.size() - 1 - k : k;
            const TestEntry& entry = entries[i];
            const uint32_t uncompressed = entry.override_uncompressed_size ? entry.uncompressed_size
                                                                           : static_cast<uint32_t>(entry.data.size());
            uint16_t flags = entry.flags | (entry.streamed ? 8 : 0);
            if (!entry.password.empty()) flags |= 1;
            std::string central_extra = entry.extra;
            if (entry.zip64) {
                std::string record;
                Le64(record, uncompressed);
                Le64(record, sizes[i]);
                Le64(record, offsets[i]);
                central_extra = ExtraRecord(0x0001, record) + entry.extra;
            }
            Le32(out, corrupt_central_signature ? 0x02014B51 : 0x02014B50);
            Le16(out, 20);
            Le16(out, 20);
            Le16(out, flags);
            Le16(out, entry.method);
            Le32(out, entry.dos_date_time);
            Le32(out, crcs[i]);
            Le32(out, entry.zip64 ? 0xFFFFFFFF : sizes[i]);
            Le32(out, entry.zip64 ? 0xFFFFFFFF : uncompressed);
            Le16(out, static_cast<uint16_t>(entry.name.size()));
            Le16(out, static_cast<uint16_t>(central_extra.size()));
            Le16(out, static_cast<uint16_t>(entry.comment.size()));
            Le16(out, entry.disk);
            Le16(out, 0);
            Le32(out, entry.external_attributes);
            Le32(out, entry.zip64 ? 0xFFFFFFFF : offsets[i]);
            out += entry.name + central_extra + entry.comment;
        }
        const uint32_t central_size = static_cast<uint32_t>(out.size()) - base - central_start;
        if (!omit_end_record) {
            const uint16_t count = total_entries_override >= 0 ? static_cast<uint16_t>(total_entries_override)
                                                               : static_cast<uint16_t>(entries.size());
            if (zip64_end_record) {
                const uint32_t record_offset = static_cast<uint32_t>(out.size()) - base;
                Le32(out, 0x06064B50);
                Le64(out, 44);
                Le16(out, 45);
                Le16(out, 45);
                Le32(out, this_disk);
                Le32(out, this_disk);
                const uint64_t count64 = total_entries_override >= 0 ? static_cast<uint64_t>(total_entries_override)
                                                                     : entries.size();
                Le64(out, count64);
                Le64(out, count64);
                Le64(out, central_size);
                Le64(out, central_start);
                Le32(out, 0x07064B50);
                Le32(out, this_disk);
                Le64(out, record_offset);
                Le32(out, this_disk + 1u);
            }
            Le32(out, 0x06054B50);
            Le16(out, this_disk);
            Le16(out, this_disk);
            Le16(out, zip64_end_record ? 0xFFFF : count);
            Le16(out, zip64_end_record ? 0xFFFF : count);
            Le32(out, zip64_end_record ? 0xFFFFFFFF : central_size);
            Le32(out, zip64_end_record ? 0xFFFFFFFF : central_start);
            Le16(out, static_cast<uint16_t>(archive_comment.size()));
            out += archive_comment;
        }
        return out + trailing;
    }

    static void Le16(std::string& out, uint16_t value) {
        out += static_cast<char>(value & 0xFF);
        out += static_cast<char>(value >> 8);
    }
    static void Le32(std::string& out, uint32_t value) {
        Le16(out, static_cast<uint16_t>(value & 0xFFFF));
        Le16(out, static_cast<uint16_t>(value >> 16));
    }
    static void Le64(std::string& out, uint64_t value) {
        Le32(out, static_cast<uint32_t>(value));
        Le32(out, static_cast<uint32_t>(value >> 32));
    }
    // One record of an extra field: its id, its data size and its data.
    static std::string ExtraRecord(uint16_t id, const std::string& data) {
        std::string record;
        Le16(record, id);
        Le16(record, static_cast<uint16_t>(data.size()));
        return record + data;
    }
};

}  // namespace test_support
