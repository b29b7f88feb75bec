// Time conversions through the system's own functions, in the machine's time zone.

#include "platform/win32/windows_api.h"

#include "platform/file_system.h"
#include "platform/win32/filetime_win32.h"

namespace platform {
namespace {

using win32::FromFiletime;
using win32::ToFiletime;

}  // namespace

bool FileTimeToLocalDateTime(const FileTime& time, DateTime& local) {
    const FILETIME universal = ToFiletime(time);
    FILETIME local_time;
    SYSTEMTIME parts;
    if (!::FileTimeToLocalFileTime(&universal, &local_time) || !::FileTimeToSystemTime(&local_time, &parts)) return false;
    local = DateTime{parts.wYear, parts.wMonth, parts.wDay, parts.wHour, parts.wMinute, parts.wSecond};
    return true;
}

bool LocalDateTimeToFileTime(const DateTime& local, FileTime& time) {
    if (!IsValidDateTime(local)) return false;  // some systems would carry a 29 February over
    SYSTEMTIME parts = {};
    parts.wYear = static_cast<WORD>(local.year);
    parts.wMonth = static_cast<WORD>(local.month);
    parts.wDay = static_cast<WORD>(local.day);
    parts.wHour = static_cast<WORD>(local.hour);
    parts.wMinute = static_cast<WORD>(local.minute);
    parts.wSecond = static_cast<WORD>(local.second);
    FILETIME local_time;
    FILETIME universal;
    if (!::SystemTimeToFileTime(&parts, &local_time) || !::LocalFileTimeToFileTime(&local_time, &universal)) return false;
    time = FromFiletime(universal);
    return true;
}

bool DosDateTimeToFileTime(uint32_t dos_date_time, FileTime& time) {
    FILETIME local_time;
    FILETIME universal;
    if (!::DosDateTimeToFileTime(static_cast<WORD>(dos_date_time >> 16), static_cast<WORD>(dos_date_time & 0xFFFF),
                                 &local_time) ||
        !::LocalFileTimeToFileTime(&local_time, &universal)) {
        return false;
    }
    time = FromFiletime(universal);
    return true;
}

bool FileTimeToDosDateTime(const FileTime& time, uint32_t& dos_date_time) {
    const FILETIME universal = ToFiletime(time);
    FILETIME local_time;
    WORD date = 0;
    WORD clock = 0;
    if (!::FileTimeToLocalFileTime(&universal, &local_time) || !::FileTimeToDosDateTime(&local_time, &date, &clock)) {
        return false;
    }
    dos_date_time = (static_cast<uint32_t>(date) << 16) | clock;
    return true;
}

}  // namespace platform
