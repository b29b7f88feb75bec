// An options file beside the program (written by the "options" scenario of scripts/e2e.sh):
//   [Main] InstallDir=%programfilesdir%\VE4, AutoRun=1   [Links] Desktop=0   [Setup] Run=0
// The installation starts by itself, into the destination the file names, and the base
// product's utility is not started.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/files.h"

namespace {

using namespace e2e;

TEST(Options, AutoRunInstallsWithoutAClickAndRunOffStartsNothing) {
    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();

    const Window final_message = session.WaitForDialog({"Information", "Warning", "Error"}, Milliseconds(180000));
    EXPECT_TRUE(final_message) << session.OpenWindows();
    if (final_message) {
        EXPECT_EQ(final_message.Text(), "Information");
        EXPECT_EQ(DialogMessage(final_message),
                  "The DE roz OZE-2 system is installed successfully.\r\n"
                  "Shortcuts of the DE roz OZE-2 system are placed in the \"DE roz OZE-2\" program group of the "
                  "Start Menu.");
        EXPECT_TRUE(PressButton(final_message, "OK"));
    }
    ASSERT_TRUE(session.WaitForExit().has_value()) << session.OpenWindows();

    EXPECT_TRUE(FileExists("C:\\Program Files (x86)\\VE4\\VIrovARI2\\readme_en.txt"));
    Pause(Milliseconds(2000));  // the utility would have been started by now
    EXPECT_FALSE(FileExists("C:\\Program Files (x86)\\VE4\\ri4razoz-run.txt"));
}

}  // namespace
