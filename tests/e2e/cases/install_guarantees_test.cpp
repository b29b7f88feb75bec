// What an installation promises the user under Wine: a library that a running program has
// loaded is not moved aside behind its back, a TEMP directory of the user's survives a
// reinstallation, and a payload damaged anywhere leaves the destination as it was.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/files.h"
#include "driver/input.h"
#include "driver/process.h"

namespace {

using namespace e2e;

const char kDestination[] = "C:\\Program Files (x86)\\VE4";
constexpr Milliseconds kInstallTimeout{180000};

// Presses Install on the main window and waits for the next box.
Window InstallUntilABox(Session& session) {
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    if (!main || !PressButton(main, "Install")) return Window();
    return session.WaitForDialog({"Warning", "Error", "Information"}, kInstallTimeout);
}

// Answers the final message and waits for the program to end.
void FinishWith(Session& session, const Window& final_message) {
    ASSERT_TRUE(final_message) << session.OpenWindows();
    EXPECT_EQ(final_message.Text(), "Information") << DialogMessage(final_message);
    ASSERT_TRUE(PressButton(final_message, "OK"));
    EXPECT_TRUE(session.WaitForExit(kInstallTimeout).has_value()) << session.OpenWindows();
}

// The scenario puts a real library in the system directory as VE4.DLL and the setup program
// that loads it beside the payload, which carries a new VE4.DLL.
TEST(LoadedLibrary, GetsTheRetryDialogAndIsReplacedOnceTheProgramEnds) {
    const std::string library = SystemDirectory() + "\\VE4.DLL";
    const std::string ready = "C:\\shots\\loadlib-ready";
    Process user = Process::Start("C:\\setup\\loadlib.exe", "\"" + library + "\" " + ready, "C:\\setup");
    ASSERT_TRUE(user.Started());
    ASSERT_TRUE(WaitUntil([&] { return FileExists(ready); }, kStepTimeout)) << "the library was not loaded";
    const auto loaded_bytes = ReadWholeFile(library);
    ASSERT_TRUE(loaded_bytes.has_value());

    Session session;
    const Window question = InstallUntilABox(session);
    ASSERT_TRUE(question) << session.OpenWindows();
    EXPECT_EQ(question.Text(), "Warning") << DialogMessage(question);
    EXPECT_NE(DialogMessage(question).find("Could not update the \"" + library + "\" file."), std::string::npos)
        << DialogMessage(question);
    // The library was not moved aside while it is loaded.
    EXPECT_TRUE(ReadWholeFile(library) == loaded_bytes);

    user.Kill();
    ASSERT_TRUE(PressButton(question, "Repeat"));
    FinishWith(session, session.WaitForDialog({"Information", "Warning", "Error"}, kInstallTimeout));
    EXPECT_EQ(ReadWholeFile(library).value_or("<missing>"), "new base product library\r\n");
    for (const auto& [path, bytes] : DirectoryContents(SystemDirectory())) {
        EXPECT_EQ(path.find(".~vi"), std::string::npos) << path << " was left behind";
    }
}

// The scenario gives the destination a TEMP directory of the user's.
TEST(UserTemp, SurvivesAReinstallation) {
    const std::string temp = std::string(kDestination) + "\\TEMP";
    const auto before = DirectoryContents(temp);
    ASSERT_EQ(before.count("notes.txt"), 1u) << "the scenario did not lay out the user's TEMP";

    Session session;
    FinishWith(session, InstallUntilABox(session));
    EXPECT_TRUE(DirectoryContents(temp) == before);
    for (const auto& [path, bytes] : DirectoryContents(kDestination)) {
        EXPECT_EQ(path.find(".~vi"), std::string::npos) << path << " was left behind";
    }
}

// The scenario damages the payload's first entry; the installation fails as a whole.
TEST(DamagedFirstEntry, ShowsTheDataCopyErrorAndLeavesTheDestinationAsItWas) {
    const auto before = DirectoryContents(kDestination);
    Session session;
    const Window error = InstallUntilABox(session);
    ASSERT_TRUE(error) << session.OpenWindows();
    EXPECT_EQ(error.Text(), "Error");
    EXPECT_EQ(DialogMessage(error),
              "Data-copy error. It seems likely that the install application is not in the administrator mode or "
              "the VIrovARI2.dat file is corrupted. Installation will be terminated.");
    ASSERT_TRUE(PressButton(error, "OK"));
    ASSERT_TRUE(session.WaitForExit(kStepTimeout).has_value()) << session.OpenWindows();
    EXPECT_TRUE(DirectoryContents(kDestination) == before);
}

}  // namespace
