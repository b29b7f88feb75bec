// Conversions between FILETIME, local broken-down time and DOS date-times, in the time zone
// of the process (TZ), as the Windows functions of the same names do in the machine's zone.

#include <time.h>

#include <mutex>

#include "platform/file_system.h"
#include "platform/posix/host_file.h"

namespace platform {
namespace {

// The C library reads the time zone into state of its own; its users take turns here, so
// threads converting times at once (dezip -j) never meet inside it.
std::mutex& TimeZoneLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

bool FileTimeToLocalDateTime(const FileTime& time, DateTime& local) {
    const struct timespec moment = posix::ToTimespec(time);
    struct tm parts = {};
    const std::lock_guard<std::mutex> lock(TimeZoneLock());
    // localtime_r need not notice a changed TZ by itself; mktime, the other way, always does.
    ::tzset();
    if (::localtime_r(&moment.tv_sec, &parts) == nullptr) return false;
    local = DateTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
    return true;
}

bool LocalDateTimeToFileTime(const DateTime& local, FileTime& time) {
    if (!IsValidDateTime(local)) return false;
    struct tm parts = {};
    parts.tm_year = local.year - 1900;
    parts.tm_mon = local.month - 1;
    parts.tm_mday = local.day;
    parts.tm_hour = local.hour;
    parts.tm_min = local.minute;
    parts.tm_sec = local.second;
    parts.tm_isdst = -1;
    time_t seconds;
    {
        const std::lock_guard<std::mutex> lock(TimeZoneLock());
        seconds = ::mktime(&parts);
    }
    if (seconds == static_cast<time_t>(-1) && !(parts.tm_year == 69 && parts.tm_mon == 11 && parts.tm_mday == 31)) {
        return false;
    }
    time = posix::ToFileTime(timespec{seconds, 0});
    return true;
}

bool DosDateTimeToFileTime(uint32_t dos_date_time, FileTime& time) {
    const uint32_t date = dos_date_time >> 16;
    const uint32_t clock = dos_date_time & 0xFFFF;
    const DateTime local{static_cast<int>(1980 + (date >> 9)), static_cast<int>((date >> 5) & 0x0F),
                         static_cast<int>(date & 0x1F),         static_cast<int>(clock >> 11),
                         static_cast<int>((clock >> 5) & 0x3F), static_cast<int>((clock & 0x1F) * 2)};
    return LocalDateTimeToFileTime(local, time);
}

bool FileTimeToDosDateTime(const FileTime& time, uint32_t& dos_date_time) {
    DateTime local;
    if (!FileTimeToLocalDateTime(time, local)) return false;
    if (local.year < 1980 || local.year > 2107) return false;
    const uint32_t date = static_cast<uint32_t>(((local.year - 1980) << 9) | (local.month << 5) | local.day);
    const uint32_t clock = static_cast<uint32_t>((local.hour << 11) | (local.minute << 5) | (local.second / 2));
    dos_date_time = (date << 16) | clock;
    return true;
}

}  // namespace platform
