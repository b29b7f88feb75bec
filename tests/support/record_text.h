#pragma once
// The record of a run (/LOG=) as tests compare it: UTF-8 without its byte-order mark, each
// line's time stamp and process id replaced by "<time>", so that a whole record can be
// compared with the one expected.

#include <regex>
#include <string>

namespace test_support {

inline std::string MaskedRecord(std::string record) {
    if (record.rfind("\xEF\xBB\xBF", 0) == 0) record.erase(0, 3);
    static const std::regex kStamp("(^|\n)\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\[\\d+\\] ");
    return std::regex_replace(record, kStamp, "$1<time> ");
}

}  // namespace test_support
