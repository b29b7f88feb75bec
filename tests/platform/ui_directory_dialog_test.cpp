// The directory dialog: browsing the directories of a machine, and what happens to a typed
// directory that does not exist. The file-open mode is the same dialog with a file filter.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/posix/posix_machine.h"
#include "platform/ui/directory_dialog.h"
#include "platform/ui/headless_testing.h"
#include "platform/ui/standard_texts.h"

namespace ui = platform::ui;
using platform::DialogResult;

namespace {

class UiDirectoryDialog : public ::testing::Test {
protected:
    void SetUp() override {
        platform::Files().ForceDirectories("C:\\Program Files\\VE4\\Bin");
        platform::Files().ForceDirectories("C:\\Program Files\\Alpha");
        platform::Files().OpenFile("C:\\Program Files\\VE4\\setup.zip", platform::OpenMode::Create);
        platform::Files().OpenFile("C:\\Program Files\\VE4\\readme.txt", platform::OpenMode::Create);
    }

    platform::ScopedMachineRoot machine_;
    ui::testing::Session session_;
};

}  // namespace

TEST_F(UiDirectoryDialog, ExistingDirectoryIsAcceptedAsTyped) {
    ui::testing::ExpectModal<ui::DirectoryDialog>([](ui::DirectoryDialog& dialog) {
        EXPECT_EQ(dialog.Caption(), "Select Directory");
        EXPECT_EQ(dialog.Edit1.Text(), "C:\\Program Files");
        ui::testing::EnterText(dialog.Edit1, "VE4\\Bin");
        ui::testing::PressKey(dialog, ui::keys::kReturn);
    });
    std::string directory = "C:\\Program Files";
    EXPECT_TRUE(platform::UserDialogs().SelectDirectory(directory, true));
    EXPECT_EQ(directory, "C:\\Program Files\\VE4\\Bin");
    EXPECT_EQ(session_.Problems(), "");
}

TEST_F(UiDirectoryDialog, MissingDirectoryIsAcceptedOnYesWithoutBeingCreated) {
    ui::testing::ExpectModal<ui::DirectoryDialog>([](ui::DirectoryDialog& dialog) {
        ui::testing::EnterText(dialog.Edit1, "C:\\Program Files\\New");
        ui::testing::Click(dialog.Button1);
    });
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.text, "The specified directory does not exist. Create it?");
        EXPECT_EQ(box.buttons, (std::vector<DialogResult>{DialogResult::Yes, DialogResult::No}));
        return DialogResult::Yes;
    });
    std::string directory = "C:\\Program Files\\VE4";
    EXPECT_TRUE(platform::UserDialogs().SelectDirectory(directory, true));
    EXPECT_EQ(directory, "C:\\Program Files\\New");
    EXPECT_FALSE(platform::Files().DirectoryExists("C:\\Program Files\\New"));
    EXPECT_EQ(session_.Problems(), "");
}

TEST_F(UiDirectoryDialog, NoKeepsTheDialogOpen) {
    ui::testing::ExpectModal<ui::DirectoryDialog>([](ui::DirectoryDialog& dialog) {
        ui::testing::EnterText(dialog.Edit1, "D:\\Nowhere");
        ui::testing::Click(dialog.Button1);
    });
    ui::testing::AnswerMessage(DialogResult::No);
    ui::testing::ExpectModal<ui::DirectoryDialog>([](ui::DirectoryDialog& dialog) {
        EXPECT_TRUE(dialog.Visible());
        EXPECT_EQ(dialog.ActiveControl(), &dialog.Edit1);
        ui::testing::PressKey(dialog, ui::keys::kEscape);
    });
    std::string directory = "C:\\Program Files";
    EXPECT_FALSE(platform::UserDialogs().SelectDirectory(directory, true));
    EXPECT_EQ(directory, "C:\\Program Files");
    EXPECT_EQ(session_.Problems(), "");
}

TEST_F(UiDirectoryDialog, WithoutMissingDirectoriesAllowedNothingIsAsked) {
    ui::testing::ExpectModal<ui::DirectoryDialog>([](ui::DirectoryDialog& dialog) {
        ui::testing::EnterText(dialog.Edit1, "C:\\Missing");
        ui::testing::Click(dialog.Button1);
        EXPECT_TRUE(dialog.GetModalResult() == DialogResult::None);
        ui::testing::Click(dialog.Button2);
    });
    std::string directory = "C:\\";
    EXPECT_FALSE(platform::UserDialogs().SelectDirectory(directory, false));
    EXPECT_EQ(session_.Problems(), "");
}

TEST_F(UiDirectoryDialog, ListsSubdirectoriesAndWalksUpAndDown) {
    ui::DirectoryDialog dialog(ui::PickerMode::Directory, "c:\\program files\\ve4", true);
    EXPECT_EQ(dialog.CurrentDirectory(), "c:\\program files\\ve4");
    EXPECT_EQ(dialog.ListBox1.Items().Items(), (std::vector<std::string>{"..", "Bin"}));
    EXPECT_EQ(dialog.ListBox2.Items().Items(), (std::vector<std::string>{"readme.txt", "setup.zip"}));
    EXPECT_FALSE(dialog.ListBox2.Enabled());

    ui::testing::DoubleClickItem(dialog.ListBox1, 0);
    EXPECT_EQ(dialog.CurrentDirectory(), "c:\\program files");
    EXPECT_EQ(dialog.ListBox1.Items().Items(), (std::vector<std::string>{"..", "Alpha", "VE4"}));
    ui::testing::DoubleClickItem(dialog.ListBox1, 0);
    EXPECT_EQ(dialog.CurrentDirectory(), "c:\\");
    // A drive root has no way up.
    EXPECT_EQ(dialog.ListBox1.Items().Items(), (std::vector<std::string>{"Program Files"}));
    ui::testing::DoubleClickItem(dialog.ListBox1, 0);
    EXPECT_EQ(dialog.CurrentDirectory(), "c:\\Program Files");
    EXPECT_EQ(dialog.Edit1.Text(), "c:\\Program Files");
    EXPECT_EQ(dialog.ComboBox1.Text().substr(0, 2), "C:");
}

TEST_F(UiDirectoryDialog, StartsInTheNearestExistingDirectory) {
    ui::DirectoryDialog dialog(ui::PickerMode::Directory, "C:\\Program Files\\VE4\\Not\\There", true);
    EXPECT_EQ(dialog.CurrentDirectory(), "C:\\Program Files\\VE4");
    // The field keeps what the caller started with.
    EXPECT_EQ(dialog.Edit1.Text(), "C:\\Program Files\\VE4\\Not\\There");
}

TEST_F(UiDirectoryDialog, TextsFollowTheStandardTexts) {
    ui::StandardTexts texts;
    texts.directory_caption = platform::Utf8ToAnsi("Выбор каталога");
    texts.directory_name_label = platform::Utf8ToAnsi("Имя каталога:");
    texts.files_label = platform::Utf8ToAnsi("Файлы: (*.*)");
    texts.dialog_cancel = platform::Utf8ToAnsi("Отмена");
    ui::SetStandardTexts(texts);
    ui::DirectoryDialog dialog(ui::PickerMode::Directory, "C:\\", true);
    EXPECT_EQ(dialog.Caption(), texts.directory_caption);
    EXPECT_EQ(dialog.Label1.Caption(), texts.directory_name_label);
    EXPECT_EQ(dialog.Label4.Caption(), texts.files_label);
    EXPECT_EQ(dialog.Button2.Caption(), texts.dialog_cancel);
    EXPECT_EQ(dialog.Button1.Caption(), "OK");
}

TEST_F(UiDirectoryDialog, FileModePicksAnExistingFileThroughTheFilter) {
    ui::testing::ExpectModal<ui::DirectoryDialog>([](ui::DirectoryDialog& dialog) {
        EXPECT_EQ(dialog.Caption(), "Open archive");
        EXPECT_EQ(dialog.ListBox2.Items().Items(), std::vector<std::string>{"setup.zip"});
        EXPECT_EQ(dialog.Label4.Caption(), "&Files: (*.ZIP)");
        ui::testing::EnterText(dialog.Edit1, "missing.zip");
        ui::testing::Click(dialog.Button1);
        EXPECT_EQ(dialog.GetModalResult(), DialogResult::None);
        dialog.ListBox2.ItemClicked(0);
        ui::testing::Click(dialog.Button1);
    });
    std::string path = "C:\\Program Files\\VE4\\old.zip";
    EXPECT_TRUE(platform::UserDialogs().OpenFile("Open archive", "Zip Files (*.ZIP)|*.ZIP", path));
    EXPECT_EQ(path, "C:\\Program Files\\VE4\\setup.zip");
    EXPECT_EQ(session_.Problems(), "");
}

TEST(UiPatternMatch, WildcardsIgnoreLetterCase) {
    EXPECT_TRUE(ui::MatchesPattern("setup.zip", "*.ZIP"));
    EXPECT_TRUE(ui::MatchesPattern("SETUP.DAT", "setup.da?"));
    EXPECT_FALSE(ui::MatchesPattern("setup.dat1", "setup.da?"));
    EXPECT_TRUE(ui::MatchesPattern("README", "*.*"));
    EXPECT_TRUE(ui::MatchesPattern("a.b.c", "*.c"));
    EXPECT_FALSE(ui::MatchesPattern("a.b.c", "*.b"));
    EXPECT_TRUE(ui::MatchesPattern("", "*"));
}

#endif  // _WIN32
