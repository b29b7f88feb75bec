#include "engine/install_window.h"

#include "engine/settings_from_description.h"
#include "engine/journal_folder.h"
#include "engine/recovery.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "platform/ui/application.h"
#include "setup/setup_description.h"
#include "zip/zip_errors.h"

namespace engine {

namespace ui = platform::ui;

namespace {

// Why the extractor skipped an entry, as an administrator reads it. An encrypted entry whose
// CRC does not match has its password questioned first: its data is damaged, or the password
// only passed the one-byte check by chance.
std::string SkipCause(zip::TSkipReason reason, bool password_questioned) {
    switch (reason) {
        case zip::TSkipReason::srBadPassword:
            return password_questioned ? "CRC error (damaged data or a wrong password)" : "wrong password";
        case zip::TSkipReason::srFileOpenError:
            return "system error: cannot create the file: " + platform::Files().LastErrorText();
        case zip::TSkipReason::srUnsafePath:
            return "unsafe path";
        case zip::TSkipReason::srNoOverwrite:
            break;
    }
    return "not extracted";
}

}  // namespace

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
    // What goes wrong with an entry, for the report of a data-copy error.
    ZipExtractor1.OnStartUnZip = [this](zip::TZipExtractor&, int file_index, const std::string&, bool&) {
        current_entry_ = file_index;
        password_questioned_ = false;
    };
    ZipExtractor1.OnBadPassword = [this](zip::TZipExtractor&, int, std::string&) { password_questioned_ = true; };
    ZipExtractor1.OnBadCRC = [this](zip::TZipExtractor&, uint32_t, uint32_t, int file_index) {
        installation_->NoteEntryFailure(ZipExtractor1.EntryFullName(file_index), "CRC error (damaged data)");
    };
    ZipExtractor1.OnSkippingFile = [this](zip::TZipExtractor&, zip::TSkipReason reason, const std::string& name, int) {
        installation_->NoteEntryFailure(name, SkipCause(reason, password_questioned_));
    };
    // An entry that contradicts its own records is damaged data like a CRC error. An archive
    // that contradicts itself is refused by the extractor (OnArchiveDamage stays unassigned),
    // which ends the run through its failure path.
    ZipExtractor1.OnEntryDamaged = [this](zip::TZipExtractor&, zip::TEntryDamage damage, int file_index) {
        installation_->NoteEntryFailure(ZipExtractor1.EntryFullName(file_index),
                                        "damaged data: " + zip::EntryDamageText(damage));
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
    // Nobody is there to close a program that holds a file: it is replaced at the next restart.
    settings_.replace_in_use_at_restart = hidden_;
    std::vector<std::string> folder_lines;
    settings_.journal_folder = JournalFolder(folder_lines);
    installation_ = std::make_unique<Installation>(settings_, static_cast<ProgressView&>(*this));
    installation_->SetReport(record_);
    if (record_) {
        for (const std::string& line : folder_lines) record_(line);
    }
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
void TInstF3::Settled() {
    if (settled_) settled_();
}
void TInstF3::Terminate(platform::ExitCode code) { ui::Application::Instance().Terminate(code); }

void TInstF3::SetPassword(const std::string& password) { ZipExtractor1.Password = password; }
void TInstF3::SetDestDir(const std::string& directory) { ZipExtractor1.SetDestDir(directory); }
void TInstF3::SetZipName(const std::string& name) { ZipExtractor1.SetZipName(name); }
// A file that cannot be written is a system error, reported with the system's text; any other
// failure of the extractor is damaged data. Either way the run's failure path follows.
void TInstF3::UnZip() {
    current_entry_ = -1;
    try {
        ZipExtractor1.UnZip();
    } catch (const zip::EFileError& error) {
        NoteFailure(std::string("system error: ") + error.what() + ": " + platform::Files().LastErrorText());
        throw;
    } catch (const zip::Exception& error) {
        NoteFailure(std::string("damaged data: ") + error.what());
        throw;
    }
}

void TInstF3::NoteFailure(const std::string& cause) {
    const std::string entry = current_entry_ >= 0 ? ZipExtractor1.EntryFullName(current_entry_) : std::string();
    installation_->NoteEntryFailure(entry, cause);
}
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
    // A run puts its shortcuts into the user's folders or, elevated, into the all-users ones.
    rules.places.machine_folders = {machine.SystemDirectory(),
                                    machine.SpecialFolderPath(platform::SpecialFolder::Programs),
                                    machine.SpecialFolderPath(platform::SpecialFolder::DesktopDirectory),
                                    machine.SpecialFolderPath(platform::SpecialFolder::CommonPrograms),
                                    machine.SpecialFolderPath(platform::SpecialFolder::CommonDesktopDirectory)};
    for (int32_t index = 0; index < description.RequiredFileCount && index < setup::kPathTableSize; ++index) {
        rules.places.base_product_files.push_back(description.RequiredFiles[static_cast<size_t>(index)]);
    }
    for (int32_t index = 0; index < description.FileExtCount && index < setup::kSmallTableSize; ++index) {
        for (const std::string& key : AssociationKeys(description.FileExts[static_cast<size_t>(index)].Ext)) {
            rules.places.association_keys.push_back(key);
        }
    }
    return rules;
}

std::unique_ptr<setup::InstallWindow> CreateInstallWindow() { return std::make_unique<TInstF3>(); }

}  // namespace engine
