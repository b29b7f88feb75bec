#pragma once
// The shell services of the final stage: file associations, shortcuts and starting a program.

#include <string>

namespace platform {

class Shell {
public:
    virtual ~Shell() = default;

    // Creates the key path under HKEY_CLASSES_ROOT if missing and sets its default value.
    virtual bool SetClassesRootValue(const std::string& key_path, const std::string& value) = 0;
    // Whether the key path exists under HKEY_CLASSES_ROOT.
    virtual bool ClassesRootKeyExists(const std::string& key_path) = 0;
    // Deletes the key with all its subkeys and values; true when it is gone afterwards.
    virtual bool DeleteClassesRootKey(const std::string& key_path) = 0;

    // Writes a shortcut file (.lnk) through the shell link object: target, arguments and
    // working directory; false when any step fails.
    virtual bool CreateShortcut(const std::string& link_path, const std::string& target,
                                const std::string& arguments, const std::string& working_directory) = 0;

    // ShellExecuteExA with the default verb; show_mode 0 SW_SHOW, 1 maximised, 2 minimised,
    // 3 minimised without activation. True when the program was started.
    virtual bool StartProgram(const std::string& program, const std::string& parameters,
                              const std::string& directory, int show_mode) = 0;
};

}  // namespace platform
