// Windows file semantics the installer relies on, checked against whichever backend is built.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform_fixture.h"

namespace {

using platform::Files;
using platform::OpenMode;
namespace attribute = platform::attribute;

// A record that several runs append to at once, each through its own handle: the one that
// made the file must not keep the others out, and every write lands at the end.
TEST(FileSystem, AppendingHandlesShareTheFileAndWriteAtItsEnd) {
    platform_test::ScratchFolder scratch;
    bool created = false;
    auto first = Files().OpenForAppend(scratch.Path("record.log"), created);
    ASSERT_NE(first, nullptr) << Files().LastErrorText();
    EXPECT_TRUE(created);
    auto second = Files().OpenForAppend(scratch.Path("record.log"), created);
    ASSERT_NE(second, nullptr) << Files().LastErrorText();
    EXPECT_FALSE(created);
    EXPECT_EQ(first->Write("one ", 4), 4);
    EXPECT_EQ(second->Write("two ", 4), 4);
    EXPECT_EQ(first->Write("three", 5), 5);
    first.reset();
    second.reset();
    EXPECT_EQ(scratch.Read("record.log"), "one two three");
    EXPECT_EQ(Files().OpenForAppend(scratch.Folder(), created), nullptr) << "a folder is no record";
}

TEST(FileSystem, ForceDirectoriesCreatesEveryMissingParent) {
    platform_test::ScratchFolder scratch;
    const std::string deep = scratch.Path("one\\two\\three");
    EXPECT_FALSE(Files().CreateDirectory(deep)) << "one level only, and the parent is missing";
    EXPECT_TRUE(Files().ForceDirectories(deep + "\\"));
    EXPECT_TRUE(Files().DirectoryExists(deep));
    EXPECT_TRUE(Files().DirectoryExists(scratch.Path("one\\two")));
    EXPECT_TRUE(Files().ForceDirectories(deep)) << "an existing directory is fine";
    EXPECT_FALSE(Files().CreateDirectory(deep)) << "CreateDirectory fails when it exists";
}

TEST(FileSystem, ForceDirectoriesFailsBelowAFile) {
    platform_test::ScratchFolder scratch;
    scratch.Write("plain", "x");
    EXPECT_FALSE(Files().ForceDirectories(scratch.Path("plain\\sub")));
    EXPECT_TRUE(Files().FileExists(scratch.Path("plain")));
    EXPECT_FALSE(Files().DirectoryExists(scratch.Path("plain")));
}

TEST(FileSystem, ExistenceTestsTellFilesFromDirectories) {
    platform_test::ScratchFolder scratch;
    scratch.Write("file.txt", "abc");
    EXPECT_TRUE(Files().FileExists(scratch.Path("file.txt")));
    EXPECT_FALSE(Files().DirectoryExists(scratch.Path("file.txt")));
    EXPECT_TRUE(Files().DirectoryExists(scratch.Folder()));
    EXPECT_FALSE(Files().FileExists(scratch.Folder()));
    EXPECT_FALSE(Files().FileExists(scratch.Path("missing.txt")));
    EXPECT_EQ(Files().GetAttributes(scratch.Path("missing.txt")), attribute::kInvalid);
}

TEST(FileSystem, NamesAreFoundWithoutRegardToCase) {
    platform_test::ScratchFolder scratch;
    scratch.Write("MixedCase.Txt", "content");
    EXPECT_TRUE(Files().FileExists(scratch.Path("mixedcase.txt")));
    EXPECT_EQ(scratch.Read("MIXEDCASE.TXT"), "content");
    const auto entries = Files().ListDirectory(scratch.Folder());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "MixedCase.Txt") << "the stored case is kept";
}

TEST(FileSystem, MoveFailsWhenTheTargetExists) {
    platform_test::ScratchFolder scratch;
    scratch.Write("from.txt", "new");
    scratch.Write("to.txt", "old");
    EXPECT_FALSE(Files().MoveFile(scratch.Path("from.txt"), scratch.Path("to.txt")));
    EXPECT_FALSE(Files().MoveFile(scratch.Path("from.txt"), scratch.Path("TO.TXT")));
    EXPECT_EQ(scratch.Read("to.txt"), "old");
    EXPECT_EQ(scratch.Read("from.txt"), "new");
    ASSERT_TRUE(Files().DeleteFile(scratch.Path("to.txt")));
    EXPECT_TRUE(Files().MoveFile(scratch.Path("from.txt"), scratch.Path("to.txt")));
    EXPECT_EQ(scratch.Read("to.txt"), "new");
    EXPECT_FALSE(Files().FileExists(scratch.Path("from.txt")));
}

TEST(FileSystem, MoveCarriesDirectoriesAndCanChangeOnlyTheCase) {
    platform_test::ScratchFolder scratch;
    ASSERT_TRUE(Files().ForceDirectories(scratch.Path("dir\\inner")));
    scratch.Write("dir\\inner\\f.txt", "f");
    EXPECT_TRUE(Files().MoveFile(scratch.Path("dir"), scratch.Path("moved")));
    EXPECT_EQ(scratch.Read("moved\\inner\\f.txt"), "f");
    EXPECT_TRUE(Files().MoveFile(scratch.Path("moved"), scratch.Path("MOVED")));
    const auto entries = Files().ListDirectory(scratch.Folder());
    ASSERT_EQ(entries.size(), 1u);
#ifndef _WIN32
    // Wine keeps the old case of a name on a case-sensitive host; Windows and we take the new.
    EXPECT_EQ(entries[0].name, "MOVED");
#endif
    EXPECT_NE(entries[0].attributes & attribute::kDirectory, 0u);
}

TEST(FileSystem, ReadOnlyFileRefusesDeleteAndReplaceUntilTheBitIsCleared) {
    platform_test::ScratchFolder scratch;
    scratch.Write("locked.dll", "v1");
    const std::string path = scratch.Path("locked.dll");
    ASSERT_TRUE(Files().SetAttributes(path, attribute::kReadOnly));
    EXPECT_NE(Files().GetAttributes(path) & attribute::kReadOnly, 0u);

    EXPECT_FALSE(Files().DeleteFile(path));
#ifndef _WIN32
    // Wine leaves the read-only bit to the host's permissions, which do not stop root (as the
    // tests run here) from writing; Windows refuses, and so does the posix backend.
    EXPECT_FALSE(Files().OpenFile(path, OpenMode::Create));
    EXPECT_FALSE(Files().OpenFile(path, OpenMode::ReadWrite));
    scratch.Write("other.dll", "v2");
    EXPECT_FALSE(Files().CopyFile(scratch.Path("other.dll"), path, false));
    EXPECT_EQ(scratch.Read("locked.dll"), "v1") << "nothing was truncated or replaced";
#endif
    EXPECT_TRUE(Files().OpenFile(path, OpenMode::ReadDenyWrite)) << "reading is still allowed";

    ASSERT_TRUE(Files().SetAttributes(path, Files().GetAttributes(path) & ~attribute::kReadOnly));
    EXPECT_EQ(Files().GetAttributes(path) & attribute::kReadOnly, 0u);
    EXPECT_TRUE(Files().DeleteFile(path));
    EXPECT_FALSE(Files().FileExists(path));
}

TEST(FileSystem, AttributesRoundTrip) {
    platform_test::ScratchFolder scratch;
    scratch.Write("a.txt", "a");
    const std::string path = scratch.Path("a.txt");
    ASSERT_TRUE(Files().SetAttributes(path, attribute::kHidden | attribute::kArchive));
    EXPECT_EQ(Files().GetAttributes(path), attribute::kHidden | attribute::kArchive);
    ASSERT_TRUE(Files().SetAttributes(path, attribute::kNormal));
    // Wine reports the archive bit where Windows reports "normal"; neither keeps the others.
    EXPECT_EQ(Files().GetAttributes(path) & ~attribute::kArchive & ~attribute::kNormal, 0u);
#ifndef _WIN32
    EXPECT_EQ(Files().GetAttributes(path), attribute::kNormal);
#endif
    EXPECT_NE(Files().GetAttributes(scratch.Folder()) & attribute::kDirectory, 0u);
}

TEST(FileSystem, CopyKeepsContentTimeAndReadOnlyBit) {
    platform_test::ScratchFolder scratch;
    scratch.Write("src.bin", std::string("\0\x01\x02payload", 10));
    const std::string source = scratch.Path("src.bin");
    const platform::FileTime stamp{132341967300000000ull};
    ASSERT_TRUE(Files().SetLastWriteTime(source, stamp));
    ASSERT_TRUE(Files().SetAttributes(source, attribute::kReadOnly));

    EXPECT_TRUE(Files().CopyFile(source, scratch.Path("copy.bin"), true));
    EXPECT_EQ(scratch.Read("copy.bin"), std::string("\0\x01\x02payload", 10));
    platform::FileTime copied;
    ASSERT_TRUE(Files().GetLastWriteTime(scratch.Path("copy.bin"), copied));
    EXPECT_EQ(copied, stamp);
    EXPECT_NE(Files().GetAttributes(scratch.Path("copy.bin")) & attribute::kReadOnly, 0u);

    scratch.Write("existing.bin", "keep");
    EXPECT_FALSE(Files().CopyFile(source, scratch.Path("existing.bin"), true));
    EXPECT_EQ(scratch.Read("existing.bin"), "keep");
    EXPECT_TRUE(Files().CopyFile(source, scratch.Path("existing.bin"), false));
    EXPECT_EQ(scratch.Read("existing.bin"), std::string("\0\x01\x02payload", 10));
    EXPECT_FALSE(Files().CopyFile(scratch.Path("missing.bin"), scratch.Path("x.bin"), false));
}

TEST(FileSystem, OpenFileModes) {
    platform_test::ScratchFolder scratch;
    const std::string path = scratch.Path("data.bin");
    EXPECT_FALSE(Files().OpenFile(path, OpenMode::Read)) << "missing";
    EXPECT_FALSE(Files().OpenFile(path, OpenMode::ReadWrite)) << "ReadWrite does not create";
    {
        auto file = Files().OpenFile(path, OpenMode::Create);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->Write("0123456789", 10), 10);
        EXPECT_EQ(file->Seek(-3, platform::SeekOrigin::End), 7);
        char tail[4] = {};
        EXPECT_EQ(file->Read(tail, 3), 3);
        EXPECT_STREQ(tail, "789");
        EXPECT_TRUE(file->SetSize(4));
        EXPECT_EQ(file->Size(), 4);
    }
    {
        auto file = Files().OpenFile(path, OpenMode::ReadWrite);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->Size(), 4) << "ReadWrite keeps the content";
        EXPECT_EQ(file->Seek(0, platform::SeekOrigin::End), 4);
        EXPECT_EQ(file->Write("ab", 2), 2);
    }
    EXPECT_EQ(scratch.Read("data.bin"), "0123ab");
    {
        auto file = Files().OpenFile(path, OpenMode::Create);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->Size(), 0) << "Create truncates";
    }
    EXPECT_FALSE(Files().OpenFile(scratch.Folder(), OpenMode::Read)) << "a directory is no file";
    EXPECT_FALSE(Files().OpenFile(scratch.Path("no\\such\\dir.bin"), OpenMode::Create));
}

TEST(FileSystem, ShareModesOfOpenFilesAreHonoured) {
    platform_test::ScratchFolder scratch;
    scratch.Write("shared.bin", "shared");
    const std::string path = scratch.Path("shared.bin");
    {
        auto reader = Files().OpenFile(path, OpenMode::ReadDenyWrite);
        ASSERT_TRUE(reader);
        EXPECT_FALSE(Files().OpenFile(path, OpenMode::ReadWrite)) << "writers are refused";
        EXPECT_FALSE(Files().OpenFile(path, OpenMode::Create));
        EXPECT_FALSE(Files().DeleteFile(path));
        EXPECT_TRUE(Files().OpenFile(path, OpenMode::ReadDenyWrite)) << "other readers are welcome";
    }
    {
        auto writer = Files().OpenFile(path, OpenMode::ReadWrite);
        ASSERT_TRUE(writer);
        EXPECT_FALSE(Files().OpenFile(path, OpenMode::ReadDenyWrite)) << "it would deny the open writer";
        EXPECT_FALSE(Files().DeleteFile(path));
        EXPECT_FALSE(Files().MoveFile(path, scratch.Path("elsewhere.bin")));
    }
    EXPECT_TRUE(Files().DeleteFile(path)) << "everything was closed";
}

TEST(FileSystem, DeleteAndRemoveDirectory) {
    platform_test::ScratchFolder scratch;
    ASSERT_TRUE(Files().ForceDirectories(scratch.Path("d")));
    scratch.Write("d\\f", "x");
    EXPECT_FALSE(Files().DeleteFile(scratch.Path("d"))) << "DeleteFile takes no directory";
    EXPECT_FALSE(Files().RemoveDirectory(scratch.Path("d"))) << "not empty";
    EXPECT_FALSE(Files().RemoveDirectory(scratch.Path("d\\f"))) << "RemoveDirectory takes no file";
    EXPECT_TRUE(Files().DeleteFile(scratch.Path("d\\f")));
    EXPECT_FALSE(Files().DeleteFile(scratch.Path("d\\f"))) << "already gone";
    EXPECT_TRUE(Files().RemoveDirectory(scratch.Path("d")));
    EXPECT_FALSE(Files().DirectoryExists(scratch.Path("d")));
    EXPECT_FALSE(Files().LastErrorText().empty());
}

TEST(FileSystem, LastWriteTimeByPathAndByHandleAgree) {
    platform_test::ScratchFolder scratch;
    scratch.Write("t.txt", "t");
    const platform::FileTime stamp{132341967300000000ull};
    {
        auto file = Files().OpenFile(scratch.Path("t.txt"), OpenMode::ReadWrite);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->SetLastWriteTime(stamp));
        platform::FileTime read_back;
        ASSERT_TRUE(file->GetLastWriteTime(read_back));
        EXPECT_EQ(read_back, stamp);
    }
    platform::FileTime by_path;
    ASSERT_TRUE(Files().GetLastWriteTime(scratch.Path("t.txt"), by_path));
    EXPECT_EQ(by_path, stamp);
    EXPECT_FALSE(Files().GetLastWriteTime(scratch.Path("none.txt"), by_path));
}

TEST(FileSystem, ListDirectoryGivesNamesAndAttributes) {
    platform_test::ScratchFolder scratch;
    scratch.Write("a.txt", "a");
    ASSERT_TRUE(Files().CreateDirectory(scratch.Path("sub")));
    auto entries = Files().ListDirectory(scratch.Folder());
    std::sort(entries.begin(), entries.end(), [](const auto& left, const auto& right) { return left.name < right.name; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "a.txt");
    EXPECT_EQ(entries[0].attributes & attribute::kDirectory, 0u);
    EXPECT_EQ(entries[1].name, "sub");
    EXPECT_NE(entries[1].attributes & attribute::kDirectory, 0u);
    EXPECT_TRUE(Files().ListDirectory(scratch.Path("missing")).empty());
}

TEST(FileSystem, DriveTypes) {
    platform_test::ScratchFolder scratch;
    EXPECT_EQ(Files().GetDriveType("C:\\"), platform::DriveType::Fixed);
    EXPECT_EQ(Files().GetDriveType("Q:\\"), platform::DriveType::NoRootDir);
}

}  // namespace
