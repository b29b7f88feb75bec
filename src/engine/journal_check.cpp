#include "engine/journal_check.h"

#include "engine/text_utils.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace engine {

namespace {

// A full path of the form the program writes: a drive letter, a colon, then names separated
// by single backslashes, none of them "." or "..", no forward slash (Windows takes it for a
// separator too) and no second colon (a stream name or a device).
bool IsPlainFullPath(const std::string& path) {
    if (path.size() < 3 || path[1] != ':' || path[2] != '\\' ||
        !((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
        return false;
    }
    if (path.find_first_of("/:*?\"<>|", 2) != std::string::npos) return false;
    if (path.size() == 3) return true;
    size_t start = 3;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(start, end - start);
        if (name.empty() || name == "." || name == "..") return false;
        start = end + 1;
    }
    return true;
}

// The token the run gives itself: a few lower-case letters and digits.
bool IsToken(const std::string& token) {
    return !token.empty() && token.size() <= 16 && token.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyz") == std::string::npos;
}

// path + ".~vi" + token + "-" + a number: the only names the run gives its copies.
bool IsRunsName(const std::string& name, const std::string& path, const std::string& token) {
    const std::string prefix = path + ".~vi" + token + "-";
    if (!name.starts_with(prefix) || name.size() == prefix.size() || name.size() > prefix.size() + 9) return false;
    return name.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
}

class Checker {
public:
    Checker(const JournalHeader& header, const JournalPlaces& places, std::string& reason)
        : header_(header), places_(places), reason_(reason) {}

    bool Header() {
        if (!IsPlainFullPath(header_.destination) || header_.destination.size() <= 3) {
            return Refuse("the destination is not a full path: " + header_.destination);
        }
        if (!IsToken(header_.token)) return Refuse("the run's token is not one the program gives: " + header_.token);
        platform::FileSystem& files = platform::Files();
        for (const std::string& file : places_.base_product_files) {
            if (!files.FileExists(header_.destination + "\\" + file)) {
                return Refuse("the destination holds no base product: " + header_.destination);
            }
        }
        for (const std::string& folder : header_.folders) {
            bool own = false;
            for (const std::string& machine_folder : places_.machine_folders) {
                own = own || (!machine_folder.empty() && SamePath(folder, machine_folder));
            }
            if (!own || !IsPlainFullPath(folder)) return Refuse("a folder that is not the machine's own: " + folder);
        }
        return true;
    }

    bool Record(const JournalRecord& record) {
        switch (record.kind) {
            case RecordKind::ClassesRootKeyCreated:
            case RecordKind::ClassesRootValueSet:
                for (const std::string& key : places_.association_keys) {
                    if (SamePath(key, record.path)) return true;
                }
                return Refuse("a key the product's associations never write: " + record.path);
            case RecordKind::WorkDirectoryCreated: {
                const std::string temp = header_.destination + "\\TEMP";
                if (record.path == temp || IsRunsName(record.path, temp, header_.token)) return true;
                return Refuse("an extraction directory that is not the run's: " + record.path);
            }
            case RecordKind::FileMovedAside:
            case RecordKind::FileCopiedAside:
            case RecordKind::KeptForRestart:
                if (!IsRunsName(record.other, record.path, header_.token)) {
                    return Refuse("a copy that does not carry the run's token: " + record.other);
                }
                return Allowed(record.path);
            case RecordKind::DirectoryCreated:
            case RecordKind::FileCreated:
                return Allowed(record.path);
        }
        return Refuse("a record of no known kind");
    }

private:
    bool Allowed(const std::string& path) {
        if (!IsPlainFullPath(path)) return Refuse("a path that is not a plain full path: " + path);
        if (LiesInside(header_.destination, path)) return true;
        for (const std::string& folder : header_.folders) {
            if (LiesInside(folder, path)) return true;
        }
        return Refuse("a path outside the destination and the machine's folders: " + path);
    }

    bool Refuse(const std::string& reason) {
        reason_ = reason;
        return false;
    }

    const JournalHeader& header_;
    const JournalPlaces& places_;
    std::string& reason_;
};

}  // namespace

std::vector<std::string> AssociationKeys(const std::string& ext) {
    return {"." + ext, ext, ext + "\\DefaultIcon", ext + "\\Shell", ext + "\\Shell\\Open", ext + "\\Shell\\Open\\command"};
}

bool JournalStaysInside(const JournalContents& contents, const JournalPlaces& places, std::string& reason) {
    if (!contents.header) {
        // Torn before its header: the run made no change, and there is nothing to act on.
        if (contents.records.empty()) return true;
        reason = "it names no destination";
        return false;
    }
    Checker checker(*contents.header, places, reason);
    if (!checker.Header()) return false;
    for (const JournalRecord& record : contents.records) {
        if (!checker.Record(record)) return false;
    }
    return true;
}

}  // namespace engine
