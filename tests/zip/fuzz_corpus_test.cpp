// Replays the fuzzers' committed inputs (seeds and every input that once made a target fail)
// through the catalogue and a test-only extraction: each must end normally or with one of
// the component's own exceptions. Under the sanitizers this also guards against the leaks
// and overruns the inputs were found for.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> CorpusFiles() {
    std::vector<fs::path> files;
    for (const char* corpus : {"catalogue", "extract"}) {
        const fs::path folder = fs::path(VI_SOURCE_DIR) / "fuzz" / "corpus" / corpus;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            if (entry.is_regular_file()) files.push_back(entry.path());
        }
    }
    return files;
}

TEST(FuzzCorpus, EveryInputEndsNormallyOrWithTheComponentsOwnError) {
    const std::vector<fs::path> files = CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "fuzz corpus not reachable";
    test_support::TempFolder folder;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        folder.Write("input.zip", test_support::ReadHostFile(file));
        zip::TZipExtractor extractor;
        extractor.TestOnly = true;
        extractor.DoAll = true;
        extractor.RecreateDirs = true;
        extractor.Password = "pw";
        extractor.IncompleteZipMode = zip::TIncompleteZipMode::izAssumeBad;
        extractor.OnArchiveDamage = [](zip::TZipExtractor&, zip::TDamageLevel, const std::string&) {};
        extractor.SetDestDir(folder.Path("out"));
        extractor.SetZipName(folder.Path("input.zip"));
        try {
            extractor.UnZip();
        } catch (const zip::Exception&) {
        }
    }
}

}  // namespace
