#pragma once
// Every text of the setup that a user reads, as Russian/English pairs. The Russian members
// are written here in UTF-8 and become Windows-1251 bytes when they are picked. Texts that
// are composed from other fields at start-up keep their fixed pieces here too.

#include <string>
#include <string_view>

namespace setup {

struct TextPair {
    std::string_view russian;  // UTF-8 in the source
    std::string_view english;
};

// The member of the pair for the current interface language, as ANSI text.
std::string Pick(const TextPair& pair);

namespace texts {

inline constexpr TextPair kMsgOldComponents{
    "На вашем компьютере обнаружены старые версии некоторых компонентов задачника Quillmark. Их замена на "
    "новые не должна вызвать проблем. Однако, если вы пользуетесь системой Corvina с номером версии 2.4 или "
    "ниже, то замена компонентов может привести к некорректной работе задачника, интегрированного в систему "
    "Corvina. Для того чтобы избежать проблем, мы настоятельно рекомендуем использовать версию системы "
    "Corvina, выпущенную не ранее 2006 года, с номером 2.5 или выше (номер версии системы Corvina и время ее "
    "выпуска отображаются в информационном окне, которое можно вызвать командой меню \"Помощь | О "
    "программе\").\r\nПродолжить установку задачника, выполнив замену его старых компонентов на новые?",
    "The old versions of some Quillmark components were found on your computer. It will be modified, but "
    "using Corvina version 2.4 or lower will lead to unproper work of Quillmark in the Corvina environment "
    "(in the other environments Quillmark will work correctly). To avoid this problem you should use Corvina "
    "version 2.5 or higher. Do you want to continue installation of Quillmark with replacement of the old "
    "components by the new ones?"};
// Arguments: volume file name, ProductNounGen, ProductName.
inline constexpr TextPair kFmtVolumeMissing{"Не найден файл %s.\r\nВыполнить установку %s %s невозможно.",
                                            "The %s file is not found. Installation will be terminated."};
// Arguments: Version, the archive's date.
inline constexpr TextPair kFmtVersion{"Версия %s от %s", "Version %s (Build %s)"};
inline constexpr TextPair kDateFormat{"dd.mm.yyyy", "dd.mm.yyyy"};
// Argument: ProductNounGen.
inline constexpr TextPair kFmtAboutButton{"Описание %s", "About DE roz OZE-2"};
// Argument: ProductName.
inline constexpr TextPair kFmtInstallCaption{"Установка %s", "DE roz OZE-2 Install"};
// Argument: ProductNounGen.
inline constexpr TextPair kFmtAboutCaption{"Описание %s [файл readme.txt]", "About DE roz OZE-2 [readme_en.txt]"};
inline constexpr TextPair kLicenseCaption{"Лицензионное соглашение [файл license.txt]",
                                          "License agreement [license_en.txt]"};
// Argument: ProductNounGen.
inline constexpr TextPair kFmtExitConfirm{
    "Вы хотите выйти из программы,\r\nне выполнив установку %s?",
    "If you exit now, DE roz OZE-2 will not be installed. Are you sure you want to exit and cancel installation?"};
// Arguments: InstallDir, ProductNounGen.
inline constexpr TextPair kFmtCannotCreateDir{
    "Невозможно создать каталог \"%s\".\r\nВыберите другой каталог для установки %s.",
    "Could not create the \"%s\" directory. Choose other directory."};
// Arguments: InstallDir, ProductNounGen.
inline constexpr TextPair kFmtReadOnlyDir{"Каталог \"%s\" закрыт на запись.\r\nВыберите другой каталог для установки %s.",
                                          "The \"%s\" directory is read-only. Choose other directory."};
// A destination the program cannot use as it is given (relative, a network or device path, a
// drive's root, or one the system cannot read as a path). Arguments: the destination as typed,
// ProductNounGen.
inline constexpr TextPair kFmtUnusableDir{
    "Каталог \"%s\" не подходит для установки: укажите полный путь к каталогу на локальном диске.\r\n"
    "Выберите другой каталог для установки %s.",
    "The \"%s\" directory cannot be used: give the full path of a directory on a local drive. Choose other "
    "directory."};
inline constexpr TextPair kSfxDataReading{": чтение данных...", ": data reading..."};
// Argument: the volume's file name.
inline constexpr TextPair kFmtDataCopyError{
    "Ошибка при копировании данных. В Windows Vista и Windows 8 данная ошибка, вероятнее всего, связана с тем, "
    "что программа установки была запущена не от имени администратора. Возможно также, что испорчен файл "
    "%s.\r\nПродолжение установки невозможно.",
    "Data-copy error. It seems likely that the install application is not in the administrator mode or the %s "
    "file is corrupted. Installation will be terminated."};
// Arguments: the target file's path, ProductName.
inline constexpr TextPair kFmtUpdateError{
    "Ошибка при обновлении файла \"%s\". Возможно, прежняя версия файла используется в одном из работающих "
    "приложений. Закройте все приложения, кроме программы установки %s, и повторите попытку обновления, нажав "
    "кнопку \"Повтор\".\r\nПри повторном возникновении ошибки нажмите кнопку \"Далее\".",
    "Could not update the \"%s\" file. It seems likely that the file is used by one of the executing "
    "applications. Close all applications, except the install program, and press the \"Repeat\" button. If "
    "file updating fails again, press the \"Next\" button."};
inline constexpr TextPair kSfxCopying{": копирование файлов...", ": copying files..."};
inline constexpr TextPair kSfxShortcuts{": создание ярлыков...", ": creating shortcuts..."};
// Argument: ProgramGroup without its leading backslash.
inline constexpr TextPair kFmtGroupError{"Не удалось создать программную группу \"%s\".",
                                         "Could not create the \"%s\" program group."};
// Argument: the list of items.
inline constexpr TextPair kFmtNotUpdated{"Не удалось обновить следующие файлы: \r\n%s.",
                                         "Could not update the following files: \r\n%s."};
inline constexpr TextPair kFmtNotCreated{"Не удалось создать следующие файлы: \r\n%s.",
                                         "Could not create the following files: \r\n%s."};
inline constexpr TextPair kFmtLinksNotCreated{"Не удалось создать следующие ярлыки: \r\n%s.",
                                              "Could not create the following shortcuts: \r\n%s."};
// Arguments: ProductNounGen, ProductName.
inline constexpr TextPair kFmtSuccess{"Установка %s %s успешно завершена.", "The %1:s %0:s is installed successfully."};
// Arguments: ProductNounGen, ProductName, ProgramGroup without its leading backslash.
inline constexpr TextPair kFmtLinksPlaced{
    "Ярлыки %s %s помещены в группу \"%s\" раздела \"Программы\" меню \"Пуск\".",
    "Shortcuts of the %1:s %0:s are placed in the \"%2:s\" program group of the Start Menu."};
// Arguments: ProductNounGen, ProductName.
inline constexpr TextPair kFmtCompleted{"Установка %s %s завершена.", "The %1:s %0:s is installed."};
// Arguments: ProductNoun, ProductName, ProductNounGen, ProductName.
inline constexpr TextPair kFmtProblems{
    "Из-за указанных проблем %s %s может работать не вполне корректно.\r\nРекомендуется перезагрузить компьютер "
    "и повторно выполнить установку %s %s.",
    "These problems may lead to an unproper work of %1:s.\r\nWe recommend to you to reload your computer and repeat "
    "the installation of the %3:s %2:s."};
inline constexpr TextPair kCapBrowse{"Обзор...", "Browse..."};
inline constexpr TextPair kCapInstall{"Установка", "Install"};
inline constexpr TextPair kCapExit{"Выход", "Exit"};
inline constexpr TextPair kCapLicense{"Лицензионное соглашение", "License agreement"};
inline constexpr TextPair kCapCancel{"Отмена", "Cancel"};
inline constexpr TextPair kReadmeFile{"readme.txt", "readme_en.txt"};
inline constexpr TextPair kLicenseFile{"license.txt", "license_en.txt"};
// Argument: ProductNounGen. Shown when Install is pressed with an empty destination field.
inline constexpr TextPair kFmtNoInstallDir{"Не указан каталог для установки %s.\r\nВыберите каталог для установки.",
                                           "The destination directory is not specified. Choose a directory."};
// Arguments: the destination, the journal file (full path). Shown when an earlier installation
// did not finish and cannot be undone: its record of changes cannot be read, or a change
// cannot be taken back (a file in use).
inline constexpr TextPair kFmtUnfinishedUnreadable{
    "Прежняя установка в каталог \"%s\" не была завершена, и её изменения не удаётся отменить (журнал изменений "
    "\"%s\" сохранён). Каталог оставлен как есть.\r\nПроверьте каталог, затем удалите этот журнал и запустите "
    "установку снова.",
    "An earlier installation into the \"%s\" directory did not finish, and its changes cannot be undone (the record "
    "of changes \"%s\" is kept). The directory is left as it is.\r\nCheck the directory, then delete that record "
    "and start the installation again."};
// Argument: the journal file (full path). Shown when a record of changes names a change that
// this program never makes: nothing in it is acted on.
inline constexpr TextPair kFmtJournalRefused{
    "Журнал изменений \"%s\" содержит изменения, которые эта программа установки никогда не делает, поэтому "
    "по нему ничего не выполнялось.\r\nПроверьте компьютер, затем удалите этот журнал и запустите установку снова.",
    "The record of changes \"%s\" names changes that this setup program never makes, so nothing in it was acted "
    "on.\r\nCheck the computer, then delete that record and start the installation again."};
// Argument: a list of quoted paths. Shown when an earlier installation was undone but files at
// its places were no longer the ones it made (and copies of the files they replaced were kept).
inline constexpr TextPair kFmtRecoveryLeftFiles{
    "Прежняя установка, которая не была завершена, отменена. Следующие файлы оставлены как есть, так как это уже "
    "не те файлы, которые она создала, или копии файлов, место которых ими занято:\r\n%s.",
    "An earlier installation that did not finish has been undone. These files were left as they are, since they "
    "are no longer the ones it made, or are copies of files whose places they took:\r\n%s."};
// Shown when another copy of the program is installing, or holds a record of changes.
inline constexpr TextPair kMsgAnotherInstallRunning{
    "Уже выполняется другая установка DE roz OZE-2. Дождитесь её окончания и запустите программу установки снова.",
    "Another installation of DE roz OZE-2 is running. Wait until it ends, then start the setup program again."};

// Argument: the set-up utility's path.
inline constexpr TextPair kFmtRunNotStarted{
    "\r\nПрограмма \"%s\" не запущена: другие пользователи могут изменить её или её каталог, а запустить её "
    "без прав администратора на этом компьютере не удалось. Запустите её сами, убедившись, что файл не изменён.",
    "\r\nThe \"%s\" program was not started: other users can change it or its directory, and it could not be "
    "started without administrator rights on this computer. Start it yourself after making sure the file was not "
    "changed."};

inline constexpr TextPair kProductNoun{"задачник", "system"};
inline constexpr TextPair kProductNounGen{"задачника", "system"};
inline constexpr TextPair kEnvCaption{"Выбор программных сред", "Environments"};
inline constexpr TextPair kEnvPrompt{
    "\r\n          Выберите программные среды,\r\n          в которых будет использоваться задачник:\r\n",
    "\r\n          Select environments to use\r\n          DA red UDU:\r\n"};
inline constexpr TextPair kRunMessage{
    "\r\nДля завершения установки будет запущена программа RI4Razoz.\r\nПосле запуска этой программы перейдите в "
    "раздел со списком установленных сред и убедитесь, что среды MPICH 1.2.5 и/или MPICH2 1.3 и/или MS-MPI "
    "10.1.2 найдены и настроены для использования.",
    "\r\nNow the RI4Razoz program will be launched. After the RI4Razoz launching, view the list of environments "
    "and make sure that the MPICH 1.2.5 and/or MPICH2 1.3 and/or MS-MPI 10.1.2 environments are found and "
    "congifured for use."};
inline constexpr TextPair kUninstallTexts[4] = {
    {"Удаление DE roz OZE-2", "Uninstall DE roz OZE-2"},
    {"Удалить задачник DE roz OZE-2 и связанные с ним компоненты?", "Do you want to uninstall DE roz OZE-2?"},
    {"Задачник DE roz OZE-2 полностью удален.", "DE roz OZE-2 is completely uninstalled."},
    {"Задачник DE roz OZE-2 удален, за исключением следующих файлов:",
     "DE roz OZE-2 is uninstalled but the following files are not deleted:"},
};

// The Russian warning about an earlier version is composed around ProductNounGen and
// ProductName; the English one is fixed.
inline constexpr std::string_view kPrevVersionRussianHead = "Перед установкой данной версии ";
inline constexpr std::string_view kPrevVersionRussianTail =
    " необходимо удалить ранее установленную версию (команда \"Пуск | Программы | Quillmark 4 | Удаление "
    "Quillmark 4\").";
inline constexpr std::string_view kPrevVersionEnglish =
    "Before installing Quillmark 4 you have to uninstall its previous version (\"Start | Programs | Uninstall "
    "Quillmark 4\").";

// The Russian base-product message is composed around ProductNounGen and ProductName, and
// names the destination through the %InstallDir% macro; the English one is fixed.
inline constexpr std::string_view kBaseMissingRussianHead = "Для успешной установки ";
inline constexpr std::string_view kBaseMissingRussianMiddle =
    " необходимо, чтобы в указанном каталоге уже был установлен базовый вариант задачника Quillmark версии не "
    "ниже 4.22.\r\n";
inline constexpr std::string_view kBaseMissingRussianTail =
    "В каталоге \"%InstallDir%\" базовый вариант задачника требуемой версии не найден.";
inline constexpr std::string_view kBaseMissingEnglish =
    "You need previously install the basic variant of Quillmark of version 4.22 or higher in the specified "
    "directory.";

// The main window's own texts.
inline constexpr TextPair kWindowCaption{"VI4zodAVI2 Install - Программа установки", "VI4zodAVI2 Install"};
inline constexpr std::string_view kApplicationTitle = "VIrovARI2 Install";
inline constexpr std::string_view kTitle = "Quillmark for MPI-2";
inline constexpr TextPair kSubtitle{"Электронный задачник по параллельному программированию на базе MPI-2",
                                    "Electronic book of training tasks on MPI-2 programming"};
inline constexpr TextPair kCopyright{"Все права защищены", "All rights reserved"};
inline constexpr TextPair kDestinationPrompt{"Задачник будет установлен в следующем каталоге:",
                                             "Select the directory where you would like DE roz OZE-2 to be installed:"};
// A /LOG= file that cannot be written at start-up.
inline constexpr TextPair kFmtLogUnwritable{
    "Не удаётся записать протокол работы программы в файл \"%s\". Установка не начата.",
    "Cannot write the record of the run to the file \"%s\". Nothing was installed."};
// The list of command-line switches that /? shows.
inline constexpr TextPair kSwitchesHelp{
    "Параметры командной строки:\r\n"
    "/S (/SILENT, /VERYSILENT, /Q, /QUIET, /QN, также через \"-\") - установка без показа окон;\r\n"
    "/D=каталог - каталог установки (кавычки не обязательны, за ним могут идти другие параметры);\r\n"
    "/LOG=файл - дописать в файл протокол работы программы;\r\n"
    "/CURRENTUSER - ярлыки только для текущего пользователя, даже с правами администратора;\r\n"
    "/ACCEPTOLD - согласиться на замену устаревших компонентов без вопроса;\r\n"
    "/SUPPRESSMSGBOXES, /NORESTART - принимаются и ничего не меняют;\r\n"
    "-lru, -len - язык интерфейса;\r\n"
    "/? - этот список.",
    "Command-line switches:\r\n"
    "/S (/SILENT, /VERYSILENT, /Q, /QUIET, /QN, also with \"-\") - install without showing any window;\r\n"
    "/D=directory - the destination directory (quotes optional, other switches may follow);\r\n"
    "/LOG=file - append a record of the run to the file;\r\n"
    "/CURRENTUSER - shortcuts for the current user only, even when run as an administrator;\r\n"
    "/ACCEPTOLD - accept replacing outdated components without asking;\r\n"
    "/SUPPRESSMSGBOXES, /NORESTART - accepted, they change nothing;\r\n"
    "-lru, -len - the interface language;\r\n"
    "/? - this list."};

// Every pair above, for checks that each has both members in a valid encoding.
inline constexpr const TextPair* kAllPairs[] = {
    &kMsgOldComponents, &kFmtVolumeMissing, &kFmtVersion, &kDateFormat, &kFmtAboutButton,
    &kFmtInstallCaption, &kFmtAboutCaption, &kLicenseCaption, &kFmtExitConfirm, &kFmtCannotCreateDir,
    &kFmtReadOnlyDir, &kSfxDataReading, &kFmtDataCopyError, &kFmtUpdateError, &kSfxCopying,
    &kSfxShortcuts, &kFmtGroupError, &kFmtNotUpdated, &kFmtNotCreated, &kFmtLinksNotCreated,
    &kFmtSuccess, &kFmtLinksPlaced, &kFmtCompleted, &kFmtProblems, &kCapBrowse,
    &kCapInstall, &kCapExit, &kCapLicense, &kCapCancel, &kReadmeFile,
    &kLicenseFile, &kFmtNoInstallDir, &kFmtUnfinishedUnreadable, &kProductNoun, &kProductNounGen, &kEnvCaption,
    &kEnvPrompt, &kRunMessage, &kUninstallTexts[0], &kUninstallTexts[1], &kUninstallTexts[2],
    &kUninstallTexts[3], &kWindowCaption, &kSubtitle, &kCopyright, &kDestinationPrompt,
    &kSwitchesHelp, &kFmtLogUnwritable, &kFmtRunNotStarted, &kFmtJournalRefused, &kMsgAnotherInstallRunning,
    &kFmtRecoveryLeftFiles, &kFmtUnusableDir,
};

// The Russian-only pieces of composed texts, for the same check.
inline constexpr std::string_view kRussianPieces[] = {
    kPrevVersionRussianHead, kPrevVersionRussianTail, kBaseMissingRussianHead, kBaseMissingRussianMiddle,
    kBaseMissingRussianTail,
};

}  // namespace texts
}  // namespace setup
