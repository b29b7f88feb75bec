#pragma once
// Modal boxes of the program (confirmations, errors, the language question): a top-level
// window of the program other than the ones already known, its message text, and its
// buttons pressed by caption.

#include <string>
#include <vector>

#include "driver/window.h"

namespace e2e {

// Waits for a visible top-level window of the process that is none of known and whose
// caption equals caption (any caption when empty); an empty Window after timeout.
Window WaitForDialog(uint32_t process_id, const std::vector<Window>& known, const std::string& caption,
                     Milliseconds timeout);

// The texts of the box's static controls that carry text, joined by "\n": its message.
std::string DialogMessage(const Window& dialog);

// The captions of the window's visible buttons, without accelerator marks, in reading order
// (row by row from the top, left to right).
std::vector<std::string> ButtonCaptions(const Window& window);

// Presses the button whose caption, without accelerator marks, equals caption; false when
// the box has no such button.
bool PressButton(const Window& window, const std::string& caption);

}  // namespace e2e
