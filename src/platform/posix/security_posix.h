#pragma once
// The posix Security: descriptors modelled on the host file. A directory made protected keeps
// its descriptor string in an extended attribute; the owner is the account the program runs
// as unless a test marked the file as another account's; a test's mark lets everyone write.
// A host symbolic link is a reparse point.

#include "platform/security.h"

namespace platform::posix {

// The account a file marked with PosixMachine::MarkForeignOwner belongs to.
constexpr const char* kForeignAccount = "S-1-5-21-1004336348-1177238915-682003330-1001";

class PosixSecurity : public Security {
public:
    bool CreateProtectedDirectory(const std::string& path, UserAccess users) override;
    TrustVerdict CheckTrusted(const std::string& path) override;
    Owners OwnersKept() override;
    std::string CurrentAccount() override;
    bool TakeOwnership(const std::string& path) override;
    bool ResetToInherited(const std::string& path) override;
    std::string LastErrorText() override;

private:
    bool Fail(const std::string& text);

    std::string last_error_;
};

// The descriptor string a host file keeps (a directory made protected, or what a file made
// inside one inherited); empty when it keeps none.
std::string StoredDescriptor(const std::string& host);
// Gives a host file just made what its folder's stored descriptor passes on, as a new file
// inherits its folder's entries on Windows; nothing when the folder keeps none.
void InheritDescriptor(const std::string& host);
// Marks a host file as owned by kForeignAccount, or as writable by everyone.
bool StoreForeignOwner(const std::string& host);
bool StoreWritableByOthers(const std::string& host);
// Marks a host file or directory as one whose permissions deny administrators deleting it, and
// tells whether it carries that mark: such an object cannot be moved or deleted.
bool StoreDeletionDenied(const std::string& host);
bool IsDeletionDenied(const std::string& host);

}  // namespace platform::posix
