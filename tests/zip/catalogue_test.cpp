// The catalogue: finding the end record, reading the central directory, rebuilding it from
// the local headers, names, dates, order and comments.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

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
    // Archives that contradict themselves are read on, as a tool reporting it does.
    Catalogue() { extractor.OnArchiveDamage = [this](TZipExtractor&, zip::TDamageLevel, const std::string& text) { damages.push_back(text); }; }
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
    std::vector<std::string> damages;
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

// A name is UTF-8 when its entry says so (bit 11) or a Unicode path record's CRC matches the
// stored name; it then takes the machine's UTF-8 conversion, and a name the ANSI code page
// cannot hold (or malformed UTF-8) is marked, never turned into a look-alike.
TEST_F(Catalogue, Utf8NamesAreConvertedOrMarkedUnrepresentable) {
    const std::string cyrillic = "\xD0\x9F\xD1\x80\xD0\xB8/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt";  // При/файл.txt
    auto unicode_path = [](const std::string& for_name, const std::string& utf8) {
        std::string data = "\x01";
        ArchiveBuilder::Le32(data, ~test_support::ReferenceCrc32(for_name));
        return ArchiveBuilder::ExtraRecord(0x7075, data + utf8);
    };
    struct Case {
        const char* what;
        std::string stored;
        uint16_t flags;
        std::string extra;
        std::string utf8;  // the name that must be taken, empty: the OEM conversion of stored
    };
    const Case cases[] = {
        {"flag", cyrillic, 0x0800, "", cyrillic},
        {"Unicode path record", "Pri/fajl.txt", 0, unicode_path("Pri/fajl.txt", cyrillic), cyrillic},
        {"stale Unicode path record", "renamed.txt", 0, unicode_path("Pri/fajl.txt", cyrillic), ""},
        {"a character no Windows code page here has", "\xE4\xB8\xAD.txt", 0x0800, "", "\xE4\xB8\xAD.txt"},
        {"division slash, no best fit to '/'", "a\xE2\x88\x95..\xE2\x88\x95" "b", 0x0800, "", "a\xE2\x88\x95..\xE2\x88\x95" "b"},
        {"overlong '/'", "a\xC0\xAF" "b", 0x0800, "", "a\xC0\xAF" "b"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        ArchiveBuilder builder;
        TestEntry& entry = builder.Add(test.stored, "data");
        entry.flags = test.flags;
        entry.extra = test.extra;
        builder.Add("next.txt", "next");
        Use(builder.Build());
        extractor.OpenArchive();
        ASSERT_EQ(extractor.Count(), 2);
        std::string expected;
        bool representable = true;
        if (test.utf8.empty()) {
            expected = platform::Machine().OemToAnsi(test.stored);
        } else {
            representable = platform::Machine().Utf8ToAnsi(test.utf8, expected);
        }
        for (char& character : expected) character = character == '/' ? '\\' : character;
        EXPECT_EQ(extractor.EntryFullName(0), expected);
        EXPECT_EQ(extractor.Entry(0).UnrepresentableName, !representable);
        EXPECT_FALSE(extractor.Entry(1).UnrepresentableName);
        extractor.SetZipName("");
    }
    std::string converted;
    EXPECT_FALSE(platform::Machine().Utf8ToAnsi("\xE4\xB8\xAD", converted));
    EXPECT_FALSE(platform::Machine().Utf8ToAnsi("a\xE2\x88\x95" "b", converted));
    EXPECT_EQ(converted.find('/'), std::string::npos);
}

// ZIP64: sizes and offsets from the entries' records, counts and the directory from the ZIP64
// end record, also behind bytes in front of the archive whose offsets were not adjusted.
TEST_F(Catalogue, Zip64RecordsGiveSizesOffsetsAndCounts) {
    for (const size_t prefix : {size_t{0}, size_t{3000}}) {
        SCOPED_TRACE(prefix);
        ArchiveBuilder builder;
        builder.prefix = std::string(prefix, 'x');
        builder.Add("one.txt", "first").zip64 = true;
        builder.Add("two.txt", std::string(1000, 't')).zip64 = true;
        builder.Add("plain.txt", "classic fields");
        builder.zip64_end_record = true;
        Use(builder.Build());
        extractor.OpenArchive();
        EXPECT_FALSE(extractor.Rebuilding());
        EXPECT_TRUE(extractor.EndRecord().Zip64);
        EXPECT_EQ(Names(), (std::vector<std::string>{"one.txt", "two.txt", "plain.txt"}));
        EXPECT_EQ(extractor.Entry(1).UncompressedSize, 1000u);
        EXPECT_EQ(extractor.Entry(1).CompressedSize, 1000u);
        EXPECT_EQ(extractor.Entry(1).RelativeOffset, prefix + 30 + 7 + 20 + 5);
        extractor.TestOnly = true;
        extractor.DoAll = true;
        EXPECT_EQ(extractor.UnZip(), 3);
        extractor.SetZipName("");
    }
}

// A ZIP64 record shorter than the values it stands for leaves the header unreadable.
TEST_F(Catalogue, AZip64RecordTooShortForItsValuesIsNotAValidZipFile) {
    ArchiveBuilder builder;
    TestEntry& entry = builder.Add("one.txt", "one");
    entry.extra = ArchiveBuilder::ExtraRecord(0x0001, std::string(8, '\0'));  // one size of two
    entry.override_uncompressed_size = true;
    entry.uncompressed_size = 0xFFFFFFFF;
    entry.override_compressed_size = true;
    entry.compressed_size = 0xFFFFFFFF;
    Use(builder.Build());
    EXPECT_THROW(extractor.OpenArchive(), zip::EBadZipFile);
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
    EXPECT_EQ(damages, (std::vector<std::string>{"extra bytes at beginning or within zipfile"}));
}

// A ZIP64 archive behind a program is read from its central directory (with the comments
// only the directory holds), whether or not its offsets count the program's bytes.
TEST_F(Catalogue, AZip64ArchiveBehindAProgramIsReadFromItsDirectory) {
    for (const bool counted : {true, false}) {
        ArchiveBuilder builder;
        builder.prefix = std::string(5000, 'S');
        builder.offsets_from_archive_start = !counted;
        builder.zip64_end_record = true;
        builder.Add("one.txt", "one").comment = "the first";
        for (TestEntry& entry : builder.entries) entry.zip64 = true;
        extractor.SetZipName("");
        Use(builder.Build());
        extractor.OpenArchive();
        EXPECT_FALSE(extractor.Rebuilding()) << counted;
        EXPECT_EQ(extractor.EntryComment(0), "the first") << counted;
        EXPECT_EQ(damages.size(), counted ? 0u : 1u);
    }
}

// An old tool writes 65,537 entries without ZIP64 as a count of 1: the directory's size tells
// the truth, and the headers past the count are read without complaint.
TEST_F(Catalogue, ACountModulo65536WithoutZip64IsAnOldToolsCount) {
    ArchiveBuilder builder;
    for (int i = 0; i <= 0x10000; ++i) builder.Add(std::to_string(i), "");
    builder.total_entries_override = 1;
    Use(builder.Build());
    extractor.OpenArchive();
    EXPECT_EQ(extractor.Count(), 0x10001);
    EXPECT_TRUE(damages.empty());
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

// The rebuild reads every shape of data descriptor that writers produce. Each case gives the
// shape to the first entry; the entry after it must be found where it is, and both must
// decode.
TEST_F(Catalogue, TheRebuildReadsEveryDataDescriptorShape) {
    struct Case {
        const char* what;
        std::function<void(TestEntry&)> shape;
        std::string prefix;
    };
    const std::string data(3000, 'd');
    const Case cases[] = {
        {"with its signature", [](TestEntry&) {}, ""},
        {"without its signature", [](TestEntry& entry) { entry.descriptor_signature = false; }, ""},
        {"compressed size other than the size",
         [](TestEntry& entry) {
             // One final stored deflate block: 5 bytes more than the data.
             entry.method = 8;
             entry.compressed = std::string("\x01\xB8\x0B\x47\xF4", 5) + entry.data;
         },
         ""},
        {"sizes also in the local header",
         [](TestEntry& entry) {
             entry.sizes_in_local_header = true;
             entry.descriptor_signature = false;
         },
         ""},
        {"a stray P before the first local header", [](TestEntry&) {}, "P"},
        {"8-byte sizes", [](TestEntry& entry) { entry.zip64 = true; }, ""},
        {"8-byte sizes without the signature",
         [](TestEntry& entry) {
             entry.zip64 = true;
             entry.descriptor_signature = false;
         },
         ""},
        {"8-byte sizes also in the local header",
         [](TestEntry& entry) {
             entry.zip64 = true;
             entry.sizes_in_local_header = true;
         },
         ""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        ArchiveBuilder builder;
        builder.prefix = test.prefix;
        TestEntry& first = builder.Add("first.txt", data);
        first.streamed = true;
        test.shape(first);
        const size_t compressed_size = first.method == 0 ? data.size() : first.compressed.size();
        builder.Add("second.txt", "second");
        builder.corrupt_central_signature = true;
        Use(builder.Build());
        extractor.OpenArchive();
        EXPECT_TRUE(extractor.Rebuilding());
        ASSERT_EQ(Names(), (std::vector<std::string>{"first.txt", "second.txt"}));
        EXPECT_EQ(extractor.Entry(0).UncompressedSize, data.size());
        EXPECT_EQ(extractor.Entry(0).CompressedSize, compressed_size);
        EXPECT_EQ(extractor.Entry(0).CRC32, ~test_support::ReferenceCrc32(data));
        extractor.TestOnly = true;
        extractor.DoAll = true;
        EXPECT_EQ(extractor.UnZip(), 2);
        extractor.SetZipName("");
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
