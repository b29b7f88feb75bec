#pragma once
// A machine and a headless user for scenario tests of the setup driver: a fresh machine root
// with the setup program in C:\setup beside its payload, a base product's Program Files, an
// English system, a fresh toolkit session, and a fresh language module and description.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "locale/language.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/posix/posix_machine.h"
#include "platform/ui/application.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/headless_testing.h"
#include "setup/install_window.h"
#include "setup/main_window.h"
#include "setup/setup_description.h"
#include "support/forwarding_file_system.h"

namespace setup_test {

namespace ui = platform::ui;

// The engine's window as the Install command leaves it, for checking the hand-over.
class RecordingInstallWindow : public ui::Form, public setup::InstallWindow {
public:
    RecordingInstallWindow() {
        SetName("InstF3");
        SetBorderStyle(ui::BorderStyle::None);
        SetClientSize(300, 60);
    }
    ui::Form& Window() override { return *this; }
    ui::ProgressBar& Progress() override { return ProgressBar1; }
    void SetStatus(const std::string& text) override { status = text; }
    Recovery RecoverUnfinished(const std::string& install_dir) override {
        recovered.push_back(install_dir);
        return {unfinished, install_dir + "\\journal", install_dir, {}, {}, left};
    }
    void RunHidden() override { ran_hidden = true; }
    void SetRecord(std::function<void(const std::string& line)> record_line) override { record = std::move(record_line); }
    void SetOnSettled(std::function<void()> on_settled) override { settled = std::move(on_settled); }

    ui::ProgressBar ProgressBar1{*this, 20, 30, 100, 16};
    std::string status;
    std::vector<std::string> recovered;  // the directories looked at, in order
    Unfinished unfinished = Unfinished::None;
    std::vector<std::string> left;  // what the recovery reports it left
    bool ran_hidden = false;
    std::function<void(const std::string& line)> record;
    std::function<void()> settled;
};

// The machine's file system, except that the last-write times of the paths listed in
// unreadable_dates cannot be read.
class DateHidingFileSystem : public test_support::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;

    std::vector<std::string> unreadable_dates;

    bool GetLastWriteTime(const std::string& path, platform::FileTime& time) override {
        for (const std::string& hidden : unreadable_dates) {
            if (hidden == path) return false;
        }
        return real_.GetLastWriteTime(path, time);
    }
};

class SetupScenario : public ::testing::Test {
protected:
    SetupScenario() {
        locale::ResetLanguage();
        setup::Description() = setup::TSetupDescription{};
        platform::PosixMachine::SetProgram("C:\\setup\\VIrovARI2.exe", {});
        platform::PosixMachine::SetProgramFilesDir("C:\\Program Files (x86)");
        MakeDirectory("C:\\setup");
        MakeDirectory("C:\\Program Files (x86)");
        WriteFile("C:\\setup\\VIrovARI2.dat", "payload");
    }

    ~SetupScenario() override {
        window_.reset();
        locale::ResetLanguage();
    }

    void TearDown() override { EXPECT_EQ(ui_session_.Problems(), ""); }

    // Gives the machine another drive, such as 'D'.
    void MakeDrive(char letter) {
        std::filesystem::create_directory(machine_.HostRoot() + "/" + std::string(1, static_cast<char>(std::tolower(letter))));
    }

    static void MakeDirectory(const std::string& path) { ASSERT_TRUE(platform::Files().ForceDirectories(path)) << path; }

    static void WriteFile(const std::string& path, const std::string& content) {
        auto file = platform::Files().OpenFile(path, platform::OpenMode::Create);
        ASSERT_NE(file, nullptr) << path;
        ASSERT_EQ(file->Write(content.data(), static_cast<int64_t>(content.size())), static_cast<int64_t>(content.size()));
    }

    // A base product with all its required files in directory.
    static void MakeBaseProduct(const std::string& directory) {
        static const char* const kFiles[] = {
            "results.dat", "RI4Razoz.exe", "VE4Demo.exe", "VE4Load.exe", "VE4Res.exe", "readme_en.txt",
            "LIB\\VE4_.txt", "LIB\\VE4__.txt", "demo.dat", "VE4Ext20.exe", "LIB\\xVE4ZMinmax_ru.dll", "VE4Ext22.exe",
        };
        MakeDirectory(directory + "\\LIB");
        for (const char* file : kFiles) WriteFile(directory + "\\" + file, "x");
    }

    // Creates the main window (running the start-up) as the application's main form, with
    // the engine's window that the factory makes (by default one that records the hand-over).
    setup::TInstF1& Start(setup::InstallWindowFactory factory = {}) {
        if (!factory) {
            factory = [this] {
                auto engine = std::make_unique<RecordingInstallWindow>();
                engine_ = engine.get();
                engine->unfinished = unfinished_;
                return engine;
            };
        }
        window_.reset();  // an earlier window lets go of what it holds (the installation lock)
        engine_ = nullptr;
        window_ = std::make_unique<setup::TInstF1>(factory);
        ui::Application::Instance().SetMainForm(window_.get());
        return *window_;
    }

    setup::TSetupDescription& Description() { return setup::Description(); }
    RecordingInstallWindow* Engine() { return engine_; }

    platform::ScopedMachineRoot machine_;
    ui::testing::Session ui_session_;
    // What the engine finds of an earlier run in any destination, from its creation on.
    setup::InstallWindow::Unfinished unfinished_ = setup::InstallWindow::Unfinished::None;

private:
    std::unique_ptr<setup::TInstF1> window_;
    RecordingInstallWindow* engine_ = nullptr;
};

}  // namespace setup_test
