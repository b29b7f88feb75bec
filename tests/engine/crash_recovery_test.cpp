// An installation whose process dies at any change of the file system or the registry is put
// right by the next start of the setup program: the machine is exactly as it was before the
// run, or, when the run had already completed, exactly as a complete installation leaves it.

#ifndef _WIN32  // the process is stopped by the posix backend's fault injection

#include <filesystem>
#include <map>

#include "engine/recovery.h"
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
                                       settings_.programs_folder, settings_.desktop_folder, settings_.journal_folder}) {
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
    int InstallStoppingAt(uint64_t n, const Volumes& payload) {
        settings_ = ProductSettings();
        settings_.keep_files = {"RESULTS.DAT", "DATA\\KEPT.DAT"};
        settings_.file_exts = {{"qmx", "%InstallDir%\\bin", "a.exe", "Task file", 2}};
        return platform::PosixMachine::RunInChildProcess([&] {
            platform::PosixMachine::StopAtChange(n);
            Install(payload);
        });
    }

    // Recovery in a child process that stops just before its mth change (0: never).
    int RecoverStoppingAt(uint64_t m) {
        return platform::PosixMachine::RunInChildProcess([&] {
            platform::PosixMachine::StopAtChange(m);
            RecoverJournals();
        });
    }

    // The run of payload stopped at its nth change for every n, and for each n recovered
    // straight away and after a recovery stopped at its mth change, for every m until a
    // recovery runs through: the whole machine ends as before the run or, once the run had
    // completed, as after a complete run. Returns the number of changes the run made.
    uint64_t CheckEveryStop(const Volumes& payload, const Snapshot& before, const Snapshot& after) {
        bool finished = false;
        for (uint64_t n = 1;; ++n) {
            for (uint64_t m = 0;; ++m) {
                SCOPED_TRACE("run stopped at change " + std::to_string(n) + ", recovery at " + std::to_string(m));
                Prepare();
                const int code = InstallStoppingAt(n, payload);
                if (code == 0) return n - 1;  // the run made fewer changes than n
                EXPECT_EQ(code, platform::PosixMachine::kStoppedAtChange);
                bool recovery_ran_through = false;
                if (m != 0) {
                    const int recovery = RecoverStoppingAt(m);
                    EXPECT_TRUE(recovery == 0 || recovery == platform::PosixMachine::kStoppedAtChange) << recovery;
                    recovery_ran_through = recovery == 0;
                }
                const engine::RecoveryResult result = RecoverJournals();
                EXPECT_TRUE(result.outcome == engine::RecoveryOutcome::Recovered ||
                            result.outcome == engine::RecoveryOutcome::NothingToDo)
                    << static_cast<int>(result.outcome) << " " << result.reason;
                const Snapshot state = Take();
                // Once the run has completed, every later stop leaves the complete installation.
                if (m == 0 && state == after) finished = true;
                EXPECT_EQ(state, finished ? after : before);
                if (HasFailure()) return n;
                if (recovery_ran_through) break;
            }
        }
    }
};

TEST_F(CrashRecoveryTest, EveryStopIsUndoneOrFinishedAlsoAfterASecondCrash) {
    platform::PosixMachine::SetFlushToDisk(false);  // the process stops, the machine does not
    Prepare();
    const Snapshot before = Take();
    ASSERT_EQ(InstallStoppingAt(0, Payload()), 0);
    const Snapshot after = Take();
    ASSERT_NE(after, before);
    ASSERT_EQ(after.count("C:\\VE4\\LIB\\fresh.dll"), 1u);
    EXPECT_GT(CheckEveryStop(Payload(), before, after), 60u);
}

// The run's own failure path (its last entry is damaged) stopped at any of its changes, and
// its recovery stopped again, still ends with the machine as before the run.
TEST_F(CrashRecoveryTest, AFailurePathStoppedAnywhereIsUndone) {
    platform::PosixMachine::SetFlushToDisk(false);
    Volumes damaged = Payload();
    damaged[0].push_back({"zz-last.txt", "damaged", false});
    Prepare();
    const Snapshot before = Take();
    ASSERT_EQ(InstallStoppingAt(0, damaged), 0);
    ASSERT_EQ(Take(), before);
    EXPECT_GT(CheckEveryStop(damaged, before, before), 60u);
}

}  // namespace
}  // namespace engine_test

#endif  // _WIN32
