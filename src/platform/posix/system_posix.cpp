#include "platform/posix/system_posix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/code_page.h"
#include "platform/command_line.h"
#include "platform/embedded_resource.h"
#include "platform/posix/file_system_posix.h"
#include "platform/posix/ini_file.h"
#include "platform/posix/machine_state.h"

namespace platform::posix {
namespace {

// Code page 866 bytes 0x80 to 0xFF in Windows-1251. Box-drawing characters, which 1251 lacks,
// become the ASCII lines and corners that look most like them; the shade blocks become '#'.
constexpr unsigned char kOemHighHalf[128] = {
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
    0x23, 0x23, 0x23, 0x7C, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x7C, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B,
    0x2B, 0x2B, 0x2B, 0x2B, 0x2D, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2D, 0x2B, 0x2B,
    0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x23, 0x23, 0xA6, 0xA6, 0x23,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
    0xA8, 0xB8, 0xAA, 0xBA, 0xAF, 0xBF, 0xA1, 0xA2, 0xB0, 0xB7, 0xB7, 0x76, 0xB9, 0xA4, 0x23, 0xA0,
};

// Sorting weight of an upper-cased 1251 character: its code, except that Ё sorts right after
// Е as it does in the alphabet. With UTF-8 as the code page only ASCII letters have a case
// here: the bytes of other characters are parts of sequences.
int Weight(char character) {
    if (State().ansi_is_utf8) {
        const auto byte = static_cast<unsigned char>(character);
        return (byte >= 'a' && byte <= 'z' ? byte - 0x20 : byte) * 2;
    }
    const auto byte = static_cast<unsigned char>(UpperCaseAnsi(character));
    if (byte == 0xA8) return 0xC5 * 2 + 1;
    return byte * 2;
}

// The host program's command line, item by item.
std::vector<std::string> HostCommandLine() {
    std::ifstream input("/proc/self/cmdline", std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    std::vector<std::string> items;
    size_t position = 0;
    while (position < content.size()) {
        const size_t end = content.find('\0', position);
        items.push_back(ProgramText(content.substr(position, end - position)));
        if (end == std::string::npos) break;
        position = end + 1;
    }
    return items;
}

bool ReadIniText(const std::string& file, std::string& text) {
    PosixFileSystem files;
    return files.ReadWholeFile(file, text);
}

}  // namespace

std::string PosixSystem::ProgramPath() {
    if (State().program_set) return State().program_path;
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return length > 0 ? ProgramText(std::string(buffer, static_cast<size_t>(length))) : std::string();
}

std::vector<std::string> PosixSystem::Arguments() {
    if (State().program_set) return State().arguments;
    std::vector<std::string> items = HostCommandLine();
    if (!items.empty()) items.erase(items.begin());
    return items;
}

std::string PosixSystem::CommandLine() {
    if (State().program_set) return State().command_line;
    std::string line;
    for (const std::string& argument : Arguments()) line += " " + QuoteCommandLineItem(argument);
    return line;
}

std::string PosixSystem::UserName() { return State().user_name; }

bool PosixSystem::IsElevated() { return State().elevated; }

uint32_t PosixSystem::ProcessId() { return static_cast<uint32_t>(::getpid()); }

DesktopSession PosixSystem::Desktop() { return State().desktop; }

MachineIdentity PosixSystem::Identity() { return State().identity; }

std::string PosixSystem::ProgramFilesDirFromRegistry() { return State().program_files_dir; }

std::string PosixSystem::SystemDirectory() { return State().system_directory; }

std::string PosixSystem::SpecialFolderPath(SpecialFolder folder) {
    switch (folder) {
        case SpecialFolder::Programs: return State().programs_folder;
        case SpecialFolder::DesktopDirectory: return State().desktop_folder;
        case SpecialFolder::CommonPrograms: return State().common_programs_folder;
        case SpecialFolder::CommonDesktopDirectory: return State().common_desktop_folder;
        case SpecialFolder::CommonAppData: return State().common_app_data_folder;
    }
    return {};
}

std::string PosixSystem::LocaleInfo(uint32_t kind) {
    return kind == kLocaleSEnglishLanguage ? State().system_language_name : std::string();
}

uint16_t PosixSystem::SystemDefaultUiLanguage() { return State().ui_language; }

std::string PosixSystem::ReadIniString(const std::string& file, const std::string& section, const std::string& key,
                                       const std::string& default_value) {
    std::string text;
    if (!ReadIniText(file, text)) return default_value;
    return FindIniValue(text, section, key).value_or(default_value);
}

std::vector<std::string> PosixSystem::ReadIniKeys(const std::string& file, const std::string& section) {
    std::string text;
    if (!ReadIniText(file, text)) return {};
    return ListIniKeys(text, section);
}

std::string PosixSystem::OemToAnsi(const std::string& text) {
    std::string converted = text;
    for (char& character : converted) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte >= 0x80) character = static_cast<char>(kOemHighHalf[byte - 0x80]);
    }
    // The same characters, spelled in UTF-8 when that is the code page.
    return State().ansi_is_utf8 ? platform::AnsiToUtf8(converted) : converted;
}

bool PosixSystem::Utf8ToAnsi(const std::string& utf8, std::string& ansi) {
    if (!State().ansi_is_utf8) return Utf8ToAnsiExactly(utf8, ansi);
    ansi = utf8;
    return IsWellFormedUtf8(utf8);
}

std::string PosixSystem::AnsiToUtf8(const std::string& ansi) {
    return State().ansi_is_utf8 ? ansi : platform::AnsiToUtf8(ansi);
}

int PosixSystem::CompareTextIgnoreCase(const std::string& left, const std::string& right) {
    const size_t common = std::min(left.size(), right.size());
    for (size_t index = 0; index < common; ++index) {
        const int difference = Weight(left[index]) - Weight(right[index]);
        if (difference != 0) return difference < 0 ? -1 : 1;
    }
    if (left.size() == right.size()) return 0;
    return left.size() < right.size() ? -1 : 1;
}

std::optional<std::string> PosixSystem::ProgramResource(const std::string& name, const std::string& type) {
    return FindEmbeddedResource(name, type);
}

namespace {

// A host file locked with flock: the lock goes with the descriptor, so it ends with the process.
class FileLock : public MachineLock {
public:
    explicit FileLock(int descriptor) : descriptor_(descriptor) {}
    ~FileLock() override { ::close(descriptor_); }

private:
    int descriptor_;
};

// The machine root's own folder, so that tests on separate machines never meet.
std::string LockFilePath(const std::string& name) {
    const std::string& root = State().machine_root;
    return (root.empty() ? std::string("/tmp") : root) + "/.lock-" + name;
}

}  // namespace

// The holder publishes itself in the lock file, which only a holder writes.
std::unique_ptr<MachineLock> PosixSystem::TakeMachineLock(const std::string& name) {
    const std::string path = LockFilePath(name);
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0) return nullptr;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return nullptr;
    }
    // Who holds the lock is for the record only: the lock is held even when that cannot be told.
    const std::string holder = std::to_string(ProcessId()) + "\t" + HostText(ProgramPath());
    const bool published = ::ftruncate(descriptor, 0) == 0 &&
                           ::pwrite(descriptor, holder.data(), holder.size(), 0) == static_cast<ssize_t>(holder.size());
    static_cast<void>(published);
    return std::make_unique<FileLock>(descriptor);
}

LockHolder PosixSystem::MachineLockHolder(const std::string& name) {
    LockHolder holder;
    std::ifstream input(LockFilePath(name), std::ios::binary);
    const std::string published((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    const size_t tab = published.find('\t');
    if (tab == std::string::npos) return holder;
    holder.process_id = static_cast<uint32_t>(std::strtoul(published.c_str(), nullptr, 10));
    holder.program = ProgramText(published.substr(tab + 1));
    return holder;
}

}  // namespace platform::posix
