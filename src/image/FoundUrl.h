#pragma once
// A URL the detector found in a received line, with what is to be done with it. The session
// hands it to the main frame as a queued call, so it is a plain value.

#include <string>

struct CFoundUrl {
    enum Kind { kShowPicture = 0, kAskThenOpen = 1, kOpen = 2 };
    int kind = kShowPicture;
    std::string url; // the line's own bytes

    bool operator==(const CFoundUrl&) const = default;
};
