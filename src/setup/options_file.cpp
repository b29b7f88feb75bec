#include "setup/options_file.h"

#include <cctype>
#include <cstdint>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "locale/text_case.h"
#include "setup/startup_paths.h"

namespace setup {
namespace {

constexpr const char kProgramFilesMacro[] = "%PROGRAMFILESDIR%";

int DigitValue(char character, int base) {
    const int lower = std::tolower(static_cast<unsigned char>(character));
    int value = -1;
    if (lower >= '0' && lower <= '9') value = lower - '0';
    if (lower >= 'a' && lower <= 'f') value = lower - 'a' + 10;
    return value < base ? value : -1;
}

void ReadFlag(const std::string& options_file, const char* section, const char* key, bool& flag) {
    ParseFlag(platform::Machine().ReadIniString(options_file, section, key, ""), flag);
}

}  // namespace

std::string OptionsFilePath(const std::string& program_path) { return ChangeExtension(program_path, ".ini"); }

bool ParseFlag(const std::string& text, bool& flag) {
    size_t position = 0;
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    int base = 10;
    if (position < text.size() && text[position] == '$') {
        base = 16;
        ++position;
    } else if (position + 1 < text.size() && text[position] == '0' && (text[position + 1] == 'x' || text[position + 1] == 'X')) {
        base = 16;
        position += 2;
    }
    if (position >= text.size()) return false;
    // Values past 32 bits are not numbers to the flag's reader either, so they count as
    // non-numeric rather than wrapping round to some other value.
    const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t value = 0;
    for (; position < text.size(); ++position) {
        const int digit = DigitValue(text[position], base);
        if (digit < 0) return false;
        value = value * base + static_cast<uint64_t>(digit);
        if (value > limit) return false;
    }
    flag = value != 0;
    return true;
}

std::string ReplaceProgramFilesMacro(const std::string& text, const std::string& program_files_dir) {
    const size_t found = locale::UpperAscii(text).find(kProgramFilesMacro);
    if (found == std::string::npos) return text;
    std::string result = text;
    result.replace(found, sizeof(kProgramFilesMacro) - 1, program_files_dir);
    return result;
}

void ReadOptions(TSetupDescription& description) {
    description.OptInstallDir.clear();
    description.OptAutoRun = false;
    description.OptSelectDialog = true;
    description.OptFinalMessage = true;
    description.OptStartMenu = true;
    description.OptDesktop = true;
    description.OptRun = true;
    description.OptParams.clear();
    description.ExcludeDirCount = 0;

    const std::string options_file = OptionsFilePath(platform::Machine().ProgramPath());
    if (!platform::Files().FileExists(options_file)) return;
    platform::System& machine = platform::Machine();

    description.OptInstallDir =
        ReplaceProgramFilesMacro(machine.ReadIniString(options_file, "Main", "InstallDir", ""), description.ProgramFilesDir);
    ReadFlag(options_file, "Main", "AutoRun", description.OptAutoRun);
    ReadFlag(options_file, "Main", "SelectDialog", description.OptSelectDialog);
    ReadFlag(options_file, "Main", "FinalMessage", description.OptFinalMessage);
    ReadFlag(options_file, "Links", "StartMenu", description.OptStartMenu);
    ReadFlag(options_file, "Links", "Desktop", description.OptDesktop);
    ReadFlag(options_file, "Setup", "Run", description.OptRun);
    description.OptParams = machine.ReadIniString(options_file, "Setup", "Params", "");

    // Exclusions are numbered from 1 without gaps; the first empty or missing number ends
    // the list.
    for (int32_t number = 1; number <= kMaxExcludeDirs; ++number) {
        const std::string directory = machine.ReadIniString(options_file, "ExcludeDir", std::to_string(number), "");
        if (directory.empty()) break;
        description.ExcludeDirs[number - 1] = directory;
        description.ExcludeDirCount = number;
    }
}

}  // namespace setup
