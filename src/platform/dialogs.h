#pragma once
// The modal boxes that layers below the windows need: message boxes and the file and
// directory pickers. The UI toolkit implements them with forms of its own, so that both
// backends show the same localised texts; the headless backend answers them from a script.

#include <string>

namespace platform {

enum class MessageKind { Warning, Error, Information, Confirmation, Custom };

// Button identifiers, with the values of the Windows IDOK... constants.
enum class DialogResult { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// Button sets, as bits.
namespace buttons {
constexpr unsigned kOk = 1u << 1;
constexpr unsigned kCancel = 1u << 2;
constexpr unsigned kRetry = 1u << 4;
constexpr unsigned kIgnore = 1u << 5;
constexpr unsigned kYes = 1u << 6;
constexpr unsigned kNo = 1u << 7;
constexpr unsigned kYesNo = kYes | kNo;
constexpr unsigned kOkCancel = kOk | kCancel;
}  // namespace buttons

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A modal message box of a kind, with the kind's localised caption (or caption, when the
    // kind is Custom), the buttons of the set and a default button; returns the button pressed.
    virtual DialogResult ShowMessage(const std::string& text, MessageKind kind, unsigned button_set,
                                     DialogResult default_button, const std::string& caption = {}) = 0;

    // The directory selection dialog, starting in directory; true and the chosen path when
    // the user confirms. allow_missing lets a directory that does not exist be accepted after
    // the localised question.
    virtual bool SelectDirectory(std::string& directory, bool allow_missing) = 0;

    // The file-open dialog with a filter such as "Zip Files (*.ZIP)|*.ZIP"; true and the path
    // when the user picks a file.
    virtual bool OpenFile(const std::string& title, const std::string& filter, std::string& path) = 0;

    // Lets pending window messages run (Application.ProcessMessages).
    virtual void ProcessMessages() = 0;
    // Shows or hides the busy (hourglass) cursor.
    virtual void SetBusyCursor(bool busy) = 0;
};

}  // namespace platform
