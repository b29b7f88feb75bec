#include "platform/win32/system_win32.h"

#include "platform/win32/windows_api.h"
#include <sddl.h>
#include <shlobj.h>

#include "platform/command_line.h"
#include "platform/embedded_resource.h"
#include "platform/win32/handles_win32.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace platform::win32 {
namespace {

// GetPrivateProfileStringA reports a full buffer by returning size - 1 (size - 2 for lists);
// the buffer grows until the answer fits.
std::string ProfileString(const char* section, const char* key, const char* default_value, const std::string& file,
                          bool is_list) {
    for (DWORD size = 1024; size <= (1u << 24); size *= 4) {
        std::string buffer(size, '\0');
        const DWORD length =
            ::GetPrivateProfileStringA(section, key, default_value, buffer.data(), size, file.c_str());
        if (length < size - (is_list ? 2 : 1)) {
            buffer.resize(length);
            return buffer;
        }
    }
    return {};
}

}  // namespace

std::string Win32System::ProgramPath() {
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        std::string path(size, '\0');
        const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), size);
        if (length == 0) return {};
        if (length < size) {
            path.resize(length);
            return path;
        }
    }
    return {};
}

std::vector<std::string> Win32System::Arguments() {
    std::vector<std::string> items = SplitCommandLine(::GetCommandLineA(), FirstItem::Program);
    if (!items.empty()) items.erase(items.begin());
    return items;
}

std::string Win32System::CommandLine() { return CommandLineAfterProgram(::GetCommandLineA()); }

std::string Win32System::UserName() {
    char buffer[257] = {};
    DWORD size = sizeof buffer;
    return ::GetUserNameA(buffer, &size) ? std::string(buffer) : std::string();
}

// TokenIsElevated, or the token's user is the system account (which a deployment tool's
// service runs as, elevated in all but name).
bool Win32System::IsElevated() {
    HANDLE token_handle = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token_handle)) return false;
    const UniqueHandle token(token_handle);
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (::GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size) &&
        elevation.TokenIsElevated != 0) {
        return true;
    }
    alignas(TOKEN_USER) unsigned char user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    if (!::GetTokenInformation(token.Get(), TokenUser, user, sizeof user, &size)) return false;
    return ::IsWellKnownSid(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, WinLocalSystemSid) != FALSE;
}

uint32_t Win32System::ProcessId() { return ::GetCurrentProcessId(); }

// Session 0 holds the services, whose desktop nobody sees; a window station without
// WSF_VISIBLE (a service's own, a scheduled task's "run whether the user is logged on or not")
// shows nothing either.
DesktopSession Win32System::Desktop() {
    DesktopSession session;
    DWORD session_id = 0;
    if (::ProcessIdToSessionId(::GetCurrentProcessId(), &session_id)) session.session_id = session_id;
    USEROBJECTFLAGS flags = {};
    HWINSTA station = ::GetProcessWindowStation();
    if (station != nullptr &&
        ::GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) {
        session.window_station_visible = (flags.dwFlags & WSF_VISIBLE) != 0;
    }
    return session;
}

MachineIdentity Win32System::Identity() {
    MachineIdentity identity;
    // RtlGetVersion tells the truth whatever the manifest declares, unlike GetVersionEx.
    using GetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    const auto get_version = ntdll == nullptr ? nullptr
                                              : reinterpret_cast<GetVersionCall>(
                                                    reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (get_version != nullptr && get_version(&version) == 0) {
        identity.major_version = version.dwMajorVersion;
        identity.minor_version = version.dwMinorVersion;
        identity.build = version.dwBuildNumber;
    }
    SYSTEM_INFO system = {};
    ::GetNativeSystemInfo(&system);
    switch (system.wProcessorArchitecture) {
        case PROCESSOR_ARCHITECTURE_INTEL: identity.architecture = "x86"; break;
        case PROCESSOR_ARCHITECTURE_AMD64: identity.architecture = "x64"; break;
        case 12 /* PROCESSOR_ARCHITECTURE_ARM64 */: identity.architecture = "ARM64"; break;
        default: identity.architecture = "unknown"; break;
    }
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    if (::GetComputerNameA(name, &size)) identity.name.assign(name, size);
    return identity;
}

std::string Win32System::ProgramFilesDirFromRegistry() {
    RegistryKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ,
                        key.Receive()) != ERROR_SUCCESS) {
        return {};
    }
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(key.Get(), "ProgramFilesDir", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) {
        return {};
    }
    std::string value(size, '\0');
    if (::RegQueryValueExA(key.Get(), "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                           &size) != ERROR_SUCCESS) {
        return {};
    }
    // The stored string may or may not carry its terminating NUL.
    value.resize(std::min<size_t>(size, value.size()));
    const size_t end = value.find('\0');
    if (end != std::string::npos) value.resize(end);
    return value;
}

std::string Win32System::SystemDirectory() {
    char buffer[300] = {};
    const UINT length = ::GetSystemDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return {};
    return std::string(buffer, length);
}

std::string Win32System::SpecialFolderPath(SpecialFolder folder) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, static_cast<int>(folder), &list)) || list == nullptr) return {};
    char buffer[1000] = {};
    const BOOL found = ::SHGetPathFromIDListA(list, buffer);
    ::CoTaskMemFree(list);
    return found ? std::string(buffer) : std::string();
}

std::string Win32System::LocaleInfo(uint32_t kind) {
    char buffer[100] = {};
    if (::GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, kind, buffer, sizeof buffer) == 0) return {};
    return std::string(buffer);
}

uint16_t Win32System::SystemDefaultUiLanguage() { return ::GetSystemDefaultUILanguage(); }

std::string Win32System::ReadIniString(const std::string& file, const std::string& section, const std::string& key,
                                       const std::string& default_value) {
    return ProfileString(section.c_str(), key.c_str(), default_value.c_str(), file, false);
}

std::vector<std::string> Win32System::ReadIniKeys(const std::string& file, const std::string& section) {
    const std::string list = ProfileString(section.c_str(), nullptr, "", file, true);
    std::vector<std::string> keys;
    size_t position = 0;
    while (position < list.size()) {
        const size_t end = list.find('\0', position);
        const std::string key = list.substr(position, end == std::string::npos ? std::string::npos : end - position);
        if (!key.empty()) keys.push_back(key);
        if (end == std::string::npos) break;
        position = end + 1;
    }
    return keys;
}

std::string Win32System::OemToAnsi(const std::string& text) {
    if (text.empty()) return text;
    std::string converted(text.size(), '\0');
    // OemToCharBuffA, not OemToCharA: a name may hold bytes after a NUL.
    ::OemToCharBuffA(text.data(), converted.data(), static_cast<DWORD>(text.size()));
    return converted;
}

bool Win32System::Utf8ToAnsi(const std::string& utf8, std::string& ansi) {
    ansi.clear();
    if (utf8.empty()) return true;
    const int utf8_length = static_cast<int>(utf8.size());
    // Malformed UTF-8 is refused rather than read with replacement characters.
    const int wide_length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), utf8_length, nullptr, 0);
    if (wide_length <= 0) {
        ansi.assign(utf8.size(), '?');
        return false;
    }
    std::wstring wide(static_cast<size_t>(wide_length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), utf8_length, wide.data(), wide_length);
    if (::GetACP() == CP_UTF8) {
        ansi = utf8;
        return true;
    }
    // No best-fit mapping: a character the code page lacks must not become a look-alike (a
    // fraction slash becoming '/', say); the default character it gets instead is noticed.
    BOOL used_default = FALSE;
    const int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, nullptr, 0,
                                             nullptr, nullptr);
    if (length <= 0) {
        ansi.assign(utf8.size(), '?');
        return false;
    }
    ansi.assign(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, ansi.data(), length, "?",
                          &used_default);
    return used_default == FALSE;
}

std::string Win32System::AnsiToUtf8(const std::string& ansi) {
    if (ansi.empty()) return ansi;
    const int ansi_length = static_cast<int>(ansi.size());
    const int wide_length = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), ansi_length, nullptr, 0);
    if (wide_length <= 0) return ansi;
    std::wstring wide(static_cast<size_t>(wide_length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), ansi_length, wide.data(), wide_length);
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return ansi;
    std::string utf8(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

int Win32System::CompareTextIgnoreCase(const std::string& left, const std::string& right) {
    const int result = ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, left.data(), static_cast<int>(left.size()),
                                        right.data(), static_cast<int>(right.size()));
    if (result == 0) return left.compare(right) < 0 ? -1 : left == right ? 0 : 1;
    return result - CSTR_EQUAL;
}

std::optional<std::string> Win32System::ProgramResource(const std::string& name, const std::string& type) {
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC found = ::FindResourceA(module, name.c_str(), type.c_str());
    if (found == nullptr) return FindEmbeddedResource(name, type);
    HGLOBAL loaded = ::LoadResource(module, found);
    if (loaded == nullptr) return std::nullopt;
    const void* bytes = ::LockResource(loaded);
    const DWORD size = ::SizeofResource(module, found);
    if (bytes == nullptr) return std::nullopt;
    return std::string(static_cast<const char*>(bytes), size);
}

namespace {

// The calls for private namespaces, looked up at run time: older systems and Wine do not have
// them, and a program that imported them would not start there.
struct PrivateNamespaceCalls {
    HANDLE(WINAPI* create_boundary)(LPCWSTR, ULONG) = nullptr;
    BOOL(WINAPI* add_sid)(HANDLE*, PSID) = nullptr;
    VOID(WINAPI* delete_boundary)(HANDLE) = nullptr;
    HANDLE(WINAPI* create_namespace)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR) = nullptr;
    HANDLE(WINAPI* open_namespace)(LPVOID, LPCWSTR) = nullptr;
    BOOLEAN(WINAPI* close_namespace)(HANDLE, ULONG) = nullptr;

    bool Complete() const {
        return create_boundary && add_sid && delete_boundary && create_namespace && open_namespace && close_namespace;
    }
};

template <typename Function>
void Look(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const PrivateNamespaceCalls& PrivateNamespaces() {
    static const PrivateNamespaceCalls calls = [] {
        PrivateNamespaceCalls found;
        const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
        if (kernel == nullptr) return found;
        Look(kernel, "CreateBoundaryDescriptorW", found.create_boundary);
        Look(kernel, "AddSIDToBoundaryDescriptor", found.add_sid);
        Look(kernel, "DeleteBoundaryDescriptor", found.delete_boundary);
        Look(kernel, "CreatePrivateNamespaceW", found.create_namespace);
        Look(kernel, "OpenPrivateNamespaceW", found.open_namespace);
        Look(kernel, "ClosePrivateNamespace", found.close_namespace);
        return found;
    }();
    return calls;
}

// Held while the object lives; the system gives a mutex up when its holder ends, and keeps a
// private namespace while a handle to it is open.
class MutexLock : public MachineLock {
public:
    MutexLock(HANDLE name_space, HANDLE boundary) : name_space_(name_space), boundary_(boundary) {}
    ~MutexLock() override {
        holder_ = UniqueHandle();
        if (owned_) ::ReleaseMutex(mutex_.Get());
        mutex_ = UniqueHandle();
        if (name_space_ != nullptr) PrivateNamespaces().close_namespace(name_space_, 0);
        if (boundary_ != nullptr) PrivateNamespaces().delete_boundary(boundary_);
    }

    // Creates or opens the mutex and takes it without waiting; false when another holds it or
    // it cannot be opened (one made by a process this one may not open counts as held).
    bool Take(const std::string& name) {
        mutex_ = UniqueHandle(::CreateMutexA(nullptr, FALSE, name.c_str()));
        if (!mutex_.Valid()) return false;
        const DWORD waited = ::WaitForSingleObject(mutex_.Get(), 0);
        // An abandoned mutex is one whose holder ended without giving it up: it is ours now.
        owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        return owned_;
    }

    // Publishes the holder (process id and program path) in a small named section beside the
    // mutex, which lives as long as this handle (and a reader's).
    void Publish(const std::string& section_name, const std::string& holder) {
        holder_ = UniqueHandle(
            ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kHolderSize, section_name.c_str()));
        if (!holder_.Valid()) return;
        void* view = ::MapViewOfFile(holder_.Get(), FILE_MAP_WRITE, 0, 0, kHolderSize);
        if (view == nullptr) return;
        const size_t length = std::min<size_t>(holder.size(), kHolderSize - 1);
        std::memcpy(view, holder.data(), length);
        static_cast<char*>(view)[length] = '\0';
        ::UnmapViewOfFile(view);
    }

    static constexpr DWORD kHolderSize = 4096;

private:
    UniqueHandle holder_;
    UniqueHandle mutex_;
    HANDLE name_space_;
    HANDLE boundary_;
    bool owned_ = false;
};

constexpr wchar_t kNamespaceName[] = L"VIrovARI2";

// Opens the product's private namespace, whose boundary holds the Administrators group: only
// a process with that group enabled can create or open it. nullptr when it cannot be had.
HANDLE OpenAdministratorsNamespace(HANDLE& boundary) {
    const PrivateNamespaceCalls& calls = PrivateNamespaces();
    boundary = calls.create_boundary(kNamespaceName, 0);
    if (boundary == nullptr) return nullptr;
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sid_size = sizeof sid;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    HANDLE name_space = nullptr;
    if (::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sid_size) &&
        calls.add_sid(&boundary, sid) &&
        ::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;GA;;;BA)(A;;GA;;;SY)", SDDL_REVISION_1,
                                                               &descriptor, nullptr)) {
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
        name_space = calls.create_namespace(&attributes, boundary, kNamespaceName);
        if (name_space == nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
            name_space = calls.open_namespace(boundary, kNamespaceName);
        }
        ::LocalFree(descriptor);
    }
    if (name_space == nullptr) {
        calls.delete_boundary(boundary);
        boundary = nullptr;
    }
    return name_space;
}

}  // namespace

std::unique_ptr<MachineLock> Win32System::TakeMachineLock(const std::string& name) {
    // Anyone may create a mutex in the global namespace, so there an ordinary user could take
    // the name first and block every installation; the private namespace of administrators
    // leaves the name to them. Systems without private namespaces (and Wine) get the global
    // name.
    HANDLE boundary = nullptr;
    HANDLE name_space = nullptr;
    std::string full_name = "Global\\" + name;
    if (PrivateNamespaces().Complete()) {
        name_space = OpenAdministratorsNamespace(boundary);
        if (name_space == nullptr) return nullptr;
        full_name = "VIrovARI2\\" + name;
    }
    auto lock = std::make_unique<MutexLock>(name_space, boundary);
    if (!lock->Take(full_name)) return nullptr;
    lock->Publish(full_name + ".Holder", std::to_string(::GetCurrentProcessId()) + "\t" + ProgramPath());
    return lock;
}

LockHolder Win32System::MachineLockHolder(const std::string& name) {
    LockHolder holder;
    HANDLE boundary = nullptr;
    HANDLE name_space = nullptr;
    std::string section_name = "Global\\" + name + ".Holder";
    if (PrivateNamespaces().Complete()) {
        name_space = OpenAdministratorsNamespace(boundary);
        if (name_space == nullptr) return holder;
        section_name = "VIrovARI2\\" + name + ".Holder";
    }
    const UniqueHandle section(::OpenFileMappingA(FILE_MAP_READ, FALSE, section_name.c_str()));
    if (section.Valid()) {
        if (const void* view = ::MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, MutexLock::kHolderSize)) {
            const char* text = static_cast<const char*>(view);
            const std::string published(text, strnlen(text, MutexLock::kHolderSize));
            ::UnmapViewOfFile(view);
            const size_t tab = published.find('\t');
            if (tab != std::string::npos) {
                holder.process_id = static_cast<uint32_t>(std::strtoul(published.c_str(), nullptr, 10));
                holder.program = published.substr(tab + 1);
            }
        }
    }
    if (name_space != nullptr) PrivateNamespaces().close_namespace(name_space, 0);
    if (boundary != nullptr) PrivateNamespaces().delete_boundary(boundary);
    return holder;
}

}  // namespace platform::win32
