// The headless toolkit backend: no windows at all. Forms and controls keep their state in
// memory; modal windows are answered by the test's script (see headless_testing.h), time is
// a virtual clock, and text is measured with fixed, predictable metrics.

#include <algorithm>
#include <cstdlib>

#include "platform/posix/ui_headless_state.h"
#include "platform/ui/application.h"
#include "platform/ui/backend.h"
#include "platform/ui/headless_testing.h"

namespace platform::ui::headless {

State& CurrentState() {
    static State state;
    return state;
}

void Fail(const std::string& problem) {
    CurrentState().problems.push_back(problem);
    throw testing::ScriptError(problem);
}

void Note(const std::string& problem) { CurrentState().problems.push_back(problem); }

Timer* NextDueTimer() {
    Timer* next = nullptr;
    for (Timer* timer : CurrentState().timers) {
        if (next == nullptr || timer->backend_data < next->backend_data) next = timer;
    }
    return next;
}

}  // namespace platform::ui::headless

namespace platform::ui::backend {

using headless::CurrentState;

void Realize(Form& form) {
    auto& forms = CurrentState().forms;
    if (std::find(forms.begin(), forms.end(), &form) == forms.end()) forms.push_back(&form);
}

void FormDestroyed(Form& form) {
    auto& state = CurrentState();
    state.forms.erase(std::remove(state.forms.begin(), state.forms.end(), &form), state.forms.end());
    state.recorded_messages.erase(&form);
    if (state.last_step_form == &form) state.last_step_form = nullptr;
}

void BeginModal(Form& form) { CurrentState().modal_stack.push_back(&form); }

void EndModal(Form& form) {
    auto& stack = CurrentState().modal_stack;
    stack.erase(std::remove(stack.begin(), stack.end(), &form), stack.end());
}

void WaitModal(Form& form) {
    auto& state = CurrentState();
    auto* message = dynamic_cast<MessageDialog*>(&form);
    if (message != nullptr && state.recorded_messages.insert(&form).second) {
        state.shown_messages.push_back(message->Info());
    }
    const std::string what = message != nullptr ? "message box \"" + message->Info().text + "\""
                                                : "modal window \"" + form.Caption() + "\"";
    if (state.script.empty()) {
        if (state.last_step_form == &form) headless::Fail(what + " was left open by its step");
        headless::Fail("unexpected " + what);
    }
    headless::ScriptStep step = std::move(state.script.front());
    state.script.pop_front();
    state.last_step_form = &form;
    try {
        if (step.modal) {
            step.modal(form);
            return;
        }
        if (message == nullptr) headless::Fail("a message box was expected, but " + what + " came up");
        const DialogResult answer = step.message(message->Info());
        if (answer == DialogResult::None) {
            form.Close();
            return;
        }
        Button* button = message->ButtonFor(answer);
        if (button == nullptr) headless::Fail(what + " has no button for the scripted answer");
        button->Click();
    } catch (const testing::ScriptError& error) {
        // Errors thrown by a step itself (a form of the wrong class) are problems too.
        auto& problems = state.problems;
        if (std::find(problems.begin(), problems.end(), error.what()) == problems.end()) problems.push_back(error.what());
        throw;
    }
}

void RunLoop(Application& application) {
    // Without a loop to wait in, the program runs as far as its timers take it.
    for (int firing = 0; firing < 100000 && !application.Terminated(); ++firing) {
        Timer* timer = headless::NextDueTimer();
        if (timer == nullptr) return;
        testing::AdvanceTime(static_cast<unsigned>(timer->backend_data - CurrentState().now));
    }
}

void ProcessMessages() {}

Size MeasureText(const Form& form, const Font& font, const std::string& text, int wrap_width) {
    (void)form;  // one scale: the headless screen is a 96 DPI one
    // Fixed metrics: every character is half the font's height wide (one more when bold),
    // and a line is the height plus a fifth.
    const int pixels = std::max(std::abs(font.height), 1);
    const int char_width = std::max((pixels + 1) / 2 + (font.bold ? 1 : 0), 1);
    const int line_height = pixels + pixels / 5;
    const int chars_per_line = wrap_width > 0 ? std::max(wrap_width / char_width, 1) : 0;

    int widest = 0;
    int lines = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        // Wrap at blanks where a line is too long, or inside a word longer than a line.
        while (chars_per_line > 0 && static_cast<int>(line.size()) > chars_per_line) {
            size_t cut = line.rfind(' ', static_cast<size_t>(chars_per_line));
            if (cut == std::string::npos || cut == 0) cut = static_cast<size_t>(chars_per_line);
            widest = std::max(widest, static_cast<int>(cut) * char_width);
            ++lines;
            line = line.substr(cut);
            while (!line.empty() && line.front() == ' ') line.erase(line.begin());
        }
        widest = std::max(widest, static_cast<int>(line.size()) * char_width);
        ++lines;
        if (end == text.size()) break;
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return Size{widest, lines * line_height};
}

Size FrameSize(BorderStyle style, unsigned border_icons) {
    (void)border_icons;
    switch (style) {
        case BorderStyle::Dialog:
            return Size{6, 25};
        case BorderStyle::Sizeable:
            return Size{8, 27};
        case BorderStyle::None:
            break;
    }
    return Size{0, 0};
}

Size ScreenSize() { return Size{1024, 768}; }

void StartTimer(Timer& timer) {
    auto& state = CurrentState();
    timer.backend_data = state.now + timer.Interval();
    if (std::find(state.timers.begin(), state.timers.end(), &timer) == state.timers.end()) state.timers.push_back(&timer);
}

void StopTimer(Timer& timer) {
    auto& timers = CurrentState().timers;
    timers.erase(std::remove(timers.begin(), timers.end(), &timer), timers.end());
}

void SetBusyCursor(bool busy) { (void)busy; }

void SetApplicationTitle(const std::string& title) { (void)title; }

}  // namespace platform::ui::backend
