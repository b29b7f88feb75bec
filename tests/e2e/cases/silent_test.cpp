// Silent installation (/S): the program shows no window at all, writes what it would have
// shown to the record that /LOG= names, and tells the outcome through its exit code. The
// driver watches the process's top-level windows for the whole run.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/files.h"

namespace {

using namespace e2e;

constexpr Milliseconds kInstallTimeout{180000};

struct SilentRun {
    std::optional<uint32_t> exit_code;
    // The captions of every window that was seen while the program ran.
    std::vector<std::string> windows_seen;
};

SilentRun RunSilently(const std::string& arguments) {
    SilentRun run;
    Session session(arguments);
    if (!session.Started()) return run;
    WaitUntil(
        [&] {
            for (const Window& window : TopLevelWindows(session.Program().Id())) {
                run.windows_seen.push_back(window.Text());
            }
            return !session.Program().Running();
        },
        kInstallTimeout);
    run.exit_code = session.WaitForExit(kStepTimeout);
    return run;
}

// The base product lies in a directory of its own for this case; /D= names it unquoted,
// before the other switches.
TEST(Silent, InstallsIntoTheDestinationOfTheCommandLineWithoutAWindow) {
    const std::string destination = "C:\\Program Files (x86)\\VE4 Silent";
    ASSERT_TRUE(FileExists(destination + "\\VE4Ext22.exe")) << "the scenario did not lay out the base product";
    const SilentRun run = RunSilently("/D=" + destination + " /S /LOG=C:\\setup\\silent.log");
    EXPECT_TRUE(run.windows_seen.empty()) << run.windows_seen.front();
    ASSERT_TRUE(run.exit_code.has_value());
    EXPECT_EQ(*run.exit_code, 0u);

    for (const char* file : {"VIrovARI2\\readme.txt", "MPI\\mpitasks.h", "UNINST\\virovari2_1_0.log"}) {
        EXPECT_TRUE(FileExists(destination + "\\" + file)) << file;
    }
    EXPECT_FALSE(DirectoryExists(destination + "\\TEMP"));
    // Every Wine process runs elevated: the group is for all users, none in the user's folder.
    EXPECT_TRUE(FileExists(ProgramsFolder() + "\\DE roz OZE-2\\DE roz OZE-2 Readme.lnk"));
    EXPECT_FALSE(DirectoryExists(UserProgramsFolder() + "\\DE roz OZE-2"));
    // No set-up utility after a silent installation.
    EXPECT_FALSE(FileExists(destination + "\\ri4razoz-run.txt"));
    const std::string record = ReadWholeFile("C:\\setup\\silent.log").value_or("<no record>");
    EXPECT_NE(record.find("Destination: " + destination + "\r\n"), std::string::npos) << record;
    EXPECT_NE(record.find("Information: The DE roz OZE-2 system is installed successfully."), std::string::npos)
        << record;
    EXPECT_NE(record.find("Exit code 0: installed\r\n"), std::string::npos) << record;
}

TEST(Silent, RefusesADestinationWithoutTheBaseProduct) {
    const SilentRun run = RunSilently("/D=\"C:\\No Base\" /S /LOG=C:\\setup\\refusal.log");
    EXPECT_TRUE(run.windows_seen.empty()) << run.windows_seen.front();
    ASSERT_TRUE(run.exit_code.has_value());
    EXPECT_EQ(*run.exit_code, 6u);
    EXPECT_FALSE(DirectoryExists("C:\\No Base"));
    const std::string record = ReadWholeFile("C:\\setup\\refusal.log").value_or("<no record>");
    EXPECT_NE(record.find("Error: You need previously install the basic variant of Quillmark of version 4.22 or "
                          "higher in the specified directory.\r\n"),
              std::string::npos)
        << record;
}

// A misspelt switch beside /S: no window, nothing changed, code 1639 and the switch named.
TEST(Silent, RefusesAnUnknownSwitchWithoutAWindow) {
    const std::string destination = "C:\\Program Files (x86)\\VE4";
    const auto before = DirectoryContents(destination);
    const SilentRun run = RunSilently("/S /D=" + destination + " /Silently /LOG=C:\\setup\\unknown.log");
    EXPECT_TRUE(run.windows_seen.empty()) << run.windows_seen.front();
    ASSERT_TRUE(run.exit_code.has_value());
    EXPECT_EQ(*run.exit_code, 1639u);
    EXPECT_TRUE(DirectoryContents(destination) == before);
    const std::string record = ReadWholeFile("C:\\setup\\unknown.log").value_or("<no record>");
    EXPECT_NE(record.find("Unknown switch: /Silently\r\n"), std::string::npos) << record;
}

// The scenario plants, beside a base product, a record of changes in the place where earlier
// versions kept it, naming a file of the base product: anyone who may write the destination
// could have written it, so it is reported and left alone, and the installation goes on.
TEST(Silent, NeverActsOnARecordOfChangesPlantedInTheDestination) {
    const std::string destination = "C:\\Program Files (x86)\\VE4 Unfinished";
    const std::string journal = destination + "\\VIrovARI2.journal";
    const std::optional<std::string> journal_before = ReadWholeFile(journal);
    ASSERT_TRUE(journal_before.has_value()) << "the scenario did not plant the record of changes";
    const SilentRun run = RunSilently("/S /LOG=C:\\setup\\unfinished.log /D=" + destination);
    EXPECT_TRUE(run.windows_seen.empty()) << run.windows_seen.front();
    ASSERT_TRUE(run.exit_code.has_value());
    EXPECT_EQ(*run.exit_code, 0u);
    EXPECT_EQ(ReadWholeFile(journal), journal_before);
    EXPECT_TRUE(FileExists(destination + "\\ri4razoz.exe"));
    EXPECT_TRUE(FileExists(destination + "\\VIrovARI2\\readme.txt"));
    const std::string record = ReadWholeFile("C:\\setup\\unfinished.log").value_or("<no record>");
    EXPECT_NE(record.find("Journal " + journal + " left alone"), std::string::npos) << record;
}

// The payload carries a new VE4.DLL for the system directory, which the case holds open for
// the whole run: after its 30 seconds of retries the run keeps the new library beside the old
// one and ends with 3010; the scenario then restarts the prefix and finds it in place.
TEST(SilentRestart, AHeldLibraryEndsTheRunWith3010) {
    const std::string library = SystemDirectory() + "\\VE4.DLL";
    const std::optional<std::string> old_bytes = ReadWholeFile(library);
    HeldFile held(library);
    ASSERT_TRUE(held.Held());
    const SilentRun run = RunSilently("/S /LOG=C:\\setup\\restart.log /D=C:\\Program Files (x86)\\VE4");
    EXPECT_TRUE(run.windows_seen.empty()) << run.windows_seen.front();
    ASSERT_TRUE(run.exit_code.has_value());
    EXPECT_EQ(*run.exit_code, 3010u);
    held.Release();
    EXPECT_TRUE(ReadWholeFile(library) == old_bytes);
    const std::string record = ReadWholeFile("C:\\setup\\restart.log").value_or("<no record>");
    EXPECT_EQ(record.rfind("\xEF\xBB\xBF", 0), 0u);  // UTF-8, marked as such
    EXPECT_NE(record.find(" Replaced at the next restart: " + library + " (in use; the new copy waits as " + library +
                          ".~vi"),
              std::string::npos)
        << record;
    EXPECT_NE(record.find(" User: "), std::string::npos) << record;
    EXPECT_NE(record.find(", elevated; shortcuts in " + ProgramsFolder() + "\r\n"), std::string::npos) << record;
    EXPECT_NE(record.find(" Program: VIrovARI2 Install 1.6, built "), std::string::npos) << record;
    EXPECT_NE(record.find(" Exit code 3010: installed; a restart completes the installation\r\n"), std::string::npos)
        << record;
}

// The scenario damages the payload's last entry.
TEST(SilentDamaged, RollsBackAndEndsWithTheCodeOfAFailedInstallation) {
    const std::string destination = "C:\\Program Files (x86)\\VE4";
    const auto before = DirectoryContents(destination);
    ASSERT_FALSE(before.empty()) << "the scenario did not lay out the base product";
    const SilentRun run = RunSilently("/S /D=" + destination);
    EXPECT_TRUE(run.windows_seen.empty()) << run.windows_seen.front();
    ASSERT_TRUE(run.exit_code.has_value());
    EXPECT_EQ(*run.exit_code, 4u);
    EXPECT_TRUE(DirectoryContents(destination) == before);
}

}  // namespace
