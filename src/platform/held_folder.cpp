#include "platform/held_folder.h"

#include "platform/code_page.h"

namespace platform {

bool IsPlainName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (name.back() == '.' || name.back() == ' ') return false;
    for (const char character : name) {
        if (static_cast<unsigned char>(character) < 0x20) return false;
        if (std::string("\\/:*?\"<>|").find(character) != std::string::npos) return false;
    }
    // A device name stays a device whatever extension follows it.
    std::string stem = UpperCaseAnsi(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (stem == device) return false;
    }
    const bool numbered_port = stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) &&
                               stem[3] >= '0' && stem[3] <= '9';
    return !numbered_port;
}

}  // namespace platform
