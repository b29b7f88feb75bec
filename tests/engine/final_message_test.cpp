// The final message for each combination of failures and options, in both languages, and
// the macro of the setup program's directory.

#include "engine/text_utils.h"

#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "platform/code_page.h"

namespace engine_test {
namespace {

#ifndef _WIN32  // scenarios on the posix backend's machine root

std::string Ansi(const char* utf8) { return platform::Utf8ToAnsi(utf8); }

class FinalMessageTest : public EngineTest {
protected:
    std::string Compose(bool& problems) {
        settings_.run_program = "C:\\VE4\\ri4razoz.exe";  // as the run has expanded it
        engine::Installation installation(settings_, view_);
        installation.UpdateFailures = update_failures;
        installation.CreateFailures = create_failures;
        installation.LinkFailures = link_failures;
        installation.GroupFailure = group_failure;
        return installation.ComposeFinalMessage(problems);
    }
    void UseRussian() {
        engine::InstallTexts& texts = settings_.texts;
        texts.fmt_success = Ansi("Установка %s %s успешно завершена.");
        texts.fmt_links_placed = Ansi("Ярлыки %s %s помещены в группу \"%s\" раздела \"Программы\" меню \"Пуск\".");
        texts.fmt_completed = Ansi("Установка %s %s завершена.");
        texts.fmt_problems = Ansi(
            "Из-за указанных проблем %s %s может работать не вполне корректно.\r\nРекомендуется перезагрузить "
            "компьютер и повторно выполнить установку %s %s.");
        texts.fmt_not_updated = Ansi("Не удалось обновить следующие файлы: \r\n%s.");
        texts.product_noun = Ansi("задачник");
        texts.product_noun_gen = Ansi("задачника");
    }
    std::string update_failures;
    std::string create_failures;
    std::string link_failures;
    std::string group_failure;
};

TEST_F(FinalMessageTest, RussianTextsTakeTheirArgumentsInOrder) {
    UseRussian();
    bool problems = true;
    EXPECT_EQ(Compose(problems), Ansi("Установка задачника DE roz OZE-2 успешно завершена.\r\n"
                                      "Ярлыки задачника DE roz OZE-2 помещены в группу \"DE roz OZE-2\" раздела "
                                      "\"Программы\" меню \"Пуск\".\r\n[run message]"));
    EXPECT_FALSE(problems);

    update_failures = "\"C:\\a\", \"C:\\b\", ";
    EXPECT_EQ(Compose(problems), Ansi("Установка задачника DE roz OZE-2 завершена.\r\n"
                                      "Ярлыки задачника DE roz OZE-2 помещены в группу \"DE roz OZE-2\" раздела "
                                      "\"Программы\" меню \"Пуск\".\r\n"
                                      "Не удалось обновить следующие файлы: \r\n\"C:\\a\", \"C:\\b\".\r\n"
                                      "Из-за указанных проблем задачник DE roz OZE-2 может работать не вполне "
                                      "корректно.\r\nРекомендуется перезагрузить компьютер и повторно выполнить "
                                      "установку задачника DE roz OZE-2."));
    EXPECT_TRUE(problems);
}

TEST_F(FinalMessageTest, ListsFollowInTheirOrderAndTheGroupFailureHidesShortcuts) {
    bool problems = false;
    update_failures = "\"u\", ";
    create_failures = "\"c\", ";
    link_failures = "\"l\", ";
    const std::string tail =
        "These problems may lead to an unproper work of DE roz OZE-2.\r\nWe recommend to you to reload your "
        "computer and repeat the installation of the DE roz OZE-2 system.";
    EXPECT_EQ(Compose(problems),
              "The DE roz OZE-2 system is installed.\r\n"
              "Shortcuts of the DE roz OZE-2 system are placed in the \"DE roz OZE-2\" program group of the Start "
              "Menu.\r\n"
              "Could not update the following files: \r\n\"u\".\r\n"
              "Could not create the following files: \r\n\"c\".\r\n"
              "Could not create the following shortcuts: \r\n\"l\".\r\n" + tail);

    group_failure = "Could not create the \"DE roz OZE-2\" program group.\r\n";
    EXPECT_EQ(Compose(problems),
              "The DE roz OZE-2 system is installed.\r\n"
              "Could not update the following files: \r\n\"u\".\r\n"
              "Could not create the following files: \r\n\"c\".\r\n"
              "Could not create the \"DE roz OZE-2\" program group.\r\n" + tail);
}

TEST_F(FinalMessageTest, NoShortcutLineWithoutShortcutsOrStartMenu) {
    bool problems = false;
    settings_.links.clear();
    EXPECT_EQ(Compose(problems), "The DE roz OZE-2 system is installed successfully.\r\n[run message]");
    settings_ = ProductSettings();
    settings_.opt_start_menu = false;
    create_failures = "\"c\", ";
    EXPECT_EQ(Compose(problems).rfind("The DE roz OZE-2 system is installed.\r\nCould not create the following files", 0),
              0u);
}

#endif  // _WIN32

TEST(StartDirMacro, DriveRootGetsItsBackslash) {
    EXPECT_EQ(engine::ExpandStartDir("%STARTDIR%", "C:"), "C:\\");
    EXPECT_EQ(engine::ExpandStartDir("%StartDir%\\a", "C:"), "C:\\\\a");
    EXPECT_EQ(engine::ExpandStartDir("%STARTDIR%\\a;%startdir%", "C:\\Setup"), "C:\\Setup\\a;C:\\Setup");
    EXPECT_EQ(engine::ExpandStartDir("x %STARTDIR% y", "D:\\%STARTDIR%"), "x D:\\%STARTDIR% y");  // ends
}

}  // namespace
}  // namespace engine_test
