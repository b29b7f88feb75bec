// A setup program without its payload beside it says so and ends, installing nothing.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"

namespace {

using namespace e2e;

TEST(MissingPayload, ShowsTheErrorAndEnds) {
    Session session;
    const Window error = session.WaitForWindow("Error");
    ASSERT_TRUE(error) << session.OpenWindows();
    session.Shot("missing-payload", error);
    EXPECT_EQ(DialogMessage(error), "The VIrovARI2.dat file is not found. Installation will be terminated.");
    EXPECT_EQ(ButtonCaptions(error), (std::vector<std::string>{"OK"}));

    ASSERT_TRUE(PressButton(error, "OK"));
    const auto exit_code = session.WaitForExit();
    ASSERT_TRUE(exit_code.has_value()) << session.OpenWindows();
    EXPECT_EQ(*exit_code, 3u);  // a payload volume missing
}

}  // namespace
