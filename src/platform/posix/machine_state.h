#pragma once
// The posix backend's shared state and its path mapping; internal to src/platform/posix/.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "platform/posix/path_mapping.h"
#include "platform/posix/posix_machine.h"

namespace platform::posix {

struct DriveSettings {
    bool removable = false;
    std::string volume_label;
};

struct MachineState {
    std::string machine_root;  // empty: host mode
    bool ansi_is_utf8 = false;  // the program's texts are UTF-8, else Windows-1251
    bool program_set = false;
    std::string program_path;
    std::vector<std::string> arguments;
    std::string command_line;  // after the program's path, as written
    std::string user_name = "user";
    bool elevated = false;
    DesktopSession desktop;
    MachineIdentity identity{10, 0, 19045, "x64", "TESTPC"};
    std::string system_language_name = "English";
    uint16_t ui_language = 1033;
    std::string program_files_dir;
    std::string system_directory = "C:\\windows\\system32";
    std::string programs_folder = "C:\\users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
    std::string desktop_folder = "C:\\users\\user\\Desktop";
    std::string common_programs_folder = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
    std::string common_desktop_folder = "C:\\users\\Public\\Desktop";
    std::string common_app_data_folder = "C:\\ProgramData";
    std::string current_directory = "C:\\";
    std::map<char, DriveSettings> drives;  // by lower-case letter
    std::set<std::string> in_use;          // path keys
    std::set<std::string> unwritable;      // path keys
    std::set<std::pair<uint64_t, uint64_t>> loaded;  // host files (device, inode) mapped as images
    std::vector<std::string> deletes_at_restart;
    std::vector<std::pair<std::string, std::string>> replaces_at_restart;  // (from, to)
    uint64_t change_count = 0;   // changes of the file system since the stop was armed
    uint64_t stop_at_change = 0; // 0: never
    bool flush_to_disk = true;
    std::vector<StartedProgram> started;
    bool desktop_user_start = true;
    bool owners_kept = false;  // as under Wine: everything reads as the program's account's
};

MachineState& State();

// A text of the program (a name, a path, a line for the console) as the host spells it, UTF-8,
// and a host text as the program holds it, in the machine's ANSI code page.
std::string HostText(const std::string& program_text);
std::string ProgramText(const std::string& host_text);

// Maps a path of the program onto the host with the machine's settings in force.
MappedPath MapPath(const std::string& path);

bool IsMarkedInUse(const MappedPath& path);
// A host file that a running program has loaded: it can be renamed but not deleted or written.
bool IsLoaded(const struct stat& info);
// Called just before every change of the file system; ends the process at the change that
// PosixMachine::StopAtChange names.
void BeforeChange();
bool IsInUnwritableDirectory(const MappedPath& path);

}  // namespace platform::posix
