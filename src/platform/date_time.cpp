// Checks on broken-down times shared by both backends' conversions.

#include "platform/file_system.h"

namespace platform {
namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

bool IsValidDateTime(const DateTime& date_time) {
    return date_time.year >= 1601 && date_time.year <= 30827 && date_time.month >= 1 && date_time.month <= 12 &&
           date_time.day >= 1 && date_time.day <= DaysInMonth(date_time.year, date_time.month) && date_time.hour >= 0 &&
           date_time.hour <= 23 && date_time.minute >= 0 && date_time.minute <= 59 && date_time.second >= 0 &&
           date_time.second <= 59;
}

}  // namespace platform
