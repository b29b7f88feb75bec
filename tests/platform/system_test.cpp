// The machine's answers the setup reads at start: INI files, folders, code pages, resources.

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/dialogs.h"
#include "platform/embedded_resource.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "platform_fixture.h"

namespace {

using platform::Machine;

class IniFile : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_.Write("setup.ini",
                       "; options of the setup\r\n"
                       "[Main]\r\n"
                       "AutoRun = 1 \r\n"
                       "  InstallDir=  C:\\Program Files\\VE4  \r\n"
                       "Quoted=\"  kept blanks  \"\r\n"
                       "Single='x'\r\n"
                       "Half=\"open\r\n"
                       "Empty=\r\n"
                       "autorun=2\r\n"
                       ";Comment=5\r\n"
                       "\r\n"
                       "[links]\r\n"
                       "Link1=a\r\n"
                       "Link2=b\r\n"
                       "[MAIN]\r\n"
                       "Late=yes\r\n");
        file_ = scratch_.Path("setup.ini");
    }

    std::string Read(const std::string& section, const std::string& key) {
        return Machine().ReadIniString(file_, section, key, "<default>");
    }

    platform_test::ScratchFolder scratch_;
    std::string file_;
};

TEST_F(IniFile, SectionsAndKeysIgnoreCaseAndBlanksAroundValuesAreDropped) {
    EXPECT_EQ(Read("main", "AUTORUN"), "1") << "the first of two keys wins";
    EXPECT_EQ(Read("Main", "InstallDir"), "C:\\Program Files\\VE4");
    EXPECT_EQ(Read("LINKS", "link2"), "b");
}

TEST_F(IniFile, QuotesAroundTheWholeValueAreStripped) {
    EXPECT_EQ(Read("Main", "Quoted"), "  kept blanks  ");
    EXPECT_EQ(Read("Main", "Single"), "x");
    EXPECT_EQ(Read("Main", "Half"), "\"open");
}

TEST_F(IniFile, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(Read("Main", "Nothing"), "<default>");
    EXPECT_EQ(Read("Nowhere", "AutoRun"), "<default>");
    EXPECT_EQ(Read("Main", "Comment"), "<default>") << "comment lines hold no keys";
    EXPECT_EQ(Read("Main", "Empty"), "") << "an empty value is a value";
    EXPECT_EQ(Machine().ReadIniString(scratch_.Path("missing.ini"), "Main", "AutoRun", "0"), "0");
}

TEST_F(IniFile, KeysOfASectionInFileOrder) {
    EXPECT_EQ(Machine().ReadIniKeys(file_, "LINKS"), (std::vector<std::string>{"Link1", "Link2"}));
    EXPECT_TRUE(Machine().ReadIniKeys(file_, "Nowhere").empty());
    EXPECT_TRUE(Machine().ReadIniKeys(scratch_.Path("missing.ini"), "Main").empty());
}

TEST(System, FoldersAreNamed) {
    platform_test::ScratchFolder scratch;
    EXPECT_FALSE(Machine().SystemDirectory().empty());
    EXPECT_FALSE(Machine().SpecialFolderPath(platform::SpecialFolder::Programs).empty());
    EXPECT_FALSE(Machine().SpecialFolderPath(platform::SpecialFolder::DesktopDirectory).empty());
    EXPECT_FALSE(Machine().LocaleInfo(platform::kLocaleSEnglishLanguage).empty());
    EXPECT_NE(Machine().SystemDefaultUiLanguage(), 0);
#ifdef _WIN32
    EXPECT_FALSE(Machine().ProgramFilesDirFromRegistry().empty()) << "every Windows has the value";
#endif
    const std::string program = Machine().ProgramPath();
    EXPECT_NE(program.find("platform_tests"), std::string::npos) << program;
}

TEST(System, CompareTextIgnoresCase) {
    platform::System& system = Machine();
    EXPECT_EQ(system.CompareTextIgnoreCase("Readme.TXT", "README.txt"), 0);
    EXPECT_LT(system.CompareTextIgnoreCase("abc", "ABD"), 0);
    EXPECT_GT(system.CompareTextIgnoreCase("b", "A"), 0);
    EXPECT_LT(system.CompareTextIgnoreCase("ab", "ABC"), 0);
}

TEST(System, EmbeddedResourcesAreFoundByNameAndTypeInAnyCase) {
    platform::RegisterEmbeddedResource("Test_Table", "Test_Type", std::string("\x01\0\x02hi", 5));
    const auto bytes = Machine().ProgramResource("TEST_TABLE", "test_type");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, std::string("\x01\0\x02hi", 5));
    EXPECT_FALSE(Machine().ProgramResource("TEST_TABLE", "OTHER_TYPE"));
    EXPECT_FALSE(Machine().ProgramResource("NO_SUCH_TABLE", "TEST_TYPE"));
}

TEST(CodePage, CyrillicRoundTripsThroughUtf8) {
    const std::string ansi = "\xC0\xE1\xE2\xB8\xA8 ok \xB9";  // "АбвёЁ ok №"
    EXPECT_EQ(platform::AnsiToUtf8(ansi), "АбвёЁ ok №");
    EXPECT_EQ(platform::Utf8ToAnsi("АбвёЁ ok №"), ansi);
    EXPECT_EQ(platform::Utf8ToAnsi("中\xFF"), "??") << "what 1251 lacks, and broken UTF-8, become '?'";
    EXPECT_EQ(platform::Utf8ToAnsi("\xD0"), "?") << "a cut sequence";
}

TEST(CodePage, UpperCaseCoversCyrillicLetters) {
    EXPECT_EQ(platform::UpperCaseAnsi("abc\xE0\xFF\xB8\xA2z1"), "ABC\xC0\xDF\xA8\xA1Z1");
    EXPECT_TRUE(platform::SameTextIgnoreCase("\xEF\xF0\xE8\xEC\xE5\xF0.txt", "\xCF\xD0\xC8\xCC\xC5\xD0.TXT"));
    EXPECT_FALSE(platform::SameTextIgnoreCase("a", "ab"));
}

TEST(Dialogs, WithoutAUserEveryBoxTakesItsDefaultAndPickersFail) {
    platform::Dialogs& dialogs = platform::UserDialogs();
    platform::SetDefaultDialogs(nullptr);
    platform::Dialogs& fallback = platform::UserDialogs();
    EXPECT_EQ(fallback.ShowMessage("Overwrite?", platform::MessageKind::Confirmation, platform::buttons::kYesNo,
                                   platform::DialogResult::No),
              platform::DialogResult::No);
    EXPECT_EQ(fallback.ShowMessage("Note", platform::MessageKind::Information, platform::buttons::kOk,
                                   platform::DialogResult::None),
              platform::DialogResult::Ok);
    std::string directory = "C:\\start";
    EXPECT_FALSE(fallback.SelectDirectory(directory, true));
    EXPECT_EQ(directory, "C:\\start");
    std::string path;
    EXPECT_FALSE(fallback.OpenFile("Open", "Zip Files (*.ZIP)|*.ZIP", path));
    if (&dialogs != &fallback) platform::SetDefaultDialogs(&dialogs);
}

}  // namespace
