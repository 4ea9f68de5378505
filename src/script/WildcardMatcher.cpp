#include "script/WildcardMatcher.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// The characters a backslash escapes outside classes. "\|" and "\}" are handled when a
// group's alternatives are cut out; every other backslash stands for itself.
bool IsEscapable(char c)
{
    return c == '*' || c == '?' || c == '[' || c == '\\' || c == '{';
}

// One class item character at i: "\]" and "\-" stand for the bracket and the hyphen; any
// other backslash is a backslash item of its own. Returns the position after the item.
std::size_t ReadClassChar(std::string_view pattern, std::size_t i, char& item)
{
    if (pattern[i] == '\\' && i + 1 < pattern.size() &&
        (pattern[i + 1] == ']' || pattern[i + 1] == '-')) {
        item = pattern[i + 1];
        return i + 2;
    }
    item = pattern[i];
    return i + 1;
}

// The characters from p on that match only themselves, one by one (no wildcard, class,
// group or backslash among them).
std::string_view PlainRun(std::string_view pattern, std::size_t p)
{
    std::size_t end = p;
    while (end < pattern.size() && !IsEscapable(pattern[end]))
        ++end;
    return pattern.substr(p, end - p);
}

// "[]" and "[^]" (or a lone "[" / "[^" at the pattern's end) have no items: they take any one
// character, and at the end of the text they end the match with success.
bool IsEmptyClass(std::string_view pattern, std::size_t p)
{
    std::size_t i = p + 1;
    if (i < pattern.size() && pattern[i] == '^')
        ++i;
    return i >= pattern.size() || pattern[i] == ']';
}

// The class starting with "[" at p, tested against ch. next receives the position after the
// closing bracket; a class that is never closed ends with the pattern.
bool ClassMatches(std::string_view pattern, std::size_t p, unsigned char ch, std::size_t& next)
{
    const std::size_t n = pattern.size();
    std::size_t i = p + 1;
    bool negated = false;
    if (i < n && pattern[i] == '^') {
        negated = true;
        ++i;
    }
    if (i >= n || pattern[i] == ']') {
        next = std::min(i + 1, n);
        return true;
    }
    // Ranges order the bytes as signed chars, so 0x80-0xFF sort below every ASCII character.
    const int value = static_cast<signed char>(ch);
    bool found = false;
    while (i < n && pattern[i] != ']') {
        char first = 0;
        i = ReadClassChar(pattern, i, first);
        if (i + 1 < n && pattern[i] == '-' && pattern[i + 1] != ']') {
            char last = 0;
            i = ReadClassChar(pattern, i + 1, last);
            int low = static_cast<signed char>(first);
            int high = static_cast<signed char>(last);
            if (low > high)
                std::swap(low, high);
            found = found || (value >= low && value <= high);
        } else {
            found = found || static_cast<unsigned char>(first) == ch;
        }
    }
    next = std::min(i + 1, n);
    return found != negated;
}

// One call of CWildcardMatcher::Match. The language is defined by trying, for every "*" and
// every group, the rest of the pattern at each possible place, which on its own takes time
// exponential in the number of stars ("*a*a*a*a*b" against a long run of a's). The answers
// here are the same, but the result of a star or a group at a given (pattern text, position,
// text position) is remembered once known, so no state is worked out twice.
//
// A group is tried as "alternative followed by the rest of the pattern", one new pattern text
// per alternative. Those texts are built once per call and shared by content, so equal
// continuations reached along different paths share their remembered results too.
//
// The top level of the pattern is reached only once, so nothing is remembered there: the
// usual patterns ("*tells you*", "{north|south} gate") allocate nothing except the texts of
// group alternatives.
class MatchRun {
public:
    MatchRun(std::string_view text, std::string_view pattern) : m_text(text), m_pattern(pattern) {}
    bool Matches() { return Match(0, 0, 0, 0); }

private:
    enum : std::uint8_t { kUnknown = 0, kNo = 1, kYes = 2 };

    struct Group {
        bool negated = false;
        std::vector<int> alternatives; // pattern ids of "alternative + rest"
    };

    std::string_view Pattern(int id) const
    {
        return id == 0 ? m_pattern : std::string_view(*m_joined[id - 1]);
    }
    static std::uint64_t Key(int id, std::size_t p)
    {
        return (static_cast<std::uint64_t>(id) << 32) ^ static_cast<std::uint64_t>(p);
    }

    bool Match(int id, std::size_t p, std::size_t t, int depth);
    bool MatchStars(int id, std::size_t p, std::size_t t, int depth);
    bool MatchGroup(int id, std::size_t p, std::size_t t, int depth);
    const Group& GroupAt(int id, std::size_t p);
    int Intern(std::string&& pattern);
    std::size_t MemoRow(int id, std::size_t p);
    std::uint8_t* Memo() { return m_memo.empty() ? m_inlineMemo.data() : m_memo.data(); }

    std::string_view m_text;
    std::string_view m_pattern;
    // Pattern texts made for group alternatives (id = index + 1); unique_ptr keeps the
    // characters in place while the vector grows.
    std::vector<std::unique_ptr<std::string>> m_joined;
    std::unordered_map<std::string_view, int> m_ids;
    std::unordered_map<std::uint64_t, Group> m_groups;
    // Remembered results: one row of (text length + 1) entries per (pattern id, position).
    // The first rows of a short line live inside this object, so that the usual patterns
    // with two or three stars need no heap at all.
    struct Row {
        std::uint64_t key;
        std::size_t offset;
    };
    static constexpr std::size_t kInlineRows = 8;
    static constexpr std::size_t kInlineMemo = 1024;
    std::array<Row, kInlineRows> m_inlineRows;
    std::size_t m_inlineRowCount = 0;
    std::unordered_map<std::uint64_t, std::size_t> m_rows; // beyond the inline ones
    std::array<std::uint8_t, kInlineMemo> m_inlineMemo;
    std::size_t m_memoSize = 0;
    std::vector<std::uint8_t> m_memo; // all rows, once they outgrow m_inlineMemo
};

bool MatchRun::Match(int id, std::size_t p, std::size_t t, int depth)
{
    const std::string_view pattern = Pattern(id);
    const std::size_t n = pattern.size();
    const std::size_t length = m_text.size();
    for (;;) {
        if (p >= n)
            return t == length;
        const char c = pattern[p];
        if (c == '*')
            return MatchStars(id, p, t, depth);
        if (c == '{')
            return MatchGroup(id, p, t, depth);
        if (t == length)
            return c == '[' && IsEmptyClass(pattern, p);

        const auto ch = static_cast<unsigned char>(m_text[t]);
        std::size_t next = p + 1;
        bool matched = false;
        switch (c) {
        case '?':
            matched = true;
            break;
        case '[':
            matched = ClassMatches(pattern, p, ch, next);
            break;
        case '\\':
            if (p + 1 < n && IsEscapable(pattern[p + 1])) {
                matched = ch == static_cast<unsigned char>(pattern[p + 1]);
                next = p + 2;
            } else {
                matched = ch == '\\';
            }
            break;
        default:
            matched = ch == static_cast<unsigned char>(c);
            break;
        }
        if (!matched)
            return false;
        p = next;
        ++t;
    }
}

bool MatchRun::MatchStars(int id, std::size_t p, std::size_t t, int depth)
{
    const std::string_view pattern = Pattern(id);
    const std::size_t length = m_text.size();
    std::size_t last = p;
    while (last + 1 < pattern.size() && pattern[last + 1] == '*')
        ++last;
    const std::size_t rest = last + 1;
    // Nothing after the run: the empty remainder of the text always matches it.
    if (rest >= pattern.size())
        return true;

    if (depth == 0) {
        // When the rest starts with plain characters, it can only match where they occur:
        // jump from one occurrence to the next instead of trying every position.
        const std::string_view plain = PlainRun(pattern, rest);
        if (!plain.empty()) {
            for (std::size_t u = m_text.find(plain, t); u != std::string_view::npos;
                 u = m_text.find(plain, u + 1)) {
                if (Match(id, rest, u, depth + 1))
                    return true;
            }
            return false;
        }
        for (std::size_t u = t; u <= length; ++u)
            if (Match(id, rest, u, depth + 1))
                return true;
        return false;
    }

    // The star at t matches exactly when the rest matches at some u >= t, so its answer at t
    // is "rest at t, or the star at t + 1": walk forward until the rest matches or an answer
    // for the star is already known, then every position walked over shares that answer.
    const std::size_t row = MemoRow(id, last);
    std::size_t u = t;
    bool result = false;
    for (; u <= length; ++u) {
        const std::uint8_t known = Memo()[row + u];
        if (known != kUnknown) {
            result = known == kYes;
            break;
        }
        if (Match(id, rest, u, depth + 1)) {
            result = true;
            break;
        }
    }
    const std::size_t end = std::min(u, length);
    std::fill(Memo() + row + t, Memo() + row + end + 1, result ? kYes : kNo);
    return result;
}

bool MatchRun::MatchGroup(int id, std::size_t p, std::size_t t, int depth)
{
    std::size_t row = 0;
    if (depth > 0) {
        row = MemoRow(id, p);
        if (Memo()[row + t] != kUnknown)
            return Memo()[row + t] == kYes;
    }
    // References into an unordered_map stay valid while the recursion adds more groups.
    const Group& group = GroupAt(id, p);
    bool any = false;
    for (int alternative : group.alternatives) {
        if (Match(alternative, 0, t, depth + 1)) {
            any = true;
            break;
        }
    }
    const bool result = any != group.negated;
    if (depth > 0)
        Memo()[row + t] = result ? kYes : kNo;
    return result;
}

const MatchRun::Group& MatchRun::GroupAt(int id, std::size_t p)
{
    const std::uint64_t key = Key(id, p);
    if (auto found = m_groups.find(key); found != m_groups.end())
        return found->second;

    const std::string_view pattern = Pattern(id);
    const std::size_t n = pattern.size();
    Group group;
    std::size_t first = p + 1;
    if (first < n && pattern[first] == '^') {
        group.negated = true;
        ++first;
    }
    // The closing brace is looked for from the second character of the alternatives on, so
    // a "}" right after "{" or "{^" only separates an empty first alternative.
    std::size_t close = n;
    for (std::size_t j = first + 1; j < n; ++j) {
        if (pattern[j] == '}' && pattern[j - 1] != '\\') {
            close = j;
            break;
        }
    }
    const std::string_view rest = close < n ? pattern.substr(close + 1) : std::string_view();

    std::string alternative;
    auto finish = [&] {
        alternative.append(rest);
        group.alternatives.push_back(Intern(std::move(alternative)));
        alternative.clear();
    };
    for (std::size_t i = first; i < close; ++i) {
        const char c = pattern[i];
        if (c == '\\' && i + 1 < close && (pattern[i + 1] == '|' || pattern[i + 1] == '}')) {
            alternative += pattern[i + 1];
            ++i;
        } else if (c == '|' || c == '}') {
            finish();
        } else {
            alternative += c;
        }
    }
    finish();
    return m_groups.emplace(key, std::move(group)).first->second;
}

int MatchRun::Intern(std::string&& pattern)
{
    if (auto found = m_ids.find(pattern); found != m_ids.end())
        return found->second;
    m_joined.push_back(std::make_unique<std::string>(std::move(pattern)));
    const int id = static_cast<int>(m_joined.size());
    m_ids.emplace(std::string_view(*m_joined.back()), id);
    return id;
}

std::size_t MatchRun::MemoRow(int id, std::size_t p)
{
    const std::uint64_t key = Key(id, p);
    for (std::size_t i = 0; i < m_inlineRowCount; ++i) {
        if (m_inlineRows[i].key == key)
            return m_inlineRows[i].offset;
    }
    if (!m_rows.empty()) {
        if (auto found = m_rows.find(key); found != m_rows.end())
            return found->second;
    }

    const std::size_t offset = m_memoSize;
    const std::size_t rowSize = m_text.size() + 1;
    m_memoSize += rowSize;
    if (m_memo.empty() && m_memoSize <= kInlineMemo) {
        std::fill_n(m_inlineMemo.data() + offset, rowSize, kUnknown);
    } else {
        if (m_memo.empty())
            m_memo.assign(m_inlineMemo.data(), m_inlineMemo.data() + offset);
        m_memo.resize(m_memoSize, kUnknown);
    }
    if (m_inlineRowCount < kInlineRows)
        m_inlineRows[m_inlineRowCount++] = {key, offset};
    else
        m_rows.emplace(key, offset);
    return offset;
}

} // namespace

bool CWildcardMatcher::Match(std::string_view text, std::string_view pattern)
{
    return MatchRun(text, pattern).Matches();
}

std::string CWildcardMatcher::RequiredText(std::string_view pattern)
{
    const std::size_t n = pattern.size();
    std::string best;
    std::string run; // consecutive literal elements: consecutive characters of the text
    auto endRun = [&] {
        if (run.size() > best.size())
            best = run;
        run.clear();
    };
    std::size_t p = 0;
    while (p < n) {
        const char c = pattern[p];
        if (c == '*' || c == '?') {
            endRun();
            ++p;
        } else if (c == '[') {
            endRun();
            // An empty class ends the match with success at the end of the text, so
            // nothing after it is needed.
            if (IsEmptyClass(pattern, p))
                break;
            std::size_t next = p + 1;
            ClassMatches(pattern, p, 0, next);
            p = next;
        } else if (c == '{') {
            endRun();
            // A negated group needs none of what follows it. An ordinary one needs the
            // rest after one of its alternatives, unless an alternative holds a class or
            // group that could run on into that rest.
            std::size_t first = p + 1;
            if (first < n && pattern[first] == '^')
                break;
            std::size_t close = n;
            for (std::size_t j = first + 1; j < n; ++j) {
                if (pattern[j] == '}' && pattern[j - 1] != '\\') {
                    close = j;
                    break;
                }
            }
            if (close >= n ||
                pattern.substr(first, close - first).find_first_of("[{") != std::string_view::npos)
                break;
            p = close + 1;
        } else if (c == '\\') {
            if (p + 1 < n && IsEscapable(pattern[p + 1])) {
                run += pattern[p + 1];
                p += 2;
            } else {
                run += '\\';
                ++p;
            }
        } else {
            run += c;
            ++p;
        }
    }
    endRun();
    return best;
}
