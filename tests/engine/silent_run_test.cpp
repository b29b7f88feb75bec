// A silent run through the engine: the retry question for a file in use is answered Repeat
// once a second for 30 seconds and then Next, and the final message is recorded, not shown.

#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "setup/recording_dialogs.h"

namespace engine_test {
namespace {

#ifndef _WIN32  // scenarios on the posix backend's machine root

TEST_F(EngineTest, SilentRunGivesUpOnAFileInUseAfterThirtySeconds) {
    const std::string core = "C:\\windows\\system32\\VE4.DLL";
    WriteFile(core, "old core");
    platform::PosixMachine::MarkInUse(core, true);
    setup::SetupLog log("C:\\run.log");
    int waited = 0;
    setup::RecordingDialogs silent(nullptr, log, [&](int milliseconds) { waited += milliseconds; });
    platform::Services services;
    services.dialogs = &silent;
    platform::ScopedServices scope(services);

    Install({{{"SYSTEM\\VE4.DLL", "new core"}, {"last.txt", "last"}}});

    EXPECT_EQ(waited, 30000);
    EXPECT_EQ(ReadFile(core), "old core");
    EXPECT_EQ(ReadFile("C:\\VE4\\last.txt"), "last");
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_EQ(view_.exit_code, platform::ExitCode::InstalledWithFailures);
    const std::string record = ReadFile("C:\\run.log");
    EXPECT_EQ(record.find("Warning: Could not update the \"" + core + "\" file."), 0u) << record;
    EXPECT_NE(record.find("Answer: Next\r\nInformation: The DE roz OZE-2 system is installed.\r\n"), std::string::npos)
        << record;
    platform::PosixMachine::MarkInUse(core, false);
}

#endif  // _WIN32

}  // namespace
}  // namespace engine_test
