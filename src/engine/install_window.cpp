#include "engine/install_window.h"

#include "engine/settings_from_description.h"
#include "engine/journal_folder.h"
#include "engine/recovery.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "platform/ui/application.h"
#include "setup/setup_description.h"

namespace engine {

namespace ui = platform::ui;

TInstF3::TInstF3() {
    SetName("InstF3");
    SetWindowClass("TInstF3");
    SetBorderStyle(ui::BorderStyle::None);
    SetBorderIcons(0);
    SetClientSize(632, 65);
    SetFont(ui::DefaultFont());

    Panel1.SetName("Panel1");
    Panel1.SetAlign(ui::Align::Client);
    Panel1.SetOuterBevel(ui::PanelBevel::Raised);
    Panel1.SetBevelWidth(2);
    Label1.SetName("Label1");
    Label1.SetCaption("Copying...");
    ProgressBar1.SetName("ProgressBar1");
    ProgressBar1.SetRange(0, 100);

    ZipExtractor1.RecreateDirs = true;
    ZipExtractor1.OverwriteMode = zip::TUZOverwriteMode::Always;
    ZipExtractor1.DoAll = true;
    ZipExtractor1.OnTotalPercentDone = [this](zip::TZipExtractor& sender, int percent) {
        ZipExtractor1TotalPercentDone(sender, percent);
    };
    ZipExtractor1.OnEndUnZip = [this](zip::TZipExtractor& sender, int file_index, const std::string& file_name) {
        ZipExtractor1EndUnZip(sender, file_index, file_name);
    };

    OnActivate = [this] { FormShow(); };
    OnCloseQuery = [this](bool& can_close) { FormCloseQuery(can_close); };
}

TInstF3::~TInstF3() = default;

void TInstF3::FormShow() {
    // The window is activated again whenever a message box of the run closes; the run itself
    // happens once.
    if (entered_) return;
    entered_ = true;
    setup::TSetupDescription& description = setup::Description();
    settings_ = SettingsFromDescription(description, platform::Machine().ProgramPath());
    std::vector<std::string> folder_lines;
    settings_.journal_folder = JournalFolder(folder_lines);
    installation_ = std::make_unique<Installation>(settings_, static_cast<ProgressView&>(*this));
    installation_->Run(static_cast<PayloadExtractor&>(*this));
    StoreExpandedSettings(settings_, description);
}

void TInstF3::FormCloseQuery(bool& can_close) { can_close = false; }

void TInstF3::ZipExtractor1TotalPercentDone(zip::TZipExtractor&, int percent) {
    installation_->TotalPercentDone(percent);
}

void TInstF3::ZipExtractor1EndUnZip(zip::TZipExtractor&, int file_index, const std::string&) {
    installation_->EndUnZip(file_index);
}

void TInstF3::SetProgressMax(int maximum) { ProgressBar1.SetMax(maximum); }
void TInstF3::SetProgressPosition(int position) { ProgressBar1.SetPosition(position); }
int TInstF3::ProgressPosition() { return ProgressBar1.Position(); }
void TInstF3::ProcessMessages() { ui::Application::Instance().ProcessMessages(); }
void TInstF3::HideWindow() { Hide(); }
void TInstF3::Terminate(platform::ExitCode code) { ui::Application::Instance().Terminate(code); }

void TInstF3::SetPassword(const std::string& password) { ZipExtractor1.Password = password; }
void TInstF3::SetDestDir(const std::string& directory) { ZipExtractor1.SetDestDir(directory); }
void TInstF3::SetZipName(const std::string& name) { ZipExtractor1.SetZipName(name); }
void TInstF3::UnZip() { ZipExtractor1.UnZip(); }
int TInstF3::Count() { return ZipExtractor1.Count(); }
std::string TInstF3::EntryFullName(int index) { return ZipExtractor1.EntryFullName(index); }

std::string TInstF3::JournalFolder(std::vector<std::string>& log_lines) {
    if (journal_folder_.empty()) journal_folder_ = PrepareJournalFolder(log_lines);
    return journal_folder_;
}

TInstF3::Recovery TInstF3::RecoverUnfinished(const std::string& install_dir) {
    std::vector<std::string> folder_lines;
    const std::string folder = JournalFolder(folder_lines);
    RecoveryResult result;
    if (!folder.empty()) result = RecoverJournalFolder(folder, JournalRules(setup::Description()));
    result.report.insert(result.report.begin(), folder_lines.begin(), folder_lines.end());
    ReportJournalInDestination(install_dir, result);

    Recovery recovery;
    recovery.journal_path = result.journal_path;
    recovery.destination = result.destination.empty() ? install_dir : result.destination;
    recovery.reason = result.reason;
    recovery.report = std::move(result.report);
    recovery.left = std::move(result.left);
    switch (result.outcome) {
        case RecoveryOutcome::NothingToDo: recovery.outcome = Unfinished::None; break;
        case RecoveryOutcome::Recovered: recovery.outcome = Unfinished::Recovered; break;
        case RecoveryOutcome::InUse: recovery.outcome = Unfinished::InUse; break;
        case RecoveryOutcome::Incomplete:
        case RecoveryOutcome::Unreadable: recovery.outcome = Unfinished::Unrecoverable; break;
        case RecoveryOutcome::Refused: recovery.outcome = Unfinished::Refused; break;
    }
    return recovery;
}

RecoveryRules JournalRules(const setup::TSetupDescription& description) {
    RecoveryRules rules;
    platform::System& machine = platform::Machine();
    rules.places.machine_folders = {machine.SystemDirectory(),
                                    machine.SpecialFolderPath(platform::SpecialFolder::Programs),
                                    machine.SpecialFolderPath(platform::SpecialFolder::DesktopDirectory)};
    for (int32_t index = 0; index < description.RequiredFileCount && index < setup::kPathTableSize; ++index) {
        rules.places.base_product_files.push_back(description.RequiredFiles[static_cast<size_t>(index)]);
    }
    for (int32_t index = 0; index < description.FileExtCount && index < setup::kSmallTableSize; ++index) {
        for (const std::string& key : AssociationKeys(description.FileExts[static_cast<size_t>(index)].Ext)) {
            rules.places.association_keys.push_back(key);
        }
    }
    rules.is_trusted = &IsTrustedJournal;
    return rules;
}

std::unique_ptr<setup::InstallWindow> CreateInstallWindow() { return std::make_unique<TInstF3>(); }

}  // namespace engine
