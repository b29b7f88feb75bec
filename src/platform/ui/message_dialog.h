#pragma once
// The message box: a modal form of our own with the kind's icon and caption, the text wrapped
// to a readable width and the buttons of the set in the usual Windows order, their captions
// taken from the standard texts.

#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

namespace platform::ui {

// How a box treats its close box and the Escape key.
struct MessageBoxBehaviour {
    // What the close box gives; None: the box has no close box.
    DialogResult close_result = DialogResult::None;
    // Whether Escape closes the box with close_result.
    bool escape_closes = false;
};

// The usual behaviour for a button set: a box with Cancel closes as Cancel, else one with No
// as No, else one with OK as OK (close box and Escape alike). A box with Retry and no Cancel
// closes as Retry through its close box and ignores Escape, so a user never skips the
// retry by accident.
MessageBoxBehaviour StandardBehaviour(unsigned button_set);

// The window class of message boxes, for test drivers that look for them.
inline constexpr const char* kMessageWindowClass = "VIrovARI2Message";

// Everything a person sees of a message box.
struct MessageBoxInfo {
    MessageKind kind = MessageKind::Information;
    std::string caption;
    std::string text;
    std::vector<DialogResult> buttons;           // left to right
    std::vector<std::string> button_captions;    // as given, with their '&' marks
    DialogResult default_button = DialogResult::None;
    MessageBoxBehaviour behaviour;
};

class MessageDialog : public Form {
public:
    // A box of kind with text and the buttons of button_set (at least OK when the set is
    // empty). default_button gets the focus (the first button when it is not in the set).
    // An empty caption is the kind's standard caption (Custom kinds: the application title).
    MessageDialog(const std::string& text, MessageKind kind, unsigned button_set, DialogResult default_button,
                  const std::string& caption, MessageBoxBehaviour behaviour);
    ~MessageDialog() override;

    const MessageBoxInfo& Info() const { return info_; }
    // The button that gives result, or nullptr.
    Button* ButtonFor(DialogResult result);

    StockImage Image1;
    Label Label1;

private:
    void FormKeyPress(char& key);
    void FormCloseQuery(bool& can_close);

    MessageBoxInfo info_;
    std::vector<std::unique_ptr<Button>> buttons_;
};

// Shows a message box modally with the standard behaviour of its button set and returns the
// button pressed (or the close result).
DialogResult ShowMessageBox(const std::string& text, MessageKind kind, unsigned button_set,
                            DialogResult default_button, const std::string& caption = {});
// The same with a behaviour of the caller's choosing.
DialogResult ShowMessageBox(const std::string& text, MessageKind kind, unsigned button_set,
                            DialogResult default_button, const std::string& caption,
                            const MessageBoxBehaviour& behaviour);

}  // namespace platform::ui
