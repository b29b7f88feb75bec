// The legacy archives extracted the way the product extracts them, through the extraction
// component into a folder: the folder must match tests/data/legacy/expected/ exactly,
// directories included, with no CRC failure and no skipped entry.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "support/temp_folder.h"
#include "unzip/legacy_support.h"
#include "zip/zip_extractor.h"

namespace {

namespace fs = std::filesystem;
using zip::TZipExtractor;

const fs::path kLegacyDir = fs::path(VI_TEST_DATA_DIR) / "legacy";

// Every file (with its content) and directory under root, by relative path.
std::map<std::string, std::string> Tree(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        tree[relative] = entry.is_directory() ? "<dir>" : test_support::ReadHostFile(entry.path());
    }
    return tree;
}

TEST(LegacyExtraction, EveryArchiveExtractsToItsOriginalTree) {
    std::set<std::string> archives;
    std::map<std::string, std::string> passwords;
    for (const legacy_test::ManifestRow& row : legacy_test::ReadManifest((kLegacyDir / "MANIFEST.tsv").string())) {
        archives.insert(row.archive);
        if (!row.password.empty()) passwords[row.archive] = row.password;
    }
    ASSERT_FALSE(archives.empty());

    test_support::TempFolder folder;
    for (const std::string& archive : archives) {
        SCOPED_TRACE(archive);
        const std::string stem = archive.substr(0, archive.size() - 4);
        TZipExtractor extractor;
        extractor.SetZipName((kLegacyDir / archive).string());
        extractor.SetDestDir(folder.Path(stem));
        extractor.DoAll = true;
        extractor.RecreateDirs = true;
        extractor.OverwriteMode = zip::TUZOverwriteMode::Always;
        extractor.Password = passwords[archive];
        int failures = 0;
        extractor.OnBadCRC = [&failures](TZipExtractor&, uint32_t, uint32_t, int) { ++failures; };
        extractor.OnSkippingFile = [&failures](TZipExtractor&, zip::TSkipReason, const std::string&, int) {
            ++failures;
        };
        extractor.UnZip();
        EXPECT_EQ(failures, 0);
        EXPECT_TRUE(Tree(kLegacyDir / "expected" / stem) == Tree(folder.Root() / stem));
    }
}

}  // namespace
