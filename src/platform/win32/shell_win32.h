#pragma once
// The win32 shell: HKEY_CLASSES_ROOT, the shell link object and ShellExecuteExA.

#include <string>

#include "platform/shell.h"

namespace platform::win32 {

class Win32Shell : public Shell {
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

// The ANSI text as a wide string (the ANSI code page).
std::wstring WidePath(const std::string& path);
// The ShowWindow command of a show mode of StartProgram (0 normal, 1 maximised, 2 minimised,
// 3 minimised without activation; anything else normal).
int ShowCommand(int show_mode);

}  // namespace platform::win32
