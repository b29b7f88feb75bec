// The Install command on a machine with a base product in C:\Program Files (x86)\VE4: a
// refused destination, and a whole installation checked through what it leaves behind.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/files.h"
#include "driver/input.h"
#include "driver/text.h"

namespace {

using namespace e2e;

const char kDestination[] = "C:\\Program Files (x86)\\VE4";
// Extraction, placement and shortcuts of the small payload take seconds; the allowance is
// for a slow machine.
constexpr Milliseconds kInstallTimeout{180000};

// The base product's utility is started without waiting for it; the stand-in records its
// command line and working directory. Nothing when it was not started.
std::optional<std::string> WaitForUtilityRecord() {
    std::optional<std::string> record;
    WaitUntil([&] { return (record = ReadWholeFile(std::string(kDestination) + "\\ri4razoz-run.txt")).has_value(); },
              kStepTimeout);
    return record;
}

TEST(Install, RefusesADestinationWithoutTheBaseProduct) {
    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();
    const auto fields = main.ChildrenOfClass("Edit");
    ASSERT_EQ(fields.size(), 1u) << main.Describe();
    SetText(fields[0], "C:\\NoBaseProduct\\");
    ASSERT_TRUE(PressButton(main, "Install"));

    const Window error = session.WaitForDialog("Error");
    ASSERT_TRUE(error) << session.OpenWindows();
    EXPECT_EQ(DialogMessage(error),
              "You need previously install the basic variant of Quillmark of version 4.22 or higher in the "
              "specified directory.");
    ASSERT_TRUE(PressButton(error, "OK"));
    EXPECT_TRUE(WaitUntilGone(error, kStepTimeout));
    // Back to the main window, which stays usable; nothing was created.
    Pause(Milliseconds(500));
    EXPECT_TRUE(session.Program().Running());
    EXPECT_TRUE(main.Visible());
    EXPECT_FALSE(DirectoryExists("C:\\NoBaseProduct"));
}

TEST(Install, PlacesTheProductMakesShortcutsAndStartsTheUtility) {
    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();
    ASSERT_TRUE(PressButton(main, "Install"));

    // The final message ends the run; without it the program must still end, and what it
    // left is checked either way.
    const Window final_message = session.WaitForDialog({"Information", "Warning", "Error"}, kInstallTimeout);
    EXPECT_TRUE(final_message) << session.OpenWindows();
    if (final_message) {
        EXPECT_EQ(final_message.Text(), "Information") << DialogMessage(final_message);
        session.Shot("final-message", final_message);
        EXPECT_EQ(DialogMessage(final_message),
                  "The DE roz OZE-2 system is installed successfully.\r\n"
                  "Shortcuts of the DE roz OZE-2 system are placed in the \"DE roz OZE-2\" program group of the "
                  "Start Menu.\r\n"
                  "Now the RI4Razoz program will be launched. After the RI4Razoz launching, view the list of "
                  "environments and make sure that the MPICH 1.2.5 and/or MPICH2 1.3 and/or MS-MPI 10.1.2 "
                  "environments are found and congifured for use.");
        EXPECT_TRUE(PressButton(final_message, "OK"));
    }
    const auto exit_code = session.WaitForExit(kStepTimeout);
    ASSERT_TRUE(exit_code.has_value()) << session.OpenWindows();
    EXPECT_EQ(*exit_code, 0u);  // installed, no problems

    const std::string destination = kDestination;
    {
        SCOPED_TRACE("placed files");
        // The payload carries copies of the texts beside the program: byte for byte the same.
        for (const char* text : {"readme.txt", "readme_en.txt"}) {
            const auto installed = ReadWholeFile(destination + "\\VIrovARI2\\" + text);
            ASSERT_TRUE(installed.has_value()) << text;
            EXPECT_EQ(*installed, ReadWholeFile(std::string("C:\\setup\\") + text).value_or("")) << text;
        }
        for (const char* file : {"VIrovARI2\\VIrovARI2.chm", "VIrovARI2\\MPICH2Installer.exe",
                                 "MPICH2\\Samples\\task6.c", "MPI\\mpitasks.h", "UNINST\\virovari2_1_0.log",
                                 "UNINST\\DEredIDO2Zovizuzez.lnk"}) {
            EXPECT_TRUE(FileExists(destination + "\\" + file)) << file;
        }
        EXPECT_EQ(ReadWholeFile(destination + "\\LIB\\VE4MPI2.dat").value_or("").size(), 21492u);
        EXPECT_TRUE(FileExists(SystemDirectory() + "\\ve4mpi2.dll"));
        EXPECT_FALSE(FileExists(destination + "\\SYSTEM\\ve4mpi2.dll"));
        EXPECT_TRUE(DirectoryExists(destination + "\\MPICH1"));
        EXPECT_FALSE(DirectoryExists(destination + "\\TEMP"));
    }
    {
        SCOPED_TRACE("Start menu group");
        const std::string group = ProgramsFolder() + "\\DE roz OZE-2\\";
        for (const char* name : {"DE roz OZE-2 Info", "DE roz OZE-2 Readme", "DE roz OZE-2 Uninstall",
                                 "DE roz OZE-2 Info (en)", "DE roz OZE-2 Readme (en)", "MPICH2 Installer"}) {
            EXPECT_TRUE(FileExists(group + name + ".lnk")) << name;
        }
    }
    const auto record = WaitForUtilityRecord();
    ASSERT_TRUE(record.has_value()) << "ri4razoz.exe was not started";
    EXPECT_TRUE(record->find(" -len\r\n") != std::string::npos) << *record;
    EXPECT_TRUE(record->find("working directory: C:\\Program Files (x86)\\VE4\r\n") != std::string::npos)
        << *record;
}

// On a Russian system with Russian chosen: the final message in Russian, and the utility told
// the language through "-lru".
TEST(RussianInstall, ReportsInRussianAndPassesTheLanguageOn) {
    Session session;
    const Window language = session.WaitForWindow("Language");
    ASSERT_TRUE(language) << session.OpenWindows();
    const Window russian = language.FindChild("Button", Cp1251("Русский"));
    ASSERT_TRUE(russian && russian.Checked()) << language.Describe();
    ASSERT_TRUE(PressButton(language, "OK"));
    const Window main = session.WaitForDialog(Cp1251("VI4zodAVI2 Install - Программа установки"), kStartTimeout);
    ASSERT_TRUE(main) << session.OpenWindows();
    ASSERT_TRUE(PressButton(main, Cp1251("Установка"))) << main.Describe();

    const Window final_message = session.WaitForDialog(
        {Cp1251("Информация"), Cp1251("Предупреждение"), Cp1251("Ошибка")}, kInstallTimeout);
    ASSERT_TRUE(final_message) << session.OpenWindows();
    EXPECT_EQ(final_message.Text(), Cp1251("Информация"));
    EXPECT_EQ(DialogMessage(final_message),
              Cp1251("Установка задачника DE roz OZE-2 успешно завершена.\r\n"
                     "Ярлыки задачника DE roz OZE-2 помещены в группу \"DE roz OZE-2\" раздела \"Программы\" "
                     "меню \"Пуск\".\r\n"
                     "Для завершения установки будет запущена программа RI4Razoz.\r\n"
                     "После запуска этой программы перейдите в раздел со списком установленных сред и убедитесь, "
                     "что среды MPICH 1.2.5 и/или MPICH2 1.3 и/или MS-MPI 10.1.2 найдены и настроены для "
                     "использования."));
    ASSERT_TRUE(PressButton(final_message, "OK"));
    ASSERT_TRUE(session.WaitForExit().has_value()) << session.OpenWindows();

    const auto record = WaitForUtilityRecord();
    ASSERT_TRUE(record.has_value()) << "ri4razoz.exe was not started";
    EXPECT_TRUE(record->find(" -lru\r\n") != std::string::npos) << *record;
}

// A payload made by 7-Zip, which marks its Cyrillic names as UTF-8: on a Russian system the
// files go under their own names, and the uninstall log lists them in Windows-1251. Once they
// came out garbled while the run said it had succeeded.
TEST(RussianSevenZipInstall, PlacesCyrillicNamesAndListsThemInTheUninstallLog) {
    Session session;
    const Window language = session.WaitForWindow("Language");
    ASSERT_TRUE(language) << session.OpenWindows();
    ASSERT_TRUE(PressButton(language, "OK"));
    const Window main = session.WaitForDialog(Cp1251("VI4zodAVI2 Install - Программа установки"), kStartTimeout);
    ASSERT_TRUE(main) << session.OpenWindows();
    ASSERT_TRUE(PressButton(main, Cp1251("Установка"))) << main.Describe();
    const Window final_message = session.WaitForDialog(
        {Cp1251("Информация"), Cp1251("Предупреждение"), Cp1251("Ошибка")}, kInstallTimeout);
    ASSERT_TRUE(final_message) << session.OpenWindows();
    EXPECT_EQ(final_message.Text(), Cp1251("Информация")) << DialogMessage(final_message);
    ASSERT_TRUE(PressButton(final_message, "OK"));
    const auto exit_code = session.WaitForExit(kStepTimeout);
    ASSERT_TRUE(exit_code.has_value()) << session.OpenWindows();
    EXPECT_EQ(*exit_code, 0u);

    const std::string documents = std::string(kDestination) + "\\VIrovARI2\\" + Cp1251("Документы");
    const std::string manual = documents + "\\" + Cp1251("Руководство пользователя.txt");
    const std::string example = documents + "\\" + Cp1251("Пример ") + "\xB9" "1.txt";  // № is 0xB9
    EXPECT_EQ(ReadWholeFile(manual).value_or("<missing>"), "manual\r\n");
    EXPECT_EQ(ReadWholeFile(example).value_or("<missing>"), "example\r\n");
    const auto log = ReadWholeFile(std::string(kDestination) + "\\UNINST\\virovari2_1_0.log");
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(log->find(manual), std::string::npos) << *log;
    EXPECT_NE(log->find(example), std::string::npos) << *log;
}

}  // namespace
