// Choosing the destination with the directory dialog: what it gives back to the main window.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/files.h"
#include "driver/input.h"

namespace {

using namespace e2e;

struct BrowseStart {
    Window main;
    Window destination;
    Window dialog;
    Window name_field;
};

// Starts the program and opens the directory dialog from the main window.
BrowseStart OpenDirectoryDialog(Session& session) {
    BrowseStart start;
    start.main = session.WaitForWindow("VI4zodAVI2 Install");
    if (!start.main) return start;
    const auto fields = start.main.ChildrenOfClass("Edit");
    if (fields.size() == 1) start.destination = fields[0];
    if (!PressButton(start.main, "Browse...")) return start;
    start.dialog = session.WaitForDialog("Select Directory");
    if (!start.dialog) return start;
    const auto dialog_fields = start.dialog.ChildrenOfClass("Edit");
    if (!dialog_fields.empty()) start.name_field = dialog_fields.front();
    return start;
}

TEST(Browse, CancelLeavesTheDestinationAlone) {
    Session session;
    const BrowseStart start = OpenDirectoryDialog(session);
    ASSERT_TRUE(start.dialog && start.destination && start.name_field) << session.OpenWindows();
    session.Shot("directory-dialog", start.dialog);

    SetText(start.name_field, "C:\\setup");
    ASSERT_TRUE(PressButton(start.dialog, "Cancel")) << start.dialog.Describe();
    EXPECT_TRUE(WaitUntilGone(start.dialog, kStepTimeout));
    EXPECT_EQ(start.destination.Text(), "C:\\Program Files (x86)\\VE4");
}

TEST(Browse, ChosenDirectoryBecomesTheDestination) {
    Session session;
    const BrowseStart start = OpenDirectoryDialog(session);
    ASSERT_TRUE(start.dialog && start.destination && start.name_field) << session.OpenWindows();

    SetText(start.name_field, "C:\\setup");
    ASSERT_TRUE(PressButton(start.dialog, "OK")) << start.dialog.Describe();
    EXPECT_TRUE(WaitUntilGone(start.dialog, kStepTimeout)) << session.OpenWindows();
    EXPECT_EQ(start.destination.Text(), "C:\\setup");
}

TEST(Browse, MissingDirectoryIsAcceptedAfterTheQuestionButNotCreated) {
    Session session;
    const BrowseStart start = OpenDirectoryDialog(session);
    ASSERT_TRUE(start.dialog && start.destination && start.name_field) << session.OpenWindows();

    SetText(start.name_field, "C:\\Brand New");
    ASSERT_TRUE(PressButton(start.dialog, "OK"));
    const Window question = session.WaitForDialog(std::vector<std::string>{}, kStepTimeout);
    ASSERT_TRUE(question) << session.OpenWindows();
    EXPECT_EQ(DialogMessage(question), "The specified directory does not exist. Create it?");
    ASSERT_TRUE(PressButton(question, "Yes")) << question.Describe();
    EXPECT_TRUE(WaitUntilGone(start.dialog, kStepTimeout)) << session.OpenWindows();
    EXPECT_EQ(start.destination.Text(), "C:\\Brand New");
    EXPECT_FALSE(DirectoryExists("C:\\Brand New"));
}

}  // namespace
