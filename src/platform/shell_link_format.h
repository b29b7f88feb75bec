#pragma once
// The shell link (.lnk) file format, written and read without the shell, so that the posix
// backend makes the same files the shell link object does on Windows.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/shortcut.h"

namespace platform {

// What goes into a link file. Strings are in the ANSI code page.
struct ShellLinkContent {
    std::string link_path;  // where the file will lie, for the target's relative path
    std::string target;     // full path, "C:\VE4\ve4.exe"
    std::string arguments;
    std::string working_directory;
    uint32_t target_attributes = 0;
    uint32_t target_size = 0;
    FileTime target_write_time;
};

// The bytes of a link file: the header, the target's location (volume and local base path)
// and the relative path, working directory and arguments as ANSI strings.
std::string EncodeShellLink(const ShellLinkContent& content);

// Reads what a link file starts, whether its strings are ANSI or UTF-16 (those converted to
// the ANSI code page); nullopt when the bytes are no link file. A link with a relative path
// but no location has its target resolved against the folder of link_path.
std::optional<ShortcutInfo> DecodeShellLink(const std::string& bytes, const std::string& link_path);

// The path of target relative to the folder holding link_path (".\x.exe", "..\VE4\x.exe");
// empty when they are on different drives or either is not a full path.
std::string RelativeLinkPath(const std::string& link_path, const std::string& target);

}  // namespace platform
