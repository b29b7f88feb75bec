#pragma once
// The program's one text formatter. Message texts come in Russian/English pairs whose two
// members may use different arguments of the same list, in a different order, so items can
// name their argument: "%s" takes the next argument, "%1:s" takes argument 1 (counted from
// 0), after which a plain "%s" goes on with argument 2. "%%" is a percent sign.

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace locale {

// Formats text with arguments. An item may carry a left-justify flag and a width ("%-10s",
// "%5s") and a precision that cuts the argument ("%.3s"); "d" and "u" items take their
// argument as already written out. An item without a matching argument gives nothing
// (texts are data picked at run time, and a message box with a gap beats a crash); a "%"
// that starts no valid item is kept as it is.
std::string FormatText(const std::string& format, const std::vector<std::string>& arguments);

// Writes a date by a pattern such as "dd.mm.yyyy": "d"/"dd" the day, "m"/"mm" the month,
// "yy"/"yyyy" the year (without/with leading zeros and the century); any other character is
// copied.
std::string FormatDate(const std::string& pattern, const platform::DateTime& date);

}  // namespace locale
