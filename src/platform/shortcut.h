#pragma once
// Reading shortcut (.lnk) files back, for checks after an installation.

#include <optional>
#include <string>

namespace platform {

// What a shortcut starts: the target's full path, its arguments and its working directory.
struct ShortcutInfo {
    std::string target;
    std::string arguments;
    std::string working_directory;
    friend bool operator==(const ShortcutInfo&, const ShortcutInfo&) = default;
};

// Loads the shortcut file at a Windows path (win32: through the shell link object; posix: by
// decoding the file); nullopt when it is missing or not a shortcut.
std::optional<ShortcutInfo> ReadShortcut(const std::string& link_path);

}  // namespace platform
