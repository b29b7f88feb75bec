// Unattended runs: the command-line switches, the silent answers to every box, and silent
// installations that reach the engine without a window, or end with the code of a refusal;
// the run's record in both modes.

#ifndef _WIN32

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "setup/command_switches.h"
#include "setup/recording_dialogs.h"
#include "setup_scenario.h"

namespace setup_test {
namespace {

using platform::DialogResult;
using platform::ExitCode;
using platform::MessageKind;
using platform::PosixMachine;

constexpr const char kLog[] = "C:\\setup\\run.log";

std::string ReadLog() {
    auto file = platform::Files().OpenFile(kLog, platform::OpenMode::Read);
    if (file == nullptr) return "<no log>";
    std::string text(static_cast<size_t>(file->Size()), '\0');
    file->Read(text.data(), static_cast<int64_t>(text.size()));
    return text;
}

bool LogHas(const std::string& line) { return ReadLog().find(line + "\r\n") != std::string::npos; }

TEST(CommandSwitches, ReadBesideTheLanguageArgument) {
    struct Case {
        std::vector<std::string> arguments;
        bool silent;
        bool help;
        std::string destination;  // "-" for none
        std::string log_file;
    };
    const Case cases[] = {
        {{"/S", "-lru"}, true, false, "-", ""},
        {{"/s", "/LOG=C:\\a b.log"}, true, false, "-", "C:\\a b.log"},
        {{"/?"}, false, true, "-", ""},
        {{"/X", "-len", "/Silent"}, false, false, "-", ""},
        // A quoted path is one item; an unquoted one is the rest of the line.
        {{"/D=C:\\Program Files\\VE4"}, false, false, "C:\\Program Files\\VE4", ""},
        {{"/S", "/d=C:\\Program", "Files\\VE4"}, true, false, "C:\\Program Files\\VE4", ""},
        // /D= is the last switch: what follows belongs to the path.
        {{"/D=C:\\VE4", "/S"}, false, false, "C:\\VE4 /S", ""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.arguments.front());
        const setup::CommandSwitches switches = setup::ParseCommandSwitches(test.arguments);
        EXPECT_EQ(switches.silent, test.silent);
        EXPECT_EQ(switches.help, test.help);
        EXPECT_EQ(switches.destination_given ? switches.destination : "-", test.destination);
        EXPECT_EQ(switches.log_file, test.log_file);
    }
}

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
              "Warning: in use\r\nAnswer: Next\r\n"
              "Warning: old components\r\nAnswer: No\r\n"
              "Warning: refused\r\n");
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
    EXPECT_EQ(ReadLog().rfind("Start: C:\\setup\\VIrovARI2.exe /S /LOG=", 0), 0u) << ReadLog();
}

TEST_F(UnattendedRun, SilentRefusalsEndWithTheirCodeAndTheirTextsInTheRecord) {
    // A destination without the base product.
    Run({"/S", "-len", std::string("/LOG=") + kLog, "/D=C:\\Empty"});
    EXPECT_FALSE(Engine()->ran_hidden);
    EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), ExitCode::Refused);
    EXPECT_TRUE(ui::testing::ShownMessages().empty());
    EXPECT_TRUE(LogHas("Error: You need previously install the basic variant of Quillmark of version 4.22 or higher "
                       "in the specified directory."))
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
    EXPECT_NE(ReadLog().find("\r\nError: An earlier installation into the \"" + std::string(kDestination) +
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

TEST_F(AnotherInstallation, HoldingTheLockEndsASilentRunWith1618) {
    const std::unique_ptr<platform::MachineLock> other_copy = platform::Machine().TakeMachineLock("VIrovARI2.Install");
    ASSERT_NE(other_copy, nullptr);
    RunAndExpect1618();
}

TEST_F(AnotherInstallation, AJournalInUseEndsASilentRunWith1618) {
    unfinished_ = setup::InstallWindow::Unfinished::InUse;
    RunAndExpect1618();
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

TEST_F(UnattendedRun, SilentOldComponentsQuestionIsAnsweredNo) {
    MakeDirectory("C:\\windows\\system32");
    WriteFile("C:\\windows\\system32\\ve4.dll", "old");
    platform::FileTime time;
    ASSERT_TRUE(platform::LocalDateTimeToFileTime({2005, 6, 1, 12, 0, 0}, time));
    ASSERT_TRUE(platform::Files().SetLastWriteTime("C:\\windows\\system32\\ve4.dll", time));
    Run({"/S", std::string("/LOG=") + kLog, std::string("/D=") + kDestination});
    EXPECT_FALSE(Engine()->ran_hidden);
    EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), ExitCode::Refused);
    EXPECT_TRUE(LogHas("Answer: No")) << ReadLog();
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
