#pragma once
// Modal boxes of the program (confirmations, errors, the language question): a top-level
// window of the program other than the ones already known, its message text, and its
// buttons pressed by caption.

#include <string>
#include <vector>

#include "driver/window.h"

namespace e2e {

// Waits for a visible top-level window of the process that is none of known and whose
// caption is one of captions (any caption when there are none); an empty Window after timeout
// or once the process has ended.
Window WaitForDialog(uint32_t process_id, const std::vector<Window>& known, const std::vector<std::string>& captions,
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
