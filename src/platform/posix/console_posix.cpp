#include <unistd.h>

#include "platform/code_page.h"
#include "platform/console.h"

namespace platform {

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

std::string ConsoleText(const std::string& ansi) { return AnsiToUtf8(ansi); }

std::string ArgumentText(const std::string& argument) { return Utf8ToAnsi(argument); }

}  // namespace platform
