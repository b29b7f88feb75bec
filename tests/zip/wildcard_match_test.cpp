// The wildcard matcher and its result codes.

#include <gtest/gtest.h>

#include "zip/wildcard_match.h"

namespace {

struct Case {
    const char* pattern;
    const char* text;
    int expected;
};

TEST(WildcardMatch, GivesTheDocumentedCodes) {
    const Case cases[] = {
        {"*", "anything\\at all", 1},
        {"*.txt", "readme.txt", 1},
        {"*.txt", "docs\\readme.txt", 1},  // the star crosses backslashes
        {"?.txt", "ab.txt", 5},
        {"?.txt", "a.txt", 1},
        {"<a-c>*", "bravo.doc", 1},
        {"<a-c>*", "delta.doc", 4},
        {"<!a-c>*", "bravo.doc", 4},
        {"<^a-c>*", "delta.doc", 1},
        {"<c-a>x", "bx", 1},  // a range in either order
        {"<>*", "a", 6},
        {"<a-", "a", 6},
        {"<a->", "a", 6},
        {"<abc", "a", 6},
        {"readme*", "readme", 1},
        {"readme**", "readme", 3},
        {"readme.txt", "readme", 3},
        {"readme", "readme.txt", 2},
        {"*<a-c>x", "abx", 1},
        {"*<a-c>x", "adx", 4},
        {"*<a-c>", "cab", 1},
        {"README.TXT", "readme.txt", 1},
        {"a*b*c*d", "axxbyyczzd", 1},
        {"a*b*c*d", "axxbyyczz", 3},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.pattern) + " / " + test.text);
        EXPECT_EQ(zip::WildcardMatch(test.pattern, test.text), test.expected);
    }
}

TEST(WildcardMatch, OnlyAsciiLettersIgnoreCase) {
    const std::string upper_cyrillic_a = "\xC0";  // Windows-1251
    const std::string lower_cyrillic_a = "\xE0";
    EXPECT_EQ(zip::WildcardMatch(upper_cyrillic_a, upper_cyrillic_a), 1);
    EXPECT_NE(zip::WildcardMatch(upper_cyrillic_a, lower_cyrillic_a), 1);
}

TEST(WildcardMatch, ManyStarsOnALongNameFinishQuickly) {
    const std::string text(4000, 'a');
    EXPECT_NE(zip::WildcardMatch("*a*a*a*a*a*a*a*b", text), 1);
}

}  // namespace
