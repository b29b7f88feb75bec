// An installation whose process dies at any change of the file system or the registry is put
// right by the next start of the setup program: the machine is exactly as it was before the
// run, or, when the run had already completed, exactly as a complete installation leaves it.

#ifndef _WIN32  // the process is stopped by the posix backend's fault injection

#include <filesystem>
#include <map>

#include "engine/rollback.h"
#include "engine_fixture.h"

namespace engine_test {
namespace {

// Every file and directory of drive C: with its attributes and, for a file, its bytes.
using Snapshot = std::map<std::string, std::string>;

class CrashRecoveryTest : public EngineTest {
protected:
    void Prepare() {
        std::filesystem::remove_all(machine_.HostRoot() + "/c");
        std::filesystem::remove_all(machine_.HostRoot() + "/registry");
        std::filesystem::create_directory(machine_.HostRoot() + "/c");
        for (const std::string& dir : {std::string("C:\\VE4"), std::string("C:\\setup"), std::string("C:\\windows\\system32"),
                                       settings_.programs_folder, settings_.desktop_folder}) {
            platform::Files().ForceDirectories(dir);
        }
        WriteFile("C:\\VE4\\ri4razoz.exe", "base product utility");
        WriteFile("C:\\VE4\\LIB\\x.dll", "old x");
        SetReadOnly("C:\\VE4\\LIB\\x.dll", true);
        WriteFile("C:\\VE4\\results.dat", "the user's results");
        WriteFile("C:\\VE4\\TEMP\\notes.txt", "the user's notes");
        WriteFile("C:\\VE4\\UNINST\\virovari2_1_0.log", "earlier header|\r\nC:\\VE4\\old.txt\r\n");
        WriteFile("C:\\windows\\system32\\VE4.DLL", "old core");
        platform::Files().SetAttributes("C:\\windows\\system32\\VE4.DLL", platform::attribute::kHidden);
        WriteFile(settings_.programs_folder + "\\DE roz OZE-2\\DE roz OZE-2 Info.lnk", "earlier shortcut");
        // An association of the user's, one key of it with a value no journal line could hold.
        platform::posix::PosixShell machine_shell;
        machine_shell.SetClassesRootValue(".qmx", "users.qmx");
        machine_shell.SetClassesRootValue("qmx\\DefaultIcon", "icons.dll,\t1\r\n%41");
    }

    static Volumes Payload() {
        return {{{"LIB\\x.dll", "new x"},
                 {"LIB\\fresh.dll", "fresh"},
                 {"MPI\\include\\mpi.h", "header"},
                 {"results.dat", "empty results"},
                 {"data\\kept.dat", "kept"},
                 {"SYSTEM\\VE4.DLL", "new core"},
                 {"SYSTEM\\brand-new.dll", "new"},
                 {"VIrovARI2\\VIrovARI2.chm", "help"},
                 {"VIrovARI2\\readme.txt", "readme"}}};
    }

    Snapshot Take() {
        Snapshot snapshot;
        std::function<void(const std::string&)> walk = [&](const std::string& dir) {
            for (const platform::DirectoryEntry& entry : platform::Files().ListDirectory(dir)) {
                const std::string path = dir + "\\" + entry.name;
                const bool directory = (entry.attributes & platform::attribute::kDirectory) != 0;
                snapshot[path] = std::to_string(entry.attributes) + (directory ? "" : " " + ReadFile(path));
                if (directory) walk(path);
            }
        };
        walk("C:");
        snapshot["registry"] = RegistryText();
        return snapshot;
    }

    // The install in a child process that stops just before its nth change (0: never).
    int InstallStoppingAt(uint64_t n) {
        settings_ = ProductSettings();
        settings_.keep_files = {"RESULTS.DAT", "DATA\\KEPT.DAT"};
        settings_.file_exts = {{"qmx", "%InstallDir%\\bin", "a.exe", "Task file", 2}};
        return platform::PosixMachine::RunInChildProcess([&] {
            platform::PosixMachine::StopAtChange(n);
            Install(Payload());
        });
    }
};

TEST_F(CrashRecoveryTest, EveryStopIsUndoneOrFinished) {
    platform::PosixMachine::SetFlushToDisk(false);  // the process stops, the machine does not
    Prepare();
    const Snapshot before = Take();
    ASSERT_EQ(InstallStoppingAt(0), 0);
    const Snapshot after = Take();
    ASSERT_NE(after, before);
    ASSERT_EQ(after.count("C:\\VE4\\LIB\\fresh.dll"), 1u);

    bool finished = false;
    uint64_t n = 1;
    for (;; ++n) {
        SCOPED_TRACE("stopped at change " + std::to_string(n));
        Prepare();
        const int code = InstallStoppingAt(n);
        if (code == 0) break;  // the run made fewer changes than n
        ASSERT_EQ(code, platform::PosixMachine::kStoppedAtChange);
        EXPECT_NE(engine::RollbackJournal::Recover("C:\\VE4\\" + std::string(engine::kJournalName)),
                  engine::RollbackJournal::Recovery::Unreadable);
        const Snapshot state = Take();
        // Once the run has completed, every later stop leaves the complete installation.
        if (state == after) finished = true;
        EXPECT_EQ(state, finished ? after : before);
        if (HasFailure()) break;
    }
    EXPECT_GT(n, 60u);
    EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace engine_test

#endif  // _WIN32
