#pragma once
// Files and directories as Windows sees them. Paths are Windows paths in the ANSI code page
// ("C:\Program Files (x86)\VE4\qm.ini"); the posix backend maps them onto a host folder and
// keeps Windows semantics (case-insensitive names, the read-only attribute, files in use).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class HeldFolder;
enum class HoldKind;
struct PathForms;

// A Windows FILETIME: 100-nanosecond ticks since 1 January 1601, UTC.
struct FileTime {
    uint64_t ticks = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
};

// A broken-down date and time, in local time unless a function says otherwise.
struct DateTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Windows file attribute bits.
namespace attribute {
constexpr uint32_t kReadOnly = 0x01;
constexpr uint32_t kHidden = 0x02;
constexpr uint32_t kSystem = 0x04;
constexpr uint32_t kDirectory = 0x10;
constexpr uint32_t kArchive = 0x20;
constexpr uint32_t kNormal = 0x80;
// A junction, symbolic link or mount point: the entry itself, which may lead anywhere.
constexpr uint32_t kReparsePoint = 0x400;
constexpr uint32_t kInvalid = 0xFFFFFFFF;  // what GetFileAttributesA returns for a missing path
}  // namespace attribute

enum class OpenMode {
    ReadDenyWrite,  // read; other writers are refused while the file is open
    Read,           // read, sharing everything
    Create,         // create or truncate, then write
    ReadWrite,      // open an existing file for reading and writing
};

enum class SeekOrigin { Begin = 0, Current = 1, End = 2 };

enum class DriveType { Unknown = 0, NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6 };

// An open file. Closing happens in the destructor.
class File {
public:
    virtual ~File() = default;
    // Reads up to count bytes; returns the number read (0 at the end or on error).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes count bytes; returns the number written (less than count on error).
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Moves the file pointer; returns the new position or -1 on error.
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
    virtual int64_t Size() = 0;
    // Truncates or extends the file to size bytes; false on error.
    virtual bool SetSize(int64_t size) = 0;
    // The file's last-write time through the open handle; false when it cannot be read.
    virtual bool GetLastWriteTime(FileTime& time) = 0;
    virtual bool SetLastWriteTime(const FileTime& time) = 0;
    // Writes what was written so far through to the disk (FlushFileBuffers); false on error.
    virtual bool Flush() = 0;
    // Where the open file really is: the final path the system reports for the handle, in the
    // program's form ("C:\dir\name", "\\server\share\name": no "\\?\" prefix). Empty
    // when the system cannot tell.
    virtual std::string FinalPath() { return {}; }
    // How many names (hard links) the file has; 0 when unknown.
    virtual uint32_t NameCount() { return 0; }
    // Whether the opened object is a reparse point or a directory rather than a plain file.
    virtual bool IsLinkOrDirectory() { return false; }
    // Deletes the file this handle is open on, as the object it is, through the handle, so that
    // nothing put at its name meanwhile is hit: a file made by HeldFolder::CreateNewFile or by
    // FileSystem::OpenForAppend. False otherwise.
    virtual bool DeleteItself() { return false; }
};

struct DirectoryEntry {
    std::string name;  // the name alone, as stored (no "." or "..")
    uint32_t attributes = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens a file; nullptr when it cannot be opened (missing, read-only for Create, in use...).
    virtual std::unique_ptr<File> OpenFile(const std::string& path, OpenMode mode) = 0;
    // Opens a file for appending only (every write lands at its end), sharing reading and
    // writing (not deleting) with other processes that append to it too, creating it when it
    // is missing (created tells so). What it opens must be where path says: it fails, with
    // LastErrorText saying why, when the object at path is a link or a folder, has more than
    // one name, or its final path is not FullLongPath(path) (a link on the way); a file it made
    // for nothing is deleted again through its own handle. nullptr on failure.
    virtual std::unique_ptr<File> OpenForAppend(const std::string& path, bool& created) = 0;
    // Where an existing file or directory really is, links followed (SysWOW64 for the system
    // directory of a 32-bit program on 64-bit Windows), in the program's form as
    // File::FinalPath gives it; path itself when it cannot be opened.
    virtual std::string RealPath(const std::string& path) = 0;

    // Attributes of a file or directory, attribute::kInvalid when the path does not exist.
    virtual uint32_t GetAttributes(const std::string& path) = 0;
    virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;

    // A path whose attributes can be read and carry the directory bit.
    bool DirectoryExists(const std::string& path);
    // A path whose attributes can be read and do not carry the directory bit.
    bool FileExists(const std::string& path);

    // CreateDirectoryA: creates one directory; false when it exists or its parent is missing.
    virtual bool CreateDirectory(const std::string& path) = 0;
    // Creates the directory and every missing parent; true when it exists afterwards.
    bool ForceDirectories(const std::string& path);
    // RemoveDirectoryA: removes an empty directory.
    virtual bool RemoveDirectory(const std::string& path) = 0;
    // DeleteFileA: fails for a read-only file or a file in use.
    virtual bool DeleteFile(const std::string& path) = 0;
    // Deletes the file, empty directory or reparse point at path as the object it is, never
    // what a link leads to: through a handle opened on the object itself where the system
    // allows, else DeleteFile or RemoveDirectory as its attributes say. Fails for a read-only
    // file, a file in use or a directory that is not empty.
    virtual bool DeleteItself(const std::string& path);
    // MoveFileA: fails when the target exists; works for files and directories.
    virtual bool MoveFile(const std::string& from, const std::string& to) = 0;
    // MoveFileExA with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH: puts a file in place
    // of an existing one in one step, so there is never a moment without either. Fails for a
    // read-only, in-use or directory target.
    virtual bool ReplaceFile(const std::string& from, const std::string& to) = 0;
    // Whether the existing file could be replaced now: no running program has it loaded or
    // open without letting others write and delete it. Moving a loaded library aside works
    // where deleting it does not, so a move alone proves nothing.
    virtual bool CanReplace(const std::string& path) = 0;
    // MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT: the file is deleted at the next restart.
    virtual bool DeleteAtRestart(const std::string& path) = 0;
    // MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING: at the next
    // restart, before any program can hold it, from takes the place of to. Cannot be taken
    // back once asked for (an administrator's right); asking again for the same pair is
    // harmless.
    virtual bool ReplaceAtRestart(const std::string& from, const std::string& to) = 0;
    // FlushFileBuffers on the volume path lies on: everything the system still holds for any
    // file of that volume is written through to the disk. Needs administrator rights; false
    // when the volume cannot be opened or flushed.
    virtual bool FlushVolume(const std::string& path) = 0;
    // CopyFileA.
    virtual bool CopyFile(const std::string& from, const std::string& to, bool fail_if_exists) = 0;
    // The entries of a directory, in no particular order; empty when it cannot be listed.
    virtual std::vector<DirectoryEntry> ListDirectory(const std::string& path) = 0;

    virtual bool GetLastWriteTime(const std::string& path, FileTime& time) = 0;
    virtual bool SetLastWriteTime(const std::string& path, const FileTime& time) = 0;

    // The current directory, without a trailing backslash unless it is a drive root.
    virtual std::string CurrentDirectory() = 0;

    // GetDriveTypeA and GetVolumeInformationA for a root such as "A:\".
    virtual DriveType GetDriveType(const std::string& root) = 0;
    virtual bool GetVolumeLabel(const std::string& root, std::string& label) = 0;

    // Holds the existing folder at path (held_folder.h): opened as the object itself, checked
    // through that handle to be a directory and no reparse point, its final path taken then.
    // nullptr when it is missing, a link, not a directory or cannot be opened. Links on the way
    // to path are the caller's to rule out (its final path shows them).
    virtual std::unique_ptr<HeldFolder> HoldFolder(const std::string& path, HoldKind kind) = 0;

    // What turns this machine's final paths into the program's form; read once.
    virtual const PathForms& Forms() = 0;

    // Text of the last failure of this object's calls, for messages a person reads.
    virtual std::string LastErrorText() = 0;

    // GetFullPathNameA: path made full against the current directory, "." and ".." resolved,
    // doubled separators merged; nothing is looked up. False when the system refuses it.
    virtual bool FullPathName(const std::string& path, std::string& full) = 0;
    // GetLongPathNameA: an existing full path with the long name of each of its parts. False
    // when some part does not exist.
    virtual bool LongPathName(const std::string& path, std::string& long_path) = 0;
    // The identity of the file or directory at path itself (a link is not followed): its
    // volume and file index, equal for the same object however it is named and different for
    // another object made later at the same place. False when it cannot be opened.
    virtual bool GetFileId(const std::string& path, std::string& file_id) = 0;
};

// Why the open file is not the plain file at full_path, for FileSystem::OpenForAppend: it is a
// link or a folder, has more than one name, or its final path differs (ignoring case); empty
// when it is that file.
std::string AppendTargetProblem(File& file, const std::string& full_path);

// True when every field of the date-time is in range (month 1-12, a day the month has, hour
// 0-23, minute and second 0-59, year 1601-30827). The conversions refuse anything else rather
// than carry an overflow into the next unit.
bool IsValidDateTime(const DateTime& date_time);

// Time conversions in the backend's local time zone (FileTimeToLocalFileTime and friends).
bool FileTimeToLocalDateTime(const FileTime& time, DateTime& local);
bool LocalDateTimeToFileTime(const DateTime& local, FileTime& time);
// DOS date (high 16 bits) and time (low 16 bits) are local times, as in ZIP archives.
bool DosDateTimeToFileTime(uint32_t dos_date_time, FileTime& time);
bool FileTimeToDosDateTime(const FileTime& time, uint32_t& dos_date_time);

}  // namespace platform
