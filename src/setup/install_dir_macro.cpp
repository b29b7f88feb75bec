#include "setup/install_dir_macro.h"

#include "locale/text_case.h"
#include "setup/setup_description.h"

namespace setup {

std::string ExpandInstallDir(const std::string& text, const std::string& install_dir) {
    static const std::string kMacro = "%INSTALLDIR%";
    std::string result;
    // Only ASCII letters change case, so positions in the upper-cased copy match the text.
    const std::string upper = locale::UpperAscii(text);
    size_t position = 0;
    for (;;) {
        const size_t found = upper.find(kMacro, position);
        if (found == std::string::npos) break;
        result.append(text, position, found - position);
        result += install_dir;
        position = found + kMacro.size();
    }
    result.append(text, position, std::string::npos);
    return result;
}

std::string ExpandInstallDir(const std::string& text) { return ExpandInstallDir(text, Description().InstallDir); }

}  // namespace setup
