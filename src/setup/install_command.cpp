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
#include "platform/platform.h"
#include "platform/ui/application.h"
#include "setup/install_dir_macro.h"
#include "setup/main_window.h"
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
        ShowBox(locale::FormatText(description.FmtNoInstallDir, {description.ProductNounGen}), platform::MessageKind::Error);
        return;
    }
    if (!description.PrevVersionDir.empty() && platform::Files().DirectoryExists(description.PrevVersionDir)) {
        ShowBox(description.PrevVersionMessage, platform::MessageKind::Warning);
        return;
    }

    description.InstallDir = Edit1.Text();
    if (!description.InstallDir.empty() && description.InstallDir.back() == '\\') description.InstallDir.pop_back();

    if (!RecoverUnfinishedRun(description.InstallDir)) return;
    if (!CheckBaseProduct()) return;
    if (!PrepareDestination()) return;
    if (!AcceptOldComponents()) return;
    if (!ChooseEnvironments()) return;
    BuildExcludedDirList();
    StartEngine();
}

bool TInstF1::TakeInstallationLock() {
    installation_lock_ = platform::Machine().TakeMachineLock(kInstallationLockName);
    if (installation_lock_) return true;
    ShowBox(Pick(texts::kMsgAnotherInstallRunning), platform::MessageKind::Error);
    SetWindowState(ui::WindowState::Minimized);
    ui::Application::Instance().Terminate(platform::ExitCode::AnotherInstallRunning);
    return false;
}

bool TInstF1::RecoverUnfinishedRun(std::string install_dir) {
    if (!InstF3) return true;
    if (!install_dir.empty() && install_dir.back() == '\\') install_dir.pop_back();
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
    for (int32_t index = 0; index < count; ++index) {
        if (platform::Files().FileExists(description.InstallDir + "\\" + description.RequiredFiles[index])) continue;
        ShowBox(ExpandInstallDir(description.BaseMissingMessage, description.InstallDir), platform::MessageKind::Error);
        return false;
    }
    return true;
}

bool TInstF1::PrepareDestination() {
    const TSetupDescription& description = Description();
    platform::FileSystem& files = platform::Files();
    // A failure here shows in the check that follows.
    if (!files.DirectoryExists(description.InstallDir)) files.ForceDirectories(description.InstallDir);
    if (!files.DirectoryExists(description.InstallDir)) {
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
    return platform::UserDialogs().ShowMessage(description.MsgOldComponents, platform::MessageKind::Warning,
                                               platform::buttons::kYesNo,
                                               platform::DialogResult::Yes) == platform::DialogResult::Yes;
}

bool TInstF1::ChooseEnvironments() {
    const TSetupDescription& description = Description();
    // A silent installation takes the chooser's start-up marks as they are.
    if (description.EnvCount <= 0 || !description.OptSelectDialog || !InstF4 || switches_.silent) return true;
    return InstF4->ShowModal() == ui::ModalResult::Ok;
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
    Record("Destination: " + description.InstallDir);
    if (log_ != nullptr) InstF3->SetRecord([this](const std::string& line) { Record(line); });
    if (switches_.silent) {
        InstF3->RunHidden();
        return;
    }
    window.ShowModal();
}

}  // namespace setup
