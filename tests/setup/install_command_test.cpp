// The Install command: every refusal leaves the main window as it was, and a destination
// that passes every check is handed to the engine's window.

#ifndef _WIN32

#include <unistd.h>

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "locale/language_window.h"
#include "platform/code_page.h"
#include "setup/install_dir_macro.h"
#include "engine/install_window.h"
#include "setup_scenario.h"
#include "support/payload_archive.h"

namespace setup_test {
namespace {

using platform::DialogResult;
using platform::MessageKind;
using platform::PosixMachine;

constexpr const char kDestination[] = "C:\\Program Files (x86)\\VE4";

class InstallCommand : public SetupScenario {
protected:
    InstallCommand() { MakeBaseProduct(kDestination); }

    void SetDate(const std::string& path, int year, int month, int day) {
        platform::FileTime time;
        ASSERT_TRUE(platform::LocalDateTimeToFileTime({year, month, day, 12, 0, 0}, time));
        ASSERT_TRUE(platform::Files().SetLastWriteTime(path, time));
    }

    // Expects the engine's window next and checks how it was handed over.
    void ExpectEngine() {
        ui::testing::ExpectModal<RecordingInstallWindow>([](RecordingInstallWindow& engine) {
            engine.SetModalResult(ui::ModalResult::Ok);
        });
    }
};

TEST_F(InstallCommand, AGoodDestinationIsHandedToTheEngineBelowTheMainWindow) {
    setup::TInstF1& window = Start();
    window.Show();
    bool shown = false;
    ui::testing::ExpectModal<RecordingInstallWindow>([&](RecordingInstallWindow& engine) {
        shown = true;
        EXPECT_EQ(engine.status, "DE roz OZE-2 Install: data reading...");
        EXPECT_EQ(engine.Left(), window.Left());
        EXPECT_EQ(engine.Top(), window.Top() + window.Height());
        EXPECT_EQ(engine.Width(), window.Width());
        EXPECT_EQ(engine.ProgressBar1.Left(), 5);
        EXPECT_EQ(engine.ProgressBar1.Width(), engine.Width() - 10);
        engine.SetModalResult(ui::ModalResult::Ok);
    });
    ui::testing::Click(window.Button4);
    EXPECT_TRUE(shown);
    EXPECT_EQ(Description().InstallDir, kDestination);
    EXPECT_TRUE(Description().ExcludedDirList.empty());
    // The write test leaves nothing behind.
    EXPECT_FALSE(platform::Files().FileExists(std::string(kDestination) + "\\$$tfile$.tmp"));
}

// The destination is settled in its one form before anything uses it; a form that cannot
// be a local folder, or a drive's root, is refused before any other check.
TEST_F(InstallCommand, TheDestinationIsSettledInOneFormOrRefused) {
    setup::TInstF1& window = Start();
    window.Edit1.SetText(std::string("c:\\Program Files (x86)\\.\\VE4\\\\"));
    ExpectEngine();
    ui::testing::Click(window.Button4);
    EXPECT_EQ(Description().InstallDir, kDestination);

    // A drive's root is a full path but never a destination.
    Description().InstallDir = "untouched";
    window.Edit1.SetText("C:\\");
    ui::testing::ExpectMessage([&](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.text, "The \"C:\\\" directory cannot be used: give the full path of a directory on a local drive. "
                            "Choose other directory.");
        return DialogResult::Ok;
    });
    ui::testing::Click(window.Button4);
    EXPECT_EQ(Description().InstallDir, "untouched");
}

// An unfinished earlier installation is put right at start-up for the default destination
// and again at Install; one whose record cannot be read refuses the destination.
TEST_F(InstallCommand, AnUnfinishedRunIsRecoveredOrItsDestinationRefused) {
    setup::TInstF1& window = Start();
    EXPECT_EQ(Engine()->recovered, std::vector<std::string>{kDestination});
    Engine()->unfinished = setup::InstallWindow::Unfinished::Unrecoverable;
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.kind, MessageKind::Error);
        EXPECT_EQ(box.text, std::string("An earlier installation into the \"") + kDestination +
                                "\" directory did not finish, and its changes cannot be undone (the record of changes \"" +
                                kDestination +
                                "\\journal\" is kept). The directory is left as it is.\r\nCheck the directory, then delete that "
                                "record and start the installation again.");
        return DialogResult::Ok;
    });
    ui::testing::Click(window.Button4);
    EXPECT_EQ(Engine()->recovered.size(), 2u);
    EXPECT_EQ(ui::testing::ShownMessages().size(), 1u);  // no engine, no further check

    // A recovery that left files which are no longer the run's lists them, and Install goes on.
    Engine()->unfinished = setup::InstallWindow::Unfinished::Recovered;
    Engine()->left = {"C:\\VE4\\x.dll", "C:\\VE4\\x.dll.~viabc1234-1"};
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.kind, MessageKind::Information);
        EXPECT_NE(box.text.find(":\r\n\"C:\\VE4\\x.dll\", \"C:\\VE4\\x.dll.~viabc1234-1\"."), std::string::npos)
            << box.text;
        return DialogResult::Ok;
    });
    ExpectEngine();
    ui::testing::Click(window.Button4);
}

TEST_F(InstallCommand, AnEmptyDestinationIsRefusedBeforeAnyCheck) {
    setup::TInstF1& window = Start();
    Description().InstallDir = "untouched";
    for (const char* text : {"", "   "}) {
        window.Edit1.SetText(text);
        ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
            EXPECT_EQ(box.kind, MessageKind::Error);
            EXPECT_EQ(box.text, "The destination directory is not specified. Choose a directory.");
            return DialogResult::Ok;
        });
        ui::testing::Click(window.Button4);
    }
    EXPECT_EQ(Description().InstallDir, "untouched");
}

TEST_F(InstallCommand, AMissingRequiredFileIsReportedWithoutCreatingTheDestination) {
    setup::TInstF1& window = Start();
    window.Edit1.SetText("D:\\Nowhere");
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.kind, MessageKind::Error);
        EXPECT_EQ(box.text, "You need previously install the basic variant of Quillmark of version 4.22 or higher in the "
                            "specified directory.");
        return DialogResult::Ok;
    });
    ui::testing::Click(window.Button4);
    EXPECT_EQ(Description().InstallDir, "D:\\Nowhere");

    ASSERT_TRUE(platform::Files().DeleteFile(std::string(kDestination) + "\\VE4Ext22.exe"));
    window.Edit1.SetText(kDestination);
    ui::testing::AnswerMessage(DialogResult::Ok);
    ui::testing::Click(window.Button4);
    EXPECT_EQ(ui::testing::ShownMessages().size(), 2u);
}

TEST_F(InstallCommand, TheRussianBaseProductMessageNamesTheDestination) {
    PosixMachine::SetSystemLanguageName("Russian");
    locale::InitLanguage();
    ui::testing::ExpectModal<locale::TSelLangForm>([](locale::TSelLangForm& form) {
        ui::testing::ClickRadio(form.RadioButton2);
        ui::testing::Click(form.Button1);
    });
    setup::TInstF1& window = Start();
    ASSERT_TRUE(platform::Files().DeleteFile(std::string(kDestination) + "\\results.dat"));
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        const std::string text = platform::AnsiToUtf8(box.text);
        EXPECT_NE(text.find("В каталоге \"C:\\Program Files (x86)\\VE4\" базовый вариант задачника требуемой версии не найден."),
                  std::string::npos)
            << text;
        EXPECT_EQ(text.find("%InstallDir%"), std::string::npos);
        return DialogResult::Ok;
    });
    ui::testing::Click(window.Button4);
}

TEST_F(InstallCommand, ADestinationWithoutWriteAccessIsRefused) {
    setup::TInstF1& window = Start();
    PosixMachine::MarkUnwritableDirectory(kDestination, true);
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.kind, MessageKind::Error);
        EXPECT_EQ(box.text, "The \"C:\\Program Files (x86)\\VE4\" directory is read-only. Choose other directory.");
        return DialogResult::Ok;
    });
    ui::testing::Click(window.Button4);
    PosixMachine::MarkUnwritableDirectory(kDestination, false);
}

// A link planted at the write test's name (a file link, or one leading to a folder or nowhere)
// is never followed: what it leads to stays as it was, the link stays, and the test takes a
// fresh name and leaves nothing behind.
TEST_F(InstallCommand, TheWriteTestNeverFollowsALinkAtItsName) {
    MakeDirectory("C:\\windows\\system32\\drivers");
    WriteFile("C:\\windows\\system32\\kernel.dll", "system library");
    const std::string link = PosixMachine::HostPath(kDestination) + "/$$tfile$.tmp";
    setup::TInstF1& window = Start();
    for (const char* target : {"C:\\windows\\system32\\kernel.dll", "C:\\windows\\system32\\drivers", "C:\\nowhere"}) {
        SCOPED_TRACE(target);
        const std::string host_target = PosixMachine::HostPath(target).empty() ? "/nonexistent" : PosixMachine::HostPath(target);
        ASSERT_EQ(::symlink(host_target.c_str(), link.c_str()), 0);
        ExpectEngine();
        ui::testing::Click(window.Button4);
        std::ifstream library(PosixMachine::HostPath("C:\\windows\\system32\\kernel.dll"));
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(library), {}), "system library");
        EXPECT_TRUE(platform::Files().DirectoryExists("C:\\windows\\system32\\drivers"));
        std::vector<std::string> left;
        for (const platform::DirectoryEntry& entry : platform::Files().ListDirectory(kDestination)) {
            if (entry.name.rfind("$$tfile$", 0) == 0) left.push_back(entry.name);
        }
        EXPECT_EQ(left, std::vector<std::string>{"$$tfile$.tmp"});
        ASSERT_EQ(::unlink(link.c_str()), 0);
    }
}

TEST_F(InstallCommand, WithoutRequiredFilesAMissingDestinationIsCreated) {
    setup::TInstF1& window = Start();
    Description().RequiredFileCount = 0;
    window.Edit1.SetText("C:\\New\\Deep\\Dir");
    ExpectEngine();
    ui::testing::Click(window.Button4);
    EXPECT_TRUE(platform::Files().DirectoryExists("C:\\New\\Deep\\Dir"));
}

TEST_F(InstallCommand, ADestinationThatCannotBeCreatedIsRefused) {
    setup::TInstF1& window = Start();
    Description().RequiredFileCount = 0;
    MakeDirectory("C:\\Locked");
    PosixMachine::MarkUnwritableDirectory("C:\\Locked", true);
    window.Edit1.SetText("C:\\Locked\\Sub");
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.text, "Could not create the \"C:\\Locked\\Sub\" directory. Choose other directory.");
        return DialogResult::Ok;
    });
    ui::testing::Click(window.Button4);
    PosixMachine::MarkUnwritableDirectory("C:\\Locked", false);
}

TEST_F(InstallCommand, AnOldBaseLibraryAsksBeforeItIsReplaced) {
    MakeDirectory("C:\\windows\\system32");
    WriteFile("C:\\windows\\system32\\ve4.dll", "old");
    SetDate("C:\\windows\\system32\\ve4.dll", 2005, 12, 31);
    setup::TInstF1& window = Start();

    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.kind, MessageKind::Warning);
        EXPECT_EQ(box.buttons, (std::vector<DialogResult>{DialogResult::Yes, DialogResult::No}));
        EXPECT_EQ(box.text.rfind("The old versions of some Quillmark components", 0), 0u);
        return DialogResult::No;
    });
    ui::testing::Click(window.Button4);

    ui::testing::AnswerMessage(DialogResult::Yes);
    ExpectEngine();
    ui::testing::Click(window.Button4);

    // One from 2006 passes without a question.
    SetDate("C:\\windows\\system32\\ve4.dll", 2006, 1, 1);
    ExpectEngine();
    ui::testing::Click(window.Button4);
}

TEST_F(InstallCommand, AnExistingPreviousVersionIsRefused) {
    setup::TInstF1& window = Start();
    MakeDirectory("C:\\Old");
    Description().PrevVersionDir = "C:\\Old";
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.kind, MessageKind::Warning);
        EXPECT_EQ(box.text.rfind("Before installing Quillmark 4", 0), 0u);
        return DialogResult::Ok;
    });
    ui::testing::Click(window.Button4);
}

TEST_F(InstallCommand, OptionExclusionsBecomeUpperCaseExcludedDirectories) {
    WriteFile("C:\\setup\\VIrovARI2.ini", "[ExcludeDir]\r\n1=samples\r\n2=Lib\r\n");
    setup::TInstF1& window = Start();
    ExpectEngine();
    ui::testing::Click(window.Button4);
    EXPECT_EQ(Description().ExcludedDirList, (std::vector<std::string>{"SAMPLES", "LIB"}));
}

class EnvironmentChoice : public InstallCommand {
protected:
    // Start-up with the first three environments on offer.
    setup::TInstF1& StartWithEnvironments() {
        setup::TInstF1& window = Start();
        Description().EnvCount = 3;
        window.FillEnvironmentChooser();
        return window;
    }
};

TEST_F(EnvironmentChoice, TheChooserIsFilledAndExclusionsStartUnticked) {
    WriteFile("C:\\setup\\VIrovARI2.ini", "[ExcludeDir]\r\n1=delphi7\r\n2=SAMPLES\r\n");
    setup::TInstF1& window = StartWithEnvironments();
    const windows::TInstF4& chooser = *window.InstF4;
    EXPECT_EQ(chooser.Caption(), "Environments");
    EXPECT_EQ(chooser.Button2.Caption(), "Cancel");
    EXPECT_EQ(chooser.ClientHeight(), chooser.Panel1.Height() + chooser.StaticText1.Height() + 185);
    EXPECT_EQ(chooser.CheckListBox1.Items().Items(),
              (std::vector<std::string>{"Borland Delphi 7", "Borland Delphi 2006", "Free Pascal Lazarus 1"}));
    EXPECT_FALSE(chooser.CheckListBox1.Checked(0));
    EXPECT_TRUE(chooser.CheckListBox1.Checked(1));
    EXPECT_TRUE(chooser.CheckListBox1.Checked(2));
}

TEST_F(EnvironmentChoice, TickingAnExcludedEnvironmentInstallsItAfterAll) {
    WriteFile("C:\\setup\\VIrovARI2.ini", "[ExcludeDir]\r\n1=DELPHI7\r\n2=samples\r\n");
    setup::TInstF1& window = StartWithEnvironments();
    ui::testing::ExpectModal<windows::TInstF4>([](windows::TInstF4& chooser) {
        EXPECT_EQ(chooser.ActiveControl(), &chooser.CheckListBox1);
        ui::testing::ToggleCheck(chooser.CheckListBox1, 0);
        ui::testing::ToggleCheck(chooser.CheckListBox1, 2);
        ui::testing::Click(chooser.Button1);
    });
    ExpectEngine();
    ui::testing::Click(window.Button4);
    EXPECT_EQ(Description().ExcludedDirList, (std::vector<std::string>{"LAZARUS1", "SAMPLES"}));
}

TEST_F(EnvironmentChoice, CancelStopsAndTheMarksStayForTheNextTry) {
    setup::TInstF1& window = StartWithEnvironments();
    ui::testing::ExpectModal<windows::TInstF4>([](windows::TInstF4& chooser) {
        ui::testing::ToggleCheck(chooser.CheckListBox1, 1);
        ui::testing::PressKey(chooser, ui::keys::kEscape);
    });
    ui::testing::Click(window.Button4);
    ui::testing::ExpectModal<windows::TInstF4>([](windows::TInstF4& chooser) {
        EXPECT_FALSE(chooser.CheckListBox1.Checked(1));
        ui::testing::CloseBox(chooser);
    });
    ui::testing::Click(window.Button4);
    EXPECT_TRUE(Description().ExcludedDirList.empty());
}

TEST_F(EnvironmentChoice, WithoutTheDialogTheStartUpMarksDecide) {
    WriteFile("C:\\setup\\VIrovARI2.ini", "[Main]\r\nSelectDialog=0\r\n[ExcludeDir]\r\n1=Delphi10\r\n");
    setup::TInstF1& window = StartWithEnvironments();
    ExpectEngine();
    ui::testing::Click(window.Button4);
    EXPECT_EQ(Description().ExcludedDirList, (std::vector<std::string>{"DELPHI10"}));
}

TEST_F(EnvironmentChoice, AllowingNoneKeepsOkEnabledAndExcludesEverything) {
    setup::TInstF1& window = Start();
    Description().EnvCount = 2;
    Description().EnvAllowNone = true;
    window.FillEnvironmentChooser();
    ui::testing::ExpectModal<windows::TInstF4>([](windows::TInstF4& chooser) {
        ui::testing::ToggleCheck(chooser.CheckListBox1, 0);
        ui::testing::ToggleCheck(chooser.CheckListBox1, 1);
        EXPECT_TRUE(chooser.Button1.Enabled());
        ui::testing::Click(chooser.Button1);
    });
    ExpectEngine();
    ui::testing::Click(window.Button4);
    EXPECT_EQ(Description().ExcludedDirList, (std::vector<std::string>{"DELPHI7", "DELPHI10"}));
}

// The machine's file system, except that the process dies just after the file at the path
// given is set aside (moved away from its place).
class DyingAfterSettingAside : public test_support::ForwardingFileSystem {
public:
    DyingAfterSettingAside(platform::FileSystem& real, std::string path)
        : ForwardingFileSystem(real), path_(std::move(path)) {}
    bool MoveFile(const std::string& from, const std::string& to) override {
        const bool moved = real_.MoveFile(from, to);
        if (moved && from == path_) std::_Exit(PosixMachine::kStoppedAtChange);
        return moved;
    }

private:
    std::string path_;
};

// A run into a destination given with a doubled backslash, stopped with the system library set
// aside, is undone at the next start instead of refusing every start after it.
TEST_F(InstallCommand, ARunIntoADestinationGivenWithADoubledBackslashIsRecoveredAfterAStop) {
    test_support::MakePayloadArchive(machine_.HostRoot(), "C:\\setup\\VIrovARI2.dat",
                                     {{"VIrovARI2/readme.txt", "readme"}, {"SYSTEM/VE4.DLL", "new core"}});
    const std::string library = "C:\\windows\\system32\\VE4.DLL";
    MakeDirectory("C:\\windows\\system32");
    MakeDirectory(platform::Machine().SpecialFolderPath(platform::SpecialFolder::Programs));
    WriteFile(library, "old core");
    const auto run = [&] {
        PosixMachine::SetCommandLine("C:\\setup\\VIrovARI2.exe", std::string(" /S /D=") + kDestination + "\\\\");
        locale::InitLanguage();
        Start(&engine::CreateInstallWindow);
        ui::Application::Instance().Run();
        return ui::Application::Instance().ProgramExitCode();
    };
    const int stopped = PosixMachine::RunInChildProcess([&] {
        DyingAfterSettingAside files(platform::Files(), library);
        platform::Services services;
        services.files = &files;
        platform::ScopedServices scope(services);
        run();
    });
    ASSERT_EQ(stopped, PosixMachine::kStoppedAtChange);
    ASSERT_FALSE(platform::Files().FileExists(library));
    EXPECT_EQ(run(), platform::ExitCode::Installed);
    EXPECT_TRUE(platform::Files().FileExists(std::string(kDestination) + "\\VIrovARI2\\readme.txt"));
}

TEST(ExpandInstallDir, ReplacesEveryMacroInAnyCase) {
    EXPECT_EQ(setup::ExpandInstallDir("%InstallDir%\\a;%INSTALLDIR%\\b", "C:\\P"), "C:\\P\\a;C:\\P\\b");
    EXPECT_EQ(setup::ExpandInstallDir("%installdir%", "D:"), "D:");
    EXPECT_EQ(setup::ExpandInstallDir("no macro", "D:"), "no macro");
}

TEST(ExpandInstallDir, ADestinationHoldingTheMacroIsInsertedOnceAndTheReplacementEnds) {
    EXPECT_EQ(setup::ExpandInstallDir("%InstallDir%\\x", "C:\\%INSTALLDIR%"), "C:\\%INSTALLDIR%\\x");
    EXPECT_EQ(setup::ExpandInstallDir("%InstallDir%%InstallDir%", "%InstallDir%"), "%InstallDir%%InstallDir%");
}

}  // namespace
}  // namespace setup_test

#endif  // _WIN32
