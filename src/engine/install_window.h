#pragma once
// TInstF3, the install engine's progress window: a borderless strip below the main window
// with a status line and a progress bar. Its first activation runs the whole installation
// (Installation) with the extraction component ZipExtractor1; it cannot be closed by the
// user, and the run ends the program itself.

#include <memory>
#include <string>

#include "engine/install_settings.h"
#include "engine/installation.h"
#include "engine/recovery.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "setup/install_window.h"
#include "setup/setup_description.h"
#include "zip/zip_extractor.h"

namespace engine {

class TInstF3 : public platform::ui::Form, public setup::InstallWindow, private ProgressView, private PayloadExtractor {
public:
    TInstF3();
    ~TInstF3() override;

    // setup::InstallWindow
    platform::ui::Form& Window() override { return *this; }
    platform::ui::ProgressBar& Progress() override { return ProgressBar1; }
    void SetStatus(const std::string& text) override { Label1.SetCaption(text); }
    Recovery RecoverUnfinished(const std::string& install_dir) override;
    // The folder of the runs' journals, made safe once (what that took is added to log_lines);
    // empty when it cannot be.
    std::string JournalFolder(std::vector<std::string>& log_lines);
    // The run of the first showing, the window left hidden.
    void RunHidden() override {
        hidden_ = true;
        FormShow();
    }
    void SetRecord(std::function<void(const std::string& line)> record) override { record_ = std::move(record); }
    void SetOnSettled(std::function<void()> settled) override { settled_ = std::move(settled); }

    platform::ui::Panel Panel1{*this, 0, 0, 632, 65};
    platform::ui::Label Label1{Panel1, 16, 13, 600, 16};
    platform::ui::ProgressBar ProgressBar1{Panel1, 2, 37, 628, 16};
    zip::TZipExtractor ZipExtractor1;

    // The run, on the window's first activation; later activations do nothing.
    void FormShow();
    // The window refuses every request to close it.
    void FormCloseQuery(bool& can_close);
    void ZipExtractor1TotalPercentDone(zip::TZipExtractor& sender, int percent);
    void ZipExtractor1EndUnZip(zip::TZipExtractor& sender, int file_index, const std::string& file_name);

    // The run's state, once the run has started (nullptr before).
    Installation* Run() { return installation_.get(); }

private:
    // ProgressView
    void SetProgressMax(int maximum) override;
    void SetProgressPosition(int position) override;
    int ProgressPosition() override;
    void ProcessMessages() override;
    void HideWindow() override;
    void Settled() override;
    void Terminate(platform::ExitCode code) override;

    // PayloadExtractor over ZipExtractor1
    void SetPassword(const std::string& password) override;
    void SetDestDir(const std::string& directory) override;
    void SetZipName(const std::string& name) override;
    void UnZip() override;
    // The cause of the failure of the entry being extracted, for the report.
    void NoteFailure(const std::string& cause);
    int Count() override;
    std::string EntryFullName(int index) override;

    InstallSettings settings_;
    std::string journal_folder_;
    std::unique_ptr<Installation> installation_;
    bool entered_ = false;
    bool hidden_ = false;  // a silent run
    ReportLine record_;
    std::function<void()> settled_;
    // The entry the extractor works on, and whether its password was questioned after its
    // check failed (an encrypted entry's CRC error).
    int current_entry_ = -1;
    bool password_questioned_ = false;
};

// What recovery may find in a journal on this machine for the product described: the
// machine's folders, the base product's files, the associations' keys.
RecoveryRules JournalRules(const setup::TSetupDescription& description);

// A factory for the main window: the engine's window, hidden.
std::unique_ptr<setup::InstallWindow> CreateInstallWindow();

}  // namespace engine
