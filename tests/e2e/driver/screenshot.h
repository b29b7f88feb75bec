#pragma once
// Pictures of what is on the screen, for people to look at, written as 24-bit BMP files (the
// scripts turn them into PNG files). Under Wine the picture is taken from the X screen by the
// host's ImageMagick, as a user sees it: the frames and title bars Wine draws in its virtual
// desktop are there, which the system's own copy of the screen leaves black. Elsewhere (or
// when that tool is missing) the screen is copied with GDI.

#include <string>

#include "driver/window.h"

namespace e2e {

// Writes the screen rectangle area to path as a BMP file; false when capturing or writing
// failed (nothing useful is left at path then).
bool CaptureRect(const Rect& area, const std::string& path);
// The whole screen.
bool CaptureScreen(const std::string& path);

// What became of the picture of a window.
enum class WindowShot {
    Saved,
    NotSaved,
    // Saved, but the window has a caption and the band where its title bar belongs came out
    // in a single colour, also after waiting for the frame to be painted.
    NoTitleBar,
};

// The window with its frame, as it appears on the screen (windows in front of it included).
// A window with a caption is asked to paint its frame and pictured again until its title bar
// shows (about ten seconds at most).
WindowShot CaptureWindow(const Window& window, const std::string& path);

}  // namespace e2e
