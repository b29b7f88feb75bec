#pragma once
// The main window. Creating it is the whole start-up: it finds the directories the
// installation needs, reads the options file, settles the interface language, fills the
// setup description, checks that the payload is there, labels itself and creates the
// secondary windows. It then offers the destination field, Browse, About, License, Install
// and Exit.

#include <memory>
#include <string>

#include "platform/exit_code.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/keys.h"
#include "platform/ui/timer.h"
#include "setup/command_switches.h"
#include "setup/install_window.h"
#include "setup/recording_dialogs.h"
#include "setup/setup_description.h"
#include "windows/environment_chooser.h"
#include "windows/text_viewer.h"

namespace setup {

// Tags that tell the About and License buttons apart in their shared handler.
constexpr int kAboutTag = 1;
constexpr int kLicenseTag = 2;

// The destination as typed, chosen or given (/D=, InstallDir) turned into the one form every
// later use takes (platform::NormaliseFolderPath); false, destination untouched, for a path that
// is relative, a network or device path, a drive's root, or one the system cannot normalise.
bool SettleDestination(const std::string& typed, std::string& destination);

class TInstF1 : public platform::ui::Form {
public:
    // Creates the window hidden and runs the start-up; create_install_window makes the install
    // engine's window among the secondary windows. When a payload volume is missing, the
    // start-up reports it, minimises the window and terminates the application; StartedUp()
    // then tells false.
    explicit TInstF1(InstallWindowFactory create_install_window);
    ~TInstF1() override;

    // Whether the start-up ran to its end (the window is usable).
    bool StartedUp() const { return started_up_; }
    // The command-line switches the start-up read.
    const CommandSwitches& Switches() const { return switches_; }
    // Ends the run's record (/LOG=) with the exit code and what it means; the program entry
    // calls it once the application has terminated.
    void RecordOutcome(platform::ExitCode code);

    // --- Event handlers ---
    void FormCreate();
    void FormShow();
    void Timer1Timer();
    void FormKeyDown(platform::ui::KeyCode& key, platform::ui::ShiftState shift);
    void FormKeyPress(char& key);
    // Browse: the directory dialog, starting at the destination when it exists.
    void Button1Click();
    // About (tag 1) and License (tag 2): the readme or licence text in the viewer.
    void Button2Click(const platform::ui::Button& sender);
    // Install: checks the destination and the base product and hands over to the engine.
    void Button4Click();
    void Button5Click();
    void FormCloseQuery(bool& can_close);
    void FormClose(platform::ui::CloseAction& action);

    // Fills the environment chooser from the description: texts and height when the product
    // offers environments, its items, and their check marks (unticked when the options file
    // excludes the environment's directory). Start-up runs it once.
    void FillEnvironmentChooser();

    // --- Controls, top to bottom ---
    platform::ui::Label Label2{*this, 18, 9, 649, 36};
    platform::ui::Label Label1{*this, 16, 8, 649, 36};
    platform::ui::Label Label3{*this, 16, 50, 660, 22};
    platform::ui::Label Label6{*this, 16, 84, 320, 16};
    platform::ui::Label Label4{*this, 345, 84, 320, 16};
    platform::ui::Bevel Bevel1{*this, 8, 110, 665, 2};
    platform::ui::Label Label5{*this, 16, 141, 300, 14};
    platform::ui::Edit Edit1{*this, 330, 137, 240, 21};
    platform::ui::Button Button1{*this, 580, 135, 85, 25};
    platform::ui::Bevel Bevel2{*this, 8, 185, 665, 2};
    platform::ui::Button Button2{*this, 16, 222, 170, 25};
    platform::ui::Button Button3{*this, 196, 222, 170, 25};
    platform::ui::Button Button4{*this, 470, 222, 95, 25};
    platform::ui::Button Button5{*this, 575, 222, 90, 25};
    platform::ui::Timer Timer1{*this, 200};

    // --- Secondary windows, created at the end of the start-up ---
    std::unique_ptr<windows::TInstF2> InstF2;
    std::unique_ptr<InstallWindow> InstF3;
    std::unique_ptr<windows::TInstF4> InstF4;

private:
    void SetUpControls();
    void FindDirectories();
    bool CheckVolumes();
    void LabelWindow();
    void ShowVersion();
    void ArrangeTextButtons();
    void CreateSecondaryWindows();
    // Takes the machine-wide lock of the product, held while the run may change the machine
    // (the start-up's recovery; Install until the changes are committed or undone); false
    // (after recording who holds it, telling the user and asking the application to end with
    // 1618) when another copy holds it.
    bool TakeInstallationLock();
    // Puts right what unfinished earlier installations left and records every step; false
    // (after telling the user) when a record of changes is in use, cannot be read or undone,
    // or is refused, so nothing may be installed now.
    bool RecoverUnfinishedRun(const std::string& install_dir);
    // Install's checks, each true when the command may go on.
    bool CheckBaseProduct();
    bool PrepareDestination();
    bool AcceptOldComponents();
    bool ChooseEnvironments();
    void BuildExcludedDirList();
    void StartEngine();
    // Unattended runs (unattended_run.cpp): reading the switches and starting the record,
    // one line of it, the list of switches, and the silent installation.
    void StartRecording();
    void Record(const std::string& line);
    // The record's lines on the program (version, build date), the payload (name, size,
    // date) and the account the run is for (user, elevation, where the shortcuts go).
    void RecordProgramAndMachine();
    // The list of switches, then the end with code.
    void ShowSwitches(platform::ExitCode code);
    // An unknown switch: the list of switches (in a normal run) and the end, before anything
    // changes.
    void RefuseCommandLine();
    bool CheckRecordWritable();
    void InstallSilently();

    InstallWindowFactory create_install_window_;
    std::unique_ptr<platform::MachineLock> installation_lock_;
    bool started_up_ = false;
    CommandSwitches switches_;
    std::unique_ptr<SetupLog> log_;
    bool record_unwritable_ = false;  // the record asked for cannot be written
    std::string real_system_dir_;     // where the system directory really is, for the record
    std::unique_ptr<RecordingDialogs> recording_dialogs_;
    std::unique_ptr<platform::ScopedServices> recording_scope_;
};

}  // namespace setup
