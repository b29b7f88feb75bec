// The engine window of a good installation: where the Install command puts it, what its status
// line says before the first file is in place, and that the run then ends normally. The
// scenario puts a large incompressible entry first in the payload, so the window stays up at
// "data reading..." long enough to be read and pictured.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/input.h"

namespace {

using namespace e2e;

constexpr Milliseconds kInstallTimeout{180000};
const char kStatusPrefix[] = "DE roz OZE-2 Install: ";

// The status line of the engine window, if window is one: the text of its label that starts
// with the installation caption.
Window StatusLine(const Window& window) {
    for (const Window& child : window.Descendants()) {
        if (child.Text().rfind(kStatusPrefix, 0) == 0) return child;
    }
    return Window();
}

TEST(InstallProgress, EngineWindowSitsBelowTheMainWindowAndReadsTheData) {
    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();
    const Rect main_rect = main.ScreenRect();
    ASSERT_TRUE(PressButton(main, "Install"));

    // Polled as fast as the harness goes: the first status line lasts only while the first
    // entry is read.
    Window engine;
    std::string first_status;
    WaitUntil(
        [&] {
            for (const Window& window : TopLevelWindows(session.Program().Id())) {
                if (window == main) continue;
                if (const Window status = StatusLine(window)) {
                    engine = window;
                    first_status = status.Text();
                    return true;
                }
            }
            return !session.Program().Running();
        },
        kStepTimeout);
    ASSERT_TRUE(engine) << session.OpenWindows();
    EXPECT_EQ(first_status, "DE roz OZE-2 Install: data reading...");
    EXPECT_EQ(TaskBarButtons(session.Program().Id()), std::vector<std::string>{"VIrovARI2 Install"});

    const Rect engine_rect = engine.ScreenRect();
    EXPECT_EQ(engine_rect.top, main_rect.bottom);
    EXPECT_EQ(engine_rect.left, main_rect.left);
    EXPECT_EQ(engine_rect.Width(), main_rect.Width());
    const auto bars = engine.ChildrenOfClass("msctls_progress32");
    ASSERT_EQ(bars.size(), 1u) << engine.Describe();
    EXPECT_EQ(bars[0].ScreenRect().Width(), engine_rect.Width() - 10) << engine.Describe();
    EXPECT_EQ(bars[0].ScreenRect().left - engine_rect.left, 5) << engine.Describe();
    EXPECT_TRUE(session.Shot("progress-window", engine));

    const Window final_message = session.WaitForDialog({"Information", "Warning", "Error"}, kInstallTimeout);
    ASSERT_TRUE(final_message) << session.OpenWindows();
    EXPECT_EQ(final_message.Text(), "Information") << DialogMessage(final_message);
    ASSERT_TRUE(PressButton(final_message, "OK"));
    EXPECT_TRUE(session.WaitForExit().has_value()) << session.OpenWindows();
}

}  // namespace
