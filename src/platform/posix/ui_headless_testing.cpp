// The test driver of the headless toolkit: the script of modal windows, a user's actions,
// the virtual clock and what is shown.

#include <algorithm>
#include <cctype>

#include "platform/posix/ui_headless_state.h"
#include "platform/ui/application.h"
#include "platform/ui/headless_testing.h"
#include "platform/ui/standard_texts.h"
#include "platform/ui/toolkit_dialogs.h"

namespace platform::ui::testing {

using headless::CurrentState;

void ExpectModal(std::function<void(Form& form)> step) {
    headless::ScriptStep entry;
    entry.modal = std::move(step);
    CurrentState().script.push_back(std::move(entry));
}

void ExpectMessage(std::function<DialogResult(const MessageBoxInfo& box)> answer) {
    headless::ScriptStep entry;
    entry.message = std::move(answer);
    CurrentState().script.push_back(std::move(entry));
}

void AnswerMessage(DialogResult result) {
    ExpectMessage([result](const MessageBoxInfo&) { return result; });
}

int PendingSteps() { return static_cast<int>(CurrentState().script.size()); }

const std::vector<MessageBoxInfo>& ShownMessages() { return CurrentState().shown_messages; }

Session::Session() {
    headless::State& state = CurrentState();
    state.script.clear();
    state.problems.clear();
    state.shown_messages.clear();
    state.recorded_messages.clear();
    state.last_step_form = nullptr;
    state.now = 0;
    for (Timer* timer : state.timers) timer->backend_data = timer->Interval();
    Application::Instance().Reset();
    SetStandardTexts(StandardTexts{});
    InstallDialogs();
}

Session::~Session() {
    CurrentState().script.clear();
    Application::Instance().Reset();
}

std::string Session::Problems() const {
    std::string report;
    for (const std::string& problem : CurrentState().problems) report += problem + "\n";
    if (!CurrentState().script.empty()) {
        report += std::to_string(CurrentState().script.size()) + " scripted step(s) left unused\n";
    }
    return report;
}

namespace {

// The character a key types, 0 for none.
char CharacterOf(KeyCode key, ShiftState shift) {
    if (shift.control || shift.alt) return 0;
    switch (key) {
        case keys::kReturn:
            return chars::kEnter;
        case keys::kEscape:
            return chars::kEscape;
        case keys::kBack:
            return chars::kBackspace;
        case keys::kSpace:
            return ' ';
        default:
            break;
    }
    if (key >= 'A' && key <= 'Z') return static_cast<char>(shift.shift ? key : std::tolower(key));
    if (key >= '0' && key <= '9') return static_cast<char>(key);
    return 0;
}

// What the focused control does with a typed character.
void Deliver(Form& form, char character) {
    Control* focused = form.ActiveControl();
    if (focused == nullptr || !focused->Usable()) return;
    switch (focused->Kind()) {
        case ControlKind::Edit: {
            auto* edit = static_cast<Edit*>(focused);
            if (edit->ReadOnly()) return;
            std::string text = edit->Text();
            if (character == chars::kBackspace) {
                if (!text.empty()) text.pop_back();
            } else if (static_cast<unsigned char>(character) >= ' ') {
                text += character;
            }
            edit->TextEdited(text);
            return;
        }
        case ControlKind::Button:
            if (character == ' ') static_cast<Button*>(focused)->Click();
            return;
        case ControlKind::RadioButton:
            if (character == ' ') static_cast<RadioButton*>(focused)->Click();
            return;
        case ControlKind::CheckListBox: {
            auto* list = static_cast<CheckListBox*>(focused);
            if (character == ' ' && list->ItemIndex() >= 0) list->ItemToggled(list->ItemIndex());
            return;
        }
        default:
            return;
    }
}

}  // namespace

void Click(Button& button) {
    if (!button.Usable()) {
        headless::Note("button \"" + button.Caption() + "\" cannot be pressed: it is hidden or disabled");
        return;
    }
    button.Click();
}

void PressKey(Form& form, KeyCode key, ShiftState shift) {
    KeyCode code = key;
    if (form.PreviewKeyDown(code, shift)) return;
    if (form.DialogKey(code, shift)) return;
    char character = CharacterOf(code, shift);
    if (character == 0) return;
    if (form.PreviewKeyPress(character)) return;
    Deliver(form, character);
}

void TypeText(Form& form, const std::string& text) {
    for (char typed : text) {
        char character = typed;
        if (form.PreviewKeyPress(character)) continue;
        Deliver(form, character);
    }
}

void EnterText(Edit& edit, const std::string& text) {
    if (!edit.Usable() || edit.ReadOnly()) {
        headless::Note("edit \"" + edit.Name() + "\" cannot take text");
        return;
    }
    edit.TextEdited(text);
}

void ToggleCheck(CheckListBox& list, int index) { list.ItemToggled(index); }

void ClickRadio(RadioButton& button) { button.Click(); }

void DoubleClickRadio(RadioButton& button) { button.DoubleClick(); }

void DoubleClickItem(ListBox& list, int index) { list.ItemDoubleClicked(index); }

void PickItem(ComboBox& combo, int index) { combo.ItemPicked(index); }

void CloseBox(Form& form) {
    // Forms without a close box can still be closed by Alt+F4, which asks the same question.
    form.Close();
}

uint64_t Now() { return CurrentState().now; }

void AdvanceTime(unsigned milliseconds) {
    headless::State& state = CurrentState();
    const uint64_t target = state.now + milliseconds;
    for (int firing = 0; firing < 1000000; ++firing) {
        Timer* timer = headless::NextDueTimer();
        if (timer == nullptr || timer->backend_data > target) break;
        state.now = timer->backend_data;
        timer->backend_data = state.now + std::max(timer->Interval(), 1u);
        timer->Fire();
    }
    state.now = target;
}

void FireTimers() {
    const std::vector<Timer*> timers = CurrentState().timers;
    for (Timer* timer : timers) {
        // A handler may stop (or destroy) the timers after it.
        const auto& current = CurrentState().timers;
        if (std::find(current.begin(), current.end(), timer) != current.end()) timer->Fire();
    }
}

std::vector<Form*> VisibleForms() {
    std::vector<Form*> visible;
    for (Form* form : CurrentState().forms) {
        if (form->Visible()) visible.push_back(form);
    }
    return visible;
}

std::vector<Form*> ModalForms() { return CurrentState().modal_stack; }

}  // namespace platform::ui::testing
