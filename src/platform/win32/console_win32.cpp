#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>

#include "platform/console.h"

namespace platform {

namespace {

bool IsTerminal(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetFileType(handle) == FILE_TYPE_CHAR;
}

}  // namespace

bool StandardErrorIsTerminal() { return IsTerminal(STD_ERROR_HANDLE); }

bool StandardInputIsTerminal() { return IsTerminal(STD_INPUT_HANDLE); }

void SetStandardOutputBinary() { _setmode(_fileno(stdout), _O_BINARY); }

bool ReadHiddenLine(const std::string& prompt, std::string& line) {
    std::cerr << prompt << std::flush;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved = 0;
    const bool console = GetConsoleMode(input, &saved) != 0;
    if (console) SetConsoleMode(input, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (console) SetConsoleMode(input, saved);
    std::cerr << "\n";
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return read;
}

std::string ConsoleText(const std::string& ansi) { return ansi; }

std::string ArgumentText(const std::string& argument) { return argument; }

// The system's ANSI code page is the one in force.
void UseHostCodePage() {}

}  // namespace platform
