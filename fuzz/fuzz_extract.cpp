// Fuzz target: a whole extraction, decoding and checking every entry without writing files.
// Any bytes as an archive: the catalogue, the local headers, the password check, every
// decoder and the CRC check must neither crash, read or write out of bounds, nor hang.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"

namespace {

const std::string& ArchivePath() {
    static const std::string path = [] {
        std::random_device random;
        return (std::filesystem::temp_directory_path() / ("fuzz-extract-" + std::to_string(random()) + ".zip")).string();
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream out(ArchivePath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    zip::TZipExtractor extractor;
    extractor.DoProcessMessages = false;
    extractor.TestOnly = true;
    extractor.DoAll = true;
    extractor.RecreateDirs = true;
    extractor.OverwriteMode = zip::TUZOverwriteMode::Always;
    extractor.IncompleteZipMode = zip::TIncompleteZipMode::izAssumeBad;
    extractor.Password = "pw";
    extractor.SetDestDir("fuzz-out");
    extractor.SetZipName(ArchivePath());
    // A handler that offers one other password, so the retry path runs too.
    extractor.OnBadPassword = [](zip::TZipExtractor&, int, std::string& password) {
        if (password == "pw") password = "other";
    };
    extractor.OnFilePercentDone = [](zip::TZipExtractor&, int percent) {
        if (percent < 0 || percent > 100) __builtin_trap();
    };
    extractor.OnTotalPercentDone = [](zip::TZipExtractor&, int percent) {
        if (percent < 0 || percent > 100) __builtin_trap();
    };
    try {
        extractor.UnZip();
    } catch (const zip::Exception&) {
    }
    return 0;
}
