// The program file carries what Windows and deployment tools read before starting it: a
// manifest asking for administrator rights and per-monitor DPI awareness and naming the
// Windows versions it knows, and version information in English and Russian.

#include <gtest/gtest.h>

#include "driver/resources.h"
#include "driver/text.h"

namespace {

using namespace e2e;

std::string Program() { return EnvironmentOr("VI_E2E_PROGRAM", "C:\\setup\\VIrovARI2.exe"); }

TEST(Resources, ManifestAsksForAdministratorRightsAndDpiAwarenessAndNamesTheSupportedWindows) {
    const auto manifest = ManifestOf(Program());
    ASSERT_TRUE(manifest.has_value());
    EXPECT_NE(manifest->find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest->find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest->find(">true</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest->find(">PerMonitorV2</dpiAwareness>"), std::string::npos);
    for (const char* windows : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                                "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                                "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {
        EXPECT_NE(manifest->find(windows), std::string::npos) << windows;
    }
}

TEST(Resources, VersionInformationInEnglishAndRussian) {
    EXPECT_EQ(FileVersion(Program()), "1.6.0.0");
    for (const char* block : {"040904E4", "041904E3"}) {
        SCOPED_TRACE(block);
        EXPECT_EQ(VersionString(Program(), block, "FileDescription"), "VIrovARI2 Install");
        EXPECT_EQ(VersionString(Program(), block, "ProductName"), "DE roz OZE-2");
        EXPECT_EQ(VersionString(Program(), block, "ProductVersion"), "1.6");
    }
    EXPECT_EQ(VersionString(Program(), "040904E4", "LegalCopyright"), "All rights reserved");
    EXPECT_EQ(VersionString(Program(), "041904E3", "LegalCopyright"), "Все права защищены");
}

}  // namespace
