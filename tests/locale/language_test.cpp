// The interface language: the start-up step, the final decision, the language window and
// the standard dialog texts that follow the language.

#ifndef _WIN32

#include "locale/language.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "locale/language_window.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/posix/posix_machine.h"
#include "platform/ui/headless_testing.h"
#include "platform/ui/standard_texts.h"

namespace locale {
namespace {

namespace ui = platform::ui;
using platform::PosixMachine;

std::string Ansi(const char* utf8) { return platform::Utf8ToAnsi(utf8); }

class Language : public ::testing::Test {
protected:
    Language() { ResetLanguage(); }
    ~Language() override { ResetLanguage(); }
    void TearDown() override { EXPECT_EQ(session_.Problems(), ""); }

    static void Arguments(const std::vector<std::string>& arguments) {
        PosixMachine::SetProgram("C:\\setup\\VIrovARI2.exe", arguments);
    }

    static void WriteSettings(const std::string& directory, const std::string& content) {
        platform::Files().ForceDirectories(directory);
        auto file = platform::Files().OpenFile(directory + "\\qm.ini", platform::OpenMode::Create);
        ASSERT_NE(file, nullptr);
        file->Write(content.data(), static_cast<int64_t>(content.size()));
    }

    platform::ScopedMachineRoot machine_;
    ui::testing::Session session_;
};

TEST_F(Language, TheFirstLanguageArgumentDecidesTheStartUpLanguage) {
    Arguments({"-x", "-LRU", "-len"});
    InitLanguage();
    EXPECT_EQ(CurrentLanguage(), "ru");
}

TEST_F(Language, AnInvalidFirstLanguageArgumentHandsOverToTheSettingsFile) {
    WriteSettings("C:\\Base", "[LocaleInfo]\r\nLocale=RU\r\n");
    PosixMachine::SetCurrentDirectory("C:\\Base");
    Arguments({"-lde", "-len"});
    InitLanguage();
    EXPECT_EQ(CurrentLanguage(), "ru");
}

TEST_F(Language, WithoutArgumentsTheSettingsFileOfTheCurrentDirectoryCounts) {
    WriteSettings("C:\\Base", "[LocaleInfo]\r\nLocale=ru\r\n");
    Arguments({});
    PosixMachine::SetCurrentDirectory("C:\\Base");
    InitLanguage();
    EXPECT_EQ(CurrentLanguage(), "ru");

    // The settings file in a drive root is found too.
    ResetLanguage();
    WriteSettings("C:", "[LocaleInfo]\r\nLocale=ru\r\n");
    PosixMachine::SetCurrentDirectory("C:\\");
    InitLanguage();
    EXPECT_EQ(CurrentLanguage(), "ru");
}

TEST_F(Language, WithoutAnyHintTheStartUpLanguageIsEnglish) {
    WriteSettings("C:\\Base", "[LocaleInfo]\r\nLocale=de\r\n");
    PosixMachine::SetCurrentDirectory("C:\\Base");
    Arguments({"-l"});
    InitLanguage();
    EXPECT_EQ(CurrentLanguage(), "en");
}

TEST_F(Language, SystemLanguageCodesComeFromTheExactLanguageName) {
    struct Case {
        const char* name;
        const char* code;
    };
    for (const Case& item : {Case{"Russian", "ru"}, Case{"Chinese (Simplified)", "ch"}, Case{"English", "en"},
                             Case{"russian", "en"}, Case{"", "en"}, Case{"German", "en"}}) {
        SCOPED_TRACE(item.name);
        PosixMachine::SetSystemLanguageName(item.name);
        EXPECT_EQ(SystemLanguageCode(), item.code);
    }
}

TEST_F(Language, SetLanguageTakesOnlyKnownCodesAndLocalizesTheDialogs) {
    EXPECT_EQ(PickText("r", "e"), "e");
    SetLanguage("RU");
    EXPECT_EQ(CurrentLanguage(), "ru");
    EXPECT_EQ(PickText("r", "e"), "r");
    const ui::StandardTexts& texts = ui::CurrentStandardTexts();
    EXPECT_EQ(texts.confirmation_caption, Ansi("Подтверждение"));
    EXPECT_EQ(texts.message_yes, Ansi("Да"));
    EXPECT_EQ(texts.message_retry, Ansi("Повтор"));
    EXPECT_EQ(texts.message_ignore, Ansi("Далее"));
    EXPECT_EQ(texts.directory_missing_question, Ansi("Указанный каталог не существует. Создать его?"));

    SetLanguage("de");
    SetLanguage("");
    EXPECT_EQ(CurrentLanguage(), "ru");

    SetLanguage("en");
    EXPECT_EQ(ui::CurrentStandardTexts().confirmation_caption, "Confirm");
    EXPECT_EQ(ui::CurrentStandardTexts().message_yes, "&Yes");
    EXPECT_EQ(ui::CurrentStandardTexts().directory_name_label, "Directory &Name:");
}

TEST_F(Language, OnlyARussianSystemAsksAndElsewhereTheInterfaceIsEnglish) {
    PosixMachine::SetSystemLanguageName("Chinese (Simplified)");
    Arguments({"-lru"});
    InitLanguage();
    EXPECT_EQ(SystemLanguage(), "ch");
    EXPECT_EQ(CurrentLanguage(), "ru");
    SettleLanguage();
    EXPECT_EQ(CurrentLanguage(), "en");
}

TEST_F(Language, ARussianSystemWithAnEnglishInterfaceAsksInEnglishWithEnglishPreselected) {
    PosixMachine::SetSystemLanguageName("Russian");
    PosixMachine::SetUiLanguage(1033);
    Arguments({"-lru"});
    InitLanguage();
    ui::testing::ExpectModal<TSelLangForm>([](TSelLangForm& form) {
        EXPECT_EQ(form.Caption(), "Language");
        EXPECT_EQ(form.ClientWidth(), 212);
        EXPECT_EQ(form.ClientHeight(), 149);
        EXPECT_EQ(form.Label1.Caption(), "Select a language:");
        EXPECT_EQ(form.RadioButton1.Caption(), "English");
        EXPECT_EQ(form.RadioButton2.Caption(), "Russian");
        EXPECT_TRUE(form.RadioButton1.Checked());
        EXPECT_EQ(form.ActiveControl(), &form.RadioButton1);
        ui::testing::PressKey(form, ui::keys::kReturn);
    });
    SettleLanguage();
    EXPECT_EQ(CurrentLanguage(), "en");
}

TEST_F(Language, ARussianInterfaceAsksInRussianWithRussianPreselected) {
    PosixMachine::SetUiLanguage(platform::kLanguageIdRussian);
    ui::testing::ExpectModal<TSelLangForm>([](TSelLangForm& form) {
        EXPECT_EQ(form.Caption(), "Language");
        EXPECT_EQ(form.Label1.Caption(), Ansi("Выберите язык:"));
        EXPECT_EQ(form.RadioButton2.Caption(), Ansi("Русский"));
        EXPECT_TRUE(form.RadioButton2.Checked());
        EXPECT_FALSE(form.RadioButton1.Checked());
        EXPECT_EQ(form.ActiveControl(), &form.RadioButton2);
        ui::testing::PressKey(form, ui::keys::kEscape);
    });
    EXPECT_EQ(AskLanguage(), "ru");
}

TEST_F(Language, EveryWayOfClosingTheLanguageWindowAnswersWithTheCheckedLanguage) {
    ui::testing::ExpectModal<TSelLangForm>([](TSelLangForm& form) {
        ui::testing::ClickRadio(form.RadioButton2);
        ui::testing::CloseBox(form);
    });
    EXPECT_EQ(AskLanguage(), "ru");

    ui::testing::ExpectModal<TSelLangForm>([](TSelLangForm& form) { ui::testing::DoubleClickRadio(form.RadioButton2); });
    EXPECT_EQ(AskLanguage(), "ru");

    PosixMachine::SetUiLanguage(platform::kLanguageIdRussian);
    ui::testing::ExpectModal<TSelLangForm>([](TSelLangForm& form) {
        ui::testing::ClickRadio(form.RadioButton1);
        ui::testing::PressKey(form, ui::keys::kEscape);
    });
    EXPECT_EQ(AskLanguage(), "en");

    ui::testing::ExpectModal<TSelLangForm>([](TSelLangForm& form) { ui::testing::Click(form.Button1); });
    EXPECT_EQ(AskLanguage(), "ru");
}

}  // namespace
}  // namespace locale

#endif  // _WIN32
