// The extraction component on hand-built archives: selection, destinations, overwriting,
// the events and their order, and FilesExtracted for each outcome.

#include <gtest/gtest.h>

#include <filesystem>

#include "recording_dialogs.h"
#include "support/archive_builder.h"
#include "support/temp_folder.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"

namespace {

using test_support::ArchiveBuilder;
using test_support::ReadHostFile;
using zip::TZipExtractor;

class Extractor : public ::testing::Test {
protected:
    void SetUp() override {
        extractor.SetDestDir(folder.Path("out"));
        extractor.DoAll = true;
        extractor.RecreateDirs = true;
        extractor.OverwriteMode = zip::TUZOverwriteMode::Always;
        extractor.OnStartUnZipInfo = [this](TZipExtractor&, int files, int64_t bytes, bool&) {
            events.push_back("info " + std::to_string(files) + " " + std::to_string(bytes));
        };
        extractor.OnStartUnZip = [this](TZipExtractor&, int index, const std::string&, bool&) {
            events.push_back("start " + std::to_string(index));
        };
        extractor.OnEndUnZip = [this](TZipExtractor&, int index, const std::string&) {
            events.push_back("end " + std::to_string(index));
        };
        extractor.OnSkippingFile = [this](TZipExtractor&, zip::TSkipReason reason, const std::string& name, int index) {
            events.push_back("skip " + std::to_string(index) + " " + std::to_string(reason) + " " + name);
        };
        extractor.OnEntryDamaged = [this](TZipExtractor&, zip::TEntryDamage damage, int index) {
            events.push_back("damaged " + std::to_string(index) + " " + zip::EntryDamageText(damage));
        };
        extractor.OnBadCRC = [this](TZipExtractor&, uint32_t, uint32_t, int index) {
            events.push_back("badcrc " + std::to_string(index));
        };
    }
    void Use(const ArchiveBuilder& builder) {
        folder.Write("test.zip", builder.Build());
        extractor.SetZipName(folder.Path("test.zip"));
    }
    std::filesystem::path Out(const std::string& relative) const { return folder.Root() / "out" / relative; }

    test_support::TempFolder folder;
    zip_test::RecordingDialogs dialogs;
    TZipExtractor extractor;
    std::vector<std::string> events;
};

TEST_F(Extractor, ExtractsEveryEntryWithItsDirectoriesAndEvents) {
    ArchiveBuilder builder;
    builder.Add("docs/", "");
    builder.Add("docs/readme.txt", "read me");
    builder.Add("empty.txt", "");
    Use(builder);
    EXPECT_EQ(extractor.UnZip(), 3);
    EXPECT_EQ(ReadHostFile(Out("docs/readme.txt")), "read me");
    EXPECT_TRUE(std::filesystem::exists(Out("empty.txt")));
    EXPECT_EQ(events, (std::vector<std::string>{"info 3 7", "start 0", "start 1", "end 1", "start 2", "end 2"}));
}

TEST_F(Extractor, WithoutRecreateDirsFilesLandInTheDestinationItself) {
    ArchiveBuilder builder;
    builder.Add("docs/", "");
    builder.Add("docs/readme.txt", "read me");
    Use(builder);
    extractor.RecreateDirs = false;
    EXPECT_EQ(extractor.UnZip(), 1);  // the directory entry is not counted
    EXPECT_EQ(ReadHostFile(Out("readme.txt")), "read me");
    EXPECT_FALSE(std::filesystem::exists(Out("docs")));
}

TEST_F(Extractor, PatternsSelectEntriesAndNoPatternSelectsNothing) {
    ArchiveBuilder builder;
    builder.Add("a.txt", "a");
    builder.Add("sub/b.txt", "b");
    builder.Add("c.bin", "c");
    Use(builder);
    extractor.DoAll = false;
    EXPECT_EQ(extractor.UnZip(), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"info 0 0"}));
    events.clear();
    extractor.FilesList = {"*.TXT"};
    EXPECT_EQ(extractor.UnZip(), 2);
    EXPECT_TRUE(std::filesystem::exists(Out("sub/b.txt")));
    EXPECT_FALSE(std::filesystem::exists(Out("c.bin")));
}

TEST_F(Extractor, StopNowExtractsNothingAndReturnsTheSelection) {
    ArchiveBuilder builder;
    builder.Add("a.txt", "a");
    Use(builder);
    extractor.OnStartUnZipInfo = [](TZipExtractor&, int, int64_t, bool& stop) { stop = true; };
    EXPECT_EQ(extractor.UnZip(), 1);
    EXPECT_FALSE(std::filesystem::exists(Out("a.txt")));
}

TEST_F(Extractor, RootDirIsTakenOffStoredDirectories) {
    ArchiveBuilder builder;
    builder.Add("Docs/img/logo.bmp", "BM");
    Use(builder);
    extractor.SetRootDir("docs");
    EXPECT_EQ(extractor.RootDir(), "docs\\");
    extractor.UnZip();
    EXPECT_TRUE(std::filesystem::exists(Out("img/logo.bmp")));
}

TEST_F(Extractor, DestDirLosesOneTrailingBackslash) {
    extractor.SetDestDir("C:\\");
    EXPECT_EQ(extractor.DestDir(), "C:");
    extractor.SetDestDir("C:\\data\\");
    EXPECT_EQ(extractor.DestDir(), "C:\\data");
    dialogs.chosen_path = "C:\\picked";
    extractor.SetDestDir("?");
    EXPECT_EQ(extractor.DestDir(), "C:\\picked");
    dialogs.chosen_path.clear();
    try {
        extractor.SetDestDir("?");
        FAIL() << "no exception";
    } catch (const zip::EUserCanceled& error) {
        EXPECT_STREQ(error.what(), "User canceled Set Desination Directory");
    }
    EXPECT_THROW(extractor.SetZipName("C:\\*.zip?"), zip::EUserCanceled);
}

TEST_F(Extractor, AbsoluteStoredDirectoriesArePlacedUnderTheDestination) {
    ArchiveBuilder builder;
    builder.Add("C:/data/a.txt", "a");
    builder.Add("/rooted/b.txt", "b");
    builder.Add("D:glued/c.txt", "c");
    Use(builder);
    EXPECT_EQ(extractor.UnZip(), 3);
    EXPECT_EQ(ReadHostFile(Out("data/a.txt")), "a");
    EXPECT_EQ(ReadHostFile(Out("rooted/b.txt")), "b");
    EXPECT_EQ(ReadHostFile(Out("glued/c.txt")), "c");  // not "out" + "glued" beside it
}

TEST_F(Extractor, NamesThatWouldLeaveTheDestinationAreSkippedAndTheRestGoesOn) {
    ArchiveBuilder builder;
    builder.Add("../evil.txt", "x");
    builder.Add("sub/../../evil2.txt", "x");
    builder.Add("sub/..", "x");
    builder.Add("CON", "x");
    builder.Add("dir/lpt1.txt", "x");
    builder.Add("nul/file.txt", "x");
    builder.Add("//server/share/x.txt", "x");
    builder.Add(".", "x");      // could not be created: once ended the whole run
    builder.Add("dir/.", "x");
    // UTF-8 names the ANSI code page cannot hold: never written under a substitute name.
    builder.Add("\xE4\xB8\xAD.txt", "x").flags = 0x0800;
    builder.Add("a\xE2\x88\x95..\xE2\x88\x95" "b.txt", "x").flags = 0x0800;
    builder.Add("ok.txt", "fine");
    Use(builder);
    EXPECT_EQ(extractor.UnZip(), 1);
    EXPECT_EQ(ReadHostFile(Out("ok.txt")), "fine");
    EXPECT_FALSE(std::filesystem::exists(folder.Root() / "evil.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder.Root().parent_path() / "evil2.txt"));
    int skipped = 0;
    for (const std::string& event : events) skipped += event.rfind("skip ", 0) == 0 && event.find(" 3 ") != std::string::npos;
    EXPECT_EQ(skipped, 11);
}

TEST_F(Extractor, AbsoluteNamesWithoutADestinationAreSkipped) {
    ArchiveBuilder builder;
    builder.Add("C:/data/a.txt", "a");
    Use(builder);
    extractor.SetDestDir("");
    EXPECT_EQ(extractor.UnZip(), 0);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1], "skip 0 3 C:\\data\\a.txt");
}

TEST_F(Extractor, OverwriteModesDecideAboutExistingFiles) {
    ArchiveBuilder builder;
    builder.Add("a.txt", "new");
    Use(builder);
    folder.Write("out/a.txt", "old");

    extractor.OverwriteMode = zip::TUZOverwriteMode::Never;
    EXPECT_EQ(extractor.UnZip(), 0);
    EXPECT_EQ(ReadHostFile(Out("a.txt")), "old");
    EXPECT_EQ(events.back(), "skip 0 1 a.txt");

    extractor.OverwriteMode = zip::TUZOverwriteMode::Prompt;
    dialogs.answers = {platform::DialogResult::No};
    EXPECT_EQ(extractor.UnZip(), 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "File Exists Alert: Replace existing file a.txt?");
    dialogs.answers = {platform::DialogResult::Yes};
    EXPECT_EQ(extractor.UnZip(), 1);
    EXPECT_EQ(ReadHostFile(Out("a.txt")), "new");

    folder.Write("out/a.txt", "old");
    extractor.OnPromptForOverwrite = [this](TZipExtractor&, bool& overwrite, int, std::string& name) {
        overwrite = true;
        name = folder.Path("out/renamed.txt");
    };
    EXPECT_EQ(extractor.UnZip(), 1);
    EXPECT_EQ(ReadHostFile(Out("a.txt")), "old");
    EXPECT_EQ(ReadHostFile(Out("renamed.txt")), "new");
}

TEST_F(Extractor, SkipFromStartUnZipLeavesAnEmptyFileAndCountsIt) {
    ArchiveBuilder builder;
    builder.Add("a.txt", "content");
    Use(builder);
    extractor.OnStartUnZip = [](TZipExtractor&, int, const std::string&, bool& skip) { skip = true; };
    EXPECT_EQ(extractor.UnZip(), 1);
    EXPECT_TRUE(std::filesystem::exists(Out("a.txt")));
    EXPECT_EQ(std::filesystem::file_size(Out("a.txt")), 0u);
}

TEST_F(Extractor, AWrongCrcDeletesTheFileAndLowersTheCount) {
    ArchiveBuilder builder;
    auto& bad = builder.Add("bad.txt", "content");
    bad.override_crc = true;
    bad.crc = 0x12345678;
    bad.external_attributes = 0x21;  // read-only: the rejected file must still go
    builder.Add("good.txt", "fine");
    Use(builder);
    uint32_t calculated = 0;
    uint32_t stored = 0;
    extractor.OnBadCRC = [&](TZipExtractor&, uint32_t calc, uint32_t store, int) {
        calculated = calc;
        stored = store;
        events.push_back("badcrc");
    };
    EXPECT_EQ(extractor.UnZip(), 1);
    EXPECT_EQ(stored, 0x12345678u);
    EXPECT_EQ(calculated, ~test_support::ReferenceCrc32("content"));
    EXPECT_FALSE(std::filesystem::exists(Out("bad.txt")));
    EXPECT_EQ(events, (std::vector<std::string>{"info 2 11", "start 0", "badcrc", "start 1", "end 1"}));
}

TEST_F(Extractor, AnUnknownMethodIsReportedAndFailsTheCrc) {
    ArchiveBuilder builder;
    auto& entry = builder.Add("odd.bin", "data");
    entry.method = 12;
    entry.compressed = "????";
    Use(builder);
    EXPECT_EQ(extractor.UnZip(), 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Zip Error: Unknown Compression Method");
    EXPECT_EQ(events.back(), "badcrc 0");
}

// Data said to run past the archive's end would run over the central directory: the entry is
// refused before anything is written, and the run goes on.
TEST_F(Extractor, DataClaimedPastTheArchiveIsRefusedBeforeAnythingIsWritten) {
    ArchiveBuilder builder;
    auto& entry = builder.Add("big.bin", std::string(60000, 'x'));
    entry.method = 8;
    // A stored deflate block that promises 60000 bytes; the archive ends long before.
    entry.compressed = std::string("\x01\x60\xEA\x9F\x15", 5) + std::string(100, 'x');
    entry.override_compressed_size = true;
    entry.compressed_size = 60005;
    Use(builder);
    EXPECT_EQ(extractor.UnZip(), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"info 1 60000",
                                                "damaged 0 invalid zip file with overlapped components (possible zip bomb)"}));
}

TEST_F(Extractor, AttributesAndDateAreApplied) {
    ArchiveBuilder builder;
    auto& entry = builder.Add("ro.txt", "read only");
    entry.external_attributes = 0x21;
    entry.dos_date_time = (uint32_t{(2001 - 1980) << 9 | 2 << 5 | 3} << 16) | (4 << 11 | 5 << 5 | 3);
    Use(builder);
    EXPECT_EQ(extractor.UnZip(), 1);
    const auto permissions = std::filesystem::status(Out("ro.txt")).permissions();
    EXPECT_EQ(permissions & std::filesystem::perms::owner_write, std::filesystem::perms::none);
    platform::FileTime time;
    ASSERT_TRUE(platform::Files().GetLastWriteTime(folder.Path("out/ro.txt"), time));
    uint32_t dos = 0;
    ASSERT_TRUE(platform::FileTimeToDosDateTime(time, dos));
    EXPECT_EQ(dos, entry.dos_date_time);
}

TEST_F(Extractor, ProgressEventsReachOneHundred) {
    ArchiveBuilder builder;
    builder.Add("a.bin", std::string(40000, 'a'));
    builder.Add("b.bin", std::string(10000, 'b'));
    Use(builder);
    std::vector<int> totals;
    extractor.OnTotalPercentDone = [&totals](TZipExtractor&, int percent) { totals.push_back(percent); };
    extractor.UnZip();
    ASSERT_FALSE(totals.empty());
    EXPECT_EQ(totals.back(), 100);
    for (size_t i = 1; i < totals.size(); ++i) EXPECT_GE(totals[i], totals[i - 1]);
}

}  // namespace

namespace {

// Reading a comment moves the archive stream; from an event raised while an entry is being
// decoded that once made every later read of the entry's data go astray.
TEST_F(Extractor, CommentsCanBeReadFromAnEventInTheMiddleOfARun) {
    ArchiveBuilder builder;
    builder.Add("a.txt", std::string(50000, 'a')).comment = "first";
    builder.Add("b.txt", std::string(50000, 'b')).comment = "second";
    builder.archive_comment = "archive";
    Use(builder);
    std::vector<std::string> comments;
    extractor.OnStartUnZip = [&comments](TZipExtractor& sender, int index, const std::string&, bool&) {
        comments.push_back(sender.EntryComment(index));
    };
    extractor.OnFilePercentDone = [&comments](TZipExtractor& sender, int) {
        if (comments.size() == 1) comments.push_back(sender.ArchiveComment());
    };
    EXPECT_EQ(extractor.UnZip(), 2);
    EXPECT_EQ(comments, (std::vector<std::string>{"first", "archive", "second"}));
    EXPECT_EQ(ReadHostFile(Out("a.txt")), std::string(50000, 'a'));
    EXPECT_EQ(ReadHostFile(Out("b.txt")), std::string(50000, 'b'));
}

}  // namespace
