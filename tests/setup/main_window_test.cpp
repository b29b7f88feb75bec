// The main window's start-up and its commands, on a headless machine.

#ifndef _WIN32

#include "setup/main_window.h"

#include <gtest/gtest.h>

#include "locale/language_window.h"
#include "platform/code_page.h"
#include "platform/ui/directory_dialog.h"
#include "platform/ui/standard_texts.h"
#include "setup/paragraph_text.h"
#include "setup/startup_paths.h"
#include "setup_scenario.h"

namespace setup_test {
namespace {

using platform::DialogResult;
using platform::MessageKind;
using platform::PosixMachine;

std::string Ansi(const char* utf8) { return platform::Utf8ToAnsi(utf8); }

void SetDate(const std::string& path, int year, int month, int day) {
    platform::FileTime time;
    ASSERT_TRUE(platform::LocalDateTimeToFileTime({year, month, day, 12, 0, 0}, time));
    ASSERT_TRUE(platform::Files().SetLastWriteTime(path, time));
}

using MainWindowStartup = SetupScenario;

TEST_F(MainWindowStartup, OnAnEnglishSystemFillsTheDescriptionAndLabelsTheWindowInEnglish) {
    PosixMachine::SetProgram("C:\\setup\\VIrovARI2.exe", {"-lru"});
    locale::InitLanguage();
    SetDate("C:\\setup\\VIrovARI2.dat", 2024, 6, 19);
    setup::TInstF1& window = Start();

    ASSERT_TRUE(window.StartedUp());
    EXPECT_EQ(locale::CurrentLanguage(), "en");
    EXPECT_EQ(Description().OptParams, "-len");
    EXPECT_EQ(Description().SetupDir, "C:\\setup");
    EXPECT_EQ(Description().ArchiveName, "VIrovARI2.dat");
    EXPECT_EQ(Description().ProgramFilesDir, "C:\\Program Files (x86)");
    EXPECT_EQ(Description().SystemDir, "C:\\windows\\system32");
    EXPECT_EQ(Description().InstallCaption, "DE roz OZE-2 Install");
    EXPECT_EQ(window.Caption(), "VI4zodAVI2 Install");
    EXPECT_EQ(ui::Application::Instance().Title(), "VIrovARI2 Install");
    EXPECT_EQ(window.Label1.Caption(), "Quillmark for MPI-2");
    EXPECT_EQ(window.Label2.Caption(), "Quillmark for MPI-2");
    EXPECT_EQ(window.Label6.Caption(), "Version 1.6 (Build 19.06.2024)");
    EXPECT_EQ(window.Edit1.Text(), "C:\\Program Files (x86)\\VE4");
    EXPECT_EQ(window.Button1.Caption(), "Browse...");
    EXPECT_EQ(window.Button2.Caption(), "About DE roz OZE-2");
    EXPECT_EQ(window.Button4.Caption(), "Install");
    EXPECT_EQ(window.Button5.Caption(), "Exit");
    EXPECT_EQ(window.Label1.GetFont().color, ui::Rgb(0, 0, 192));
    EXPECT_EQ(window.Label6.GetFont().color, ui::Rgb(0, 0, 192));
    EXPECT_EQ(window.ClientWidth(), 681);
    EXPECT_EQ(window.ClientHeight(), 267);
    EXPECT_TRUE(window.Button4.Default());
    EXPECT_EQ(window.ActiveControl(), &window.Button4);
    ASSERT_NE(window.InstF2, nullptr);
    ASSERT_NE(window.InstF3, nullptr);
    ASSERT_NE(window.InstF4, nullptr);
}

TEST_F(MainWindowStartup, TheDestinationFieldStartsTwentyPixelsAfterItsPromptAndKeepsItsRightEdge) {
    setup::TInstF1 probe_layout([] { return nullptr; });
    const int designed_right = 330 + 240;
    EXPECT_EQ(probe_layout.Edit1.Left(), probe_layout.Label5.Left() + probe_layout.Label5.Width() + 20);
    EXPECT_EQ(probe_layout.Edit1.Left() + probe_layout.Edit1.Width(), designed_right);
}

TEST_F(MainWindowStartup, OnARussianSystemTheUsersChoiceDecides) {
    PosixMachine::SetSystemLanguageName("Russian");
    PosixMachine::SetUiLanguage(platform::kLanguageIdRussian);
    PosixMachine::SetProgram("C:\\setup\\VIrovARI2.exe", {"-len"});
    locale::InitLanguage();
    ui::testing::ExpectModal([](ui::Form& form) {
        EXPECT_EQ(form.Name(), "SelLangForm");
        ui::testing::PressKey(form, ui::keys::kReturn);
    });
    setup::TInstF1& window = Start();

    EXPECT_EQ(locale::CurrentLanguage(), "ru");
    EXPECT_EQ(Description().OptParams, "-lru");
    EXPECT_EQ(window.Caption(), Ansi("VI4zodAVI2 Install - Программа установки"));
    EXPECT_EQ(window.Button4.Caption(), Ansi("Установка"));
    EXPECT_EQ(window.Button2.Caption(), Ansi("Описание задачника"));
    EXPECT_EQ(Description().InstallCaption, Ansi("Установка DE roz OZE-2"));
    EXPECT_EQ(ui::CurrentStandardTexts().error_caption, Ansi("Ошибка"));
}

TEST_F(MainWindowStartup, TheOptionsFileCannotChooseTheParametersOfThePostInstallProgram) {
    WriteFile("C:\\setup\\VIrovARI2.ini", "[Setup]\r\nParams=-quiet\r\n[Main]\r\nInstallDir=%ProgramFilesDir%\\Tasks\r\n");
    setup::TInstF1& window = Start();
    EXPECT_EQ(Description().OptParams, "-len");
    EXPECT_EQ(window.Edit1.Text(), "C:\\Program Files (x86)\\Tasks");
}

TEST_F(MainWindowStartup, AMissingVolumeIsReportedAndEndsTheProgram) {
    ASSERT_TRUE(platform::Files().DeleteFile("C:\\setup\\VIrovARI2.dat"));
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.kind, MessageKind::Error);
        EXPECT_EQ(box.text, "The VIrovARI2.dat file is not found. Installation will be terminated.");
        return DialogResult::Ok;
    });
    setup::TInstF1& window = Start();
    EXPECT_FALSE(window.StartedUp());
    EXPECT_EQ(window.GetWindowState(), ui::WindowState::Minimized);
    EXPECT_TRUE(ui::Application::Instance().Terminated());
    EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), platform::ExitCode::VolumeMissing);
    EXPECT_EQ(window.InstF2, nullptr);
}

TEST_F(MainWindowStartup, AMissingVolumeIsNamedInRussianWithTheProduct) {
    PosixMachine::SetSystemLanguageName("Russian");
    PosixMachine::SetUiLanguage(platform::kLanguageIdRussian);
    ASSERT_TRUE(platform::Files().DeleteFile("C:\\setup\\VIrovARI2.dat"));
    locale::InitLanguage();
    ui::testing::ExpectModal<locale::TSelLangForm>([](locale::TSelLangForm& form) { ui::testing::CloseBox(form); });
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.text, Ansi("Не найден файл VIrovARI2.dat.\r\nВыполнить установку задачника DE roz OZE-2 невозможно."));
        EXPECT_EQ(box.caption, Ansi("Ошибка"));
        return DialogResult::Ok;
    });
    Start();
}

TEST_F(MainWindowStartup, ASetupProgramInADriveRootLooksForItsPayloadThere) {
    MakeDrive('D');
    PosixMachine::SetProgram("D:\\x.exe", {});
    WriteFile("D:\\x.dat", "payload");
    setup::TInstF1& window = Start();
    EXPECT_TRUE(window.StartedUp());
    EXPECT_EQ(Description().SetupDir, "D:");
    EXPECT_EQ(Description().ArchiveName, "x.dat");
}

TEST_F(MainWindowStartup, ADirectoryInThePayloadsPlaceIsNoPayload) {
    ASSERT_TRUE(platform::Files().DeleteFile("C:\\setup\\VIrovARI2.dat"));
    MakeDirectory("C:\\setup\\VIrovARI2.dat");
    ui::testing::AnswerMessage(DialogResult::Ok);
    setup::TInstF1& window = Start();
    EXPECT_FALSE(window.StartedUp());
    EXPECT_EQ(window.Label6.Caption(), "");
}

TEST_F(MainWindowStartup, AnUnreadableDateLeavesTheVersionLabelEmptyAndGoesOn) {
    DateHidingFileSystem files(platform::Files());
    files.unreadable_dates = {"C:\\setup\\VIrovARI2.dat"};
    platform::Services services = platform::Current();
    services.files = &files;
    platform::ScopedServices scoped(services);
    setup::TInstF1& window = Start();
    EXPECT_TRUE(window.StartedUp());
    EXPECT_EQ(window.Label6.Caption(), "");
}

TEST_F(MainWindowStartup, ReadmeAndLicenseButtonsFollowTheFilesBesideTheProgram) {
    {
        setup::TInstF1 window([] { return nullptr; });
        EXPECT_FALSE(window.Button2.Visible());
        EXPECT_FALSE(window.Button3.Visible());
        // F1 has nothing to show.
        ui::testing::PressKey(window, ui::keys::kF1);
    }
    WriteFile("C:\\setup\\license_en.txt", "Terms");
    {
        setup::TInstF1 window([] { return nullptr; });
        EXPECT_FALSE(window.Button2.Visible());
        EXPECT_TRUE(window.Button3.Visible());
        EXPECT_EQ(window.Button3.Left(), window.Button2.Left());
        ui::testing::ExpectModal<windows::TInstF2>([](windows::TInstF2& viewer) {
            EXPECT_EQ(viewer.Caption(), "License agreement [license_en.txt]");
            EXPECT_EQ(viewer.Memo1.Lines().Items(), std::vector<std::string>{"Terms"});
            ui::testing::PressKey(viewer, ui::keys::kEscape);
        });
        ui::testing::PressKey(window, ui::keys::kF1);
    }
    WriteFile("C:\\setup\\readme_en.txt", "About");
    {
        setup::TInstF1 window([] { return nullptr; });
        EXPECT_TRUE(window.Button2.Visible());
        EXPECT_TRUE(window.Button3.Visible());
        EXPECT_NE(window.Button3.Left(), window.Button2.Left());
    }
}

using MainWindowCommands = SetupScenario;

TEST_F(MainWindowCommands, AboutShowsTheReadmeJoinedIntoParagraphsFromItsTop) {
    WriteFile("C:\\setup\\readme_en.txt", "Item one\r\ncontinued\r\n\r\n- point\r\n");
    setup::TInstF1& window = Start();
    ui::testing::ExpectModal<windows::TInstF2>([](windows::TInstF2& viewer) {
        EXPECT_EQ(viewer.Caption(), "About DE roz OZE-2 [readme_en.txt]");
        EXPECT_EQ(viewer.Memo1.Lines().Items(), (std::vector<std::string>{"Item one continued", "", "- point"}));
        EXPECT_EQ(viewer.Memo1.SelStart(), 0);
        EXPECT_EQ(viewer.ActiveControl(), &viewer.Memo1);
        viewer.Memo1.CaretMoved(30);
        ui::testing::PressKey(viewer, ui::keys::kReturn);
    });
    ui::testing::Click(window.Button2);
    // Shown again, the text starts at the top.
    ui::testing::ExpectModal<windows::TInstF2>([](windows::TInstF2& viewer) {
        EXPECT_EQ(viewer.Memo1.SelStart(), 0);
        EXPECT_EQ(viewer.Memo1.Lines().Count(), 3);
        ui::testing::CloseBox(viewer);
    });
    ui::testing::PressKey(window, ui::keys::kF1);
}

TEST_F(MainWindowCommands, ATextFileThatVanishedDoesNothing) {
    WriteFile("C:\\setup\\readme_en.txt", "About");
    setup::TInstF1& window = Start();
    ASSERT_TRUE(platform::Files().DeleteFile("C:\\setup\\readme_en.txt"));
    ui::testing::Click(window.Button2);
    EXPECT_EQ(window.InstF2->Caption(), "About DE roz OZE-2 [readme_en.txt]");
}

// Read whole, a readme of hundreds of megabytes once ended the program.
TEST_F(MainWindowCommands, ATextFileTooLargeToShowGivesTheReadErrorBox) {
    WriteFile("C:\\setup\\readme_en.txt", std::string(setup::kTextFileLimit + 1, 'x'));
    setup::TInstF1& window = Start();
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.kind, MessageKind::Error);
        EXPECT_NE(box.text.find("readme_en.txt\". The file is too large to show."), std::string::npos) << box.text;
        return DialogResult::Ok;
    });
    ui::testing::Click(window.Button2);
}

TEST_F(MainWindowCommands, ExitAsksAndNoKeepsTheWindowOpen) {
    setup::TInstF1& window = Start();
    window.Show();
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.kind, MessageKind::Confirmation);
        EXPECT_EQ(box.text, "If you exit now, DE roz OZE-2 will not be installed. Are you sure you want to exit and "
                            "cancel installation?");
        EXPECT_EQ(box.buttons, (std::vector<DialogResult>{DialogResult::Yes, DialogResult::No}));
        return DialogResult::No;
    });
    ui::testing::PressKey(window, ui::keys::kEscape);
    EXPECT_TRUE(window.Visible());
    EXPECT_FALSE(ui::Application::Instance().Terminated());

    ui::testing::AnswerMessage(DialogResult::No);
    ui::testing::CloseBox(window);
    EXPECT_TRUE(window.Visible());

    Description().ExcludedDirList = {"X"};
    ui::testing::AnswerMessage(DialogResult::Yes);
    ui::testing::Click(window.Button5);
    EXPECT_FALSE(window.Visible());
    EXPECT_TRUE(ui::Application::Instance().Terminated());
    EXPECT_TRUE(Description().ExcludedDirList.empty());
}

TEST_F(MainWindowCommands, BrowseStartsAtAnExistingDestinationAndTakesTheChoice) {
    MakeDirectory("C:\\Program Files (x86)\\VE4");
    setup::TInstF1& window = Start();
    ui::testing::ExpectModal<ui::DirectoryDialog>([](ui::DirectoryDialog& dialog) {
        EXPECT_EQ(dialog.CurrentDirectory(), "C:\\Program Files (x86)\\VE4");
        ui::testing::EnterText(dialog.Edit1, "C:\\Elsewhere");
        // The directory does not exist: the dialog asks, and Yes accepts it uncreated.
        ui::testing::AnswerMessage(DialogResult::Yes);
        ui::testing::Click(dialog.Button1);
    });
    ui::testing::Click(window.Button1);
    EXPECT_EQ(window.Edit1.Text(), "C:\\Elsewhere");
    EXPECT_FALSE(platform::Files().DirectoryExists("C:\\Elsewhere"));

    // Cancel leaves the field alone; a missing destination starts at Program Files.
    ui::testing::ExpectModal<ui::DirectoryDialog>([](ui::DirectoryDialog& dialog) {
        EXPECT_EQ(dialog.CurrentDirectory(), "C:\\Program Files (x86)");
        ui::testing::Click(dialog.Button2);
    });
    ui::testing::Click(window.Button1);
    EXPECT_EQ(window.Edit1.Text(), "C:\\Elsewhere");
}

TEST_F(MainWindowCommands, AutoRunStartsTheInstallCommandAfterTheWindowAppears) {
    WriteFile("C:\\setup\\VIrovARI2.ini", "[Main]\r\nAutoRun=1\r\n");
    setup::TInstF1& window = Start();
    window.Show();
    EXPECT_TRUE(window.Timer1.Enabled());
    // The default destination holds no base product: the check refuses it, and the window
    // stays open.
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.kind, MessageKind::Error);
        return DialogResult::Ok;
    });
    ui::testing::AdvanceTime(199);
    EXPECT_EQ(ui::testing::PendingSteps(), 1);
    ui::testing::AdvanceTime(1);
    EXPECT_FALSE(window.Timer1.Enabled());
    EXPECT_EQ(ui::testing::PendingSteps(), 0);
    EXPECT_TRUE(window.Visible());
    ui::testing::AdvanceTime(1000);
}

TEST_F(MainWindowCommands, WithoutAutoRunTheTimerStaysOff) {
    WriteFile("C:\\setup\\VIrovARI2.ini", "[Main]\r\nAutoRun=yes\r\n");
    setup::TInstF1& window = Start();
    window.Show();
    EXPECT_FALSE(window.Timer1.Enabled());
}

}  // namespace
}  // namespace setup_test

#endif  // _WIN32
