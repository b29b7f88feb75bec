#pragma once
// The machine the engine tests install onto: a fresh posix machine root with a base product
// in C:\VE4, scripted message boxes, a shell that records what it is asked to do, a progress
// view that records what it shows, and an extractor that "extracts" entries given in memory.

#ifndef _WIN32  // these scenarios run on the posix backend's machine root

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/install_settings.h"
#include "engine/installation.h"
#include "engine/recovery.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/posix/posix_machine.h"
#include "platform/posix/shell_posix.h"
#include "platform/shell.h"

namespace engine_test {

struct ShownMessage {
    std::string text;
    platform::MessageKind kind;
    unsigned buttons;
    platform::DialogResult default_button;
};

// Message boxes answered from a queue; an unexpected box is answered with its default
// button and recorded like any other. before_answer runs just before a box returns.
class ScriptedDialogs : public platform::Dialogs {
public:
    platform::DialogResult ShowMessage(const std::string& text, platform::MessageKind kind, unsigned button_set,
                                       platform::DialogResult default_button, const std::string& caption) override;
    bool SelectDirectory(std::string&, bool) override { return false; }
    bool OpenFile(const std::string&, const std::string&, std::string&) override { return false; }
    void ProcessMessages() override {}
    void SetBusyCursor(bool) override {}

    std::deque<platform::DialogResult> answers;
    std::function<void(const ShownMessage&)> before_answer;
    std::vector<ShownMessage> shown;
};

struct ShortcutRecord {
    std::string link;
    std::string target;
    std::string arguments;
    std::string working_directory;
};

// A shell that writes small marker files for shortcuts (so their presence can be checked),
// keeps associations in the machine's registry file and records every value written, records
// started programs, and fails on request.
class RecordingShell : public platform::Shell {
public:
    bool SetClassesRootValue(const std::string& key_path, const std::string& value) override;
    bool ClassesRootKeyExists(const std::string& key_path) override;
    bool DeleteClassesRootKey(const std::string& key_path) override;
    bool ReadClassesRootValue(const std::string& key_path, std::optional<platform::RegistryValue>& value) override;
    bool RestoreClassesRootValue(const std::string& key_path,
                                 const std::optional<platform::RegistryValue>& value) override;
    bool CreateShortcut(const std::string& link_path, const std::string& target, const std::string& arguments,
                        const std::string& working_directory) override;
    bool StartProgram(const std::string& program, const std::string& parameters, const std::string& directory,
                      int show_mode) override;
    bool CanStartAsDesktopUser() override;
    bool StartProgramAsDesktopUser(const std::string& program, const std::string& parameters,
                                   const std::string& directory, int show_mode) override;

    std::vector<std::pair<std::string, std::string>> registry;  // the values written, in order
    std::vector<ShortcutRecord> shortcuts;
    std::vector<ShortcutRecord> started;
    std::string fail_shortcut_named;  // a link path containing this text fails
    std::string partial_shortcut_named;  // ... or breaks off after writing part of the file
    int fail_registry_after = -1;     // writes allowed before the failures start (-1: never)
    bool desktop_user_start = true;   // CanStartAsDesktopUser

private:
    platform::posix::PosixShell machine_shell_;
};

class RecordingView : public engine::ProgressView {
public:
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void SetProgressMax(int maximum) override { max = maximum; }
    void SetProgressPosition(int value) override {
        position = value;
        positions.push_back(value);
    }
    int ProgressPosition() override { return position; }
    void ProcessMessages() override { ++message_runs; }
    void HideWindow() override { hidden = true; }
    void Terminate(platform::ExitCode code) override {
        if (!terminated) exit_code = code;
        terminated = true;
    }

    std::vector<std::string> statuses;
    std::vector<int> positions;
    int max = 0;
    int position = 0;
    int message_runs = 0;
    bool hidden = false;
    bool terminated = false;
    platform::ExitCode exit_code = platform::ExitCode::UserExit;
};

struct PayloadEntry;
using Volumes = std::vector<std::vector<PayloadEntry>>;

struct PayloadEntry {
    std::string path;      // archive path with backslashes; ending in '\' for a directory entry
    std::string content;
    bool good = true;      // false: fails its check, so it is written but not reported
    uint32_t dos_time = 0x58D38000;  // 19 June 2024, 16:00:00
};

// One payload volume per vector; UnZip writes each entry under DestDir, raises percent
// events, and reports the good file entries to the installation.
class MemoryExtractor : public engine::PayloadExtractor {
public:
    explicit MemoryExtractor(std::vector<std::vector<PayloadEntry>> volumes) : volumes_(std::move(volumes)) {}
    void Attach(engine::Installation& installation) { installation_ = &installation; }

    void SetPassword(const std::string& value) override { password = value; }
    void SetDestDir(const std::string& value) override { dest_dir = value; }
    void SetZipName(const std::string& value) override;
    void UnZip() override;
    int Count() override { return static_cast<int>(Current().size()); }
    std::string EntryFullName(int index) override { return Current().at(index).path; }

    std::string password;
    std::string dest_dir;
    std::vector<std::string> zip_names;
    int throw_on_volume = 0;  // a volume that cannot be read (1-based; 0: none)

private:
    const std::vector<PayloadEntry>& Current() const { return volumes_.at(current_); }

    std::vector<std::vector<PayloadEntry>> volumes_;
    size_t current_ = 0;
    engine::Installation* installation_ = nullptr;
};

// The product's settings as the setup program passes them for an English installation into
// C:\VE4 from C:\setup, with the seven shortcuts.
engine::InstallSettings ProductSettings();

class EngineTest : public ::testing::Test {
protected:
    EngineTest();

    // Files on the machine, by Windows path.
    void WriteFile(const std::string& path, const std::string& content, uint32_t dos_time = 0x58D38000);
    std::string ReadFile(const std::string& path);
    bool Exists(const std::string& path);
    bool IsDirectory(const std::string& path);
    void SetReadOnly(const std::string& path, bool read_only);
    bool IsReadOnly(const std::string& path);
    // The files under a directory, as paths relative to it, sorted.
    std::vector<std::string> Tree(const std::string& path);

    // The machine's registry file, as its bytes on the host ("" when there is none).
    std::string RegistryText();

    // Runs a whole installation of the volumes with the settings.
    void Install(std::vector<std::vector<PayloadEntry>> volumes);

    // What recovery allows on this machine: its folders, the base product's utility, the
    // settings' associations.
    engine::RecoveryRules Rules() const;
    // Recovers the journal folder as the setup program's start-up does.
    engine::RecoveryResult RecoverJournals();
    // The files in the journal folder, full paths.
    std::vector<std::string> Journals();

    platform::ScopedMachineRoot machine_;
    ScriptedDialogs dialogs_;
    RecordingShell shell_;
    RecordingView view_;
    platform::ScopedServices services_;
    engine::InstallSettings settings_ = ProductSettings();
    std::vector<std::string> report_;  // the lines the last run reported for the record
    std::function<void(const std::string& line)> on_report_;  // runs as each line is reported
};

}  // namespace engine_test

#endif  // _WIN32
