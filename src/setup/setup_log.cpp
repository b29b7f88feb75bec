#include "setup/setup_log.h"

#include <chrono>
#include <cstdio>
#include <memory>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"

namespace setup {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
// 100-nanosecond ticks from 1 January 1601, where file times start, to 1 January 1970.
constexpr uint64_t kUnixEpochTicks = 116444736000000000ULL;

}  // namespace

std::string RecordTime(const platform::DateTime& date) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year, date.month, date.day, date.hour,
                  date.minute, date.second);
    return text;
}

std::string RecordTimeStamp() {
    const auto since_1970 = std::chrono::system_clock::now().time_since_epoch();
    platform::FileTime now;
    now.ticks = kUnixEpochTicks + static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(since_1970).count()) * 10;
    platform::DateTime local;
    if (!platform::FileTimeToLocalDateTime(now, local)) return "0000-00-00 00:00:00";
    return RecordTime(local);
}

SetupLog::SetupLog(std::string file) : file_(std::move(file)), process_id_(platform::Machine().ProcessId()) {
    if (Enabled()) Open();
}

SetupLog::~SetupLog() = default;

void SetupLog::Open() {
    platform::FileSystem& files = platform::Files();
    bool created = false;
    std::unique_ptr<platform::File> file = files.OpenForAppend(file_, created);
    if (file == nullptr) {
        problem_ = files.LastErrorText();
        return;
    }
    if (created && file->Write(kByteOrderMark, 3) != 3) {
        problem_ = files.LastErrorText();
        return;
    }
    handle_ = std::move(file);
}

bool SetupLog::Write(const std::string& text) {
    if (handle_ == nullptr) return false;
    const std::string stamp = RecordTimeStamp() + " [" + std::to_string(process_id_) + "] ";
    platform::System& machine = platform::Machine();
    std::string lines;
    size_t start = 0;
    while (true) {
        const size_t line_break = text.find("\r\n", start);
        lines += stamp + machine.AnsiToUtf8(text.substr(start, line_break - start)) + "\r\n";
        if (line_break == std::string::npos) break;
        start = line_break + 2;
    }
    // One write for the whole entry, at the file's end wherever other runs have taken it.
    handle_->Seek(0, platform::SeekOrigin::End);
    return handle_->Write(lines.data(), static_cast<int64_t>(lines.size())) == static_cast<int64_t>(lines.size());
}

}  // namespace setup
