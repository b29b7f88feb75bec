// Archives written by other tools (zip, 7z, python's zipfile, bsdtar), made at test time
// from a small tree of files and extracted through the component: every file must come back
// byte for byte. Skipped where a tool is missing (under Wine, for one).

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/console.h"
#ifndef _WIN32
#include "platform/posix/posix_machine.h"
#endif
#include "support/temp_folder.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"

namespace {

namespace fs = std::filesystem;
using test_support::ReadHostFile;
using test_support::RunCommand;
using zip::TZipExtractor;

// The machine dezip runs on, UTF-8 as its ANSI code page, while the object lives.
class HostCodePage {
public:
    HostCodePage() { platform::UseHostCodePage(); }
    ~HostCodePage() {
#ifndef _WIN32
        platform::PosixMachine::SetAnsiCodePage(platform::PosixMachine::AnsiCodePage::Windows1251);
#endif
    }
    HostCodePage(const HostCodePage&) = delete;
    HostCodePage& operator=(const HostCodePage&) = delete;
};

// Every file (with content) and directory under root, by relative path.
std::map<std::string, std::string> Tree(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        tree[relative] = entry.is_directory() ? "<dir>" : ReadHostFile(entry.path());
    }
    return tree;
}

// What the component reports for bytes in front of an archive that its offsets do not count.
constexpr char kExtraBytes[] = "extra bytes at beginning or within zipfile";

class ToolArchives : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test_support::ToolAvailable("zip -v")) GTEST_SKIP() << "Info-ZIP zip is not available";
        folder.Write("src/readme.txt", test_support::SampleContent(100000, 1, true));
        folder.Write("src/data/table.bin", test_support::SampleContent(300000, 2, false));
        folder.Write("src/data/deep/notes.txt", test_support::SampleContent(5000, 3, true));
        folder.Write("src/empty.txt", "");
        fs::create_directories(folder.Root() / "src/emptydir");
    }
    // Runs command inside the source folder.
    void InSource(const std::string& command) {
        ASSERT_TRUE(RunCommand("cd '" + folder.Path("src") + "' && " + command)) << command;
    }
    // Extracts archive into a fresh folder and compares it with the sources; warning is the
    // contradiction in its structure that must be reported, if any.
    void ExpectExtractsExactly(const std::string& archive, const std::string& password = {},
                               const std::string& source = "src", const std::string& warning = {}) {
        const std::string out = "out-" + std::to_string(++runs);
        TZipExtractor extractor;
        extractor.SetZipName(folder.Path(archive));
        extractor.SetDestDir(folder.Path(out));
        extractor.DoAll = true;
        extractor.RecreateDirs = true;
        extractor.OverwriteMode = zip::TUZOverwriteMode::Always;
        extractor.Password = password;
        extractor.ReadSplitArchives = true;  // changes nothing for an archive that is not split
        int failures = 0;
        std::string reported;
        extractor.OnArchiveDamage = [&reported](TZipExtractor&, zip::TDamageLevel, const std::string& problem) {
            reported += problem;
        };
        extractor.OnBadCRC = [&failures](TZipExtractor&, uint32_t, uint32_t, int) { ++failures; };
        extractor.OnSkippingFile = [&failures](TZipExtractor&, zip::TSkipReason, const std::string&, int) { ++failures; };
        const int extracted = extractor.UnZip();
        EXPECT_EQ(failures, 0);
        EXPECT_EQ(reported, warning);
        EXPECT_EQ(extracted, extractor.Count());
        EXPECT_TRUE(Tree(folder.Root() / source) == Tree(folder.Root() / out)) << archive;
    }

    test_support::TempFolder folder;
    int runs = 0;
};

TEST_F(ToolArchives, EveryCompressionLevelOfZip) {
    for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(level);
        // Appended piece by piece: g++ 12 warns falsely about overlapping copies when a
        // literal is concatenated with std::to_string in one expression.
        const std::string digit = std::to_string(level);
        std::string name = "level";
        name += digit;
        name += ".zip";
        std::string command = "zip -q -r -";
        command += digit;
        command += " ../";
        command += name;
        command += " .";
        InSource(command);
        ExpectExtractsExactly(name);
    }
}

TEST_F(ToolArchives, EncryptedWithZipsPassword) {
    InSource("zip -q -r -P 4071938265103847562910384756102938 ../secret.zip .");
    ExpectExtractsExactly("secret.zip", "4071938265103847562910384756102938");
}

TEST_F(ToolArchives, ArchiveAndEntryCommentsAreRead) {
    InSource("zip -q -r ../notes.zip . && printf 'about the readme\\n' | zip -q -c ../notes.zip readme.txt"
             " && echo 'the archive' | zip -q -z ../notes.zip");
    TZipExtractor extractor;
    extractor.SetZipName(folder.Path("notes.zip"));
    extractor.OpenArchive();
    EXPECT_EQ(extractor.ArchiveComment(), "the archive");
    bool found = false;
    for (int i = 0; i < extractor.Count(); ++i) {
        if (extractor.EntryFullName(i) != "readme.txt") continue;
        EXPECT_EQ(extractor.EntryComment(i), "about the readme");
        found = true;
    }
    EXPECT_TRUE(found);
    extractor.CloseArchive();
    ExpectExtractsExactly("notes.zip");
}

TEST_F(ToolArchives, SplitArchiveRenamedToNumberedVolumes) {
  for (const std::string zip64 : {"", " -fz"}) {
    SCOPED_TRACE(zip64);
    for (const auto& old : fs::directory_iterator(folder.Root())) {
        if (old.path().filename().string().rfind("pack.", 0) == 0) fs::remove(old.path());
    }
    InSource("zip -q -r -s 64k" + zip64 + " ../pack.zip .");
    int volumes = 0;
    for (int n = 1; fs::exists(folder.Root() / ("pack.z" + std::string(n < 10 ? "0" : "") + std::to_string(n))); ++n) {
        const std::string from = "pack.z" + std::string(n < 10 ? "0" : "") + std::to_string(n);
        char to[32];
        std::snprintf(to, sizeof to, "pack.%03d", n);
        fs::rename(folder.Root() / from, folder.Root() / to);
        volumes = n;
    }
    ASSERT_GT(volumes, 1);
    char last[32];
    std::snprintf(last, sizeof last, "pack.%03d", volumes + 1);
    fs::rename(folder.Root() / "pack.zip", folder.Root() / last);
    ExpectExtractsExactly(last);
  }
}

TEST_F(ToolArchives, AMissingVolumeEndsWithACancelledRequest) {
    InSource("zip -q -r -s 64k ../pack.zip .");
    fs::rename(folder.Root() / "pack.z01", folder.Root() / "pack.001");  // the others stay unnamed
    TZipExtractor extractor;
    extractor.SetZipName(folder.Path("pack.zip"));
    extractor.SetDestDir(folder.Path("out"));
    extractor.DoAll = true;
    try {
        extractor.UnZip();
        FAIL() << "no exception";
    } catch (const zip::EUserCanceled& error) {
        EXPECT_STREQ(error.what(), "User canceled loading new disk.");
    }
}

// A split archive read as one names the segment it lacks: one that is not there, or one cut
// short before the last (which would move everything after it).
TEST_F(ToolArchives, AMissingOrShortSegmentIsNamed) {
    InSource("zip -q -r -s 64k ../pack.zip .");
    const std::string second = ReadHostFile(folder.Root() / "pack.z02");
    const struct {
        std::string z02;  // what stands in the second segment's place; empty: nothing
        std::string message;
    } cases[] = {
        {"", "Segment \"" + folder.Path("pack.z02") + "\" of the split archive is missing"},
        {second.substr(0, second.size() - 1),
         "Segment \"" + folder.Path("pack.z02") + "\" of the split archive is shorter than the archive needs"},
    };
    for (const auto& damage : cases) {
        SCOPED_TRACE(damage.message);
        fs::remove(folder.Root() / "pack.z02");
        if (!damage.z02.empty()) folder.Write("pack.z02", damage.z02);
        TZipExtractor extractor;
        extractor.ReadSplitArchives = true;
        extractor.SetZipName(folder.Path("pack.zip"));
        try {
            extractor.OpenArchive();
            ADD_FAILURE() << "no exception";
        } catch (const zip::EBadZipFile& error) {
            EXPECT_EQ(error.what(), damage.message);
        }
    }
}

TEST_F(ToolArchives, SelfExtractorWithUnadjustedOffsetsIsRead) {
    InSource("zip -q -r ../plain.zip .");
    std::string stub(16000, '\0');
    for (size_t i = 0; i < stub.size(); ++i) stub[i] = static_cast<char>("MZ stub program "[i % 16]);
    folder.Write("setup.EXE", stub + ReadHostFile(folder.Root() / "plain.zip"));
    ExpectExtractsExactly("setup.EXE", {}, "src", kExtraBytes);
}

// Differential: the archives of every writer at hand, as written and with bytes in front
// (a download header, a stub whose offsets were not adjusted), extract to the original tree.
// Written to a pipe, zip and python's zipfile cannot seek back and put a data descriptor
// after each entry; such archives behind leading bytes were once cut to one empty file.
TEST_F(ToolArchives, EveryWriterWithAndWithoutBytesInFront) {
    const std::string python_writer =
        "import os, sys, zipfile\n"
        "z = zipfile.ZipFile(sys.stdout.buffer if sys.argv[1] == '-' else sys.argv[1], 'w')\n"
        "zip64 = sys.argv[2:] == ['zip64']\n"
        "for root, dirs, files in os.walk('.'):\n"
        "    for d in dirs: z.write(os.path.join(root, d)[2:])\n"
        "    for f in files:\n"
        "        p = os.path.join(root, f)[2:]\n"
        "        method = zipfile.ZIP_STORED if f.endswith('.bin') else zipfile.ZIP_DEFLATED\n"
        "        if not zip64:\n"
        "            z.write(p, compress_type=method)\n"
        "            continue\n"
        "        info = zipfile.ZipInfo.from_file(p, p)\n"
        "        info.compress_type = method\n"
        "        with open(p, 'rb') as source, z.open(info, 'w', force_zip64=True) as target:\n"
        "            target.write(source.read())\n"
        "z.close()\n";
    folder.Write("make.py", python_writer);
    struct Writer {
        const char* name;
        const char* probe;  // a command that succeeds when the tool is there
        const char* command;
        bool streamed;
        bool split = false;  // segments of 64 KiB beside the archive, which holds only the last
        // What the archive contradicts itself in: zip -fz to a pipe gives the directory's
        // offset as all ones but writes no ZIP64 end record (other readers refuse it).
        const char* problem = "";
    };
    const Writer writers[] = {
        {"zip", "zip -v", "zip -q -r ../zip.zip .", false},
        {"zip-pipe", "zip -v", "zip -q -r - . | cat > ../zip-pipe.zip", true},
        {"zip-fz", "zip -v", "zip -q -r -fz ../zip-fz.zip .", false},
        {"zip-fz-pipe", "zip -v", "zip -q -r -fz - . | cat > ../zip-fz-pipe.zip", true, false,
         "central directory not where the end record says"},
        {"zip-split", "zip -v", "zip -q -r -s 64k ../zip-split.zip .", false, true},
        {"zip-fz-split", "zip -v", "zip -q -r -s 64k -fz ../zip-fz-split.zip .", false, true},
        {"python-zip64", "python3 -c 'import zipfile'", "python3 ../make.py ../python-zip64.zip zip64", false},
        {"python", "python3 -c 'import zipfile'", "python3 ../make.py ../python.zip", false},
        {"python-pipe", "python3 -c 'import zipfile'", "python3 ../make.py - | cat > ../python-pipe.zip", true},
        {"7z", "7z i", "7z a -tzip -bd ../7z.zip . >/dev/null", false},
        {"bsdtar", "bsdtar --version", "bsdtar --format zip -cf ../bsdtar.zip .", false},
    };
    const std::string junk = test_support::SampleContent(5000, 9, false);
    for (const Writer& writer : writers) {
        SCOPED_TRACE(writer.name);
        if (!test_support::ToolAvailable(writer.probe)) continue;
        const std::string archive = std::string(writer.name) + ".zip";
        InSource(writer.command);
        const std::string bytes = ReadHostFile(folder.Root() / archive);
        if (writer.streamed) {
            bool described = false;
            for (size_t at = bytes.find("PK\x03\x04"); at != std::string::npos && at + 8 < bytes.size();
                 at = bytes.find("PK\x03\x04", at + 4)) {
                described = described || (bytes[at + 6] & 8) != 0;
            }
            EXPECT_TRUE(described) << "no data descriptor";
        }
        ExpectExtractsExactly(archive, {}, "src", writer.problem);
        if (writer.split) continue;
        folder.Write("junk-" + archive, junk + bytes);
        ExpectExtractsExactly("junk-" + archive, {}, "src", *writer.problem != '\0' ? writer.problem : kExtraBytes);
    }
}

// Deflate64 as 7z writes it on request, over a file that repeats itself from 40000 and 60000
// bytes back (beyond deflate's window) as well as the usual tree.
TEST_F(ToolArchives, Deflate64Of7z) {
    if (!test_support::ToolAvailable("7z i")) GTEST_SKIP() << "7z is not available";
    const std::string first = test_support::SampleContent(40000, 4, false);
    const std::string second = test_support::SampleContent(60000, 5, false);
    std::string repeats;
    for (int copy = 0; copy < 6; ++copy) repeats += first;
    for (int copy = 0; copy < 6; ++copy) repeats += second;
    folder.Write("src/data/repeats.bin", repeats);
    InSource("7z a -tzip -mm=Deflate64 -bd ../deflate64.zip . >/dev/null");
    const std::string bytes = ReadHostFile(folder.Root() / "deflate64.zip");
    int deflate64_entries = 0;
    for (size_t at = bytes.find("PK\x03\x04"); at != std::string::npos && at + 10 < bytes.size();
         at = bytes.find("PK\x03\x04", at + 4)) {
        deflate64_entries += bytes[at + 8] == 9 && bytes[at + 9] == 0;
    }
    EXPECT_GE(deflate64_entries, 2);
    ExpectExtractsExactly("deflate64.zip");
}

// Names with Cyrillic and Chinese letters from every writer at hand, on the machine dezip runs
// on (UTF-8 as its code page): each writer marks them as UTF-8 and every name comes out as it
// was written. zip marks them only under a UTF-8 locale, so the flag is checked there.
TEST_F(ToolArchives, Utf8NamesOfEveryWriterComeOutAsWritten) {
    folder.Write("names/\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt", "cyrillic");
    folder.Write("names/\xE4\xB8\xAD\xE6\x96\x87.txt", "chinese");
    folder.Write("names/plain.txt", "ascii");
    folder.Write("make.py",
                 "import os, sys, zipfile\n"
                 "z = zipfile.ZipFile(sys.argv[1], 'w')\n"
                 "for root, dirs, files in os.walk('.'):\n"
                 "    for f in dirs + files: z.write(os.path.join(root, f)[2:])\n"
                 "z.close()\n");
    struct Writer {
        const char* name;
        const char* probe;
        const char* command;
    };
    const Writer writers[] = {
        {"zip", "zip -v", "LC_ALL=C.UTF-8 zip -q -r ../names-zip.zip ."},
        {"python", "python3 -c 'import zipfile'", "python3 ../make.py ../names-python.zip"},
        {"7z", "7z i", "7z a -tzip -bd ../names-7z.zip . >/dev/null"},
        {"bsdtar", "bsdtar --version", "LC_ALL=C.UTF-8 bsdtar --format zip -cf ../names-bsdtar.zip ."},
    };
    const HostCodePage dezip_machine;
    for (const Writer& writer : writers) {
        SCOPED_TRACE(writer.name);
        if (!test_support::ToolAvailable(writer.probe)) continue;
        const std::string archive = std::string("names-") + writer.name + ".zip";
        ASSERT_TRUE(RunCommand("cd '" + folder.Path("names") + "' && " + writer.command));
        if (std::string(writer.name) == "zip") {
            // Bit 11 of the general purpose flag in every central header of a non-ASCII name.
            const std::string bytes = ReadHostFile(folder.Root() / archive);
            int marked = 0;
            for (size_t at = bytes.find("PK\x01\x02"); at != std::string::npos; at = bytes.find("PK\x01\x02", at + 4)) {
                marked += (bytes[at + 9] & 0x08) != 0;
            }
            EXPECT_EQ(marked, 3) << "zip did not mark the UTF-8 names";
        }
        ExpectExtractsExactly(archive, {}, "names");
    }
}

TEST_F(ToolArchives, TruncatedArchiveOfZipIsIncomplete) {
    InSource("zip -q -r ../whole.zip .");
    const std::string whole = ReadHostFile(folder.Root() / "whole.zip");
    folder.Write("cut.zip", whole.substr(0, whole.size() / 2));
    TZipExtractor extractor;
    extractor.SetZipName(folder.Path("cut.zip"));
    EXPECT_THROW(extractor.OpenArchive(), zip::EIncompleteZip);
}

}  // namespace
