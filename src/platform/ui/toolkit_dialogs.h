#pragma once
// The platform's Dialogs service made of the toolkit's own forms, the same on every backend.

#include "platform/dialogs.h"

namespace platform::ui {

// The toolkit's Dialogs object (one for the program).
platform::Dialogs& ToolkitDialogs();

// Makes the toolkit's dialogs the default ones that platform::UserDialogs() returns while the
// services in force name no dialogs of their own. The program entry calls it once.
void InstallDialogs();

}  // namespace platform::ui
