// The formatter carries every message of the program; the two members of a pair use the same
// argument list in different orders, so indexed items must resume correctly.

#include "locale/format_text.h"

#include <gtest/gtest.h>

namespace locale {
namespace {

TEST(FormatText, PlainItemsTakeTheArgumentsInOrder) {
    EXPECT_EQ(FormatText("Version %s (Build %s)", {"1.6", "19.06.2024"}), "Version 1.6 (Build 19.06.2024)");
}

TEST(FormatText, IndexedItemsPickTheirArgumentAndPlainItemsGoOnAfterThem) {
    EXPECT_EQ(FormatText("The %1:s %0:s is installed.", {"system", "DE roz OZE-2"}), "The DE roz OZE-2 system is installed.");
    EXPECT_EQ(FormatText("%3:s %2:s", {"a", "b", "c", "d"}), "d c");
    EXPECT_EQ(FormatText("%1:s %s %0:s %s", {"a", "b", "c"}), "b c a b");
}

TEST(FormatText, UnusedArgumentsAreIgnored) {
    EXPECT_EQ(FormatText("About DE roz OZE-2", {"system"}), "About DE roz OZE-2");
    EXPECT_EQ(FormatText("%s file", {"x.dat", "system", "DE roz OZE-2"}), "x.dat file");
}

TEST(FormatText, MissingArgumentsGiveNothingInsteadOfFailing) {
    EXPECT_EQ(FormatText("[%s][%s]", {"one"}), "[one][]");
    EXPECT_EQ(FormatText("[%7:s]", {}), "[]");
}

TEST(FormatText, PercentSignsThatStartNoItemStay) {
    EXPECT_EQ(FormatText("100%% done", {}), "100% done");
    EXPECT_EQ(FormatText("%InstallDir%\\x", {"unused"}), "%InstallDir%\\x");
    EXPECT_EQ(FormatText("50%", {}), "50%");
}

TEST(FormatText, WidthAndPrecisionPadAndCut) {
    EXPECT_EQ(FormatText("[%5s][%-5s][%.2s]", {"ab", "cd", "efgh"}), "[   ab][cd   ][ef]");
}

TEST(FormatText, ArgumentTextIsNotFormattedAgain) {
    EXPECT_EQ(FormatText("\"%s\"", {"C:\\100%s"}), "\"C:\\100%s\"");
}

}  // namespace
}  // namespace locale
