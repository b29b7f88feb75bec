#include "engine/rollback.h"

#include <chrono>

#include "engine/reparse_points.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/security.h"
#include "platform/shell.h"

namespace engine {

namespace {

constexpr char kHeader[] = "VIrovARI2 install journal 1";
constexpr char kLineEnd[] = "\r\n";

// Deletes a file even when it carries the read-only bit.
bool ForceDelete(platform::FileSystem& files, const std::string& path) {
    const uint32_t attributes = files.GetAttributes(path);
    if (attributes == platform::attribute::kInvalid || (attributes & platform::attribute::kDirectory) != 0) return false;
    if ((attributes & platform::attribute::kReadOnly) != 0) {
        files.SetAttributes(path, attributes & ~platform::attribute::kReadOnly);
    }
    return files.DeleteFile(path);
}

bool Exists(platform::FileSystem& files, const std::string& path) {
    return files.GetAttributes(path) != platform::attribute::kInvalid;
}

// A short text that differs from run to run, so that the names of copies set aside are
// unlikely to meet a file of the user's.
std::string RunToken() {
    uint64_t value = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    std::string token;
    for (int digit = 0; digit < 7; ++digit) {
        token += "0123456789abcdefghijklmnopqrstuvwxyz"[value % 36];
        value /= 36;
    }
    return token;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

// The journal's text for a registry key or value: control bytes, tabs and line ends among them,
// and the escape character itself become '%' and two hexadecimal digits.
std::string EscapeField(const std::string& text) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte >= 0x20 && byte != 0x7F && byte != '%') {
            escaped += character;
            continue;
        }
        escaped += '%';
        escaped += kDigits[byte >> 4];
        escaped += kDigits[byte & 0xF];
    }
    return escaped;
}

int HexDigit(char character) {
    if (character >= '0' && character <= '9') return character - '0';
    if (character >= 'A' && character <= 'F') return character - 'A' + 10;
    return -1;
}

// False for a text EscapeField cannot have written.
bool UnescapeField(const std::string& text, std::string& plain) {
    plain.clear();
    for (size_t index = 0; index < text.size(); ++index) {
        if (text[index] != '%') {
            plain += text[index];
            continue;
        }
        if (index + 2 >= text.size()) return false;
        const int high = HexDigit(text[index + 1]);
        const int low = HexDigit(text[index + 2]);
        if (high < 0 || low < 0) return false;
        plain += static_cast<char>(high * 16 + low);
        index += 2;
    }
    return true;
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string::npos;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::unique_ptr<platform::File> file = platform::Files().OpenFile(path, platform::OpenMode::Read);
    if (!file) return false;
    const int64_t size = file->Size();
    if (size < 0) return false;
    text.assign(static_cast<size_t>(size), '\0');
    return file->Read(text.data(), size) == size;
}

// Copies a file's bytes into a new file and flushes them to the disk.
bool CopyToDisk(const std::string& from, const std::string& to) {
    std::string bytes;
    if (!ReadWholeFile(from, bytes)) return false;
    std::unique_ptr<platform::File> file = platform::Files().OpenFile(to, platform::OpenMode::Create);
    return file && file->Write(bytes.data(), static_cast<int64_t>(bytes.size())) == static_cast<int64_t>(bytes.size()) &&
           file->Flush();
}

}  // namespace

RollbackJournal::RollbackJournal() : token_(RunToken()) {}

RollbackJournal::~RollbackJournal() = default;

bool RollbackJournal::Start(const std::string& path) {
    platform::FileSystem& files = platform::Files();
    if (Exists(files, path)) return false;
    file_ = files.OpenFile(path, platform::OpenMode::Create);
    if (!file_) return false;
    file_path_ = path;
    if (Append(kHeader)) return true;
    file_.reset();
    files.DeleteFile(path);
    file_path_.clear();
    return false;
}

bool RollbackJournal::Append(const std::string& line) { return Write(line + kLineEnd); }

// Writes whole lines and flushes them to the disk.
bool RollbackJournal::Write(const std::string& text) {
    if (!file_) return true;
    return file_->Write(text.data(), static_cast<int64_t>(text.size())) == static_cast<int64_t>(text.size()) &&
           file_->Flush();
}

std::string RollbackJournal::Line(const Change& change) {
    switch (change.kind) {
        case ChangeKind::DirectoryCreated: return "D\t" + change.path;
        case ChangeKind::WorkDirectoryCreated: return "T\t" + change.path;
        case ChangeKind::FileCreated: return "F\t" + change.path;
        case ChangeKind::ClassesRootKeyCreated: return "K\t" + EscapeField(change.path);
        case ChangeKind::ClassesRootValueSet:
            if (!change.old_value) return "V\t" + EscapeField(change.path);
            return "V\t" + EscapeField(change.path) + "\t" + std::to_string(change.old_value->type) + "\t" +
                   EscapeField(change.old_value->data);
        case ChangeKind::FileSetAside:
            return "R\t" + change.path + "\t" + change.backup + "\t" + std::to_string(change.attributes);
    }
    return {};
}

bool RollbackJournal::Record(const Change& change) {
    if (!Append(Line(change))) return false;
    changes_.push_back(change);
    return true;
}

RollbackJournal::Change* RollbackJournal::NewestInForce(std::vector<Change>& changes, const std::string& path) {
    for (auto it = changes.rbegin(); it != changes.rend(); ++it) {
        if (it->undo_failed) continue;
        if (path.empty()) return &*it;
        const bool created = it->kind == ChangeKind::FileCreated || it->kind == ChangeKind::DirectoryCreated;
        if (created && it->path == path) return &*it;
    }
    return nullptr;
}

// The newest record (of a directory or file created at path) is void: its change was undone
// or never made.
void RollbackJournal::Drop(const std::string& path) {
    Change* newest = NewestInForce(changes_, path);
    if (newest == nullptr) return;
    Append(path.empty() ? "X" : "X\t" + path);
    changes_.erase(changes_.begin() + (newest - changes_.data()));
}

bool RollbackJournal::CreateFile(const std::string& path, const std::function<bool()>& create) {
    if (!Record({ChangeKind::FileCreated, path, {}, 0})) return false;
    if (create()) return true;
    UndoLast();
    return false;
}

bool RollbackJournal::RecordCreated(const std::vector<std::string>& directories, const std::vector<std::string>& files) {
    std::vector<Change> created;
    for (const std::string& path : directories) created.push_back({ChangeKind::DirectoryCreated, path, {}, 0});
    for (const std::string& path : files) created.push_back({ChangeKind::FileCreated, path, {}, 0});
    if (created.empty()) return true;
    std::string lines;
    for (const Change& change : created) lines += Line(change) + kLineEnd;
    if (!Write(lines)) return false;
    changes_.insert(changes_.end(), created.begin(), created.end());
    return true;
}

void RollbackJournal::ForgetCreated(const std::string& path) {
    if (!path.empty()) Drop(path);
}

std::string RollbackJournal::FreshName(const std::string& path) {
    platform::FileSystem& files = platform::Files();
    std::string name;
    do {
        name = path + ".~vi" + token_ + "-" + std::to_string(next_backup_number_++);
    } while (Exists(files, name));
    return name;
}

bool RollbackJournal::MoveAside(const std::string& path, uint32_t attributes) {
    platform::FileSystem& files = platform::Files();
    const uint32_t present = files.GetAttributes(path);
    if (present == platform::attribute::kInvalid || (present & platform::attribute::kDirectory) != 0) return false;
    if (!Record({ChangeKind::FileSetAside, path, FreshName(path), attributes})) return false;
    if (files.MoveFile(path, changes_.back().backup)) return true;
    Drop();
    return false;
}

bool RollbackJournal::CopyAside(const std::string& path, uint32_t attributes) {
    // The copy is recorded as a file of the run while it is written, and as the original's
    // copy only once it is whole on the disk: a crash in between leaves no half copy that
    // undoing would put in the original's place.
    const std::string copy = FreshName(path);
    if (!CreateFile(copy, [&] { return CopyToDisk(path, copy); })) return false;
    if (Record({ChangeKind::FileSetAside, path, copy, attributes})) return true;
    UndoLast();
    return false;
}

bool RollbackJournal::CreateDirectory(const std::string& path) {
    if (!Record({ChangeKind::DirectoryCreated, path, {}, 0})) return false;
    if (platform::Files().CreateDirectory(path)) return true;
    Drop();
    return false;
}

bool RollbackJournal::CreateWorkDirectory(const std::string& path) {
    if (!Record({ChangeKind::WorkDirectoryCreated, path, {}, 0})) return false;
    // Only administrators may change what the run extracts before it takes its place;
    // ordinary users may still look. A directory already there is never taken over.
    if (platform::SecurityServices().CreateProtectedDirectory(path, platform::UserAccess::ReadAndExecute)) return true;
    Drop();
    return false;
}

// A key below one the run created goes with it; it needs no record of its own.
bool RollbackJournal::InCreatedKey(const std::string& key) const {
    const std::string upper = platform::UpperCaseAnsi(key);
    for (const Change& change : changes_) {
        if (change.kind != ChangeKind::ClassesRootKeyCreated) continue;
        const std::string created = platform::UpperCaseAnsi(change.path);
        if (upper == created || upper.starts_with(created + "\\")) return true;
    }
    return false;
}

bool RollbackJournal::RecordClassesRootValue(const std::string& key) {
    if (key.empty()) return false;  // the classes root itself is never the run's
    platform::Shell& shell = platform::ShellServices();
    if (!shell.ClassesRootKeyExists(key)) {
        return InCreatedKey(key) || Record({ChangeKind::ClassesRootKeyCreated, key, {}, 0});
    }
    Change change{ChangeKind::ClassesRootValueSet, key, {}, 0};
    return shell.ReadClassesRootValue(key, change.old_value) && Record(change);
}

std::vector<std::string> RollbackJournal::MissingLevels(const std::string& path) {
    platform::FileSystem& files = platform::Files();
    // Found from the deepest up, returned from the top down.
    std::vector<std::string> missing;
    std::string level = path;
    while (!level.empty() && !files.DirectoryExists(level)) {
        if (level.size() > 2) missing.push_back(level);  // a bare drive cannot be created
        const size_t slash = level.rfind('\\');
        if (slash == std::string::npos || slash <= 2) break;  // reached "C:" or "C:\"
        level.erase(slash);
    }
    return {missing.rbegin(), missing.rend()};
}

bool RollbackJournal::CreateDirectories(const std::string& path) {
    for (const std::string& level : MissingLevels(path)) CreateDirectory(level);
    return platform::Files().DirectoryExists(path);
}

// Every step checks what is there, so it may run for a change that never happened, or twice.
// False when a file step could not be finished (a created file or a copy set aside is still
// there); a directory that stays loses nothing.
bool RollbackJournal::UndoChange(const Change& change) {
    platform::FileSystem& files = platform::Files();
    switch (change.kind) {
        case ChangeKind::FileCreated:
            ForceDelete(files, change.path);
            return !Exists(files, change.path);
        case ChangeKind::FileSetAside:
            // Without the copy, the original never left its place.
            if (!Exists(files, change.backup)) return true;
            ForceDelete(files, change.path);
            if (!files.MoveFile(change.backup, change.path)) return false;
            files.SetAttributes(change.path, change.attributes);
            return true;
        case ChangeKind::DirectoryCreated:
            files.RemoveDirectory(change.path);
            return true;
        case ChangeKind::WorkDirectoryCreated:
            if (files.DirectoryExists(change.path)) DeleteTree(change.path);
            return true;
        case ChangeKind::ClassesRootKeyCreated:
            return platform::ShellServices().DeleteClassesRootKey(change.path);
        case ChangeKind::ClassesRootValueSet:
            return platform::ShellServices().RestoreClassesRootValue(change.path, change.old_value);
    }
    return true;
}

std::vector<RollbackJournal::Change> RollbackJournal::UndoAll(const std::vector<Change>& changes) {
    std::vector<Change> left;
    for (auto it = changes.rbegin(); it != changes.rend(); ++it) {
        if (!UndoChange(*it)) left.insert(left.begin(), *it);
    }
    return left;
}

// What is left to undo replaces the journal in one move, so a crash leaves either journal.
bool RollbackJournal::Rewrite(const std::string& path, const std::vector<Change>& changes) {
    platform::FileSystem& files = platform::Files();
    std::string text = std::string(kHeader) + kLineEnd;
    for (const Change& change : changes) text += Line(change) + kLineEnd;
    const std::string fresh = path + ".~new";
    std::unique_ptr<platform::File> file = files.OpenFile(fresh, platform::OpenMode::Create);
    const bool written = file && file->Write(text.data(), static_cast<int64_t>(text.size())) ==
                                     static_cast<int64_t>(text.size()) &&
                         file->Flush();
    file.reset();
    if (written && files.ReplaceFile(fresh, path)) return true;
    ForceDelete(files, fresh);
    return false;
}

void RollbackJournal::UndoLast() {
    Change* newest = NewestInForce(changes_);
    if (newest == nullptr) return;
    // Undone first, voided then: a crash in between only repeats an undo step. A step that
    // fails (the file set aside cannot come back) keeps its record in force, or the copy
    // would stay under its other name for good.
    if (UndoChange(*newest)) {
        Drop();
        return;
    }
    Append("U");
    newest->undo_failed = true;
}

void RollbackJournal::Finish() {
    changes_.clear();
    if (!file_) return;
    file_.reset();
    ForceDelete(platform::Files(), file_path_);
    file_path_.clear();
}

void RollbackJournal::Undo() {
    const std::vector<Change> left = UndoAll(changes_);
    changes_.clear();
    if (!file_) return;
    file_.reset();
    // A journal that cannot be rewritten stays whole: undoing it again is harmless.
    if (left.empty()) {
        ForceDelete(platform::Files(), file_path_);
    } else {
        Rewrite(file_path_, left);
    }
    file_path_.clear();
}

std::vector<RollbackJournal::Change> RollbackJournal::FinishCompleted(const std::vector<Change>& changes) {
    platform::FileSystem& files = platform::Files();
    std::vector<Change> failed;
    for (const Change& change : changes) {
        if (change.undo_failed) {
            failed.push_back(change);
            continue;
        }
        if (change.kind == ChangeKind::WorkDirectoryCreated && files.DirectoryExists(change.path)) DeleteTree(change.path);
        if (change.kind != ChangeKind::FileSetAside || !Exists(files, change.backup)) continue;
        if (!ForceDelete(files, change.backup)) files.DeleteAtRestart(change.backup);
    }
    return UndoAll(failed);
}

void RollbackJournal::Commit() {
    // Once "C" is on the disk, recovery finishes the run instead of undoing it.
    Append("C");
    const std::vector<Change> left = FinishCompleted(changes_);
    if (left.empty() || !file_) {
        Finish();
        return;
    }
    // What is left becomes a journal of a run to undo, for a later start.
    changes_.clear();
    file_.reset();
    Rewrite(file_path_, left);
    file_path_.clear();
}

std::vector<std::pair<std::string, std::string>> RollbackJournal::SetAside() const {
    std::vector<std::pair<std::string, std::string>> result;
    for (const Change& change : changes_) {
        if (change.kind == ChangeKind::FileSetAside) result.emplace_back(change.path, change.backup);
    }
    return result;
}

// K and V records; false for any other line.
bool RollbackJournal::ParseRegistryRecord(const std::vector<std::string>& fields, std::vector<Change>& changes) {
    const std::string& kind = fields[0];
    Change change{kind == "K" ? ChangeKind::ClassesRootKeyCreated : ChangeKind::ClassesRootValueSet, {}, {}, 0};
    if ((kind != "K" && kind != "V") || fields.size() < 2 || !UnescapeField(fields[1], change.path) ||
        change.path.empty()) {
        return false;
    }
    if (kind == "V" && fields.size() == 4) {
        platform::RegistryValue value;
        if (!IsNumber(fields[2]) || !UnescapeField(fields[3], value.data)) return false;
        value.type = static_cast<uint32_t>(std::stoull(fields[2]));
        change.old_value = value;
    } else if (fields.size() != 2) {
        return false;
    }
    changes.push_back(change);
    return true;
}

bool RollbackJournal::Parse(const std::string& text, std::vector<Change>& changes, bool& complete) {
    complete = false;
    size_t start = 0;
    bool first = true;
    for (size_t end = text.find(kLineEnd); end != std::string::npos; end = text.find(kLineEnd, start)) {
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (first) {
            if (line != kHeader) return false;
            first = false;
            continue;
        }
        const std::vector<std::string> fields = SplitFields(line);
        const std::string& kind = fields[0];
        if (complete) return false;  // nothing is recorded after the end
        if (kind == "C" && fields.size() == 1) {
            complete = true;
        } else if ((kind == "X" || kind == "U") && (fields.size() == 1 || (kind == "X" && fields.size() == 2 && !fields[1].empty()))) {
            Change* newest = NewestInForce(changes, fields.size() == 2 ? fields[1] : std::string());
            if (newest == nullptr) return false;
            if (kind == "U") newest->undo_failed = true;
            else changes.erase(changes.begin() + (newest - changes.data()));
        } else if ((kind == "D" || kind == "T" || kind == "F") && fields.size() == 2 && !fields[1].empty()) {
            const ChangeKind change_kind = kind == "D"   ? ChangeKind::DirectoryCreated
                                           : kind == "T" ? ChangeKind::WorkDirectoryCreated
                                                         : ChangeKind::FileCreated;
            changes.push_back({change_kind, fields[1], {}, 0});
        } else if (kind == "R" && fields.size() == 4 && !fields[1].empty() && !fields[2].empty() && IsNumber(fields[3])) {
            changes.push_back({ChangeKind::FileSetAside, fields[1], fields[2],
                               static_cast<uint32_t>(std::stoull(fields[3]))});
        } else if (!ParseRegistryRecord(fields, changes)) {
            return false;
        }
    }
    // What follows the last line end is a record whose change never started. Without even a
    // whole first line, the run made no change at all.
    return !first || (std::string(kHeader) + kLineEnd).starts_with(text);
}

RollbackJournal::Recovery RollbackJournal::Recover(const std::string& path) {
    platform::FileSystem& files = platform::Files();
    if (!files.FileExists(path)) return Recovery::NothingToDo;
    std::string text;
    RollbackJournal journal;
    bool complete = false;
    if (!ReadWholeFile(path, text) || !Parse(text, journal.changes_, complete)) return Recovery::Unreadable;
    const std::vector<Change> left = complete ? FinishCompleted(journal.changes_) : UndoAll(journal.changes_);
    // The journal stays, whole or holding what is left to undo, for a later start to finish.
    if (!left.empty()) {
        Rewrite(path, left);
        return Recovery::Incomplete;
    }
    journal.changes_.clear();
    ForceDelete(files, path);
    return Recovery::Recovered;
}

}  // namespace engine
