#include "zip/extra_fields.h"

#include <cstdint>

#include "zip/crc32_table.h"
#include "zip/zip_lib.h"

namespace zip {

namespace {

constexpr uint32_t kAllOnes32 = 0xFFFFFFFFu;
constexpr uint32_t kAllOnes16 = 0xFFFFu;

}  // namespace

bool FindExtraRecord(const uint8_t* extra, size_t length, uint16_t id, const uint8_t*& data, size_t& data_length) {
    size_t at = 0;
    while (at + 4 <= length) {
        const uint16_t record_id = ReadLe16(extra, at);
        const size_t record_length = ReadLe16(extra, at + 2);
        if (record_length > length - at - 4) return false;
        if (record_id == id) {
            data = extra + at + 4;
            data_length = record_length;
            return true;
        }
        at += 4 + record_length;
    }
    return false;
}

bool ExtraFieldWellFormed(const uint8_t* extra, size_t length) {
    size_t at = 0;
    while (at + 4 <= length) {
        const size_t record_length = ReadLe16(extra, at + 2);
        if (record_length > length - at - 4) return false;
        at += 4 + record_length;
    }
    return true;
}

bool ApplyZip64Record(const uint8_t* extra, size_t length, Zip64Values& values, bool& found) {
    const uint8_t* data = nullptr;
    size_t data_length = 0;
    found = FindExtraRecord(extra, length, kZip64ExtraId, data, data_length);
    if (!found) return true;
    Zip64Values read = values;
    uint64_t offset = read.relative_offset != nullptr ? *read.relative_offset : 0;
    uint32_t disk = read.disk_number_start != nullptr ? *read.disk_number_start : 0;
    size_t at = 0;
    // A value beyond what a file position can be is no value at all.
    auto take64 = [&](uint64_t& value) {
        if (value != kAllOnes32) return true;
        if (data_length - at < 8) return false;
        value = ReadLe64(data, at);
        at += 8;
        return value <= static_cast<uint64_t>(INT64_MAX);
    };
    if (!take64(read.uncompressed_size) || !take64(read.compressed_size)) return false;
    if (read.relative_offset != nullptr && !take64(offset)) return false;
    if (read.disk_number_start != nullptr && disk == kAllOnes16) {
        if (data_length - at < 4) return false;
        disk = ReadLe32(data, at);
    }
    values.uncompressed_size = read.uncompressed_size;
    values.compressed_size = read.compressed_size;
    if (values.relative_offset != nullptr) *values.relative_offset = offset;
    if (values.disk_number_start != nullptr) *values.disk_number_start = disk;
    return true;
}

bool UnicodePathName(const uint8_t* extra, size_t length, const std::string& stored_name, std::string& utf8_name) {
    const uint8_t* data = nullptr;
    size_t data_length = 0;
    // Version 1, the CRC-32 of the stored name, then the name itself.
    if (!FindExtraRecord(extra, length, kUnicodePathExtraId, data, data_length) || data_length < 5 || data[0] != 1) {
        return false;
    }
    if (ReadLe32(data, 1) != Crc32Of(stored_name)) return false;
    utf8_name.assign(reinterpret_cast<const char*>(data) + 5, data_length - 5);
    return true;
}

}  // namespace zip
