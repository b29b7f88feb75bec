#include "engine/settings_from_description.h"

#include <algorithm>

#include "setup/setup_description.h"

namespace engine {

namespace {

template <typename Table>
std::vector<typename Table::value_type> FirstEntries(const Table& table, int32_t count) {
    const auto used = static_cast<size_t>(std::clamp<int32_t>(count, 0, static_cast<int32_t>(table.size())));
    return {table.begin(), table.begin() + used};
}

}  // namespace

InstallSettings SettingsFromDescription(const setup::TSetupDescription& description, const std::string& setup_program) {
    InstallSettings settings;
    settings.install_dir = description.InstallDir;
    settings.setup_dir = description.SetupDir;
    settings.setup_program = setup_program;
    settings.system_dir = description.SystemDir;
    settings.programs_folder = description.ProgramsFolder;
    settings.desktop_folder = description.DesktopFolder;
    settings.program_group = description.ProgramGroup;
    settings.archive_name = description.ArchiveName;
    settings.volume_count = description.VolumeCount;
    settings.uninstall_log_name = description.UninstallLogName;
    settings.self_copy_name = description.SelfCopyName;

    settings.excluded_dirs = description.ExcludedDirList;
    settings.keep_files = FirstEntries(description.KeepFiles, description.KeepFileCount);
    settings.dirs = FirstEntries(description.Dirs, description.DirCount);
    for (const setup::TLink& link : FirstEntries(description.Links, description.LinkCount)) {
        settings.links.push_back({link.Target, link.Args, link.WorkDir, link.Folder, link.Name});
    }
    for (const setup::TFileExt& ext : FirstEntries(description.FileExts, description.FileExtCount)) {
        settings.file_exts.push_back({ext.Ext, ext.ProgramDir, ext.ProgramFile, ext.Description, ext.IconIndex});
    }
    settings.extra_log_entries = FirstEntries(description.ExtraLogEntries, description.ExtraLogEntryCount);

    settings.run_program = description.RunProgram;
    settings.run_params = description.RunParams;
    settings.run_work_dir = description.RunWorkDir;
    settings.opt_params = description.OptParams;
    settings.opt_start_menu = description.OptStartMenu;
    settings.opt_desktop = description.OptDesktop;
    settings.opt_run = description.OptRun;
    settings.opt_final_message = description.OptFinalMessage;

    InstallTexts& texts = settings.texts;
    texts.install_caption = description.InstallCaption;
    texts.sfx_copying = description.SfxCopying;
    texts.sfx_shortcuts = description.SfxShortcuts;
    texts.fmt_data_copy_error = description.FmtDataCopyError;
    texts.fmt_update_error = description.FmtUpdateError;
    texts.fmt_group_error = description.FmtGroupError;
    texts.fmt_not_updated = description.FmtNotUpdated;
    texts.fmt_not_created = description.FmtNotCreated;
    texts.fmt_links_not_created = description.FmtLinksNotCreated;
    texts.fmt_success = description.FmtSuccess;
    texts.fmt_links_placed = description.FmtLinksPlaced;
    texts.fmt_completed = description.FmtCompleted;
    texts.fmt_problems = description.FmtProblems;
    texts.run_message = description.RunMessage;
    texts.fmt_run_not_started = description.FmtRunNotStarted;
    texts.product_name = description.ProductName;
    texts.product_noun = description.ProductNoun;
    texts.product_noun_gen = description.ProductNounGen;
    for (size_t i = 0; i < 4; ++i) texts.uninstall_texts[i] = description.UninstallTexts[i];
    return settings;
}

void StoreExpandedSettings(const InstallSettings& settings, setup::TSetupDescription& description) {
    description.RunProgram = settings.run_program;
    description.RunParams = settings.run_params;
    description.RunWorkDir = settings.run_work_dir;
    description.OptParams = settings.opt_params;
    const size_t dirs = std::min(settings.dirs.size(), description.Dirs.size());
    std::copy_n(settings.dirs.begin(), dirs, description.Dirs.begin());
    description.DirCount = static_cast<int32_t>(dirs);
    const size_t links = std::min(settings.links.size(), description.Links.size());
    for (size_t i = 0; i < links; ++i) {
        setup::TLink& link = description.Links[i];
        link.Target = settings.links[i].target;
        link.Args = settings.links[i].args;
        link.WorkDir = settings.links[i].work_dir;
        link.Folder = settings.links[i].folder;
    }
    const size_t exts = std::min(settings.file_exts.size(), description.FileExts.size());
    for (size_t i = 0; i < exts; ++i) description.FileExts[i].ProgramDir = settings.file_exts[i].program_dir;
}

}  // namespace engine
