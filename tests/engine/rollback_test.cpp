// A run that does not reach its end leaves the destination and the system directory as they
// were: placed files go, replaced files come back with their old bytes, kept and foreign
// files stay, and only the directories the run created are removed.

#ifndef _WIN32  // these scenarios run on the posix backend's machine root

#include "engine/rollback.h"

#include <cstdio>

#include <unistd.h>

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
    for (const Volumes& payload : {Volumes{{{"a.txt", "a", false}, {"b.txt", "b"}}, {{"c.txt", "c"}}},
                                   Volumes{{{"a.txt", "a"}, {"b.txt", "b", false}, {"c.txt", "c"}}}}) {
        dialogs_.shown.clear();
        settings_ = ProductSettings();
        Install(payload);
        EXPECT_EQ(Tree("C:\\VE4"), before);
        EXPECT_EQ(ReadFile("C:\\VE4\\b.txt"), "the user's b");
        ASSERT_EQ(dialogs_.shown.size(), 1u);
        EXPECT_EQ(dialogs_.shown[0].kind, platform::MessageKind::Error);
    }

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

// A failure path whose undo cannot finish (the placed file is in use by then) ends with 5, not
// 4, and leaves its journal for the recovery at a later start, which finishes the undo.
TEST_F(RollbackTest, AnUndoThatCannotFinishEndsWithFiveAndIsFinishedLater) {
    WriteFile("C:\\VE4\\LIB\\x.dll", "old x");
    on_report_ = [](const std::string& line) {
        if (line.starts_with("Data-copy error")) platform::PosixMachine::MarkInUse("C:\\VE4\\LIB\\x.dll", true);
    };
    Install({{{"LIB\\x.dll", "new x"}, {"last.txt", "damaged", false}}});
    EXPECT_EQ(view_.exit_code, platform::ExitCode::RecoveryFailed);
    EXPECT_EQ(Journals().size(), 1u);

    platform::PosixMachine::MarkInUse("C:\\VE4\\LIB\\x.dll", false);
    EXPECT_EQ(RecoverJournals().outcome, engine::RecoveryOutcome::Recovered);
    EXPECT_EQ(ReadFile("C:\\VE4\\LIB\\x.dll"), "old x");
    EXPECT_EQ(Tree("C:\\VE4\\LIB"), Lines{"x.dll"});
}

// A copy set aside that cannot be deleted when the run commits goes at the next restart.
TEST_F(EngineTest, ACopyThatCannotBeDeletedGoesAtRestart) {
    WriteFile("C:\\VE4\\x.dll", "old");
    platform::PosixMachine::MarkLoaded("C:\\VE4\\x.dll", true);
    engine::RollbackJournal journal;
    ASSERT_TRUE(journal.MoveAside("C:\\VE4\\x.dll", 0));
    const std::string copy = journal.SetAside().at(0).second;
    Lines report;
    EXPECT_TRUE(journal.Commit(report));
    EXPECT_EQ(platform::PosixMachine::DeletesAtRestart(), std::vector<std::string>{copy});
}

// A run that dies is recovered by the next start: a journal with the run's changes in force.
class JournalTest : public RollbackTest {
protected:
    std::string JournalPath() const { return settings_.journal_folder + "\\run.journal"; }
    bool Start(engine::RollbackJournal& journal) {
        return journal.Start(JournalPath(), "C:\\VE4", {settings_.system_dir});
    }
};

// A directory the run made, turned into a link to another folder after the run died, leads
// the recovery nowhere: what it finds there, even a file just like the run's, is left.
TEST_F(JournalTest, RecoveryNeverActsThroughALink) {
    {
        engine::RollbackJournal journal;
        ASSERT_TRUE(Start(journal));
        ASSERT_TRUE(journal.CreateDirectory("C:\\VE4\\NEW"));
        ASSERT_TRUE(journal.CreateFile("C:\\VE4\\NEW\\x.dll", [&] { WriteFile("C:\\VE4\\NEW\\x.dll", "new x"); return true; }));
    }  // the process dies; someone moves the folder away and leaves a link in its place
    const std::string folder = platform::PosixMachine::HostPath("C:\\VE4\\NEW");
    const std::string elsewhere = platform::PosixMachine::HostPath("C:\\VE4") + "-elsewhere";
    ASSERT_EQ(std::rename(folder.c_str(), elsewhere.c_str()), 0);
    ASSERT_EQ(::symlink(elsewhere.c_str(), folder.c_str()), 0);
    RecoverJournals();
    EXPECT_EQ(ReadFile("C:\\VE4-elsewhere\\x.dll"), "new x");
}

// A recovery step that fails (the run's file is in use, so the original cannot come back)
// keeps the journal with what is left and refuses the destination; a later start finishes.
TEST_F(JournalTest, AFailedUndoStepKeepsTheJournalForALaterStart) {
    WriteFile("C:\\VE4\\x.dll", "old x");
    {
        engine::RollbackJournal journal;
        ASSERT_TRUE(Start(journal));
        ASSERT_TRUE(journal.MoveAside("C:\\VE4\\x.dll", platform::attribute::kArchive));
        ASSERT_TRUE(journal.CreateFile("C:\\VE4\\x.dll", [&] { WriteFile("C:\\VE4\\x.dll", "new x"); return true; }));
        ASSERT_TRUE(journal.CreateFile("C:\\VE4\\fresh.dll", [&] { WriteFile("C:\\VE4\\fresh.dll", "fresh"); return true; }));
    }  // the process dies
    platform::PosixMachine::MarkInUse("C:\\VE4\\x.dll", true);
    EXPECT_EQ(RecoverJournals().outcome, engine::RecoveryOutcome::Incomplete);
    EXPECT_FALSE(Exists("C:\\VE4\\fresh.dll"));
    EXPECT_EQ(ReadFile("C:\\VE4\\x.dll"), "new x");
    EXPECT_EQ(RecoverJournals().outcome, engine::RecoveryOutcome::Incomplete);

    platform::PosixMachine::MarkInUse("C:\\VE4\\x.dll", false);
    EXPECT_EQ(RecoverJournals().outcome, engine::RecoveryOutcome::Recovered);
    EXPECT_EQ(ReadFile("C:\\VE4\\x.dll"), "old x");
    EXPECT_EQ(Tree("C:\\VE4"), (Lines{"ri4razoz.exe", "x.dll"}));
    EXPECT_TRUE(Journals().empty());
}

// A file set aside that cannot be put back at once (its folder takes no file just then) keeps
// its record in force: the run's end tries again, and what still fails is left for a later start.
TEST_F(JournalTest, AFailedUndoOfTheLastChangeIsTriedAgainLater) {
    WriteFile("C:\\VE4\\x.dll", "old x");
    engine::RollbackJournal journal;
    ASSERT_TRUE(Start(journal));
    ASSERT_TRUE(journal.MoveAside("C:\\VE4\\x.dll", platform::attribute::kArchive));
    platform::PosixMachine::MarkUnwritableDirectory("C:\\VE4", true);
    journal.UndoLast();
    Lines report;
    EXPECT_TRUE(journal.Commit(report));
    EXPECT_FALSE(Exists("C:\\VE4\\x.dll"));

    platform::PosixMachine::MarkUnwritableDirectory("C:\\VE4", false);
    EXPECT_EQ(RecoverJournals().outcome, engine::RecoveryOutcome::Recovered);
    EXPECT_EQ(ReadFile("C:\\VE4\\x.dll"), "old x");
    EXPECT_EQ(Tree("C:\\VE4"), (Lines{"ri4razoz.exe", "x.dll"}));
}

// Directories and files recorded together: one that could not be made is forgotten alone, and
// the recovery after a crash removes the others that were made and nothing else.
TEST_F(JournalTest, ChangesRecordedTogetherAreForgottenOneByOne) {
    {
        engine::RollbackJournal journal;
        ASSERT_TRUE(Start(journal));
        ASSERT_TRUE(journal.RecordCreated({"C:\\VE4\\new"}, {{"C:\\VE4\\new\\a.txt"}, {"C:\\VE4\\b.txt"}, {"C:\\VE4\\c.txt"}}));
        WriteFile("C:\\VE4\\new\\a.txt", "a");
        journal.ForgetCreated("C:\\VE4\\b.txt");
        WriteFile("C:\\VE4\\b.txt", "someone else's b");
    }  // the process dies before c.txt is made
    EXPECT_EQ(RecoverJournals().outcome, engine::RecoveryOutcome::Recovered);
    EXPECT_EQ(Tree("C:\\VE4"), (Lines{"b.txt", "ri4razoz.exe"}));
    EXPECT_EQ(ReadFile("C:\\VE4\\b.txt"), "someone else's b");
}

// Undo takes back only what the run made: a file put where the run's file was is left, and a
// copy set aside whose place is taken by it is kept; both are reported.
TEST_F(JournalTest, UndoLeavesWhatTheRunDidNotMake) {
    WriteFile("C:\\VE4\\x.dll", "old x");
    std::string copy;
    {
        engine::RollbackJournal journal;
        ASSERT_TRUE(Start(journal));
        ASSERT_TRUE(journal.MoveAside("C:\\VE4\\x.dll", 0));
        copy = journal.SetAside().at(0).second;
        ASSERT_TRUE(journal.CreateFile("C:\\VE4\\x.dll", [&] { WriteFile("C:\\VE4\\x.dll", "new x"); return true; }));
    }
    WriteFile("C:\\VE4\\x.dll", "another program's x, later");
    const engine::RecoveryResult result = RecoverJournals();
    EXPECT_EQ(result.outcome, engine::RecoveryOutcome::Recovered);
    EXPECT_EQ(ReadFile("C:\\VE4\\x.dll"), "another program's x, later");
    EXPECT_EQ(ReadFile(copy), "old x");
    EXPECT_EQ(result.left, (Lines{"C:\\VE4\\x.dll", copy}));
}

// A new file kept beside its place for the next restart: undoing an unfinished run deletes
// it; a completed run's recovery asks for the replacing move again.
TEST_F(JournalTest, AFileKeptForRestartGoesWithAnUndoAndIsAskedForAgainWhenComplete) {
    const std::string place = "C:\\windows\\system32\\VE4.DLL";
    WriteFile(place, "old core");
    for (const bool complete : {false, true}) {
        SCOPED_TRACE(complete ? "completed" : "unfinished");
        platform::PosixMachine::Reset();
        platform::PosixMachine::SetMachineRoot(machine_.HostRoot());
        std::string kept;
        {
            engine::RollbackJournal journal;
            ASSERT_TRUE(Start(journal));
            kept = journal.FreshName(place);
            ASSERT_TRUE(journal.RecordKeptForRestart(place, kept));
            WriteFile(kept, "new core");
            Lines report;
            if (complete) {
                ASSERT_TRUE(journal.Commit(report));
            }
            EXPECT_EQ(platform::PosixMachine::ReplacesAtRestart().size(), complete ? 1u : 0u);
            if (complete) {
                // As if the process died before it could delete its journal.
                WriteFile(JournalPath(), engine::JournalText({"C:\\VE4", journal.Token(), {settings_.system_dir}},
                                                            {{engine::RecordKind::KeptForRestart, place, kept}}, true));
            }
        }
        EXPECT_EQ(RecoverJournals().outcome, engine::RecoveryOutcome::Recovered);
        EXPECT_EQ(Exists(kept), complete);
        const auto replaces = platform::PosixMachine::ReplacesAtRestart();
        EXPECT_EQ(replaces.size(), complete ? 2u : 0u);
        if (complete) {
            EXPECT_EQ(replaces.back(), std::make_pair(kept, place));
        }
        EXPECT_EQ(ReadFile(place), "old core");
    }
}

// A journal that is in use, perhaps by a run still going on, is left as it is.
TEST_F(JournalTest, AJournalInUseIsLeftAlone) {
    {
        engine::RollbackJournal journal;
        ASSERT_TRUE(Start(journal));
        ASSERT_TRUE(journal.CreateFile("C:\\VE4\\a.txt", [&] { WriteFile("C:\\VE4\\a.txt", "a"); return true; }));
    }
    const std::string text = ReadFile(JournalPath());
    {
        const auto holder = platform::Files().OpenFile(JournalPath(), platform::OpenMode::ReadDenyWrite);
        EXPECT_EQ(RecoverJournals().outcome, engine::RecoveryOutcome::InUse);
        EXPECT_EQ(ReadFile(JournalPath()), text);
        EXPECT_TRUE(Exists("C:\\VE4\\a.txt"));
    }
    EXPECT_EQ(RecoverJournals().outcome, engine::RecoveryOutcome::Recovered);
    EXPECT_FALSE(Exists("C:\\VE4\\a.txt"));
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
