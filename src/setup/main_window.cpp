#include "setup/main_window.h"

#include <algorithm>
#include <vector>

#include "locale/format_text.h"
#include "locale/language.h"
#include "platform/code_page.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "platform/ui/application.h"
#include "setup/options_file.h"
#include "setup/paragraph_text.h"
#include "setup/setup_texts.h"
#include "setup/startup_paths.h"

namespace setup {

namespace ui = platform::ui;

namespace {

constexpr ui::Color kDarkBlue = ui::Rgb(0, 0, 192);

void ShowError(const std::string& text) {
    platform::UserDialogs().ShowMessage(text, platform::MessageKind::Error, platform::buttons::kOk,
                                        platform::DialogResult::Ok);
}

}  // namespace

TInstF1::TInstF1(InstallWindowFactory create_install_window)
    : create_install_window_(std::move(create_install_window)) {
    SetUpControls();
    FormCreate();
}

TInstF1::~TInstF1() = default;

void TInstF1::SetUpControls() {
    SetName("InstF1");
    SetWindowClass("TInstF1");
    SetBorderStyle(ui::BorderStyle::Dialog);
    SetBorderIcons(ui::border_icons::kSystemMenu);
    SetClientSize(681, 267);
    SetPosition(ui::FormPosition::ScreenCenter);
    ui::Font font = ui::DefaultFont();
    font.name = "Arial";
    font.SetSize(8);
    SetFont(font);
    SetKeyPreview(true);

    ui::Font title_font = font;
    title_font.height = -29;
    title_font.bold = true;
    title_font.italic = true;
    Label2.SetName("Label2");
    Label2.SetFont(title_font);
    Label2.SetFontColor(ui::colors::kGray);
    Label2.SetTransparent(true);
    Label1.SetName("Label1");
    Label1.SetFont(title_font);
    Label1.SetTransparent(true);

    ui::Font subtitle_font = font;
    subtitle_font.height = -17;
    Label3.SetName("Label3");
    Label3.SetFont(subtitle_font);
    Label6.SetName("Label6");
    Label4.SetName("Label4");
    Label4.SetAlignment(ui::TextAlignment::Right);
    Bevel1.SetName("Bevel1");
    Bevel1.SetShape(ui::BevelShape::TopLine);
    Label5.SetName("Label5");
    Label5.SetAutoSize(true);
    Edit1.SetName("Edit1");
    Button1.SetName("Button1");
    Bevel2.SetName("Bevel2");
    Bevel2.SetShape(ui::BevelShape::TopLine);
    Button2.SetName("Button2");
    Button2.SetTag(kAboutTag);
    Button3.SetName("Button3");
    Button3.SetTag(kLicenseTag);
    Button4.SetName("Button4");
    Button4.SetDefault(true);
    Button5.SetName("Button5");
    SetActiveControl(&Button4);
    Timer1.SetInterval(200);
    Timer1.SetEnabled(false);

    Button1.OnClick = [this] { Button1Click(); };
    Button2.OnClick = [this] { Button2Click(Button2); };
    Button3.OnClick = [this] { Button2Click(Button3); };
    Button4.OnClick = [this] { Button4Click(); };
    Button5.OnClick = [this] { Button5Click(); };
    Timer1.OnTimer = [this] { Timer1Timer(); };
    OnShow = [this] { FormShow(); };
    OnKeyDown = [this](ui::KeyCode& key, ui::ShiftState shift) { FormKeyDown(key, shift); };
    OnKeyPress = [this](char& key) { FormKeyPress(key); };
    OnCloseQuery = [this](bool& can_close) { FormCloseQuery(can_close); };
    OnClose = [this](ui::CloseAction& action) { FormClose(action); };
}

void TInstF1::FormCreate() {
    // The task bar shows the application's title from the first window on, the language
    // window included; the title is the same in both languages.
    ui::Application::Instance().SetTitle(std::string(texts::kApplicationTitle));
    StartRecording();
    TSetupDescription& description = Description();
    FindDirectories();

    Label1.SetFontColor(kDarkBlue);
    Label3.SetFontColor(kDarkBlue);
    Label4.SetFontColor(kDarkBlue);
    Label6.SetFontColor(kDarkBlue);
    description.FileExtCount = 0;

    // The final word on the language: the start-up step's choice only lasted until now. A
    // run that shows no window cannot ask.
    if (switches_.silent || switches_.help || !switches_.unknown_switch.empty()) {
        locale::SettleLanguageWithoutAsking();
    } else {
        locale::SettleLanguage();
    }
    Record("Language: " + locale::CurrentLanguage());
    if (!CheckRecordWritable()) return;
    description.OptParams = "-l" + locale::CurrentLanguage();

    StoreMessages(description);
    FillProduct(description);
    if (!switches_.unknown_switch.empty()) {
        RefuseCommandLine();
        return;
    }
    if (switches_.help) {
        ShowSwitches(platform::ExitCode::UserExit);
        return;
    }
    // One installation at a time: nothing below reads a journal or changes a file before. The
    // start-up holds the lock only for its recovery.
    if (!TakeInstallationLock()) return;
    // Nobody is there to use the base product's set-up utility after a silent installation.
    if (switches_.silent) description.OptRun = false;

    LabelWindow();
    Edit1.SetText(description.ProgramFilesDir + "\\VE4");
    const int edit_right = Edit1.Left() + Edit1.Width();
    const int edit_left = Label5.Left() + Label5.Width() + 20;
    Edit1.SetBounds(edit_left, Edit1.Top(), edit_right - edit_left, Edit1.Height());

    description.ArchiveName = ChangeExtension(FileNameOf(platform::Machine().ProgramPath()), ".dat");
    RecordProgramAndMachine();
    if (!CheckVolumes()) return;

    Label2.SetCaption(Label1.Caption());
    ShowVersion();
    ArrangeTextButtons();
    CreateSecondaryWindows();
    FillEnvironmentChooser();
    if (!description.OptInstallDir.empty()) Edit1.SetText(description.OptInstallDir);
    if (switches_.destination_given) Edit1.SetText(switches_.destination);
    std::string destination = Edit1.Text();
    SettleDestination(Edit1.Text(), destination);
    RecoverUnfinishedRun(destination);
    // A window that waits holds nothing: the lock is taken again by Install.
    installation_lock_.reset();
    started_up_ = true;
    if (switches_.silent) InstallSilently();
}

void TInstF1::FindDirectories() {
    TSetupDescription& description = Description();
    platform::System& machine = platform::Machine();
    description.SetupDir = DirectoryOf(machine.ProgramPath());
    description.ProgramFilesDir = FindProgramFilesDir();
    ReadOptions(description);
    description.SystemDir = machine.SystemDirectory();
    real_system_dir_ = platform::Files().RealPath(description.SystemDir);
    // An elevated run (an administrator's credentials, a deployment tool's system account)
    // installs for everyone: the user's own folders would be the other account's.
    const bool for_everyone = machine.IsElevated() && !switches_.current_user;
    description.ProgramsFolder = machine.SpecialFolderPath(for_everyone ? platform::SpecialFolder::CommonPrograms
                                                                        : platform::SpecialFolder::Programs);
    description.DesktopFolder = machine.SpecialFolderPath(for_everyone ? platform::SpecialFolder::CommonDesktopDirectory
                                                                       : platform::SpecialFolder::DesktopDirectory);
    description.VolumeCount = 1;
}

void TInstF1::LabelWindow() {
    SetCaption(Pick(texts::kWindowCaption));
    Label1.SetCaption(std::string(texts::kTitle));
    Label3.SetCaption(Pick(texts::kSubtitle));
    Label4.SetCaption(Pick(texts::kCopyright));
    Label5.SetCaption(Pick(texts::kDestinationPrompt));
}

bool TInstF1::CheckVolumes() {
    const TSetupDescription& description = Description();
    for (int32_t volume = 1; volume <= description.VolumeCount; ++volume) {
        if (platform::Files().FileExists(VolumePath(description, volume))) continue;
        ShowError(locale::FormatText(description.FmtVolumeMissing, {VolumeFileName(description, volume),
                                                                    description.ProductNounGen, description.ProductName}));
        SetWindowState(ui::WindowState::Minimized);
        ui::Application::Instance().Terminate(platform::ExitCode::VolumeMissing);
        return false;
    }
    return true;
}

void TInstF1::ShowVersion() {
    const TSetupDescription& description = Description();
    platform::FileTime written;
    platform::DateTime date;
    if (!platform::Files().GetLastWriteTime(VolumePath(description, 1), written) ||
        !platform::FileTimeToLocalDateTime(written, date)) {
        Label6.SetCaption("");
        return;
    }
    Label6.SetCaption(locale::FormatText(description.FmtVersion,
                                         {description.Version, locale::FormatDate(description.DateFormat, date)}));
}

void TInstF1::ArrangeTextButtons() {
    TSetupDescription& description = Description();
    Button1.SetCaption(description.CapBrowse);
    Button2.SetCaption(locale::FormatText(description.FmtAboutButton, {description.ProductNounGen}));
    Button3.SetCaption(description.CapLicense);
    Button4.SetCaption(description.CapInstall);
    Button5.SetCaption(description.CapExit);
    description.InstallCaption = locale::FormatText(description.FmtInstallCaption, {description.ProductName});

    platform::FileSystem& files = platform::Files();
    if (!files.FileExists(description.SetupDir + "\\" + description.ReadmeFile)) {
        Button2.SetVisible(false);
        Button3.SetLeft(Button2.Left());
    }
    if (!files.FileExists(description.SetupDir + "\\" + description.LicenseFile)) Button3.SetVisible(false);
}

void TInstF1::CreateSecondaryWindows() {
    InstF2 = std::make_unique<windows::TInstF2>();
    if (create_install_window_) InstF3 = create_install_window_();
    InstF4 = std::make_unique<windows::TInstF4>();
}

void TInstF1::FillEnvironmentChooser() {
    const TSetupDescription& description = Description();
    if (!InstF4) return;
    windows::TInstF4& chooser = *InstF4;
    // With no environment required, OK stays enabled whatever is ticked.
    if (description.EnvAllowNone) chooser.CheckListBox1.OnClickCheck = nullptr;
    if (description.EnvCount > 0) {
        chooser.SetCaption(description.EnvCaption);
        chooser.Button2.SetCaption(description.CapCancel);
        chooser.StaticText1.SetCaption(description.EnvPrompt);
        chooser.SetClientHeight(chooser.Panel1.Height() + chooser.StaticText1.Height() + description.EnvExtraHeight);
    }
    const int32_t count = std::min(description.EnvCount, kSmallTableSize);
    chooser.CheckListBox1.Items().Clear();
    for (int32_t index = 0; index < count; ++index) chooser.CheckListBox1.Items().Add(description.EnvNames[index]);
    for (int32_t index = 0; index < count; ++index) {
        bool excluded = false;
        for (int32_t exclusion = 0; exclusion < description.ExcludeDirCount && exclusion < kSmallTableSize; ++exclusion) {
            if (platform::UpperCaseAnsi(description.EnvCodes[index]) ==
                platform::UpperCaseAnsi(description.ExcludeDirs[exclusion])) {
                excluded = true;
            }
        }
        chooser.CheckListBox1.SetChecked(index, !excluded);
    }
}

void TInstF1::FormShow() {
    if (Description().OptAutoRun) Timer1.SetEnabled(true);
}

void TInstF1::Timer1Timer() {
    Timer1.SetEnabled(false);
    Button4Click();
}

void TInstF1::FormKeyDown(ui::KeyCode& key, ui::ShiftState) {
    if (key != ui::keys::kF1) return;
    if (Button2.Visible()) {
        Button2Click(Button2);
    } else if (Button3.Visible()) {
        Button2Click(Button3);
    }
}

void TInstF1::FormKeyPress(char& key) {
    if (key != ui::chars::kEscape) return;
    key = 0;
    Close();
}

void TInstF1::Button1Click() {
    const TSetupDescription& description = Description();
    std::string directory = Edit1.Text();
    if (!platform::Files().DirectoryExists(directory)) directory = description.ProgramFilesDir;
    // A directory that does not exist yet may be chosen (after the dialog's question); it is
    // created by Install, not here.
    if (platform::UserDialogs().SelectDirectory(directory, true)) Edit1.SetText(directory);
}

void TInstF1::Button2Click(const ui::Button& sender) {
    const TSetupDescription& description = Description();
    if (!InstF2) return;
    windows::TInstF2& viewer = *InstF2;
    std::string file;
    if (sender.Tag() == kAboutTag) {
        viewer.SetCaption(locale::FormatText(description.FmtAboutCaption, {description.ProductNounGen}));
        file = description.SetupDir + "\\" + description.ReadmeFile;
    } else {
        viewer.SetCaption(description.LicenseCaption);
        file = description.SetupDir + "\\" + description.LicenseFile;
    }
    if (!platform::Files().FileExists(file)) return;

    viewer.Memo1.Lines().Clear();
    std::vector<std::string> lines;
    const TextFileRead read = ReadTextLines(file, lines);
    if (read != TextFileRead::Read) {
        const std::string reason =
            read == TextFileRead::TooLarge ? "The file is too large to show." : platform::Files().LastErrorText();
        ShowError(locale::FormatText("Cannot open file \"%s\". %s", {file, reason}));
        return;
    }
    for (const std::string& line : JoinParagraphs(lines)) viewer.Memo1.Lines().Add(line);
    viewer.ShowModal();
}

void TInstF1::Button5Click() { Close(); }

void TInstF1::FormCloseQuery(bool& can_close) {
    const TSetupDescription& description = Description();
    const platform::DialogResult answer = platform::UserDialogs().ShowMessage(
        locale::FormatText(description.FmtExitConfirm, {description.ProductNounGen}),
        platform::MessageKind::Confirmation, platform::buttons::kYesNo, platform::DialogResult::Yes);
    can_close = answer == platform::DialogResult::Yes;
}

void TInstF1::FormClose(ui::CloseAction&) { Description().ExcludedDirList.clear(); }

}  // namespace setup
