#pragma once
// The directory selection dialog, and the same dialog picking a file: a field for the name,
// the directories of the current directory (double-click enters one, ".." goes up), the
// files in it, the drives, and OK/Cancel. Its texts come from the standard texts.

#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/list_controls.h"

namespace platform::ui {

enum class PickerMode { Directory, File };

// The window class of the dialog, for test drivers that look for it.
inline constexpr const char* kDirectoryWindowClass = "VIrovARI2Directory";

class DirectoryDialog : public Form {
public:
    // A dialog starting in start_directory (the current directory when it does not exist).
    // In file mode, pattern ("*.ZIP") filters the files and the caption is title.
    DirectoryDialog(PickerMode mode, const std::string& start_directory, bool allow_missing,
                    const std::string& title = {}, const std::string& pattern = "*.*");

    // The directory whose contents are listed, without a trailing backslash except a drive
    // root ("C:\").
    const std::string& CurrentDirectory() const { return current_directory_; }
    // Lists another directory and puts its path in the name field.
    void ChangeDirectory(const std::string& directory);
    // The accepted path once the dialog closed with OK.
    const std::string& Chosen() const { return chosen_; }

    Label Label1;      // name field label
    Edit Edit1;        // the name
    Label Label2;      // directories label
    Label Label3;      // the current directory
    ListBox ListBox1;  // the directories
    Label Label4;      // files label
    ListBox ListBox2;  // the files
    Label Label5;      // drives label
    ComboBox ComboBox1;
    Button Button1;    // OK
    Button Button2;    // Cancel

private:
    void Button1Click();
    void ListBox1DoubleClick();
    void ListBox2Click();
    void ComboBox1Change();
    void FillDrives();
    void FillLists();
    std::string Resolve(const std::string& typed) const;

    PickerMode mode_;
    bool allow_missing_;
    std::string pattern_;
    std::string current_directory_;
    std::string chosen_;
};

// Shows the directory dialog; true and directory = the chosen path when the user confirms.
// A missing directory is accepted only with allow_missing and after the user said Yes to the
// standard question (it is not created).
bool SelectDirectoryWithDialog(std::string& directory, bool allow_missing);

// Shows the dialog in file mode with a filter such as "Zip Files (*.ZIP)|*.ZIP"; true and path
// = the chosen existing file when the user confirms.
bool OpenFileWithDialog(const std::string& title, const std::string& filter, std::string& path);

// Whether name matches a pattern of '*' and '?' without regard to letter case.
bool MatchesPattern(const std::string& name, const std::string& pattern);

}  // namespace platform::ui
