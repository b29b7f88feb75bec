#include "driver/wait.h"

#include <thread>

namespace e2e {

bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(kPollInterval);
    }
    return condition();
}

void Pause(Milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace e2e
