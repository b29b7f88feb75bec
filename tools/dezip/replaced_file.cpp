#include "replaced_file.h"

#include "platform/file_system.h"
#include "platform/platform.h"

namespace dezip {

bool SetAside(const std::string& output_path, const std::string& tag, ReplacedFile& replaced) {
    platform::FileSystem& files = platform::Files();
    replaced = {};
    const uint32_t attributes = files.GetAttributes(output_path);
    if (attributes == platform::attribute::kInvalid) {
        replaced.output_path = output_path;
        return true;
    }
    if ((attributes & (platform::attribute::kDirectory | platform::attribute::kReadOnly)) != 0) return false;
    const std::string base = output_path + ".~dezip" + tag;
    std::string backup = base;
    for (int number = 1; files.GetAttributes(backup) != platform::attribute::kInvalid; ++number) {
        backup = base + "-" + std::to_string(number);
    }
    if (!files.MoveFile(output_path, backup)) return false;
    replaced = {output_path, backup};
    return true;
}

void Keep(const ReplacedFile& replaced) {
    if (replaced.backup.empty()) return;
    platform::FileSystem& files = platform::Files();
    if (files.GetAttributes(replaced.output_path) != platform::attribute::kInvalid) {
        files.DeleteFile(replaced.backup);
        return;
    }
    files.MoveFile(replaced.backup, replaced.output_path);
}

void TakeBack(const ReplacedFile& replaced) {
    if (replaced.output_path.empty()) return;
    platform::FileSystem& files = platform::Files();
    files.SetAttributes(replaced.output_path, platform::attribute::kNormal);  // the archive may have made it read-only
    files.DeleteFile(replaced.output_path);
    if (!replaced.backup.empty()) files.MoveFile(replaced.backup, replaced.output_path);
}

}  // namespace dezip
