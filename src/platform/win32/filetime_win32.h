#pragma once
// FILETIME to and from the portable FileTime: the same 100-nanosecond ticks since 1601.

#include "platform/win32/windows_api.h"

#include "platform/file_system.h"

namespace platform::win32 {

inline FILETIME ToFiletime(const FileTime& time) {
    FILETIME converted;
    converted.dwLowDateTime = static_cast<DWORD>(time.ticks);
    converted.dwHighDateTime = static_cast<DWORD>(time.ticks >> 32);
    return converted;
}

inline FileTime FromFiletime(const FILETIME& time) {
    return FileTime{(static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime};
}

}  // namespace platform::win32
