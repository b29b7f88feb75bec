#pragma once
// The posix machine's shell: the registry file, .lnk files and spawning host programs.

#include "platform/shell.h"

namespace platform::posix {

class PosixShell : public Shell {
public:
    bool SetClassesRootValue(const std::string& key_path, const std::string& value) override;
    bool ClassesRootKeyExists(const std::string& key_path) override;
    bool DeleteClassesRootKey(const std::string& key_path) override;
    bool ReadClassesRootValue(const std::string& key_path, std::optional<platform::RegistryValue>& value) override;
    bool RestoreClassesRootValue(const std::string& key_path,
                                 const std::optional<platform::RegistryValue>& value) override;
    bool CreateShortcut(const std::string& link_path, const std::string& target, const std::string& arguments,
                        const std::string& working_directory) override;
    bool StartProgram(const std::string& program, const std::string& parameters, const std::string& directory,
                      int show_mode) override;
    bool CanStartAsDesktopUser() override;
    bool StartProgramAsDesktopUser(const std::string& program, const std::string& parameters,
                                   const std::string& directory, int show_mode) override;
};

}  // namespace platform::posix
