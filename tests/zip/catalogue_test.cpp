// The catalogue: finding the end record, reading the central directory, rebuilding it from
// the local headers, names, dates, order and comments.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "platform/system.h"
#include "support/archive_builder.h"
#include "support/temp_folder.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"

namespace {

using test_support::ArchiveBuilder;
using test_support::TestEntry;
using zip::TZipExtractor;
using zip::TZipSortMode;

class Catalogue : public ::testing::Test {
protected:
    // Writes the archive and points the component at it.
    void Use(const std::string& bytes, const std::string& name = "test.zip") {
        folder.Write(name, bytes);
        extractor.SetZipName(folder.Path(name));
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (int i = 0; i < extractor.Count(); ++i) names.push_back(extractor.EntryFullName(i));
        return names;
    }

    test_support::TempFolder folder;
    TZipExtractor extractor;
};

TEST_F(Catalogue, AFileTooShortForAnEndRecordIsIncompleteAndForgotten) {
    Use(std::string(21, 'x'));
    try {
        extractor.OpenArchive();
        FAIL() << "no exception";
    } catch (const zip::EIncompleteZip& error) {
        EXPECT_STREQ(error.what(), "Incomplete Zip File");
    }
    EXPECT_EQ(extractor.ZipName(), "");
    EXPECT_EQ(extractor.Count(), 0);
}

TEST_F(Catalogue, ALoneEndRecordIsAnEmptyArchive) {
    ArchiveBuilder builder;
    const std::string bytes = builder.Build();
    ASSERT_EQ(bytes.size(), 22u);
    Use(bytes);
    extractor.OpenArchive();
    EXPECT_EQ(extractor.Count(), 0);
}

TEST_F(Catalogue, ASignatureInsideTheArchiveCommentDoesNotHideTheRealRecord) {
    ArchiveBuilder builder;
    builder.Add("a.txt", "alpha");
    builder.Add("b.txt", "bravo");
    std::string fake = "PK\x05\x06";
    fake += std::string(6, '\0') + "\x09\x00" + std::string(10, '\x7F');  // 9 entries at a wild offset
    builder.archive_comment = "see " + fake + " here";
    Use(builder.Build());
    extractor.OpenArchive();
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(extractor.ArchiveComment(), builder.archive_comment);
}

TEST_F(Catalogue, AnEndRecordBeyondTheSearchedTailIsNotFound) {
    ArchiveBuilder builder;
    builder.Add("a.txt", "alpha");
    builder.archive_comment = std::string(65530, 'c');
    Use(builder.Build());
    EXPECT_THROW(extractor.OpenArchive(), zip::EIncompleteZip);
}

TEST_F(Catalogue, NamesGetBackslashesAndDirectoriesEndInOne) {
    ArchiveBuilder builder;
    builder.Add("docs/", "");
    builder.Add("docs/img/logo.bmp", "BM");
    builder.Add("top.txt", "top");
    Use(builder.Build());
    extractor.OpenArchive();
    const zip::TZipHeaderInfo& directory = extractor.Entry(0);
    EXPECT_EQ(directory.Directory(), "docs\\");
    EXPECT_EQ(directory.FileName(), "");
    EXPECT_EQ(extractor.Entry(1).Directory(), "docs\\img\\");
    EXPECT_EQ(extractor.Entry(1).FileName(), "logo.bmp");
    EXPECT_EQ(extractor.Entry(1).FileNameLength, 17);
    EXPECT_EQ(extractor.Entry(2).Directory(), "");
}

TEST_F(Catalogue, OemNamesBecomeAnsi) {
    ArchiveBuilder builder;
    builder.Add("\x80\xA0.txt", "cyrillic");  // OEM 866: capital and small A
    Use(builder.Build());
    extractor.OpenArchive();
    // What the bytes become depends on the system's OEM code page (866 gives Cyrillic A and a,
    // 437 other letters): the name takes the system's conversion.
    EXPECT_EQ(extractor.EntryFileName(0), platform::Machine().OemToAnsi("\x80\xA0") + ".txt");
    EXPECT_NE(extractor.EntryFileName(0), "\x80\xA0.txt");
}

TEST_F(Catalogue, CentralHeadersOutOfOrderAreListedInArchiveOrder) {
    ArchiveBuilder builder;
    builder.Add("first", "1");
    builder.Add("second", "2");
    builder.Add("third", "3");
    builder.reverse_central_order = true;
    Use(builder.Build());
    extractor.OpenArchive();
    EXPECT_EQ(Names(), (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_FALSE(extractor.Rebuilding());
}

TEST_F(Catalogue, BytesInFrontWithOffsetsNotAdjustedAreAllowedForWithoutARebuild) {
    ArchiveBuilder builder;
    builder.prefix = std::string(3000, 'S');  // a program in front, offsets not adjusted
    builder.offsets_from_archive_start = true;
    builder.Add("one.txt", "one");
    builder.Add("two.txt", "two");
    builder.trailing = "junk after the end";
    Use(builder.Build());
    extractor.OpenArchive();
    EXPECT_FALSE(extractor.Rebuilding());
    EXPECT_EQ(Names(), (std::vector<std::string>{"one.txt", "two.txt"}));
    EXPECT_EQ(extractor.Entry(0).RelativeOffset, 3000u);
    EXPECT_EQ(extractor.Entry(1).RelativeOffset, 3000u + 30 + 7 + 3);
}

// Streamed entries carry their sizes and CRC in a data descriptor after the data; the
// rebuild once took the zero sizes of their local headers and lost every later entry.
TEST_F(Catalogue, TheRebuildSizesStreamedEntriesByTheirDataDescriptors) {
    ArchiveBuilder builder;
    builder.Add("signed.txt", std::string(70000, 's')).streamed = true;
    TestEntry& unsigned_entry = builder.Add("unsigned.txt", "PK\x07\x08 in the data");
    unsigned_entry.streamed = true;
    unsigned_entry.descriptor_signature = false;
    builder.Add("plain.txt", "plain");
    builder.Add("last.txt", "last").streamed = true;
    builder.corrupt_central_signature = true;
    Use(builder.Build());
    extractor.OpenArchive();
    EXPECT_TRUE(extractor.Rebuilding());
    EXPECT_EQ(Names(), (std::vector<std::string>{"signed.txt", "unsigned.txt", "plain.txt", "last.txt"}));
    for (int i = 0; i < extractor.Count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(extractor.Entry(i).UncompressedSize, builder.entries[i].data.size());
        EXPECT_EQ(extractor.Entry(i).CRC32, ~test_support::ReferenceCrc32(builder.entries[i].data));
    }
}

TEST_F(Catalogue, AStreamedEntryWithoutADescriptorFailsTheRebuild) {
    ArchiveBuilder builder;
    builder.Add("one.txt", "one").streamed = true;
    builder.entries[0].omit_descriptor = true;
    builder.corrupt_central_signature = true;
    Use(builder.Build());
    EXPECT_THROW(extractor.OpenArchive(), zip::EBadZipFile);
    EXPECT_EQ(extractor.Count(), 0);
}

TEST_F(Catalogue, ABadCentralSignatureLeadsToTheRebuild) {
    ArchiveBuilder builder;
    builder.Add("one.txt", "one");
    builder.corrupt_central_signature = true;
    Use(builder.Build());
    extractor.OpenArchive();
    EXPECT_TRUE(extractor.Rebuilding());
    EXPECT_EQ(Names(), (std::vector<std::string>{"one.txt"}));
}

TEST_F(Catalogue, NoLocalHeaderToRebuildFromIsNotAValidZipFile) {
    ArchiveBuilder builder;
    builder.total_entries_override = 1;  // claims an entry; the directory offset holds none
    Use(builder.Build());
    try {
        extractor.OpenArchive();
        FAIL() << "no exception";
    } catch (const zip::EBadZipFile& error) {
        EXPECT_STREQ(error.what(), "Not a valid zip file!");
    }
    EXPECT_EQ(extractor.ZipName(), "");
}

TEST_F(Catalogue, ACentralHeaderThatCannotBeReadFailsTheArchive) {
    ArchiveBuilder builder;
    builder.Add("one.txt", "one");
    builder.total_entries_override = 2;  // one header more than there is
    Use(builder.Build());
    EXPECT_THROW(extractor.OpenArchive(), zip::EBadZipFile);
    EXPECT_EQ(extractor.ZipName(), "");
    EXPECT_EQ(extractor.Count(), 0);
}

TEST_F(Catalogue, AMissingEndRecordCanBeTakenAsADamagedArchive) {
    ArchiveBuilder builder;
    builder.Add("one.txt", "one");
    builder.omit_end_record = true;
    Use(builder.Build());
    int asked = 0;
    extractor.OnInCompleteZip = [&asked](TZipExtractor&, zip::TIncompleteZipMode& mode) {
        ++asked;
        mode = zip::TIncompleteZipMode::izAssumeBad;
    };
    extractor.OpenArchive();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(extractor.IncompleteZipMode, zip::TIncompleteZipMode::izAssumeBad);
    EXPECT_EQ(Names(), (std::vector<std::string>{"one.txt"}));
}

TEST_F(Catalogue, TwoEntriesAtOneOffsetAreADuplicate) {
    ArchiveBuilder builder;
    builder.Add("one.txt", "one");
    std::string bytes = builder.Build();
    // Repeat the central header: the end record then counts two entries at offset 0.
    const size_t central = bytes.find("PK\x01\x02");
    const size_t end = bytes.find("PK\x05\x06");
    std::string header = bytes.substr(central, end - central);
    std::string record = bytes.substr(end);
    record[8] = 2;
    record[10] = 2;
    Use(bytes.substr(0, end) + header + record);
    try {
        extractor.OpenArchive();
        FAIL() << "no exception";
    } catch (const zip::EListError& error) {
        EXPECT_STREQ(error.what(), "Duplicate Object index");
    }
    // No part of the list survives: the next use meets the same fault again.
    EXPECT_EQ(extractor.Count(), 0);
    EXPECT_THROW(extractor.UnZip(), zip::EListError);
}

TEST(ClampDosDateTime, ClampsEachPartAndKeepsGoodValuesBitForBit) {
    auto make = [](unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second) {
        return ((year - 1980) << 25) | (month << 21) | (day << 16) | (hour << 11) | (minute << 5) | (second / 2);
    };
    const uint32_t good = make(2024, 2, 29, 23, 59, 58);
    EXPECT_EQ(zip::ClampDosDateTime(good), good);
    EXPECT_EQ(zip::ClampDosDateTime(make(2024, 1, 1, 24, 0, 0)), make(2024, 1, 1, 24, 0, 0));
    EXPECT_EQ(zip::ClampDosDateTime(make(2024, 1, 1, 25, 10, 0)), make(2024, 1, 1, 24, 10, 0));
    EXPECT_EQ(zip::ClampDosDateTime(make(2024, 0, 1, 1, 0, 0)), make(2024, 1, 1, 1, 0, 0));
    EXPECT_EQ(zip::ClampDosDateTime(make(2024, 13, 0, 1, 61, 62)), make(2024, 12, 1, 1, 59, 58));
    EXPECT_EQ(zip::ClampDosDateTime(make(2105, 5, 5, 1, 1, 2)), make(2099, 5, 5, 1, 1, 2));
}

TEST_F(Catalogue, SortModesOrderTheEntryList) {
    ArchiveBuilder builder;
    auto& b = builder.Add("zdir/b.txt", std::string(100, 'b'));
    b.dos_date_time = 0x58000000;
    auto& a = builder.Add("adir/c.txt", std::string(300, 'c'));
    a.dos_date_time = 0x5A000000;
    auto& c = builder.Add("mdir/a.txt", std::string(200, 'a'));
    c.dos_date_time = 0x59000000;
    Use(builder.Build());
    extractor.SortMode = TZipSortMode::ByName;
    extractor.OpenArchive();
    EXPECT_EQ(Names(), (std::vector<std::string>{"adir\\c.txt", "mdir\\a.txt", "zdir\\b.txt"}));
    extractor.ApplySortMode(TZipSortMode::ByFileName);
    EXPECT_EQ(Names(), (std::vector<std::string>{"mdir\\a.txt", "zdir\\b.txt", "adir\\c.txt"}));
    extractor.ApplySortMode(TZipSortMode::ByDate);
    EXPECT_EQ(Names(), (std::vector<std::string>{"adir\\c.txt", "mdir\\a.txt", "zdir\\b.txt"}));
    extractor.ApplySortMode(TZipSortMode::ByUnCompressedSize);
    EXPECT_EQ(Names(), (std::vector<std::string>{"adir\\c.txt", "mdir\\a.txt", "zdir\\b.txt"}));
    extractor.ApplySortMode(TZipSortMode::ByNone);
    EXPECT_EQ(Names(), (std::vector<std::string>{"zdir\\b.txt", "adir\\c.txt", "mdir\\a.txt"}));
    EXPECT_EQ(extractor.SortMode, TZipSortMode::ByNone);
}

TEST_F(Catalogue, CommentsAreReadOnDemandAndSetInMemory) {
    ArchiveBuilder builder;
    builder.Add("a.txt", "alpha").comment = "first comment";
    builder.Add("b.txt", "bravo");
    builder.archive_comment = "the archive";
    Use(builder.Build());
    extractor.OpenArchive();
    extractor.CloseArchive();
    EXPECT_EQ(extractor.Entry(0).FileComment(), nullptr);
    EXPECT_EQ(extractor.EntryComment(0), "first comment");
    EXPECT_EQ(extractor.EntryComment(1), "");
    EXPECT_EQ(extractor.ArchiveComment(), "the archive");
    EXPECT_FALSE(extractor.EndRecord().CommentChanged);
    extractor.SetEntryComment(0, "first comment");
    EXPECT_FALSE(extractor.EndRecord().CommentChanged);
    extractor.SetEntryComment(1, "new");
    EXPECT_TRUE(extractor.EndRecord().CommentChanged);
    EXPECT_EQ(extractor.EntryComment(1), "new");
    extractor.SetArchiveComment("");
    EXPECT_EQ(extractor.ArchiveComment(), "");
}

TEST_F(Catalogue, AnIndexOutsideTheListNamesIt) {
    ArchiveBuilder builder;
    builder.Add("a.txt", "alpha");
    Use(builder.Build());
    extractor.OpenArchive();
    try {
        extractor.EntryFileName(5);
        FAIL() << "no exception";
    } catch (const zip::EListError& error) {
        EXPECT_STREQ(error.what(), "Index 5 is out of range");
    }
    EXPECT_THROW(extractor.EntryComment(-1), zip::EListError);
}

TEST_F(Catalogue, IsKeptWhileTheFileDateStaysAndReadAgainWhenItChanges) {
    ArchiveBuilder first;
    first.Add("a.txt", "alpha");
    Use(first.Build());
    extractor.OpenArchive();
    extractor.CloseArchive();
    EXPECT_EQ(extractor.Count(), 1);

    // Same letters, other case: the catalogue stays.
    std::string upper = extractor.ZipName();
    upper.back() = 'P';
    extractor.SetZipName(upper);
    EXPECT_EQ(extractor.Count(), 1);

    ArchiveBuilder second;
    second.Add("a.txt", "alpha");
    second.Add("b.txt", "bravo");
    folder.Write("test.zip", second.Build());
    const auto path = folder.Root() / "test.zip";
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::hours(1));
    extractor.SetZipName(folder.Path("test.zip"));
    extractor.OpenArchive();
    EXPECT_EQ(extractor.Count(), 2);

    extractor.SetZipName(folder.Path("other.zip"));
    EXPECT_EQ(extractor.Count(), 0);
}

}  // namespace
