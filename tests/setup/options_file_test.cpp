// The options file beside the setup program, read over the defaults.

#ifndef _WIN32

#include "setup/options_file.h"
#include "setup/startup_paths.h"

#include <gtest/gtest.h>

#include "setup_scenario.h"

namespace setup_test {
namespace {

class OptionsFile : public SetupScenario {
protected:
    setup::TSetupDescription Read(const std::string& content) {
        WriteFile("C:\\setup\\VIrovARI2.ini", content);
        return ReadNow();
    }

    setup::TSetupDescription ReadNow() {
        setup::TSetupDescription description;
        description.ProgramFilesDir = "C:\\Program Files (x86)";
        // Leftovers of an earlier reading must not survive.
        description.OptAutoRun = true;
        description.OptRun = false;
        description.ExcludeDirCount = 7;
        description.OptParams = "stale";
        setup::ReadOptions(description);
        return description;
    }
};

TEST_F(OptionsFile, WithoutTheFileTheDefaultsHold) {
    const setup::TSetupDescription description = ReadNow();
    EXPECT_FALSE(description.OptAutoRun);
    EXPECT_TRUE(description.OptSelectDialog);
    EXPECT_TRUE(description.OptFinalMessage);
    EXPECT_TRUE(description.OptStartMenu);
    EXPECT_TRUE(description.OptDesktop);
    EXPECT_TRUE(description.OptRun);
    EXPECT_EQ(description.OptInstallDir, "");
    EXPECT_EQ(description.OptParams, "");
    EXPECT_EQ(description.ExcludeDirCount, 0);
}

TEST_F(OptionsFile, ReadsEveryKeyWithoutRegardToCase) {
    const setup::TSetupDescription description = Read(
        "[main]\r\ninstalldir = %programfilesdir%\\Tasks \r\nAUTORUN=1\r\nSelectDialog=0\r\nFinalMessage=$0\r\n"
        "[Links]\r\nStartMenu=0x0\r\nDesktop=-0\r\n[SETUP]\r\nRun=0\r\nParams=-x\r\n");
    EXPECT_EQ(description.OptInstallDir, "C:\\Program Files (x86)\\Tasks");
    EXPECT_TRUE(description.OptAutoRun);
    EXPECT_FALSE(description.OptSelectDialog);
    EXPECT_FALSE(description.OptFinalMessage);
    EXPECT_FALSE(description.OptStartMenu);
    EXPECT_FALSE(description.OptDesktop);
    EXPECT_FALSE(description.OptRun);
    EXPECT_EQ(description.OptParams, "-x");
}

TEST_F(OptionsFile, ValuesThatAreNoNumberLeaveTheDefaults) {
    const setup::TSetupDescription description = Read("[Main]\r\nAutoRun=yes\r\nSelectDialog=\r\n[Setup]\r\nRun=off\r\n");
    EXPECT_FALSE(description.OptAutoRun);
    EXPECT_TRUE(description.OptSelectDialog);
    EXPECT_TRUE(description.OptRun);
}

TEST_F(OptionsFile, OnlyTheFirstProgramFilesMacroIsReplaced) {
    const setup::TSetupDescription description = Read("[Main]\r\nInstallDir=%PROGRAMFILESDIR%\\%PROGRAMFILESDIR%\r\n");
    EXPECT_EQ(description.OptInstallDir, "C:\\Program Files (x86)\\%PROGRAMFILESDIR%");
}

TEST_F(OptionsFile, ExclusionsAreNumberedWithoutGapsAndAtMostTwenty) {
    std::string all = "[ExcludeDir]\r\n";
    for (int number = 1; number <= 25; ++number) all += std::to_string(number) + "=DIR" + std::to_string(number) + "\r\n";
    setup::TSetupDescription description = Read(all);
    EXPECT_EQ(description.ExcludeDirCount, 20);
    EXPECT_EQ(description.ExcludeDirs[19], "DIR20");
    EXPECT_EQ(description.ExcludeDirs[20], "");

    description = Read("[ExcludeDir]\r\n1=A\r\n2=B\r\n4=D\r\n");
    EXPECT_EQ(description.ExcludeDirCount, 2);
    EXPECT_EQ(description.ExcludeDirs[1], "B");
    EXPECT_EQ(description.ExcludeDirs[3], "");

    description = Read("[ExcludeDir]\r\n2=B\r\n");
    EXPECT_EQ(description.ExcludeDirCount, 0);
}

TEST_F(OptionsFile, TheFileIsNamedAfterTheProgram) {
    platform::PosixMachine::SetProgram("C:\\setup\\Other.exe", {});
    WriteFile("C:\\setup\\VIrovARI2.ini", "[Main]\r\nAutoRun=1\r\n");
    EXPECT_FALSE(ReadNow().OptAutoRun);
    WriteFile("C:\\setup\\Other.ini", "[Main]\r\nAutoRun=1\r\n");
    EXPECT_TRUE(ReadNow().OptAutoRun);
}

using ProgramFilesSearch = SetupScenario;

TEST_F(ProgramFilesSearch, TheRegistryValueComesFirst) {
    MakeDirectory("C:\\Program Files");
    platform::PosixMachine::SetProgramFilesDir("E:\\Apps");
    EXPECT_EQ(setup::FindProgramFilesDir(), "E:\\Apps");
}

TEST_F(ProgramFilesSearch, DrivesAreTriedInOrderAndTheX86NameFirstOnEach) {
    platform::PosixMachine::SetProgramFilesDir("");
    MakeDrive('D');
    MakeDirectory("D:\\Program Files");
    EXPECT_EQ(setup::FindProgramFilesDir(), "C:\\Program Files (x86)");

    ASSERT_TRUE(platform::Files().RemoveDirectory("C:\\Program Files (x86)"));
    EXPECT_EQ(setup::FindProgramFilesDir(), "D:\\Program Files");

    MakeDirectory("D:\\Program Files (x86)");
    EXPECT_EQ(setup::FindProgramFilesDir(), "D:\\Program Files (x86)");

    MakeDirectory("C:\\Program Files");
    EXPECT_EQ(setup::FindProgramFilesDir(), "C:\\Program Files");
}

TEST_F(ProgramFilesSearch, WithoutAnyProgramFilesTheFirstDriveServesAndTheDestinationFollows) {
    platform::PosixMachine::SetProgramFilesDir("");
    ASSERT_TRUE(platform::Files().RemoveDirectory("C:\\Program Files (x86)"));
    MakeDrive('D');
    EXPECT_EQ(setup::FindProgramFilesDir(), "C:");
    setup::TInstF1& window = Start();
    EXPECT_EQ(window.Edit1.Text(), "C:\\VE4");
}

TEST_F(ProgramFilesSearch, AFileNamedLikeProgramFilesDoesNotCount) {
    platform::PosixMachine::SetProgramFilesDir("");
    ASSERT_TRUE(platform::Files().RemoveDirectory("C:\\Program Files (x86)"));
    WriteFile("C:\\Program Files (x86)", "not a directory");
    MakeDirectory("C:\\Program Files");
    EXPECT_EQ(setup::FindProgramFilesDir(), "C:\\Program Files");
}

}  // namespace
}  // namespace setup_test

#endif  // _WIN32
