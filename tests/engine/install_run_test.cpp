// Whole installations of small payloads: what lands where, the uninstall log's bytes, the
// progress bar, the final message, the program started at the end, and several volumes.

#ifndef _WIN32  // these scenarios run on the posix backend's machine root

#include "engine_fixture.h"

namespace engine_test {
namespace {

using platform::DialogResult;

std::vector<PayloadEntry> ProductPayload() {
    return {
        {"VIrovARI2\\VIrovARI2.chm", "help"},
        {"VIrovARI2\\readme.txt", "readme"},
        {"VIrovARI2\\VIrovARI2_en.chm", "help en"},
        {"VIrovARI2\\readme_en.txt", "readme en"},
        {"VIrovARI2\\MPICH2Installer.exe", "installer"},
        {"SYSTEM\\VE4.DLL", "core library"},
        {"SYSTEM\\zuvudiru.exe", "uninstaller"},
        {"LIB\\x.dll", "library"},
        {"MPI\\include\\mpi.h", "header"},
    };
}

const char kEnglishHeader[] =
    "Uninstall DE roz OZE-2|Do you want to uninstall DE roz OZE-2?|DE roz OZE-2 is completely uninstalled.|"
    "DE roz OZE-2 is uninstalled but the following files are not deleted:|";

TEST_F(EngineTest, FirstInstallPlacesFilesShortcutsAndLog) {
    Install({ProductPayload()});

    EXPECT_EQ(ReadFile("C:\\VE4\\VIrovARI2\\readme.txt"), "readme");
    EXPECT_EQ(ReadFile("C:\\VE4\\MPI\\include\\mpi.h"), "header");
    EXPECT_EQ(ReadFile("C:\\windows\\system32\\VE4.DLL"), "core library");
    EXPECT_FALSE(Exists("C:\\VE4\\TEMP"));

    const std::string group = settings_.programs_folder + "\\DE roz OZE-2";
    const std::string expected_log = std::string(kEnglishHeader) + "\r\n" +
        "C:\\VE4\\VIrovARI2\\VIrovARI2.chm\r\n"
        "C:\\VE4\\VIrovARI2\\readme.txt\r\n"
        "C:\\VE4\\VIrovARI2\\VIrovARI2_en.chm\r\n"
        "C:\\VE4\\VIrovARI2\\readme_en.txt\r\n"
        "C:\\VE4\\VIrovARI2\\MPICH2Installer.exe\r\n"
        "C:\\VE4\\LIB\\x.dll\r\n"
        "C:\\VE4\\MPI\\include\\mpi.h\r\n" +
        group + "\\DE roz OZE-2 Info.lnk\r\n" +
        group + "\\DE roz OZE-2 Readme.lnk\r\n"
        "C:\\VE4\\UNINST\\DEredIDO2Zovizuzez.lnk\r\n" +
        group + "\\DE roz OZE-2 Uninstall.lnk\r\n" +
        group + "\\DE roz OZE-2 Info (en).lnk\r\n" +
        group + "\\DE roz OZE-2 Readme (en).lnk\r\n" +
        group + "\\MPICH2 Installer.lnk\r\n";
    EXPECT_EQ(ReadFile("C:\\VE4\\UNINST\\virovari2_1_0.log"), expected_log);

    ASSERT_EQ(shell_.shortcuts.size(), 7u);
    EXPECT_EQ(shell_.shortcuts[2].target, "C:\\windows\\system32\\zuvudiru.exe");
    EXPECT_EQ(shell_.shortcuts[2].arguments, "\"C:\\VE4\\UNINST\\virovari2_1_0.log\"");
    EXPECT_EQ(shell_.shortcuts[0].working_directory, "C:\\VE4");

    EXPECT_EQ(view_.max, 135);
    EXPECT_EQ(view_.position, 135);
    EXPECT_TRUE(view_.hidden);
    EXPECT_TRUE(view_.terminated);
    EXPECT_EQ(view_.exit_code, platform::ExitCode::Installed);

    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, platform::MessageKind::Information);
    EXPECT_EQ(dialogs_.shown[0].text,
              "The DE roz OZE-2 system is installed successfully.\r\n"
              "Shortcuts of the DE roz OZE-2 system are placed in the \"DE roz OZE-2\" program group of the Start "
              "Menu.\r\n[run message]");
    ASSERT_EQ(shell_.started.size(), 1u);
    EXPECT_EQ(shell_.started[0].target, "C:\\VE4\\ri4razoz.exe");
    EXPECT_EQ(shell_.started[0].arguments, "-len");
    EXPECT_EQ(shell_.started[0].working_directory, "C:\\VE4");
}

TEST_F(EngineTest, StatusLineFollowsTheStages) {
    Install({ProductPayload()});
    ASSERT_FALSE(view_.statuses.empty());
    EXPECT_EQ(view_.statuses.front(), "DE roz OZE-2 Install: copying files...");
    EXPECT_NE(std::find(view_.statuses.begin(), view_.statuses.end(), "DE roz OZE-2 Install: creating shortcuts..."),
              view_.statuses.end());
    EXPECT_EQ(view_.statuses.back(), "DE roz OZE-2 Install");
}

TEST_F(EngineTest, WithoutStartMenuTheGroupShortcutsAreSkipped) {
    settings_.opt_start_menu = false;
    Install({ProductPayload()});

    EXPECT_FALSE(IsDirectory(settings_.programs_folder + "\\DE roz OZE-2"));
    ASSERT_EQ(shell_.shortcuts.size(), 1u);  // the one in UNINST cannot be suppressed
    // Written under a fresh name in the extraction directory, then moved to its place.
    EXPECT_EQ(shell_.shortcuts[0].link.rfind("C:\\VE4\\TEMP\\DEredIDO2Zovizuzez.lnk.~vi", 0), 0u);
    EXPECT_TRUE(platform::Files().FileExists("C:\\VE4\\UNINST\\DEredIDO2Zovizuzez.lnk"));
    EXPECT_EQ(view_.max, 135);
    EXPECT_EQ(view_.position, 105);
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text, "The DE roz OZE-2 system is installed successfully.\r\n[run message]");
}

TEST_F(EngineTest, WithoutFinalMessageTheProgramStillStarts) {
    settings_.opt_final_message = false;
    Install({ProductPayload()});
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_EQ(shell_.started.size(), 1u);
}

TEST_F(EngineTest, ProgramNotStartedWhenSwitchedOffOrMissing) {
    settings_.opt_run = false;
    Install({ProductPayload()});
    EXPECT_TRUE(shell_.started.empty());
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text.find("[run message]"), std::string::npos);
}

TEST_F(EngineTest, OptionParametersReplaceTheRunParameters) {
    settings_.run_params = "-x";
    settings_.opt_params = "  %STARTDIR%\\a %installdir%  ";
    Install({ProductPayload()});
    ASSERT_EQ(shell_.started.size(), 1u);
    EXPECT_EQ(shell_.started[0].arguments, "C:\\setup\\a C:\\VE4");
}

TEST_F(EngineTest, BlankOptionParametersLeaveTheRunParameters) {
    settings_.run_params = "-x %InstallDir%";
    settings_.opt_params = "   ";
    Install({ProductPayload()});
    ASSERT_EQ(shell_.started.size(), 1u);
    EXPECT_EQ(shell_.started[0].arguments, "-x C:\\VE4");
}

TEST_F(EngineTest, EmptyOrMissingTargetsGetNoShortcutAndLoseTheOldOne) {
    const std::string group = settings_.programs_folder + "\\DE roz OZE-2";
    WriteFile(group + "\\DE roz OZE-2 Readme.lnk", "old shortcut");
    std::vector<PayloadEntry> payload = ProductPayload();
    payload[1].content.clear();                       // readme.txt is empty
    payload.erase(payload.begin() + 4);               // MPICH2Installer.exe is missing
    payload.push_back({"docs\\", ""});  // a directory entry before the end is harmless
    std::swap(payload[payload.size() - 1], payload[payload.size() - 2]);
    Install({payload});

    EXPECT_FALSE(Exists(group + "\\DE roz OZE-2 Readme.lnk"));
    EXPECT_FALSE(Exists("C:\\VE4\\VIrovARI2\\readme.txt"));
    EXPECT_FALSE(Exists(group + "\\MPICH2 Installer.lnk"));
    EXPECT_EQ(shell_.shortcuts.size(), 5u);
    EXPECT_EQ(view_.position, 135);  // skipped targets still count
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text.find("Could not"), std::string::npos);
}

TEST_F(EngineTest, FailedShortcutsAreListedWithoutExtension) {
    shell_.fail_shortcut_named = "Readme";
    Install({ProductPayload()});
    const std::string group = settings_.programs_folder + "\\DE roz OZE-2";
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text,
              "The DE roz OZE-2 system is installed.\r\n"
              "Shortcuts of the DE roz OZE-2 system are placed in the \"DE roz OZE-2\" program group of the Start "
              "Menu.\r\n"
              "Could not create the following shortcuts: \r\n\"" +
                  group + "\\DE roz OZE-2 Readme\", \"" + group +
                  "\\DE roz OZE-2 Readme (en)\".\r\n"
                  "These problems may lead to an unproper work of DE roz OZE-2.\r\nWe recommend to you to reload your "
                  "computer and repeat the installation of the DE roz OZE-2 system.");
    EXPECT_TRUE(shell_.started.empty());
    EXPECT_EQ(view_.exit_code, platform::ExitCode::InstalledWithFailures);
}

TEST_F(EngineTest, GroupFailureReplacesTheShortcutList) {
    platform::PosixMachine::MarkUnwritableDirectory(settings_.programs_folder, true);
    Install({ProductPayload()});
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text,
              "The DE roz OZE-2 system is installed.\r\n"
              "Could not create the \"DE roz OZE-2\" program group.\r\n"
              "These problems may lead to an unproper work of DE roz OZE-2.\r\nWe recommend to you to reload your "
              "computer and repeat the installation of the DE roz OZE-2 system.");
    EXPECT_EQ(shell_.shortcuts.size(), 1u);
}

TEST_F(EngineTest, AssociationsAreWrittenInOrderAndStopAtTheFirstFailure) {
    settings_.file_exts = {{"qmx", "%InstallDir%\\bin", "a.exe", "Task file", 2}};
    Install({ProductPayload()});
    const std::vector<std::pair<std::string, std::string>> expected = {
        {".qmx", "qmx"},
        {"qmx", "Task file"},
        {"qmx\\DefaultIcon", "C:\\VE4\\bin\\a.exe,2"},
        {"qmx\\Shell", "Open"},
        {"qmx\\Shell\\Open", "Open"},
        {"qmx\\Shell\\Open\\command", "\"C:\\VE4\\bin\\a.exe\" \"%1\""},
    };
    EXPECT_EQ(shell_.registry, expected);

    shell_.registry.clear();
    shell_.fail_registry_after = 2;
    engine::RollbackJournal journal;
    engine::RegisterFileExt("abc", "C:\\P", "a.exe", "d", 0, journal);
    EXPECT_EQ(shell_.registry.size(), 2u);
}

// A run that fails after writing its associations deletes the keys it created and gives the
// keys that were there their old values back, or none where they had none.
TEST_F(EngineTest, AFailedRunPutsTheAssociationsBack) {
    settings_.file_exts = {{"qmx", "%InstallDir%\\bin", "a.exe", "Task file", 2}};
    platform::posix::PosixShell machine_shell;
    ASSERT_TRUE(machine_shell.SetClassesRootValue(".qmx", "users.qmx"));
    // "qmx" comes into being without a value; the icon's value has bytes a journal line cannot hold.
    ASSERT_TRUE(machine_shell.SetClassesRootValue("qmx\\DefaultIcon", "icons.dll,\t1\r\n%41"));
    const std::string before = RegistryText();
    // The uninstall log cannot be written, the final stage's last step.
    ASSERT_TRUE(platform::Files().ForceDirectories("C:\\VE4\\UNINST\\virovari2_1_0.log"));
    Install({ProductPayload()});
    EXPECT_EQ(view_.exit_code, platform::ExitCode::InstallFailed);
    EXPECT_EQ(shell_.registry.size(), 6u);
    EXPECT_EQ(RegistryText(), before);
    EXPECT_EQ(platform::PosixMachine::ClassesRootValue(".qmx"), "users.qmx");
}

TEST_F(EngineTest, SelfCopyIsPlacedAfterTheArchiveFiles) {
    settings_.self_copy_name = "VIrovARI2.exe";
    SetReadOnly("C:\\setup\\VIrovARI2.exe", true);
    Install({ProductPayload()});
    EXPECT_EQ(ReadFile("C:\\VE4\\VIrovARI2.exe"), "setup program");
    EXPECT_FALSE(IsReadOnly("C:\\VE4\\VIrovARI2.exe"));
    const std::string log = ReadFile("C:\\VE4\\UNINST\\virovari2_1_0.log");
    EXPECT_LT(log.find("mpi.h"), log.find("C:\\VE4\\VIrovARI2.exe"));
    EXPECT_LT(log.find("C:\\VE4\\VIrovARI2.exe"), log.find(".lnk"));
}

TEST_F(EngineTest, SeveralVolumesFillTheBarVolumeByVolume) {
    settings_.archive_name = "x.dat";
    Install({{{"a.txt", "a"}}, {{"b.txt", "b"}, {"c.txt", "c"}}, {{"d.txt", "d"}}});
    EXPECT_EQ(ReadFile("C:\\VE4\\d.txt"), "d");
    EXPECT_EQ(view_.max, 335);
    EXPECT_NE(std::find(view_.positions.begin(), view_.positions.end(), 150), view_.positions.end());
    EXPECT_EQ(view_.position, 335);
    EXPECT_TRUE(view_.terminated);
}

TEST_F(EngineTest, VolumesAreNamedBesideTheSetupProgram) {
    settings_.archive_name = "x.dat";
    settings_.volume_count = 3;
    MemoryExtractor extractor(Volumes{{{"a", "a"}}, {{"b", "b"}}, {{"c", "c"}}});
    engine::Installation installation(settings_, view_);
    extractor.Attach(installation);
    installation.Run(extractor);
    EXPECT_EQ(extractor.zip_names,
              (std::vector<std::string>{"C:\\setup\\x.dat", "C:\\setup\\x.dat2", "C:\\setup\\x.dat3"}));
    EXPECT_EQ(extractor.password, "4071938265103847562910384756102938");
    EXPECT_EQ(extractor.dest_dir, "C:\\VE4\\TEMP");
}

TEST_F(EngineTest, TheRunIsEnteredOnce) {
    MemoryExtractor extractor({ProductPayload()});
    engine::Installation installation(settings_, view_);
    extractor.Attach(installation);
    installation.Run(extractor);
    const size_t messages = dialogs_.shown.size();
    installation.Run(extractor);
    EXPECT_EQ(dialogs_.shown.size(), messages);
    EXPECT_EQ(extractor.zip_names.size(), 1u);
}

}  // namespace
}  // namespace engine_test

#endif  // _WIN32
