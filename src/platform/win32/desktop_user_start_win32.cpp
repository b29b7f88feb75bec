// Starting a program from the elevated setup program as the signed-in user of the desktop,
// without administrator rights. The desktop's shell runs with that user's own account and no
// elevation; a copy of its token starts the program as the user would have started it.

#include "platform/win32/shell_win32.h"

#include "platform/win32/windows_api.h"

#include "platform/win32/handles_win32.h"

namespace platform::win32 {
namespace {

// A primary token of the desktop shell's account; none when there is no shell, its token
// cannot be had, or it is elevated itself (the account has no unelevated session).
UniqueHandle DesktopUserToken() {
    const HWND shell = ::GetShellWindow();
    if (shell == nullptr) return {};
    DWORD process_id = 0;
    ::GetWindowThreadProcessId(shell, &process_id);
    if (process_id == 0) return {};
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
    if (!process.Valid()) return {};
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(process.Get(), TOKEN_DUPLICATE, &raw)) return {};
    const UniqueHandle shell_token(raw);
    HANDLE duplicate = nullptr;
    constexpr DWORD kAccess =
        TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT | TOKEN_ADJUST_SESSIONID;
    if (!::DuplicateTokenEx(shell_token.Get(), kAccess, nullptr, SecurityImpersonation, TokenPrimary, &duplicate)) {
        return {};
    }
    UniqueHandle token(duplicate);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!::GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size) ||
        elevation.TokenIsElevated != 0) {
        return {};
    }
    return token;
}

}  // namespace

bool Win32Shell::CanStartAsDesktopUser() { return DesktopUserToken().Valid(); }

bool Win32Shell::StartProgramAsDesktopUser(const std::string& program, const std::string& parameters,
                                           const std::string& directory, int show_mode) {
    const UniqueHandle token = DesktopUserToken();
    if (!token.Valid()) return false;
    const std::wstring wide_program = WidePath(program);
    const std::wstring wide_directory = WidePath(directory);
    std::wstring command_line = L"\"" + wide_program + L"\"";
    if (!parameters.empty()) command_line += L" " + WidePath(parameters);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(ShowCommand(show_mode));
    PROCESS_INFORMATION started{};
    if (!::CreateProcessWithTokenW(token.Get(), 0, wide_program.c_str(), command_line.data(), 0, nullptr,
                                   directory.empty() ? nullptr : wide_directory.c_str(), &startup, &started)) {
        return false;
    }
    // Nobody waits for it.
    const UniqueHandle process(started.hProcess);
    const UniqueHandle thread(started.hThread);
    return true;
}

}  // namespace platform::win32
