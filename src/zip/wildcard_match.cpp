#include "zip/wildcard_match.h"

#include <cstdint>
#include <vector>

#include "zip/zip_lib.h"

namespace zip {

namespace {

// A parsed character set: its text between the brackets (after any negation mark).
struct CharacterSet {
    bool negated = false;
    size_t first = 0;  // first item in the pattern
    size_t last = 0;   // one past the last item (the position of '>')
};

// Parses the set opening at pattern[open] == '<'; false for a malformed set. next receives
// the position after '>'.
bool ParseSet(const std::string& pattern, size_t open, CharacterSet& set, size_t& next) {
    size_t at = open + 1;
    if (at < pattern.size() && (pattern[at] == '!' || pattern[at] == '^')) {
        set.negated = true;
        ++at;
    }
    set.first = at;
    bool has_item = false;
    while (at < pattern.size() && pattern[at] != '>') {
        if (at + 1 < pattern.size() && pattern[at + 1] == '-') {
            // A range needs its second character before the closing bracket.
            if (at + 2 >= pattern.size() || pattern[at + 2] == '>') return false;
            at += 3;
        } else {
            at += 1;
        }
        has_item = true;
    }
    if (at >= pattern.size() || !has_item) return false;
    set.last = at;
    next = at + 1;
    return true;
}

bool InSet(const std::string& pattern, const CharacterSet& set, char character) {
    const unsigned char value = static_cast<unsigned char>(character);
    bool inside = false;
    for (size_t at = set.first; at < set.last && !inside;) {
        const unsigned char low = static_cast<unsigned char>(pattern[at]);
        if (at + 1 < set.last && pattern[at + 1] == '-') {
            const unsigned char high = static_cast<unsigned char>(pattern[at + 2]);
            const unsigned char from = low < high ? low : high;
            const unsigned char to = low < high ? high : low;
            inside = value >= from && value <= to;
            at += 3;
        } else {
            inside = value == low;
            at += 1;
        }
    }
    return inside != set.negated;
}

class Matcher {
public:
    Matcher(const std::string& pattern, const std::string& text) : pattern_(pattern), text_(text) {
        const uint64_t states = static_cast<uint64_t>(pattern.size() + 1) * (text.size() + 1);
        // Failed states are remembered so that several stars cannot make the search explode.
        if (states <= (1u << 24)) failed_.assign(static_cast<size_t>(states), 0);
    }

    int Match(size_t p, size_t t) {
        const size_t state = p * (text_.size() + 1) + t;
        if (!failed_.empty() && failed_[state] != 0) return failed_[state];
        const int result = MatchFrom(p, t);
        if (result != kWildcardMatch && !failed_.empty()) failed_[state] = static_cast<uint8_t>(result);
        return result;
    }

private:
    int MatchFrom(size_t p, size_t t) {
        while (true) {
            if (p == pattern_.size()) return t == text_.size() ? kWildcardMatch : kWildcardPatternEnded;
            if (t == text_.size()) {
                // One star left over still matches the empty rest; anything more does not.
                return p + 1 == pattern_.size() && pattern_[p] == '*' ? kWildcardMatch : kWildcardTextEnded;
            }
            const char wanted = pattern_[p];
            if (wanted == '*') return MatchStar(p, t);
            if (wanted == '?') {
                ++p;
                ++t;
                continue;
            }
            if (wanted == '<') {
                CharacterSet set;
                size_t next = 0;
                if (!ParseSet(pattern_, p, set, next)) return kWildcardMalformed;
                if (!InSet(pattern_, set, text_[t])) return kWildcardSetFailed;
                p = next;
                ++t;
                continue;
            }
            if (wanted != text_[t]) return kWildcardLiteralFailed;
            ++p;
            ++t;
        }
    }

    int MatchStar(size_t p, size_t t) {
        size_t next = p + 1;
        CharacterSet set;
        bool restricted = false;
        if (next < pattern_.size() && pattern_[next] == '<') {
            if (!ParseSet(pattern_, next, set, next)) return kWildcardMalformed;
            restricted = true;
        }
        int result = kWildcardTextEnded;
        size_t taken = t;
        for (;; ++taken) {
            if (next == pattern_.size() && !restricted) return kWildcardMatch;
            // The star at p starting at a later position has been tried before: it failed
            // then and would fail again.
            if (taken > t && Failed(p, taken) != 0) {
                result = Failed(p, taken);
                break;
            }
            result = Match(next, taken);
            if (result == kWildcardMatch) return result;
            if (taken == text_.size()) break;
            if (restricted && !InSet(pattern_, set, text_[taken])) {
                result = kWildcardSetFailed;
                break;
            }
        }
        // Every later start of this star fails as well; remember them all.
        for (size_t k = t; k <= taken && k <= text_.size(); ++k) MarkFailed(p, k, result);
        return result;
    }

    uint8_t Failed(size_t p, size_t t) const {
        return failed_.empty() ? 0 : failed_[p * (text_.size() + 1) + t];
    }
    void MarkFailed(size_t p, size_t t, int code) {
        if (!failed_.empty()) failed_[p * (text_.size() + 1) + t] = static_cast<uint8_t>(code);
    }

    const std::string& pattern_;
    const std::string& text_;
    std::vector<uint8_t> failed_;
};

}  // namespace

int WildcardMatch(const std::string& pattern, const std::string& text) {
    const std::string lower_pattern = AsciiLower(pattern);
    const std::string lower_text = AsciiLower(text);
    if (lower_pattern == "*") return kWildcardMatch;
    Matcher matcher(lower_pattern, lower_text);
    return matcher.Match(0, 0);
}

}  // namespace zip
