#pragma once
// The dialogs of a run started with /S or /LOG=. Every message box's text goes to the run's
// record; in silent mode nothing is shown and the boxes are answered here, the way an
// unattended installation must answer them:
// - the retry question for a file in use (Repeat/Next): Repeat once a second, for up to 30
//   seconds of the same question, then Next; every file gets its own 30 seconds, and the
//   whole run at most 5 minutes, so a deployment does not hang on many files in use;
// - a question with a No button (the old-components question): No;
// - any other box (refusals, errors, the final message): its default button.
// The pickers are cancelled in silent mode.

#include <functional>
#include <string>

#include "platform/dialogs.h"
#include "setup/setup_log.h"

namespace setup {

class RecordingDialogs : public platform::Dialogs {
public:
    // Waits the given milliseconds (a real sleep; tests pass a clock of their own).
    using Wait = std::function<void(int milliseconds)>;

    // shown: the dialogs that show the boxes (normal mode), or nullptr to answer them here
    // (silent mode). log and shown must outlive this object.
    RecordingDialogs(platform::Dialogs* shown, SetupLog& log, Wait wait);

    platform::DialogResult ShowMessage(const std::string& text, platform::MessageKind kind, unsigned button_set,
                                       platform::DialogResult default_button, const std::string& caption) override;
    bool SelectDirectory(std::string& directory, bool allow_missing) override;
    bool OpenFile(const std::string& title, const std::string& filter, std::string& path) override;
    void ProcessMessages() override;
    void SetBusyCursor(bool busy) override;

    // How long the retry question for a file in use is answered Repeat, and how often.
    static constexpr int kRetryLimitMilliseconds = 30000;
    static constexpr int kRetryIntervalMilliseconds = 1000;
    static constexpr int kRunRetryLimitMilliseconds = 300000;

private:
    platform::DialogResult Answer(const std::string& text, unsigned button_set, platform::DialogResult default_button);

    platform::Dialogs* shown_;
    SetupLog& log_;
    Wait wait_;
    // The retry question being answered and the time spent on it.
    std::string retry_text_;
    int retry_waited_ = 0;
    // The time spent on retry questions over the whole run.
    int run_waited_ = 0;
};

}  // namespace setup
