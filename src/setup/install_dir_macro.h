#pragma once
// The %InstallDir% macro: paths of the setup description and the Russian base-product
// message name the destination through it until the destination is known.

#include <string>

namespace setup {

// Replaces every %INSTALLDIR%, in any letter case, by install_dir, from left to right. The
// search goes on after each inserted text, so a destination that itself contains the macro
// is inserted once and the replacement ends.
std::string ExpandInstallDir(const std::string& text, const std::string& install_dir);

// The same with the description's InstallDir.
std::string ExpandInstallDir(const std::string& text);

}  // namespace setup
