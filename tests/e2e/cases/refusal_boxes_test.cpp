// The boxes with which the Install command turns a destination down or asks before going
// on, each with its exact text, kind and buttons; after each one the main window is back,
// usable, and nothing has been written to the destination.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/files.h"
#include "driver/input.h"

namespace {

using namespace e2e;

const char kDestination[] = "C:\\Program Files (x86)\\VE4";

class Refusals : public ::testing::Test {
protected:
    // Puts text in the destination field and presses Install; the box that comes up.
    Window InstallInto(const std::string& destination) {
        main_ = session_.WaitForWindow("VI4zodAVI2 Install");
        if (!main_) return Window();
        const auto fields = main_.ChildrenOfClass("Edit");
        if (fields.size() != 1) return Window();
        SetText(fields[0], destination);
        if (!PressButton(main_, "Install")) return Window();
        return session_.WaitForDialog({"Error", "Warning", "Information", "Confirm"}, kStepTimeout);
    }

    // Answers box with button and checks that the main window is there again and still
    // answers: Browse opens the directory dialog, which Cancel closes.
    void AnswerAndExpectTheMainWindowBack(const Window& box, const std::string& button) {
        ASSERT_TRUE(PressButton(box, button));
        EXPECT_TRUE(WaitUntilGone(box, kStepTimeout));
        Pause(Milliseconds(500));
        EXPECT_TRUE(session_.Program().Running());
        EXPECT_TRUE(main_.Visible());
        EXPECT_TRUE(main_.Enabled());
        ASSERT_TRUE(PressButton(main_, "Browse..."));
        const Window browse = session_.WaitForDialog("Select Directory");
        ASSERT_TRUE(browse) << session_.OpenWindows();
        ASSERT_TRUE(PressButton(browse, "Cancel")) << browse.Describe();
        EXPECT_TRUE(WaitUntilGone(browse, kStepTimeout)) << session_.OpenWindows();
    }

    Session session_;
    Window main_;
};

// Blanks count as empty: a destination of spaces would otherwise become a path on the
// current drive's root.
TEST_F(Refusals, EmptyDestination) {
    const Window box = InstallInto("   ");
    ASSERT_TRUE(box) << session_.OpenWindows();
    EXPECT_EQ(box.Text(), "Error");
    EXPECT_EQ(DialogMessage(box), "The destination directory is not specified. Choose a directory.");
    EXPECT_EQ(ButtonCaptions(box), std::vector<std::string>{"OK"});
    session_.Shot("refusal-empty-destination", box);
    AnswerAndExpectTheMainWindowBack(box, "OK");
}

TEST_F(Refusals, BaseProductMissing) {
    const Window box = InstallInto("C:\\NoBaseProduct");
    ASSERT_TRUE(box) << session_.OpenWindows();
    EXPECT_EQ(box.Text(), "Error");
    EXPECT_EQ(DialogMessage(box),
              "You need previously install the basic variant of Quillmark of version 4.22 or higher in the "
              "specified directory.");
    EXPECT_EQ(ButtonCaptions(box), std::vector<std::string>{"OK"});
    session_.Shot("refusal-base-missing", box);
    AnswerAndExpectTheMainWindowBack(box, "OK");
    EXPECT_FALSE(DirectoryExists("C:\\NoBaseProduct"));
}

// The scenario dates the base library in the system directory 2005: the question comes after
// the destination checks, and No leaves everything as it was.
TEST_F(Refusals, OldComponentsAnsweredNo) {
    const std::string library = SystemDirectory() + "\\ve4.dll";
    const auto library_bytes = ReadWholeFile(library);
    ASSERT_TRUE(library_bytes.has_value()) << "the scenario did not put the old library in place";
    const auto before = DirectoryContents(kDestination);
    ASSERT_FALSE(before.empty()) << "the scenario did not lay out the base product";

    const Window box = InstallInto(kDestination);
    ASSERT_TRUE(box) << session_.OpenWindows();
    EXPECT_EQ(box.Text(), "Warning");
    EXPECT_EQ(DialogMessage(box),
              "The old versions of some Quillmark components were found on your computer. It will be modified, "
              "but using Corvina version 2.4 or lower will lead to unproper work of Quillmark in the Corvina "
              "environment (in the other environments Quillmark will work correctly). To avoid this problem you "
              "should use Corvina version 2.5 or higher. Do you want to continue installation of Quillmark with "
              "replacement of the old components by the new ones?");
    EXPECT_EQ(ButtonCaptions(box), (std::vector<std::string>{"Yes", "No"}));
    session_.Shot("refusal-old-components", box);
    AnswerAndExpectTheMainWindowBack(box, "No");
    // The write test's probe is gone again and nothing else was placed.
    EXPECT_TRUE(DirectoryContents(kDestination) == before);
    EXPECT_EQ(ReadWholeFile(library), library_bytes);
}

}  // namespace
