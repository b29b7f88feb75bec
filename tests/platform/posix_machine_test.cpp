// The posix machine itself: how Windows paths land on the host and the marks tests use.

#ifndef _WIN32

#include "platform/posix/posix_machine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace {

using platform::Files;
using platform::OpenMode;
using platform::PosixMachine;

bool HostFileExists(const std::string& host) {
    struct stat info;
    return ::stat(host.c_str(), &info) == 0;
}

void WriteHostFile(const std::string& host, const std::string& content) {
    std::ofstream output(host, std::ios::binary);
    output << content;
}

TEST(PosixMachine, DrivesAreFoldersOfTheMachineRoot) {
    platform::ScopedMachineRoot machine;
    ASSERT_TRUE(Files().ForceDirectories("C:\\Program Files (x86)\\VE4"));
    EXPECT_TRUE(HostFileExists(machine.HostRoot() + "/c/Program Files (x86)/VE4"));
    EXPECT_EQ(PosixMachine::HostPath("c:/program files (x86)\\ve4\\qm.ini"),
              machine.HostRoot() + "/c/Program Files (x86)/VE4/qm.ini")
        << "existing components are found in any case, a new one keeps its own";
    EXPECT_EQ(PosixMachine::HostPath("C:\\a\\.\\b\\..\\c"), machine.HostRoot() + "/c/a/c");
    EXPECT_EQ(PosixMachine::HostPath("C:\\dir. \\name."), machine.HostRoot() + "/c/dir/name")
        << "trailing dots and blanks are dropped as Windows drops them";
    EXPECT_EQ(PosixMachine::HostPath("\\\\server\\share\\x"), "");
    EXPECT_EQ(Files().GetDriveType("D:\\"), platform::DriveType::NoRootDir);
    ASSERT_EQ(::mkdir((machine.HostRoot() + "/d").c_str(), 0755), 0);
    EXPECT_EQ(Files().GetDriveType("d:\\"), platform::DriveType::Fixed);
}

// Each level is found on its own: one that exists as written is taken as it is, another case
// of it is looked for only where it is missing, and below a missing level names stay as
// written. Nothing is remembered between calls, so a rename behind the backend's back counts.
TEST(PosixMachine, EachLevelOfAPathIsFoundWithoutRegardToCase) {
    platform::ScopedMachineRoot machine;
    const std::string c = machine.HostRoot() + "/c";
    ASSERT_EQ(::mkdir((c + "/Alpha").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((c + "/Alpha/beta").c_str(), 0755), 0);
    WriteHostFile(c + "/Alpha/beta/Gamma.txt", "g");
    ASSERT_EQ(::symlink((c + "/nowhere").c_str(), (c + "/Link").c_str()), 0);
    const struct {
        const char* windows;
        std::string host;
    } cases[] = {
        {"C:\\Alpha\\beta\\Gamma.txt", c + "/Alpha/beta/Gamma.txt"},
        {"c:\\alpha\\BETA\\gamma.TXT", c + "/Alpha/beta/Gamma.txt"},
        {"C:\\ALPHA\\beta\\Gamma.txt", c + "/Alpha/beta/Gamma.txt"},
        {"C:\\Alpha\\beta\\new\\GAMMA.TXT", c + "/Alpha/beta/new/GAMMA.TXT"},
        {"C:\\alpha\\Gamma.txt\\BETA", c + "/Alpha/Gamma.txt/BETA"},
        {"C:\\alpha\\beta\\gamma.txt\\inside", c + "/Alpha/beta/Gamma.txt/inside"},
        {"C:\\link\\alpha", c + "/Link/alpha"},
        {"D:\\Alpha\\beta", machine.HostRoot() + "/d/Alpha/beta"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.windows);
        EXPECT_EQ(PosixMachine::HostPath(each.windows), each.host);
    }
    EXPECT_TRUE(Files().FileExists("c:\\ALPHA\\Beta\\GAMMA.txt"));
    EXPECT_EQ(Files().GetAttributes("C:\\link"), platform::attribute::kReparsePoint)
        << "a dangling link is found in another case, and reported as the link itself";
    ASSERT_EQ(::rename((c + "/Alpha/beta").c_str(), (c + "/Alpha/Delta").c_str()), 0);
    EXPECT_FALSE(Files().FileExists("C:\\Alpha\\beta\\Gamma.txt"));
    EXPECT_EQ(PosixMachine::HostPath("C:\\alpha\\delta\\gamma.txt"), c + "/Alpha/Delta/Gamma.txt");
}

TEST(PosixMachine, RelativePathsStartAtTheCurrentDirectory) {
    platform::ScopedMachineRoot machine;
    ASSERT_TRUE(Files().ForceDirectories("C:\\work"));
    PosixMachine::SetCurrentDirectory("C:\\work\\");
    EXPECT_EQ(Files().CurrentDirectory(), "C:\\work");
    EXPECT_EQ(PosixMachine::HostPath("file.txt"), machine.HostRoot() + "/c/work/file.txt");
    EXPECT_EQ(PosixMachine::HostPath("\\top.txt"), machine.HostRoot() + "/c/top.txt");
    EXPECT_EQ(PosixMachine::HostPath("C:x.txt"), machine.HostRoot() + "/c/work/x.txt");
}

TEST(PosixMachine, CyrillicNamesAreUtf8OnTheHost) {
    platform::ScopedMachineRoot machine;
    const std::string folder = "C:\\\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB";  // "Программы" in 1251
    ASSERT_TRUE(Files().CreateDirectory(folder));
    EXPECT_TRUE(HostFileExists(machine.HostRoot() + "/c/Программы"));
    EXPECT_TRUE(Files().DirectoryExists("C:\\\xEF\xD0\xCE\xC3\xD0\xC0\xCC\xCC\xDB")) << "пРОГРАММЫ";
    const auto entries = Files().ListDirectory("C:\\");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, folder.substr(3));
}

TEST(PosixMachine, ReadOnlyBitIsTheOwnerWritePermission) {
    platform::ScopedMachineRoot machine;
    WriteHostFile(machine.HostRoot() + "/c/ro.txt", "x");
    ASSERT_EQ(::chmod((machine.HostRoot() + "/c/ro.txt").c_str(), 0444), 0);
    EXPECT_NE(Files().GetAttributes("C:\\ro.txt") & platform::attribute::kReadOnly, 0u);
    EXPECT_FALSE(Files().DeleteFile("C:\\ro.txt")) << "refused even though tests run as root";
}

TEST(PosixMachine, FileInUseRefusesWritesButNotReads) {
    platform::ScopedMachineRoot machine;
    WriteHostFile(machine.HostRoot() + "/c/busy.dll", "busy");
    PosixMachine::MarkInUse("c:\\BUSY.DLL", true);
    EXPECT_FALSE(Files().DeleteFile("C:\\busy.dll"));
    EXPECT_FALSE(Files().OpenFile("C:\\busy.dll", OpenMode::Create));
    EXPECT_FALSE(Files().MoveFile("C:\\busy.dll", "C:\\other.dll"));
    EXPECT_FALSE(Files().LastErrorText().empty());
    EXPECT_TRUE(Files().OpenFile("C:\\busy.dll", OpenMode::Read));
    PosixMachine::MarkInUse("C:\\busy.dll", false);
    EXPECT_TRUE(Files().DeleteFile("C:\\busy.dll"));
}

TEST(PosixMachine, UnwritableDirectoryRefusesNewEntries) {
    platform::ScopedMachineRoot machine;
    ASSERT_TRUE(Files().ForceDirectories("C:\\Dest"));
    WriteHostFile(machine.HostRoot() + "/c/Dest/old.txt", "old");
    PosixMachine::MarkUnwritableDirectory("C:\\dest", true);
    EXPECT_FALSE(Files().OpenFile("C:\\Dest\\$$tfile$.tmp", OpenMode::Create));
    EXPECT_FALSE(HostFileExists(machine.HostRoot() + "/c/Dest/$$tfile$.tmp"));
    EXPECT_FALSE(Files().CreateDirectory("C:\\Dest\\sub"));
    EXPECT_FALSE(Files().DeleteFile("C:\\Dest\\old.txt"));
    EXPECT_TRUE(Files().OpenFile("C:\\Dest\\old.txt", OpenMode::Read));
    EXPECT_TRUE(Files().ForceDirectories("C:\\Other")) << "only that directory is affected";
    PosixMachine::MarkUnwritableDirectory("C:\\Dest", false);
    EXPECT_TRUE(Files().OpenFile("C:\\Dest\\$$tfile$.tmp", OpenMode::Create));
}

TEST(PosixMachine, SystemSettingsHaveWindowsLikeDefaults) {
    platform::ScopedMachineRoot machine;
    platform::System& system = platform::Machine();
    EXPECT_EQ(system.LocaleInfo(platform::kLocaleSEnglishLanguage), "English");
    EXPECT_EQ(system.SystemDefaultUiLanguage(), 1033);
    EXPECT_EQ(system.ProgramFilesDirFromRegistry(), "");
    EXPECT_EQ(system.SystemDirectory(), "C:\\windows\\system32");
    EXPECT_EQ(system.SpecialFolderPath(platform::SpecialFolder::DesktopDirectory), "C:\\users\\user\\Desktop");

    PosixMachine::SetSystemLanguageName("Russian");
    PosixMachine::SetUiLanguage(platform::kLanguageIdRussian);
    PosixMachine::SetProgramFilesDir("C:\\Program Files (x86)");
    PosixMachine::SetProgram("C:\\Setup\\VIrovARI2.exe", {"-l", "ru"});
    EXPECT_EQ(system.LocaleInfo(platform::kLocaleSEnglishLanguage), "Russian");
    EXPECT_EQ(system.SystemDefaultUiLanguage(), 0x419);
    EXPECT_EQ(system.ProgramFilesDirFromRegistry(), "C:\\Program Files (x86)");
    EXPECT_EQ(system.ProgramPath(), "C:\\Setup\\VIrovARI2.exe");
    EXPECT_EQ(system.Arguments(), (std::vector<std::string>{"-l", "ru"}));
}

TEST(PosixMachine, RegistryValuesAreWrittenAndReadBack) {
    platform::ScopedMachineRoot machine;
    platform::Shell& shell = platform::ShellServices();
    EXPECT_EQ(PosixMachine::ClassesRootValue(".ve4"), std::nullopt);
    ASSERT_TRUE(shell.SetClassesRootValue(".ve4", "VE4.Task"));
    ASSERT_TRUE(shell.SetClassesRootValue("VE4.Task\\shell\\open\\command", "\"C:\\VE4\\ve4.exe\" \"%1\""));
    ASSERT_TRUE(shell.SetClassesRootValue(".VE4", "VE4.Task2"));
    EXPECT_EQ(PosixMachine::ClassesRootValue(".ve4"), "VE4.Task2") << "keys are found in any case";
    EXPECT_EQ(PosixMachine::ClassesRootValue("ve4.task\\SHELL\\open\\command"), "\"C:\\VE4\\ve4.exe\" \"%1\"");
    EXPECT_EQ(PosixMachine::ClassesRootValue("VE4.Task\\shell"), std::nullopt) << "a parent has no value";
    EXPECT_TRUE(HostFileExists(machine.HostRoot() + "/registry/HKEY_CLASSES_ROOT.reg"));
    // A key is deleted with everything below it, and nothing beside it.
    EXPECT_TRUE(shell.ClassesRootKeyExists("ve4.task\\shell"));
    ASSERT_TRUE(shell.DeleteClassesRootKey("VE4.TASK"));
    EXPECT_FALSE(shell.ClassesRootKeyExists("VE4.Task\\shell\\open\\command"));
    EXPECT_FALSE(shell.ClassesRootKeyExists("VE4.Task"));
    EXPECT_EQ(PosixMachine::ClassesRootValue(".ve4"), "VE4.Task2");
}

TEST(PosixMachine, StartProgramSpawnsExecutablesAndRecordsEveryCall) {
    platform::ScopedMachineRoot machine;
    ASSERT_TRUE(Files().ForceDirectories("C:\\VE4"));
    const std::string script = machine.HostRoot() + "/c/VE4/ri4razoz.exe";
    WriteHostFile(script, "#!/bin/sh\nprintf '%s|' \"$@\" > started.txt\n");
    platform::Shell& shell = platform::ShellServices();

    EXPECT_FALSE(shell.StartProgram("C:\\VE4\\ri4razoz.exe", "-l ru", "C:\\VE4", 0)) << "not executable yet";
    ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
    EXPECT_TRUE(shell.StartProgram("C:\\ve4\\RI4RAZOZ.EXE", "-l \"r u\"", "C:\\VE4", 0));
    EXPECT_FALSE(shell.StartProgram("C:\\VE4\\missing.exe", "", "", 0));

    const auto started = PosixMachine::StartedPrograms();
    ASSERT_EQ(started.size(), 3u);
    EXPECT_FALSE(started[0].started);
    EXPECT_TRUE(started[1].started);
    EXPECT_EQ(started[1].program, "C:\\ve4\\RI4RAZOZ.EXE");
    EXPECT_EQ(started[1].parameters, "-l \"r u\"");
    EXPECT_EQ(started[1].directory, "C:\\VE4");
    EXPECT_FALSE(started[2].started);

    // The program runs detached, in the mapped working directory.
    const std::string output = machine.HostRoot() + "/c/VE4/started.txt";
    std::string content;
    for (int attempt = 0; attempt < 200 && content.empty(); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream input(output);
        std::getline(input, content);
    }
    EXPECT_EQ(content, "-l|r u|");
}

TEST(PosixMachine, HostModeTakesHostPathsWithEitherSeparator) {
    char pattern[] = "/tmp/host-mode-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    PosixMachine::Reset();
    ASSERT_TRUE(Files().ForceDirectories(folder + "\\out\\sub"));
    EXPECT_TRUE(HostFileExists(folder + "/out/sub"));
    EXPECT_FALSE(Files().DirectoryExists(folder + "/OUT")) << "the host's case rules hold";
    EXPECT_EQ(Files().GetDriveType("C:\\"), platform::DriveType::NoRootDir);
    EXPECT_TRUE(Files().RemoveDirectory(folder + "/out/sub"));
    EXPECT_TRUE(Files().RemoveDirectory(folder + "\\out"));
    EXPECT_TRUE(Files().RemoveDirectory(folder));
}

TEST(PosixMachine, RemovableDrivesReportTheirLabel) {
    platform::ScopedMachineRoot machine;
    PosixMachine::SetRemovableDrive('a', true, "DISK001");
    EXPECT_EQ(Files().GetDriveType("A:\\"), platform::DriveType::Removable);
    std::string label;
    EXPECT_TRUE(Files().GetVolumeLabel("a:\\", label));
    EXPECT_EQ(label, "DISK001");
    EXPECT_EQ(Files().GetDriveType("C:\\"), platform::DriveType::Fixed);
}

}  // namespace

#endif
