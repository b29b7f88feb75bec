// Held folders: what a run checked is what it changes. Changes relative to a hold, on whichever
// backend is built; the share modes of a hold, which Wine does not enforce, on the posix backend.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/final_path.h"
#include "platform/held_folder.h"
#include "platform/platform.h"
#include "platform_fixture.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using platform::Files;
using platform::HoldKind;

TEST(FinalPath, TheSystemsFormsBecomeTheProgramsOwn) {
    platform::PathForms forms;
    forms.system_directory = "C:\\windows\\system32";
    forms.system_directory_final = "C:\\Windows\\SysWOW64";
    forms.substituted_drives = {{"S:", "C:\\work"}, {"T:", "C:\\work\\deep"}};
    const struct {
        const char* final_path;
        const char* named_as;
        const char* program_form;
    } cases[] = {
        {"\\\\?\\C:\\VE4\\LIB", "C:\\VE4\\LIB", "C:\\VE4\\LIB"},
        {"\\\\?\\UNC\\server\\share\\VE4", "\\\\server\\share\\VE4", "\\\\server\\share\\VE4"},
        {"\\\\?\\C:\\", "C:\\", "C:\\"},
        {"\\\\?\\C:\\Windows\\SysWOW64\\ve4.dll", "C:\\windows\\system32\\ve4.dll", "C:\\windows\\system32\\ve4.dll"},
        {"\\\\?\\C:\\Windows\\SysWOW64", "C:\\windows\\system32", "C:\\windows\\system32"},
        {"\\\\?\\C:\\Windows\\SysWOW64x", "C:\\x", "C:\\Windows\\SysWOW64x"},
        {"\\\\?\\C:\\work\\VE4", "S:\\VE4", "S:\\VE4"},
        {"\\\\?\\C:\\work\\deep\\VE4", "T:\\VE4", "T:\\VE4"},
        {"\\\\?\\C:\\work", "S:\\", "S:\\"},
        // Named by its real place, a folder stays there.
        {"\\\\?\\C:\\work\\VE4", "C:\\work\\VE4", "C:\\work\\VE4"},
        {"\\\\?\\C:\\workshop", "S:\\x", "C:\\workshop"},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(platform::ProgramFormOfFinalPath(test.final_path, test.named_as, forms), test.program_form)
            << test.final_path;
    }
}

TEST(HeldFolder, NamesWin32WouldChangeAreRefused) {
    const struct {
        const char* name;
        bool plain;
    } cases[] = {
        {"ve4.dll", true},     {"$$tfile$.tmp", true}, {"a b", true},     {"COM10", true},  {"CONSOLE.txt", true},
        {"", false},           {".", false},           {"..", false},     {"x.", false},    {"x ", false},
        {"a\\b", false},       {"a/b", false},         {"a:b", false},    {"a*", false},    {"CON", false},
        {"nul.txt", false},    {"Com1.dll", false},    {"lpt9", false},   {"AUX .x", false}, {"tab\tname", false},
    };
    for (const auto& test : cases) EXPECT_EQ(platform::IsPlainName(test.name), test.plain) << test.name;
}

TEST(HeldFolder, ChangesGoRelativeToTheHoldAndNeverOverAnything) {
    platform_test::ScratchFolder scratch;
    scratch.Write("from.txt", "moved");
    scratch.Write("taken.txt", "theirs");
    std::unique_ptr<platform::HeldFolder> folder = Files().HoldFolder(scratch.Folder(), HoldKind::Keep);
    ASSERT_TRUE(folder);
    EXPECT_EQ(Files().HoldFolder(scratch.Path("from.txt"), HoldKind::Keep), nullptr);  // not a folder
    std::unique_ptr<platform::HeldFolder> sub = folder->CreateChild("sub", HoldKind::MayDelete);
    ASSERT_TRUE(sub);
    EXPECT_EQ(folder->CreateChild("SUB", HoldKind::MayDelete), nullptr);
    // A hold with delete access lets no other hold share the folder, as it shares no deletion.
    EXPECT_EQ(folder->HoldChild("Sub", HoldKind::Keep), nullptr);

    EXPECT_FALSE(sub->MoveHere(*folder, "missing.txt", "x.txt"));
    EXPECT_TRUE(sub->MoveHere(*folder, "from.txt", "placed.txt"));
    EXPECT_FALSE(folder->MoveHere(*sub, "placed.txt", "TAKEN.txt"));
    EXPECT_EQ(scratch.Read("sub\\placed.txt"), "moved");
    EXPECT_EQ(scratch.Read("taken.txt"), "theirs");

    EXPECT_EQ(folder->CreateNewFile("taken.txt"), nullptr);
    std::unique_ptr<platform::File> made = folder->CreateNewFile("new.tmp");
    ASSERT_TRUE(made);
    EXPECT_TRUE(made->DeleteItself());
    made.reset();
    EXPECT_EQ(Files().GetAttributes(scratch.Path("new.tmp")), platform::attribute::kInvalid);

    EXPECT_FALSE(sub->DeleteItself());  // not empty
    ASSERT_TRUE(Files().DeleteFile(scratch.Path("sub\\placed.txt")));
    EXPECT_TRUE(sub->DeleteItself());
    sub.reset();
    EXPECT_FALSE(Files().DirectoryExists(scratch.Path("sub")));
}

#ifndef _WIN32  // Wine lets a held folder's parents be renamed and checks no share mode of a move target

using platform::PosixMachine;

// A hold keeps the folder and every folder above it where they are, and lets the run's own
// moves in; another program's handle that shares only reading keeps every move out.
TEST(HeldFolder, ItsShareModesKeepTheWayAndLetOnlyWritersAdd) {
    platform_test::ScratchFolder scratch;
    ASSERT_TRUE(Files().ForceDirectories(scratch.Path("dest\\LIB")));
    ASSERT_TRUE(Files().ForceDirectories(scratch.Path("other")));
    scratch.Write("a.txt", "a");
    std::unique_ptr<platform::HeldFolder> held = Files().HoldFolder(scratch.Path("dest\\LIB"), HoldKind::Keep);
    std::unique_ptr<platform::HeldFolder> top = Files().HoldFolder(scratch.Folder(), HoldKind::Keep);
    ASSERT_TRUE(held && top);
    const struct {
        const char* what;
        bool allowed;
        bool (*change)(const platform_test::ScratchFolder&);
    } cases[] = {
        {"renaming the held folder", false,
         [](const auto& folder) { return Files().MoveFile(folder.Path("dest\\LIB"), folder.Path("dest\\LIB-old")); }},
        {"renaming its parent", false,
         [](const auto& folder) { return Files().MoveFile(folder.Path("dest"), folder.Path("dest-old")); }},
        {"removing the held folder", false,
         [](const auto& folder) { return Files().RemoveDirectory(folder.Path("dest\\LIB")); }},
        {"renaming a folder beside it", true,
         [](const auto& folder) { return Files().MoveFile(folder.Path("other"), folder.Path("other2")); }},
        {"moving a file into it", true,
         [](const auto& folder) { return Files().MoveFile(folder.Path("a.txt"), folder.Path("dest\\LIB\\a.txt")); }},
    };
    for (const auto& test : cases) EXPECT_EQ(test.change(scratch), test.allowed) << test.what;
    EXPECT_EQ(scratch.Read("dest\\LIB\\a.txt"), "a");

    // Another program's handle that lets others only read.
    std::shared_ptr<void> reader = PosixMachine::OpenFolderSharingOnlyReading(scratch.Path("dest\\LIB"));
    ASSERT_TRUE(reader);
    scratch.Write("b.txt", "b");
    EXPECT_FALSE(held->MoveHere(*top, "b.txt", "b.txt"));
    EXPECT_FALSE(Files().MoveFile(scratch.Path("b.txt"), scratch.Path("dest\\LIB\\b.txt")));
    EXPECT_EQ(held->CreateNewFile("c.txt"), nullptr);
    reader.reset();
    EXPECT_TRUE(held->MoveHere(*top, "b.txt", "b.txt"));

    held.reset();
    EXPECT_TRUE(Files().MoveFile(scratch.Path("dest\\LIB"), scratch.Path("dest\\LIB-old")));
}

// A link at a name is never followed: it cannot be held, is something there for a new file,
// and moves as itself.
TEST(HeldFolder, ALinkAtANameIsNeverFollowed) {
    platform_test::ScratchFolder scratch;
    ASSERT_TRUE(Files().ForceDirectories(scratch.Path("target")));
    scratch.Write("target\\kept.dll", "system");
    const std::string host = PosixMachine::HostPath(scratch.Folder());
    ASSERT_EQ(::symlink((host + "/target").c_str(), (host + "/junction").c_str()), 0);
    ASSERT_EQ(::symlink((host + "/target/kept.dll").c_str(), (host + "/file-link").c_str()), 0);
    std::unique_ptr<platform::HeldFolder> folder = Files().HoldFolder(scratch.Folder(), HoldKind::Keep);
    ASSERT_TRUE(folder);
    EXPECT_EQ(Files().HoldFolder(scratch.Path("junction"), HoldKind::Keep), nullptr);
    EXPECT_EQ(folder->HoldChild("junction", HoldKind::Keep), nullptr);
    EXPECT_EQ(folder->CreateNewFile("file-link"), nullptr);
    std::unique_ptr<platform::HeldFolder> moved_to = folder->CreateChild("aside", HoldKind::MayDelete);
    ASSERT_TRUE(moved_to);
    EXPECT_TRUE(moved_to->MoveHere(*folder, "file-link", "file-link"));
    EXPECT_EQ(scratch.Read("target\\kept.dll"), "system");
}

#endif  // _WIN32

}  // namespace
