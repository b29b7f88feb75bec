#include "platform/win32/security_win32.h"

#include "platform/win32/windows_api.h"
#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/file_system_win32.h"
#include "platform/win32/handles_win32.h"

namespace platform::win32 {
namespace {

// Memory the security functions hand back, freed with LocalFree.
template <typename Pointer>
class LocalMemory {
public:
    LocalMemory() = default;
    ~LocalMemory() {
        if (pointer_ != nullptr) ::LocalFree(reinterpret_cast<HLOCAL>(pointer_));
    }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;
    Pointer Get() const { return pointer_; }
    Pointer* Receive() { return &pointer_; }

private:
    Pointer pointer_ = nullptr;
};

std::string SidText(PSID sid) {
    LocalMemory<char*> text;
    if (sid == nullptr || !::ConvertSidToStringSidA(sid, text.Receive())) return {};
    return text.Get();
}

// The access list's allow and deny entries as the rules see them; other kinds (object entries,
// audit) are left out.
std::vector<AccessEntry> EntriesOf(ACL* list) {
    std::vector<AccessEntry> entries;
    for (DWORD index = 0; index < list->AceCount; ++index) {
        void* raw = nullptr;
        if (!::GetAce(list, index, &raw)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(raw);
        const bool allow = header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE;
        const bool deny = header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE;
        if (!allow && !deny) continue;
        // The allow, deny and callback entries share this layout up to the account.
        auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        entries.push_back({allow, SidText(&entry->SidStart), entry->Mask, (header->AceFlags & INHERIT_ONLY_ACE) != 0});
    }
    return entries;
}

}  // namespace

bool Win32Security::Fail(unsigned long error) {
    last_error_ = ErrorText(error);
    return false;
}

std::string Win32Security::LastErrorText() { return last_error_; }

bool Win32Security::CreateProtectedDirectory(const std::string& path, UserAccess users) {
    LocalMemory<PSECURITY_DESCRIPTOR> descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(ProtectedDirectoryDescriptor(users).c_str(),
                                                                SDDL_REVISION_1, descriptor.Receive(), nullptr)) {
        return Fail(::GetLastError());
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
    return ::CreateDirectoryA(path.c_str(), &attributes) ? true : Fail(::GetLastError());
}

TrustVerdict Win32Security::CheckTrusted(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        Fail(error);
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? TrustVerdict::Missing
                                                                              : TrustVerdict::Unreadable;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return TrustVerdict::ReparsePoint;

    PSID owner = nullptr;
    ACL* list = nullptr;
    LocalMemory<PSECURITY_DESCRIPTOR> descriptor;
    const DWORD error = ::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                                                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                                                &list, nullptr, descriptor.Receive());
    if (error != ERROR_SUCCESS) {
        Fail(error);
        return TrustVerdict::Unreadable;
    }
    SecurityDescriptor model;
    model.owner = SidText(owner);
    model.has_access_list = list != nullptr;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (::GetSecurityDescriptorControl(descriptor.Get(), &control, &revision)) {
        model.access_list_protected = (control & SE_DACL_PROTECTED) != 0;
    }
    if (list != nullptr) model.entries = EntriesOf(list);
    return JudgeDescriptor(model, CurrentAccount(), OwnersKept());
}

Owners Win32Security::OwnersKept() {
    if (owners_kept_ < 0) {
        // The system's own directory belongs to the installer service or to the
        // administrators; a system that reports it as the running account's keeps no owners.
        char directory[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryA(directory, MAX_PATH);
        PSID owner = nullptr;
        LocalMemory<PSECURITY_DESCRIPTOR> descriptor;
        const bool read = length > 0 && length < MAX_PATH &&
                          ::GetNamedSecurityInfoA(directory, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                                  nullptr, nullptr, descriptor.Receive()) == ERROR_SUCCESS;
        owners_kept_ = read && SidText(owner) == CurrentAccount() ? 0 : 1;
    }
    return owners_kept_ == 1 ? Owners::Kept : Owners::NotKept;
}

std::string Win32Security::CurrentAccount() {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    UniqueHandle token(raw);
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::string buffer(size, '\0');
    if (!::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return {};
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

bool Win32Security::TakeOwnership(const std::string& path) {
    // The privilege lets an administrator open any object for a new owner, whatever its
    // permissions say; it is in an elevated administrator's token, but not enabled.
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) {
        return Fail(::GetLastError());
    }
    UniqueHandle token(raw);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueA(nullptr, "SeTakeOwnershipPrivilege", &privileges.Privileges[0].Luid) ||
        !::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr) ||
        ::GetLastError() == ERROR_NOT_ALL_ASSIGNED) {
        return Fail(::GetLastError());
    }
    // The object itself, never what a link leads to.
    UniqueHandle object(::CreateFileA(path.c_str(), WRITE_OWNER | WRITE_DAC | READ_CONTROL,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!object.Valid()) return Fail(::GetLastError());
    LocalMemory<PSECURITY_DESCRIPTOR> descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(ProtectedDirectoryDescriptor(UserAccess::None).c_str(),
                                                                SDDL_REVISION_1, descriptor.Receive(), nullptr)) {
        return Fail(::GetLastError());
    }
    PSID owner = nullptr;
    BOOL owner_defaulted = FALSE;
    ACL* list = nullptr;
    BOOL list_present = FALSE;
    BOOL list_defaulted = FALSE;
    if (!::GetSecurityDescriptorOwner(descriptor.Get(), &owner, &owner_defaulted) ||
        !::GetSecurityDescriptorDacl(descriptor.Get(), &list_present, &list, &list_defaulted)) {
        return Fail(::GetLastError());
    }
    // The owner first: as owner, the program may then rewrite the permissions.
    DWORD error = ::SetSecurityInfo(object.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner, nullptr, nullptr,
                                    nullptr);
    if (error == ERROR_SUCCESS) {
        error = ::SetSecurityInfo(object.Get(), SE_FILE_OBJECT,
                                  DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                  list, nullptr);
    }
    return error == ERROR_SUCCESS ? true : Fail(error);
}

bool Win32Security::ResetToInherited(const std::string& path) {
    // An empty list that is not protected: the object keeps only what its folder passes on.
    ACL empty;
    if (!::InitializeAcl(&empty, sizeof empty, ACL_REVISION)) return Fail(::GetLastError());
    std::string name = path;
    const DWORD error =
        ::SetNamedSecurityInfoA(name.data(), SE_FILE_OBJECT,
                                DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                &empty, nullptr);
    return error == ERROR_SUCCESS ? true : Fail(error);
}

}  // namespace platform::win32
