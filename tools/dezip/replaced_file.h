#pragma once
// A file an entry is about to write over is moved aside beside itself first, so that it is
// never lost to an entry that does not stand: one that is rejected (a bad CRC, a wrong
// password) or one that a run on several threads takes back after a run-ending failure.

#include <string>

namespace dezip {

// What an entry did at one output path: the name its former file was set aside under (empty
// when nothing was there).
struct ReplacedFile {
    std::string output_path;
    std::string backup;
};

// Sets aside the file at output_path that an entry is about to replace; tag makes the copy's
// name its own (output_path + ".~dezip" + tag). False, with nothing moved and replaced empty,
// when the file could not be created there anyway (a directory or a read-only file is in its
// place) or the old one cannot be moved.
bool SetAside(const std::string& output_path, const std::string& tag, ReplacedFile& replaced);

// The entry stands: the file it replaced goes, unless the entry left no file in its place
// (it was rejected, or could not be created), when the old one comes back.
void Keep(const ReplacedFile& replaced);

// The entry is taken back: its file goes (read-only or not) and the one it replaced comes back.
// Nothing for an empty ReplacedFile.
void TakeBack(const ReplacedFile& replaced);

}  // namespace dezip
