#pragma once
// The display scale as the program under test sees it, and the messages Windows sends a
// window that moves to a screen of another scale.

#include <optional>

#include "driver/window.h"

namespace e2e {

// The screen's DPI (the prefix's LogPixels under Wine).
int ScreenDpi();

// Asks form for its outer size at dpi (WM_GETDPISCALEDSIZE), as Windows does before a move;
// nothing when the message could not be sent or the form left the size to the system.
std::optional<Rect> DpiScaledSize(const Window& form, int dpi);
// Tells form that it now shows at dpi and suggests its new screen rectangle (WM_DPICHANGED);
// false when the message could not be sent.
bool SendDpiChanged(const Window& form, int dpi, const Rect& suggested);

}  // namespace e2e
