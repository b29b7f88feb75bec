// The progress window with the real extraction component: payloads made by Info-ZIP with
// the archive password, installed through TInstF3 on a headless machine.

#ifndef _WIN32

#include "engine/install_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "locale/language.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/posix/posix_machine.h"
#include "platform/shortcut.h"
#include "platform/ui/application.h"
#include "platform/ui/headless_testing.h"
#include "setup/setup_description.h"
#include "support/payload_archive.h"

namespace engine_test {
namespace {

namespace ui = platform::ui;
using platform::DialogResult;
using platform::MessageKind;

class InstallWindowTest : public ::testing::Test {
protected:
    InstallWindowTest() {
        locale::ResetLanguage();
        locale::SetLanguage("en");
        setup::TSetupDescription& description = setup::Description();
        description = setup::TSetupDescription{};
        description.SystemDir = "C:\\windows\\system32";
        description.ProgramsFolder = "C:\\users\\user\\Start Menu\\Programs";
        description.DesktopFolder = "C:\\users\\user\\Desktop";
        description.SetupDir = "C:\\setup";
        description.ArchiveName = "VIrovARI2.dat";
        description.OptParams = "-len";
        setup::StoreMessages(description);
        setup::FillProduct(description);
        description.InstallDir = "C:\\VE4";
        description.InstallCaption = "DE roz OZE-2 Install";
        platform::PosixMachine::SetProgram("C:\\setup\\VIrovARI2.exe", {});
        for (const char* dir : {"C:\\VE4", "C:\\setup", "C:\\windows\\system32", "C:\\users\\user\\Desktop",
                                "C:\\users\\user\\Start Menu\\Programs"}) {
            platform::Files().ForceDirectories(dir);
        }
        Write("C:\\VE4\\ri4razoz.exe", "utility");
        Write("C:\\windows\\system32\\zuvudiru.exe", "uninstaller");
    }
    ~InstallWindowTest() override { locale::ResetLanguage(); }
    void TearDown() override { EXPECT_EQ(session_.Problems(), ""); }

    std::filesystem::path Host(const std::string& windows_path) {
        return platform::PosixMachine::HostPath(windows_path);
    }
    void Write(const std::string& path, const std::string& content) {
        platform::Files().ForceDirectories(path.substr(0, path.rfind('\\')));
        auto file = platform::Files().OpenFile(path, platform::OpenMode::Create);
        ASSERT_TRUE(file) << path;
        file->Write(content.data(), static_cast<int64_t>(content.size()));
    }
    std::string Read(const std::string& path) {
        auto file = platform::Files().OpenFile(path, platform::OpenMode::Read);
        if (!file) return "<missing>";
        std::string content(static_cast<size_t>(file->Size()), '\0');
        file->Read(content.data(), static_cast<int64_t>(content.size()));
        return content;
    }

    void MakeArchive(const std::string& volume, const std::vector<std::pair<std::string, std::string>>& files,
                     const std::vector<std::string>& stored_paths = {}) {
        test_support::MakePayloadArchive(machine_.HostRoot(), volume, files, stored_paths);
    }

    // Shows the window modally, as the Install command does, answering the final message.
    engine::TInstF3& RunWindow(MessageKind expected_kind, DialogResult answer = DialogResult::Ok) {
        window_ = std::make_unique<engine::TInstF3>();
        window_->SetRecord([this](const std::string& line) { record_.push_back(line); });
        ui::testing::ExpectMessage([this, expected_kind, answer](const ui::MessageBoxInfo& box) {
            EXPECT_EQ(box.kind, expected_kind);
            final_text_ = box.text;
            return answer;
        });
        window_->ShowModal();
        return *window_;
    }

    platform::ScopedMachineRoot machine_;
    ui::testing::Session session_;
    std::unique_ptr<engine::TInstF3> window_;
    std::string final_text_;
    std::vector<std::string> record_;  // what the run reported for the record of the run
};

std::vector<std::pair<std::string, std::string>> ProductFiles() {
    return {
        {"VIrovARI2/VIrovARI2.chm", "help"},           {"VIrovARI2/readme.txt", "readme"},
        {"VIrovARI2/VIrovARI2_en.chm", "help en"},     {"VIrovARI2/readme_en.txt", std::string(5000, 'r')},
        {"VIrovARI2/MPICH2Installer.exe", "installer"}, {"SYSTEM/VE4.DLL", "core"},
        {"LIB/x.dll", std::string(100000, 'x')},
    };
}

TEST_F(InstallWindowTest, InstallsAPayloadMadeByInfoZip) {
    MakeArchive("C:\\setup\\VIrovARI2.dat", ProductFiles(), {"VIrovARI2/readme.txt"});
    engine::TInstF3& window = RunWindow(MessageKind::Information);

    EXPECT_EQ(Read("C:\\VE4\\LIB\\x.dll"), std::string(100000, 'x'));
    EXPECT_EQ(Read("C:\\VE4\\VIrovARI2\\readme.txt"), "readme");
    EXPECT_EQ(Read("C:\\windows\\system32\\VE4.DLL"), "core");
    EXPECT_FALSE(platform::Files().DirectoryExists("C:\\VE4\\TEMP"));
    EXPECT_EQ(window.ProgressBar1.Max(), 135);
    EXPECT_EQ(window.ProgressBar1.Position(), 135);
    EXPECT_EQ(window.Label1.Caption(), "DE roz OZE-2 Install");
    EXPECT_TRUE(ui::Application::Instance().Terminated());
    EXPECT_EQ(final_text_.rfind("The DE roz OZE-2 system is installed successfully.\r\n", 0), 0u);

    const std::string log = Read("C:\\VE4\\UNINST\\virovari2_1_0.log");
    EXPECT_EQ(log.rfind("Uninstall DE roz OZE-2|", 0), 0u);
    EXPECT_NE(log.find("C:\\VE4\\LIB\\x.dll\r\n"), std::string::npos);
    EXPECT_NE(log.find("C:\\VE4\\UNINST\\DEredIDO2Zovizuzez.lnk\r\n"), std::string::npos);

    const auto uninstall = platform::ReadShortcut("C:\\VE4\\UNINST\\DEredIDO2Zovizuzez.lnk");
    ASSERT_TRUE(uninstall);
    EXPECT_EQ(*uninstall, (platform::ShortcutInfo{"C:\\windows\\system32\\zuvudiru.exe",
                                                  "\"C:\\VE4\\UNINST\\virovari2_1_0.log\"", "C:\\windows\\system32"}));
    const auto readme = platform::ReadShortcut("C:\\users\\user\\Start Menu\\Programs\\DE roz OZE-2\\DE roz OZE-2 Readme.lnk");
    ASSERT_TRUE(readme);
    EXPECT_EQ(readme->target, "C:\\VE4\\VIrovARI2\\readme.txt");
    EXPECT_EQ(readme->working_directory, "C:\\VE4");

    const auto started = platform::PosixMachine::StartedPrograms();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, "C:\\VE4\\ri4razoz.exe");
    EXPECT_EQ(started[0].parameters, "-len");
    EXPECT_EQ(started[0].directory, "C:\\VE4");
}

TEST_F(InstallWindowTest, CannotBeClosedAndRunsOnce) {
    MakeArchive("C:\\setup\\VIrovARI2.dat", ProductFiles());
    engine::TInstF3& window = RunWindow(MessageKind::Information);
    bool can_close = true;
    window.FormCloseQuery(can_close);
    EXPECT_FALSE(can_close);
    window.FormShow();  // a later activation starts nothing
    EXPECT_EQ(ui::testing::ShownMessages().size(), 1u);
}

TEST_F(InstallWindowTest, ADamagedPayloadLeavesTheDestinationAsItWas) {
    Write("C:\\VE4\\LIB\\x.dll", "old x");
    MakeArchive("C:\\setup\\VIrovARI2.dat", ProductFiles());
    // Damage the data of the last entry in the archive, keeping its size.
    {
        std::fstream archive(Host("C:\\setup\\VIrovARI2.dat"), std::ios::in | std::ios::out | std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(archive)), std::istreambuf_iterator<char>());
        const size_t central = bytes.rfind("PK\x01\x02");
        ASSERT_NE(central, std::string::npos);
        // The last local entry's data ends a little before the central directory.
        archive.seekp(static_cast<std::streamoff>(central - 20));
        archive.write("\x55\xAA\x55\xAA", 4);
    }
    const std::string system_before = Read("C:\\windows\\system32\\VE4.DLL");
    RunWindow(MessageKind::Error);

    EXPECT_EQ(final_text_,
              "Data-copy error. It seems likely that the install application is not in the administrator mode or "
              "the VIrovARI2.dat file is corrupted. Installation will be terminated.");
    EXPECT_EQ(Read("C:\\VE4\\LIB\\x.dll"), "old x");
    EXPECT_EQ(Read("C:\\windows\\system32\\VE4.DLL"), system_before);
    std::vector<std::string> left;
    for (const auto& entry : platform::Files().ListDirectory("C:\\VE4")) left.push_back(entry.name);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"LIB", "ri4razoz.exe"}));
    EXPECT_TRUE(ui::Application::Instance().Terminated());
    // The record names the entry and the cause, which a deployment's administrator needs.
    const std::regex cause("Data-copy error: entry SYSTEM\\\\VE4\\.DLL: (CRC error \\(damaged data|damaged data: ).*");
    EXPECT_EQ(std::count_if(record_.begin(), record_.end(), [&](const std::string& line) { return std::regex_match(line, cause); }),
              1)
        << ::testing::PrintToString(record_);
}

// Bytes in front that the offsets do not count: every entry can still be found, but a payload
// that contradicts itself is not installed.
TEST_F(InstallWindowTest, APayloadThatContradictsItselfIsNotInstalled) {
    MakeArchive("C:\\setup\\VIrovARI2.dat", ProductFiles());
    Write("C:\\setup\\VIrovARI2.dat", "prepended" + Read("C:\\setup\\VIrovARI2.dat"));
    RunWindow(MessageKind::Error);
    EXPECT_EQ(final_text_.rfind("Data-copy error.", 0), 0u) << final_text_;
    EXPECT_EQ(platform::Files().ListDirectory("C:\\VE4").size(), 1u);  // the base product's utility alone
    EXPECT_NE(std::find(record_.begin(), record_.end(), "Data-copy error: damaged data: extra bytes at beginning or within zipfile"),
              record_.end()) << ::testing::PrintToString(record_);
}

TEST_F(InstallWindowTest, ALogThatCannotBeWrittenEndsTheExtractionAndUndoesIt) {
    Write("C:\\VE4\\UNINST\\virovari2_1_0.log", "earlier\r\n");
    platform::PosixMachine::MarkInUse("C:\\VE4\\UNINST\\virovari2_1_0.log", true);
    MakeArchive("C:\\setup\\VIrovARI2.dat", ProductFiles());
    RunWindow(MessageKind::Error);
    platform::PosixMachine::MarkInUse("C:\\VE4\\UNINST\\virovari2_1_0.log", false);
    EXPECT_EQ(Read("C:\\VE4\\UNINST\\virovari2_1_0.log"), "earlier\r\n");
    EXPECT_FALSE(platform::Files().FileExists("C:\\VE4\\LIB\\x.dll"));
    EXPECT_FALSE(platform::Files().DirectoryExists("C:\\users\\user\\Start Menu\\Programs\\DE roz OZE-2"));
    EXPECT_TRUE(platform::PosixMachine::StartedPrograms().empty());
}

TEST_F(InstallWindowTest, AMissingVolumeIsADataCopyError) {
    setup::Description().VolumeCount = 2;
    MakeArchive("C:\\setup\\VIrovARI2.dat", ProductFiles());
    RunWindow(MessageKind::Error);
    EXPECT_NE(final_text_.find("the VIrovARI2.dat2 file"), std::string::npos);
    EXPECT_FALSE(platform::Files().FileExists("C:\\VE4\\LIB\\x.dll"));
}

TEST_F(InstallWindowTest, TwoVolumesAreInstalledInTurn) {
    setup::Description().VolumeCount = 2;
    MakeArchive("C:\\setup\\VIrovARI2.dat", {{"a/one.txt", "one"}});
    MakeArchive("C:\\setup\\VIrovARI2.dat2", ProductFiles());
    engine::TInstF3& window = RunWindow(MessageKind::Information);
    EXPECT_EQ(Read("C:\\VE4\\a\\one.txt"), "one");
    EXPECT_EQ(Read("C:\\VE4\\VIrovARI2\\readme.txt"), "readme");
    EXPECT_EQ(window.ProgressBar1.Max(), 235);
    EXPECT_EQ(window.ProgressBar1.Position(), 235);
}

// An elevated run puts its shortcuts into the all-users folders, so a journal naming them is
// the program's own: recovery must take it, not refuse it.
TEST(JournalRules, TakeTheShortcutFoldersOfElevatedAndStandardRuns) {
    platform::System& machine = platform::Machine();
    const std::vector<std::string> folders = engine::JournalRules(setup::Description()).places.machine_folders;
    for (const platform::SpecialFolder folder :
         {platform::SpecialFolder::Programs, platform::SpecialFolder::DesktopDirectory,
          platform::SpecialFolder::CommonPrograms, platform::SpecialFolder::CommonDesktopDirectory}) {
        const std::string path = machine.SpecialFolderPath(folder);
        EXPECT_FALSE(path.empty());
        EXPECT_NE(std::find(folders.begin(), folders.end(), path), folders.end()) << path;
    }
}

}  // namespace
}  // namespace engine_test

#endif  // _WIN32
