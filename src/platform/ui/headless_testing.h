#pragma once
// Driving the headless toolkit from tests (native builds only; the headless backend defines
// these functions).
//
// Modal windows cannot wait for a person here, so a test writes down beforehand what it
// expects to pop up, in order, and how to answer:
//
//     platform::ui::testing::Session ui;   // fresh toolkit state for this test
//     ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
//         EXPECT_EQ(box.kind, platform::MessageKind::Confirmation);
//         return platform::DialogResult::Yes;
//     });
//     ui::testing::ExpectModal<TInstF2>([](TInstF2& viewer) { ui::testing::PressKey(viewer, ui::keys::kReturn); });
//     form.Button5.Click();
//     EXPECT_EQ(ui.Problems(), "");
//
// A modal window with no step left for it, or of another kind than its step expects, is a
// failure: it is recorded (Problems) and ScriptError is thrown out of ShowModal, so the code
// under test cannot wait forever.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/keys.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/message_dialog.h"
#include "platform/ui/timer.h"

namespace platform::ui::testing {

// Thrown out of ShowModal when the script does not fit the window that came up.
class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A step for the next modal form of any kind (message boxes included). It inspects the form
// and closes it (presses a button, a key, or the close box). A form still open after its
// step takes the following step.
void ExpectModal(std::function<void(Form& form)> step);

// A step for the next modal form, which must be a TForm.
template <typename TForm>
void ExpectModal(std::function<void(TForm& form)> step) {
    ExpectModal([step](Form& form) {
        auto* typed = dynamic_cast<TForm*>(&form);
        if (typed == nullptr) throw ScriptError("modal window \"" + form.Caption() + "\" is not of the expected class");
        step(*typed);
    });
}

// A step for the next modal window, which must be a message box: answer returns the button to
// press (it must be one of the box's), or None for the close box.
void ExpectMessage(std::function<DialogResult(const MessageBoxInfo& box)> answer);

// Answers the next message box with result, whatever it says.
void AnswerMessage(DialogResult result);

// Steps not used yet.
int PendingSteps();
// Every message box shown since the session began, in order.
const std::vector<MessageBoxInfo>& ShownMessages();

// Fresh toolkit state for one test: no script, no problems, the application not terminated,
// no main form, the virtual clock at 0, the standard texts in English, and the toolkit's
// dialogs installed as the platform's default dialogs.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // What went wrong with the script, one line per problem (unexpected windows, unanswered
    // steps, buttons that could not be pressed, steps left over); empty when all went well.
    std::string Problems() const;
};

// --- What a user does ---

// Presses a button with the mouse; a hidden or disabled button cannot be pressed (a problem).
void Click(Button& button);
// Presses a key in form, as the keyboard would: key preview, the control's own handling, the
// dialog keys, and the character the key types (Enter, Escape, Backspace, Space, letters
// and digits type one).
void PressKey(Form& form, KeyCode key, ShiftState shift = {});
// Types text (each character through the key preview) into the focused control of form.
void TypeText(Form& form, const std::string& text);
// Replaces an edit's text as a user would (OnChange fires).
void EnterText(Edit& edit, const std::string& text);
// Ticks or unticks an item of a check list.
void ToggleCheck(CheckListBox& list, int index);
void ClickRadio(RadioButton& button);
void DoubleClickRadio(RadioButton& button);
void DoubleClickItem(ListBox& list, int index);
void PickItem(ComboBox& combo, int index);
// The form's close box (or Alt+F4): Close.
void CloseBox(Form& form);

// --- Time ---

// The virtual clock, in milliseconds since the session began.
uint64_t Now();
// Moves the clock on, firing each enabled timer as often as its interval elapses.
void AdvanceTime(unsigned milliseconds);
// Fires every enabled timer once, now.
void FireTimers();

// --- What is shown ---

// The forms now visible, in the order they were shown.
std::vector<Form*> VisibleForms();
// The modal forms now running, innermost last.
std::vector<Form*> ModalForms();

}  // namespace platform::ui::testing
