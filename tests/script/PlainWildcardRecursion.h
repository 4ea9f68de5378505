#pragma once
// The wildcard match written as the plain recursion, step for step: every "*" and every
// group tries the rest of the pattern at each place, and nothing is remembered. Exponential
// on purpose; the tests use it only as the yardstick the real matcher must agree with.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brumble::test {

inline bool PlainWildcardMatch(const std::string& text, std::size_t t, const std::string& pattern)
{
    const std::size_t n = pattern.size();
    const std::size_t end = text.size();
    std::size_t p = 0;
    bool r = true;
    for (;;) {
        if (p >= n)
            return t == end;
        const char c = pattern[p];
        std::size_t next = p + 1;
        if (c == '*') {
            while (p + 1 < n && pattern[p + 1] == '*')
                ++p;
            if (t == end && p + 1 == n)
                return true;
            const std::string rest = pattern.substr(p + 1);
            for (std::size_t u = t; u <= end; ++u) {
                if (PlainWildcardMatch(text, u, rest))
                    return true;
            }
            return false;
        }
        if (c == '{') {
            std::size_t open = p + 1;
            const bool negated = open < n && pattern[open] == '^';
            if (negated)
                ++open;
            std::size_t close = open + 1;
            while (close < n && !(pattern[close] == '}' && pattern[close - 1] != '\\'))
                ++close;
            close = close < n ? close : n;
            const std::string rest = close < n ? pattern.substr(close + 1) : std::string();
            std::vector<std::string> alternatives(1);
            for (std::size_t i = open; i < close; ++i) {
                const bool escaped = pattern[i] == '\\' && i + 1 < close &&
                                     (pattern[i + 1] == '|' || pattern[i + 1] == '}');
                if (escaped)
                    alternatives.back() += pattern[++i];
                else if (pattern[i] == '|' || pattern[i] == '}')
                    alternatives.emplace_back();
                else
                    alternatives.back() += pattern[i];
            }
            bool any = false;
            for (const std::string& alternative : alternatives) {
                if (PlainWildcardMatch(text, t, alternative + rest)) {
                    any = true;
                    break;
                }
            }
            return negated ? !any : any;
        }
        if (c == '?') {
            r = t < end;
        } else if (c == '[') {
            std::size_t first = p + 1;
            const bool negated = first < n && pattern[first] == '^';
            if (negated)
                ++first;
            // The first "]" not preceded by a backslash closes the class.
            std::size_t close = first;
            while (close < n &&
                   !(pattern[close] == ']' && (close == first || pattern[close - 1] != '\\')))
                ++close;
            next = close < n ? close + 1 : n;
            if (close > first) { // an empty class leaves r as it is
                // Each item as (low, high) of signed characters.
                std::vector<std::pair<int, int>> items;
                for (std::size_t i = first; i < close;) {
                    auto item = [&](std::size_t& at) {
                        if (pattern[at] == '\\' && at + 1 < close &&
                            (pattern[at + 1] == ']' || pattern[at + 1] == '-')) {
                            at += 2;
                            return static_cast<int>(static_cast<signed char>(pattern[at - 1]));
                        }
                        ++at;
                        return static_cast<int>(static_cast<signed char>(pattern[at - 1]));
                    };
                    const int x = item(i);
                    if (i + 1 < close && pattern[i] == '-') {
                        ++i;
                        const int y = item(i);
                        items.emplace_back(x < y ? x : y, x < y ? y : x);
                    } else {
                        items.emplace_back(x, x);
                    }
                }
                bool hit = false;
                if (t < end) {
                    const int ch = static_cast<signed char>(text[t]);
                    for (const auto& [low, high] : items)
                        hit = hit || (ch >= low && ch <= high);
                }
                r = t < end && hit != negated;
            }
        } else if (c == '\\') {
            if (p + 1 < n &&
                std::string_view("*?[\\{").find(pattern[p + 1]) != std::string_view::npos) {
                r = t < end && text[t] == pattern[p + 1];
                next = p + 2;
            } else {
                r = t < end && text[t] == '\\';
            }
        } else {
            r = t < end && text[t] == c;
        }
        if (t == end)
            return r;
        if (!r)
            return false;
        p = next;
        ++t;
    }
}

inline bool PlainWildcardMatch(const std::string& text, const std::string& pattern)
{
    return PlainWildcardMatch(text, 0, pattern);
}

} // namespace brumble::test
