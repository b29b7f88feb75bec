// Damaged legacy entries whose data ends long before their claimed size: the decoders must
// stop once they read well past the end of the data, not write zero-bit garbage up to the
// claimed size (which could be gigabytes).

#include <gtest/gtest.h>

#include <string>

#include "unzip/legacy_support.h"

namespace {

using legacy_test::Bytes;

const std::string kLegacyDir = std::string(VI_TEST_DATA_DIR) + "/legacy";

// The named entry of an archive, cut after keep bytes of data and claiming a huge size.
legacy_test::DecodeResult DecodeCutShort(const std::string& archive_name, const std::string& entry_name,
                                         int32_t keep) {
    const Bytes archive = legacy_test::ReadFile(kLegacyDir + "/" + archive_name);
    for (legacy_test::ArchiveEntry entry : legacy_test::ReadEntries(archive)) {
        if (entry.name != entry_name) continue;
        const Bytes data(archive.begin() + entry.data_offset, archive.begin() + entry.data_offset + keep);
        legacy_test::LegacyDecoder decoder;
        return decoder.DecodeRaw(entry.method, data, 1 << 30, entry.flags);
    }
    ADD_FAILURE() << entry_name << " not found in " << archive_name;
    return {};
}

TEST(LegacyTruncated, EveryDecoderStopsSoonAfterTheEndOfItsData) {
    struct Case {
        const char* archive;
        const char* entry;
    };
    const Case cases[] = {
        {"reduce1.zip", "words.txt"},        {"reduce4.zip", "words.txt"},
        {"implode_4k_2t.zip", "words.txt"},  {"implode_8k_3t.zip", "words.txt"},
        {"shrink.zip", "words.txt"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(std::string(item.archive) + " " + item.entry);
        const legacy_test::DecodeResult result = DecodeCutShort(item.archive, item.entry, 2000);
        // 2000 bytes of compressed text decode to a few kilobytes; a decoder running on to the
        // claimed gigabyte would write far more.
        EXPECT_LT(result.output.size(), 256u * 1024u);
        EXPECT_FALSE(result.too_large);
    }
}

}  // namespace
