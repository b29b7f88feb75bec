// The readme and licence texts in the viewer: short lines joined into paragraphs. The texts
// are the ones scripts/make-demo-payload.sh writes beside the program.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/input.h"

namespace {

using namespace e2e;

Window Memo(const Window& viewer) {
    const auto fields = viewer.ChildrenOfClass("Edit");
    return fields.empty() ? Window{} : fields.front();
}

TEST(Viewer, F1ShowsTheReadmeAsParagraphsAndEnterClosesIt) {
    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();

    PressKey(main, Key::F1);
    const Window viewer = session.WaitForDialog("About DE roz OZE-2 [readme_en.txt]");
    ASSERT_TRUE(viewer) << session.OpenWindows();
    session.Shot("viewer", viewer);

    const Window memo = Memo(viewer);
    ASSERT_TRUE(memo) << viewer.Describe();
    EXPECT_EQ(Lines(memo.Text()),
              (std::vector<std::string>{
                  "DE roz OZE-2 Electronic book of training tasks on MPI-2 programming",
                  "",
                  "The book holds training tasks on parallel programming with MPI-2, with a checker that tests "
                  "every solution.",
                  "",
                  "It contains:",
                  "- tasks on point-to-point messages;",
                  "- tasks on collective operations and communicators;",
                  "* tasks on one-sided communication.",
                  "",
                  "Copyright (c) 2024 DE roz OZE-2 authors All rights reserved.",
              }));
    EXPECT_TRUE(viewer.FindChild("Button", "OK"));

    PressKey(viewer, Key::Enter);
    EXPECT_TRUE(WaitUntilGone(viewer, kStepTimeout)) << viewer.Describe();
    EXPECT_TRUE(main.Visible());
}

TEST(Viewer, LicenseButtonShowsTheLicenceAndEscapeClosesIt) {
    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();

    ASSERT_TRUE(PressButton(main, "License agreement")) << main.Describe();
    const Window viewer = session.WaitForDialog("License agreement [license_en.txt]");
    ASSERT_TRUE(viewer) << session.OpenWindows();
    const auto lines = Lines(Memo(viewer).Text());
    ASSERT_TRUE(lines.size() >= 3) << viewer.Describe();
    EXPECT_EQ(lines[0], "LICENSE AGREEMENT");
    EXPECT_EQ(lines[2], "You may install and use this electronic book on any number of computers of your school.");

    PressKey(viewer, Key::Escape);
    EXPECT_TRUE(WaitUntilGone(viewer, kStepTimeout)) << viewer.Describe();
    EXPECT_TRUE(session.Program().Running());
}

}  // namespace

namespace {

using namespace e2e;

// Run by the "no-readme" scenario, which removes the English readme from beside the program.
TEST(NoReadme, LicenceTakesTheAboutPlaceAndF1OpensIt) {
    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();
    EXPECT_EQ(ButtonCaptions(main), (std::vector<std::string>{"Browse...", "License agreement", "Install", "Exit"}))
        << main.Describe();
    const Window about = main.FindChild("Button", "About DE roz OZE-2");
    const Window license = main.FindChild("Button", "License agreement");
    ASSERT_TRUE(about && license) << main.Describe();
    EXPECT_EQ(license.RectInParent().left, about.RectInParent().left);

    PressKey(main, Key::F1);
    const Window viewer = session.WaitForDialog("License agreement [license_en.txt]");
    EXPECT_TRUE(viewer) << session.OpenWindows();
}

}  // namespace
