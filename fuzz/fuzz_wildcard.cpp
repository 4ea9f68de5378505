// Feeds arbitrary patterns and lines to the wildcard matcher: the input is split at its first
// NUL byte (pattern before, line after) or, without one, in the middle. The matcher must
// answer without reading outside either string and without running away; a few answers
// that hold for every pattern, and the script engine's prepared set, are checked on the way.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "script/WildcardMatcher.h"
#include "script/WildcardSet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(bytes, '\0', size);
    const std::size_t split =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size / 2;
    const std::string_view pattern(bytes, split);
    const std::string_view text = nul ? std::string_view(bytes + split + 1, size - split - 1)
                                      : std::string_view(bytes + split, size - split);

    const bool matched = CWildcardMatcher::Match(text, pattern);

    // The script engine's prepared set must give the matcher's answer, for the pattern and
    // for its tail (which shares needed text with it, in one automaton).
    const std::string_view tail = pattern.substr(pattern.size() / 2);
    CWildcardSet set;
    set.Build({pattern, tail, "*"});
    const std::vector<std::uint8_t>& answers = set.Match(text);
    if ((answers[0] != 0) != matched || (answers[1] != 0) != CWildcardMatcher::Match(text, tail) ||
        answers[2] == 0)
        std::abort();

    // The one-pass look over lines lying one after another (the text cut after each line
    // feed) must flag every line that one of the patterns matches.
    CWildcardSet lineSet;
    lineSet.Build({pattern, tail});
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    std::vector<std::uint8_t> mayMatch;
    lineSet.MayMatch(lines, mayMatch);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lineSet.Match(lines[i]);
        if (mayMatch[i] == 0 && !lineSet.Matches().empty())
            std::abort();
    }

    // A star matches everything; a pattern with no special character matches only itself.
    if (!CWildcardMatcher::Match(text, "*"))
        std::abort();
    if (text.find_first_of("*?[\\{") == std::string_view::npos &&
        !CWildcardMatcher::Match(text, text))
        std::abort();
    return 0;
}
