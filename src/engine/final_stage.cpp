#include "engine/installation.h"

#include <memory>
#include <utility>

#include "engine/file_placement.h"
#include "engine/reparse_points.h"
#include "engine/rollback.h"
#include "engine/undo_steps.h"
#include "engine/text_utils.h"
#include "engine/uninstall_log.h"
#include "locale/format_text.h"
#include "platform/code_page.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/held_folder.h"
#include "platform/platform.h"
#include "platform/shell.h"

namespace engine {

namespace {

constexpr int kShortcutProgressStep = 5;
// The shell link object takes the file name into a buffer of 200 wide characters.
constexpr size_t kMaxShortcutFileName = 199;

// Empty or missing targets (a directory counts as missing) get no shortcut. A file that
// cannot be opened to learn its size is taken as not empty, so it is never deleted.
bool IsMissingOrEmpty(const std::string& target) {
    platform::FileSystem& files = platform::Files();
    if (!files.FileExists(target)) return true;
    std::unique_ptr<platform::File> file = files.OpenFile(target, platform::OpenMode::Read);
    return file && file->Size() == 0;
}

}  // namespace

void RegisterFileExt(const std::string& ext, const std::string& program_dir, const std::string& program_file,
                     const std::string& description, int32_t icon_index, RollbackJournal& journal) {
    platform::Shell& shell = platform::ShellServices();
    const std::string program = program_dir + "\\" + program_file;
    const std::pair<std::string, std::string> values[] = {
        {"." + ext, ext},
        {ext, description},
        {ext + "\\DefaultIcon", program + "," + std::to_string(icon_index)},
        {ext + "\\Shell", "Open"},
        {ext + "\\Shell\\Open", "Open"},
        {ext + "\\Shell\\Open\\command", "\"" + program + "\" \"%1\""},
    };
    for (const auto& [key, value] : values) {
        if (!journal.RecordClassesRootValue(key) || !shell.SetClassesRootValue(key, value)) return;
    }
}

std::string ShortcutFileName(const std::string& link_file) { return link_file.substr(0, kMaxShortcutFileName); }

bool StartProgram(const std::string& program, const std::string& params, const std::string& dir, int32_t mode) {
    return platform::ShellServices().StartProgram(program, params, dir, mode);
}

// The shortcut is written in the extraction directory, which nobody but administrators can
// change, under a fresh name, and moved from there into its held folder, so that its size and
// time are in the journal before it stands at link_file: undoing tells it from a file someone
// else put there later. False, with nothing of its own left, when a step fails.
bool Installation::PlaceShortcut(const ShortcutEntry& link, const std::string& link_file) {
    platform::HeldFolder* work = holds_.Hold(extraction_dir_);
    const std::string folder_path = DirectoryPart(link_file);
    platform::HeldFolder* folder = holds_.Hold(folder_path);
    // A shortcut folder outside the destination is held as a root of its own.
    if (folder == nullptr && holds_.HoldRoot(folder_path, platform::HoldKind::Keep)) folder = holds_.Hold(folder_path);
    if (work == nullptr || folder == nullptr) return false;
    const std::string fresh = extraction_dir_ + "\\" + NamePart(journal_.FreshName(link_file));
    platform::FileSystem& files = platform::Files();
    if (!platform::ShellServices().CreateShortcut(fresh, link.target, link.args, link.work_dir)) {
        files.DeleteFile(fresh);
        return false;
    }
    const std::optional<FileStamp> stamp = StampOf(fresh);
    const auto move_into_place = [&] { return folder->MoveHere(*work, NamePart(fresh), NamePart(link_file)); };
    if (stamp && journal_.CreateFile(link_file, move_into_place, stamp)) return true;
    files.DeleteFile(fresh);
    return false;
}

void Installation::CreateShortcuts() {
    platform::FileSystem& files = platform::Files();
    const std::string programs = platform::UpperCaseAnsi(settings_.programs_folder);
    const std::string desktop = platform::UpperCaseAnsi(settings_.desktop_folder);
    for (const ShortcutEntry& link : settings_.links) {
        const std::string folder = platform::UpperCaseAnsi(link.folder);
        if (folder == desktop && !settings_.opt_desktop) continue;
        if (!programs.empty() && folder.find(programs) != std::string::npos && !settings_.opt_start_menu) continue;

        const std::string link_file = ShortcutFileName(link.folder + "\\" + link.name + ".lnk");
        const uint32_t link_attributes = files.GetAttributes(link_file);
        const bool link_existed = link_attributes != platform::attribute::kInvalid;
        if (IsMissingOrEmpty(link.target)) {
            // An empty target is removed together with the shortcut an earlier installation
            // left for it; both are set aside, so a failed run can put them back.
            if (link_existed) journal_.MoveAside(link_file, link_attributes);
            // An empty target in the destination is set aside only on a way without links.
            const bool safe_way = !LiesInside(settings_.install_dir, link.target) ||
                                  !LeadsThroughReparsePoint(settings_.install_dir, link.target);
            if (files.FileExists(link.target) && safe_way) {
                journal_.MoveAside(link.target, files.GetAttributes(link.target));
            }
        } else {
            // A shortcut written over an earlier one replaces it: the earlier one is set aside
            // first, and a write that breaks off leaves nothing of its own behind.
            const bool set_aside = link_existed && journal_.MoveAside(link_file, link_attributes);
            const bool created =
                (!link_existed || set_aside) && files.DirectoryExists(link.folder) &&
                PlaceShortcut(link, link_file);
            if (created) {
                Report("Shortcut: " + link_file);
                LogLines.push_back(link_file);
            } else {
                Report("Failed: shortcut " + link_file);
                if (set_aside) journal_.UndoLast();
                LinkFailures += FailureItem(link.folder + "\\" + link.name);
            }
        }
        view_.SetProgressPosition(view_.ProgressPosition() + kShortcutProgressStep);
        view_.ProcessMessages();
    }
}

void Installation::FinishInstall() {
    platform::FileSystem& files = platform::Files();
    if (!settings_.self_copy_name.empty()) PlaceFile(settings_.self_copy_name);
    view_.SetStatus(settings_.texts.install_caption + settings_.texts.sfx_shortcuts);

    for (const FileAssociation& association : settings_.file_exts) {
        RegisterFileExt(association.ext, association.program_dir, association.program_file, association.description,
                        association.icon_index, journal_);
    }

    if (settings_.opt_start_menu) {
        const std::string group = settings_.programs_folder + settings_.program_group;
        if (!files.DirectoryExists(group) && !journal_.CreateDirectory(group)) {
            Report("Failed: program group " + group + ": " + files.LastErrorText());
            GroupFailure = locale::FormatText(settings_.texts.fmt_group_error + "\r\n", {ProgramGroupName()});
        }
    }

    CreateShortcuts();
    // The extraction directory, where the shortcuts were written, goes by its path: only
    // administrators can change it, and its parent, the destination, stays held.
    holds_.Release(extraction_dir_);
    DeleteTree(extraction_dir_);
    journal_.WorkDirectoryRemoved(extraction_dir_);

    const std::string uninstall_log = settings_.install_dir + "\\UNINST\\" + settings_.uninstall_log_name;
    const uint32_t log_attributes = files.GetAttributes(uninstall_log);
    if (holds_.Hold(DirectoryPart(uninstall_log)) == nullptr ||
        (log_attributes != platform::attribute::kInvalid && (log_attributes & platform::attribute::kReparsePoint) != 0)) {
        throw InstallError("The uninstall log's way leads through a link: " + uninstall_log);
    }
    WriteUninstallLog(uninstall_log, LogLines, journal_);
    Report("Uninstall log: " + uninstall_log);

    // Everything placed is on the disk before the completion record; a run whose completion
    // cannot be recorded is undone, since after a crash it could not be told from one that
    // broke off.
    const bool committed = journal_.Commit(UndoReport);
    for (const std::string& line : UndoReport) Report(line);
    if (!committed) throw InstallError("Cannot record the end of the installation");
    // From here on nothing can fail: the installation stands.
    LogLines.clear();
    Completed = true;
    view_.Settled();
    view_.SetStatus(settings_.texts.install_caption);
    view_.HideWindow();
    const bool problems = ShowFinalMessageAndRun();
    if (problems) {
        view_.Terminate(platform::ExitCode::InstalledWithFailures);
        return;
    }
    view_.Terminate(restart_replacements_.empty() ? platform::ExitCode::Installed : platform::ExitCode::RestartNeeded);
}

bool Installation::ShowFinalMessageAndRun() {
    bool problems = false;
    const std::string message = ComposeFinalMessage(problems);
    // A utility that is not started says so, even where the final message is switched off.
    if (problems || settings_.opt_final_message || utility_start_ == UtilityStart::Refused) {
        platform::UserDialogs().ShowMessage(message, platform::MessageKind::Information, platform::buttons::kOk,
                                            platform::DialogResult::Ok);
    }
    if (settings_.run_program.empty()) return problems;
    const std::string& program = settings_.run_program;
    const std::string command = program + " " + settings_.run_params + " (in " + settings_.run_work_dir + ")";
    if (utility_start_ == UtilityStart::Elevated) {
        const bool started = StartProgram(utility_path_, settings_.run_params, settings_.run_work_dir, 0);
        Report(std::string(started ? "Started: " : "Failed to start: ") + command);
    } else if (utility_start_ == UtilityStart::AsDesktopUser) {
        const bool started = platform::ShellServices().StartProgramAsDesktopUser(program, settings_.run_params,
                                                                                 settings_.run_work_dir, 0);
        Report(std::string(started ? "Started as the desktop's user: " : "Failed to start as the desktop's user: ") +
               command);
    } else if (utility_start_ == UtilityStart::Refused) {
        Report("Not started: " + program + ": others can change it, and it cannot be started without administrator rights");
    } else if (problems) {
        Report("Not started: " + program + ": the installation reported problems");
    } else if (!settings_.opt_run) {
        Report("Not started: " + program + ": switched off (a silent run, or the options file)");
    } else {
        Report("Not started: " + program + ": the file is missing");
    }
    return problems;
}

}  // namespace engine
