#pragma once
// A timer owned by a form: while enabled, OnTimer runs every Interval milliseconds on the
// user-interface thread (from the message loop; the headless backend runs a virtual clock).

#include <cstdint>
#include <functional>

namespace platform::ui {

class Form;

class Timer {
public:
    // A disabled timer with the given interval.
    explicit Timer(Form& owner, unsigned interval_ms = 1000);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    unsigned Interval() const { return interval_ms_; }
    // Changes the interval; an enabled timer starts counting again.
    void SetInterval(unsigned interval_ms);
    bool Enabled() const { return enabled_; }
    // Starts (counting from now) or stops the timer.
    void SetEnabled(bool enabled);
    Form& Owner() const { return owner_; }

    std::function<void()> OnTimer;

    // Input: the interval elapsed. Runs OnTimer when the timer is enabled.
    void Fire();

    // The backend's bookkeeping for this timer (a native timer id, or a due time).
    uint64_t backend_data = 0;

private:
    void Restart();

    Form& owner_;
    unsigned interval_ms_;
    bool enabled_ = false;
};

}  // namespace platform::ui
