// Unattended runs: the command-line switches, the silent answers to every box, and silent
// installations that reach the engine without a window, or end with the code of a refusal;
// the run's record in both modes.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <unistd.h>

#include <optional>
#include <regex>

#include "platform/code_page.h"
#include "setup/command_switches.h"
#include "setup/recording_dialogs.h"
#include "engine/install_window.h"
#include "setup_scenario.h"
#include "support/payload_archive.h"
#include "support/record_text.h"

namespace setup_test {
namespace {

using platform::DialogResult;
using platform::ExitCode;
using platform::MessageKind;
using platform::PosixMachine;

constexpr const char kLog[] = "C:\\setup\\run.log";

std::string ReadRawLog(const std::string& path = kLog) {
    auto file = platform::Files().OpenFile(path, platform::OpenMode::Read);
    if (file == nullptr) return "<no log>";
    std::string text(static_cast<size_t>(file->Size()), '\0');
    file->Read(text.data(), static_cast<int64_t>(text.size()));
    return text;
}

// The record with its time stamps masked.
std::string ReadLog() { return test_support::MaskedRecord(ReadRawLog()); }

bool LogHas(const std::string& line) { return ReadLog().find("<time> " + line + "\r\n") != std::string::npos; }

TEST(RecordingDialogs, SilentAnswersAndTheirRecord) {
    platform::ScopedMachineRoot machine;
    platform::Files().ForceDirectories("C:\\setup");
    setup::SetupLog log(kLog);
    int waited = 0;
    setup::RecordingDialogs dialogs(nullptr, log, [&](int milliseconds) { waited += milliseconds; });
    const auto ask = [&](const std::string& text, unsigned buttons, DialogResult default_button) {
        return dialogs.ShowMessage(text, MessageKind::Warning, buttons, default_button, {});
    };

    // A file in use: Repeat once a second for 30 seconds, then Next.
    const unsigned retry = platform::buttons::kRetry | platform::buttons::kIgnore;
    int repeats = 0;
    while (ask("in use", retry, DialogResult::Retry) == DialogResult::Retry && repeats < 100) ++repeats;
    EXPECT_EQ(repeats, 30);
    EXPECT_EQ(waited, 30000);
    // The old-components question: No. Anything else: its default button.
    EXPECT_EQ(ask("old components", platform::buttons::kYesNo, DialogResult::Yes), DialogResult::No);
    EXPECT_EQ(ask("refused", platform::buttons::kOk, DialogResult::Ok), DialogResult::Ok);
    std::string directory = "C:\\";
    EXPECT_FALSE(dialogs.SelectDirectory(directory, true));

    EXPECT_EQ(ReadLog(),
              "<time> Warning: in use\r\n<time> Answer: Next\r\n"
              "<time> Warning: old components\r\n<time> Answer: No\r\n"
              "<time> Warning: refused\r\n");
}

// Every file in use gets its own 30 seconds of retries, and the whole run at most 5 minutes.
TEST(RecordingDialogs, SilentRetriesHaveABudgetForTheWholeRun) {
    platform::ScopedMachineRoot machine;
    setup::SetupLog log("");
    int waited = 0;
    setup::RecordingDialogs dialogs(nullptr, log, [&](int milliseconds) { waited += milliseconds; });
    const unsigned retry = platform::buttons::kRetry | platform::buttons::kIgnore;
    std::vector<int> repeats;
    for (int file = 1; file <= 11; ++file) {
        repeats.push_back(0);
        while (dialogs.ShowMessage("in use " + std::to_string(file), MessageKind::Warning, retry, DialogResult::Retry,
                                   {}) == DialogResult::Retry &&
               repeats.back() < 100) {
            ++repeats.back();
        }
    }
    EXPECT_EQ(repeats, (std::vector<int>{30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 0}));
    EXPECT_EQ(waited, 300000);
}

class UnattendedRun : public SetupScenario {
protected:
    static constexpr const char* kDestination = "C:\\Program Files (x86)\\VE4 Copy";

    UnattendedRun() { MakeBaseProduct(kDestination); }

    // Starts the program with the arguments and runs the application as the entry does.
    setup::TInstF1& Run(const std::vector<std::string>& arguments) {
        PosixMachine::SetProgram("C:\\setup\\VIrovARI2.exe", arguments);
        locale::InitLanguage();
        setup::TInstF1& window = Start();
        ui::Application::Instance().Run();
        window.RecordOutcome(ui::Application::Instance().ProgramExitCode());
        return window;
    }
};

// The switches as the program reads them, in one line for the table below.
std::string Settings(const setup::CommandSwitches& switches) {
    std::string text = switches.silent ? "silent" : "";
    const auto add = [&](const std::string& item) { text += (text.empty() ? "" : " ") + item; };
    if (switches.destination_given) add("D=" + switches.destination);
    if (switches.log_given) add("LOG=" + switches.log_file);
    if (switches.current_user) add("currentuser");
    if (switches.accept_old) add("acceptold");
    if (switches.help) add("help");
    if (!switches.unknown_switch.empty()) add("unknown=" + switches.unknown_switch);
    for (const std::string& word : switches.ignored) add("ignored=" + word);
    return text;
}

// Raw command lines as deployment tools and habits write them, against the settings the
// program reads from them and how the run ends: "engine" (the installation starts with no
// window), "window" (the main window waits for a user), or the exit code. No line with a
// form of silence on it shows anything.
TEST_F(UnattendedRun, CommandLinesAndTheirOutcomes) {
    const std::string copy = kDestination;
    MakeDirectory("C:\\my logs");
    struct Case {
        std::string command_line;
        std::string settings;
        std::string outcome;
    };
    const Case cases[] = {
        // What Windows PowerShell writes for "/D=$dir" when $dir ends in a backslash.
        {" \"/D=" + copy + "\\\" /S /LOG=C:\\setup\\run.log", "silent D=" + copy + "\\ LOG=C:\\setup\\run.log", "engine"},
        {" /S /D=\"" + copy + "\\\" /LOG=C:\\setup\\run.log", "silent D=" + copy + "\\ LOG=C:\\setup\\run.log", "engine"},
        {" -S /D=" + copy, "silent D=" + copy, "engine"},
        {" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /D=" + copy, "silent D=" + copy, "engine"},
        {" /quiet /norestart /D=" + copy, "silent D=" + copy, "engine"},
        {" /QN /Silent -q -Silent -VERYSILENT -qn /D=" + copy, "silent D=" + copy, "engine"},
        // An unquoted value ends before a whole "-" word that is a switch, and only there.
        {" /D=" + copy + " -q -len", "silent D=" + copy, "engine"},
        {" /D=C:\\My -quick VE4 -len /Q", "silent D=C:\\My -quick VE4", "6"},
        {" /S /CURRENTUSER /ACCEPTOLD /D=" + copy, "silent D=" + copy + " currentuser acceptold", "engine"},
        {" /S install now -x \"\" /D=" + copy, "silent D=" + copy + " ignored=install ignored=now ignored=-x ignored=\"\"",
         "engine"},
        {" /S /LOG=C:\\my logs\\run.log /D=" + copy, "silent D=" + copy + " LOG=C:\\my logs\\run.log", "engine"},
        // The value starts right after "=": a blank there leaves it empty.
        {" /S /LOG= C:\\setup\\run.log /D=" + copy, "silent D=" + copy + " LOG= ignored=C:\\setup\\run.log", "7"},
        {" /S /D=" + copy + " /Quietly", "silent D=" + copy + " unknown=/Quietly", "1639"},
        {" /Quietly /S", "silent unknown=/Quietly", "1639"},
        {" /S /?", "silent help", "2"},
        {" /D=" + copy + " -len", "D=" + copy, "window"},
        {" -x /CURRENTUSER", "currentuser ignored=-x", "window"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.command_line);
        const setup::CommandSwitches switches = setup::ParseCommandSwitches(test.command_line);
        EXPECT_EQ(Settings(switches), test.settings);

        ui::testing::Session session;
        Description() = setup::TSetupDescription{};
        PosixMachine::SetCommandLine("C:\\setup\\VIrovARI2.exe", test.command_line);
        locale::InitLanguage();
        setup::TInstF1& window = Start();
        ui::Application::Instance().Run();
        window.RecordOutcome(ui::Application::Instance().ProgramExitCode());
        std::string outcome;
        if (Engine() != nullptr && Engine()->ran_hidden) {
            outcome = "engine";
        } else if (!ui::Application::Instance().Terminated()) {
            outcome = "window";
        } else {
            outcome = std::to_string(static_cast<int>(ui::Application::Instance().ProgramExitCode()));
        }
        EXPECT_EQ(outcome, test.outcome) << ReadLog();
        if (switches.silent) {
            EXPECT_TRUE(ui::testing::ShownMessages().empty());
            EXPECT_TRUE(ui::testing::VisibleForms().empty());
        }
        EXPECT_EQ(session.Problems(), "");
    }
}

TEST_F(UnattendedRun, SilentInstallationReachesTheEngineWithoutAWindow) {
    // A Russian system: the language comes from the system, with no language window.
    PosixMachine::SetSystemLanguageName("Russian");
    PosixMachine::SetUiLanguage(platform::kLanguageIdRussian);
    WriteFile("C:\\setup\\VIrovARI2.ini", "[Main]\r\nInstallDir=C:\\Elsewhere\r\n");
    Run({"/S", std::string("/LOG=") + kLog, "/D=C:\\Program", "Files", "(x86)\\VE4", "Copy"});

    ASSERT_NE(Engine(), nullptr);
    EXPECT_TRUE(Engine()->ran_hidden);
    EXPECT_EQ(Description().InstallDir, kDestination);  // /D= beats the options file
    EXPECT_FALSE(Description().OptRun);                 // no set-up utility afterwards
    EXPECT_TRUE(ui::testing::VisibleForms().empty());
    EXPECT_TRUE(ui::testing::ShownMessages().empty());
    EXPECT_TRUE(LogHas("Language: ru"));
    EXPECT_TRUE(LogHas(std::string("Destination: ") + kDestination));
    EXPECT_EQ(ReadLog().rfind("<time> Start: C:\\setup\\VIrovARI2.exe /S /LOG=", 0), 0u) << ReadLog();
}

TEST_F(UnattendedRun, SilentRefusalsEndWithTheirCodeAndTheirTextsInTheRecord) {
    // A base product that lacks two of its files: the record names the destination as checked
    // and each file missing.
    MakeBaseProduct("C:\\Partial");
    ASSERT_TRUE(platform::Files().DeleteFile("C:\\Partial\\VE4Ext22.exe"));
    ASSERT_TRUE(platform::Files().DeleteFile("C:\\Partial\\LIB\\VE4_.txt"));
    Run({"/S", "-len", std::string("/LOG=") + kLog, "/D=C:\\Partial\\"});
    EXPECT_FALSE(Engine()->ran_hidden);
    EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), ExitCode::Refused);
    EXPECT_TRUE(ui::testing::ShownMessages().empty());
    EXPECT_TRUE(LogHas("Error: You need previously install the basic variant of Quillmark of version 4.22 or higher "
                       "in the specified directory."))
        << ReadLog();
    EXPECT_NE(ReadLog().find("<time> Destination: C:\\Partial\r\n<time> Missing: C:\\Partial\\LIB\\VE4_.txt\r\n"
                             "<time> Missing: C:\\Partial\\VE4Ext22.exe\r\n"
                             "<time> Refused: the base product is not complete in C:\\Partial\r\n"),
              std::string::npos)
        << ReadLog();
    EXPECT_TRUE(LogHas("Exit code 6: refused by the Install command's checks")) << ReadLog();
}

// An earlier run that cannot be undone ends a silent run with code 5 and the message recorded;
// nothing is installed over it.
TEST_F(UnattendedRun, SilentRunOverAnUnrecoverableEarlierOneEndsWithCodeFive) {
    unfinished_ = setup::InstallWindow::Unfinished::Unrecoverable;
    Run({"/S", "-len", std::string("/LOG=") + kLog, std::string("/D=") + kDestination});
    EXPECT_FALSE(Engine()->ran_hidden);
    EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), ExitCode::RecoveryFailed);
    EXPECT_NE(ReadLog().find("\r\n<time> Error: An earlier installation into the \"" + std::string(kDestination) +
                             "\" directory did not finish, and its changes cannot be undone"),
              std::string::npos)
        << ReadLog();
    EXPECT_TRUE(LogHas("Exit code 5: an installation, earlier or this one, could not be completely undone")) << ReadLog();
}

// One installation at a time: a silent run started while another copy holds the product's
// lock, or while a record of changes is held open, ends with 1618 and installs nothing.
class AnotherInstallation : public UnattendedRun {
protected:
    void RunAndExpect1618() {
        Run({"/S", "-len", std::string("/LOG=") + kLog, std::string("/D=") + kDestination});
        EXPECT_TRUE(Engine() == nullptr || !Engine()->ran_hidden);
        EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), ExitCode::AnotherInstallRunning);
        EXPECT_TRUE(LogHas("Error: Another installation of DE roz OZE-2 is running. Wait until it ends, then start the "
                           "setup program again."))
            << ReadLog();
        EXPECT_TRUE(LogHas("Exit code 1618: another installation of the product is running")) << ReadLog();
    }
};

// The other copy writes the same record: this run still gets to say who holds the lock.
TEST_F(AnotherInstallation, HoldingTheLockEndsASilentRunWith1618) {
    const std::unique_ptr<platform::MachineLock> other_copy = platform::Machine().TakeMachineLock("VIrovARI2.Install");
    ASSERT_NE(other_copy, nullptr);
    setup::SetupLog other_record(kLog);
    ASSERT_TRUE(other_record.Write("the other copy"));
    RunAndExpect1618();
    EXPECT_TRUE(LogHas("Locked: process " + std::to_string(::getpid()) +
                       " (C:\\setup\\VIrovARI2.exe) holds the installation lock"))
        << ReadLog();
    EXPECT_TRUE(LogHas("the other copy"));
}

TEST_F(AnotherInstallation, AJournalInUseEndsASilentRunWith1618) {
    unfinished_ = setup::InstallWindow::Unfinished::InUse;
    RunAndExpect1618();
}

// The lock is held only while the run may change the machine: not by a window that waits,
// nor after a refusal, and by an installation until the engine reports its changes settled.
TEST_F(UnattendedRun, TheLockIsHeldOnlyWhileTheMachineMayChange) {
    const auto lock_is_free = [] { return platform::Machine().TakeMachineLock("VIrovARI2.Install") != nullptr; };
    std::optional<ui::testing::Session> session;
    Run({"-len", std::string("/D=") + kDestination});
    EXPECT_TRUE(lock_is_free());  // the main window waits
    session.emplace();
    Run({"/S", "-len", "/D=C:\\Empty"});
    EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), ExitCode::Refused);
    EXPECT_TRUE(lock_is_free());
    session.emplace();
    Run({"/S", "-len", std::string("/D=") + kDestination});
    ASSERT_TRUE(Engine()->ran_hidden);
    EXPECT_FALSE(lock_is_free());
    ASSERT_TRUE(Engine()->settled);
    Engine()->settled();
    EXPECT_TRUE(lock_is_free());
}

// A record that cannot be written ends the run at start-up with code 7, before any window
// and any change: silently, or after one error box.
constexpr const char kUnwritableLog[] = "/LOG=C:\\NoSuchFolder\\run.log";

TEST_F(UnattendedRun, AnUnwritableRecordEndsASilentRunWithCodeSeven) {
    Run({"/S", "-len", kUnwritableLog, std::string("/D=") + kDestination});
    EXPECT_EQ(Engine(), nullptr);
    EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), ExitCode::LogUnwritable);
    EXPECT_TRUE(ui::testing::ShownMessages().empty());
}

TEST_F(UnattendedRun, AnUnwritableRecordIsReportedInANormalRun) {
    ui::testing::AnswerMessage(DialogResult::Ok);
    Run({"-len", kUnwritableLog});
    EXPECT_EQ(Engine(), nullptr);
    EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), ExitCode::LogUnwritable);
    ASSERT_EQ(ui::testing::ShownMessages().size(), 1u);
    EXPECT_EQ(ui::testing::ShownMessages()[0].text,
              "Cannot write the record of the run to the file \"C:\\NoSuchFolder\\run.log\". Nothing was installed.");
}

// The old-components question names the library and its date in the record; a silent run
// answers it No, and /ACCEPTOLD answers it Yes without asking.
TEST_F(UnattendedRun, OldComponentsAreNamedAndAcceptedOnlyWhenAskedFor) {
    MakeDirectory("C:\\windows\\system32");
    WriteFile("C:\\windows\\system32\\ve4.dll", "old");
    platform::FileTime time;
    ASSERT_TRUE(platform::LocalDateTimeToFileTime({2005, 6, 1, 12, 0, 0}, time));
    ASSERT_TRUE(platform::Files().SetLastWriteTime("C:\\windows\\system32\\ve4.dll", time));
    for (const bool accept : {false, true}) {
        SCOPED_TRACE(accept ? "/ACCEPTOLD" : "no /ACCEPTOLD");
        ui::testing::Session session;
        Run({"/S", accept ? "/ACCEPTOLD" : "-len", std::string("/LOG=") + kLog, std::string("/D=") + kDestination});
        EXPECT_EQ(Engine()->ran_hidden, accept);
        EXPECT_TRUE(LogHas("Old components: C:\\windows\\system32\\ve4.dll is dated 2005-06-01 12:00:00, on or before "
                           "2005-12-31, the last date of the components older environments need"))
            << ReadLog();
        EXPECT_TRUE(LogHas(accept ? "Old components accepted (/ACCEPTOLD)" : "Answer: No")) << ReadLog();
    }
}

// A run that nobody can see (the services' session, or a window station that is not visible)
// is silent whatever its command line, and the record says why.
TEST_F(UnattendedRun, ARunWithoutAnInteractiveDesktopIsSilent) {
    struct Case {
        platform::DesktopSession desktop;
        std::string reason;
    };
    const Case cases[] = {
        {{0, true}, "session 0, where nobody sees a window"},
        {{2, false}, "its window station is not visible"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.reason);
        ui::testing::Session session;
        PosixMachine::SetDesktop(test.desktop);
        Run({"-len", std::string("/LOG=") + kLog, std::string("/D=") + kDestination});
        EXPECT_TRUE(Engine()->ran_hidden);
        EXPECT_TRUE(ui::testing::VisibleForms().empty());
        EXPECT_TRUE(ui::testing::ShownMessages().empty());
        EXPECT_TRUE(LogHas("Silent: the run has no interactive desktop (" + test.reason + ")")) << ReadLog();
    }
}

// The record is opened once, where its path says and under that one name: a link on the way,
// a link at the name, or a second name of the file ends the run with 7, and the file reached
// through it is left as it was.
TEST_F(UnattendedRun, ARecordReachedThroughALinkIsRefused) {
    const std::string host_c = machine_.HostRoot() + "/c";
    MakeDirectory("C:\\elsewhere");
    WriteFile("C:\\elsewhere\\run.log", "not the record");
    ASSERT_EQ(::symlink((host_c + "/elsewhere").c_str(), (host_c + "/logs").c_str()), 0);
    ASSERT_EQ(::symlink((host_c + "/elsewhere/run.log").c_str(), (host_c + "/setup/linked.log").c_str()), 0);
    ASSERT_EQ(::link((host_c + "/elsewhere/run.log").c_str(), (host_c + "/setup/second-name.log").c_str()), 0);
    for (const std::string record : {"C:\\logs\\run.log", "C:\\logs\\new.log", "C:\\setup\\linked.log",
                                     "C:\\setup\\second-name.log"}) {
        SCOPED_TRACE(record);
        ui::testing::Session session;
        Run({"/S", "-len", "/LOG=" + record, std::string("/D=") + kDestination});
        EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), ExitCode::LogUnwritable);
        EXPECT_EQ(ReadRawLog("C:\\elsewhere\\run.log"), "not the record");
        EXPECT_FALSE(platform::Files().FileExists("C:\\elsewhere\\new.log"));
    }
}

TEST_F(UnattendedRun, NormalModeRecordsTheBoxesItShows) {
    PosixMachine::SetProgram("C:\\setup\\VIrovARI2.exe", {std::string("/LOG=") + kLog, "/D=C:\\Empty"});
    setup::TInstF1& window = Start();
    window.Show();
    ui::testing::AnswerMessage(DialogResult::Ok);
    ui::testing::Click(window.Button4);
    EXPECT_EQ(ui::testing::ShownMessages().size(), 1u);
    EXPECT_TRUE(LogHas("Error: You need previously install the basic variant of Quillmark of version 4.22 or higher "
                       "in the specified directory."))
        << ReadLog();
    EXPECT_TRUE(window.Visible());
}

// The whole record of a silent installation by an administrator, as it reads after the
// run: where the program and the payload came from, who ran it, what each file became, the
// shortcuts for everyone, the final message, the set-up utility left out, and the outcome.
TEST_F(UnattendedRun, TheRecordOfASilentInstallationSaysWhatHappened) {
    test_support::MakePayloadArchive(machine_.HostRoot(), "C:\\setup\\VIrovARI2.dat",
                                     {{"VIrovARI2/readme.txt", "readme"}, {"LIB/VE4_.txt", "new"},
                                      {"SYSTEM/VE4.DLL", "core"}});
    MakeDirectory("C:\\windows\\system32");
    MakeDirectory("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
    WriteFile("C:\\windows\\system32\\zuvudiru.exe", "uninstaller");
    PosixMachine::SetElevated(true);
    PosixMachine::SetCommandLine("C:\\setup\\VIrovARI2.exe",
                                 std::string(" /D=") + kDestination + " /S /LOG=" + kLog + " -len");
    locale::InitLanguage();
    setup::TInstF1& window = Start(&engine::CreateInstallWindow);
    ui::Application::Instance().Run();
    window.RecordOutcome(ui::Application::Instance().ProgramExitCode());

    // UTF-8 with its byte-order mark, written once, when the run created the file.
    const std::string raw = ReadRawLog();
    EXPECT_EQ(raw.rfind("\xEF\xBB\xBF", 0), 0u);
    EXPECT_EQ(raw.find("\xEF\xBB\xBF", 1), std::string::npos);
    std::string record = ReadLog();
    for (const auto& [pattern, mask] : {std::pair<const char*, const char*>{"built \\d{4}-\\d\\d-\\d\\d", "built <date>"},
                                        {"\\d+ bytes, dated [-0-9: ]+", "<size> bytes, dated <date>"},
                                        {"~vi[0-9a-z]+-", "~vi<token>-"}}) {
        record = std::regex_replace(record, std::regex(pattern), mask);
    }
    const std::string destination = kDestination;
    const std::string group = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\DE roz OZE-2";
    EXPECT_EQ(record,
              "<time> Start: C:\\setup\\VIrovARI2.exe /D=" + destination + " /S /LOG=C:\\setup\\run.log -len\r\n"
              "<time> Language: en\r\n"
              "<time> Program: VIrovARI2 Install 1.6, built <date>\r\n"
              "<time> Machine: Windows 10.0 build 19045, x64, named TESTPC\r\n"
              "<time> Payload: C:\\setup\\VIrovARI2.dat, <size> bytes, dated <date>\r\n"
              "<time> User: user, elevated; shortcuts in C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\r\n"
              "<time> The system keeps no owners of files: who owns a folder or journal is not checked, who else may "
              "change it still is.\r\n"
              "<time> Destination: " + destination + "\r\n"
              "<time> Placed: " + destination + "\\VIrovARI2\\readme.txt\r\n"
              "<time> Replaced: " + destination + "\\LIB\\VE4_.txt (the earlier copy set aside as " + destination +
              "\\LIB\\VE4_.txt.~vi<token>-1)\r\n"
              "<time> Placed: C:\\windows\\system32\\VE4.DLL\r\n"
              "<time> Shortcut: " + group + "\\DE roz OZE-2 Readme.lnk\r\n"
              "<time> Shortcut: " + destination + "\\UNINST\\DEredIDO2Zovizuzez.lnk\r\n"
              "<time> Shortcut: " + group + "\\DE roz OZE-2 Uninstall.lnk\r\n"
              "<time> Uninstall log: " + destination + "\\UNINST\\virovari2_1_0.log\r\n"
              "<time> Information: The DE roz OZE-2 system is installed successfully.\r\n"
              "<time> Shortcuts of the DE roz OZE-2 system are placed in the \"DE roz OZE-2\" program group of the "
              "Start Menu.\r\n"
              "<time> Not started: " + destination + "\\ri4razoz.exe: switched off (a silent run, or the options file)\r\n"
              "<time> Exit code 0: installed\r\n");
}

// An unknown switch ends the run before anything changes with code 1639: silently with the
// switch in the record, or after the list of switches.
class UnknownSwitch : public UnattendedRun, public ::testing::WithParamInterface<bool> {};

TEST_P(UnknownSwitch, EndsTheRunWithCode1639BeforeAnythingChanges) {
    const bool silent = GetParam();
    if (!silent) ui::testing::AnswerMessage(DialogResult::Ok);
    PosixMachine::SetCommandLine("C:\\setup\\VIrovARI2.exe",
                                 std::string(silent ? " /S" : "") + " /LOG=" + kLog + " /D=" + kDestination + " /Quietly");
    locale::InitLanguage();
    setup::TInstF1& window = Start();
    ui::Application::Instance().Run();
    window.RecordOutcome(ui::Application::Instance().ProgramExitCode());
    EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), ExitCode::InvalidCommandLine);
    EXPECT_EQ(Engine(), nullptr);
    EXPECT_TRUE(ui::testing::VisibleForms().empty());
    EXPECT_EQ(ui::testing::ShownMessages().size(), silent ? 0u : 1u);
    EXPECT_TRUE(LogHas("Unknown switch: /Quietly")) << ReadLog();
    EXPECT_TRUE(LogHas("Exit code 1639: the command line holds an unknown switch; nothing was changed"));
}

INSTANTIATE_TEST_SUITE_P(SilentAndNormal, UnknownSwitch, ::testing::Bool());

// An elevated run puts the program group and the desktop shortcut into the all-users folders,
// unless /CURRENTUSER keeps the user's own.
TEST_F(UnattendedRun, AnElevatedRunInstallsTheShortcutsForEveryone) {
    struct Case {
        bool elevated;
        const char* switches;
        const char* programs;
        const char* desktop;
    };
    const Case cases[] = {
        {true, "", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs", "C:\\users\\Public\\Desktop"},
        {true, " /CURRENTUSER",
         "C:\\users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs", "C:\\users\\user\\Desktop"},
        {false, "", "C:\\users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
         "C:\\users\\user\\Desktop"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.elevated ? "elevated" : "standard") + test.switches);
        PosixMachine::SetElevated(test.elevated);
        PosixMachine::SetCommandLine("C:\\setup\\VIrovARI2.exe", std::string(" -len") + test.switches);
        locale::InitLanguage();
        Start();
        EXPECT_EQ(Description().ProgramsFolder, test.programs);
        EXPECT_EQ(Description().DesktopFolder, test.desktop);
        EXPECT_EQ(Description().Links[0].Folder.rfind(test.programs, 0), 0u) << Description().Links[0].Folder;
    }
}

TEST_F(UnattendedRun, QuestionMarkListsTheSwitchesInTheInterfaceLanguage) {
    std::string text;
    ui::testing::ExpectMessage([&](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.kind, MessageKind::Information);
        text = box.text;
        return DialogResult::Ok;
    });
    Run({"/?", "-lru"});
    EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), ExitCode::UserExit);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), platform::Utf8ToAnsi("Параметры командной строки:"));
    EXPECT_NE(text.find("/D="), std::string::npos);
}

}  // namespace
}  // namespace setup_test

#endif  // _WIN32
