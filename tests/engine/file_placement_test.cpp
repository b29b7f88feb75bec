// Where each extracted file goes, what is replaced or kept, and what is reported.

#include "engine/file_placement.h"

#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace engine_test {
namespace {

TEST(PlacementRules, SystemEntriesInAnyLetterCase) {
    EXPECT_TRUE(engine::IsSystemEntry("SYSTEM\\VE4.DLL"));
    EXPECT_TRUE(engine::IsSystemEntry("system\\x.dll"));
    EXPECT_FALSE(engine::IsSystemEntry("SYSTEM32\\x.dll"));
    EXPECT_FALSE(engine::IsSystemEntry("LIB\\SYSTEM\\x.dll"));
    EXPECT_EQ(engine::SystemDestination("System\\sub\\x.dll", "C:\\windows\\system32"),
              "C:\\windows\\system32\\sub\\x.dll");
    EXPECT_EQ(engine::SystemDestination("SYSTEM\\" + std::string(300, 'a'), "C:\\w").size(), 200u);
}

TEST(PlacementRules, CoreLibrariesAnywhereInTheName) {
    EXPECT_TRUE(engine::IsCoreLibrary("C:\\windows\\system32\\ve4.dll"));
    EXPECT_TRUE(engine::IsCoreLibrary("C:\\windows\\system32\\Ve4Tools.Dll"));
    EXPECT_TRUE(engine::IsCoreLibrary("C:\\windows\\system32\\xVE4.DLL.bak"));
    EXPECT_FALSE(engine::IsCoreLibrary("C:\\windows\\system32\\VE4Ext.dll"));
}

TEST(PlacementRules, ExclusionLooksAtTheTopDirectoryOnly) {
    const std::vector<std::string> excluded = {"DELPHI7"};
    EXPECT_TRUE(engine::IsExcludedDir("DELPHI7\\LIB\\y.dll", excluded));
    EXPECT_TRUE(engine::IsExcludedDir("delphi7\\y.dll", excluded));
    EXPECT_FALSE(engine::IsExcludedDir("DELPHI7", excluded));  // a file at the root
    EXPECT_FALSE(engine::IsExcludedDir("LIB\\DELPHI7\\y.dll", excluded));
    EXPECT_FALSE(engine::IsExcludedDir("DELPHI70\\y.dll", excluded));
}

#ifndef _WIN32  // scenarios on the posix backend's machine root

using platform::DialogResult;

constexpr uint32_t kOlder = 0x50210000;  // 1 January 2020
constexpr uint32_t kPayloadTime = 0x58D38000;
constexpr uint32_t kNewer = 0x5A210000;  // 1 January 2025

// Installs the entries followed by a last plain file, so that the run completes.
class PlacementTest : public EngineTest {
protected:
    void InstallEntries(std::vector<PayloadEntry> entries) {
        entries.push_back({"last.txt", "last"});
        Install({entries});
    }
    std::string Log() { return ReadFile("C:\\VE4\\UNINST\\virovari2_1_0.log"); }
    std::string FinalMessage() { return dialogs_.shown.empty() ? std::string() : dialogs_.shown.back().text; }
};

TEST_F(PlacementTest, SystemFilesAreUpdatedOnlyByLaterOnes) {
    WriteFile("C:\\windows\\system32\\older.dll", "installed", kOlder);
    WriteFile("C:\\windows\\system32\\same.dll", "installed", kPayloadTime);
    WriteFile("C:\\windows\\system32\\newer.dll", "installed", kNewer);
    InstallEntries({{"SYSTEM\\older.dll", "payload"}, {"SYSTEM\\same.dll", "payload"},
                    {"SYSTEM\\newer.dll", "payload"}, {"system\\new.dll", "payload"}});

    EXPECT_EQ(ReadFile("C:\\windows\\system32\\older.dll"), "payload");
    EXPECT_EQ(ReadFile("C:\\windows\\system32\\same.dll"), "installed");
    EXPECT_EQ(ReadFile("C:\\windows\\system32\\newer.dll"), "installed");
    EXPECT_EQ(ReadFile("C:\\windows\\system32\\new.dll"), "payload");
    EXPECT_EQ(Log().find("system32"), std::string::npos);
    EXPECT_EQ(FinalMessage().find("Could not"), std::string::npos);
    EXPECT_EQ(Tree("C:\\windows\\system32"),
              (std::vector<std::string>{"new.dll", "newer.dll", "older.dll", "same.dll"}));  // no copies left
}

TEST_F(PlacementTest, CoreLibrariesAreAlwaysReplaced) {
    WriteFile("C:\\windows\\system32\\VE4.DLL", "newer core", kNewer);
    WriteFile("C:\\windows\\system32\\ve4tools.dll", "older tools", kOlder);
    InstallEntries({{"SYSTEM\\VE4.DLL", "core"}, {"SYSTEM\\VE4TOOLS.DLL", "tools"}});
    EXPECT_EQ(ReadFile("C:\\windows\\system32\\VE4.DLL"), "core");
    EXPECT_EQ(ReadFile("C:\\windows\\system32\\ve4tools.dll"), "tools");
    EXPECT_EQ(Log().find("VE4.DLL"), std::string::npos);
}

TEST_F(PlacementTest, ExcludedDirectoriesAreNotPlacedNorLogged) {
    settings_.excluded_dirs = {"DELPHI7"};
    InstallEntries({{"Delphi7\\LIB\\y.dll", "y"}, {"x.dll", "root file"}, {"VCNET3\\z.dll", "z"}});
    EXPECT_FALSE(Exists("C:\\VE4\\Delphi7"));
    EXPECT_EQ(ReadFile("C:\\VE4\\x.dll"), "root file");
    EXPECT_EQ(ReadFile("C:\\VE4\\VCNET3\\z.dll"), "z");
    EXPECT_EQ(Log().find("y.dll"), std::string::npos);
    EXPECT_FALSE(Exists("C:\\VE4\\TEMP"));
}

TEST_F(PlacementTest, KeptFilesStayButAreLogged) {
    settings_.keep_files = {"RESULTS.DAT", "QM.INI"};
    WriteFile("C:\\VE4\\results.dat", "the user's results");
    InstallEntries({{"results.dat", "empty results"}, {"qm.ini", "settings"}, {"other.dat", "other"}});
    EXPECT_EQ(ReadFile("C:\\VE4\\results.dat"), "the user's results");
    EXPECT_EQ(ReadFile("C:\\VE4\\qm.ini"), "settings");
    EXPECT_NE(Log().find("C:\\VE4\\results.dat\r\n"), std::string::npos);
    EXPECT_NE(Log().find("C:\\VE4\\qm.ini\r\n"), std::string::npos);
}

TEST_F(PlacementTest, WithoutKeptFilesEverythingIsReplaced) {
    WriteFile("C:\\VE4\\results.dat", "the user's results");
    InstallEntries({{"results.dat", "empty results"}});
    EXPECT_EQ(ReadFile("C:\\VE4\\results.dat"), "empty results");
}

TEST_F(PlacementTest, ReadOnlyTargetsAreReplacedWithoutAsking) {
    WriteFile("C:\\VE4\\LIB\\x.dll", "old");
    SetReadOnly("C:\\VE4\\LIB\\x.dll", true);
    InstallEntries({{"LIB\\x.dll", "new"}});
    EXPECT_EQ(ReadFile("C:\\VE4\\LIB\\x.dll"), "new");
    ASSERT_EQ(dialogs_.shown.size(), 1u);  // only the final message
    EXPECT_EQ(Tree("C:\\VE4\\LIB"), (std::vector<std::string>{"x.dll"}));
}

TEST_F(PlacementTest, FileInUseIsReplacedAfterRepeat) {
    const std::string core = "C:\\windows\\system32\\VE4.DLL";
    WriteFile(core, "old core");
    platform::PosixMachine::MarkInUse(core, true);
    dialogs_.answers = {DialogResult::Retry, DialogResult::Retry};
    int asked = 0;
    dialogs_.before_answer = [&](const ShownMessage& message) {
        if (message.kind == platform::MessageKind::Warning && ++asked == 2) {
            platform::PosixMachine::MarkInUse(core, false);  // the user closed the program
        }
    };
    InstallEntries({{"SYSTEM\\VE4.DLL", "new core"}});

    ASSERT_EQ(asked, 2);
    const ShownMessage& retry = dialogs_.shown[0];
    EXPECT_EQ(retry.text,
              "Could not update the \"" + core +
                  "\" file. It seems likely that the file is used by one of the executing applications. Close all "
                  "applications, except the install program, and press the \"Repeat\" button. If file updating "
                  "fails again, press the \"Next\" button.");
    EXPECT_EQ(retry.buttons, platform::buttons::kRetry | platform::buttons::kIgnore);
    EXPECT_EQ(retry.default_button, DialogResult::Retry);
    EXPECT_EQ(ReadFile(core), "new core");
    EXPECT_EQ(FinalMessage().find("Could not"), std::string::npos);
}

TEST_F(PlacementTest, ClosingTheRetryBoxCountsAsRepeat) {
    const std::string core = "C:\\windows\\system32\\VE4.DLL";
    WriteFile(core, "old core");
    platform::PosixMachine::MarkInUse(core, true);
    dialogs_.answers = {DialogResult::Cancel, DialogResult::Ignore};
    InstallEntries({{"SYSTEM\\VE4.DLL", "new core"}});
    EXPECT_EQ(dialogs_.shown.size(), 3u);  // two retry boxes and the final message
}

TEST_F(PlacementTest, FileInUseIsListedAfterNext) {
    const std::string core = "C:\\windows\\system32\\VE4.DLL";
    WriteFile(core, "old core");
    SetReadOnly(core, true);
    platform::PosixMachine::MarkInUse(core, true);
    dialogs_.answers = {DialogResult::Ignore};
    InstallEntries({{"SYSTEM\\VE4.DLL", "new core"}, {"LIB\\x.dll", "x"}});

    EXPECT_EQ(ReadFile(core), "old core");
    EXPECT_TRUE(IsReadOnly(core));
    EXPECT_EQ(ReadFile("C:\\VE4\\LIB\\x.dll"), "x");
    EXPECT_EQ(FinalMessage(),
              "The DE roz OZE-2 system is installed.\r\n"
              "Shortcuts of the DE roz OZE-2 system are placed in the \"DE roz OZE-2\" program group of the Start "
              "Menu.\r\n"
              "Could not update the following files: \r\n\"" + core +
                  "\".\r\n"
                  "These problems may lead to an unproper work of DE roz OZE-2.\r\nWe recommend to you to reload your "
                  "computer and repeat the installation of the DE roz OZE-2 system.");
    EXPECT_TRUE(shell_.started.empty());
}

// Moving a loaded library aside would succeed, and the copy could never be deleted; the
// user is asked to close the program first.
TEST_F(PlacementTest, LoadedLibraryGetsTheRetryDialog) {
    const std::string core = "C:\\windows\\system32\\VE4.DLL";
    WriteFile(core, "old core");
    platform::PosixMachine::MarkLoaded(core, true);
    dialogs_.before_answer = [&](const ShownMessage& message) {
        if (message.kind == platform::MessageKind::Warning) platform::PosixMachine::MarkLoaded(core, false);
    };
    InstallEntries({{"SYSTEM\\VE4.DLL", "new core"}});
    ASSERT_EQ(dialogs_.shown.size(), 2u);
    EXPECT_EQ(dialogs_.shown[0].kind, platform::MessageKind::Warning);
    EXPECT_EQ(ReadFile(core), "new core");
    EXPECT_EQ(Tree("C:\\windows\\system32"), std::vector<std::string>{"VE4.DLL"});
}

// A directory where a file is to go is the user's: it stays, and the file counts as not
// updated (or, for a kept file, not created) and is not logged.
TEST_F(PlacementTest, DirectoryInTheFilesPlaceStays) {
    settings_.keep_files = {"RESULTS.DAT"};
    WriteFile("C:\\VE4\\x.dll\\mine.txt", "mine");
    WriteFile("C:\\VE4\\results.dat\\mine.txt", "mine too");
    InstallEntries({{"x.dll", "x"}, {"results.dat", "r"}});
    EXPECT_EQ(ReadFile("C:\\VE4\\x.dll\\mine.txt"), "mine");
    EXPECT_EQ(ReadFile("C:\\VE4\\results.dat\\mine.txt"), "mine too");
    EXPECT_NE(FinalMessage().find("Could not update the following files: \r\n\"C:\\VE4\\x.dll\"."), std::string::npos);
    EXPECT_NE(FinalMessage().find("Could not create the following files: \r\n\"C:\\VE4\\results.dat\"."),
              std::string::npos);
    EXPECT_EQ(Log().find("x.dll"), std::string::npos);
    EXPECT_EQ(Log().find("results.dat"), std::string::npos);
}

// The record of the run has a line for every file: placed, kept, left in use or failed.
TEST_F(PlacementTest, EveryFileHasItsLineInTheReport) {
    settings_.keep_files = {"RESULTS.DAT"};
    const std::string core = "C:\\windows\\system32\\VE4.DLL";
    WriteFile("C:\\VE4\\results.dat", "the user's results");
    WriteFile("C:\\windows\\system32\\newer.dll", "installed", kNewer);
    WriteFile("C:\\VE4\\x.dll\\mine.txt", "mine");
    WriteFile(core, "old core");
    platform::PosixMachine::MarkInUse(core, true);
    dialogs_.answers = {DialogResult::Ignore};
    InstallEntries({{"results.dat", "r"}, {"SYSTEM\\newer.dll", "p"}, {"x.dll", "x"}, {"SYSTEM\\VE4.DLL", "new core"}});
    platform::PosixMachine::MarkInUse(core, false);
    for (const char* line : {"Kept: C:\\VE4\\results.dat (the installed copy stays)",
                             "Kept: C:\\windows\\system32\\newer.dll (the installed copy is as new or newer)",
                             "Failed: C:\\VE4\\x.dll: a directory stands in its place",
                             "Left in use: C:\\windows\\system32\\VE4.DLL (the earlier version stays)",
                             "Placed: C:\\VE4\\last.txt"}) {
        EXPECT_EQ(std::count(report_.begin(), report_.end(), line), 1) << line << "\n" << ::testing::PrintToString(report_);
    }
}

// A TEMP directory the destination already has is the user's; the run extracts elsewhere.
TEST_F(PlacementTest, TheUsersTempDirectoryIsKept) {
    WriteFile("C:\\VE4\\TEMP\\x.dll", "the user's x");
    InstallEntries({{"x.dll", "x"}});
    EXPECT_EQ(Tree("C:\\VE4\\TEMP"), std::vector<std::string>{"x.dll"});
    EXPECT_EQ(ReadFile("C:\\VE4\\TEMP\\x.dll"), "the user's x");
    EXPECT_EQ(ReadFile("C:\\VE4\\x.dll"), "x");
    for (const std::string& entry : Tree("C:\\VE4")) EXPECT_FALSE(entry.starts_with("TEMP.")) << entry;

    Install({{{"y.dll", "y", false}, {"z.dll", "z"}}});
    EXPECT_EQ(Tree("C:\\VE4\\TEMP"), std::vector<std::string>{"x.dll"});
}

TEST_F(PlacementTest, AFailedMoveKeepsTheOldFile) {
    engine::Installation installation(settings_, view_);
    WriteFile("C:\\VE4\\LIB\\x.dll", "old");
    WriteFile("C:\\VE4\\TEMP\\LIB\\x.dll", "new");
    platform::PosixMachine::MarkInUse("C:\\VE4\\TEMP\\LIB\\x.dll", true);  // the new copy cannot move
    installation.PlaceFile("LIB\\x.dll");
    EXPECT_EQ(ReadFile("C:\\VE4\\LIB\\x.dll"), "old");
    EXPECT_EQ(Tree("C:\\VE4\\LIB"), std::vector<std::string>{"x.dll"});
    EXPECT_EQ(installation.UpdateFailures, "\"C:\\VE4\\LIB\\x.dll\", ");
    EXPECT_TRUE(installation.LogLines.empty());
}

// Files are placed a few at a time: one that cannot take its place is listed alone, and an
// entry that differs from a waiting file only in letter case replaces it as it would one by one.
TEST_F(PlacementTest, FilesPlacedTogetherFailAloneAndInOrder) {
    WriteFile("C:\\VE4\\DATA\\other", "");
    platform::PosixMachine::MarkUnwritableDirectory("C:\\VE4\\DATA", true);
    InstallEntries({{"a.txt", "first a"}, {"DATA\\b.txt", "b"}, {"A.TXT", "second a"}, {"c.txt", "c"}});
    EXPECT_EQ(ReadFile("C:\\VE4\\a.txt"), "second a");
    EXPECT_EQ(ReadFile("C:\\VE4\\c.txt"), "c");
    EXPECT_EQ(Tree("C:\\VE4\\DATA"), std::vector<std::string>{"other"});
    EXPECT_NE(FinalMessage().find("Could not update the following files: \r\n\"C:\\VE4\\DATA\\b.txt\"."),
              std::string::npos);
    EXPECT_EQ(FinalMessage().find("a.txt"), std::string::npos);
    EXPECT_TRUE(Journals().empty());
}

TEST_F(PlacementTest, KeptFileThatCannotBeCreatedIsListed) {
    settings_.keep_files = {"DATA\\RESULTS.DAT"};
    WriteFile("C:\\VE4\\DATA\\other", "");
    platform::PosixMachine::MarkUnwritableDirectory("C:\\VE4\\DATA", true);
    InstallEntries({{"DATA\\results.dat", "r"}});
    EXPECT_NE(FinalMessage().find("Could not create the following files: \r\n\"C:\\VE4\\DATA\\results.dat\"."),
              std::string::npos);
}

TEST_F(PlacementTest, NewDirectoriesAreRecordedOnceInUpperCase) {
    engine::Installation installation(settings_, view_);
    WriteFile("C:\\VE4\\TEMP\\MPI\\include\\a.h", "a");
    WriteFile("C:\\VE4\\TEMP\\MPI\\include\\b.h", "b");
    const size_t before = settings_.dirs.size();
    installation.PlaceFile("MPI\\include\\a.h");
    installation.PlaceFile("MPI\\include\\b.h");
    ASSERT_EQ(settings_.dirs.size(), before + 1);
    EXPECT_EQ(settings_.dirs.back(), "C:\\VE4\\MPI\\INCLUDE");
    EXPECT_EQ(ReadFile("C:\\VE4\\MPI\\include\\b.h"), "b");
}

TEST_F(PlacementTest, DirsStopGrowingAtTheirBound) {
    engine::Installation installation(settings_, view_);
    settings_.dirs.resize(100, "C:\\X");
    WriteFile("C:\\VE4\\TEMP\\d1\\a", "a");
    WriteFile("C:\\VE4\\TEMP\\d2\\a", "a");
    installation.PlaceFile("d1\\a");
    installation.PlaceFile("d2\\a");
    EXPECT_EQ(settings_.dirs.size(), engine::kMaxDirs);
    EXPECT_EQ(settings_.dirs.back(), "C:\\VE4\\D1");
    EXPECT_EQ(ReadFile("C:\\VE4\\d2\\a"), "a");  // placed all the same
}

#endif  // _WIN32

}  // namespace
}  // namespace engine_test
