#include "platform/ui/timer.h"

#include "platform/ui/backend.h"

namespace platform::ui {

Timer::Timer(Form& owner, unsigned interval_ms) : owner_(owner), interval_ms_(interval_ms) {}

Timer::~Timer() {
    if (enabled_) backend::StopTimer(*this);
}

void Timer::SetInterval(unsigned interval_ms) {
    if (interval_ms == interval_ms_) return;
    interval_ms_ = interval_ms;
    Restart();
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled) {
        Restart();
        return;
    }
    backend::StopTimer(*this);
}

void Timer::Restart() {
    if (!enabled_) return;
    backend::StopTimer(*this);
    // A zero interval never fires, as with the native timers.
    if (interval_ms_ > 0) backend::StartTimer(*this);
}

void Timer::Fire() {
    if (enabled_ && OnTimer) OnTimer();
}

}  // namespace platform::ui
