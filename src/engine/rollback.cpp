#include "engine/rollback.h"

#include "platform/file_system.h"
#include "platform/platform.h"

namespace engine {

namespace {

// Deletes a file even when it carries the read-only bit.
bool ForceDelete(platform::FileSystem& files, const std::string& path) {
    const uint32_t attributes = files.GetAttributes(path);
    if (attributes != platform::attribute::kInvalid && (attributes & platform::attribute::kReadOnly) != 0) {
        files.SetAttributes(path, attributes & ~platform::attribute::kReadOnly);
    }
    return files.DeleteFile(path);
}

}  // namespace

void RollbackJournal::FileCreated(const std::string& path) {
    changes_.push_back({ChangeKind::FileCreated, path, {}, 0});
}

bool RollbackJournal::MoveAside(const std::string& path, uint32_t attributes) {
    platform::FileSystem& files = platform::Files();
    // The copy's name must not be taken; the number grows over the whole run so that a name
    // freed by an earlier restore is not reused by accident.
    std::string backup;
    do {
        backup = path + ".~vi" + std::to_string(next_backup_number_++);
    } while (files.GetAttributes(backup) != platform::attribute::kInvalid);
    if (!files.MoveFile(path, backup)) return false;
    changes_.push_back({ChangeKind::FileMovedAside, path, backup, attributes});
    return true;
}

bool RollbackJournal::CreateDirectory(const std::string& path) {
    if (!platform::Files().CreateDirectory(path)) return false;
    changes_.push_back({ChangeKind::DirectoryCreated, path, {}, 0});
    return true;
}

bool RollbackJournal::CreateDirectories(const std::string& path) {
    platform::FileSystem& files = platform::Files();
    if (files.DirectoryExists(path)) return true;
    // Find the missing levels from the deepest up, then create them from the top down.
    std::vector<std::string> missing;
    std::string level = path;
    while (!level.empty() && !files.DirectoryExists(level)) {
        missing.push_back(level);
        const size_t slash = level.rfind('\\');
        if (slash == std::string::npos || slash <= 2) break;  // reached "C:" or "C:\"
        level.erase(slash);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (it->size() <= 2) continue;  // a bare drive cannot be created
        CreateDirectory(*it);
    }
    return files.DirectoryExists(path);
}

void RollbackJournal::UndoChange(const Change& change) {
    platform::FileSystem& files = platform::Files();
    switch (change.kind) {
        case ChangeKind::FileCreated:
            ForceDelete(files, change.path);
            break;
        case ChangeKind::FileMovedAside:
            if (files.GetAttributes(change.path) != platform::attribute::kInvalid) ForceDelete(files, change.path);
            if (files.MoveFile(change.backup, change.path)) files.SetAttributes(change.path, change.attributes);
            break;
        case ChangeKind::DirectoryCreated:
            files.RemoveDirectory(change.path);
            break;
    }
}

void RollbackJournal::UndoLast() {
    if (changes_.empty()) return;
    UndoChange(changes_.back());
    changes_.pop_back();
}

void RollbackJournal::Undo() {
    for (auto it = changes_.rbegin(); it != changes_.rend(); ++it) UndoChange(*it);
    changes_.clear();
}

void RollbackJournal::Commit() {
    platform::FileSystem& files = platform::Files();
    for (const Change& change : changes_) {
        if (change.kind == ChangeKind::FileMovedAside) ForceDelete(files, change.backup);
    }
    changes_.clear();
}

std::vector<std::pair<std::string, std::string>> RollbackJournal::SetAside() const {
    std::vector<std::pair<std::string, std::string>> result;
    for (const Change& change : changes_) {
        if (change.kind == ChangeKind::FileMovedAside) result.emplace_back(change.path, change.backup);
    }
    return result;
}

void DeleteTree(const std::string& dir) {
    platform::FileSystem& files = platform::Files();
    for (const platform::DirectoryEntry& entry : files.ListDirectory(dir)) {
        if (entry.name == "." || entry.name == "..") continue;
        const std::string path = dir + "\\" + entry.name;
        if ((entry.attributes & platform::attribute::kDirectory) != 0) {
            DeleteTree(path);
        } else {
            // Extracted files may carry the read-only bit of the archive; they are ours to delete.
            ForceDelete(files, path);
        }
    }
    files.RemoveDirectory(dir);
}

}  // namespace engine
