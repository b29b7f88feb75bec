#pragma once
// Pictures of what is on the screen, for people to look at: a rectangle of the screen copied
// with GDI and written as a 24-bit BMP file (the scripts turn them into PNG files).

#include <string>

#include "driver/window.h"

namespace e2e {

// Writes the screen rectangle area to path as a BMP file; false when capturing or writing
// failed (nothing useful is left at path then).
bool CaptureRect(const Rect& area, const std::string& path);
// The whole screen.
bool CaptureScreen(const std::string& path);
// The window with its frame, as it appears on the screen (windows in front of it included).
bool CaptureWindow(const Window& window, const std::string& path);

}  // namespace e2e
