// Every entry of the committed legacy archives (shrink, reduce with each factor, all four
// implode variants, mixed with stored and deflated entries, some encrypted) decodes to the
// bytes in tests/data/legacy/expected/, with the stored CRC.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "unzip/unzip_context.h"
#include "unzip/legacy_support.h"

namespace {

using legacy_test::ArchiveEntry;
using legacy_test::Bytes;
using legacy_test::LegacyDecoder;
using legacy_test::ManifestRow;

const std::string kLegacyDir = std::string(VI_TEST_DATA_DIR) + "/legacy";

std::vector<ManifestRow> Manifest() {
    return legacy_test::ReadManifest(kLegacyDir + "/MANIFEST.tsv");
}

std::vector<std::string> ArchiveNames() {
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (const ManifestRow& row : Manifest()) {
        if (seen.insert(row.archive).second) names.push_back(row.archive);
    }
    return names;
}

class LegacyArchive : public ::testing::TestWithParam<std::string> {};

TEST_P(LegacyArchive, EveryEntryDecodesToItsOriginalBytes) {
    const std::string archive_name = GetParam();
    const Bytes archive = legacy_test::ReadFile(kLegacyDir + "/" + archive_name);
    ASSERT_FALSE(archive.empty());
    const std::vector<ArchiveEntry> entries = legacy_test::ReadEntries(archive);
    std::map<std::string, ManifestRow> rows;
    for (const ManifestRow& row : Manifest()) {
        if (row.archive == archive_name) rows[row.entry] = row;
    }
    ASSERT_EQ(entries.size(), rows.size());

    const std::string expected_dir =
        kLegacyDir + "/expected/" + archive_name.substr(0, archive_name.size() - 4) + "/";
    LegacyDecoder decoder;  // one context for the whole archive, as in an extraction run
    for (const ArchiveEntry& entry : entries) {
        SCOPED_TRACE(entry.name);
        ASSERT_EQ(rows.count(entry.name), 1u);
        if (entry.name.back() == '/') continue;  // a directory entry has no data
        EXPECT_EQ(entry.method, rows[entry.name].method);
        const legacy_test::DecodeResult result =
            decoder.DecodeEntry(archive, entry, rows[entry.name].password);
        ASSERT_TRUE(result.password_accepted);
        EXPECT_FALSE(result.too_large);
        EXPECT_EQ(result.crc, entry.crc);
        const Bytes expected = legacy_test::ReadFile(expected_dir + entry.name);
        ASSERT_EQ(result.output.size(), expected.size());
        EXPECT_TRUE(result.output == expected) << "decoded bytes differ";
    }
}

INSTANTIATE_TEST_SUITE_P(Committed, LegacyArchive, ::testing::ValuesIn(ArchiveNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param.substr(0, info.param.size() - 4);
                             for (char& c : name) {
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

// A wrong password is caught by the encryption header's check byte before any decoding.
TEST(LegacyArchiveEncryption, WrongPasswordIsRefusedByTheHeaderCheck) {
    const Bytes archive = legacy_test::ReadFile(kLegacyDir + "/enc_legacy.zip");
    const std::vector<ArchiveEntry> entries = legacy_test::ReadEntries(archive);
    ASSERT_FALSE(entries.empty());
    LegacyDecoder decoder;
    int refused = 0;
    for (const ArchiveEntry& entry : entries) {
        const legacy_test::DecodeResult result = decoder.DecodeEntry(archive, entry, "Legacy-Pas");
        // One check byte lets a wrong password through 1 time in 256; the CRC then fails.
        if (!result.password_accepted) {
            ++refused;
        } else {
            EXPECT_NE(result.crc, entry.crc);
        }
    }
    EXPECT_GE(refused, 1);
}

}  // namespace
