#include "platform/win32/shell_win32.h"

#include "platform/win32/windows_api.h"
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>

#include "platform/shortcut.h"
#include "platform/win32/handles_win32.h"

namespace platform::win32 {
namespace {

#ifndef _WIN64
static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "the shell-execute structure has its 32-bit size");
#endif

}  // namespace

// The ANSI path as the wide string IPersistFile wants.
std::wstring WidePath(const std::string& path) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

int ShowCommand(int show_mode) {
    constexpr int kShowStates[4] = {SW_SHOW, SW_SHOWMAXIMIZED, SW_SHOWMINIMIZED, SW_SHOWMINNOACTIVE};
    return show_mode >= 0 && show_mode < 4 ? kShowStates[show_mode] : SW_SHOW;
}

bool Win32Shell::SetClassesRootValue(const std::string& key_path, const std::string& value) {
    RegistryKey key;
    if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, key_path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                          key.Receive(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return ::RegSetValueExA(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool Win32Shell::ClassesRootKeyExists(const std::string& key_path) {
    RegistryKey key;
    return ::RegOpenKeyExA(HKEY_CLASSES_ROOT, key_path.c_str(), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

bool Win32Shell::DeleteClassesRootKey(const std::string& key_path) {
    // An empty path would name the whole classes root.
    if (key_path.empty() || key_path.front() == '\\') return false;
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, key_path.c_str());
    return !ClassesRootKeyExists(key_path);
}

// Values are read and written through the wide functions, so that their bytes come back exactly,
// whatever the code page.
bool Win32Shell::ReadClassesRootValue(const std::string& key_path, std::optional<RegistryValue>& value) {
    const std::wstring wide = WidePath(key_path);
    RegistryKey key;
    if (wide.empty() || ::RegOpenKeyExW(HKEY_CLASSES_ROOT, wide.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) {
        return false;
    }
    // The value may grow between asking its size and reading it; then it is asked again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        LONG status = ::RegQueryValueExW(key.Get(), nullptr, nullptr, &type, nullptr, &size);
        if (status == ERROR_FILE_NOT_FOUND) {
            value.reset();
            return true;
        }
        if (status != ERROR_SUCCESS) return false;
        std::string data(size, '\0');
        status = ::RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return false;
        data.resize(size);
        value = RegistryValue{type, data};
        return true;
    }
    return false;
}

bool Win32Shell::RestoreClassesRootValue(const std::string& key_path, const std::optional<RegistryValue>& value) {
    const std::wstring wide = WidePath(key_path);
    RegistryKey key;
    if (wide.empty() || ::RegCreateKeyExW(HKEY_CLASSES_ROOT, wide.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_SET_VALUE, nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    if (!value) {
        const LONG status = ::RegDeleteValueW(key.Get(), nullptr);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    return ::RegSetValueExW(key.Get(), nullptr, 0, value->type, reinterpret_cast<const BYTE*>(value->data.data()),
                            static_cast<DWORD>(value->data.size())) == ERROR_SUCCESS;
}

bool Win32Shell::CreateShortcut(const std::string& link_path, const std::string& target, const std::string& arguments,
                                const std::string& working_directory) {
    ComScope com;
    if (!com.Ready()) return false;
    ComPtr<IShellLinkA> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.ReceiveVoid()))) {
        return false;
    }
    if (FAILED(link->SetPath(target.c_str())) || FAILED(link->SetArguments(arguments.c_str())) ||
        FAILED(link->SetWorkingDirectory(working_directory.c_str()))) {
        return false;
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid()))) return false;
    const std::wstring wide = WidePath(link_path);
    return !wide.empty() && SUCCEEDED(file->Save(wide.c_str(), TRUE));
}

bool Win32Shell::StartProgram(const std::string& program, const std::string& parameters, const std::string& directory,
                              int show_mode) {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = nullptr;
    info.lpVerb = nullptr;
    info.lpFile = program.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.lpDirectory = directory.empty() ? nullptr : directory.c_str();  // the current one
    info.nShow = ShowCommand(show_mode);
    if (!::ShellExecuteExA(&info)) return false;
    UniqueHandle process(info.hProcess);  // nobody waits for it
    return true;
}

}  // namespace platform::win32

namespace platform {

std::optional<ShortcutInfo> ReadShortcut(const std::string& link_path) {
    win32::ComScope com;
    if (!com.Ready()) return std::nullopt;
    win32::ComPtr<IShellLinkA> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.ReceiveVoid()))) {
        return std::nullopt;
    }
    win32::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid()))) return std::nullopt;
    const std::wstring wide = win32::WidePath(link_path);
    if (wide.empty() || FAILED(file->Load(wide.c_str(), STGM_READ))) return std::nullopt;
    char buffer[1024] = {};
    ShortcutInfo info;
    if (FAILED(link->GetPath(buffer, sizeof buffer, nullptr, SLGP_RAWPATH))) return std::nullopt;
    info.target = buffer;
    buffer[0] = '\0';
    if (SUCCEEDED(link->GetArguments(buffer, sizeof buffer))) info.arguments = buffer;
    buffer[0] = '\0';
    if (SUCCEEDED(link->GetWorkingDirectory(buffer, sizeof buffer))) info.working_directory = buffer;
    return info;
}

}  // namespace platform
