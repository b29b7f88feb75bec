#include "setup/command_switches.h"

#include "locale/text_case.h"

namespace setup {

namespace {

// Whether item starts with prefix, ignoring case; rest receives what follows it.
bool TakePrefix(const std::string& item, const std::string& prefix, std::string& rest) {
    if (locale::UpperAscii(item.substr(0, prefix.size())) != prefix) return false;
    rest = item.substr(prefix.size());
    return true;
}

}  // namespace

CommandSwitches ParseCommandSwitches(const std::vector<std::string>& arguments) {
    CommandSwitches switches;
    for (size_t index = 0; index < arguments.size(); ++index) {
        const std::string& item = arguments[index];
        const std::string upper = locale::UpperAscii(item);
        std::string rest;
        if (upper == "/S") {
            switches.silent = true;
        } else if (upper == "/?") {
            switches.help = true;
        } else if (TakePrefix(item, "/LOG=", rest)) {
            switches.log_file = rest;
        } else if (TakePrefix(item, "/D=", rest)) {
            for (size_t next = index + 1; next < arguments.size(); ++next) rest += " " + arguments[next];
            switches.destination_given = true;
            switches.destination = rest;
            break;
        }
    }
    return switches;
}

}  // namespace setup
