// Flags and the Program Files macro of the options file, without a machine.

#include <gtest/gtest.h>

#include "setup/options_file.h"
#include "setup/startup_paths.h"

namespace setup {
namespace {

TEST(ParseFlag, ReadsDecimalAndHexadecimalIntegers) {
    struct Case {
        const char* text;
        bool expected;
    };
    const Case cases[] = {{"1", true},    {"0", false},   {"-1", true},  {"+0", false}, {"$0", false}, {"$1F", true},
                          {"0x0", false}, {"0X10", true}, {"0xff", true}, {"007", true}, {"$FFFFFFFF", true}};
    for (const Case& item : cases) {
        SCOPED_TRACE(item.text);
        bool flag = !item.expected;
        EXPECT_TRUE(ParseFlag(item.text, flag));
        EXPECT_EQ(flag, item.expected);
    }
}

TEST(ParseFlag, LeavesTheFlagAloneForTextsThatAreNoNumber) {
    for (const char* text : {"", "yes", "true", "1a", "0x", "$", "-", "1 1", "0x1G", "99999999999", "$100000000"}) {
        SCOPED_TRACE(text);
        bool flag = true;
        EXPECT_FALSE(ParseFlag(text, flag));
        EXPECT_TRUE(flag);
        flag = false;
        EXPECT_FALSE(ParseFlag(text, flag));
        EXPECT_FALSE(flag);
    }
}

TEST(ReplaceProgramFilesMacro, ReplacesOnlyTheFirstOccurrenceInAnyCase) {
    EXPECT_EQ(ReplaceProgramFilesMacro("%programfilesdir%\\Tasks", "C:\\Program Files (x86)"), "C:\\Program Files (x86)\\Tasks");
    EXPECT_EQ(ReplaceProgramFilesMacro("%PROGRAMFILESDIR%\\%ProgramFilesDir%", "D:\\PF"), "D:\\PF\\%ProgramFilesDir%");
    EXPECT_EQ(ReplaceProgramFilesMacro("E:\\Tasks", "D:\\PF"), "E:\\Tasks");
}

TEST(StartupPaths, SplitProgramPaths) {
    EXPECT_EQ(DirectoryOf("C:\\Setup\\x.exe"), "C:\\Setup");
    EXPECT_EQ(DirectoryOf("D:\\x.exe"), "D:");
    EXPECT_EQ(FileNameOf("C:\\Setup\\x.exe"), "x.exe");
    EXPECT_EQ(ChangeExtension("C:\\Setup\\x.exe", ".dat"), "C:\\Setup\\x.dat");
    EXPECT_EQ(ChangeExtension("C:\\a.b\\setup", ".ini"), "C:\\a.b\\setup.ini");
    EXPECT_EQ(ChangeExtension("x.tar.exe", ".dat"), "x.tar.dat");
    EXPECT_EQ(OptionsFilePath("C:\\Setup\\VIrovARI2.exe"), "C:\\Setup\\VIrovARI2.ini");
}

}  // namespace
}  // namespace setup
