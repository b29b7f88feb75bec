#pragma once
// The machine the program runs on: its own path and command line, the system folders, the
// locale, INI files, code pages and the program's resources. Phrased in Windows terms.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// CSIDL values of the special folders the setup needs.
// The common ones (all users' folders) are where an elevated run puts its shortcuts.
enum class SpecialFolder {
    Programs = 2,
    DesktopDirectory = 16,
    CommonPrograms = 23,
    CommonDesktopDirectory = 25,
    CommonAppData = 35,
};

// GetLocaleInfoA information kinds used by the program.
constexpr uint32_t kLocaleSystemDefault = 0x800;
constexpr uint32_t kLocaleSEnglishLanguage = 0x1001;

// The language id GetSystemDefaultUILanguage returns for Russian.
constexpr uint16_t kLanguageIdRussian = 0x0419;

// A machine-wide lock, held for as long as the object lives (and no longer than the process).
class MachineLock {
public:
    virtual ~MachineLock() = default;
};

// Who holds a machine-wide lock, as its holder published it.
struct LockHolder {
    uint32_t process_id = 0;  // 0: not known
    std::string program;      // the holder's program path
};

// The session the program runs in, for telling whether anyone can see its windows.
struct DesktopSession {
    uint32_t session_id = 1;            // ProcessIdToSessionId; 0 is the services' session
    bool window_station_visible = true; // UOI_FLAGS of the process's window station has WSF_VISIBLE
};

// What an administrator compares machines by.
struct MachineIdentity {
    uint32_t major_version = 0;  // the Windows version, as the system itself reports it
    uint32_t minor_version = 0;
    uint32_t build = 0;
    std::string architecture;    // the machine's: "x86", "x64", "ARM64" or "unknown"
    std::string name;            // the computer name
};

class System {
public:
    virtual ~System() = default;

    // The program's own full Windows path (the first command-line item).
    virtual std::string ProgramPath() = 0;
    // The command-line arguments after the program's path (items 1 to n).
    virtual std::vector<std::string> Arguments() = 0;
    // The command line after the program's path, as written (GetCommandLineA's tail): the
    // switches whose values may hold blanks are read from it.
    virtual std::string CommandLine() = 0;
    // The name of the account the program runs as (GetUserNameA); empty when unknown.
    virtual std::string UserName() = 0;
    // Whether the program runs elevated (TokenIsElevated) or as the system account: what it
    // installs is then for every user of the machine.
    virtual bool IsElevated() = 0;
    // The program's own process id.
    virtual uint32_t ProcessId() = 0;
    // The session and window station the program runs in.
    virtual DesktopSession Desktop() = 0;
    // The Windows version and build, the machine's architecture and its name.
    virtual MachineIdentity Identity() = 0;

    // Value ProgramFilesDir of HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion;
    // empty when the key or the value is missing or unreadable.
    virtual std::string ProgramFilesDirFromRegistry() = 0;
    // GetSystemDirectoryA; empty on failure.
    virtual std::string SystemDirectory() = 0;
    // SHGetSpecialFolderLocation + SHGetPathFromIDListA; empty when either call fails.
    virtual std::string SpecialFolderPath(SpecialFolder folder) = 0;

    // GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, kind) up to the first NUL; empty on failure.
    virtual std::string LocaleInfo(uint32_t kind) = 0;
    // GetSystemDefaultUILanguage.
    virtual uint16_t SystemDefaultUiLanguage() = 0;

    // GetPrivateProfileStringA: sections and keys compared without regard to case, blanks
    // around the value dropped, default_value when the file, section or key is missing.
    virtual std::string ReadIniString(const std::string& file, const std::string& section,
                                      const std::string& key, const std::string& default_value) = 0;
    // The names of the keys of a section, in file order (GetPrivateProfileStringA with no key).
    virtual std::vector<std::string> ReadIniKeys(const std::string& file, const std::string& section) = 0;

    // OemToCharA: OEM code page text to the ANSI code page.
    virtual std::string OemToAnsi(const std::string& text) = 0;
    // A UTF-8 text in the ANSI code page, character for character (no best-fit look-alikes).
    // false when the text is not well-formed UTF-8 or holds a character the code page lacks;
    // ansi then holds the text with '?' in those places, for showing only.
    virtual bool Utf8ToAnsi(const std::string& utf8, std::string& ansi) = 0;
    // A text in the ANSI code page in force (CP_ACP) as UTF-8.
    virtual std::string AnsiToUtf8(const std::string& ansi) = 0;
    // CompareStringA for the user's locale, ignoring case: negative, zero or positive.
    virtual int CompareTextIgnoreCase(const std::string& left, const std::string& right) = 0;

    // The bytes of the program's own resource (FindResourceA, LoadResource, LockResource);
    // nullopt when there is no such resource.
    virtual std::optional<std::string> ProgramResource(const std::string& name, const std::string& type) = 0;

    // Takes the machine-wide lock called name: a mutex in a private namespace only
    // administrators can create or open (in the global namespace where the system has none),
    // which the system gives up when its holder ends. nullptr when another process holds it or
    // it cannot be had. The holder publishes its process id and program path beside the lock
    // for as long as it holds it.
    virtual std::unique_ptr<MachineLock> TakeMachineLock(const std::string& name) = 0;
    // Who holds the lock called name, as the holder published it; process id 0 when nobody
    // published it or it cannot be read.
    virtual LockHolder MachineLockHolder(const std::string& name) = 0;
};

}  // namespace platform
