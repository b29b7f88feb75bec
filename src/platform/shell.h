#pragma once
// The shell services of the final stage: file associations, shortcuts and starting a program.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// A registry value as the system keeps it: its type (1 REG_SZ, 2 REG_EXPAND_SZ, ...) and its
// bytes, which only the backend that read them interprets; handed back as read, it is put
// back exactly.
struct RegistryValue {
    uint32_t type = 0;
    std::string data;
    bool operator==(const RegistryValue&) const = default;
};

class Shell {
public:
    virtual ~Shell() = default;

    // Creates the key path under HKEY_CLASSES_ROOT if missing and sets its default value.
    virtual bool SetClassesRootValue(const std::string& key_path, const std::string& value) = 0;
    // Whether the key path exists under HKEY_CLASSES_ROOT.
    virtual bool ClassesRootKeyExists(const std::string& key_path) = 0;
    // Deletes the key with all its subkeys and values; true when it is gone afterwards.
    virtual bool DeleteClassesRootKey(const std::string& key_path) = 0;
    // Reads the default value of an existing key (nullopt when it has none); false when the
    // key is missing or cannot be read.
    virtual bool ReadClassesRootValue(const std::string& key_path, std::optional<RegistryValue>& value) = 0;
    // Gives the key (created if missing) the default value ReadClassesRootValue read, or
    // deletes its default value when value is nullopt; true when the key holds it afterwards.
    virtual bool RestoreClassesRootValue(const std::string& key_path, const std::optional<RegistryValue>& value) = 0;

    // Writes a shortcut file (.lnk) through the shell link object: target, arguments and
    // working directory; false when any step fails.
    virtual bool CreateShortcut(const std::string& link_path, const std::string& target,
                                const std::string& arguments, const std::string& working_directory) = 0;

    // ShellExecuteExA with the default verb; show_mode 0 SW_SHOW, 1 maximised, 2 minimised,
    // 3 minimised without activation. True when the program was started.
    virtual bool StartProgram(const std::string& program, const std::string& parameters,
                              const std::string& directory, int show_mode) = 0;

    // Whether StartProgramAsDesktopUser can start a program now: the desktop session has a
    // shell, and its account runs without administrator rights.
    virtual bool CanStartAsDesktopUser() = 0;
    // Starts program without waiting as the user of the desktop session, without
    // administrator rights (with the account of the desktop's shell), with the parameters,
    // directory and show mode StartProgram takes. False when it cannot be started so.
    virtual bool StartProgramAsDesktopUser(const std::string& program, const std::string& parameters,
                                           const std::string& directory, int show_mode) = 0;
};

}  // namespace platform
