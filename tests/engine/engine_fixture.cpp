#ifndef _WIN32  // these scenarios run on the posix backend's machine root

#include "engine_fixture.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

#include "platform/file_system.h"

namespace engine_test {

platform::DialogResult ScriptedDialogs::ShowMessage(const std::string& text, platform::MessageKind kind,
                                                    unsigned button_set, platform::DialogResult default_button,
                                                    const std::string&) {
    shown.push_back({text, kind, button_set, default_button});
    if (before_answer) before_answer(shown.back());
    if (answers.empty()) return default_button;
    const platform::DialogResult answer = answers.front();
    answers.pop_front();
    return answer;
}

bool RecordingShell::SetClassesRootValue(const std::string& key_path, const std::string& value) {
    if (fail_registry_after >= 0 && static_cast<int>(registry.size()) >= fail_registry_after) return false;
    registry.emplace_back(key_path, value);
    return machine_shell_.SetClassesRootValue(key_path, value);
}

bool RecordingShell::ClassesRootKeyExists(const std::string& key_path) {
    return machine_shell_.ClassesRootKeyExists(key_path);
}

bool RecordingShell::DeleteClassesRootKey(const std::string& key_path) {
    return machine_shell_.DeleteClassesRootKey(key_path);
}

bool RecordingShell::ReadClassesRootValue(const std::string& key_path, std::optional<platform::RegistryValue>& value) {
    return machine_shell_.ReadClassesRootValue(key_path, value);
}

bool RecordingShell::RestoreClassesRootValue(const std::string& key_path,
                                             const std::optional<platform::RegistryValue>& value) {
    return machine_shell_.RestoreClassesRootValue(key_path, value);
}

bool RecordingShell::CreateShortcut(const std::string& link_path, const std::string& target,
                                    const std::string& arguments, const std::string& working_directory) {
    if (!fail_shortcut_named.empty() && link_path.find(fail_shortcut_named) != std::string::npos) return false;
    std::unique_ptr<platform::File> file = platform::Files().OpenFile(link_path, platform::OpenMode::Create);
    if (!file) return false;
    const std::string marker = "link to " + target;
    if (!partial_shortcut_named.empty() && link_path.find(partial_shortcut_named) != std::string::npos) {
        file->Write(marker.data(), 3);
        return false;
    }
    file->Write(marker.data(), static_cast<int64_t>(marker.size()));
    shortcuts.push_back({link_path, target, arguments, working_directory});
    return true;
}

bool RecordingShell::StartProgram(const std::string& program, const std::string& parameters,
                                  const std::string& directory, int) {
    started.push_back({{}, program, parameters, directory});
    return true;
}

bool RecordingShell::CanStartAsDesktopUser() { return desktop_user_start; }

// Recorded with the link field saying how it was started.
bool RecordingShell::StartProgramAsDesktopUser(const std::string& program, const std::string& parameters,
                                               const std::string& directory, int) {
    if (!desktop_user_start) return false;
    started.push_back({"as the desktop user", program, parameters, directory});
    return true;
}

void MemoryExtractor::SetZipName(const std::string& value) {
    zip_names.push_back(value);
    current_ = zip_names.size() - 1;
}

void MemoryExtractor::UnZip() {
    if (static_cast<int>(current_) + 1 == throw_on_volume || current_ >= volumes_.size()) {
        throw std::runtime_error("Not a valid zip file!");
    }
    platform::FileSystem& files = platform::Files();
    const auto& entries = Current();
    for (size_t i = 0; i < entries.size(); ++i) {
        const PayloadEntry& entry = entries[i];
        const std::string path = dest_dir + "\\" + entry.path;
        if (!entry.path.empty() && entry.path.back() == '\\') {
            files.ForceDirectories(path.substr(0, path.size() - 1));
        } else {
            const size_t slash = path.rfind('\\');
            files.ForceDirectories(path.substr(0, slash));
            std::unique_ptr<platform::File> file = files.OpenFile(path, platform::OpenMode::Create);
            if (!file) throw std::runtime_error("cannot create " + path);
            file->Write(entry.content.data(), static_cast<int64_t>(entry.content.size()));
            file.reset();
            platform::FileTime time;
            platform::DosDateTimeToFileTime(entry.dos_time, time);
            files.SetLastWriteTime(path, time);
        }
        installation_->TotalPercentDone(static_cast<int>((i + 1) * 100 / entries.size()));
        const bool directory_entry = !entry.path.empty() && entry.path.back() == '\\';
        if (entry.good && !directory_entry) installation_->EndUnZip(static_cast<int>(i));
    }
}

engine::InstallSettings ProductSettings() {
    engine::InstallSettings settings;
    settings.install_dir = "C:\\VE4";
    settings.setup_dir = "C:\\setup";
    settings.setup_program = "C:\\setup\\VIrovARI2.exe";
    settings.system_dir = "C:\\windows\\system32";
    settings.programs_folder = "C:\\users\\user\\Start Menu\\Programs";
    settings.desktop_folder = "C:\\users\\user\\Desktop";
    settings.program_group = "\\DE roz OZE-2";
    settings.archive_name = "VIrovARI2.dat";
    settings.uninstall_log_name = "virovari2_1_0.log";
    settings.journal_folder = "C:\\ProgramData\\VIrovARI2";
    settings.dirs = {"%InstallDir%\\MPICH1", "%InstallDir%\\MPICH2", "%InstallDir%\\MPI", "%InstallDir%\\LIB"};
    const std::string group = settings.programs_folder + settings.program_group;
    const std::string uninstaller = settings.system_dir + "\\zuvudiru.exe";
    const std::string log = "\"%InstallDir%\\UNINST\\virovari2_1_0.log\"";
    settings.links = {
        {"%InstallDir%\\VIrovARI2\\VIrovARI2.chm", "", "%InstallDir%", group, "DE roz OZE-2 Info"},
        {"%InstallDir%\\VIrovARI2\\readme.txt", "", "%InstallDir%", group, "DE roz OZE-2 Readme"},
        {uninstaller, log, settings.system_dir, "%InstallDir%\\UNINST", "DEredIDO2Zovizuzez"},
        {uninstaller, log, settings.system_dir, group, "DE roz OZE-2 Uninstall"},
        {"%InstallDir%\\VIrovARI2\\VIrovARI2_en.chm", "", "%InstallDir%", group, "DE roz OZE-2 Info (en)"},
        {"%InstallDir%\\VIrovARI2\\readme_en.txt", "", "%InstallDir%", group, "DE roz OZE-2 Readme (en)"},
        {"%InstallDir%\\VIrovARI2\\MPICH2Installer.exe", "", "%InstallDir%", group, "MPICH2 Installer"},
    };
    settings.run_program = "%InstallDir%\\ri4razoz.exe";
    settings.run_work_dir = "%InstallDir%";
    settings.opt_params = "-len";

    engine::InstallTexts& texts = settings.texts;
    texts.install_caption = "DE roz OZE-2 Install";
    texts.sfx_copying = ": copying files...";
    texts.sfx_shortcuts = ": creating shortcuts...";
    texts.fmt_data_copy_error =
        "Data-copy error. It seems likely that the install application is not in the administrator mode or the %s "
        "file is corrupted. Installation will be terminated.";
    texts.fmt_update_error =
        "Could not update the \"%s\" file. It seems likely that the file is used by one of the executing "
        "applications. Close all applications, except the install program, and press the \"Repeat\" button. If "
        "file updating fails again, press the \"Next\" button.";
    texts.fmt_group_error = "Could not create the \"%s\" program group.";
    texts.fmt_not_updated = "Could not update the following files: \r\n%s.";
    texts.fmt_not_created = "Could not create the following files: \r\n%s.";
    texts.fmt_links_not_created = "Could not create the following shortcuts: \r\n%s.";
    texts.fmt_success = "The %1:s %0:s is installed successfully.";
    texts.fmt_links_placed = "Shortcuts of the %1:s %0:s are placed in the \"%2:s\" program group of the Start Menu.";
    texts.fmt_completed = "The %1:s %0:s is installed.";
    texts.fmt_problems =
        "These problems may lead to an unproper work of %1:s.\r\nWe recommend to you to reload your computer and "
        "repeat the installation of the %3:s %2:s.";
    texts.run_message = "\r\n[run message]";
    texts.fmt_run_not_started = "\r\n[not started: %s]";
    texts.product_name = "DE roz OZE-2";
    texts.product_noun = "system";
    texts.product_noun_gen = "system";
    texts.uninstall_texts[0] = "Uninstall DE roz OZE-2";
    texts.uninstall_texts[1] = "Do you want to uninstall DE roz OZE-2?";
    texts.uninstall_texts[2] = "DE roz OZE-2 is completely uninstalled.";
    texts.uninstall_texts[3] = "DE roz OZE-2 is uninstalled but the following files are not deleted:";
    return settings;
}

namespace {

platform::Services TestServices(ScriptedDialogs& dialogs, RecordingShell& shell) {
    platform::Services services = platform::Current();
    services.dialogs = &dialogs;
    services.shell = &shell;
    return services;
}

}  // namespace

EngineTest::EngineTest() : services_(TestServices(dialogs_, shell_)) {
    platform::Files().ForceDirectories("C:\\VE4");
    platform::Files().ForceDirectories("C:\\setup");
    platform::Files().ForceDirectories("C:\\windows\\system32");
    platform::Files().ForceDirectories(settings_.programs_folder);
    platform::Files().ForceDirectories(settings_.desktop_folder);
    platform::Files().ForceDirectories(settings_.journal_folder);
    WriteFile("C:\\VE4\\ri4razoz.exe", "base product utility");
    WriteFile("C:\\setup\\VIrovARI2.exe", "setup program");
}

void EngineTest::WriteFile(const std::string& path, const std::string& content, uint32_t dos_time) {
    platform::FileSystem& files = platform::Files();
    files.ForceDirectories(path.substr(0, path.rfind('\\')));
    std::unique_ptr<platform::File> file = files.OpenFile(path, platform::OpenMode::Create);
    ASSERT_TRUE(file) << path;
    file->Write(content.data(), static_cast<int64_t>(content.size()));
    file.reset();
    platform::FileTime time;
    platform::DosDateTimeToFileTime(dos_time, time);
    files.SetLastWriteTime(path, time);
}

std::string EngineTest::ReadFile(const std::string& path) {
    std::unique_ptr<platform::File> file = platform::Files().OpenFile(path, platform::OpenMode::Read);
    if (!file) return "<missing>";
    std::string content(static_cast<size_t>(file->Size()), '\0');
    file->Read(content.data(), static_cast<int64_t>(content.size()));
    return content;
}

bool EngineTest::Exists(const std::string& path) {
    return platform::Files().GetAttributes(path) != platform::attribute::kInvalid;
}

bool EngineTest::IsDirectory(const std::string& path) { return platform::Files().DirectoryExists(path); }

void EngineTest::SetReadOnly(const std::string& path, bool read_only) {
    const uint32_t attributes = platform::Files().GetAttributes(path);
    platform::Files().SetAttributes(path, read_only ? attributes | platform::attribute::kReadOnly
                                                    : attributes & ~platform::attribute::kReadOnly);
}

bool EngineTest::IsReadOnly(const std::string& path) {
    return (platform::Files().GetAttributes(path) & platform::attribute::kReadOnly) != 0;
}

std::vector<std::string> EngineTest::Tree(const std::string& path) {
    std::vector<std::string> result;
    std::function<void(const std::string&, const std::string&)> walk = [&](const std::string& dir,
                                                                          const std::string& prefix) {
        for (const platform::DirectoryEntry& entry : platform::Files().ListDirectory(dir)) {
            if ((entry.attributes & platform::attribute::kDirectory) != 0) {
                result.push_back(prefix + entry.name + "\\");
                walk(dir + "\\" + entry.name, prefix + entry.name + "\\");
            } else {
                result.push_back(prefix + entry.name);
            }
        }
    };
    walk(path, "");
    std::sort(result.begin(), result.end());
    return result;
}

std::string EngineTest::RegistryText() {
    std::ifstream file(machine_.HostRoot() + "/registry/HKEY_CLASSES_ROOT.reg", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

engine::RecoveryRules EngineTest::Rules() const {
    engine::RecoveryRules rules;
    rules.places.machine_folders = {settings_.system_dir, settings_.programs_folder, settings_.desktop_folder};
    rules.places.base_product_files = {"ri4razoz.exe"};
    for (const engine::FileAssociation& association : settings_.file_exts) {
        for (const std::string& key : engine::AssociationKeys(association.ext)) rules.places.association_keys.push_back(key);
    }
    return rules;
}

engine::RecoveryResult EngineTest::RecoverJournals() {
    return engine::RecoverJournalFolder(settings_.journal_folder, Rules());
}

std::vector<std::string> EngineTest::Journals() {
    std::vector<std::string> names;
    for (const platform::DirectoryEntry& entry : platform::Files().ListDirectory(settings_.journal_folder)) {
        names.push_back(settings_.journal_folder + "\\" + entry.name);
    }
    return names;
}

void EngineTest::Install(std::vector<std::vector<PayloadEntry>> volumes) {
    settings_.volume_count = static_cast<int32_t>(volumes.size());
    MemoryExtractor extractor(std::move(volumes));
    engine::Installation installation(settings_, view_);
    installation.SetReport([this](const std::string& line) {
        report_.push_back(line);
        if (on_report_) on_report_(line);
    });
    extractor.Attach(installation);
    installation.Run(extractor);
}

}  // namespace engine_test

#endif  // _WIN32
