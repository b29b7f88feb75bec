#pragma once
// The folders a run works in, each held (platform/held_folder.h) from the first time the run
// reaches it until the run lets it go: the roots it is given (the destination, the system
// directory, the extraction directory) and every folder on a file's way below them. Each folder
// is checked once, when it is first held (a folder, no link), and kept from being renamed or
// swapped for the rest of the run, so nothing on a file's way is looked up and checked again.

#include <map>
#include <memory>
#include <string>

#include "platform/held_folder.h"

namespace engine {

class FolderHolds {
public:
    // What Find says of a folder.
    struct Way {
        platform::HeldFolder* folder = nullptr;  // held; nullptr otherwise
        bool missing = false;  // not held because a level of it does not exist (yet)
    };

    // Holds root itself (checked as any level is); false when it cannot be held.
    bool HoldRoot(const std::string& root, platform::HoldKind kind);

    // The held folder directory, which lies at or below a held root: each level below the
    // root that is not held yet is held in turn. Not held when a level is missing (missing is
    // set then), a link or no folder, or directory lies below no held root.
    Way Find(const std::string& directory);
    platform::HeldFolder* Hold(const std::string& directory) { return Find(directory).folder; }

    // Creates the missing folder directory, whose parent is held or can be, relative to the
    // parent's hold, and holds it; nullptr when either fails.
    platform::HeldFolder* CreateAndHold(const std::string& directory);

    // Whether directory is held now.
    bool IsHeld(const std::string& directory) const;

    // Lets go of directory and every held folder below it; of everything when empty.
    void Release(const std::string& directory = {});

private:
    // Held folders by the path the run names them by, in upper case.
    std::map<std::string, std::unique_ptr<platform::HeldFolder>> held_;
};

}  // namespace engine
