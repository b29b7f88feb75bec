// The language question on a Russian system and the texts each answer gives. These cases run
// in the scenarios whose Wine runs with a Russian locale; the texts come back from the
// program's windows as Windows-1251 bytes.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/input.h"
#include "driver/text.h"

namespace {

using namespace e2e;

struct LanguageWindow {
    Window window;
    Window english;
    Window russian;
};

LanguageWindow WaitForLanguageWindow(Session& session) {
    LanguageWindow language;
    language.window = session.WaitForWindow("Language");
    if (!language.window) return language;
    language.english = language.window.FindChild("Button", "English");
    language.russian = language.window.FindChild("Button", Cp1251("Русский"));
    if (!language.russian) language.russian = language.window.FindChild("Button", "Russian");
    return language;
}

// Answers the language question with the chosen radio button and returns the main window.
Window ChooseLanguage(Session& session, const LanguageWindow& language, const Window& choice,
                      const std::string& main_caption) {
    Click(choice);
    WaitUntil([&] { return choice.Checked(); }, kStepTimeout);
    PressButton(language.window, "OK");
    return session.WaitForDialog(main_caption, kStartTimeout);
}

TEST(RussianSystem, AsksForTheLanguageWithRussianPreselected) {
    Session session;
    const LanguageWindow language = WaitForLanguageWindow(session);
    ASSERT_TRUE(language.window) << session.OpenWindows();
    session.Shot("language-window", language.window);
    EXPECT_EQ(TaskBarButtons(session.Program().Id()), std::vector<std::string>{"VIrovARI2 Install"});

    const Rect client = language.window.ClientRect();
    EXPECT_EQ(client.Width(), 212);
    EXPECT_EQ(client.Height(), 149);
    EXPECT_TRUE(language.window.FindChild("", Cp1251("Выберите язык:"))) << language.window.Describe();
    ASSERT_TRUE(language.english && language.russian) << language.window.Describe();
    EXPECT_TRUE(language.russian.Checked());
    EXPECT_FALSE(language.english.Checked());
    EXPECT_TRUE(language.window.FindChild("Button", "OK"));
}

TEST(RussianSystem, RussianAnswerGivesRussianTexts) {
    Session session;
    const LanguageWindow language = WaitForLanguageWindow(session);
    ASSERT_TRUE(language.window && language.russian) << session.OpenWindows();
    const std::string caption = Cp1251("VI4zodAVI2 Install - Программа установки");
    const Window main = ChooseLanguage(session, language, language.russian, caption);
    ASSERT_TRUE(main) << session.OpenWindows();
    session.Shot("main-window-ru", main);
    // The task bar keeps the application's title, not the window's Russian caption.
    EXPECT_EQ(TaskBarButtons(session.Program().Id()), std::vector<std::string>{"VIrovARI2 Install"});

    for (const char* text : {"Электронный задачник по параллельному программированию на базе MPI-2",
                             "Задачник будет установлен в следующем каталоге:", "Версия 1.6 от 19.06.2024"}) {
        SCOPED_TRACE(std::string("label ") + text);
        EXPECT_TRUE(main.FindChild("", Cp1251(text))) << main.Describe();
    }
    // The auto-sized prompt holds its whole text, the closing ":" included (Arial 8).
    const Window prompt = main.FindChild("", Cp1251("Задачник будет установлен в следующем каталоге:"));
    EXPECT_GE(prompt.RectInParent().Width(), prompt.TextWidth("Arial", -11)) << main.Describe();
    EXPECT_EQ(ButtonCaptions(main), (std::vector<std::string>{Cp1251("Обзор..."), Cp1251("Описание задачника"),
                                                              Cp1251("Лицензионное соглашение"),
                                                              Cp1251("Установка"), Cp1251("Выход")}))
        << main.Describe();

    // The standard boxes speak Russian too.
    ASSERT_TRUE(PressButton(main, Cp1251("Выход")));
    const Window confirm = session.WaitForDialog(Cp1251("Подтверждение"));
    ASSERT_TRUE(confirm) << session.OpenWindows();
    EXPECT_EQ(DialogMessage(confirm), Cp1251("Вы хотите выйти из программы,\r\nне выполнив установку задачника?"));
    EXPECT_EQ(ButtonCaptions(confirm), (std::vector<std::string>{Cp1251("Да"), Cp1251("Нет")}));
    ASSERT_TRUE(PressButton(confirm, Cp1251("Да")));
    EXPECT_TRUE(session.WaitForExit().has_value()) << session.OpenWindows();
}

TEST(RussianSystem, EnglishAnswerGivesEnglishTexts) {
    Session session;
    const LanguageWindow language = WaitForLanguageWindow(session);
    ASSERT_TRUE(language.window && language.english) << session.OpenWindows();
    const Window main = ChooseLanguage(session, language, language.english, "VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();

    EXPECT_TRUE(main.FindChild("", "Select the directory where you would like DE roz OZE-2 to be installed:"))
        << main.Describe();
    EXPECT_EQ(ButtonCaptions(main),
              (std::vector<std::string>{"Browse...", "About DE roz OZE-2", "License agreement", "Install", "Exit"}))
        << main.Describe();
    PressKey(main, Key::F1);
    EXPECT_TRUE(session.WaitForDialog("About DE roz OZE-2 [readme_en.txt]")) << session.OpenWindows();
}

}  // namespace
