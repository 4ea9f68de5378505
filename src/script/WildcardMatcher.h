#pragma once
// The wildcard patterns of onReceive scripts: * ? [abc] [a-z] [^abd-z] {word1|word2}
// {^word1|word2} and backslash escapes, matched byte for byte against a whole received line.
// The script engine asks it once per complete line and receive script, on the UI thread.

#include <string>
#include <string_view>

class CWildcardMatcher {
public:
    // True when pattern matches all of text (anchored at both ends). Never fails: every
    // pattern, malformed ones included, gives a yes or a no, and nothing past the end of
    // either string is read.
    static bool Match(std::string_view text, std::string_view pattern);

    // The longest run of characters that every text matching pattern contains, found once
    // per pattern so that lines without it need no match at all; empty when nothing in
    // particular is needed.
    static std::string RequiredText(std::string_view pattern);
};
