// A payload whose entries use every compression method the extractor knows (stored, shrink,
// reduce with each factor, implode with both dictionaries and tree counts, deflate), each
// encrypted with the archive password: installed, every file must be the original byte for
// byte. The scenario leaves the originals in C:\methods-expected under the installed names.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/files.h"
#include "driver/input.h"

namespace {

using namespace e2e;

constexpr Milliseconds kInstallTimeout{180000};

TEST(InstallMethods, EveryCompressionMethodInstallsTheOriginalBytes) {
    const auto expected = DirectoryContents("C:\\methods-expected");
    ASSERT_GE(expected.size(), 9u) << "the scenario did not lay out the expected files";

    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();
    ASSERT_TRUE(PressButton(main, "Install"));
    const Window final_message = session.WaitForDialog({"Information", "Warning", "Error"}, kInstallTimeout);
    ASSERT_TRUE(final_message) << session.OpenWindows();
    EXPECT_EQ(final_message.Text(), "Information") << DialogMessage(final_message);
    ASSERT_TRUE(PressButton(final_message, "OK"));
    EXPECT_TRUE(session.WaitForExit().has_value()) << session.OpenWindows();

    const auto installed = DirectoryContents("C:\\Program Files (x86)\\VE4\\METHODS");
    for (const auto& [name, bytes] : expected) {
        const auto found = installed.find(name);
        if (found == installed.end()) {
            ADD_FAILURE() << name << " was not installed";
            continue;
        }
        EXPECT_EQ(found->second.size(), bytes.size()) << name;
        EXPECT_TRUE(found->second == bytes) << name << " differs from the original";
    }
    EXPECT_EQ(installed.size(), expected.size());
}

}  // namespace
