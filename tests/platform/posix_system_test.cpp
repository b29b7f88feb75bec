// What the posix System answers in place of Windows' own tables.

#ifndef _WIN32

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/posix/posix_machine.h"
#include "platform/system.h"

namespace {

TEST(PosixSystem, OemCyrillicBecomesAnsi) {
    platform::System& system = platform::Machine();
    // "Привет ёЁ" in code page 866, then ASCII, box corners and a double line.
    EXPECT_EQ(system.OemToAnsi("\x8F\xE0\xA8\xA2\xA5\xE2 \xF1\xF0"), "\xCF\xF0\xE8\xE2\xE5\xF2 \xB8\xA8");
    EXPECT_EQ(system.OemToAnsi("name_1.TXT"), "name_1.TXT");
    EXPECT_EQ(system.OemToAnsi("\xDA\xC4\xBF\xB3\xCD\xBA"), "+-+|-|");
}

// UTF-8 names: to Windows-1251 character for character, or kept byte for byte on the machine
// whose ANSI code page is UTF-8 (the dezip tool's); malformed UTF-8 is refused by both.
TEST(PosixSystem, Utf8BecomesTheAnsiCodePageOrIsRefused) {
    struct Case {
        const char* utf8;
        bool well_formed;
        bool in_1251;
        const char* as_1251;
    };
    const Case cases[] = {
        {"\xD0\x9F\xD1\x80\xD0\xB8 \xD1\x91", true, true, "\xCF\xF0\xE8 \xB8"},  // При ё
        {"plain.txt", true, true, "plain.txt"},
        {"\xE4\xB8\xAD", true, false, "?"},        // a CJK character
        {"a\xE2\x88\x95" "b", true, false, "a?b"},  // division slash, not '/'
        {"\xC0\xAF", false, false, "??"},            // overlong '/'
        {"\xED\xA0\x80", false, false, "???"},      // a surrogate
    };
    for (const auto code_page : {platform::PosixMachine::AnsiCodePage::Windows1251, platform::PosixMachine::AnsiCodePage::Utf8}) {
        platform::PosixMachine::Reset();
        platform::PosixMachine::SetAnsiCodePage(code_page);
        const bool utf8_page = code_page == platform::PosixMachine::AnsiCodePage::Utf8;
        for (const Case& test : cases) {
            SCOPED_TRACE(std::string(test.utf8) + (utf8_page ? " on UTF-8" : " on 1251"));
            std::string ansi;
            EXPECT_EQ(platform::Machine().Utf8ToAnsi(test.utf8, ansi), utf8_page ? test.well_formed : test.in_1251);
            EXPECT_EQ(ansi, utf8_page ? std::string(test.utf8) : std::string(test.as_1251));
        }
    }
    // OEM names are the same characters in either code page.
    EXPECT_EQ(platform::Machine().OemToAnsi("\x8F\xE0\xA8"), "\xD0\x9F\xD1\x80\xD0\xB8");
    platform::PosixMachine::Reset();
}

TEST(PosixSystem, CyrillicComparesWithoutCaseAndInAlphabetOrder) {
    platform::System& system = platform::Machine();
    EXPECT_EQ(system.CompareTextIgnoreCase("\xE0\xE1\xE2", "\xC0\xC1\xC2"), 0);
    EXPECT_LT(system.CompareTextIgnoreCase("\xC5", "\xA8"), 0) << "Е before Ё";
    EXPECT_LT(system.CompareTextIgnoreCase("\xB8", "\xC6"), 0) << "ё before Ж";
}

TEST(PosixSystem, UnsetProgramIsTheHostExecutable) {
    platform::PosixMachine::Reset();
    EXPECT_NE(platform::Machine().ProgramPath().find("platform_tests"), std::string::npos);
}

}  // namespace

#endif
