// Fuzz target: the catalogue reader. Any bytes as an archive file: the end record search,
// the central directory, the rebuild from local headers, names and comments must neither
// crash nor read out of bounds; errors are the component's exceptions.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input_file.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& archive_path = fuzz_support::WriteInputFile("fuzz-catalogue-", data, size);
    zip::TZipExtractor extractor;
    extractor.DoProcessMessages = false;
    // Odd sizes take the damaged-archive path, so the rebuild scan sees inputs too.
    extractor.IncompleteZipMode = size % 2 == 0 ? zip::TIncompleteZipMode::izAssumeMulti : zip::TIncompleteZipMode::izAssumeBad;
    extractor.SortMode = static_cast<zip::TZipSortMode>(size % 8);
    // An archive that contradicts itself is read on where it can be (as dezip does), so those
    // paths see inputs too; on sizes divisible by three it is refused.
    if (size % 3 != 0) extractor.OnArchiveDamage = [](zip::TZipExtractor&, zip::TDamageLevel, const std::string&) {};
    extractor.SetZipName(archive_path);
    try {
        extractor.OpenArchive();
        size_t names = 0;
        for (int i = 0; i < extractor.Count(); ++i) {
            names += extractor.EntryFullName(i).size();
            names += extractor.EntryComment(i).size();
        }
        names += extractor.ArchiveComment().size();
        if (names == static_cast<size_t>(-1)) return 1;
    } catch (const zip::Exception&) {
    }
    return 0;
}
