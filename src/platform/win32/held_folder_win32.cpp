// Held folders of the win32 backend. A hold is a handle on the folder itself
// (FILE_FLAG_OPEN_REPARSE_POINT) that shares reading and writing but never deletion, so nobody
// renames or deletes the folder or, on NTFS, a folder above it while it is open. What the run
// makes and moves inside goes through the native calls with the held handle as RootDirectory:
// the Win32 functions would look every path up again, and SetFileInformationByHandle's rename
// takes a relative name from the current directory. The native functions are looked up at run
// time; where they are missing the calls fall back to the held folder's final path.

#include "platform/win32/windows_api.h"

#include <string>

#include "platform/held_folder.h"
#include "platform/final_path.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/final_path_win32.h"
#include "platform/win32/handles_win32.h"

namespace platform::win32 {
namespace {

// The native declarations the calls need, declared here as the headers of some tool chains
// lack them.
struct NativeString {
    USHORT length;
    USHORT maximum_length;
    PWSTR buffer;
};
struct NativeObjectAttributes {
    ULONG length;
    HANDLE root_directory;
    NativeString* object_name;
    ULONG attributes;
    PVOID security_descriptor;
    PVOID security_quality_of_service;
};
struct NativeStatusBlock {
    union {
        LONG status;
        PVOID pointer;
    };
    ULONG_PTR information;
};
struct NativeRenameInformation {
    BOOLEAN replace_if_exists;
    HANDLE root_directory;
    ULONG file_name_length;
    WCHAR file_name[1];
};
using NtCreateFileFunction = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, NativeObjectAttributes*, NativeStatusBlock*,
                                           LARGE_INTEGER*, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using NtSetInformationFileFunction = LONG(NTAPI*)(HANDLE, NativeStatusBlock*, PVOID, ULONG, ULONG);
using RtlNtStatusToDosErrorFunction = ULONG(NTAPI*)(LONG);

constexpr ULONG kCaseInsensitive = 0x40;  // OBJ_CASE_INSENSITIVE
constexpr ULONG kOpen = 1;                // FILE_OPEN
constexpr ULONG kCreate = 2;              // FILE_CREATE
constexpr ULONG kDirectoryFile = 0x1;
constexpr ULONG kSynchronousIo = 0x20;    // FILE_SYNCHRONOUS_IO_NONALERT
constexpr ULONG kNonDirectoryFile = 0x40;
constexpr ULONG kForBackupIntent = 0x4000;
constexpr ULONG kOpenReparsePoint = 0x200000;
constexpr ULONG kFileRenameInformation = 10;
constexpr DWORD kHoldSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

struct NativeCalls {
    NtCreateFileFunction create = nullptr;
    NtSetInformationFileFunction set_information = nullptr;
    RtlNtStatusToDosErrorFunction error_of = nullptr;
    bool Present() const { return create != nullptr && set_information != nullptr && error_of != nullptr; }
};

const NativeCalls& Native() {
    static const NativeCalls calls = [] {
        NativeCalls found;
        const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
        if (ntdll == nullptr) return found;
        const auto look_up = [ntdll](const char* name) { return reinterpret_cast<void*>(::GetProcAddress(ntdll, name)); };
        found.create = reinterpret_cast<NtCreateFileFunction>(look_up("NtCreateFile"));
        found.set_information = reinterpret_cast<NtSetInformationFileFunction>(look_up("NtSetInformationFile"));
        found.error_of = reinterpret_cast<RtlNtStatusToDosErrorFunction>(look_up("RtlNtStatusToDosError"));
        return found;
    }();
    return calls;
}

std::wstring Wide(const std::string& text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (length > 0) ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// NtCreateFile of name relative to root; the handle, or an invalid one with the last error set.
UniqueHandle OpenRelative(HANDLE root, const std::string& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                          ULONG options) {
    const NativeCalls& native = Native();
    std::wstring wide = Wide(name);
    NativeString object_name{static_cast<USHORT>(wide.size() * sizeof(wchar_t)),
                             static_cast<USHORT>(wide.size() * sizeof(wchar_t)), wide.data()};
    NativeObjectAttributes attributes{sizeof(NativeObjectAttributes), root, &object_name, kCaseInsensitive, nullptr,
                                      nullptr};
    NativeStatusBlock status{};
    HANDLE handle = INVALID_HANDLE_VALUE;
    const LONG result = native.create(&handle, access | SYNCHRONIZE, &attributes, &status, nullptr,
                                      FILE_ATTRIBUTE_NORMAL, share, disposition, options | kSynchronousIo, nullptr, 0);
    if (result < 0) {
        ::SetLastError(native.error_of(result));
        return UniqueHandle();
    }
    return UniqueHandle(handle);
}

// Reading the attributes, which no share mode governs, lets the hold check what it holds.
ACCESS_MASK HoldAccess(HoldKind kind) {
    return FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE |
           (kind == HoldKind::MayDelete ? DELETE : 0);
}

// A folder, and no reparse point, as its own handle says.
bool IsPlainFolder(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!::GetFileInformationByHandle(handle, &information)) return false;
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return true;
    }
    ::SetLastError(ERROR_DIRECTORY);
    return false;
}

class Win32HeldFolder : public HeldFolder {
public:
    Win32HeldFolder(UniqueHandle handle, std::string path) : handle_(std::move(handle)), path_(std::move(path)) {}

    const std::string& Path() const override { return path_; }
    std::string LastErrorText() override { return last_error_; }

    // Checks the folder through handle and takes its final path; nullptr otherwise.
    static std::unique_ptr<HeldFolder> Make(UniqueHandle handle, const std::string& named_as) {
        if (!handle.Valid() || !IsPlainFolder(handle.Get())) return nullptr;
        std::string path = FinalPathOf(handle.Get(), named_as);
        return std::make_unique<Win32HeldFolder>(std::move(handle), std::move(path));
    }

    std::unique_ptr<HeldFolder> HoldChild(const std::string& name, HoldKind kind) override {
        if (!IsPlainName(name)) return Refuse<HeldFolder>(ERROR_INVALID_NAME);
        std::unique_ptr<HeldFolder> held = Make(OpenChild(name, HoldAccess(kind), kOpen, kDirectoryFile), Child(name));
        if (!held) Note();
        return held;
    }

    std::unique_ptr<HeldFolder> CreateChild(const std::string& name, HoldKind kind) override {
        if (!IsPlainName(name)) return Refuse<HeldFolder>(ERROR_INVALID_NAME);
        std::unique_ptr<HeldFolder> held = Make(OpenChild(name, HoldAccess(kind), kCreate, kDirectoryFile), Child(name));
        if (!held) Note();
        return held;
    }

    std::unique_ptr<File> CreateNewFile(const std::string& name) override {
        if (!IsPlainName(name)) return Refuse<File>(ERROR_INVALID_NAME);
        UniqueHandle file = OpenChild(name, GENERIC_READ | GENERIC_WRITE | DELETE, kCreate, kNonDirectoryFile);
        if (!file.Valid()) return Refuse<File>(::GetLastError());
        return OpenedFile(std::move(file));
    }

    bool MoveHere(HeldFolder& from, const std::string& from_name, const std::string& name) override {
        auto* source_folder = dynamic_cast<Win32HeldFolder*>(&from);
        if (source_folder == nullptr || !IsPlainName(from_name) || !IsPlainName(name)) {
            ::SetLastError(ERROR_INVALID_NAME);
            return Note();
        }
        if (!Native().Present()) {
            return ::MoveFileA(source_folder->Child(from_name).c_str(), Child(name).c_str()) ? true : Note();
        }
        const UniqueHandle source = source_folder->OpenChild(from_name, DELETE, kOpen, 0);
        if (!source.Valid()) return Note();
        const std::wstring wide = Wide(name);
        std::string buffer(sizeof(NativeRenameInformation) + wide.size() * sizeof(wchar_t), '\0');
        auto* rename = reinterpret_cast<NativeRenameInformation*>(buffer.data());
        rename->replace_if_exists = FALSE;
        rename->root_directory = handle_.Get();
        rename->file_name_length = static_cast<ULONG>(wide.size() * sizeof(wchar_t));
        wide.copy(rename->file_name, wide.size());
        NativeStatusBlock status{};
        const LONG result = Native().set_information(source.Get(), &status, rename, static_cast<ULONG>(buffer.size()),
                                                     kFileRenameInformation);
        if (result >= 0) return true;
        ::SetLastError(Native().error_of(result));
        return Note();
    }

    bool DeleteItself() override {
        FILE_DISPOSITION_INFO disposition{TRUE};
        return ::SetFileInformationByHandle(handle_.Get(), FileDispositionInfo, &disposition, sizeof disposition) ? true
                                                                                                                : Note();
    }

private:
    std::string Child(const std::string& name) const { return path_ + "\\" + name; }

    // The entry name of this folder, opened as the object itself; by the final path where the
    // native calls are missing.
    UniqueHandle OpenChild(const std::string& name, ACCESS_MASK access, ULONG disposition, ULONG options) const {
        const ULONG share = (options & kDirectoryFile) != 0 ? kHoldSharing : kHoldSharing | FILE_SHARE_DELETE;
        if (Native().Present()) {
            return OpenRelative(handle_.Get(), name, access, share, disposition,
                                options | kOpenReparsePoint | kForBackupIntent);
        }
        const std::string path = Child(name);
        if (disposition == kCreate && (options & kDirectoryFile) != 0 && !::CreateDirectoryA(path.c_str(), nullptr)) {
            return UniqueHandle();
        }
        const DWORD create = disposition == kCreate && (options & kDirectoryFile) == 0 ? CREATE_NEW : OPEN_EXISTING;
        return UniqueHandle(::CreateFileA(path.c_str(), access, share, nullptr, create,
                                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    }

    bool Note() {
        last_error_ = ErrorText(::GetLastError());
        return false;
    }
    template <typename Result>
    std::unique_ptr<Result> Refuse(DWORD error) {
        ::SetLastError(error);
        Note();
        return nullptr;
    }

    UniqueHandle handle_;
    std::string path_;
    std::string last_error_;
};

}  // namespace

std::unique_ptr<HeldFolder> Win32FileSystem::HoldFolder(const std::string& path, HoldKind kind) {
    std::string folder = path;
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    UniqueHandle handle(::CreateFileA(folder.c_str(), HoldAccess(kind), kHoldSharing, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    std::unique_ptr<HeldFolder> held = Win32HeldFolder::Make(std::move(handle), folder);
    if (!held) Fail();
    return held;
}

namespace {

UniqueHandle OpenItself(const std::string& path) {
    return UniqueHandle(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

PathForms ReadPathForms() {
    PathForms forms;
    char system[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(system, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        forms.system_directory = system;
        const UniqueHandle handle = OpenItself(system);
        const std::string final_path = handle.Valid() ? SystemFinalPathOfHandle(handle.Get()) : std::string();
        // Read without the system directory's own mapping, which is what is being found out.
        forms.system_directory_final =
            final_path.empty() ? forms.system_directory : ProgramFormOfFinalPath(final_path, system, PathForms{});
    }
    // A drive that SUBST made names "\??\C:\folder" as its device.
    const DWORD drives = ::GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if ((drives & (1u << (letter - 'A'))) == 0) continue;
        const std::string drive = std::string(1, letter) + ":";
        char target[MAX_PATH * 2] = {};
        if (::QueryDosDeviceA(drive.c_str(), target, sizeof target) == 0) continue;
        const std::string device = target;
        if (device.rfind("\\??\\", 0) == 0) forms.substituted_drives.emplace_back(drive, device.substr(4));
    }
    return forms;
}

// The machine's forms, read once for the process.
const PathForms& MachinePathForms() {
    static const PathForms forms = ReadPathForms();
    return forms;
}

}  // namespace

const PathForms& Win32FileSystem::Forms() { return MachinePathForms(); }

std::string FinalPathOf(HANDLE handle, const std::string& named_as) {
    const std::string final_path = SystemFinalPathOfHandle(handle);
    if (final_path.empty()) return named_as;
    return ProgramFormOfFinalPath(final_path, named_as, MachinePathForms());
}

}  // namespace platform::win32
