#include "engine/install_window.h"

#include "engine/settings_from_description.h"
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

std::string TInstF3::JournalPath(const std::string& install_dir) { return install_dir + "\\" + kJournalName; }

TInstF3::Unfinished TInstF3::RecoverUnfinished(const std::string& install_dir) {
    switch (RollbackJournal::Recover(JournalPath(install_dir))) {
        case RollbackJournal::Recovery::NothingToDo: return Unfinished::None;
        case RollbackJournal::Recovery::Recovered: return Unfinished::Recovered;
        case RollbackJournal::Recovery::Unreadable:
        case RollbackJournal::Recovery::Incomplete: break;
    }
    return Unfinished::Unrecoverable;
}

std::unique_ptr<setup::InstallWindow> CreateInstallWindow() { return std::make_unique<TInstF3>(); }

}  // namespace engine
