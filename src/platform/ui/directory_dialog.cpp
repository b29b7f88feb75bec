#include "platform/ui/directory_dialog.h"

#include <algorithm>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/ui/message_dialog.h"
#include "platform/ui/standard_texts.h"

namespace platform::ui {

namespace {

constexpr const char* kParentEntry = "..";

bool IsDriveRoot(const std::string& path) { return path.size() == 3 && path[1] == ':' && path[2] == '\\'; }

// The path without trailing backslashes, except that a drive keeps its root backslash
// ("C:" and "C:\\" are both "C:\"), with "." and ".." components resolved.
std::string NormalizePath(const std::string& path) {
    std::string prefix;
    std::string rest = path;
    if (rest.size() >= 2 && rest[1] == ':') {
        prefix = rest.substr(0, 2) + "\\";
        rest = rest.substr(2);
    } else if (rest.rfind("\\\\", 0) == 0) {
        prefix = "\\\\";
        rest = rest.substr(2);
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        const std::string part = rest.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result = prefix;
    for (size_t index = 0; index < parts.size(); ++index) {
        if (index > 0) result += '\\';
        result += parts[index];
    }
    return result;
}

std::string ParentOf(const std::string& path) {
    if (IsDriveRoot(path)) return path;
    const size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos) return path;
    return NormalizePath(path.substr(0, slash + 1));
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '\\') return directory + name;
    return directory + "\\" + name;
}

bool LessIgnoringCase(const std::string& left, const std::string& right) {
    return UpperCaseAnsi(left) < UpperCaseAnsi(right);
}

// The files label with the pattern in use instead of the "*.*" the standard text names.
std::string FilesLabel(const std::string& pattern) {
    std::string label = CurrentStandardTexts().files_label;
    const size_t position = label.find("*.*");
    if (position != std::string::npos) label.replace(position, 3, pattern);
    return label;
}

}  // namespace

bool MatchesPattern(const std::string& name, const std::string& pattern) {
    // Iterative matcher with one backtracking point: the most recent '*'.
    size_t name_position = 0;
    size_t pattern_position = 0;
    size_t star = std::string::npos;
    size_t star_name = 0;
    while (name_position < name.size()) {
        if (pattern_position < pattern.size() &&
            (pattern[pattern_position] == '?' ||
             UpperCaseAnsi(pattern[pattern_position]) == UpperCaseAnsi(name[name_position]))) {
            ++name_position;
            ++pattern_position;
        } else if (pattern_position < pattern.size() && pattern[pattern_position] == '*') {
            star = pattern_position++;
            star_name = name_position;
        } else if (star != std::string::npos) {
            pattern_position = star + 1;
            name_position = ++star_name;
        } else {
            return false;
        }
    }
    while (pattern_position < pattern.size() && pattern[pattern_position] == '*') ++pattern_position;
    // "*.*" also takes names without a dot, as it does on Windows.
    return pattern_position == pattern.size() || pattern.substr(pattern_position) == ".*";
}

DirectoryDialog::DirectoryDialog(PickerMode mode, const std::string& start_directory, bool allow_missing,
                                 const std::string& title, const std::string& pattern)
    : Label1(*this, 8, 8, 260, 13),
      Edit1(*this, 8, 24, 260, 21),
      Label2(*this, 8, 54, 180, 13),
      Label3(*this, 8, 70, 180, 13),
      ListBox1(*this, 8, 86, 180, 150),
      Label4(*this, 196, 54, 156, 13),
      ListBox2(*this, 196, 86, 156, 150),
      Label5(*this, 8, 244, 180, 13),
      ComboBox1(*this, 8, 260, 180, 21),
      Button1(*this, 277, 23, 75, 23),
      Button2(*this, 277, 52, 75, 23),
      mode_(mode),
      allow_missing_(allow_missing),
      pattern_(pattern.empty() ? "*.*" : pattern) {
    const StandardTexts& texts = CurrentStandardTexts();
    SetName("DirectoryForm");
    SetWindowClass(kDirectoryWindowClass);
    Font font;
    font.name = "Tahoma";
    font.SetSize(8);
    SetFont(font);
    SetPosition(FormPosition::ScreenCenter);
    SetCaption(mode == PickerMode::File && !title.empty() ? title : texts.directory_caption);
    SetClientSize(360, 290);

    Label1.SetCaption(texts.directory_name_label);
    Label2.SetCaption(texts.directories_label);
    Label4.SetCaption(FilesLabel(pattern_));
    Label5.SetCaption(texts.drives_label);
    Button1.SetCaption(kOkCaption);
    Button1.SetDefault(true);
    Button2.SetCaption(texts.dialog_cancel);
    Button2.SetCancel(true);
    Button2.SetModalResult(ModalResult::Cancel);
    // Picking a directory shows the files for orientation only.
    ListBox2.SetEnabled(mode == PickerMode::File);

    Button1.OnClick = [this] { Button1Click(); };
    ListBox1.OnDoubleClick = [this] { ListBox1DoubleClick(); };
    ListBox2.OnClick = [this] { ListBox2Click(); };
    ComboBox1.OnChange = [this] { ComboBox1Change(); };

    // Start in the nearest existing directory of the given path.
    FileSystem& files = Files();
    std::string directory = start_directory.empty() ? std::string() : NormalizePath(start_directory);
    while (!directory.empty() && !files.DirectoryExists(directory)) {
        const std::string parent = ParentOf(directory);
        if (parent == directory) {
            directory.clear();
            break;
        }
        directory = parent;
    }
    if (directory.empty()) directory = NormalizePath(files.CurrentDirectory());
    FillDrives();
    ChangeDirectory(directory);
    if (mode == PickerMode::Directory && !start_directory.empty()) Edit1.SetText(start_directory);
    SetActiveControl(&Edit1);
}

void DirectoryDialog::ChangeDirectory(const std::string& directory) {
    current_directory_ = NormalizePath(directory);
    Label3.SetCaption(current_directory_);
    Edit1.SetText(mode_ == PickerMode::Directory ? current_directory_ : std::string());
    FillLists();
    if (current_directory_.size() >= 2 && current_directory_[1] == ':') {
        const std::string drive = UpperCaseAnsi(current_directory_.substr(0, 2));
        for (int index = 0; index < ComboBox1.Items().Count(); ++index) {
            if (UpperCaseAnsi(ComboBox1.Items()[index]).rfind(drive, 0) == 0) ComboBox1.SetItemIndex(index);
        }
    }
}

void DirectoryDialog::FillDrives() {
    FileSystem& files = Files();
    std::vector<std::string> drives;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string root = std::string(1, letter) + ":\\";
        const DriveType type = files.GetDriveType(root);
        if (type == DriveType::Unknown || type == DriveType::NoRootDir) continue;
        std::string item = std::string(1, letter) + ":";
        // Only fixed disks are asked for their label: a removable drive may have no medium.
        std::string label;
        if (type == DriveType::Fixed && files.GetVolumeLabel(root, label) && !label.empty()) item += " [" + label + "]";
        drives.push_back(item);
    }
    ComboBox1.Items().Assign(drives);
}

void DirectoryDialog::FillLists() {
    std::vector<std::string> directories;
    std::vector<std::string> names;
    for (const DirectoryEntry& entry : Files().ListDirectory(current_directory_)) {
        if ((entry.attributes & attribute::kDirectory) != 0) {
            directories.push_back(entry.name);
        } else if (MatchesPattern(entry.name, pattern_)) {
            names.push_back(entry.name);
        }
    }
    std::sort(directories.begin(), directories.end(), LessIgnoringCase);
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    if (!IsDriveRoot(current_directory_)) directories.insert(directories.begin(), kParentEntry);
    ListBox1.Items().Assign(directories);
    ListBox2.Items().Assign(names);
}

std::string DirectoryDialog::Resolve(const std::string& typed) const {
    std::string text = typed;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.erase(text.begin());
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    if (text.empty()) return current_directory_;
    if ((text.size() >= 2 && text[1] == ':') || text.rfind("\\\\", 0) == 0) return NormalizePath(text);
    if (text.front() == '\\') return NormalizePath(current_directory_.substr(0, 2) + text);
    return NormalizePath(JoinPath(current_directory_, text));
}

void DirectoryDialog::Button1Click() {
    FileSystem& files = Files();
    const std::string path = Resolve(Edit1.Text());
    if (mode_ == PickerMode::File) {
        if (files.DirectoryExists(path)) {
            ChangeDirectory(path);
            return;
        }
        const std::string name = Edit1.Text();
        if (name.find_first_of("*?") != std::string::npos) {
            pattern_ = name.substr(name.find_last_of('\\') == std::string::npos ? 0 : name.find_last_of('\\') + 1);
            Label4.SetCaption(FilesLabel(pattern_));
            FillLists();
            return;
        }
        if (!files.FileExists(path)) {
            SetActiveControl(&Edit1);
            return;
        }
        chosen_ = path;
        SetModalResult(ModalResult::Ok);
        return;
    }
    if (files.DirectoryExists(path)) {
        chosen_ = path;
        SetModalResult(ModalResult::Ok);
        return;
    }
    // A missing directory is accepted, never created, once the user agrees; otherwise the
    // dialog stays open for another try.
    if (allow_missing_ &&
        ShowMessageBox(CurrentStandardTexts().directory_missing_question, MessageKind::Confirmation,
                       buttons::kYesNo, DialogResult::Yes) == DialogResult::Yes) {
        chosen_ = path;
        SetModalResult(ModalResult::Ok);
        return;
    }
    SetActiveControl(&Edit1);
}

void DirectoryDialog::ListBox1DoubleClick() {
    const int index = ListBox1.ItemIndex();
    if (index < 0) return;
    const std::string& name = ListBox1.Items()[index];
    ChangeDirectory(name == kParentEntry ? ParentOf(current_directory_) : JoinPath(current_directory_, name));
}

void DirectoryDialog::ListBox2Click() {
    const int index = ListBox2.ItemIndex();
    if (mode_ != PickerMode::File || index < 0) return;
    Edit1.SetText(ListBox2.Items()[index]);
}

void DirectoryDialog::ComboBox1Change() {
    const int index = ComboBox1.ItemIndex();
    if (index < 0) return;
    const std::string root = ComboBox1.Items()[index].substr(0, 2) + "\\";
    if (!Files().DirectoryExists(root)) {
        // No medium in the drive: stay where we are.
        ChangeDirectory(current_directory_);
        return;
    }
    ChangeDirectory(root);
}

bool SelectDirectoryWithDialog(std::string& directory, bool allow_missing) {
    DirectoryDialog dialog(PickerMode::Directory, directory, allow_missing);
    if (dialog.ShowModal() != ModalResult::Ok) return false;
    directory = dialog.Chosen();
    return true;
}

bool OpenFileWithDialog(const std::string& title, const std::string& filter, std::string& path) {
    // "Description|pattern": the first pattern filters the files.
    std::string pattern = "*.*";
    const size_t bar = filter.find('|');
    if (bar != std::string::npos) {
        pattern = filter.substr(bar + 1);
        const size_t next = pattern.find_first_of("|;");
        if (next != std::string::npos) pattern.resize(next);
    }
    std::string start;
    const size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos) start = path.substr(0, slash + 1);
    DirectoryDialog dialog(PickerMode::File, start, false, title, pattern);
    if (dialog.ShowModal() != ModalResult::Ok) return false;
    path = dialog.Chosen();
    return true;
}

}  // namespace platform::ui
