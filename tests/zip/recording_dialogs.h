#pragma once
// Dialogs for the component's tests: every message box is recorded and answered from a
// queue of answers (its default button when the queue is empty).

#include <deque>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/platform.h"

namespace zip_test {

class RecordingDialogs : public platform::Dialogs {
public:
    RecordingDialogs() : scoped_(Replacement(this)) {}

    platform::DialogResult ShowMessage(const std::string& text, platform::MessageKind, unsigned,
                                       platform::DialogResult default_button, const std::string& caption) override {
        messages.push_back(caption + ": " + text);
        if (answers.empty()) return default_button;
        const platform::DialogResult answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool SelectDirectory(std::string& directory, bool) override {
        if (chosen_path.empty()) return false;
        directory = chosen_path;
        return true;
    }
    bool OpenFile(const std::string&, const std::string&, std::string& path) override {
        if (chosen_path.empty()) return false;
        path = chosen_path;
        return true;
    }
    void ProcessMessages() override { ++processed; }
    void SetBusyCursor(bool) override {}

    std::vector<std::string> messages;
    std::deque<platform::DialogResult> answers;
    std::string chosen_path;
    int processed = 0;

private:
    static platform::Services Replacement(Dialogs* dialogs) {
        platform::Services services = platform::Current();
        services.dialogs = dialogs;
        return services;
    }
    platform::ScopedServices scoped_;
};

}  // namespace zip_test
