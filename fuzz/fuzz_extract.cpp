// Fuzz target: a whole extraction, decoding and checking every entry without writing files.
// Any bytes as an archive: the catalogue, the local headers, the password check, every
// decoder and the CRC check must neither crash, read or write out of bounds, nor hang.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input_file.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& archive_path = fuzz_support::WriteInputFile("fuzz-extract-", data, size);
    zip::TZipExtractor extractor;
    extractor.DoProcessMessages = false;
    extractor.TestOnly = true;
    extractor.DoAll = true;
    extractor.RecreateDirs = true;
    extractor.OverwriteMode = zip::TUZOverwriteMode::Always;
    extractor.IncompleteZipMode = zip::TIncompleteZipMode::izAssumeBad;
    // An archive that contradicts itself is read on where it can be (as dezip does), so those
    // paths see inputs too; on sizes divisible by three it is refused.
    if (size % 3 != 0) extractor.OnArchiveDamage = [](zip::TZipExtractor&, zip::TDamageLevel, const std::string&) {};
    extractor.Password = "pw";
    extractor.SetDestDir("fuzz-out");
    extractor.SetZipName(archive_path);
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
