#include "engine/uninstall_log.h"

#include <memory>
#include <unordered_set>

#include "engine/installation.h"
#include "engine/rollback.h"
#include "engine/text_utils.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace engine {

namespace {

std::string ReadWholeFile(const std::string& path) {
    std::unique_ptr<platform::File> file = platform::Files().OpenFile(path, platform::OpenMode::Read);
    if (!file) throw InstallError("Cannot open the uninstall log " + path);
    std::string text;
    char buffer[8192];
    for (;;) {
        const int64_t count = file->Read(buffer, sizeof buffer);
        if (count <= 0) break;
        text.append(buffer, static_cast<size_t>(count));
    }
    return text;
}

void WriteWholeFile(const std::string& path, const std::string& text) {
    platform::FileSystem& files = platform::Files();
    ClearReadOnly(path);  // a stale file of an earlier attempt
    std::unique_ptr<platform::File> file = files.OpenFile(path, platform::OpenMode::Create);
    if (!file) throw InstallError("Cannot create " + path);
    const bool written = file->Write(text.data(), static_cast<int64_t>(text.size())) == static_cast<int64_t>(text.size());
    file.reset();
    if (!written) {
        files.DeleteFile(path);
        throw InstallError("Cannot write " + path);
    }
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

    std::vector<std::string> lines = log_lines;
    if (exists) {
        ClearReadOnly(path);
        try {
            lines = MergeLogLines(SplitLines(ReadWholeFile(path)), log_lines);
        } catch (...) {
            files.SetAttributes(path, old_attributes);  // a log that could not be read stays as it was
            throw;
        }
    }
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }

    const std::string fresh = path + ".~new";
    try {
        WriteWholeFile(fresh, text);
    } catch (...) {
        if (exists) files.SetAttributes(path, old_attributes);
        throw;
    }
    if (exists && !journal.MoveAside(path, old_attributes)) {
        files.DeleteFile(fresh);
        files.SetAttributes(path, old_attributes);
        throw InstallError("Cannot replace the uninstall log " + path);
    }
    if (!files.MoveFile(fresh, path)) {
        if (exists) journal.UndoLast();
        files.DeleteFile(fresh);
        throw InstallError("Cannot put the uninstall log in place: " + path);
    }
    journal.FileCreated(path);
}

}  // namespace engine
