#pragma once
// The win32 Security: descriptors read with GetNamedSecurityInfoA and judged by the portable
// rules; protected directories made from their descriptor string.

#include "platform/security.h"

namespace platform::win32 {

class Win32Security : public Security {
public:
    bool CreateProtectedDirectory(const std::string& path, UserAccess users) override;
    TrustVerdict CheckTrusted(const std::string& path) override;
    Owners OwnersKept() override;
    std::string CurrentAccount() override;
    bool TakeOwnership(const std::string& path) override;
    bool ResetToInherited(const std::string& path) override;
    std::string LastErrorText() override;

private:
    // Keeps the text of an error code for LastErrorText and returns false.
    bool Fail(unsigned long error);

    std::string last_error_;
    int owners_kept_ = -1;  // OwnersKept once asked: 1 kept, 0 not, -1 not asked yet
};

}  // namespace platform::win32
