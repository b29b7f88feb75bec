#pragma once
// The setup description: everything that makes this setup program install this particular
// product. Texts, paths found on the machine, the tables of required files, directories,
// shortcuts, environments and file associations, the option switches and the messages. The
// main window fills it once while it is created, with every text already in the interface
// language; afterwards the rest of the program reads it, and only a few writers change it
// (the options file reader, the Install command, the install engine's macro expansion and
// the placement step's directory list).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace setup {

// Sizes of the description's fixed tables.
constexpr int32_t kPathTableSize = 101;   // KeepFiles, Dirs, RequiredFiles
constexpr int32_t kSmallTableSize = 51;   // Links, EnvNames, EnvCodes, FileExts, ExcludeDirs, ExtraLogEntries
constexpr int32_t kUninstallTextCount = 4;
// The options file fills at most this many ExcludeDirs.
constexpr int32_t kMaxExcludeDirs = 20;

// One shortcut. Target, Args, WorkDir and Folder may hold %InstallDir%; Name is the file
// name of the shortcut without ".lnk" and its display name.
struct TLink {
    std::string Target;
    std::string Args;
    std::string WorkDir;
    std::string Folder;
    std::string Name;
};

// One file association: the extension (without the dot) also names the file type.
struct TFileExt {
    std::string Ext;
    std::string ProgramDir;  // may hold %InstallDir%
    std::string ProgramFile;
    std::string Description;
    int32_t IconIndex = 0;
};

struct TSetupDescription {
    // Paths and identity.
    std::string SetupDir;
    std::string ProgramFilesDir;
    std::string InstallDir;
    std::string SystemDir;
    std::string Version;
    std::string ProgramsFolder;
    std::string DesktopFolder;
    std::string InstallCaption;
    std::string ProgramGroup;  // with a leading backslash, relative to ProgramsFolder
    std::string ProductName;
    std::string PrevVersionDir;
    std::string PrevVersionMessage;
    std::string ProductNoun;
    std::string ProductNounGen;
    std::string RunProgram;
    std::string RunParams;
    std::string RunWorkDir;
    std::string RunMessage;
    std::string BaseMissingMessage;
    std::string ArchiveName;
    std::string UninstallLogName;
    std::string SelfCopyName;

    // Counts, tables and switches.
    int32_t KeepFileCount = 0;
    int32_t DirCount = 0;
    int32_t LinkCount = 0;
    int32_t RequiredFileCount = 0;
    std::array<std::string, kUninstallTextCount> UninstallTexts;
    std::array<std::string, kPathTableSize> KeepFiles;
    std::array<std::string, kPathTableSize> Dirs;
    std::array<std::string, kPathTableSize> RequiredFiles;
    std::array<TLink, kSmallTableSize> Links;
    bool EnvAllowNone = false;
    int32_t EnvCount = 0;
    int32_t EnvExtraHeight = 0;
    std::array<std::string, kSmallTableSize> EnvNames;
    std::array<std::string, kSmallTableSize> EnvCodes;
    std::string EnvCaption;
    std::string EnvPrompt;
    std::array<TFileExt, kSmallTableSize> FileExts;
    int32_t FileExtCount = 0;
    std::string OptInstallDir;
    std::string OptParams;
    bool OptStartMenu = true;
    bool OptDesktop = true;
    bool OptRun = true;
    bool OptFinalMessage = true;
    bool OptAutoRun = false;
    bool OptSelectDialog = true;
    int32_t ExcludeDirCount = 0;
    std::array<std::string, kSmallTableSize> ExcludeDirs;
    // Upper-case names of top-level archive directories that are not installed; built by the
    // Install command, emptied when the main window closes.
    std::vector<std::string> ExcludedDirList;
    int32_t ExtraLogEntryCount = 0;
    std::array<std::string, kSmallTableSize> ExtraLogEntries;
    int32_t VolumeCount = 1;

    // Messages and captions, each the member of its pair for the interface language.
    std::string MsgOldComponents;
    std::string FmtVolumeMissing;
    std::string FmtVersion;
    std::string DateFormat;
    std::string FmtAboutButton;
    std::string FmtInstallCaption;
    std::string FmtAboutCaption;
    std::string LicenseCaption;
    std::string FmtExitConfirm;
    std::string FmtCannotCreateDir;
    std::string FmtReadOnlyDir;
    std::string SfxDataReading;
    std::string FmtDataCopyError;
    std::string FmtUpdateError;
    std::string SfxCopying;
    std::string SfxShortcuts;
    std::string FmtGroupError;
    std::string FmtNotUpdated;
    std::string FmtNotCreated;
    std::string FmtLinksNotCreated;
    std::string FmtSuccess;
    std::string FmtLinksPlaced;
    std::string FmtCompleted;
    std::string FmtProblems;
    std::string CapBrowse;
    std::string CapInstall;
    std::string CapExit;
    std::string CapLicense;
    std::string CapCancel;
    std::string ReadmeFile;
    std::string LicenseFile;
    std::string FmtNoInstallDir;
    std::string FmtUnfinishedUnreadable;
    // The set-up utility was not started: others can change it and it cannot be started
    // without administrator rights (argument: its path).
    std::string FmtRunNotStarted;
};

// The one description of the run.
TSetupDescription& Description();

// Stores the message and caption pairs in the interface language.
void StoreMessages(TSetupDescription& description);

// Fills the product's identity, required files, kept files, directories, extra log entries,
// shortcuts and environments. Needs SystemDir, ProgramsFolder and the messages already set;
// composed texts are built from the fields as they are now.
void FillProduct(TSetupDescription& description);

// Appends a directory to Dirs; false, changing nothing, when the table is full.
bool AppendDir(TSetupDescription& description, const std::string& directory);

// The suffix of payload volume k: empty for volume 1, the decimal k from volume 2 on.
std::string VolumeSuffix(int32_t volume);
// The file name of volume k: ArchiveName followed by its suffix.
std::string VolumeFileName(const TSetupDescription& description, int32_t volume);
// The full path of volume k beside the setup program.
std::string VolumePath(const TSetupDescription& description, int32_t volume);

// ProgramGroup as messages show it: without its leading backslash.
std::string ProgramGroupName(const TSetupDescription& description);

}  // namespace setup
