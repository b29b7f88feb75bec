#pragma once
// Polling with a deadline: every wait of the harness ends, so a program that never shows
// the expected window fails the case instead of hanging the run.

#include <chrono>
#include <functional>

namespace e2e {

using Milliseconds = std::chrono::milliseconds;

// Generous defaults: the first start of a Wine prefix alone takes about twenty seconds.
constexpr Milliseconds kStartTimeout{90000};
constexpr Milliseconds kStepTimeout{15000};
constexpr Milliseconds kPollInterval{50};

// Calls condition every poll interval until it returns true (then true) or timeout has
// passed (then false, after one last try).
bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout);

// Sleeps for a short while, letting the program under test repaint and settle.
void Pause(Milliseconds duration);

}  // namespace e2e
