// The Install command and the install run when something is wrong with the destination, the
// payload or a library in use: a destination nothing can be written to, a payload whose last
// entry is damaged (everything undone), and a locked system library (the retry question).

#include <gtest/gtest.h>

#include <fstream>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/files.h"
#include "driver/input.h"

namespace {

using namespace e2e;

const char kDestination[] = "C:\\Program Files (x86)\\VE4";
constexpr Milliseconds kInstallTimeout{180000};

// The scenario makes this directory hold the base product and then forbids writing into it.
TEST(ReadOnlyDestination, IsRefusedWithTheReadOnlyMessage) {
    const std::string destination = "R:\\VE4";
    ASSERT_TRUE(FileExists(destination + "\\VE4Ext22.exe")) << "the scenario did not lay out the base product";
    if (CanCreateFile(destination + "\\probe.tmp")) {
        GTEST_SKIP() << "this machine cannot make a directory that refuses new files (the scenario uses "
                        "chattr +i, which needs root on a file system that supports it)";
    }
    const auto before = DirectoryContents(destination);

    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();
    const auto fields = main.ChildrenOfClass("Edit");
    ASSERT_EQ(fields.size(), 1u) << main.Describe();
    SetText(fields[0], destination + "\\");
    ASSERT_TRUE(PressButton(main, "Install"));

    const Window error = session.WaitForDialog({"Error", "Warning", "Information"}, kStepTimeout);
    ASSERT_TRUE(error) << session.OpenWindows();
    EXPECT_EQ(error.Text(), "Error");
    EXPECT_EQ(DialogMessage(error), "The \"R:\\VE4\" directory is read-only. Choose other directory.");
    EXPECT_EQ(ButtonCaptions(error), std::vector<std::string>{"OK"});
    session.Shot("read-only-destination", error);
    ASSERT_TRUE(PressButton(error, "OK"));
    EXPECT_TRUE(WaitUntilGone(error, kStepTimeout));
    Pause(Milliseconds(500));
    EXPECT_TRUE(session.Program().Running());
    EXPECT_TRUE(main.Visible());
    EXPECT_TRUE(DirectoryContents(destination) == before);
}

// A base product with one of its twelve files missing is no base product; nothing is written.
TEST(ReadOnlyDestination, PartialBaseProductIsRefusedBeforeTheWriteTest) {
    const std::string destination = "C:\\PartialBase";
    ASSERT_TRUE(FileExists(destination + "\\VE4Ext20.exe")) << "the scenario did not lay out the base product";
    const auto before = DirectoryContents(destination);

    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();
    SetText(main.ChildrenOfClass("Edit").at(0), destination);
    ASSERT_TRUE(PressButton(main, "Install"));
    const Window error = session.WaitForDialog({"Error", "Warning", "Information"}, kStepTimeout);
    ASSERT_TRUE(error) << session.OpenWindows();
    EXPECT_EQ(error.Text(), "Error");
    EXPECT_EQ(DialogMessage(error),
              "You need previously install the basic variant of Quillmark of version 4.22 or higher in the "
              "specified directory.");
    ASSERT_TRUE(PressButton(error, "OK"));
    EXPECT_TRUE(WaitUntilGone(error, kStepTimeout));
    EXPECT_TRUE(DirectoryContents(destination) == before);
}

// The scenario damages the data of the payload's last entry and puts older copies of two
// payload files in the destination, which a failed run must give back unchanged.
TEST(DamagedPayload, ShowsTheDataCopyErrorAndLeavesTheDestinationAsItWas) {
    const auto before = DirectoryContents(kDestination);
    ASSERT_EQ(before.count("VIrovARI2\\readme.txt"), 1u) << "the scenario did not lay out the older files";

    Session session("/LOG=C:\\setup\\damaged.log");
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();
    ASSERT_TRUE(PressButton(main, "Install"));

    const Window error = session.WaitForDialog({"Error", "Warning", "Information"}, kInstallTimeout);
    ASSERT_TRUE(error) << session.OpenWindows();
    EXPECT_EQ(error.Text(), "Error");
    EXPECT_EQ(DialogMessage(error),
              "Data-copy error. It seems likely that the install application is not in the administrator mode or "
              "the VIrovARI2.dat file is corrupted. Installation will be terminated.");
    session.Shot("data-copy-error", error);
    // The box comes once the run is undone, so that a box left open holds nothing back. The
    // record shows the run had really replaced and added files: what follows checks a
    // rollback, not a run that never started.
    const std::string record = ReadWholeFile("C:\\setup\\damaged.log").value_or("<no record>");
    EXPECT_NE(record.find("] Replaced: " + std::string(kDestination) + "\\VIrovARI2\\readme.txt"), std::string::npos)
        << record;
    EXPECT_NE(record.find("] Placed: " + std::string(kDestination) + "\\MPICH2\\Samples\\task1.c"), std::string::npos)
        << record;
    EXPECT_NE(record.find("] Rolled back: every change of the run was undone"), std::string::npos) << record;
    EXPECT_TRUE(DirectoryContents(kDestination) == before);
    ASSERT_TRUE(PressButton(error, "OK"));
    const auto exit_code = session.WaitForExit(kStepTimeout);
    ASSERT_TRUE(exit_code.has_value()) << session.OpenWindows();
    EXPECT_EQ(*exit_code, 4u);  // failed and rolled back

    const auto after = DirectoryContents(kDestination);
    for (const auto& [path, bytes] : before) {
        const auto found = after.find(path);
        if (found == after.end()) ADD_FAILURE() << path << " is gone";
        else EXPECT_TRUE(found->second == bytes) << path << " was not given back its old bytes";
    }
    for (const auto& [path, bytes] : after) {
        EXPECT_EQ(before.count(path), 1u) << path << " was left behind";
    }
}

// The payload carries a new VE4.DLL for the system directory; the case holds the installed
// one open as a running program would.
class LockedLibrary : public ::testing::Test {
protected:
    static std::string Library() { return SystemDirectory() + "\\VE4.DLL"; }
    static constexpr char kNewBytes[] = "new base product library\r\n";
    static constexpr char kOldBytes[] = "base product library\r\n";

    static void WriteOldLibrary() {
        std::ofstream out(Library(), std::ios::binary | std::ios::trunc);
        out << kOldBytes;
    }

    // Presses Install and waits for the retry question about the library.
    Window InstallUntilTheRetryQuestion(Session& session) {
        const Window main = session.WaitForWindow("VI4zodAVI2 Install");
        if (!main || !PressButton(main, "Install")) return Window();
        return session.WaitForDialog({"Warning", "Error", "Information"}, kInstallTimeout);
    }

    static void ExpectTheRetryQuestion(const Window& question) {
        EXPECT_EQ(question.Text(), "Warning");
        EXPECT_EQ(DialogMessage(question),
                  "Could not update the \"" + Library() +
                      "\" file. It seems likely that the file is used by one of the executing applications. Close "
                      "all applications, except the install program, and press the \"Repeat\" button. If file "
                      "updating fails again, press the \"Next\" button.");
        EXPECT_EQ(ButtonCaptions(question), (std::vector<std::string>{"Repeat", "Next"}));
    }
};

TEST_F(LockedLibrary, RepeatAfterReleaseReplacesIt) {
    WriteOldLibrary();
    HeldFile held(Library());
    ASSERT_TRUE(held.Held());
    Session session;
    const Window question = InstallUntilTheRetryQuestion(session);
    ASSERT_TRUE(question) << session.OpenWindows();
    ExpectTheRetryQuestion(question);
    session.Shot("retry-dialog", question);

    held.Release();
    ASSERT_TRUE(PressButton(question, "Repeat"));
    const Window final_message = session.WaitForDialog({"Information", "Warning", "Error"}, kInstallTimeout);
    ASSERT_TRUE(final_message) << session.OpenWindows();
    EXPECT_EQ(final_message.Text(), "Information") << DialogMessage(final_message);
    ASSERT_TRUE(PressButton(final_message, "OK"));
    EXPECT_TRUE(session.WaitForExit().has_value()) << session.OpenWindows();
    EXPECT_EQ(ReadWholeFile(Library()).value_or("<missing>"), kNewBytes);
}

TEST_F(LockedLibrary, NextKeepsItAndTheFinalMessageListsIt) {
    WriteOldLibrary();
    HeldFile held(Library());
    ASSERT_TRUE(held.Held());
    Session session;
    const Window question = InstallUntilTheRetryQuestion(session);
    ASSERT_TRUE(question) << session.OpenWindows();
    ExpectTheRetryQuestion(question);

    // Repeat while the file is still held only asks again.
    ASSERT_TRUE(PressButton(question, "Repeat"));
    ASSERT_TRUE(WaitUntilGone(question, kStepTimeout));
    const Window again = session.WaitForDialog({"Warning", "Information", "Error"}, kStepTimeout);
    ASSERT_TRUE(again) << session.OpenWindows();
    ExpectTheRetryQuestion(again);
    ASSERT_TRUE(PressButton(again, "Next"));

    const Window final_message = session.WaitForDialog({"Information", "Warning", "Error"}, kInstallTimeout);
    ASSERT_TRUE(final_message) << session.OpenWindows();
    // The run still counts as installed; the failure is one line of the message.
    EXPECT_EQ(final_message.Text(), "Information");
    const std::string message = DialogMessage(final_message);
    EXPECT_EQ(message.rfind("The DE roz OZE-2 system is installed.\r\n", 0), 0u) << message;
    EXPECT_NE(message.find("\r\nCould not update the following files: \r\n\"" + Library() + "\".\r\n"),
              std::string::npos)
        << message;
    session.Shot("final-message-failures", final_message);
    ASSERT_TRUE(PressButton(final_message, "OK"));
    EXPECT_EQ(session.WaitForExit(), 1u) << session.OpenWindows();  // installed with failures
    held.Release();
    EXPECT_EQ(ReadWholeFile(Library()).value_or("<missing>"), kOldBytes);
}

}  // namespace
