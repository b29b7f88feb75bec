#pragma once
// The Windows machine the posix backend pretends to be, and the switches tests use to set it
// up. Two ways to map paths:
//
// - Machine root: a host folder holds one folder per drive ("c", "d", ...). "C:\Program
//   Files\VE4" is <root>/c/Program Files/VE4, each component found without regard to letter
//   case among what exists (a new component keeps the case it was given). Names are
//   in the ANSI code page in the program (Windows-1251 unless set otherwise) and UTF-8 on
//   the host. The registry file lives in <root>/registry.
// - Host (no machine root, the dezip tool's way): paths are host paths, '\' and '/' both
//   separate, there are no drives; names are still in the ANSI code page in the program.
//
// In both modes the read-only attribute is the host file's owner-write permission bit and is
// honoured by this backend even for root; the hidden, system and archive bits live in an
// extended attribute. Files marked in use and directories marked unwritable refuse what
// Windows would refuse for a file opened elsewhere or a write-protected medium.
//
// Everything here is process-wide and not meant for concurrent use.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/system.h"

namespace platform {

// One StartProgram call, whether or not the program could be started.
struct StartedProgram {
    std::string program;     // as given (a Windows path)
    std::string parameters;
    std::string directory;
    int show_mode = 0;
    bool started = false;    // the host file existed, was executable and was spawned
    bool as_desktop_user = false;  // asked to start without administrator rights
};

class PosixMachine {
public:
    // Back to a fresh machine: host mode, every setting at its default, marks and records
    // cleared, the dialogs and resources left alone.
    static void Reset();

    // Uses host_dir as the machine root (empty: host mode). The folder must exist.
    static void SetMachineRoot(const std::string& host_dir);
    static std::string MachineRoot();

    // The ANSI code page of the program's texts: Windows-1251 (the default, a Russian system's)
    // or UTF-8, the host's own, with which names pass between the program and the host byte
    // for byte (the dezip tool's machine).
    enum class AnsiCodePage { Windows1251, Utf8 };
    static void SetAnsiCodePage(AnsiCodePage code_page);

    // The program's Windows path and its arguments (System::ProgramPath and Arguments).
    // Unset, they are the host's own executable and command line.
    static void SetProgram(const std::string& windows_path, const std::vector<std::string>& arguments);
    // The same from the command line after the program's path, as written (System::CommandLine
    // gives it back; Arguments splits it by the usual rules).
    static void SetCommandLine(const std::string& windows_path, const std::string& command_line);
    // System::IsElevated; default false (a standard user; the user's name is "user").
    static void SetElevated(bool elevated);
    // System::Desktop; default session 1 with a visible window station (a signed-in user's).
    static void SetDesktop(const DesktopSession& session);
    // System::Identity; default Windows 10.0 build 19045, x64, named "TESTPC".
    static void SetIdentity(const MachineIdentity& identity);
    // LocaleInfo(kLocaleSEnglishLanguage); default "English".
    static void SetSystemLanguageName(const std::string& name);
    // SystemDefaultUiLanguage; default 1033.
    static void SetUiLanguage(uint16_t language_id);
    // ProgramFilesDirFromRegistry; default empty (the value is missing).
    static void SetProgramFilesDir(const std::string& windows_path);
    // SystemDirectory; default "C:\windows\system32".
    static void SetSystemDirectory(const std::string& windows_path);
    // SpecialFolderPath; defaults "C:\users\user\AppData\Roaming\Microsoft\Windows\Start
    // Menu\Programs", "C:\users\user\Desktop" and "C:\ProgramData" (the all-users application
    // data); for all users' shortcuts "C:\ProgramData\Microsoft\Windows\Start Menu\Programs"
    // and "C:\users\Public\Desktop". Empty makes the lookup fail.
    static void SetSpecialFolder(SpecialFolder folder, const std::string& windows_path);
    // The current directory relative paths start from, in machine-root mode; default "C:\".
    static void SetCurrentDirectory(const std::string& windows_path);
    // Makes a drive letter report Removable (GetDriveType) with a volume label, or Fixed again.
    static void SetRemovableDrive(char letter, bool removable, const std::string& volume_label = {});

    // A file in use cannot be deleted, moved, replaced or opened for writing.
    static void MarkInUse(const std::string& windows_path, bool in_use);
    // Nothing can be created in, deleted from or moved into an unwritable directory.
    static void MarkUnwritableDirectory(const std::string& windows_path, bool unwritable);
    // A library loaded by a running program: it can be renamed (the mark follows the file) but
    // not deleted, written or replaced, as Windows treats a mapped image.
    static void MarkLoaded(const std::string& windows_path, bool loaded);
    // Another program opens the existing folder and lets others only read it while the
    // returned object lives: nothing can be moved or created in it, nor can it or a folder
    // above it be renamed. nullptr when the folder cannot be opened.
    static std::shared_ptr<void> OpenFolderSharingOnlyReading(const std::string& windows_path);
    // Every DeleteAtRestart call since the last Reset, in order.
    static std::vector<std::string> DeletesAtRestart();
    // Every ReplaceAtRestart call since the last Reset, in order, as (from, to) pairs.
    static std::vector<std::pair<std::string, std::string>> ReplacesAtRestart();
    // The machine restarts: no file is in use or loaded any more, the deletes asked for are
    // carried out, then the replacing moves, each in the order asked for (one whose file is
    // gone by then does nothing), and forgotten.
    static void Restart();

    // Security marks of an existing file or directory; they follow it when it is moved and go
    // with it. A foreign owner is an account other than the program's; writable by others
    // lets every account modify it. A host symbolic link is a reparse point of its own.
    static void MarkForeignOwner(const std::string& windows_path);
    static void MarkWritableByOthers(const std::string& windows_path);
    // Permissions that deny administrators deleting the object, so it cannot be moved either;
    // until Security::TakeOwnership resets them.
    static void MarkDeletionDenied(const std::string& windows_path);
    // The descriptor string a directory was made with by Security::CreateProtectedDirectory,
    // or that a file or directory made inside one inherited; empty when there is none.
    static std::string SecurityDescriptorOf(const std::string& windows_path);
    // Whether the machine keeps owners (default false, as under Wine). Where it does, an object
    // without an owner mark belongs to the owner its stored descriptor names, else to the
    // account the program runs as (what it or anyone signed in as that account made).
    static void SetOwnersKept(bool kept);

    // Fault injection: the process ends at once, with exit code kStoppedAtChange, just before
    // the nth change of the file system from now on (1: the next one; 0: never). Changes are
    // creating, writing, moving, deleting and removing files and directories, setting their
    // attributes and times, and writing the registry.
    static constexpr int kStoppedAtChange = 86;
    static void StopAtChange(uint64_t n);
    // Whether File::Flush really waits for the disk (default); a test that only stops the
    // process, and never the machine, may do without.
    static void SetFlushToDisk(bool flush);
    // Runs body in a child process (a copy of this one) and returns its exit code: 0 when body
    // returned, -1 when the child died of a signal.
    static int RunInChildProcess(const std::function<void()>& body);

    // The host path a Windows path maps to, resolved as the file system resolves it; empty
    // when the path cannot be mapped (an unknown form, no drive letter in machine-root mode).
    static std::string HostPath(const std::string& windows_path);

    // Whether the desktop session's user can start programs without administrator rights
    // (Shell::CanStartAsDesktopUser); default true.
    static void SetDesktopUserStart(bool possible);
    // Every StartProgram and StartProgramAsDesktopUser call since the last Reset, in order.
    static std::vector<StartedProgram> StartedPrograms();

    // The default value of a key under HKEY_CLASSES_ROOT; nullopt when the key or its default
    // value is missing.
    static std::optional<std::string> ClassesRootValue(const std::string& key_path);
};

// A fresh machine root in a temporary host folder, with an empty drive c/, in force for the
// object's lifetime: the constructor resets the machine and installs the root, the destructor
// resets the machine again and removes the folder with everything in it.
class ScopedMachineRoot {
public:
    ScopedMachineRoot();
    ~ScopedMachineRoot();
    ScopedMachineRoot(const ScopedMachineRoot&) = delete;
    ScopedMachineRoot& operator=(const ScopedMachineRoot&) = delete;

    // The host folder holding the drives.
    const std::string& HostRoot() const { return root_; }

private:
    std::string root_;
};

}  // namespace platform
