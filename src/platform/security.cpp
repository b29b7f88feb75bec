// The trust rules over a descriptor model, the descriptor string of a protected directory and
// the reader of descriptor strings that tests and the rules' own checks use.
//
// A descriptor string is a sequence of parts, each a letter and a colon: "O:" the owner, "G:"
// the group, "D:" the access list, "S:" the audit list. The access list is a few flag letters
// ("P" protected, "AI" inherited automatically, "NO_ACCESS_CONTROL" a null list) followed by
// entries in parentheses: "(type;flags;rights;object;inherited object;account)".

#include "platform/security.h"

#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

// The access bits that let an account change an object or what it holds.
constexpr uint32_t kWriteData = 0x2;         // write a file / add a file to a directory
constexpr uint32_t kAppendData = 0x4;        // append to a file / add a subdirectory
constexpr uint32_t kDeleteChild = 0x40;      // delete anything in a directory
constexpr uint32_t kDelete = 0x10000;
constexpr uint32_t kWriteDac = 0x40000;      // change the permissions
constexpr uint32_t kWriteOwner = 0x80000;    // take ownership
constexpr uint32_t kGenericAll = 0x10000000;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kChangingRights =
    kWriteData | kAppendData | kDeleteChild | kDelete | kWriteDac | kWriteOwner | kGenericAll | kGenericWrite;

struct Alias {
    const char* name;
    const char* id;
};

constexpr Alias kAccountAliases[] = {
    {"SY", account::kSystem},         {"BA", account::kAdministrators}, {"BU", account::kUsers},
    {"WD", account::kEveryone},       {"AU", account::kAuthenticatedUsers}, {"CO", account::kCreatorOwner},
    {"OW", account::kOwnerRights},    {"BG", "S-1-5-32-546"},           {"PU", "S-1-5-32-547"},
    {"IU", "S-1-5-4"},                {"NS", "S-1-5-20"},               {"LS", "S-1-5-19"},
    {"AN", "S-1-5-7"},                {"CG", "S-1-3-1"},                {"SU", "S-1-5-6"},
    {"BO", "S-1-5-32-551"},           {"SO", "S-1-5-32-549"},           {"AC", "S-1-15-2-1"},
};

struct Right {
    const char* name;
    uint32_t bits;
};

constexpr Right kRights[] = {
    {"FA", 0x1F01FF}, {"FR", 0x120089}, {"FW", 0x120116}, {"FX", 0x1200A0},   {"GA", kGenericAll},
    {"GR", 0x80000000}, {"GW", kGenericWrite}, {"GX", 0x20000000}, {"RC", 0x20000}, {"SD", kDelete},
    {"WD", kWriteDac}, {"WO", kWriteOwner}, {"KA", 0xF003F}, {"KR", 0x20019}, {"KW", 0x20006},
    {"KX", 0x20019},   {"CC", 0x1},      {"DC", 0x2},      {"LC", 0x4},      {"SW", 0x8},
    {"RP", 0x10},      {"WP", 0x20},     {"DT", 0x40},     {"LO", 0x80},     {"CR", 0x100},
};

// An account as a string id: ids are kept, known two-letter names become ids, and any other
// name is kept as it is, so that the rules take it for an account they do not know.
std::string AccountId(const std::string& text) {
    if (text.starts_with("S-") || text.starts_with("s-")) return "S-" + text.substr(2);
    for (const Alias& alias : kAccountAliases) {
        if (text == alias.name) return alias.id;
    }
    return text;
}

std::optional<uint32_t> ParseRights(const std::string& text) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(text.c_str() + 2, &end, 16);
        if (end == text.c_str() + 2 || *end != '\0') return std::nullopt;
        return static_cast<uint32_t>(value);
    }
    uint32_t bits = 0;
    for (size_t position = 0; position < text.size(); position += 2) {
        const std::string name = text.substr(position, 2);
        bool known = false;
        for (const Right& right : kRights) {
            if (name == right.name) {
                bits |= right.bits;
                known = true;
            }
        }
        if (!known) return std::nullopt;
    }
    return bits;
}

std::vector<std::string> SplitFields(const std::string& text) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(';', start);
        fields.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return fields;
        start = end + 1;
    }
}

// One entry "type;flags;rights;object;inherited object;account". Entries other than allow and
// deny (audit, alarm) yield nothing but are no error.
bool ParseEntry(const std::string& text, std::vector<AccessEntry>& entries) {
    const std::vector<std::string> fields = SplitFields(text);
    if (fields.size() < 6) return false;
    const std::string& type = fields[0];
    const bool allow = type == "A" || type == "OA" || type == "XA" || type == "ZA";
    const bool deny = type == "D" || type == "OD" || type == "XD";
    const std::optional<uint32_t> rights = ParseRights(fields[2]);
    if (!rights || fields[5].empty()) return false;
    if (!allow && !deny) return true;
    AccessEntry entry;
    entry.allow = allow;
    entry.account = AccountId(fields[5]);
    entry.mask = *rights;
    for (size_t position = 0; position + 2 <= fields[1].size(); position += 2) {
        if (fields[1].compare(position, 2, "IO") == 0) entry.inherit_only = true;
    }
    entries.push_back(entry);
    return true;
}

// Where the part that starts at start ends: at the next "O:", "G:", "D:" or "S:" outside
// parentheses, or at the end.
size_t PartEnd(const std::string& text, size_t start) {
    int depth = 0;
    for (size_t position = start; position < text.size(); ++position) {
        const char character = text[position];
        if (character == '(') ++depth;
        if (character == ')') --depth;
        if (depth == 0 && position + 1 < text.size() && text[position + 1] == ':' &&
            std::strchr("OGDS", character) != nullptr) {
            return position;
        }
    }
    return text.size();
}

bool ParseAccessList(const std::string& text, SecurityDescriptor& descriptor) {
    const size_t first_entry = text.find('(');
    const std::string flags = text.substr(0, first_entry);
    if (flags.find("NO_ACCESS_CONTROL") != std::string::npos) {
        descriptor.has_access_list = false;
        return first_entry == std::string::npos;
    }
    descriptor.access_list_protected = flags.find('P') != std::string::npos;
    size_t position = first_entry;
    while (position != std::string::npos && position < text.size()) {
        if (text[position] != '(') return false;
        const size_t close = text.find(')', position);
        if (close == std::string::npos) return false;
        if (!ParseEntry(text.substr(position + 1, close - position - 1), descriptor.entries)) return false;
        position = close + 1;
    }
    return true;
}

bool IsTrustedAccount(const std::string& id, const std::string& own_account, Owners owners) {
    return id == account::kSystem || id == account::kAdministrators || id == account::kTrustedInstaller ||
           (owners == Owners::NotKept && !own_account.empty() && id == own_account);
}

}  // namespace

std::string ProtectedDirectoryDescriptor(UserAccess users) {
    std::string descriptor = "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    // Read, list, read attributes and permissions, synchronise, execute and traverse.
    if (users == UserAccess::ReadAndExecute) descriptor += "(A;OICI;0x1200a9;;;BU)";
    return descriptor;
}

std::optional<SecurityDescriptor> ParseSecurityDescriptor(const std::string& text) {
    SecurityDescriptor descriptor;
    bool access_list_seen = false;
    size_t position = 0;
    while (position < text.size()) {
        if (position + 1 >= text.size() || text[position + 1] != ':') return std::nullopt;
        const char part = text[position];
        const size_t end = PartEnd(text, position + 2);
        const std::string value = text.substr(position + 2, end - position - 2);
        switch (part) {
            case 'O':
                if (value.empty()) return std::nullopt;
                descriptor.owner = AccountId(value);
                break;
            case 'G': break;
            case 'D':
                if (!ParseAccessList(value, descriptor)) return std::nullopt;
                access_list_seen = true;
                break;
            case 'S': break;
            default: return std::nullopt;
        }
        position = end;
    }
    // No access list at all is a null one: nothing restricts anyone.
    if (!access_list_seen) descriptor.has_access_list = false;
    return descriptor;
}

TrustVerdict JudgeDescriptor(const SecurityDescriptor& descriptor, const std::string& own_account, Owners owners) {
    if (!IsTrustedAccount(descriptor.owner, own_account, owners)) return TrustVerdict::ForeignOwner;
    if (!descriptor.has_access_list) return TrustVerdict::WritableByOthers;
    for (const AccessEntry& entry : descriptor.entries) {
        if (!entry.allow || entry.inherit_only) continue;
        // The owner's own rights and the creator's place-holder stand for the owner, who has
        // just been found trusted.
        if (IsTrustedAccount(entry.account, own_account, owners) || entry.account == account::kOwnerRights ||
            entry.account == account::kCreatorOwner) {
            continue;
        }
        if ((entry.mask & kChangingRights) != 0) return TrustVerdict::WritableByOthers;
    }
    return TrustVerdict::Trusted;
}

std::string DescribeVerdict(TrustVerdict verdict) {
    switch (verdict) {
        case TrustVerdict::Trusted: return "trusted";
        case TrustVerdict::Missing: return "missing";
        case TrustVerdict::ReparsePoint: return "a link to another place";
        case TrustVerdict::ForeignOwner: return "owned by another account";
        case TrustVerdict::WritableByOthers: return "writable by other accounts";
        case TrustVerdict::Unreadable: return "without readable permissions";
    }
    return {};
}

}  // namespace platform
