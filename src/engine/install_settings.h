#pragma once
// What the install engine reads: the product's paths, tables, switches and the texts of the
// interface language, taken from the setup description when the progress window starts its
// run. The engine works on this copy only, so its rules can be exercised without the windows
// and the description that feed it.

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// One shortcut: the file Folder\Name.lnk opening Target with Args in WorkDir.
struct ShortcutEntry {
    std::string target;
    std::string args;
    std::string work_dir;
    std::string folder;
    std::string name;
};

// One file association written under the classes root.
struct FileAssociation {
    std::string ext;
    std::string program_dir;
    std::string program_file;
    std::string description;
    int32_t icon_index = 0;
};

// The texts of the interface language in use, picked from their Russian/English pairs.
// Formats use "%s" for the next argument and "%n:s" for argument n.
struct InstallTexts {
    std::string install_caption;        // prefix of every status line
    std::string sfx_copying;            // ": copying files..."
    std::string sfx_shortcuts;          // ": creating shortcuts..."
    std::string fmt_data_copy_error;    // volume file name
    std::string fmt_update_error;       // target path, product name
    std::string fmt_group_error;        // group name
    std::string fmt_not_updated;        // list of quoted paths
    std::string fmt_not_created;        // list of quoted paths
    std::string fmt_links_not_created;  // list of quoted paths
    std::string fmt_success;            // noun (genitive), product name
    std::string fmt_links_placed;       // noun (genitive), product name, group name
    std::string fmt_completed;          // noun (genitive), product name
    std::string fmt_problems;           // noun, product name, noun (genitive), product name
    std::string run_message;            // appended when the set-up utility will be started
    std::string fmt_run_not_started;    // utility path; appended when it cannot be started safely
    std::string product_name;
    std::string product_noun;
    std::string product_noun_gen;
    std::string uninstall_texts[4];     // header fields of the uninstall log
};

// The product's description as the engine uses it. Macro paths (%InstallDir%, %STARTDIR%)
// are expanded by the run itself, before anything else reads them.
struct InstallSettings {
    std::string install_dir;      // destination, never ending in a backslash
    std::string setup_dir;        // directory of the setup program
    std::string setup_program;    // full path of the running setup program
    std::string system_dir;
    std::string programs_folder;  // the Start menu's Programs folder
    std::string desktop_folder;
    std::string program_group;    // with its leading backslash, relative to programs_folder
    std::string archive_name;     // file name of volume 1
    int32_t volume_count = 1;
    std::string uninstall_log_name;
    std::string self_copy_name;   // empty: the setup program is not copied
    std::string journal_folder;   // where the run keeps its journal, one file per run

    std::vector<std::string> excluded_dirs;  // upper-case top-level archive directories
    std::vector<std::string> keep_files;     // archive paths in force (KeepFileCount of them)
    std::vector<std::string> dirs;           // Dirs[0 .. DirCount-1]; placement appends
    std::vector<ShortcutEntry> links;
    std::vector<FileAssociation> file_exts;
    std::vector<std::string> extra_log_entries;

    std::string run_program;
    std::string run_params;
    std::string run_work_dir;
    std::string opt_params;

    bool opt_start_menu = true;
    bool opt_desktop = true;
    bool opt_run = true;
    bool opt_final_message = true;
    // A silent run: a file still in use after the retries is replaced at the next restart
    // instead of being left as it is.
    bool replace_in_use_at_restart = false;

    InstallTexts texts;
};

// The most entries Dirs can hold; directories created beyond it are not recorded there.
constexpr size_t kMaxDirs = 101;

// The archive password of every payload volume.
inline constexpr char kArchivePassword[] = "4071938265103847562910384756102938";

}  // namespace engine
