#include "platform/ui/application.h"

#include "platform/ui/backend.h"
#include "platform/ui/form.h"

namespace platform::ui {

Application& Application::Instance() {
    static Application application;
    return application;
}

void Application::SetTitle(const std::string& title) {
    title_ = title;
    backend::SetApplicationTitle(title);
}

void Application::Run() {
    if (!terminated_ && main_form_ != nullptr) main_form_->Show();
    if (terminated_) return;
    backend::RunLoop(*this);
}

void Application::ProcessMessages() { backend::ProcessMessages(); }

void Application::Terminate(ExitCode code) {
    if (!terminated_) exit_code_ = code;
    terminated_ = true;
}

void Application::SetBusyCursor(bool busy) {
    busy_cursor_ = busy;
    backend::SetBusyCursor(busy);
}

void Application::Reset() {
    title_.clear();
    main_form_ = nullptr;
    terminated_ = false;
    exit_code_ = ExitCode::UserExit;
    busy_cursor_ = false;
}

}  // namespace platform::ui
