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
