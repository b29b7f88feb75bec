#pragma once
// The journal's format on disk: its grammar, the typed records it holds, the lines the run
// appends and the reading of a whole journal. Nothing else formats or parses journal text.
//
// A journal is a text file, one record a line, fields separated by a tab, lines ending in
// CR LF. Every line of the present format ends with a tab and the CRC-32 of what comes before
// that tab, as eight upper-case hexadecimal digits. Every text field escapes the bytes below
// 0x20, 0x7F and '%' as '%' and two upper-case hexadecimal digits, so a path, a key or a
// registry value reads back exactly.
//
//   VIrovARI2 install journal 3            first line
//   H <destination> <token> <folder>...    the run: its destination (full, long form), its
//                                          token, and the machine's folders it may change
//   D <path>                               directory created
//   T <path>                               extraction directory created (removed with its content)
//   F <path> [<size> <time>]               file created where nothing was; with the size and
//                                          last-write time of the file the run puts there
//   S <n> <size> <time>                    the file of record n, once made, has this size and time
//   I <n> <identity>                       the extraction directory of record n, once made, has
//                                          this identity (FileSystem::GetFileId)
//   R <path> <copy> <attributes>           file moved aside to copy (attributes decimal)
//   W <path> <copy> <attributes>           file copied aside; the run then writes over path
//   K <key>                                key created under HKEY_CLASSES_ROOT (deleted with its subkeys)
//   V <key> [<type> <bytes>]               default value about to be set on an existing key
//                                          that had none, or had this one
//   N <path> <kept>                        a new file kept beside path, to replace it at the
//                                          next restart once the run has completed
//   X <n>                                  record n needs nothing more (undone, never made, or finished)
//   U <n>                                  record n could not be undone when the run took it
//                                          back: it is undone at the run's end even when the
//                                          run completes
//   C                                      the run has completed
//
// Change records (D T F R W K V N) are numbered from 1 in the order they stand. Records are
// flushed before their changes are made, so a tail of lines that are incomplete or fail
// their checksums, running to the very end of the file, is changes that never started. A bad
// line with a good one after it means the file was damaged, not torn: the journal is
// unreadable. After C only X and U may follow.
//
// The second format ("VIrovARI2 install journal 2") is the present one without I records: its
// T records name a directory removed with whatever it holds. In the present format a T record
// without its I record names a directory that, if it was made at all, holds nothing yet.
//
// The first format ("VIrovARI2 install journal 1") had no checksums, no H record, numbered
// nothing, and escaped only registry texts; its journals are read by its own rules: X voids
// the newest record in force (X <path>: the newest D or F of path), U marks it, R restores
// over whatever stands at its place, and only a last line without its line end is torn.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/shell.h"

namespace engine {

enum class RecordKind {
    DirectoryCreated,
    WorkDirectoryCreated,
    FileCreated,
    FileMovedAside,
    FileCopiedAside,
    ClassesRootKeyCreated,
    ClassesRootValueSet,
    KeptForRestart,
};

// What undo compares to tell the run's own file from one put there later.
struct FileStamp {
    int64_t size = 0;
    uint64_t write_time = 0;  // FILETIME ticks
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// One change record, as the code that acts on it takes it.
struct JournalRecord {
    JournalRecord() = default;
    JournalRecord(RecordKind record_kind, std::string record_path, std::string record_other = {},
                  uint32_t record_attributes = 0)
        : kind(record_kind), path(std::move(record_path)), other(std::move(record_other)), attributes(record_attributes) {}

    RecordKind kind = RecordKind::FileCreated;
    std::string path;                  // or the key under HKEY_CLASSES_ROOT
    std::string other;                 // the copy set aside, or the kept file
    uint32_t attributes = 0;           // of the file set aside
    std::optional<FileStamp> stamp;    // FileCreated: the file the run made
    // WorkDirectoryCreated in the present format: the directory's identity once made, empty
    // until then; nullopt in the second format, whose T records carry none.
    std::optional<std::string> identity;
    std::optional<platform::RegistryValue> old_value;  // ClassesRootValueSet: the value before
    uint32_t number = 0;               // from 1, in the order written
    bool undo_failed = false;          // marked U: undone even when the run completes
};

// The H record: whose run this is and where it may go.
struct JournalHeader {
    std::string destination;
    std::string token;
    std::vector<std::string> folders;
};

// A journal as read: the records still in force, oldest first.
struct JournalContents {
    int version = 3;
    std::optional<JournalHeader> header;  // missing in a first-format journal or a torn one
    std::vector<JournalRecord> records;
    bool complete = false;
    // The bytes up to the end of the last good line; what follows is a torn tail.
    size_t good_length = 0;
    // Numbers already given: the next change record gets next_number.
    uint32_t next_number = 1;
};

enum class JournalReading { Read, Unreadable };

// Reads a whole journal's text; Unreadable, with reason (plain English for the record of the
// run), when a line cannot be what the program wrote.
JournalReading ReadJournalText(const std::string& text, JournalContents& contents, std::string& reason);

// The lines the run appends, each with its checksum and line end; VersionLine(2) gives the
// first line of the second format, for tests of how it is read.
std::string VersionLine(int version = 3);
std::string HeaderLine(const JournalHeader& header);
std::string RecordLine(const JournalRecord& record);
std::string StampLine(uint32_t number, const FileStamp& stamp);
std::string IdentityLine(uint32_t number, const std::string& identity);
std::string VoidLine(uint32_t number);
std::string UndoFailedLine(uint32_t number);
std::string CompletedLine();

// A whole journal of the present format holding header and records (numbered anew from 1),
// each extraction directory's identity when it has one, their U marks and the completion
// record when complete.
std::string JournalText(const JournalHeader& header, std::vector<JournalRecord> records, bool complete);

}  // namespace engine
