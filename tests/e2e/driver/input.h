#pragma once
// What a user does, done by messages: pressing buttons, typing into fields and pressing
// keys. Posted rather than sent where the program may answer with a modal window, so the
// driver is never stuck inside the program's nested message loop.

#include <string>

#include "driver/window.h"

namespace e2e {

enum class Key { F1, Escape, Enter, Tab, Space };

// Presses button as a click does (BM_CLICK, posted).
void Click(const Window& button);
// Replaces the text of an edit field (WM_SETTEXT, sent so the text is in place on return).
void SetText(const Window& field, const std::string& text);
// Sends key down and key up to the control that has the focus in window's thread (or to
// window itself when no control has it). The program's message loop turns the key into a
// character (Escape, Enter) as it does for real key strokes.
void PressKey(const Window& window, Key key);
// Posts a character message alone, for programs that only look at characters.
void TypeCharacter(const Window& window, char character);
// Asks window to close as its close box does (WM_CLOSE, posted).
void CloseWindow(const Window& window);
// Minimises or restores window as its task-bar button does (WM_SYSCOMMAND, posted).
void MinimizeWindow(const Window& window);
void RestoreWindow(const Window& window);

}  // namespace e2e
