// Differential: damaged copies of one good archive, each with one contradiction in it,
// extracted by dezip and, where it is installed, by Info-ZIP unzip. Each row says what both
// exit with: dezip is never content where unzip reports a problem, and may refuse where unzip
// only warns.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "support/archive_builder.h"
#include "support/temp_folder.h"

namespace {

using test_support::ArchiveBuilder;
using Bytes = std::string;

// The header of a stored deflate block of length bytes.
Bytes StoredBlock(size_t length, bool final) {
    Bytes header(1, final ? '\x01' : '\x00');
    ArchiveBuilder::Le16(header, static_cast<uint16_t>(length));
    ArchiveBuilder::Le16(header, static_cast<uint16_t>(~length));
    return header;
}
// Where the n-th record with signature starts (0-based; the last one for n < 0).
size_t At(const Bytes& bytes, const char* signature, int n = 0) {
    size_t at = n < 0 ? bytes.rfind(signature, Bytes::npos, 4) : bytes.find(signature, 0, 4);
    while (n-- > 0) at = bytes.find(signature, at + 4, 4);
    return at;
}
void Put(Bytes& bytes, size_t at, uint32_t value, size_t width) {
    for (size_t index = 0; index < width; ++index) bytes[at + index] = static_cast<char>(value >> (8 * index));
}
constexpr char kLocal[] = "PK\x03\x04", kCentral[] = "PK\x01\x02", kEnd[] = "PK\x05\x06", kZip64End[] = "PK\x06\x06";

// A stored entry, a deflated one and a stored one in a directory.
ArchiveBuilder GoodArchive() {
    ArchiveBuilder builder;
    builder.Add("a.txt", "alpha bravo");
    auto& deflated = builder.Add("b.txt", "charlie delta charlie");
    deflated.method = 8;
    deflated.compressed = StoredBlock(deflated.data.size(), true) + deflated.data;
    builder.Add("dir/c.txt", "echo");
    return builder;
}
// A directory marked only by its MS-DOS attribute, before the file in it.
void AddDosDirectory(ArchiveBuilder& builder, const Bytes& data) {
    builder.Add("dir", data).external_attributes = 0x10;
    std::rotate(builder.entries.begin() + 2, builder.entries.end() - 1, builder.entries.end());
}
// The zip bomb's shape: the deflate stream of b.txt ends in a stored block whose bytes are
// the local header of the entry after it, so that both entries share those bytes.
void QuoteNextLocalHeader(ArchiveBuilder& builder) {
    const Bytes first = builder.Build();
    const Bytes quoted = first.substr(At(first, kLocal, 2), 30 + builder.entries[2].name.size());
    auto& quoting = builder.entries[1];
    quoting.compressed = StoredBlock(quoting.data.size(), false) + quoting.data + StoredBlock(quoted.size(), true);
    quoting.data += quoted;
    quoting.override_compressed_size = true;
    quoting.compressed_size = static_cast<uint32_t>(quoting.compressed.size() + quoted.size());
}

struct DamagedArchive {
    const char* shape;
    std::function<void(ArchiveBuilder&)> build;  // what the writer did differently
    std::function<void(Bytes&)> damage;          // what happened to the bytes afterwards
    int dezip;
    int unzip;
};

using B = ArchiveBuilder&;
const DamagedArchive kDamaged[] = {
    {"as written", nullptr, nullptr, 0, 0},
    {"stored sizes differ", [](B b) { b.entries[0].override_uncompressed_size = true, b.entries[0].uncompressed_size = 22; }, nullptr, 2, 1},
    {"stored ZIP64 size 2^32 more than its data", [](B b) { b.entries[0].zip64 = true; },
     [](Bytes& z) { Put(z, At(z, kLocal) + 43, 1, 4), Put(z, At(z, kCentral) + 59, 1, 4); }, 2, 1},
    {"deflated data shorter than declared", [](B b) { b.entries[1].override_uncompressed_size = true, b.entries[1].uncompressed_size = 30; }, nullptr, 2, 0},
    {"deflated data longer than declared", [](B b) { b.entries[1].override_uncompressed_size = true, b.entries[1].uncompressed_size = 10; }, nullptr, 2, 0},
    {"local header signature", nullptr, [](Bytes& z) { z[At(z, kLocal, 1) + 3] = 9; }, 2, 2},
    {"local extra record past its field", [](B b) { b.entries[0].extra = ArchiveBuilder::ExtraRecord(0xCAFE, "1234"); },
     [](Bytes& z) { Put(z, At(z, kLocal) + 37, 20, 2); }, 2, 0},
    {"local method", nullptr, [](Bytes& z) { Put(z, At(z, kLocal) + 8, 8, 2); }, 2, 2},
    {"local name", nullptr, [](Bytes& z) { z[At(z, kLocal) + 30] = 'x'; }, 2, 1},
    {"local CRC", nullptr, [](Bytes& z) { z[At(z, kLocal) + 14] ^= 1; }, 2, 2},
    {"data over the next local header (quoted overlap)", QuoteNextLocalHeader, nullptr, 12, 12},
    {"ZIP64 locator without its record", [](B b) { b.zip64_end_record = true; }, [](Bytes& z) { z[At(z, kZip64End) + 3] = 9; }, 2, 9},
    {"ZIP64 end record of a wrong size", [](B b) { b.zip64_end_record = true; }, [](Bytes& z) { Put(z, At(z, kZip64End) + 4, 40, 4); }, 2, 0},
    {"ZIP64 end record's directory offset", [](B b) { b.zip64_end_record = true; }, [](Bytes& z) { z[At(z, kZip64End) + 48] += 7; }, 2, 12},
    {"bytes in front of a ZIP64 archive", [](B b) { b.zip64_end_record = true, b.prefix = "pre", b.offsets_from_archive_start = true; }, nullptr, 1, 1},
    {"bytes in front of an archive", [](B b) { b.prefix = "pre", b.offsets_from_archive_start = true; }, nullptr, 1, 1},
    {"directory offset past the end", nullptr, [](Bytes& z) { Put(z, At(z, kEnd, -1) + 16, 0x7FFFFFF0, 4); }, 2, 12},
    {"directory starting before the file", nullptr, [](Bytes& z) { Put(z, At(z, kEnd, -1) + 12, 0x7FFFFFF0, 4); }, 2, 3},
    {"directory offset not where the entries are", nullptr, [](Bytes& z) { z[At(z, kEnd, -1) + 16] -= 1; }, 12, 2},
    {"entry count lower than the directory's", [](B b) { b.total_entries_override = 2; }, nullptr, 2, 3},
    {"entry count higher than the directory's", [](B b) { b.total_entries_override = 4; }, nullptr, 2, 3},
    {"version needed 12.0", nullptr, [](Bytes& z) { Put(z, At(z, kCentral) + 6, 120, 2); }, 81, 81},
    // unzip takes the name for a file's, and then cannot place the file in it.
    {"MS-DOS directory without its slash", [](B b) { AddDosDirectory(b, ""); }, nullptr, 0, 2},
    {"MS-DOS directory holding data", [](B b) { AddDosDirectory(b, "data"); }, nullptr, 2, 2},
    {"device name with a superscript digit", [](B b) { b.entries[0].name = "COM\xC2\xB9.txt", b.entries[0].flags = 0x0800; }, nullptr, 1, 0},
    {"NUL byte in a name", [](B b) { b.entries[0].name = Bytes("a\0b.txt", 7); }, nullptr, 1, 0},
};

int ExitCode(const std::string& command) {
    const int status = std::system(("(" + command + ") >/dev/null 2>&1 </dev/null").c_str());
    return status > 255 ? (status >> 8) & 0xFF : status;
}

TEST(DamagedArchives, DezipReportsEveryContradictionThatUnzipReports) {
    const std::string dezip = (std::filesystem::path(VI_BINARY_DIR) / "bin" / "dezip").string();
    if (!std::filesystem::exists(dezip)) GTEST_SKIP() << "dezip was not built";
    const bool with_unzip = test_support::ToolAvailable("unzip -v");
    test_support::TempFolder folder;
    for (const DamagedArchive& damaged : kDamaged) {
        SCOPED_TRACE(damaged.shape);
        ArchiveBuilder builder = GoodArchive();
        if (damaged.build) damaged.build(builder);
        Bytes bytes = builder.Build();
        if (damaged.damage) damaged.damage(bytes);
        const std::string row = std::to_string(&damaged - kDamaged);
        folder.Write(row + ".zip", bytes);
        const std::string in_folder = "cd '" + folder.Path() + "' && ";
        EXPECT_EQ(ExitCode(in_folder + "'" + dezip + "' -q -d out" + row + " " + row + ".zip"), damaged.dezip);
        if (with_unzip) {
            EXPECT_EQ(ExitCode(in_folder + "unzip -qq -o -d unzip" + row + " " + row + ".zip"), damaged.unzip);
        }
        if (damaged.dezip == 0) {
            EXPECT_EQ(test_support::ReadHostFile(folder.Root() / ("out" + row) / "dir/c.txt"), "echo");
        }
    }
}

}  // namespace
