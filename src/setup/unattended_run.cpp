// The main window's part in unattended runs: the command-line switches, the record of the run
// that /LOG= asks for, the list of switches that /? shows, and the silent installation of /S,
// in which no window appears: the language is settled without asking, the environment
// chooser keeps its defaults, message boxes are answered by RecordingDialogs, the engine runs
// with its window hidden, and a run that the Install command refuses ends with the exit code
// of a refusal.

#include <chrono>
#include <memory>
#include <thread>

#include "build_date.h"
#include "locale/format_text.h"
#include "locale/language.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/system.h"
#include "platform/ui/application.h"
#include "setup/main_window.h"
#include "setup/setup_texts.h"

namespace setup {

namespace ui = platform::ui;

namespace {

std::string ExitCodeMeaning(platform::ExitCode code) {
    switch (code) {
        case platform::ExitCode::Installed:
            return "installed";
        case platform::ExitCode::InstalledWithFailures:
            return "installed, with files or shortcuts that could not be placed";
        case platform::ExitCode::UserExit:
            return "left without installing";
        case platform::ExitCode::VolumeMissing:
            return "a payload volume is missing";
        case platform::ExitCode::InstallFailed:
            return "the installation failed and was rolled back";
        case platform::ExitCode::RecoveryFailed:
            return "an installation, earlier or this one, could not be completely undone";
        case platform::ExitCode::Refused:
            return "refused by the Install command's checks";
        case platform::ExitCode::LogUnwritable:
            return "the record of the run cannot be written";
        case platform::ExitCode::InvalidCommandLine:
            return "the command line holds an unknown switch; nothing was changed";
        case platform::ExitCode::RestartNeeded:
            return "installed; a restart completes the installation";
        case platform::ExitCode::AnotherInstallRunning:
            return "another installation of the product is running";
    }
    return "unknown";
}

// The day of the commit this program was built from, as "yyyy-mm-dd" (the same in every build
// of that commit).
std::string BuildDate() { return VI_BUILD_DATE; }

void SleepFor(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// Why nobody can see the run's windows; empty when someone can.
std::string NoDesktopReason(const platform::DesktopSession& desktop) {
    if (desktop.session_id == 0) return "session 0, where nobody sees a window";
    if (!desktop.window_station_visible) return "its window station is not visible";
    return {};
}

}  // namespace

void TInstF1::StartRecording() {
    platform::System& machine = platform::Machine();
    const std::string command_line = machine.CommandLine();
    switches_ = ParseCommandSwitches(command_line);
    // A window nobody can see would wait for ever: such a run is silent whatever it was told.
    const std::string no_desktop = NoDesktopReason(machine.Desktop());
    if (!no_desktop.empty()) switches_.silent = true;
    if (!switches_.silent && !switches_.log_given) return;
    log_ = std::make_unique<SetupLog>(switches_.log_file);
    platform::Dialogs* shown = switches_.silent ? nullptr : &platform::UserDialogs();
    recording_dialogs_ = std::make_unique<RecordingDialogs>(shown, *log_, &SleepFor);
    platform::Services services;
    services.dialogs = recording_dialogs_.get();
    recording_scope_ = std::make_unique<platform::ScopedServices>(services);

    record_unwritable_ = switches_.log_given && (!log_->Enabled() || !log_->Problem().empty() ||
                                                 !log_->Write("Start: " + machine.ProgramPath() + command_line));
    if (!no_desktop.empty()) Record("Silent: the run has no interactive desktop (" + no_desktop + ")");
    for (const std::string& word : switches_.ignored) Record("Ignored: " + word);
}

// A record that was asked for and cannot be written (a folder that does not exist, a file
// that is read-only) ends the run before anything changes: a deployment tool that asks for
// one relies on it.
bool TInstF1::CheckRecordWritable() {
    if (!record_unwritable_) return true;
    platform::UserDialogs().ShowMessage(locale::FormatText(Pick(texts::kFmtLogUnwritable), {switches_.log_file}),
                                        platform::MessageKind::Error, platform::buttons::kOk, platform::DialogResult::Ok);
    ui::Application::Instance().Terminate(platform::ExitCode::LogUnwritable);
    return false;
}

void TInstF1::Record(const std::string& line) {
    if (log_ == nullptr) return;
    // System files are named where they really are (SysWOW64 for this 32-bit program on 64-bit
    // Windows), not where the program's view of the system directory puts them.
    const std::string& system_dir = Description().SystemDir;
    if (real_system_dir_.empty() || system_dir.empty() || real_system_dir_ == system_dir) {
        log_->Write(line);
        return;
    }
    std::string text = line;
    const std::string prefix = system_dir + "\\";
    for (size_t found = text.find(prefix); found != std::string::npos;
         found = text.find(prefix, found + real_system_dir_.size() + 1)) {
        text.replace(found, system_dir.size(), real_system_dir_);
    }
    log_->Write(text);
}

void TInstF1::RecordProgramAndMachine() {
    if (log_ == nullptr) return;
    const TSetupDescription& description = Description();
    Record("Program: " + std::string(texts::kApplicationTitle) + " " + description.Version + ", built " + BuildDate());
    platform::System& machine = platform::Machine();
    const platform::MachineIdentity identity = machine.Identity();
    Record("Machine: Windows " + std::to_string(identity.major_version) + "." + std::to_string(identity.minor_version) +
           " build " + std::to_string(identity.build) + ", " + identity.architecture + ", named " + identity.name);
    const std::string payload = VolumePath(description, 1);
    platform::FileSystem& files = platform::Files();
    std::unique_ptr<platform::File> file = files.OpenFile(payload, platform::OpenMode::Read);
    platform::FileTime written;
    platform::DateTime date;
    if (file == nullptr || !files.GetLastWriteTime(payload, written) || !platform::FileTimeToLocalDateTime(written, date)) {
        Record("Payload: " + payload + " (cannot be read)");
    } else {
        Record("Payload: " + payload + ", " + std::to_string(file->Size()) + " bytes, dated " + RecordTime(date));
    }
    const bool elevated = machine.IsElevated();
    Record("User: " + machine.UserName() + (elevated ? ", elevated" : ", not elevated") + "; shortcuts in " +
           description.ProgramsFolder);
}

void TInstF1::RecordOutcome(platform::ExitCode code) {
    Record("Exit code " + std::to_string(static_cast<int>(code)) + ": " + ExitCodeMeaning(code));
}

void TInstF1::ShowSwitches(platform::ExitCode code) {
    platform::UserDialogs().ShowMessage(Pick(texts::kSwitchesHelp), platform::MessageKind::Information,
                                        platform::buttons::kOk, platform::DialogResult::Ok);
    ui::Application::Instance().Terminate(code);
}

void TInstF1::RefuseCommandLine() {
    Record("Unknown switch: " + switches_.unknown_switch);
    if (switches_.silent) {
        ui::Application::Instance().Terminate(platform::ExitCode::InvalidCommandLine);
        return;
    }
    ShowSwitches(platform::ExitCode::InvalidCommandLine);
}

void TInstF1::InstallSilently() {
    // The start-up may have ended the run already (an unfinished installation that could
    // not be recovered).
    if (ui::Application::Instance().Terminated()) return;
    Button4Click();
    // Only a refusal comes back here: a run that reached the engine has ended the program.
    ui::Application::Instance().Terminate(platform::ExitCode::Refused);
}

}  // namespace setup
