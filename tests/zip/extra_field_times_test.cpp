// The modification time an extra field carries: the NTFS block's first, else the extended
// timestamp's, and nothing from a block or attribute that its field cuts short.

#include <gtest/gtest.h>

#include <string>

#include "zip/extra_field_times.h"

namespace {

std::string Le(uint64_t value, int bytes) {
    std::string out;
    for (int index = 0; index < bytes; ++index) out += static_cast<char>((value >> (8 * index)) & 0xFF);
    return out;
}
std::string Block(uint16_t id, const std::string& data, size_t claimed_size = std::string::npos) {
    return Le(id, 2) + Le(claimed_size == std::string::npos ? data.size() : claimed_size, 2) + data;
}

constexpr uint64_t kNtfsTicks = 0x01C08D967E607207;  // 2001-02-03 04:05:07.1234567 UTC
constexpr uint64_t kUnixSeconds = 981173107;         // 2001-02-03 04:05:07 UTC
constexpr uint64_t kUnixTicks = (kUnixSeconds + 11644473600) * 10000000;

const std::string kNtfsTimes = Le(1, 2) + Le(24, 2) + Le(kNtfsTicks, 8) + Le(1, 8) + Le(2, 8);
const std::string kNtfs = Block(0x000A, Le(0, 4) + kNtfsTimes);
const std::string kExtended = Block(0x5455, "\x03" + Le(kUnixSeconds, 4) + Le(5, 4));

TEST(ExtraFieldTimes, NtfsBeforeExtendedTimestampAndNothingFromCutFields) {
    const struct {
        const char* what;
        std::string extra;
        uint64_t ticks;  // 0: no time
    } cases[] = {
        {"ntfs", kNtfs, kNtfsTicks},
        {"extended", kExtended, kUnixTicks},
        {"both, ntfs wins", Block(0x0001, Le(7, 16)) + kExtended + kNtfs, kNtfsTicks},
        {"another ntfs attribute first", Block(0x000A, Le(0, 4) + Le(2, 2) + Le(3, 2) + "abc" + kNtfsTimes), kNtfsTicks},
        {"negative unix time", Block(0x5455, "\x01" + Le(0xFFFFFFFF, 4)), (11644473600 - 1) * 10000000},
        {"extended without a modification time", Block(0x5455, "\x02" + Le(kUnixSeconds, 4)), 0},
        {"extended cut short", Block(0x5455, "\x01" + Le(kUnixSeconds, 3)), 0},
        {"ntfs times of the wrong size", Block(0x000A, Le(0, 4) + Le(1, 2) + Le(16, 2) + Le(kNtfsTicks, 16)), 0},
        {"ntfs attribute past its block", Block(0x000A, Le(0, 4) + Le(1, 2) + Le(24, 2) + Le(kNtfsTicks, 8)), 0},
        {"cut ntfs, then extended", Block(0x000A, Le(0, 4) + Le(1, 2) + Le(30, 2)) + kExtended, kUnixTicks},
        {"block past the field", Block(0x000A, Le(0, 4) + kNtfsTimes, 40), 0},
        {"a stray byte", "\x0A", 0},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        platform::FileTime time{42};
        const bool found = zip::ExtraFieldModificationTime(reinterpret_cast<const uint8_t*>(test.extra.data()),
                                                           test.extra.size(), time);
        EXPECT_EQ(found, test.ticks != 0);
        EXPECT_EQ(time.ticks, test.ticks != 0 ? test.ticks : 42u);
    }
}

}  // namespace
