// The setup description's texts and tables, filled in either language.

#include "setup/setup_description.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "locale/language.h"
#include "platform/code_page.h"
#include "setup/setup_texts.h"

namespace setup {
namespace {

std::string Ansi(std::string_view utf8) { return platform::Utf8ToAnsi(std::string(utf8)); }

TSetupDescription FilledIn(const std::string& language, const std::string& programs_folder = "C:\\Start\\Programs") {
    locale::ResetLanguage();
    locale::SetLanguage(language);
    TSetupDescription description;
    description.SystemDir = "C:\\windows\\system32";
    description.ProgramsFolder = programs_folder;
    StoreMessages(description);
    FillProduct(description);
    locale::ResetLanguage();
    return description;
}

TEST(TextPairs, EveryPairHasBothMembersAndRussianIsValidWindows1251) {
    for (const TextPair* pair : texts::kAllPairs) {
        SCOPED_TRACE(std::string(pair->english));
        EXPECT_FALSE(pair->russian.empty());
        EXPECT_FALSE(pair->english.empty());
        const std::string ansi = Ansi(pair->russian);
        // A character the code page lacks would have become '?'.
        EXPECT_EQ(std::count(ansi.begin(), ansi.end(), '?'), std::count(pair->russian.begin(), pair->russian.end(), '?'));
    }
    for (const std::string_view piece : texts::kRussianPieces) {
        const std::string ansi = Ansi(piece);
        EXPECT_EQ(std::count(ansi.begin(), ansi.end(), '?'), 0) << platform::AnsiToUtf8(ansi);
    }
}

TEST(TextPairs, PickFollowsTheCurrentLanguageAndIsEnglishBeforeAnyIsSet) {
    locale::ResetLanguage();
    EXPECT_EQ(Pick(texts::kCapExit), "Exit");
    locale::SetLanguage("ru");
    EXPECT_EQ(Pick(texts::kCapExit), Ansi("Выход"));
    EXPECT_EQ(Pick(texts::kCapExit), "\xC2\xFB\xF5\xEE\xE4");
    locale::SetLanguage("en");
    EXPECT_EQ(Pick(texts::kCapExit), "Exit");
    locale::ResetLanguage();
}

TEST(SetupDescription, HoldsTheRussianMembersInRussian) {
    const TSetupDescription description = FilledIn("ru");
    EXPECT_EQ(description.FmtVersion, Ansi("Версия %s от %s"));
    EXPECT_EQ(description.CapInstall, Ansi("Установка"));
    EXPECT_EQ(description.ReadmeFile, "readme.txt");
    EXPECT_EQ(description.LicenseFile, "license.txt");
    EXPECT_EQ(description.ProductNoun, Ansi("задачник"));
    EXPECT_EQ(description.ProductNounGen, Ansi("задачника"));
    EXPECT_EQ(description.UninstallTexts[0], Ansi("Удаление DE roz OZE-2"));
    EXPECT_EQ(description.EnvCaption, Ansi("Выбор программных сред"));
    EXPECT_EQ(description.PrevVersionMessage,
              Ansi("Перед установкой данной версии задачника DE roz OZE-2 необходимо удалить ранее установленную версию "
                   "(команда \"Пуск | Программы | Quillmark 4 | Удаление Quillmark 4\")."));
    EXPECT_EQ(description.BaseMissingMessage,
              Ansi("Для успешной установки задачника DE roz OZE-2 необходимо, чтобы в указанном каталоге уже был "
                   "установлен базовый вариант задачника Quillmark версии не ниже 4.22.\r\nВ каталоге "
                   "\"%InstallDir%\" базовый вариант задачника требуемой версии не найден."));
}

TEST(SetupDescription, HoldsTheEnglishMembersInEnglish) {
    const TSetupDescription description = FilledIn("en");
    EXPECT_EQ(description.FmtVersion, "Version %s (Build %s)");
    EXPECT_EQ(description.ReadmeFile, "readme_en.txt");
    EXPECT_EQ(description.ProductNoun, "system");
    EXPECT_EQ(description.ProductNounGen, "system");
    EXPECT_EQ(description.DateFormat, "dd.mm.yyyy");
    EXPECT_EQ(description.BaseMissingMessage,
              "You need previously install the basic variant of Quillmark of version 4.22 or higher in the specified "
              "directory.");
    EXPECT_EQ(description.EnvPrompt, "\r\n          Select environments to use\r\n          DA red UDU:\r\n");
}

TEST(SetupDescription, EveryMessageFieldIsFilledInBothLanguages) {
    const TSetupDescription russian = FilledIn("ru");
    const TSetupDescription english = FilledIn("en");
    const std::string TSetupDescription::*fields[] = {
        &TSetupDescription::MsgOldComponents, &TSetupDescription::FmtVolumeMissing, &TSetupDescription::FmtVersion,
        &TSetupDescription::DateFormat, &TSetupDescription::FmtAboutButton, &TSetupDescription::FmtInstallCaption,
        &TSetupDescription::FmtAboutCaption, &TSetupDescription::LicenseCaption, &TSetupDescription::FmtExitConfirm,
        &TSetupDescription::FmtCannotCreateDir, &TSetupDescription::FmtReadOnlyDir, &TSetupDescription::SfxDataReading,
        &TSetupDescription::FmtDataCopyError, &TSetupDescription::FmtUpdateError, &TSetupDescription::SfxCopying,
        &TSetupDescription::SfxShortcuts, &TSetupDescription::FmtGroupError, &TSetupDescription::FmtNotUpdated,
        &TSetupDescription::FmtNotCreated, &TSetupDescription::FmtLinksNotCreated, &TSetupDescription::FmtSuccess,
        &TSetupDescription::FmtLinksPlaced, &TSetupDescription::FmtCompleted, &TSetupDescription::FmtProblems,
        &TSetupDescription::CapBrowse, &TSetupDescription::CapInstall, &TSetupDescription::CapExit,
        &TSetupDescription::CapLicense, &TSetupDescription::CapCancel, &TSetupDescription::ReadmeFile,
        &TSetupDescription::LicenseFile, &TSetupDescription::FmtNoInstallDir, &TSetupDescription::FmtUnfinishedUnreadable, &TSetupDescription::PrevVersionMessage,
        &TSetupDescription::ProductNoun, &TSetupDescription::ProductNounGen, &TSetupDescription::RunMessage,
        &TSetupDescription::BaseMissingMessage, &TSetupDescription::EnvCaption, &TSetupDescription::EnvPrompt,
        &TSetupDescription::FmtRunNotStarted,
    };
    for (const auto field : fields) {
        EXPECT_FALSE((russian.*field).empty());
        EXPECT_FALSE((english.*field).empty());
    }
}

TEST(SetupDescription, ProductTables) {
    const TSetupDescription description = FilledIn("en");
    EXPECT_EQ(description.RequiredFileCount, 12);
    EXPECT_EQ(description.RequiredFiles[0], "results.dat");
    EXPECT_EQ(description.RequiredFiles[10], "LIB\\xVE4ZMinmax_ru.dll");
    EXPECT_EQ(description.RequiredFiles[11], "VE4Ext22.exe");
    EXPECT_EQ(description.KeepFileCount, 0);
    EXPECT_EQ(description.KeepFiles[2], "VE4VMAKE.INI");
    EXPECT_EQ(description.DirCount, 4);
    EXPECT_EQ(description.Dirs[3], "%InstallDir%\\LIB");
    EXPECT_EQ(description.ExtraLogEntryCount, 0);
    EXPECT_EQ(description.ExtraLogEntries[1], "%InstallDir%\\LIB\\a");
    EXPECT_EQ(description.EnvCount, 0);
    EXPECT_EQ(description.EnvExtraHeight, 185);
    EXPECT_EQ(description.EnvNames[8], "Code::Blocks 13 (C++)");
    EXPECT_EQ(description.EnvCodes[1], "DELPHI10");
    EXPECT_EQ(description.RunProgram, "%InstallDir%\\ri4razoz.exe");
    EXPECT_EQ(description.UninstallLogName, "virovari2_1_0.log");
}

TEST(SetupDescription, ShortcutsUseTheSystemAndProgramsFolders) {
    const TSetupDescription description = FilledIn("en");
    ASSERT_EQ(description.LinkCount, 7);
    const TLink& info = description.Links[0];
    EXPECT_EQ(info.Target, "%InstallDir%\\VIrovARI2\\VIrovARI2.chm");
    EXPECT_EQ(info.Folder, "C:\\Start\\Programs\\DE roz OZE-2");
    EXPECT_EQ(info.Name, "DE roz OZE-2 Info");
    const TLink& uninstall = description.Links[2];
    EXPECT_EQ(uninstall.Target, "C:\\windows\\system32\\zuvudiru.exe");
    EXPECT_EQ(uninstall.Args, "\"%InstallDir%\\UNINST\\virovari2_1_0.log\"");
    EXPECT_EQ(uninstall.WorkDir, "C:\\windows\\system32");
    EXPECT_EQ(uninstall.Folder, "%InstallDir%\\UNINST");
    EXPECT_EQ(uninstall.Name, "DEredIDO2Zovizuzez");
    EXPECT_EQ(description.Links[3].Folder, "C:\\Start\\Programs\\DE roz OZE-2");
    EXPECT_EQ(description.Links[6].Name, "MPICH2 Installer");
}

TEST(SetupDescription, WithoutAProgramsFolderShortcutsGoToTheGroupAlone) {
    const TSetupDescription description = FilledIn("en", "");
    for (const int index : {0, 1, 3, 4, 5, 6}) EXPECT_EQ(description.Links[index].Folder, "\\DE roz OZE-2");
    EXPECT_EQ(ProgramGroupName(description), "DE roz OZE-2");
}

TEST(SetupDescription, VolumeNamesCountFromTheSecondVolume) {
    TSetupDescription description;
    description.SetupDir = "D:";
    description.ArchiveName = "x.dat";
    EXPECT_EQ(VolumeSuffix(1), "");
    EXPECT_EQ(VolumeFileName(description, 1), "x.dat");
    EXPECT_EQ(VolumeFileName(description, 2), "x.dat2");
    EXPECT_EQ(VolumeFileName(description, 3), "x.dat3");
    EXPECT_EQ(VolumePath(description, 1), "D:\\x.dat");
}

TEST(SetupDescription, AppendingDirectoriesStopsAtTheTableEnd) {
    TSetupDescription description = FilledIn("en");
    int appended = 0;
    for (int index = 0; index < 200; ++index) appended += AppendDir(description, "C:\\D" + std::to_string(index)) ? 1 : 0;
    EXPECT_EQ(appended, kPathTableSize - 4);
    EXPECT_EQ(description.DirCount, kPathTableSize);
    EXPECT_EQ(description.Dirs[kPathTableSize - 1], "C:\\D96");
}

}  // namespace
}  // namespace setup
