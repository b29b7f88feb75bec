#pragma once
// The posix machine's System: what PosixMachine was told, INI files through the mapped file
// system, code page tables of our own and the embedded resource table.

#include "platform/system.h"

namespace platform::posix {

class PosixSystem : public System {
public:
    std::string ProgramPath() override;
    std::vector<std::string> Arguments() override;
    std::string CommandLine() override;
    std::string UserName() override;
    bool IsElevated() override;
    uint32_t ProcessId() override;
    DesktopSession Desktop() override;
    MachineIdentity Identity() override;
    std::string ProgramFilesDirFromRegistry() override;
    std::string SystemDirectory() override;
    std::string SpecialFolderPath(SpecialFolder folder) override;
    std::string LocaleInfo(uint32_t kind) override;
    uint16_t SystemDefaultUiLanguage() override;
    std::string ReadIniString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& default_value) override;
    std::vector<std::string> ReadIniKeys(const std::string& file, const std::string& section) override;
    std::string OemToAnsi(const std::string& text) override;
    bool Utf8ToAnsi(const std::string& utf8, std::string& ansi) override;
    std::string AnsiToUtf8(const std::string& ansi) override;
    int CompareTextIgnoreCase(const std::string& left, const std::string& right) override;
    std::optional<std::string> ProgramResource(const std::string& name, const std::string& type) override;
    std::unique_ptr<MachineLock> TakeMachineLock(const std::string& name) override;
    LockHolder MachineLockHolder(const std::string& name) override;
};

}  // namespace platform::posix
