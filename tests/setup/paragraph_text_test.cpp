// The readme and licence texts are joined into paragraphs before the viewer shows them.

#include "setup/paragraph_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace setup {
namespace {

using Lines = std::vector<std::string>;

TEST(JoinParagraphs, JoinsLinesAndKeepsBlankLinesAndListItems) {
    EXPECT_EQ(JoinParagraphs({"Item one", "continued", "", "- point"}), (Lines{"Item one continued", "", "- point"}));
}

TEST(JoinParagraphs, ContinuationLinesAreTrimmedButTheFirstLineIsKeptAsRead) {
    EXPECT_EQ(JoinParagraphs({"  Indented start", "   next part   "}), (Lines{"  Indented start next part"}));
}

TEST(JoinParagraphs, ListItemsAndCopyrightLinesStartLinesOfTheirOwn) {
    EXPECT_EQ(JoinParagraphs({"Intro", "  * star item", "goes on", "-dash", "copyright (c) 2024", "Text"}),
              (Lines{"Intro", "  * star item goes on", "-dash", "copyright (c) 2024 Text"}));
    EXPECT_EQ(JoinParagraphs({"Intro", "COPYRIGHTED works"}), (Lines{"Intro", "COPYRIGHTED works"}));
    EXPECT_EQ(JoinParagraphs({"Intro", "COPYRIGH"}), (Lines{"Intro COPYRIGH"}));
}

TEST(JoinParagraphs, ALineOfBlanksContinuesTheParagraph) {
    EXPECT_EQ(JoinParagraphs({"First", "   ", "second"}), (Lines{"First  second"}));
    // At the start of a paragraph, blanks are its first line as read.
    EXPECT_EQ(JoinParagraphs({"   ", "next"}), (Lines{"    next"}));
}

TEST(JoinParagraphs, SeveralBlankLinesStayAndNothingIsLostAtTheEnd) {
    EXPECT_EQ(JoinParagraphs({"a", "", "", "b", "c"}), (Lines{"a", "", "", "b c"}));
    EXPECT_EQ(JoinParagraphs({}), Lines{});
    EXPECT_EQ(JoinParagraphs({""}), (Lines{""}));
}

}  // namespace
}  // namespace setup
