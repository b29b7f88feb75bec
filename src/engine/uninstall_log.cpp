#include "engine/uninstall_log.h"

#include <memory>
#include <unordered_set>

#include "engine/installation.h"
#include "engine/rollback.h"
#include "engine/text_utils.h"
#include "engine/undo_steps.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace engine {

namespace {

// The whole log; a read that ends before the file's size is an error, not the log's end.
std::string ReadWholeFile(const std::string& path) {
    std::unique_ptr<platform::File> file = platform::Files().OpenFile(path, platform::OpenMode::Read);
    if (!file) throw InstallError("Cannot open the uninstall log " + path);
    const int64_t size = file->Size();
    std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size < 0 || file->Read(text.data(), size) != size) throw InstallError("Cannot read the uninstall log " + path);
    return text;
}

// Writes a new file and flushes it to the disk; false when any step fails.
bool WriteWholeFile(const std::string& path, const std::string& text) {
    std::unique_ptr<platform::File> file = platform::Files().OpenFile(path, platform::OpenMode::Create);
    return file && file->Write(text.data(), static_cast<int64_t>(text.size())) == static_cast<int64_t>(text.size()) &&
           file->Flush();
}

}  // namespace

std::string UninstallLogHeader(const std::string (&texts)[4]) {
    return texts[0] + "|" + texts[1] + "|" + texts[2] + "|" + texts[3] + "|";
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = ++i;
            continue;
        }
        ++i;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string> MergeLogLines(std::vector<std::string> existing, const std::vector<std::string>& log_lines) {
    if (log_lines.empty()) return existing;
    if (existing.empty()) {
        existing.push_back(log_lines.front());
    } else {
        existing.front() = log_lines.front();
    }
    std::unordered_set<std::string> present;
    for (const std::string& line : existing) present.insert(platform::UpperCaseAnsi(line));
    for (size_t i = 1; i < log_lines.size(); ++i) {
        if (present.insert(platform::UpperCaseAnsi(log_lines[i])).second) existing.push_back(log_lines[i]);
    }
    return existing;
}

void WriteUninstallLog(const std::string& path, const std::vector<std::string>& log_lines, RollbackJournal& journal) {
    platform::FileSystem& files = platform::Files();
    const uint32_t old_attributes = files.GetAttributes(path);
    const bool exists = old_attributes != platform::attribute::kInvalid;
    if (exists && (old_attributes & platform::attribute::kDirectory) != 0) {
        throw InstallError("The uninstall log is a directory: " + path);
    }

    const std::vector<std::string> lines = exists ? MergeLogLines(SplitLines(ReadWholeFile(path)), log_lines) : log_lines;
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }

    // The new log is complete on the disk before one replacing move puts it in place; a copy
    // of the old one is kept aside until the run commits, so undoing the run restores it.
    const std::string fresh = journal.FreshName(path);
    if (!journal.CreateFile(fresh, [&] { return WriteWholeFile(fresh, text); })) {
        throw InstallError("Cannot write " + fresh);
    }
    if (exists && !journal.CopyAside(path, old_attributes)) throw InstallError("Cannot keep a copy of " + path);
    if (exists) ClearReadOnly(path);  // a replacing move refuses a read-only target
    const auto put_in_place = [&] { return files.ReplaceFile(fresh, path); };
    // Where no log was, the new one is recorded with its size and time, known before the move,
    // so that undoing tells it from a log someone else put there later.
    if (!(exists ? put_in_place() : journal.CreateFile(path, put_in_place, StampOf(fresh)))) {
        throw InstallError("Cannot put the uninstall log in place: " + path);
    }
}

}  // namespace engine
