#pragma once
// Who owns a file or directory and who else may change it, as far as an elevated program must
// know before it trusts what lies there. The rules work on a descriptor model (owner and access
// entries, with account ids in their string form "S-1-5-32-544") that the backends fill from
// the real object, and that tests build from the descriptor's string form, so the rules run the
// same on both backends and under test.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Well-known accounts, as their string ids.
namespace account {
constexpr const char* kSystem = "S-1-5-18";
constexpr const char* kAdministrators = "S-1-5-32-544";
constexpr const char* kUsers = "S-1-5-32-545";
constexpr const char* kEveryone = "S-1-1-0";
constexpr const char* kAuthenticatedUsers = "S-1-5-11";
constexpr const char* kCreatorOwner = "S-1-3-0";
constexpr const char* kOwnerRights = "S-1-3-4";
// The service that owns the system's own files.
constexpr const char* kTrustedInstaller = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
}  // namespace account

// What ordinary users may do in a directory the program protects.
enum class UserAccess {
    None,            // nothing: the folder of the program's own records
    ReadAndExecute,  // list, read and run what is there, change nothing
};

// Whether a path can be trusted by an administrator, and if not, why.
enum class TrustVerdict {
    Trusted,
    Missing,           // nothing at the path
    ReparsePoint,      // a junction, symbolic link or mount point: it may lead anywhere
    ForeignOwner,      // owned by an account other than SYSTEM, Administrators or the installer service
    WritableByOthers,  // another account may write, append, delete, change permissions or take ownership
    Unreadable,        // its descriptor could not be read: nothing is known about it
};

// Whether the system keeps the owners of files. Where it does not (every object, the system
// directory too, reads as owned by the account the program runs as), an owner tells nothing.
enum class Owners {
    Kept,
    NotKept,
};

// One entry of an access list.
struct AccessEntry {
    bool allow = true;          // false: a deny entry
    std::string account;        // string id ("S-1-5-18")
    uint32_t mask = 0;          // access bits, generic bits left as they are
    bool inherit_only = false;  // only passed on to children, no effect on the object itself
};

// A security descriptor as the rules see it.
struct SecurityDescriptor {
    std::string owner;                 // string id; empty when the descriptor names none
    bool has_access_list = true;       // false: a null access list, everyone may do everything
    bool access_list_protected = false;  // inherits nothing from the parent
    std::vector<AccessEntry> entries;
};

// The descriptor string a directory the program protects is created with: owned by the
// Administrators group (whatever the system's policy for the default owner of what an
// administrator creates), SYSTEM and Administrators full control, passed on to everything
// below, nothing inherited from the parent; ordinary users (the Users group) as users says.
std::string ProtectedDirectoryDescriptor(UserAccess users);

// Parses a descriptor string ("O:BAD:PAI(A;OICI;FA;;;SY)..."): owner, access list and its
// entries, with the usual two-letter account names and rights turned into ids and bits.
// Group and audit parts are skipped. nullopt when the text is not a descriptor string.
std::optional<SecurityDescriptor> ParseSecurityDescriptor(const std::string& text);

// The rules: the owner must be SYSTEM, Administrators or the system's installer service, and no
// allow entry in effect on the object may give any other account write, append, delete,
// delete-child, permission or ownership rights (generic write and generic all count). The
// account the program runs as (own_account) is such another account where owners are kept: an
// administrator's programs that are not elevated run as it too. Where owners are not kept, it
// passes as owner and writer, and only the other accounts' rights are judged. A null access
// list lets everyone write. Deny entries are not weighed, so a refusal may be stricter than
// the system's own decision, never looser.
TrustVerdict JudgeDescriptor(const SecurityDescriptor& descriptor, const std::string& own_account, Owners owners);

// A short English description of a verdict for the log ("owned by another account").
std::string DescribeVerdict(TrustVerdict verdict);

class Security {
public:
    virtual ~Security() = default;

    // Creates one directory with ProtectedDirectoryDescriptor(users). Fails, as CreateDirectoryA
    // does, when anything is already at the path or its parent is missing: an existing
    // directory is never taken for a protected one.
    virtual bool CreateProtectedDirectory(const std::string& path, UserAccess users) = 0;

    // Whether an administrator may trust the file or directory at path: not a reparse point
    // itself, and its descriptor passes JudgeDescriptor for the account the program runs as
    // and OwnersKept().
    virtual TrustVerdict CheckTrusted(const std::string& path) = 0;

    // Whether the system keeps owners: false when the system directory reads as owned by the
    // account the program runs as (as under Wine). Asked of the system once.
    virtual Owners OwnersKept() = 0;

    // The string id of the account the program runs as; empty when it cannot be read.
    virtual std::string CurrentAccount() = 0;

    // Takes ownership of the file or directory at path itself (a link is not followed) for the
    // Administrators group, with the privilege to take ownership that administrators hold, and
    // gives it ProtectedDirectoryDescriptor(UserAccess::None)'s permissions: whoever made it
    // can no longer stop administrators from moving or deleting it. False when either fails.
    virtual bool TakeOwnership(const std::string& path) = 0;

    // Gives a file or directory the permissions it inherits from its folder alone, dropping
    // any it carried from where it was made (after a move); false when they cannot be set.
    virtual bool ResetToInherited(const std::string& path) = 0;

    // Text of the last failure of this object's calls, for messages a person reads.
    virtual std::string LastErrorText() = 0;
};

}  // namespace platform
