// Paths checked for reparse points before a change, and the removal of a tree that deletes a
// link as itself.

#include "engine/reparse_points.h"

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace engine {
namespace {

bool IsReparsePoint(uint32_t attributes) {
    return attributes != platform::attribute::kInvalid && (attributes & platform::attribute::kReparsePoint) != 0;
}

}  // namespace

bool LeadsThroughReparsePoint(const std::string& root, const std::string& path) {
    platform::FileSystem& files = platform::Files();
    if (!LiesInside(root, path)) return true;
    const std::string prefix = root + "\\";
    if (IsReparsePoint(files.GetAttributes(root))) return true;
    for (size_t end = path.find('\\', prefix.size());; end = path.find('\\', end + 1)) {
        const uint32_t attributes = files.GetAttributes(end == std::string::npos ? path : path.substr(0, end));
        if (attributes == platform::attribute::kInvalid) return false;
        if (IsReparsePoint(attributes)) return true;
        if (end == std::string::npos) return false;
    }
}

void DeleteTree(const std::string& dir) {
    platform::FileSystem& files = platform::Files();
    // Asked again just before the listing: a directory that turned into a link since its
    // parent was listed goes as a link.
    const uint32_t attributes = files.GetAttributes(dir);
    if (attributes == platform::attribute::kInvalid) return;
    if (IsReparsePoint(attributes) || (attributes & platform::attribute::kDirectory) == 0) {
        files.DeleteItself(dir);
        return;
    }
    for (const platform::DirectoryEntry& entry : files.ListDirectory(dir)) {
        if (entry.name == "." || entry.name == "..") continue;
        const std::string path = dir + "\\" + entry.name;
        if (IsReparsePoint(entry.attributes)) {
            files.DeleteItself(path);
        } else if ((entry.attributes & platform::attribute::kDirectory) != 0) {
            DeleteTree(path);
        } else {
            // Extracted files may carry the read-only bit of the archive; they are ours to delete.
            if ((entry.attributes & platform::attribute::kReadOnly) != 0) {
                files.SetAttributes(path, entry.attributes & ~platform::attribute::kReadOnly);
            }
            files.DeleteItself(path);
        }
    }
    files.DeleteItself(dir);
}

}  // namespace engine
