// The dezip command: exit codes and what it prints for each outcome. Runs the program that
// the build put beside the tests; skipped when it is not there (or cannot be started).

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>

#include "support/archive_builder.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using test_support::ArchiveBuilder;

class Dezip : public ::testing::Test {
protected:
    void SetUp() override {
        program = (fs::path(VI_BINARY_DIR) / "bin" / "dezip").string();
        if (!fs::exists(program)) GTEST_SKIP() << "dezip was not built";
        ArchiveBuilder builder;
        builder.Add("docs/readme.txt", "read me");
        builder.Add("data.bin", "0123456789");
        folder.Write("good.zip", builder.Build());
    }
    // Runs dezip with arguments inside the folder; returns its exit code, output in output.
    int Run(const std::string& arguments) {
        const std::string log = folder.Path("dezip.log");
        const int status = std::system(("cd '" + folder.Path() + "' && " + limits + "'" + program + "' " + arguments + " >'" + log +
                                        "' 2>&1 </dev/null")
                                           .c_str());
        output = test_support::ReadHostFile(log);
        // A shell's wait status carries the exit code in its second byte.
        return status > 255 ? (status >> 8) & 0xFF : status;
    }

    test_support::TempFolder folder;
    std::string program;
    std::string output;
    std::string limits;  // shell commands that limit the run (ulimit), before it
};

TEST_F(Dezip, ExtractsListsAndTestsAGoodArchive) {
    EXPECT_EQ(Run("-q -d out good.zip"), 0) << output;
    EXPECT_EQ(test_support::ReadHostFile(folder.Root() / "out/docs/readme.txt"), "read me");
    EXPECT_EQ(Run("-l good.zip"), 0) << output;
    EXPECT_NE(output.find("docs\\readme.txt"), std::string::npos) << output;
    EXPECT_EQ(Run("-t good.zip"), 0) << output;
    EXPECT_FALSE(fs::exists(folder.Root() / "data.bin"));  // testing keeps no files
}

TEST_F(Dezip, PatternsSelectEntries) {
    EXPECT_EQ(Run("-q -d out good.zip '*.bin'"), 0) << output;
    EXPECT_TRUE(fs::exists(folder.Root() / "out/data.bin"));
    EXPECT_FALSE(fs::exists(folder.Root() / "out/docs"));
    // Slashes as in the listing of other tools; a pattern that matches nothing warns with 11.
    EXPECT_EQ(Run("-q -d out good.zip 'docs/*.txt'"), 0) << output;
    EXPECT_TRUE(fs::exists(folder.Root() / "out/docs/readme.txt"));
    // Sets as other extractors write them, ranges and complements included; each row a
    // pattern and whether it selects an entry (0) or none (11).
    const std::pair<const char*, int> sets[] = {
        {"d[a-c]ta.[!a]i[n]", 0}, {"[]d]ata.bin", 0}, {"docs/[^a-q]eadme.txt", 0},
        {"<d>ata.bin", 0},  // the matcher's own sets stay
        {"[!d]*", 11},            {"data[.bin", 11},  // a "[" that opens no set is itself
    };
    for (const auto& [pattern, code] : sets) {
        EXPECT_EQ(Run("-t -q good.zip '" + std::string(pattern) + "'"), code) << pattern << output;
    }
    EXPECT_NE(output.find("filename not matched: data[.bin"), std::string::npos) << output;
    EXPECT_EQ(Run("-q -d out good.zip 'nothing*'"), 11) << output;
    EXPECT_NE(output.find("filename not matched: nothing*"), std::string::npos) << output;
}

TEST_F(Dezip, AFileThatCannotBeCreatedIsReportedAndTheRestGoesOn) {
    fs::create_directories(folder.Root() / "out/docs/readme.txt");  // a directory in the file's place
    EXPECT_EQ(Run("-d out good.zip"), 1) << output;
    EXPECT_NE(output.find("skipping docs\\readme.txt: cannot create file"), std::string::npos) << output;
    EXPECT_EQ(test_support::ReadHostFile(folder.Root() / "out/data.bin"), "0123456789");
}

// The host's file names are UTF-8: a name marked as UTF-8 keeps every character, Chinese
// ones included, which no Windows-1251 machine could hold. One that is not UTF-8 at all is
// reported, and the rest goes on.
TEST_F(Dezip, Utf8NamesKeepEveryCharacter) {
    ArchiveBuilder builder;
    builder.Add("\xE4\xB8\xAD\xE6\x96\x87/\xD1\x84.txt", "both").flags = 0x0800;
    builder.Add("bad\xC0\xAF.txt", "bad").flags = 0x0800;
    folder.Write("names.zip", builder.Build());
    EXPECT_EQ(Run("-q -d out names.zip"), 1) << output;
    EXPECT_NE(output.find("not valid in the code page"), std::string::npos) << output;
    EXPECT_EQ(test_support::ReadHostFile(folder.Root() / "out/\xE4\xB8\xAD\xE6\x96\x87/\xD1\x84.txt"), "both");
}

TEST_F(Dezip, PrintWritesTheEntriesToStandardOutputOnly) {
    EXPECT_EQ(Run("-p good.zip"), 0) << output;
    EXPECT_EQ(output, "read me0123456789");
    EXPECT_FALSE(fs::exists(folder.Root() / "data.bin"));
}

TEST_F(Dezip, SkippedOrDamagedEntriesGiveOne) {
    ArchiveBuilder builder;
    auto& bad = builder.Add("bad.txt", "content");
    bad.override_crc = true;
    bad.crc = 1;
    builder.Add("../escape.txt", "x");
    folder.Write("bad.zip", builder.Build());
    EXPECT_EQ(Run("-d out bad.zip"), 1);
    EXPECT_NE(output.find("bad CRC in bad.txt"), std::string::npos) << output;
    EXPECT_NE(output.find("skipping ..\\escape.txt"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(folder.Root() / "escape.txt"));
    // A damaged entry does not cost the file it was to write over.
    for (const std::string jobs : {"1", "3"}) {
        folder.Write("out/bad.txt", "the user's");
        EXPECT_EQ(Run("-o -j " + jobs + " -d out bad.zip"), 1);
        EXPECT_EQ(test_support::ReadHostFile(folder.Root() / "out/bad.txt"), "the user's") << jobs;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.Root() / "out"), fs::directory_iterator()), 1) << jobs;
    }

    EXPECT_EQ(Run("-q -d out good.zip"), 0);
    // -n keeps the existing files, as asked: no message, no failure.
    folder.Write("out/data.bin", "the user's");
    EXPECT_EQ(Run("-n -d out good.zip"), 0) << output;
    EXPECT_EQ(output.find("not overwritten"), std::string::npos) << output;
    EXPECT_EQ(test_support::ReadHostFile(folder.Root() / "out/data.bin"), "the user's");
    EXPECT_EQ(Run("-q -o -d out good.zip"), 0);
}

TEST_F(Dezip, OnSeveralThreadsTheMessagesExitCodesAndFilesAreThoseOfOne) {
    ArchiveBuilder builder;
    for (int i = 0; i < 40; ++i) {
        auto& entry = builder.Add("dir" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".txt",
                                  std::string(1000 + 37 * i, static_cast<char>('a' + i % 26)));
        if (i % 7 == 3) entry.override_crc = true, entry.crc = 1;
        if (i % 9 == 5) entry.password = i == 5 ? "other" : "secret";
    }
    builder.Add("../escape.txt", "x");
    folder.Write("many.zip", builder.Build());
    // A deflated entry claiming more data than the archive holds runs over the entries after
    // it: both are refused as overlapping.
    auto& cut = builder.entries[37];  // fewer than 16000 bytes of the archive follow its data
    cut.method = 8;
    cut.compressed = std::string("\x01\x02\x00\xfd\xff", 5) + "ab";
    cut.data = "ab";
    cut.override_compressed_size = true;
    cut.compressed_size = 1000000;
    folder.Write("cut.zip", builder.Build());

    for (const std::string arguments : {"-t -P secret many.zip", "-o -P secret -d out many.zip", "-t cut.zip"}) {
        const int one = Run("-j 1 " + arguments);
        const std::string one_output = output;
        if (arguments.find("-d out") != std::string::npos) fs::rename(folder.Root() / "out", folder.Root() / "out1");
        EXPECT_EQ(Run("-j 3 " + arguments), one) << arguments;
        EXPECT_EQ(output, one_output) << arguments;
    }
    EXPECT_NE(output.find("overlapped components"), std::string::npos) << output;
    for (const auto& file : fs::recursive_directory_iterator(folder.Root() / "out1")) {
        const fs::path twin = folder.Root() / "out" / fs::relative(file.path(), folder.Root() / "out1");
        EXPECT_TRUE(fs::exists(twin)) << twin;
        if (file.is_regular_file()) {
            EXPECT_EQ(test_support::ReadHostFile(file.path()), test_support::ReadHostFile(twin));
        }
    }
}

// An entry that ends the run ends it for every thread: no later entry leaves a file or a
// directory or writes over a file of the user's, even when another thread had started it. The entry that ends the run
// holds 4 MB of stored deflate blocks, and files may not grow past 1 MB: its writing fails
// only there, while the other threads go on with the small entries after it.
TEST_F(Dezip, OnSeveralThreadsNoEntryAfterTheOneThatEndsTheRunIsWritten) {
    ArchiveBuilder builder;
    for (int i = 0; i < 30; ++i) {
        const std::string directory = i >= 20 ? "new" + std::to_string(i) + "/sub/" : "";
        auto& entry = builder.Add(directory + "f" + std::to_string(i) + ".txt", std::string(1000, 'a' + i % 26));
        if (i != 5) continue;
        entry.method = 8;
        const std::string stored_block_header("\x00\xff\xff\x00\x00", 5);  // not the last, 65535 bytes
        for (int block = 0; block < 64; ++block) entry.compressed += stored_block_header + std::string(65535, 'c');
        entry.compressed += std::string("\x01\x00\x00\xff\xff", 5);  // the last block, empty
        entry.data = std::string(64 * 65535, 'c');
    }
    folder.Write("cut.zip", builder.Build());
    limits = "ulimit -f 1024 && trap '' XFSZ && ";
    for (const std::string out : {"out1", "out3"}) {
        for (int i = 0; i < 20; ++i) folder.Write(out + "/f" + std::to_string(i) + ".txt", "the user's");
    }
    const int one = Run("-j 1 -o -d out1 cut.zip");
    const std::string one_output = output;
    EXPECT_EQ(Run("-j 3 -o -d out3 cut.zip"), one) << output;
    EXPECT_EQ(output, std::regex_replace(one_output, std::regex("out1"), "out3"));
    EXPECT_EQ(one, 50) << output;
    std::map<std::string, std::string> trees[2];
    for (int side = 0; side < 2; ++side) {
        const fs::path root = folder.Root() / (side == 0 ? "out1" : "out3");
        for (const auto& file : fs::recursive_directory_iterator(root)) {
            trees[side][fs::relative(file.path(), root).string()] =
                file.is_directory() ? "<directory>" : test_support::ReadHostFile(file.path());
        }
    }
    EXPECT_TRUE(trees[1] == trees[0]) << "the trees differ";
    EXPECT_EQ(trees[1]["f19.txt"], "the user's");
    EXPECT_EQ(trees[1]["f5.txt"], "the user's");  // the entry that ended the run leaves nothing either
    EXPECT_EQ(trees[1].size(), 20u);  // nothing left under another name
}

// A file's modification time comes from the NTFS field that 7z writes (to 100 ns), else from
// the extended timestamp that zip writes (to the second), not from the DOS time (local time
// in steps of two seconds).
TEST_F(Dezip, FileTimesComeFromTheExtraFieldsThat7zAndZipWrite) {
    folder.Write("src/when.txt", "dated");
    ASSERT_TRUE(test_support::RunCommand("touch -d '2001-02-03 04:05:07.1234567 UTC' '" + folder.Path("src/when.txt") + "'"));
    const fs::file_time_type written = fs::last_write_time(folder.Root() / "src/when.txt");
    const struct {
        const char* probe;
        const char* command;
        const char* archive;
        std::chrono::nanoseconds precision;
    } writers[] = {
        {"7z i", "7z a -tzip -bd ../ntfs.zip when.txt", "ntfs.zip", std::chrono::nanoseconds(100)},
        {"zip -v", "zip -q ../extended.zip when.txt", "extended.zip", std::chrono::seconds(1)},
    };
    for (const auto& writer : writers) {
        SCOPED_TRACE(writer.command);
        if (!test_support::ToolAvailable(writer.probe)) continue;
        ASSERT_TRUE(test_support::RunCommand("cd '" + folder.Path("src") + "' && " + writer.command));
        EXPECT_EQ(Run("-q -o -d out " + std::string(writer.archive)), 0) << output;
        // Rounded down, also where the clock counts back from an epoch after the time.
        const auto below = (written.time_since_epoch() % writer.precision + writer.precision) % writer.precision;
        EXPECT_EQ(fs::last_write_time(folder.Root() / "out/when.txt"), written - below);
    }
}

// A split archive as zip -s writes it, named by its last segment, is listed and tested whole.
TEST_F(Dezip, ListsAndTestsASplitArchive) {
    if (!test_support::ToolAvailable("zip -v")) GTEST_SKIP() << "Info-ZIP zip is not available";
    folder.Write("src/big.bin", test_support::SampleContent(200000, 1, false));
    ASSERT_TRUE(test_support::RunCommand("cd '" + folder.Path("src") + "' && zip -q -0 -s 64k ../split.zip big.bin"));
    EXPECT_EQ(Run("-l split.zip"), 0) << output;
    EXPECT_NE(output.find("200000  Stored"), std::string::npos) << output;
    EXPECT_EQ(Run("-t split.zip"), 0) << output;
    EXPECT_NE(output.find("testing: big.bin   OK"), std::string::npos) << output;
}

TEST_F(Dezip, AnUnreadableArchiveGivesTwoAndAUsageErrorThree) {
    folder.Write("junk.zip", std::string(100, 'j'));
    EXPECT_EQ(Run("junk.zip"), 2);
    EXPECT_NE(output.find("Incomplete Zip File"), std::string::npos) << output;
    EXPECT_EQ(Run("missing.zip"), 2);
    EXPECT_EQ(Run(""), 3);
    EXPECT_EQ(Run("-l -t good.zip"), 3);
    EXPECT_EQ(Run("-x good.zip"), 3);
}

}  // namespace
