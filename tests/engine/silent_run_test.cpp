// A silent run through the engine: every file in use gets its own retries, once a second for
// 30 seconds, and is then replaced at the next restart; the final message is recorded, not
// shown, and a restart that is the run's only problem ends it with 3010.

#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "setup/recording_dialogs.h"
#include "support/record_text.h"

namespace engine_test {
namespace {

#ifndef _WIN32  // scenarios on the posix backend's machine root

using platform::PosixMachine;

class SilentRunTest : public EngineTest {
protected:
    SilentRunTest() { settings_.replace_in_use_at_restart = true; }

    static platform::Services Answering(platform::Dialogs& dialogs) {
        platform::Services services;
        services.dialogs = &dialogs;
        return services;
    }

    setup::SetupLog log_{"C:\\run.log"};
    int waited_ = 0;
    setup::RecordingDialogs silent_{nullptr, log_, [this](int milliseconds) { waited_ += milliseconds; }};
    platform::ScopedServices silent_scope_{Answering(silent_)};
};

TEST_F(SilentRunTest, FilesInUseAreReplacedAtTheNextRestart) {
    const std::string core = "C:\\windows\\system32\\VE4.DLL";
    WriteFile(core, "old core");
    WriteFile("C:\\VE4\\LIB\\x.dll", "old x");
    PosixMachine::MarkInUse(core, true);
    PosixMachine::MarkLoaded("C:\\VE4\\LIB\\x.dll", true);

    Install({{{"SYSTEM\\VE4.DLL", "new core"}, {"LIB\\x.dll", "new x"}, {"last.txt", "last"}}});

    EXPECT_EQ(waited_, 60000);  // 30 seconds for each file
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_EQ(view_.exit_code, platform::ExitCode::RestartNeeded);
    EXPECT_EQ(ReadFile(core), "old core");
    EXPECT_EQ(ReadFile("C:\\VE4\\last.txt"), "last");
    ASSERT_EQ(PosixMachine::ReplacesAtRestart().size(), 2u);
    EXPECT_EQ(PosixMachine::ReplacesAtRestart()[0].second, core);
    const std::string record = test_support::MaskedRecord(ReadFile("C:\\run.log"));
    EXPECT_NE(record.find("<time> Answer: Next\r\n<time> Information: The DE roz OZE-2 system is installed successfully."),
              std::string::npos)
        << record;
    EXPECT_NE(ReadFile("C:\\VE4\\UNINST\\virovari2_1_0.log").find("C:\\VE4\\LIB\\x.dll\r\n"), std::string::npos);

    PosixMachine::Restart();
    EXPECT_EQ(ReadFile(core), "new core");
    EXPECT_EQ(ReadFile("C:\\VE4\\LIB\\x.dll"), "new x");
    EXPECT_EQ(Tree("C:\\VE4\\LIB"), std::vector<std::string>{"x.dll"});
}

// A move at the next restart is made by path, long after the run: it is asked for only in a
// folder nobody else can change. In a destination others can change, a file in use is not
// updated.
TEST_F(SilentRunTest, AFileInUseInAFolderOthersCanChangeIsNotUpdated) {
    const std::string core = "C:\\windows\\system32\\VE4.DLL";
    WriteFile(core, "old core");
    WriteFile("C:\\VE4\\LIB\\x.dll", "old x");
    PosixMachine::MarkInUse(core, true);
    PosixMachine::MarkLoaded("C:\\VE4\\LIB\\x.dll", true);
    PosixMachine::MarkWritableByOthers("C:\\VE4\\LIB");

    Install({{{"SYSTEM\\VE4.DLL", "new core"}, {"LIB\\x.dll", "new x"}}});

    EXPECT_EQ(view_.exit_code, platform::ExitCode::InstalledWithFailures);
    ASSERT_EQ(PosixMachine::ReplacesAtRestart().size(), 1u);
    EXPECT_EQ(PosixMachine::ReplacesAtRestart()[0].second, core);
    EXPECT_EQ(Tree("C:\\VE4\\LIB"), std::vector<std::string>{"x.dll"});
    EXPECT_EQ(ReadFile("C:\\VE4\\LIB\\x.dll"), "old x");
}

// A later run that replaces the file takes the place of the copy an earlier run keeps for
// the next restart: the restart must not bring the older copy back over the newer one.
TEST_F(SilentRunTest, AnEarlierRunsKeptCopyNeverLandsOverANewerFile) {
    WriteFile("C:\\VE4\\LIB\\x.dll", "old x");
    PosixMachine::MarkInUse("C:\\VE4\\LIB\\x.dll", true);
    Install({{{"LIB\\x.dll", "x 1"}}});
    ASSERT_EQ(view_.exit_code, platform::ExitCode::RestartNeeded);

    PosixMachine::MarkInUse("C:\\VE4\\LIB\\x.dll", false);
    view_ = RecordingView{};
    Install({{{"LIB\\x.dll", "x 2"}}});
    EXPECT_EQ(view_.exit_code, platform::ExitCode::Installed);
    EXPECT_EQ(ReadFile("C:\\VE4\\LIB\\x.dll"), "x 2");

    PosixMachine::Restart();
    EXPECT_EQ(ReadFile("C:\\VE4\\LIB\\x.dll"), "x 2");
    EXPECT_EQ(Tree("C:\\VE4\\LIB"), std::vector<std::string>{"x.dll"});
}

#endif  // _WIN32

}  // namespace
}  // namespace engine_test
