// A run that does not reach its end leaves the destination and the system directory as they
// were: placed files go, replaced files come back with their old bytes, kept and foreign
// files stay, and only the directories the run created are removed.

#ifndef _WIN32  // these scenarios run on the posix backend's machine root

#include "engine/rollback.h"

#include "engine/reparse_points.h"

#include "engine_fixture.h"

namespace engine_test {
namespace {

using Lines = std::vector<std::string>;

class RollbackTest : public EngineTest {
protected:
    // A payload whose last entry fails its check.
    std::vector<PayloadEntry> DamagedPayload() {
        return {
            {"LIB\\x.dll", "new x"},
            {"LIB\\fresh.dll", "fresh"},
            {"MPI\\include\\mpi.h", "header"},
            {"results.dat", "empty results"},
            {"SYSTEM\\VE4.DLL", "new core"},
            {"SYSTEM\\brand-new.dll", "new"},
            {"VIrovARI2\\readme.txt", "damaged", false},
        };
    }
};

TEST_F(RollbackTest, DamagedLastEntryPutsEverythingBack) {
    settings_.keep_files = {"RESULTS.DAT"};
    WriteFile("C:\\VE4\\LIB\\x.dll", "old x");
    SetReadOnly("C:\\VE4\\LIB\\x.dll", true);
    WriteFile("C:\\VE4\\results.dat", "the user's results");
    WriteFile("C:\\VE4\\UNINST\\virovari2_1_0.log", "earlier log\r\n");
    WriteFile("C:\\windows\\system32\\VE4.DLL", "old core");
    const Lines before = Tree("C:\\VE4");
    const Lines system_before = Tree("C:\\windows\\system32");

    Install({DamagedPayload()});

    EXPECT_EQ(Tree("C:\\VE4"), before);
    EXPECT_EQ(Tree("C:\\windows\\system32"), system_before);
    EXPECT_EQ(ReadFile("C:\\VE4\\LIB\\x.dll"), "old x");
    EXPECT_TRUE(IsReadOnly("C:\\VE4\\LIB\\x.dll"));
    EXPECT_EQ(ReadFile("C:\\VE4\\results.dat"), "the user's results");
    EXPECT_EQ(ReadFile("C:\\VE4\\UNINST\\virovari2_1_0.log"), "earlier log\r\n");
    EXPECT_EQ(ReadFile("C:\\windows\\system32\\VE4.DLL"), "old core");

    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, platform::MessageKind::Error);
    EXPECT_EQ(dialogs_.shown[0].text,
              "Data-copy error. It seems likely that the install application is not in the administrator mode or "
              "the VIrovARI2.dat file is corrupted. Installation will be terminated.");
    EXPECT_EQ(view_.exit_code, platform::ExitCode::InstallFailed);
    EXPECT_TRUE(shell_.shortcuts.empty());
    EXPECT_TRUE(shell_.started.empty());
}

TEST_F(RollbackTest, FreshDestinationKeepsOnlyWhatWasThere) {
    const Lines before = Tree("C:\\VE4");
    Install({DamagedPayload()});
    EXPECT_EQ(Tree("C:\\VE4"), before);  // no UNINST, TEMP, LIB, MPI or product directories left
}

TEST_F(RollbackTest, DirectoriesThatWereThereStayEvenWhenEmpty) {
    platform::Files().ForceDirectories("C:\\VE4\\MPICH1");
    platform::Files().ForceDirectories("C:\\VE4\\UNINST");
    Install({DamagedPayload()});
    EXPECT_TRUE(IsDirectory("C:\\VE4\\MPICH1"));
    EXPECT_TRUE(IsDirectory("C:\\VE4\\UNINST"));
    EXPECT_FALSE(IsDirectory("C:\\VE4\\MPICH2"));
}

TEST_F(RollbackTest, ExtraLogEntriesAreNotDeleted) {
    settings_.extra_log_entries = {"%InstallDir%\\SAMPLES\\a"};
    WriteFile("C:\\VE4\\SAMPLES\\a", "a sample of the user");
    Install({DamagedPayload()});
    EXPECT_EQ(ReadFile("C:\\VE4\\SAMPLES\\a"), "a sample of the user");
}

// An entry that failed its check fails the run wherever it stands; a directory entry or an
// excluded directory's file is no failure.
TEST_F(RollbackTest, DamagedEntryAnywhereFailsTheRun) {
    WriteFile("C:\\VE4\\b.txt", "the user's b");
    const Lines before = Tree("C:\\VE4");
    Install({{{"a.txt", "a", false}, {"b.txt", "b"}}, {{"c.txt", "c"}}});
    EXPECT_EQ(Tree("C:\\VE4"), before);
    EXPECT_EQ(ReadFile("C:\\VE4\\b.txt"), "the user's b");
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, platform::MessageKind::Error);

    dialogs_.shown.clear();
    settings_ = ProductSettings();
    settings_.excluded_dirs = {"DELPHI7"};
    Install({{{"docs\\", ""}, {"DELPHI7\\x.dll", "x"}, {"a.txt", "a"}}});
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, platform::MessageKind::Information);
    EXPECT_EQ(ReadFile("C:\\VE4\\a.txt"), "a");
}

TEST_F(RollbackTest, EmptyArchiveAndTrailingDirectoryEntryFail) {
    Install({{}});
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, platform::MessageKind::Error);

    dialogs_.shown.clear();
    settings_ = ProductSettings();
    Install({{{"a.txt", "a"}, {"docs\\", ""}}});
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, platform::MessageKind::Error);
    EXPECT_FALSE(Exists("C:\\VE4\\a.txt"));
}

TEST_F(RollbackTest, UnreadableSecondVolumeNamesItAndUndoesTheFirst) {
    settings_.volume_count = 2;
    MemoryExtractor extractor(Volumes{{{"a.txt", "a"}}, {{"b.txt", "b"}}});
    extractor.throw_on_volume = 2;
    engine::Installation installation(settings_, view_);
    extractor.Attach(installation);
    installation.Run(extractor);

    EXPECT_FALSE(Exists("C:\\VE4\\a.txt"));
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_NE(dialogs_.shown[0].text.find("the VIrovARI2.dat2 file"), std::string::npos);
}

TEST_F(RollbackTest, AFailedLogWriteUndoesShortcutsAndFiles) {
    const std::string group = settings_.programs_folder + "\\DE roz OZE-2";
    WriteFile("C:\\VE4\\UNINST\\virovari2_1_0.log", "earlier log\r\n");
    WriteFile(group + "\\DE roz OZE-2 Info.lnk", "earlier shortcut");
    platform::PosixMachine::MarkInUse("C:\\VE4\\UNINST\\virovari2_1_0.log", true);
    const Lines programs_before = Tree(settings_.programs_folder);

    Install({{{"VIrovARI2\\VIrovARI2.chm", "help"}, {"a.txt", "a"}}});

    platform::PosixMachine::MarkInUse("C:\\VE4\\UNINST\\virovari2_1_0.log", false);
    EXPECT_FALSE(Exists("C:\\VE4\\a.txt"));
    EXPECT_EQ(Tree(settings_.programs_folder), programs_before);
    EXPECT_EQ(ReadFile(group + "\\DE roz OZE-2 Info.lnk"), "earlier shortcut");
    EXPECT_EQ(ReadFile("C:\\VE4\\UNINST\\virovari2_1_0.log"), "earlier log\r\n");
    ASSERT_FALSE(dialogs_.shown.empty());
    EXPECT_EQ(dialogs_.shown.back().kind, platform::MessageKind::Error);
}

TEST_F(RollbackTest, UninstallDirectoryThatCannotBeCreatedTakesTheFailurePath) {
    platform::PosixMachine::MarkUnwritableDirectory("C:\\VE4", true);
    MemoryExtractor extractor(Volumes{{{"a.txt", "a"}}});
    engine::Installation installation(settings_, view_);
    extractor.Attach(installation);
    installation.Run(extractor);
    platform::PosixMachine::MarkUnwritableDirectory("C:\\VE4", false);
    EXPECT_TRUE(extractor.zip_names.empty());
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, platform::MessageKind::Error);
    EXPECT_TRUE(view_.terminated);
}

// A shortcut whose rewrite breaks off midway leaves the earlier one in its place and nothing
// else behind.
TEST_F(RollbackTest, ABrokenShortcutWriteBringsTheOldOneBack) {
    const std::string group = settings_.programs_folder + "\\DE roz OZE-2";
    WriteFile(group + "\\DE roz OZE-2 Info.lnk", "earlier shortcut");
    shell_.partial_shortcut_named = "Info.lnk";
    Install({{{"VIrovARI2\\VIrovARI2.chm", "help"}}});
    EXPECT_EQ(ReadFile(group + "\\DE roz OZE-2 Info.lnk"), "earlier shortcut");
    EXPECT_EQ(Tree(group), std::vector<std::string>{"DE roz OZE-2 Info.lnk"});
}

// A copy set aside that cannot be deleted when the run commits goes at the next restart.
TEST_F(EngineTest, ACopyThatCannotBeDeletedGoesAtRestart) {
    WriteFile("C:\\VE4\\x.dll", "old");
    platform::PosixMachine::MarkLoaded("C:\\VE4\\x.dll", true);
    engine::RollbackJournal journal;
    ASSERT_TRUE(journal.MoveAside("C:\\VE4\\x.dll", 0));
    const std::string copy = journal.SetAside().at(0).second;
    journal.Commit();
    EXPECT_EQ(platform::PosixMachine::DeletesAtRestart(), std::vector<std::string>{copy});
}

// A journal that cannot be read is never guessed at: recovery leaves it, and no new run
// starts over it.
TEST_F(RollbackTest, AnUnreadableJournalIsLeftAlone) {
    const std::string journal = "C:\\VE4\\" + std::string(engine::kJournalName);
    const std::string garbled = "VIrovARI2 install journal 1\r\nF\tC:\\VE4\\ri4razoz.exe\r\nQ\r\n";
    WriteFile(journal, garbled);
    EXPECT_EQ(engine::RollbackJournal::Recover(journal), engine::RollbackJournal::Recovery::Unreadable);
    EXPECT_EQ(ReadFile(journal), garbled);
    EXPECT_EQ(ReadFile("C:\\VE4\\ri4razoz.exe"), "base product utility");

    Install({{{"a.txt", "a"}}});
    EXPECT_FALSE(Exists("C:\\VE4\\a.txt"));
    EXPECT_EQ(ReadFile(journal), garbled);
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, platform::MessageKind::Error);
}

// A recovery step that fails (the new file is in use, so the original cannot come back) keeps
// the journal with what is left to undo and refuses the destination; a later start finishes.
TEST_F(RollbackTest, AFailedUndoStepKeepsTheJournalForALaterStart) {
    const std::string journal = "C:\\VE4\\" + std::string(engine::kJournalName);
    WriteFile("C:\\VE4\\x.dll", "new x");
    WriteFile("C:\\VE4\\x.dll.~vi1", "old x");
    WriteFile("C:\\VE4\\fresh.dll", "fresh");
    WriteFile(journal, "VIrovARI2 install journal 1\r\nR\tC:\\VE4\\x.dll\tC:\\VE4\\x.dll.~vi1\t32\r\n"
                       "F\tC:\\VE4\\fresh.dll\r\n");
    platform::PosixMachine::MarkInUse("C:\\VE4\\x.dll", true);
    EXPECT_EQ(engine::RollbackJournal::Recover(journal), engine::RollbackJournal::Recovery::Incomplete);
    EXPECT_FALSE(Exists("C:\\VE4\\fresh.dll"));
    EXPECT_EQ(ReadFile(journal), "VIrovARI2 install journal 1\r\nR\tC:\\VE4\\x.dll\tC:\\VE4\\x.dll.~vi1\t32\r\n");
    Install({{{"a.txt", "a"}}});
    EXPECT_FALSE(Exists("C:\\VE4\\a.txt"));
    EXPECT_EQ(dialogs_.shown.size(), 1u);

    platform::PosixMachine::MarkInUse("C:\\VE4\\x.dll", false);
    EXPECT_EQ(engine::RollbackJournal::Recover(journal), engine::RollbackJournal::Recovery::Recovered);
    EXPECT_EQ(ReadFile("C:\\VE4\\x.dll"), "old x");
    EXPECT_FALSE(Exists("C:\\VE4\\x.dll.~vi1"));
    EXPECT_FALSE(Exists(journal));
}

// A file set aside that cannot be put back at once (the file in its place is in use) keeps its
// record in force: the run's end tries again, and what still fails is left for a later start.
TEST_F(RollbackTest, AFailedUndoOfTheLastChangeIsTriedAgainLater) {
    const std::string journal_path = "C:\\VE4\\" + std::string(engine::kJournalName);
    WriteFile("C:\\VE4\\x.dll", "old x");
    engine::RollbackJournal journal;
    ASSERT_TRUE(journal.Start(journal_path));
    ASSERT_TRUE(journal.MoveAside("C:\\VE4\\x.dll", platform::attribute::kArchive));
    WriteFile("C:\\VE4\\x.dll", "new x");
    platform::PosixMachine::MarkInUse("C:\\VE4\\x.dll", true);
    journal.UndoLast();
    journal.Commit();
    EXPECT_EQ(ReadFile("C:\\VE4\\x.dll"), "new x");

    platform::PosixMachine::MarkInUse("C:\\VE4\\x.dll", false);
    EXPECT_EQ(engine::RollbackJournal::Recover(journal_path), engine::RollbackJournal::Recovery::Recovered);
    EXPECT_EQ(ReadFile("C:\\VE4\\x.dll"), "old x");
    EXPECT_EQ(Tree("C:\\VE4"), (Lines{"ri4razoz.exe", "x.dll"}));
}

// Directories and files recorded together: one that could not be made is forgotten alone, and
// the recovery after a crash removes the others that were made and nothing else.
TEST_F(RollbackTest, ChangesRecordedTogetherAreForgottenOneByOne) {
    const std::string journal_path = "C:\\VE4\\" + std::string(engine::kJournalName);
    {
        engine::RollbackJournal journal;
        ASSERT_TRUE(journal.Start(journal_path));
        ASSERT_TRUE(journal.RecordCreated({"C:\\VE4\\new"}, {"C:\\VE4\\new\\a.txt", "C:\\VE4\\b.txt", "C:\\VE4\\c.txt"}));
        WriteFile("C:\\VE4\\new\\a.txt", "a");
        journal.ForgetCreated("C:\\VE4\\b.txt");
        WriteFile("C:\\VE4\\b.txt", "someone else's b");
        EXPECT_EQ(ReadFile(journal_path), "VIrovARI2 install journal 1\r\nD\tC:\\VE4\\new\r\nF\tC:\\VE4\\new\\a.txt\r\n"
                                          "F\tC:\\VE4\\b.txt\r\nF\tC:\\VE4\\c.txt\r\nX\tC:\\VE4\\b.txt\r\n");
    }  // the process dies before c.txt is made
    EXPECT_EQ(engine::RollbackJournal::Recover(journal_path), engine::RollbackJournal::Recovery::Recovered);
    EXPECT_EQ(Tree("C:\\VE4"), (Lines{"b.txt", "ri4razoz.exe"}));
    EXPECT_EQ(ReadFile("C:\\VE4\\b.txt"), "someone else's b");
}

TEST_F(EngineTest, DeleteTreeRemovesReadOnlyFilesToo) {
    WriteFile("C:\\VE4\\TEMP\\a\\b.txt", "b");
    SetReadOnly("C:\\VE4\\TEMP\\a\\b.txt", true);
    WriteFile("C:\\VE4\\TEMP\\c.txt", "c");
    engine::DeleteTree("C:\\VE4\\TEMP");
    EXPECT_FALSE(Exists("C:\\VE4\\TEMP"));
}

}  // namespace
}  // namespace engine_test

#endif  // _WIN32
