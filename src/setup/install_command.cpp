// The Install command of the main window: it turns the destination field into InstallDir,
// refuses destinations that are unusable or hold no suitable base product, asks about an
// outdated base library, lets the user choose the environments, works out which top-level
// archive directories to leave out, and hands over to the install engine's window. Every
// refusal is a message box after which the main window is as it was.

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>

#include "locale/format_text.h"
#include "locale/text_case.h"
#include "platform/code_page.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/held_folder.h"
#include "platform/path_form.h"
#include "platform/platform.h"
#include "platform/ui/application.h"
#include "setup/install_dir_macro.h"
#include "setup/main_window.h"
#include "setup/setup_log.h"
#include "setup/setup_texts.h"

namespace setup {

namespace ui = platform::ui;

namespace {

// The machine-wide lock that lets one installation of the product run at a time.
constexpr const char kInstallationLockName[] = "VIrovARI2.Install";
// The file whose creation proves that the destination takes new files.
constexpr const char kWriteTestFile[] = "$$tfile$.tmp";
// The base product's library that this installation replaces; copies from 2005 or earlier
// belong to versions that older environments depend on.
constexpr const char kBaseLibrary[] = "ve4.dll";
constexpr int kLastOldComponentsYear = 2005;

// A name for the write test when something already bears its usual one, which nobody can
// know before the run picks it.
std::string FreshWriteTestName() {
    const auto ticks = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return "$$tfile$-" + std::to_string((ticks ^ std::random_device()()) % 1000000007u) + ".tmp";
}

void ShowBox(const std::string& text, platform::MessageKind kind) {
    platform::UserDialogs().ShowMessage(text, kind, platform::buttons::kOk, platform::DialogResult::Ok);
}

}  // namespace

void TInstF1::Button4Click() {
    TSetupDescription& description = Description();
    // Nothing to check against: an empty field would turn every path below into a path on
    // the current drive's root.
    if (locale::Trim(Edit1.Text()).empty()) {
        Record("Refused: no destination is given");
        ShowBox(locale::FormatText(description.FmtNoInstallDir, {description.ProductNounGen}), platform::MessageKind::Error);
        return;
    }
    if (!description.PrevVersionDir.empty() && platform::Files().DirectoryExists(description.PrevVersionDir)) {
        Record("Refused: an earlier version is installed in " + description.PrevVersionDir);
        ShowBox(description.PrevVersionMessage, platform::MessageKind::Warning);
        return;
    }

    // Every later use (the journal, the uninstall log, the shortcuts, the record of the run)
    // takes the destination in this one form.
    if (!SettleDestination(Edit1.Text(), description.InstallDir)) {
        Record("Refused: the destination \"" + Edit1.Text() + "\" cannot be normalised to a full local path");
        ShowBox(locale::FormatText(Pick(texts::kFmtUnusableDir), {Edit1.Text(), description.ProductNounGen}),
                platform::MessageKind::Error);
        return;
    }
    Record("Destination: " + description.InstallDir);

    // The machine is locked from here until the run's changes are committed or undone; a
    // refusal lets go of it at once.
    if (!TakeInstallationLock()) return;
    if (!RecoverUnfinishedRun(description.InstallDir) || !CheckBaseProduct() || !PrepareDestination() ||
        !AcceptOldComponents() || !ChooseEnvironments()) {
        installation_lock_.reset();
        return;
    }
    BuildExcludedDirList();
    StartEngine();
}

bool TInstF1::TakeInstallationLock() {
    if (installation_lock_) return true;  // this run holds it already
    platform::System& machine = platform::Machine();
    installation_lock_ = machine.TakeMachineLock(kInstallationLockName);
    if (installation_lock_) return true;
    const platform::LockHolder holder = machine.MachineLockHolder(kInstallationLockName);
    Record(holder.process_id == 0 ? std::string("Locked: another process holds the installation lock (which one is not known)")
                                  : "Locked: process " + std::to_string(holder.process_id) + " (" + holder.program +
                                        ") holds the installation lock");
    ShowBox(Pick(texts::kMsgAnotherInstallRunning), platform::MessageKind::Error);
    SetWindowState(ui::WindowState::Minimized);
    ui::Application::Instance().Terminate(platform::ExitCode::AnotherInstallRunning);
    return false;
}

bool SettleDestination(const std::string& typed, std::string& destination) {
    std::string normalised;
    if (platform::NormaliseFolderPath(platform::Files(), typed, normalised) != platform::PathForm::Normalised) return false;
    // A drive's root holds more than the product: the journal never names one as a destination.
    if (normalised.size() <= 3) return false;
    destination = normalised;
    return true;
}

bool TInstF1::RecoverUnfinishedRun(const std::string& install_dir) {
    if (!InstF3) return true;
    const InstallWindow::Recovery recovery = InstF3->RecoverUnfinished(install_dir);
    for (const std::string& line : recovery.report) Record(line);
    switch (recovery.outcome) {
        case InstallWindow::Unfinished::None:
        case InstallWindow::Unfinished::Recovered:
            if (!recovery.left.empty()) {
                std::string list;
                for (const std::string& path : recovery.left) list += (list.empty() ? "\"" : ", \"") + path + "\"";
                ShowBox(locale::FormatText(Pick(texts::kFmtRecoveryLeftFiles), {list}), platform::MessageKind::Information);
            }
            return true;
        case InstallWindow::Unfinished::InUse:
            // Perhaps a run that is still going on: the user is to wait, a deployment tool to retry.
            ShowBox(Pick(texts::kMsgAnotherInstallRunning), platform::MessageKind::Error);
            ui::Application::Instance().Terminate(platform::ExitCode::AnotherInstallRunning);
            return false;
        case InstallWindow::Unfinished::Refused:
            ShowBox(locale::FormatText(Pick(texts::kFmtJournalRefused), {recovery.journal_path}),
                    platform::MessageKind::Error);
            break;
        case InstallWindow::Unfinished::Unrecoverable:
            ShowBox(locale::FormatText(Description().FmtUnfinishedUnreadable, {recovery.destination, recovery.journal_path}),
                    platform::MessageKind::Error);
            break;
    }
    // A silent run cannot wait for someone to put the machine right.
    if (switches_.silent) ui::Application::Instance().Terminate(platform::ExitCode::RecoveryFailed);
    return false;
}

bool TInstF1::CheckBaseProduct() {
    const TSetupDescription& description = Description();
    const int32_t count = std::min(description.RequiredFileCount, kPathTableSize);
    bool complete = true;
    for (int32_t index = 0; index < count; ++index) {
        const std::string file = description.InstallDir + "\\" + description.RequiredFiles[index];
        if (platform::Files().FileExists(file)) continue;
        Record("Missing: " + file);
        complete = false;
    }
    if (complete) return true;
    Record("Refused: the base product is not complete in " + description.InstallDir);
    ShowBox(ExpandInstallDir(description.BaseMissingMessage, description.InstallDir), platform::MessageKind::Error);
    return false;
}

bool TInstF1::PrepareDestination() {
    const TSetupDescription& description = Description();
    platform::FileSystem& files = platform::Files();
    // A failure here shows in the check that follows.
    if (!files.DirectoryExists(description.InstallDir)) files.ForceDirectories(description.InstallDir);
    if (!files.DirectoryExists(description.InstallDir)) {
        Record("Refused: the destination " + description.InstallDir + " cannot be created: " + files.LastErrorText());
        ShowBox(locale::FormatText(description.FmtCannotCreateDir, {description.InstallDir, description.ProductNounGen}),
                platform::MessageKind::Error);
        return false;
    }

    // The test file is made new in the held destination, never through a link planted at its
    // name, and only the file made is deleted, through its own handle.
    const std::unique_ptr<platform::HeldFolder> destination =
        files.HoldFolder(description.InstallDir, platform::HoldKind::Keep);
    std::unique_ptr<platform::File> test_file = destination ? destination->CreateNewFile(kWriteTestFile) : nullptr;
    if (destination && !test_file && files.GetAttributes(description.InstallDir + "\\" + kWriteTestFile) !=
                                         platform::attribute::kInvalid) {
        test_file = destination->CreateNewFile(FreshWriteTestName());
    }
    if (!test_file) {
        Record("Refused: no file can be created in " + description.InstallDir + " (" + kWriteTestFile +
               "): " + files.LastErrorText());
        ShowBox(locale::FormatText(description.FmtReadOnlyDir, {description.InstallDir, description.ProductNounGen}),
                platform::MessageKind::Error);
        return false;
    }
    test_file->DeleteItself();
    return true;
}

bool TInstF1::AcceptOldComponents() {
    const TSetupDescription& description = Description();
    const std::string library = description.SystemDir + "\\" + kBaseLibrary;
    platform::FileTime written;
    platform::DateTime date;
    // A library whose date cannot be read is not known to be old, so it asks nothing.
    if (!platform::Files().FileExists(library) || !platform::Files().GetLastWriteTime(library, written) ||
        !platform::FileTimeToLocalDateTime(written, date) || date.year > kLastOldComponentsYear) {
        return true;
    }
    Record("Old components: " + library + " is dated " + RecordTime(date) + ", on or before " +
           std::to_string(kLastOldComponentsYear) + "-12-31, the last date of the components older environments need");
    if (switches_.accept_old) {
        Record("Old components accepted (/ACCEPTOLD)");
        return true;
    }
    if (platform::UserDialogs().ShowMessage(description.MsgOldComponents, platform::MessageKind::Warning,
                                            platform::buttons::kYesNo,
                                            platform::DialogResult::Yes) == platform::DialogResult::Yes) {
        return true;
    }
    Record("Refused: the old components were not accepted");
    return false;
}

bool TInstF1::ChooseEnvironments() {
    const TSetupDescription& description = Description();
    // A silent installation takes the chooser's start-up marks as they are.
    if (description.EnvCount <= 0 || !description.OptSelectDialog || !InstF4 || switches_.silent) return true;
    if (InstF4->ShowModal() == ui::ModalResult::Ok) return true;
    Record("Refused: the environment chooser was cancelled");
    return false;
}

void TInstF1::BuildExcludedDirList() {
    TSetupDescription& description = Description();
    description.ExcludedDirList.clear();
    if (InstF4) {
        const ui::CheckListBox& list = InstF4->CheckListBox1;
        for (int index = 0; index < list.Items().Count() && index < kSmallTableSize; ++index) {
            if (!list.Checked(index)) description.ExcludedDirList.push_back(platform::UpperCaseAnsi(description.EnvCodes[index]));
        }
    }
    // Exclusions that name an environment count through the chooser's check marks alone.
    const int32_t environment_count = std::min(description.EnvCount, kSmallTableSize);
    for (int32_t exclusion = 0; exclusion < description.ExcludeDirCount && exclusion < kSmallTableSize; ++exclusion) {
        const std::string name = platform::UpperCaseAnsi(description.ExcludeDirs[exclusion]);
        bool names_environment = false;
        for (int32_t index = 0; index < environment_count; ++index) {
            if (platform::UpperCaseAnsi(description.EnvCodes[index]) == name) names_environment = true;
        }
        if (!names_environment) description.ExcludedDirList.push_back(name);
    }
}

void TInstF1::StartEngine() {
    const TSetupDescription& description = Description();
    if (!InstF3) return;
    ui::Form& window = InstF3->Window();
    window.SetPosition(ui::FormPosition::Designed);
    window.SetBounds(Left(), Top() + Height(), Width(), window.Height());
    ui::ProgressBar& progress = InstF3->Progress();
    progress.SetBounds(5, progress.Top(), window.Width() - 10, progress.Height());
    InstF3->SetStatus(description.InstallCaption + description.SfxDataReading);
    if (log_ != nullptr) InstF3->SetRecord([this](const std::string& line) { Record(line); });
    // Committed or undone, the machine is settled: the lock goes before the final message.
    InstF3->SetOnSettled([this] { installation_lock_.reset(); });
    if (switches_.silent) {
        InstF3->RunHidden();
        return;
    }
    window.ShowModal();
}

}  // namespace setup
