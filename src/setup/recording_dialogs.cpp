#include "setup/recording_dialogs.h"

#include <utility>

namespace setup {

namespace {

std::string KindName(platform::MessageKind kind, const std::string& caption) {
    switch (kind) {
        case platform::MessageKind::Warning:
            return "Warning";
        case platform::MessageKind::Error:
            return "Error";
        case platform::MessageKind::Information:
            return "Information";
        case platform::MessageKind::Confirmation:
            return "Confirmation";
        case platform::MessageKind::Custom:
            break;
    }
    return caption;
}

std::string ButtonName(platform::DialogResult result) {
    switch (result) {
        case platform::DialogResult::Ok:
            return "OK";
        case platform::DialogResult::Cancel:
            return "Cancel";
        case platform::DialogResult::Abort:
            return "Abort";
        case platform::DialogResult::Retry:
            return "Repeat";
        case platform::DialogResult::Ignore:
            return "Next";
        case platform::DialogResult::Yes:
            return "Yes";
        case platform::DialogResult::No:
            return "No";
        case platform::DialogResult::None:
            break;
    }
    return "none";
}

bool HasButton(unsigned button_set, unsigned button) { return (button_set & button) != 0; }

}  // namespace

RecordingDialogs::RecordingDialogs(platform::Dialogs* shown, SetupLog& log, Wait wait)
    : shown_(shown), log_(log), wait_(std::move(wait)) {}

platform::DialogResult RecordingDialogs::ShowMessage(const std::string& text, platform::MessageKind kind,
                                                     unsigned button_set, platform::DialogResult default_button,
                                                     const std::string& caption) {
    // A retry question asked again for the same file is recorded once.
    if (text != retry_text_) log_.Write(KindName(kind, caption) + ": " + text);
    const platform::DialogResult answer = shown_ != nullptr
                                              ? shown_->ShowMessage(text, kind, button_set, default_button, caption)
                                              : Answer(text, button_set, default_button);
    const bool retrying = answer == platform::DialogResult::Retry && text == retry_text_;
    if (!retrying && button_set != platform::buttons::kOk) log_.Write("Answer: " + ButtonName(answer));
    return answer;
}

platform::DialogResult RecordingDialogs::Answer(const std::string& text, unsigned button_set,
                                                platform::DialogResult default_button) {
    if (HasButton(button_set, platform::buttons::kRetry) && HasButton(button_set, platform::buttons::kIgnore)) {
        if (text != retry_text_) {
            retry_text_ = text;
            retry_waited_ = 0;
        }
        if (retry_waited_ >= kRetryLimitMilliseconds || run_waited_ >= kRunRetryLimitMilliseconds) {
            retry_text_.clear();
            return platform::DialogResult::Ignore;
        }
        wait_(kRetryIntervalMilliseconds);
        retry_waited_ += kRetryIntervalMilliseconds;
        run_waited_ += kRetryIntervalMilliseconds;
        return platform::DialogResult::Retry;
    }
    retry_text_.clear();
    if (HasButton(button_set, platform::buttons::kNo)) return platform::DialogResult::No;
    return default_button != platform::DialogResult::None ? default_button : platform::DialogResult::Ok;
}

bool RecordingDialogs::SelectDirectory(std::string& directory, bool allow_missing) {
    return shown_ != nullptr && shown_->SelectDirectory(directory, allow_missing);
}

bool RecordingDialogs::OpenFile(const std::string& title, const std::string& filter, std::string& path) {
    return shown_ != nullptr && shown_->OpenFile(title, filter, path);
}

void RecordingDialogs::ProcessMessages() {
    if (shown_ != nullptr) shown_->ProcessMessages();
}

void RecordingDialogs::SetBusyCursor(bool busy) {
    if (shown_ != nullptr) shown_->SetBusyCursor(busy);
}

}  // namespace setup
