#include "engine/folder_holds.h"

#include "engine/text_utils.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace engine {
namespace {

std::string KeyOf(std::string path) {
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return platform::UpperCaseAnsi(path);
}

}  // namespace

bool FolderHolds::HoldRoot(const std::string& root, platform::HoldKind kind) {
    const std::string key = KeyOf(root);
    if (held_.count(key) != 0) return true;
    std::unique_ptr<platform::HeldFolder> held = platform::Files().HoldFolder(root, kind);
    if (!held) return false;
    held_[key] = std::move(held);
    return true;
}

FolderHolds::Way FolderHolds::Find(const std::string& directory) {
    const std::string key = KeyOf(directory);
    const auto known = held_.find(key);
    if (known != held_.end()) return {known->second.get(), false};
    const std::string parent = DirectoryPart(directory);
    if (parent.empty() || parent.size() >= directory.size()) return {};
    const Way parent_way = Find(parent);
    if (parent_way.folder == nullptr) return parent_way;
    const std::string name = NamePart(directory);
    // The run removes only folders it made, and those after letting its holds go: a hold
    // without delete access is refused by nobody who lets others read and write.
    std::unique_ptr<platform::HeldFolder> held = parent_way.folder->HoldChild(name, platform::HoldKind::Keep);
    if (!held) {
        // Missing, or something that is no plain folder: only a missing level is the run's to make.
        return {nullptr, platform::Files().GetAttributes(directory) == platform::attribute::kInvalid};
    }
    platform::HeldFolder* folder = held.get();
    held_[key] = std::move(held);
    return {folder, false};
}

platform::HeldFolder* FolderHolds::CreateAndHold(const std::string& directory) {
    platform::HeldFolder* parent = Hold(DirectoryPart(directory));
    if (parent == nullptr) return nullptr;
    std::unique_ptr<platform::HeldFolder> held = parent->CreateChild(NamePart(directory), platform::HoldKind::MayDelete);
    if (!held) return nullptr;
    platform::HeldFolder* folder = held.get();
    held_[KeyOf(directory)] = std::move(held);
    return folder;
}

bool FolderHolds::IsHeld(const std::string& directory) const { return held_.count(KeyOf(directory)) != 0; }

void FolderHolds::Release(const std::string& directory) {
    if (directory.empty()) {
        held_.clear();
        return;
    }
    const std::string key = KeyOf(directory);
    // Deepest first, as a folder's parent is never let go before it.
    for (auto held = held_.end(); held != held_.begin();) {
        --held;
        if (held->first == key || held->first.rfind(key + "\\", 0) == 0) held = held_.erase(held);
    }
}

}  // namespace engine
