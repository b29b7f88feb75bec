// What an ordinary user may change does not steer the run: links in the extraction directory,
// the destination or the system directory are never followed, the extraction directory is
// the administrators', and the set-up utility of a destination others can write is not run
// with administrator rights.

#ifndef _WIN32  // these scenarios run on the posix backend's machine root

#include <unistd.h>

#include "engine/folder_holds.h"
#include "engine/reparse_points.h"
#include "engine_fixture.h"
#include "platform/security.h"

namespace engine_test {
namespace {

using platform::PosixMachine;

void HostLink(const std::string& target_windows, const std::string& link_windows) {
    const std::string link = PosixMachine::HostPath(link_windows);
    ASSERT_EQ(::symlink(PosixMachine::HostPath(target_windows).c_str(), link.c_str()), 0) << link;
}

// A link planted in the extraction directory, or the directory itself turned into one, goes
// as a link: what it leads to (here the system directory) is left whole.
TEST_F(EngineTest, RemovingATreeDeletesLinksNeverWhatTheyLeadTo) {
    WriteFile("C:\\windows\\system32\\kept.dll", "system");
    WriteFile("C:\\VE4\\TEMP\\a.txt", "a");
    HostLink("C:\\windows\\system32", "C:\\VE4\\TEMP\\junction");
    HostLink("C:\\windows\\system32\\kept.dll", "C:\\VE4\\TEMP\\file-link.dll");
    engine::DeleteTree("C:\\VE4\\TEMP");
    EXPECT_FALSE(Exists("C:\\VE4\\TEMP"));

    HostLink("C:\\windows\\system32", "C:\\VE4\\TEMP");
    engine::DeleteTree("C:\\VE4\\TEMP");
    EXPECT_FALSE(Exists("C:\\VE4\\TEMP"));
    EXPECT_EQ(Tree("C:\\windows\\system32"), (std::vector<std::string>{"kept.dll"}));
}

// A directory of the destination that leads elsewhere, and a link at a file's place in the
// system directory: neither place gets the file, which is reported as not updated.
TEST_F(EngineTest, FilesWhoseWayLeadsThroughALinkAreNotPlaced) {
    WriteFile("C:\\elsewhere\\x.dll", "theirs");
    WriteFile("C:\\elsewhere\\VE4.DLL", "their library");
    HostLink("C:\\elsewhere", "C:\\VE4\\LIB");
    HostLink("C:\\elsewhere\\VE4.DLL", "C:\\windows\\system32\\VE4.DLL");
    Install({{{"LIB\\x.dll", "library"}, {"LIB\\new.dll", "new"}, {"SYSTEM\\VE4.DLL", "core library"}, {"a.txt", "a"}}});

    EXPECT_EQ(Tree("C:\\elsewhere"), (std::vector<std::string>{"VE4.DLL", "x.dll"}));
    EXPECT_EQ(ReadFile("C:\\elsewhere\\x.dll"), "theirs");
    EXPECT_EQ(ReadFile("C:\\elsewhere\\VE4.DLL"), "their library");
    EXPECT_EQ(ReadFile("C:\\VE4\\a.txt"), "a");
    EXPECT_EQ(view_.exit_code, platform::ExitCode::InstalledWithFailures);
    ASSERT_FALSE(dialogs_.shown.empty());
    for (const char* path : {"C:\\VE4\\LIB\\x.dll", "C:\\VE4\\LIB\\new.dll", "C:\\windows\\system32\\VE4.DLL"}) {
        EXPECT_NE(dialogs_.shown.back().text.find(path), std::string::npos) << path;
    }
}

// A folder is held below a held root only along a way of plain folders; a missing level is the
// run's to create, a link or a file on the way never is, and a folder let go can be renamed.
TEST_F(EngineTest, FoldersAreHeldOnlyAlongAWayOfPlainFolders) {
    WriteFile("C:\\VE4\\LIB\\sub\\a.txt", "a");
    WriteFile("C:\\VE4\\file", "f");
    WriteFile("C:\\elsewhere\\x", "x");
    HostLink("C:\\elsewhere", "C:\\VE4\\LINK");
    engine::FolderHolds holds;
    ASSERT_TRUE(holds.HoldRoot("C:\\VE4", platform::HoldKind::Keep));
    const struct {
        const char* folder;
        bool held;
        bool missing;
    } cases[] = {
        {"C:\\VE4\\lib\\SUB", true, false},   {"C:\\VE4\\LIB\\new\\deeper", false, true},
        {"C:\\VE4\\LINK", false, false},        {"C:\\VE4\\LINK\\below", false, false},
        {"C:\\VE4\\file\\below", false, false}, {"C:\\elsewhere", false, false},
    };
    for (const auto& test : cases) {
        const engine::FolderHolds::Way way = holds.Find(test.folder);
        EXPECT_EQ(way.folder != nullptr, test.held) << test.folder;
        EXPECT_EQ(way.missing, test.missing) << test.folder;
    }
    ASSERT_TRUE(holds.CreateAndHold("C:\\VE4\\LIB\\new"));
    EXPECT_TRUE(holds.IsHeld("c:\\ve4\\lib\\NEW"));
    EXPECT_FALSE(platform::Files().MoveFile("C:\\VE4\\LIB", "C:\\VE4\\LIB-old"));
    holds.Release("C:\\VE4\\LIB");
    EXPECT_FALSE(holds.IsHeld("C:\\VE4\\LIB\\sub"));
    EXPECT_TRUE(holds.IsHeld("C:\\VE4"));
    EXPECT_TRUE(platform::Files().MoveFile("C:\\VE4\\LIB", "C:\\VE4\\LIB-old"));
}

// While the run waits on a system library in use, the user tries to rename the destination,
// the extraction directory or a folder of it away and build their own in its place: the run
// holds them, so each rename is refused and the system directory gets only the run's files.
TEST_F(EngineTest, TheFoldersTheRunWorksInCannotBeSwappedWhileItWaits) {
    const std::string core = "C:\\windows\\system32\\VE4.DLL";
    WriteFile(core, "old core");
    platform::PosixMachine::MarkLoaded(core, true);
    std::vector<std::string> renamed;
    dialogs_.before_answer = [&](const ShownMessage& message) {
        if (message.kind != platform::MessageKind::Warning) return;
        for (const char* folder : {"C:\\VE4", "C:\\VE4\\TEMP", "C:\\VE4\\TEMP\\SYSTEM", "C:\\VE4\\LIB"}) {
            if (platform::Files().MoveFile(folder, std::string(folder) + "-old")) renamed.push_back(folder);
        }
        platform::PosixMachine::MarkLoaded(core, false);
    };
    Install({{{"LIB\\x.dll", "library"}, {"SYSTEM\\VE4.DLL", "new core"}, {"SYSTEM\\next.dll", "ours"}}});
    EXPECT_EQ(renamed, std::vector<std::string>{});
    EXPECT_EQ(ReadFile(core), "new core");
    EXPECT_EQ(ReadFile("C:\\windows\\system32\\next.dll"), "ours");
    EXPECT_EQ(view_.exit_code, platform::ExitCode::Installed);
}

// Only administrators may change what was extracted before it takes its place; a directory of
// that name already there is never taken over; a placed file keeps none of its permissions.
TEST_F(EngineTest, ExtractionDirectoryIsTheAdministratorsAndItsFilesTakeTheirNewFoldersPermissions) {
    engine::RollbackJournal journal;
    ASSERT_TRUE(journal.CreateWorkDirectory("C:\\VE4\\work"));
    EXPECT_EQ(PosixMachine::SecurityDescriptorOf("C:\\VE4\\work"),
              platform::ProtectedDirectoryDescriptor(platform::UserAccess::ReadAndExecute));
    EXPECT_FALSE(journal.CreateWorkDirectory("C:\\VE4\\work"));
    std::vector<std::string> report;
    journal.Commit(report);

    Install({{{"LIB\\x.dll", "library"}}});
    EXPECT_EQ(ReadFile("C:\\VE4\\LIB\\x.dll"), "library");
    EXPECT_EQ(PosixMachine::SecurityDescriptorOf("C:\\VE4\\LIB\\x.dll"), "");
}

enum class Writer { Nobody, Destination, Utility, Library };

struct UtilityCase {
    const char* what;
    Writer writable;          // what others may write
    bool desktop_user_start;  // the system can start programs without administrator rights
    const char* started_as;   // nullptr: not started; else the recorded start's link field
};

// The set-up utility runs with administrator rights only from where only administrators can
// change it; elsewhere it runs as the desktop's user, or not at all, and the final message says
// so even where it is switched off.
TEST_F(EngineTest, TheSetUpUtilityOfADestinationOthersCanWriteRunsWithoutAdministratorRights) {
    const UtilityCase cases[] = {
        {"only administrators can change it", Writer::Nobody, true, ""},
        {"others can write the destination", Writer::Destination, true, "as the desktop user"},
        {"others can write the utility", Writer::Utility, true, "as the desktop user"},
        {"others can write a library beside it", Writer::Library, true, "as the desktop user"},
        {"the system cannot drop the rights", Writer::Destination, false, nullptr},
    };
    int number = 0;
    for (const UtilityCase& test : cases) {
        SCOPED_TRACE(test.what);
        // Each case has a destination of its own, since marks stay with what they mark.
        const std::string destination = "C:\\VE4-" + std::to_string(++number);
        const std::string utility = destination + "\\ri4razoz.exe";
        WriteFile(utility, "base product utility");
        if (test.writable == Writer::Destination) PosixMachine::MarkWritableByOthers(destination);
        if (test.writable == Writer::Utility) PosixMachine::MarkWritableByOthers(utility);
        WriteFile(destination + "\\helper.dll", "library");
        if (test.writable == Writer::Library) PosixMachine::MarkWritableByOthers(destination + "\\helper.dll");
        shell_.started.clear();
        shell_.desktop_user_start = test.desktop_user_start;
        dialogs_.shown.clear();
        view_ = RecordingView();
        settings_ = ProductSettings();
        settings_.install_dir = destination;
        settings_.opt_final_message = false;
        Install({{{"a.txt", "a"}}});

        EXPECT_EQ(view_.exit_code, platform::ExitCode::Installed);
        if (test.started_as == nullptr) {
            EXPECT_TRUE(shell_.started.empty());
            ASSERT_EQ(dialogs_.shown.size(), 1u);
            EXPECT_NE(dialogs_.shown[0].text.find("[not started: " + utility + "]"), std::string::npos);
            continue;
        }
        EXPECT_TRUE(dialogs_.shown.empty());
        ASSERT_EQ(shell_.started.size(), 1u);
        EXPECT_EQ(shell_.started[0].link, test.started_as);
        EXPECT_EQ(shell_.started[0].target, utility);
        EXPECT_EQ(shell_.started[0].working_directory, destination);
    }
}

}  // namespace
}  // namespace engine_test

#endif  // _WIN32
