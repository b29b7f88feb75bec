// Decoding one entry: the password check and its retries, the CRC check, the size guard,
// and what each outcome leaves on disk and in the count.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/archive_builder.h"
#include "support/temp_folder.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"

namespace {

using test_support::ArchiveBuilder;
using test_support::ReadHostFile;
using zip::TZipExtractor;

class EntryDecoding : public ::testing::Test {
protected:
    void SetUp() override {
        extractor.SetDestDir(folder.Path("out"));
        extractor.DoAll = true;
        extractor.OverwriteMode = zip::TUZOverwriteMode::Always;
        extractor.OnEndUnZip = [this](TZipExtractor&, int index, const std::string&) {
            events.push_back("end " + std::to_string(index));
        };
        extractor.OnSkippingFile = [this](TZipExtractor&, zip::TSkipReason reason, const std::string& name, int) {
            events.push_back("skip " + std::to_string(reason) + " " + name);
        };
    }
    void Use(const ArchiveBuilder& builder) {
        folder.Write("test.zip", builder.Build());
        extractor.SetZipName(folder.Path("test.zip"));
    }
    std::filesystem::path Out(const std::string& name) const { return folder.Root() / "out" / name; }

    test_support::TempFolder folder;
    TZipExtractor extractor;
    std::vector<std::string> events;
};

TEST_F(EntryDecoding, TheRightPasswordDecryptsTheData) {
    ArchiveBuilder builder;
    builder.Add("secret.txt", "the payload").password = "4071938265";
    Use(builder);
    extractor.Password = "4071938265";
    EXPECT_EQ(extractor.UnZip(), 1);
    EXPECT_EQ(ReadHostFile(Out("secret.txt")), "the payload");
}

TEST_F(EntryDecoding, WithADataDescriptorTheCheckByteComesFromTheTime) {
    ArchiveBuilder builder;
    auto& entry = builder.Add("secret.txt", "described");
    entry.password = "pw";
    entry.streamed = true;
    entry.dos_date_time = 0x5A8BABCD;
    Use(builder);
    extractor.Password = "pw";
    EXPECT_EQ(extractor.UnZip(), 1);
    EXPECT_EQ(ReadHostFile(Out("secret.txt")), "described");
}

TEST_F(EntryDecoding, AWrongPasswordWithoutAHandlerSkipsBeforeAnyFileExists) {
    ArchiveBuilder builder;
    builder.Add("secret.txt", "the payload").password = "right";
    builder.Add("plain.txt", "open");
    Use(builder);
    extractor.Password = "wrong";
    EXPECT_EQ(extractor.UnZip(), 1);
    EXPECT_FALSE(std::filesystem::exists(Out("secret.txt")));
    EXPECT_EQ(events, (std::vector<std::string>{"skip 0 secret.txt", "end 1"}));
}

TEST_F(EntryDecoding, AHandlerThatGivesTheRightPasswordMakesTheCheckRunAgain) {
    ArchiveBuilder builder;
    builder.Add("a.txt", "first").password = "right";
    builder.Add("b.txt", "second").password = "right";
    Use(builder);
    extractor.Password = "wrong";
    int asked = 0;
    extractor.OnBadPassword = [&asked](TZipExtractor&, int, std::string& password) {
        ++asked;
        EXPECT_EQ(password, "wrong");
        password = "right";
    };
    EXPECT_EQ(extractor.UnZip(), 2);
    EXPECT_EQ(asked, 1);  // the new password stays in force for the next entry
    EXPECT_EQ(extractor.Password, "right");
    EXPECT_EQ(ReadHostFile(Out("b.txt")), "second");
}

TEST_F(EntryDecoding, AHandlerThatHandsBackTheSamePasswordRefuses) {
    ArchiveBuilder builder;
    builder.Add("a.txt", "first").password = "right";
    Use(builder);
    extractor.Password = "wrong";
    int asked = 0;
    extractor.OnBadPassword = [&asked](TZipExtractor&, int, std::string&) { ++asked; };
    EXPECT_EQ(extractor.UnZip(), 0);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(events, (std::vector<std::string>{"skip 0 a.txt"}));
}

TEST_F(EntryDecoding, AnEncryptedEntryFailingItsCrcAsksForAPasswordAgainAndIsRetried) {
    // The check byte matches, but the data was encrypted with another password: the CRC check
    // is what notices. Build the entry with the header check byte of "right" and data of "other".
    ArchiveBuilder builder;
    auto& entry = builder.Add("a.txt", "payload");
    entry.password = "right";
    Use(builder);
    extractor.Password = "right";
    // Corrupt one data byte of the encrypted payload so the CRC fails with the right password.
    std::string bytes = builder.Build();
    bytes[30 + 5 + 12] ^= 0x40;
    folder.Write("test.zip", bytes);
    extractor.SetZipName(folder.Path("test.zip"));
    std::vector<std::string> offered;
    extractor.OnBadPassword = [&offered](TZipExtractor&, int, std::string& password) {
        offered.push_back(password);
        if (offered.size() == 1) password = "another";
    };
    EXPECT_EQ(extractor.UnZip(), 0);
    // First the CRC failure (answered with a new password), then the header check with the
    // new password fails, and the same password back ends it.
    ASSERT_GE(offered.size(), 2u);
    EXPECT_EQ(offered[0], "right");
    EXPECT_EQ(offered[1], "another");
    EXPECT_FALSE(std::filesystem::exists(Out("a.txt")));
}

TEST_F(EntryDecoding, AStoredEntryWhoseSizesDifferIsRejectedBeforeAnyFileExists) {
    ArchiveBuilder builder;
    auto& entry = builder.Add("long.bin", std::string(20000, 'z'));
    entry.override_uncompressed_size = true;
    entry.uncompressed_size = 19999;
    Use(builder);
    std::vector<zip::TEntryDamage> damages;
    extractor.OnEntryDamaged = [&damages](TZipExtractor&, zip::TEntryDamage damage, int) { damages.push_back(damage); };
    EXPECT_EQ(extractor.UnZip(), 0);
    EXPECT_EQ(damages, std::vector<zip::TEntryDamage>{zip::TEntryDamage::StoredSizes});
    EXPECT_FALSE(std::filesystem::exists(Out("long.bin")));
}

TEST_F(EntryDecoding, AnEmptyStoredEntryMatchesItsZeroCrc) {
    ArchiveBuilder builder;
    builder.Add("empty.txt", "");
    Use(builder);
    EXPECT_EQ(extractor.UnZip(), 1);
    EXPECT_EQ(events, (std::vector<std::string>{"end 0"}));
    EXPECT_EQ(std::filesystem::file_size(Out("empty.txt")), 0u);
}

}  // namespace
