#pragma once
// The wildcard matcher that selects archive entries by pattern. '?' is any one character,
// '*' any run (also across backslashes), "<a-cx>" a set of characters ("<!...>" or "<^...>"
// its complement). A set right after a star restricts what the star may take. ASCII letters
// match regardless of case.

#include <string>

namespace zip {

enum WildcardResult {
    kWildcardMatch = 1,
    kWildcardPatternEnded = 2,    // the pattern ended before the text
    kWildcardTextEnded = 3,       // the text ended before the pattern
    kWildcardSetFailed = 4,       // a character failed a set
    kWildcardLiteralFailed = 5,   // a character failed a literal
    kWildcardMalformed = 6,       // malformed pattern (bad set)
};

// Matches pattern against the whole of text; returns one of the codes above.
int WildcardMatch(const std::string& pattern, const std::string& text);

}  // namespace zip
