#include "platform/fallback_dialogs.h"

namespace platform {

DialogResult FallbackDialogs::ShowMessage(const std::string&, MessageKind, unsigned, DialogResult default_button,
                                          const std::string&) {
    return default_button == DialogResult::None ? DialogResult::Ok : default_button;
}

// No one can pick, so the pickers report a cancel and leave their arguments as they were.
bool FallbackDialogs::SelectDirectory(std::string&, bool) { return false; }

bool FallbackDialogs::OpenFile(const std::string&, const std::string&, std::string&) { return false; }

}  // namespace platform
