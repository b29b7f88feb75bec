#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/posix/machine_state.h"
#include "platform/posix/posix_machine.h"

namespace platform {

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool StandardInputIsTerminal() { return isatty(STDIN_FILENO) == 1; }

void SetStandardOutputBinary() {}

bool ReadHiddenLine(const std::string& prompt, std::string& line) {
    std::cerr << prompt << std::flush;
    termios saved{};
    const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios hidden = saved;
        hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &hidden);
    }
    std::string utf8;
    const bool read = static_cast<bool>(std::getline(std::cin, utf8));
    if (terminal) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::cerr << "\n";
    line = posix::ProgramText(utf8);
    return read;
}

std::string ConsoleText(const std::string& ansi) { return posix::HostText(ansi); }

std::string ArgumentText(const std::string& argument) { return posix::ProgramText(argument); }

void UseHostCodePage() { PosixMachine::SetAnsiCodePage(PosixMachine::AnsiCodePage::Utf8); }

}  // namespace platform
