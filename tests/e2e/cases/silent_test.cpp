// Silent installation (/S): the program shows no window at all, writes what it would have
// shown to the record that /LOG= names, and tells the outcome through its exit code. The
// driver watches the process's top-level windows for the whole run.

#include <gtest/gtest.h>

#include <cctype>

#include "cases/session.h"
#include "driver/files.h"

#include <windows.h>

namespace {

using namespace e2e;

constexpr Milliseconds kInstallTimeout{180000};

struct SilentRun {
    std::optional<uint32_t> exit_code;
    // The captions of every window that was seen while the program ran.
    std::vector<std::string> windows_seen;
};

std::string Lower(std::string text) {
    for (char& character : text) character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    return text;
}

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
    // The record names the library where it really is (SysWOW64 for this 32-bit program).
    const std::string real_library = Lower(RealSystemDirectory() + "\\VE4.DLL");
    EXPECT_NE(Lower(record).find(" replaced at the next restart: " + real_library + " (in use; the new copy waits as " +
                                 real_library + ".~vi"),
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

// Silence as deployment tools and habits write it, each into a base product of its own; the
// record carries the machine it ran on.
TEST(SilentForms, EveryFormOfSilenceInstallsWithoutAWindow) {
    const std::string base = "C:\\Program Files (x86)\\VE4 ";
    struct Case {
        std::string destination;
        std::string arguments;
    };
    const Case cases[] = {
        // What Windows PowerShell writes for "/D=$dir" when $dir ends in a backslash.
        {base + "Quoted", "\"/D=" + base + "Quoted\\\" /S /LOG=C:\\setup\\forms.log"},
        {base + "Dash", "-S /D=" + base + "Dash /LOG=C:\\setup\\forms.log"},
        {base + "Very", "/VERYSILENT /SUPPRESSMSGBOXES /NORESTART /D=" + base + "Very /LOG=C:\\setup\\forms.log"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.arguments);
        ASSERT_TRUE(FileExists(test.destination + "\\VE4Ext22.exe")) << "the scenario did not lay out the base product";
        const SilentRun run = RunSilently(test.arguments);
        EXPECT_TRUE(run.windows_seen.empty()) << run.windows_seen.front();
        ASSERT_TRUE(run.exit_code.has_value());
        EXPECT_EQ(*run.exit_code, 0u);
        EXPECT_TRUE(FileExists(test.destination + "\\UNINST\\virovari2_1_0.log"));
    }
    const std::string record = ReadWholeFile("C:\\setup\\forms.log").value_or("<no record>");
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    ASSERT_TRUE(GetComputerNameA(name, &size));
    const size_t machine = record.find("] Machine: Windows ");
    ASSERT_NE(machine, std::string::npos) << record;
    const std::string line = record.substr(machine, record.find("\r\n", machine) - machine);
    EXPECT_NE(line.find(" build "), std::string::npos) << line;
    EXPECT_NE(line.find(", x64, named " + std::string(name)), std::string::npos) << line;
}

// A main window left open holds nothing: a silent run beside it installs.
TEST(SilentForms, AnIdleWindowDoesNotHoldASilentRunBack) {
    const std::string destination = "C:\\Program Files (x86)\\VE4 Idle";
    Session idle;
    ASSERT_TRUE(idle.WaitForWindow("VI4zodAVI2 Install")) << idle.OpenWindows();
    const SilentRun run = RunSilently("/S /D=" + destination + " /LOG=C:\\setup\\idle.log");
    ASSERT_TRUE(run.exit_code.has_value());
    EXPECT_EQ(*run.exit_code, 0u) << ReadWholeFile("C:\\setup\\idle.log").value_or("<no record>");
    EXPECT_TRUE(FileExists(destination + "\\UNINST\\virovari2_1_0.log"));
    EXPECT_TRUE(idle.Program().Running());
}

// The scenario makes C:\logs a link (on the Linux side) to C:\elsewhere, which holds a file of
// its own: a record asked for through the link is refused, and nothing there changes.
TEST(SilentForms, ARecordBehindALinkIsRefused) {
    const std::optional<std::string> before = ReadWholeFile("C:\\elsewhere\\run.log");
    ASSERT_TRUE(before.has_value()) << "the scenario did not make the link";
    for (const char* record : {"C:\\logs\\run.log", "C:\\logs\\new.log"}) {
        SCOPED_TRACE(record);
        const SilentRun run = RunSilently(std::string("/S /LOG=") + record + " /D=C:\\Program Files (x86)\\VE4");
        ASSERT_TRUE(run.exit_code.has_value());
        EXPECT_EQ(*run.exit_code, 7u);
    }
    EXPECT_EQ(ReadWholeFile("C:\\elsewhere\\run.log"), before);
    EXPECT_FALSE(FileExists("C:\\elsewhere\\new.log"));
}

}  // namespace
