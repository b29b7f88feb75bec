#pragma once
// What the portable toolkit needs of a backend. The posix build links the headless backend,
// the win32 build the native one; each defines these functions in its ui_*.cpp files.
// Nothing outside the toolkit includes this header.

#include <string>

#include "platform/ui/control.h"
#include "platform/ui/form.h"
#include "platform/ui/string_list.h"

namespace platform::ui {
class Application;
class Timer;
}  // namespace platform::ui

namespace platform::ui::backend {

// The native mirror of one control. The control calls Update after each change of its state.
class Peer {
public:
    virtual ~Peer() = default;
    virtual void Update(Change change) = 0;
    // A list control's items changed (index -1 for a reset).
    virtual void ItemsChanged(ListChange change, int index) { (void)change, (void)index; }
};

struct Size {
    int width = 0;
    int height = 0;
};

// Creates the native windows of a form and of its controls that have none yet; a form
// that is already realised only gets peers for its new controls.
void Realize(Form& form);

// A form is going away; the backend forgets it.
void FormDestroyed(Form& form);

// Disables the other windows before a modal form runs / enables them again afterwards.
void BeginModal(Form& form);
void EndModal(Form& form);
// Waits for and handles one event while form is modal (headless: runs the next step of the
// test's script, or fails when there is none).
void WaitModal(Form& form);

// The message loop of Application::Run; returns when the application is terminated.
void RunLoop(Application& application);
// Handles every pending message, then returns.
void ProcessMessages();

// The size a text needs in a font on form: one line, or wrapped at wrap_width when it is
// above 0. Line breaks in the text always break. Ampersands are drawn as they are. Sizes are
// layout pixels (see display_scale.h): a native backend measures at the form's display scale
// and returns the size that covers the text there.
Size MeasureText(const Form& form, const Font& font, const std::string& text, int wrap_width);
// Outer size minus client size of a form's frame, in layout pixels.
Size FrameSize(BorderStyle style, unsigned border_icons);
// The work area of the primary screen, in layout pixels.
Size ScreenSize();

void StartTimer(Timer& timer);
void StopTimer(Timer& timer);

void SetBusyCursor(bool busy);
void SetApplicationTitle(const std::string& title);

}  // namespace platform::ui::backend
