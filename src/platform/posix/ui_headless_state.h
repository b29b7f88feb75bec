#pragma once
// The state of the headless toolkit backend, shared by the backend functions and the test
// driver: the script of modal windows, the problems met, the virtual clock and its timers.

#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/ui/form.h"
#include "platform/ui/message_dialog.h"
#include "platform/ui/timer.h"

namespace platform::ui::headless {

struct ScriptStep {
    std::function<void(Form&)> modal;                        // set for a step for any modal form
    std::function<DialogResult(const MessageBoxInfo&)> message;  // set for a message box step
};

struct State {
    std::deque<ScriptStep> script;
    std::vector<std::string> problems;
    std::vector<MessageBoxInfo> shown_messages;
    std::set<const Form*> recorded_messages;
    std::vector<Form*> forms;        // every realised form, in the order first shown
    std::vector<Form*> modal_stack;  // innermost last
    const Form* last_step_form = nullptr;
    uint64_t now = 0;
    std::vector<Timer*> timers;      // enabled timers; Timer::backend_data is the due time
};

State& CurrentState();

// Records a problem and throws it as a ScriptError.
[[noreturn]] void Fail(const std::string& problem);
// Records a problem that need not stop the code under test.
void Note(const std::string& problem);

// The enabled timer due first, nullptr when none is enabled.
Timer* NextDueTimer();

}  // namespace platform::ui::headless
