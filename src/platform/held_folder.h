#pragma once
// A folder held open for as long as a run works in it, so that what the run checked is what it
// changes. A hold is a handle on the folder itself (never where a link would lead) that lets
// others read and write but never delete: while it is open nobody can rename or delete the
// folder, or, on NTFS, any folder above it, and the folder keeps the place where it was checked.
// What a run makes or moves inside a held folder is named relative to the handle, so a link
// planted at a name is never followed and no path is looked up again.

#include <memory>
#include <string>

namespace platform {

class File;

// Whether the run may remove the held folder through its hold.
enum class HoldKind {
    Keep,       // the run never removes it (the destination, the system directory)
    MayDelete,  // the run may remove it (the extraction directory, a folder it created)
};

class HeldFolder {
public:
    virtual ~HeldFolder() = default;

    // The folder's final path in the program's form (ProgramFormOfFinalPath), taken once,
    // when it was held; later comparisons and records use this form.
    virtual const std::string& Path() const = 0;

    // Holds the folder name inside this one; nullptr when nothing is there, or what is there
    // is a reparse point or not a directory. name is one plain name (IsPlainName).
    virtual std::unique_ptr<HeldFolder> HoldChild(const std::string& name, HoldKind kind) = 0;

    // Creates the folder name inside this one and holds it; nullptr when anything is at the
    // name already or it cannot be made.
    virtual std::unique_ptr<HeldFolder> CreateChild(const std::string& name, HoldKind kind) = 0;

    // Creates a new file name inside this one, open for reading and writing without sharing
    // delete; nullptr when anything is at the name (a link included) or it cannot be made.
    // The file may be deleted through its handle (File::DeleteItself).
    virtual std::unique_ptr<File> CreateNewFile(const std::string& name) = 0;

    // Moves the entry from_name of the held folder from (a file, or a link as itself) into
    // this folder under name; fails when anything is at name, or when a handle on this folder
    // does not let others write (the move adds an entry to it).
    virtual bool MoveHere(HeldFolder& from, const std::string& from_name, const std::string& name) = 0;

    // Deletes the held folder itself, which must be empty and held with HoldKind::MayDelete,
    // through its own handle. The hold stays open until it is destroyed.
    virtual bool DeleteItself() = 0;

    // Text of the last failure of this object's calls, for messages a person reads.
    virtual std::string LastErrorText() = 0;
};

// A name the native calls take as Windows would: not empty, no separator, wildcard or
// control character, no trailing dot or blank, not "." or "..", not a device name (CON, NUL,
// COM1...; also with an extension). Win32 would change or redirect any other name, so the
// calls relative to a held folder refuse it.
bool IsPlainName(const std::string& name);

}  // namespace platform
