// Differential: damaged copies of one good archive, each with one contradiction in it,
// extracted by dezip and, where it is installed, by Info-ZIP unzip. Each row says what both
// exit with: dezip is never content where unzip reports a problem, and may refuse where unzip
// only warns.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "support/archive_builder.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using test_support::ArchiveBuilder;
using test_support::TestEntry;

// The header of a stored deflate block of length bytes.
std::string StoredBlockHeader(size_t length, bool final) {
    std::string header(1, final ? '\x01' : '\x00');
    ArchiveBuilder::Le16(header, static_cast<uint16_t>(length));
    ArchiveBuilder::Le16(header, static_cast<uint16_t>(~length));
    return header;
}
// A stored deflate block: a deflated entry whose data is easy to reason about.
std::string DeflatedAsIs(const std::string& data) { return StoredBlockHeader(data.size(), true) + data; }

// The good archive: a stored entry, a deflated one and a stored one in a directory.
ArchiveBuilder GoodArchive() {
    ArchiveBuilder builder;
    builder.Add("a.txt", "alpha bravo");
    auto& deflated = builder.Add("b.txt", "charlie delta charlie");
    deflated.method = 8;
    deflated.compressed = DeflatedAsIs(deflated.data);
    builder.Add("dir/c.txt", "echo");
    return builder;
}

// A directory marked only by its MS-DOS attribute, before the file in it.
void AddDosDirectory(ArchiveBuilder& builder, const std::string& data) {
    TestEntry directory;
    directory.name = "dir";
    directory.data = data;
    directory.external_attributes = 0x10;
    builder.entries.insert(builder.entries.begin() + 2, directory);
}

// The zip bomb's shape: the deflate stream of b.txt ends in a stored block whose bytes are
// the local header of the entry after it, so that both entries share those bytes.
void QuoteNextLocalHeader(ArchiveBuilder& builder);

// Where the n-th record with signature starts (0-based).
size_t Record(const std::string& bytes, const char* signature, int n) {
    size_t at = bytes.find(signature, 0, 4);
    while (n-- > 0) at = bytes.find(signature, at + 4, 4);
    return at;
}
size_t Local(const std::string& bytes, int n) { return Record(bytes, "PK\x03\x04", n); }
size_t Central(const std::string& bytes, int n) { return Record(bytes, "PK\x01\x02", n); }
size_t End(const std::string& bytes) { return bytes.rfind(std::string("PK\x05\x06", 4)); }
void Put32(std::string& bytes, size_t at, uint32_t value) {
    std::string field;
    ArchiveBuilder::Le32(field, value);
    bytes.replace(at, 4, field);
}
void Put16(std::string& bytes, size_t at, uint16_t value) {
    std::string field;
    ArchiveBuilder::Le16(field, value);
    bytes.replace(at, 2, field);
}

void QuoteNextLocalHeader(ArchiveBuilder& builder) {
    const std::string first = builder.Build();
    const size_t next = Local(first, 2);
    const std::string quoted = first.substr(next, 30 + builder.entries[2].name.size());
    TestEntry& quoting = builder.entries[1];
    quoting.compressed = StoredBlockHeader(quoting.data.size(), false) + quoting.data + StoredBlockHeader(quoted.size(), true);
    quoting.data += quoted;
    quoting.override_compressed_size = true;
    quoting.compressed_size = static_cast<uint32_t>(quoting.compressed.size() + quoted.size());
}

struct DamagedArchive {
    const char* shape;
    std::function<void(ArchiveBuilder&)> build;  // what the writer did differently
    std::function<void(std::string&)> damage;     // what happened to the bytes afterwards
    int dezip;
    int unzip;
};

const DamagedArchive kDamaged[] = {
    {"as written", nullptr, nullptr, 0, 0},
    {"stored sizes differ", [](ArchiveBuilder& b) { b.entries[0].override_uncompressed_size = true, b.entries[0].uncompressed_size = 22; },
     nullptr, 2, 1},
    {"stored ZIP64 size 2^32 more than the data",
     [](ArchiveBuilder& b) { b.entries[0].zip64 = true; },
     [](std::string& bytes) {
         // The high half of the uncompressed size in both ZIP64 records.
         Put32(bytes, Local(bytes, 0) + 30 + 5 + 4 + 4, 1);
         Put32(bytes, Central(bytes, 0) + 46 + 5 + 4 + 4, 1);
     },
     2, 1},
    {"deflated data shorter than declared",
     [](ArchiveBuilder& b) { b.entries[1].override_uncompressed_size = true, b.entries[1].uncompressed_size = 30; }, nullptr,
     2, 0},
    {"deflated data longer than declared",
     [](ArchiveBuilder& b) { b.entries[1].override_uncompressed_size = true, b.entries[1].uncompressed_size = 10; }, nullptr,
     2, 0},
    {"local header signature", nullptr, [](std::string& bytes) { bytes[Local(bytes, 1) + 3] = 9; }, 2, 2},
    {"local extra field runs past its header",
     [](ArchiveBuilder& b) { b.entries[0].extra = ArchiveBuilder::ExtraRecord(0xCAFE, "1234"); },
     [](std::string& bytes) { Put16(bytes, Local(bytes, 0) + 30 + 5 + 2, 20); }, 2, 0},
    {"local method", nullptr, [](std::string& bytes) { Put16(bytes, Local(bytes, 0) + 8, 8); }, 2, 2},
    {"local name", nullptr, [](std::string& bytes) { bytes[Local(bytes, 0) + 30] = 'x'; }, 2, 1},
    {"local CRC", nullptr, [](std::string& bytes) { bytes[Local(bytes, 0) + 14] ^= 1; }, 2, 2},
    {"data running over the next local header (quoted overlap)", QuoteNextLocalHeader, nullptr, 12, 12},
    {"ZIP64 locator without its record", [](ArchiveBuilder& b) { b.zip64_end_record = true; },
     [](std::string& bytes) { bytes[Record(bytes, "PK\x06\x06", 0) + 3] = 9; }, 2, 9},
    {"ZIP64 end record of a wrong size", [](ArchiveBuilder& b) { b.zip64_end_record = true; },
     [](std::string& bytes) { Put32(bytes, Record(bytes, "PK\x06\x06", 0) + 4, 40); }, 2, 0},
    {"ZIP64 end record's directory offset", [](ArchiveBuilder& b) { b.zip64_end_record = true; },
     [](std::string& bytes) { bytes[Record(bytes, "PK\x06\x06", 0) + 48] += 7; }, 2, 12},
    {"bytes in front of a ZIP64 archive",
     [](ArchiveBuilder& b) { b.zip64_end_record = true, b.prefix = "prepended", b.offsets_from_archive_start = true; },
     nullptr, 1, 1},
    {"bytes in front of an archive", [](ArchiveBuilder& b) { b.prefix = "prepended", b.offsets_from_archive_start = true; },
     nullptr, 1, 1},
    {"directory offset past the end", nullptr, [](std::string& bytes) { Put32(bytes, End(bytes) + 16, 0x7FFFFFF0); }, 2, 12},
    {"directory starting before the file", nullptr, [](std::string& bytes) { Put32(bytes, End(bytes) + 12, 0x7FFFFFF0); },
     2, 3},
    {"directory offset not where the entries are", nullptr,
     [](std::string& bytes) { bytes[End(bytes) + 16] -= 1; }, 12, 2},
    {"entry count lower than the directory's", [](ArchiveBuilder& b) { b.total_entries_override = 2; }, nullptr, 2, 3},
    {"entry count higher than the directory's", [](ArchiveBuilder& b) { b.total_entries_override = 4; }, nullptr, 2, 3},
    {"version needed 12.0", nullptr, [](std::string& bytes) { Put16(bytes, Central(bytes, 0) + 6, 120); }, 81, 81},
    // unzip takes the name for a file's, and then cannot place the file in it.
    {"MS-DOS directory without its slash", [](ArchiveBuilder& b) { AddDosDirectory(b, ""); }, nullptr, 0, 2},
    {"MS-DOS directory holding data", [](ArchiveBuilder& b) { AddDosDirectory(b, "data"); }, nullptr, 2, 2},
    {"device name with a superscript digit",
     [](ArchiveBuilder& b) { b.entries[0].name = "COM\xC2\xB9.txt", b.entries[0].flags = 0x0800; }, nullptr, 1, 0},
    {"NUL byte in a name", [](ArchiveBuilder& b) { b.entries[0].name = std::string("a\0b.txt", 7); }, nullptr, 1, 0},
};

int ExitCode(const std::string& command) {
    const int status = std::system(("(" + command + ") >/dev/null 2>&1 </dev/null").c_str());
    return status > 255 ? (status >> 8) & 0xFF : status;
}

TEST(DamagedArchives, DezipReportsEveryContradictionThatUnzipReports) {
    const std::string dezip = (fs::path(VI_BINARY_DIR) / "bin" / "dezip").string();
    if (!fs::exists(dezip)) GTEST_SKIP() << "dezip was not built";
    const bool with_unzip = test_support::ToolAvailable("unzip -v");
    test_support::TempFolder folder;
    int row = 0;
    for (const DamagedArchive& damaged : kDamaged) {
        SCOPED_TRACE(damaged.shape);
        ArchiveBuilder builder = GoodArchive();
        if (damaged.build) damaged.build(builder);
        std::string bytes = builder.Build();
        if (damaged.damage) damaged.damage(bytes);
        const std::string name = "damaged" + std::to_string(++row) + ".zip";
        folder.Write(name, bytes);
        const std::string in_folder = "cd '" + folder.Path() + "' && ";
        EXPECT_EQ(ExitCode(in_folder + "'" + dezip + "' -q -d out" + std::to_string(row) + " " + name), damaged.dezip);
        if (with_unzip) {
            EXPECT_EQ(ExitCode(in_folder + "unzip -qq -o -d unzip" + std::to_string(row) + " " + name), damaged.unzip);
        }
        if (damaged.dezip == 0) {
            EXPECT_EQ(test_support::ReadHostFile(folder.Root() / ("out" + std::to_string(row)) / "dir/c.txt"), "echo");
        }
    }
}

}  // namespace
