#include <windows.h>

#include "platform/console.h"

namespace platform {

bool StandardErrorIsTerminal() {
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetFileType(handle) == FILE_TYPE_CHAR;
}

std::string ConsoleText(const std::string& ansi) { return ansi; }

std::string ArgumentText(const std::string& argument) { return argument; }

}  // namespace platform
