#pragma once
// The records of an entry's extra field that the catalogue reads: the ZIP64 extended
// information (real sizes, offset and disk of an entry whose classic fields are all ones) and
// the Unicode path (the UTF-8 name of an entry written without the UTF-8 flag). An extra field
// is a run of records, each a 2-byte id, a 2-byte data size and that many bytes.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zip {

constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kUnicodePathExtraId = 0x7075;

// The values of a header that the ZIP64 record may replace. A value the record stands for
// is all ones in the classic field; disk and offset are read from the central directory only
// (nullptr for a local header).
struct Zip64Values {
    uint64_t uncompressed_size = 0;
    uint64_t compressed_size = 0;
    uint64_t* relative_offset = nullptr;
    uint32_t* disk_number_start = nullptr;
};

// Finds the first record with id in extra (length bytes); data and data_length then give its
// data. false when there is none; a record that claims more bytes than are left ends the
// search (the rest is not trusted).
bool FindExtraRecord(const uint8_t* extra, size_t length, uint16_t id, const uint8_t*& data, size_t& data_length);

// True when every record of extra (length bytes) lies within it. A tail of fewer than four
// bytes, too short for a record's id and size, is padding some writers leave to align the
// data, not a record.
bool ExtraFieldWellFormed(const uint8_t* extra, size_t length);

// Applies the ZIP64 record of extra, if any, to values: each value whose classic field was all
// ones is taken from the record, in the record's order (uncompressed size, compressed size,
// offset, disk). found tells whether the record is there. false when the record is too short
// for the values it must hold or gives one beyond any file position (values are then
// unchanged).
bool ApplyZip64Record(const uint8_t* extra, size_t length, Zip64Values& values, bool& found);

// The name of the Unicode path record of extra when its CRC-32 matches the stored name (the
// header's name bytes as stored); false when there is no such record or it is stale.
bool UnicodePathName(const uint8_t* extra, size_t length, const std::string& stored_name, std::string& utf8_name);

}  // namespace zip
