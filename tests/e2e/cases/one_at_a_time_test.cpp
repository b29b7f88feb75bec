// One installation at a time: a second copy of the program, started while a silent run
// installs, changes nothing and ends with 1618; a record of changes another process holds
// open is not recovered, and one that cannot be read ends a silent run with 5; the destination
// of a run cannot be swapped while the run waits. The scenario's
// payload replaces the system's base library, which a case holds open so that the silent run
// keeps asking for it (once a second) until the case lets it go.

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/files.h"

namespace {

using namespace e2e;

constexpr Milliseconds kInstallTimeout{180000};
constexpr uint32_t kAnotherInstallRunning = 1618;
const std::string kDestination = "C:\\Program Files (x86)\\VE4";
const std::string kJournalFolder = "C:\\ProgramData\\VIrovARI2";

// A silent run into the destination with its record in log; /D= takes the rest of the line.
std::string Silent(const std::string& log) { return "/S /LOG=" + log + " /D=" + kDestination; }

std::string Library() { return SystemDirectory() + "\\VE4.DLL"; }

bool AJournalIsThere() {
    for (const auto& [path, bytes] : DirectoryContents(kJournalFolder)) {
        if (path.size() > 8 && path.substr(path.size() - 8) == ".journal") return true;
    }
    return false;
}

// A file of the case's own in the journal folder, as another process or a damaged disk left it.
void PlantJournal(const std::string& path, const std::string& bytes) {
    ::CreateDirectoryA(kJournalFolder.c_str(), nullptr);
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(OneAtATime, OfTwoSilentRunsASecondApartOneInstallsAndTheOtherEndsWith1618) {
    HeldFile library(Library());
    ASSERT_TRUE(library.Held());
    // Both write one record, which each opens for appending while the other holds it.
    Session first(Silent("C:\\setup\\shared.log"));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    Session second(Silent("C:\\setup\\shared.log"));
    ASSERT_TRUE(first.Started() && second.Started());
    // The one that took the lock waits for the library; the other ends at once.
    ASSERT_TRUE(WaitUntil([&] { return !first.Program().Running() || !second.Program().Running(); }, kInstallTimeout));
    const bool first_refused = !first.Program().Running();
    Session& refused = first_refused ? first : second;
    Session& installing = first_refused ? second : first;
    EXPECT_EQ(refused.WaitForExit(), kAnotherInstallRunning);
    library.Release();
    EXPECT_EQ(installing.WaitForExit(kInstallTimeout), 0u);
    EXPECT_EQ(ReadWholeFile(Library()).value_or("<missing>"), "new base product library\r\n");
    const std::string record = ReadWholeFile("C:\\setup\\shared.log").value_or("<no record>");
    EXPECT_NE(record.find("] Exit code 1618: another installation of the product is running"), std::string::npos)
        << record;
    EXPECT_NE(record.find("] Exit code 0: installed"), std::string::npos) << record;
    EXPECT_NE(record.find("Locked: process " + std::to_string(installing.Program().Id()) + " ("), std::string::npos)
        << record;
    EXPECT_FALSE(AJournalIsThere());
}

TEST(OneAtATime, TheProgramStartedDuringASilentRunSaysSoAndEndsWith1618) {
    HeldFile library(Library());
    ASSERT_TRUE(library.Held());
    Session silent(Silent("C:\\setup\\silent.log"));
    ASSERT_TRUE(WaitUntil(AJournalIsThere, kStartTimeout)) << "the silent run did not start installing";
    Session normal;
    const Window error = normal.WaitForWindow("Error");
    ASSERT_TRUE(error) << normal.OpenWindows();
    EXPECT_EQ(DialogMessage(error),
              "Another installation of DE roz OZE-2 is running. Wait until it ends, then start the setup program again.");
    EXPECT_TRUE(PressButton(error, "OK"));
    EXPECT_EQ(normal.WaitForExit(), kAnotherInstallRunning);
    library.Release();
    EXPECT_EQ(silent.WaitForExit(kInstallTimeout), 0u);
    EXPECT_EQ(ReadWholeFile(Library()).value_or("<missing>"), "new base product library\r\n");
}

TEST(OneAtATime, ARecordOfChangesHeldOpenByAnotherProcessIsNotRecovered) {
    const std::string journal = kJournalFolder + "\\held.journal";
    const std::string bytes = "VIrovARI2 install journal 2\r\n";
    PlantJournal(journal, bytes);
    {
        HeldFile held(journal);
        ASSERT_TRUE(held.Held());
        Session silent(Silent("C:\\setup\\held.log"));
        EXPECT_EQ(silent.WaitForExit(kInstallTimeout), kAnotherInstallRunning);
        EXPECT_EQ(ReadWholeFile(journal).value_or("<missing>"), bytes);
    }
    const std::string record = ReadWholeFile("C:\\setup\\held.log").value_or("<no record>");
    EXPECT_NE(record.find("Journal " + journal + " left alone: it is in use"), std::string::npos) << record;
    ::DeleteFileA(journal.c_str());
}

TEST(OneAtATime, AnUnreadableRecordOfChangesEndsASilentRunWithFiveAndStays) {
    const std::string journal = kJournalFolder + "\\damaged.journal";
    const std::string bytes = "not a record of changes\r\n";
    PlantJournal(journal, bytes);
    const auto before = DirectoryContents(kDestination);
    Session silent(Silent("C:\\setup\\damaged.log"));
    EXPECT_EQ(silent.WaitForExit(kInstallTimeout), 5u);
    EXPECT_EQ(ReadWholeFile(journal).value_or("<missing>"), bytes);
    EXPECT_TRUE(DirectoryContents(kDestination) == before);
    const std::string record = ReadWholeFile("C:\\setup\\damaged.log").value_or("<no record>");
    EXPECT_NE(record.find("its changes cannot be undone (the record of changes \"" + journal + "\" is kept)"),
              std::string::npos)
        << record;
    ::DeleteFileA(journal.c_str());
}

// A user renames the destination while the run waits on a library in use and rebuilds it
// with a library of their own where the run extracts: the run holds its destination, so the
// rename fails and the system directory gets the payload's library; were the rename let
// through, the run would still place only the files it extracted itself.
TEST(OneAtATime, TheDestinationOfARunWaitingOnALibraryCannotBeSwapped) {
    HeldFile library(Library());
    ASSERT_TRUE(library.Held());
    Session silent(Silent("C:\\setup\\swap.log"));
    ASSERT_TRUE(WaitUntil(AJournalIsThere, kStartTimeout)) << "the silent run did not start installing";
    std::this_thread::sleep_for(std::chrono::seconds(2));  // on to asking for the library again
    const std::string renamed = kDestination + "-old";
    const bool swapped = ::MoveFileA(kDestination.c_str(), renamed.c_str()) != 0;
    EXPECT_FALSE(swapped) << "the destination was renamed while the run held it";
    if (swapped) {
        for (const char* folder : {"", "\\TEMP", "\\TEMP\\SYSTEM"}) {
            ::CreateDirectoryA((kDestination + folder).c_str(), nullptr);
        }
        std::ofstream(kDestination + "\\TEMP\\SYSTEM\\VE4.DLL", std::ios::binary) << "the user's library";
    }
    library.Release();
    const auto exit_code = silent.WaitForExit(kInstallTimeout);
    EXPECT_EQ(ReadWholeFile(Library()).value_or("<missing>"), "new base product library\r\n");
    if (!swapped) EXPECT_EQ(exit_code, 0u);
    EXPECT_FALSE(AJournalIsThere());
}

}  // namespace
