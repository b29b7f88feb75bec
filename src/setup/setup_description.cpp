#include "setup/setup_description.h"

#include "locale/language.h"
#include "platform/code_page.h"
#include "setup/setup_texts.h"

namespace setup {
namespace {

// Russian pieces are UTF-8 in the source and Windows-1251 in the program.
std::string Cp1251(std::string_view utf8) { return platform::Utf8ToAnsi(std::string(utf8)); }

// Writes a table entry; entries past the table's end are dropped rather than written over
// the memory behind it.
template <typename Table, typename Value>
void PutEntry(Table& table, size_t index, const Value& value) {
    if (index < table.size()) table[index] = value;
}

void FillIdentity(TSetupDescription& description) {
    description.Version = "1.6";
    description.ProductName = "DE roz OZE-2";
    description.ProductNoun = Pick(texts::kProductNoun);
    description.ProductNounGen = Pick(texts::kProductNounGen);
    description.UninstallLogName = "virovari2_1_0.log";
    description.ProgramGroup = "\\DE roz OZE-2";
    description.RunProgram = "%InstallDir%\\ri4razoz.exe";
    description.RunParams.clear();
    description.RunWorkDir = "%InstallDir%";
    description.RunMessage = Pick(texts::kRunMessage);
    description.SelfCopyName.clear();
    description.PrevVersionDir.clear();
    description.PrevVersionMessage = locale::PickText(
        Cp1251(texts::kPrevVersionRussianHead) + description.ProductNounGen + " " + description.ProductName +
            Cp1251(texts::kPrevVersionRussianTail),
        std::string(texts::kPrevVersionEnglish));
    for (int32_t index = 0; index < kUninstallTextCount; ++index) {
        description.UninstallTexts[index] = Pick(texts::kUninstallTexts[index]);
    }
}

void FillRequiredFiles(TSetupDescription& description) {
    // What a base product of version 4.22 or later has in its directory.
    static const char* const kRequiredFiles[] = {
        "results.dat", "RI4Razoz.exe",  "VE4Demo.exe", "VE4Load.exe",  "VE4Res.exe",           "readme_en.txt",
        "LIB\\VE4_.txt", "LIB\\VE4__.txt", "demo.dat",    "VE4Ext20.exe", "LIB\\xVE4ZMinmax_ru.dll", "VE4Ext22.exe",
    };
    description.RequiredFileCount = 0;
    for (const char* file : kRequiredFiles) PutEntry(description.RequiredFiles, description.RequiredFileCount++, file);

    description.BaseMissingMessage = locale::PickText(
        Cp1251(texts::kBaseMissingRussianHead) + description.ProductNounGen + " " + description.ProductName +
            Cp1251(texts::kBaseMissingRussianMiddle) + Cp1251(texts::kBaseMissingRussianTail),
        std::string(texts::kBaseMissingEnglish));
}

void FillKeptFilesAndDirectories(TSetupDescription& description) {
    // The user's results and settings of the base product; listed for products that keep
    // them, but none is in force here.
    description.KeepFileCount = 0;
    PutEntry(description.KeepFiles, 0, std::string("RESULTS.DAT"));
    PutEntry(description.KeepFiles, 1, std::string("QM.INI"));
    PutEntry(description.KeepFiles, 2, std::string("VE4VMAKE.INI"));

    static const char* const kDirs[] = {
        "%InstallDir%\\MPICH1",
        "%InstallDir%\\MPICH2",
        "%InstallDir%\\MPI",
        "%InstallDir%\\LIB",
    };
    description.DirCount = 0;
    for (const char* directory : kDirs) PutEntry(description.Dirs, description.DirCount++, directory);

    description.ExtraLogEntryCount = 0;
    PutEntry(description.ExtraLogEntries, 0, std::string("%InstallDir%\\SAMPLES\\a"));
    PutEntry(description.ExtraLogEntries, 1, std::string("%InstallDir%\\LIB\\a"));
}

void FillLinks(TSetupDescription& description) {
    const std::string group = description.ProgramsFolder + description.ProgramGroup;
    const std::string uninstaller = description.SystemDir + "\\zuvudiru.exe";
    const std::string uninstall_log = "\"%InstallDir%\\UNINST\\" + description.UninstallLogName + "\"";
    const TLink links[] = {
        {"%InstallDir%\\VIrovARI2\\VIrovARI2.chm", "", "%InstallDir%", group, "DE roz OZE-2 Info"},
        {"%InstallDir%\\VIrovARI2\\readme.txt", "", "%InstallDir%", group, "DE roz OZE-2 Readme"},
        {uninstaller, uninstall_log, description.SystemDir, "%InstallDir%\\UNINST", "DEredIDO2Zovizuzez"},
        {uninstaller, uninstall_log, description.SystemDir, group, "DE roz OZE-2 Uninstall"},
        {"%InstallDir%\\VIrovARI2\\VIrovARI2_en.chm", "", "%InstallDir%", group, "DE roz OZE-2 Info (en)"},
        {"%InstallDir%\\VIrovARI2\\readme_en.txt", "", "%InstallDir%", group, "DE roz OZE-2 Readme (en)"},
        {"%InstallDir%\\VIrovARI2\\MPICH2Installer.exe", "", "%InstallDir%", group, "MPICH2 Installer"},
    };
    description.LinkCount = 0;
    for (const TLink& link : links) PutEntry(description.Links, description.LinkCount++, link);
}

void FillEnvironments(TSetupDescription& description) {
    // Environments the payload could carry support for. This product offers none (EnvCount
    // 0), so the table is kept for products that do.
    static const char* const kEnvironments[][2] = {
        {"Borland Delphi 7", "DELPHI7"},
        {"Borland Delphi 2006", "DELPHI10"},
        {"Free Pascal Lazarus 1", "LAZARUS1"},
        {"Microsoft Visual Studio 2008 (C++)", "VCNET3"},
        {"Microsoft Visual Studio 2010 (C++)", "VCNET4"},
        {"Microsoft Visual Studio 2012 (C++)", "VCNET5"},
        {"Microsoft Visual Studio 2013 (C++)", "VCNET6"},
        {"Microsoft Visual Studio 2015 (C++)", "VCNET7"},
        {"Code::Blocks 13 (C++)", "CBLOCKS13"},
    };
    description.EnvCount = 0;
    description.EnvExtraHeight = 185;
    description.EnvAllowNone = false;
    size_t index = 0;
    for (const auto& environment : kEnvironments) {
        PutEntry(description.EnvNames, index, std::string(environment[0]));
        PutEntry(description.EnvCodes, index, std::string(environment[1]));
        ++index;
    }
    description.EnvCaption = Pick(texts::kEnvCaption);
    description.EnvPrompt = Pick(texts::kEnvPrompt);
    description.FileExtCount = 0;
}

}  // namespace

std::string Pick(const TextPair& pair) { return locale::PickText(Cp1251(pair.russian), std::string(pair.english)); }

TSetupDescription& Description() {
    static TSetupDescription description;
    return description;
}

void StoreMessages(TSetupDescription& description) {
    description.MsgOldComponents = Pick(texts::kMsgOldComponents);
    description.FmtVolumeMissing = Pick(texts::kFmtVolumeMissing);
    description.FmtVersion = Pick(texts::kFmtVersion);
    description.DateFormat = Pick(texts::kDateFormat);
    description.FmtAboutButton = Pick(texts::kFmtAboutButton);
    description.FmtInstallCaption = Pick(texts::kFmtInstallCaption);
    description.FmtAboutCaption = Pick(texts::kFmtAboutCaption);
    description.LicenseCaption = Pick(texts::kLicenseCaption);
    description.FmtExitConfirm = Pick(texts::kFmtExitConfirm);
    description.FmtCannotCreateDir = Pick(texts::kFmtCannotCreateDir);
    description.FmtReadOnlyDir = Pick(texts::kFmtReadOnlyDir);
    description.SfxDataReading = Pick(texts::kSfxDataReading);
    description.FmtDataCopyError = Pick(texts::kFmtDataCopyError);
    description.FmtUpdateError = Pick(texts::kFmtUpdateError);
    description.SfxCopying = Pick(texts::kSfxCopying);
    description.SfxShortcuts = Pick(texts::kSfxShortcuts);
    description.FmtGroupError = Pick(texts::kFmtGroupError);
    description.FmtNotUpdated = Pick(texts::kFmtNotUpdated);
    description.FmtNotCreated = Pick(texts::kFmtNotCreated);
    description.FmtLinksNotCreated = Pick(texts::kFmtLinksNotCreated);
    description.FmtSuccess = Pick(texts::kFmtSuccess);
    description.FmtLinksPlaced = Pick(texts::kFmtLinksPlaced);
    description.FmtCompleted = Pick(texts::kFmtCompleted);
    description.FmtProblems = Pick(texts::kFmtProblems);
    description.CapBrowse = Pick(texts::kCapBrowse);
    description.CapInstall = Pick(texts::kCapInstall);
    description.CapExit = Pick(texts::kCapExit);
    description.CapLicense = Pick(texts::kCapLicense);
    description.CapCancel = Pick(texts::kCapCancel);
    description.ReadmeFile = Pick(texts::kReadmeFile);
    description.LicenseFile = Pick(texts::kLicenseFile);
    description.FmtNoInstallDir = Pick(texts::kFmtNoInstallDir);
    description.FmtUnfinishedUnreadable = Pick(texts::kFmtUnfinishedUnreadable);
    description.FmtRunNotStarted = Pick(texts::kFmtRunNotStarted);
}

void FillProduct(TSetupDescription& description) {
    FillIdentity(description);
    FillRequiredFiles(description);
    FillKeptFilesAndDirectories(description);
    FillLinks(description);
    FillEnvironments(description);
}

bool AppendDir(TSetupDescription& description, const std::string& directory) {
    if (description.DirCount < 0 || description.DirCount >= kPathTableSize) return false;
    description.Dirs[description.DirCount++] = directory;
    return true;
}

std::string VolumeSuffix(int32_t volume) { return volume <= 1 ? std::string() : std::to_string(volume); }

std::string VolumeFileName(const TSetupDescription& description, int32_t volume) {
    return description.ArchiveName + VolumeSuffix(volume);
}

std::string VolumePath(const TSetupDescription& description, int32_t volume) {
    return description.SetupDir + "\\" + VolumeFileName(description, volume);
}

std::string ProgramGroupName(const TSetupDescription& description) {
    return description.ProgramGroup.substr(description.ProgramGroup.empty() ? 0 : 1, 100);
}

}  // namespace setup
