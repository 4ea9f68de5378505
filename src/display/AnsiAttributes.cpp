#include "display/AnsiAttributes.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

namespace {

constexpr std::uint32_t kKindMask = 0xFF000000;

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return r | g << 8 | b << 16;
}

// Mid-tone colours: "black" is a dark grey and "white" a light one, and none is so light
// or so dark that it disappears on a white or on a black window.
constexpr std::array<std::uint32_t, 16> kBasic = {
    Rgb(77, 77, 77),    Rgb(204, 51, 51),  Rgb(46, 158, 46),  Rgb(184, 148, 15),
    Rgb(59, 111, 214),  Rgb(181, 64, 181), Rgb(31, 158, 158), Rgb(168, 168, 168),
    Rgb(128, 128, 128), Rgb(240, 90, 90),  Rgb(76, 201, 76),  Rgb(217, 181, 38),
    Rgb(106, 149, 240), Rgb(224, 96, 224), Rgb(51, 199, 199), Rgb(217, 217, 217),
};

std::uint32_t ToDrawn(std::uint32_t colour)
{
    switch (colour & kKindMask) {
    case CAnsiAttributes::kIndexed:
        return CAnsiAttributes::PaletteColour(static_cast<int>(colour & 0xFF));
    case CAnsiAttributes::kRgb:
        return colour & 0xFFFFFF;
    default:
        return CAnsiAttributes::kDefault;
    }
}

bool Before(const CColourRun& run, int position)
{
    return run.start < position;
}

} // namespace

void CAnsiAttributes::ApplySgr(const std::uint16_t* params, int count)
{
    if (count <= 0) {
        *this = CAnsiAttributes{};
        return;
    }
    for (int i = 0; i < count; ++i) {
        const int p = params[i];
        if (p == 0) {
            *this = CAnsiAttributes{};
        } else if (p == 1) {
            bold = true;
        } else if (p == 22) {
            bold = false;
        } else if (p == 7) {
            reverse = true;
        } else if (p == 27) {
            reverse = false;
        } else if (p >= 30 && p <= 37) {
            foreground = kIndexed | static_cast<std::uint32_t>(p - 30);
        } else if (p >= 90 && p <= 97) {
            foreground = kIndexed | static_cast<std::uint32_t>(p - 90 + 8);
        } else if (p == 39) {
            foreground = kDefault;
        } else if (p >= 40 && p <= 47) {
            background = kIndexed | static_cast<std::uint32_t>(p - 40);
        } else if (p >= 100 && p <= 107) {
            background = kIndexed | static_cast<std::uint32_t>(p - 100 + 8);
        } else if (p == 49) {
            background = kDefault;
        } else if (p == 38 || p == 48) {
            std::uint32_t& target = p == 38 ? foreground : background;
            // 38;5;n and 38;2;r;g;b. Another form, or one cut short, leaves nothing of the
            // sequence that could be read safely: the rest is skipped.
            if (i + 2 < count && params[i + 1] == 5) {
                if (params[i + 2] <= 255)
                    target = kIndexed | params[i + 2];
                i += 2;
            } else if (i + 4 < count && params[i + 1] == 2) {
                const std::uint16_t r = params[i + 2], g = params[i + 3], b = params[i + 4];
                if (r <= 255 && g <= 255 && b <= 255)
                    target = kRgb | Rgb(r, g, b);
                i += 4;
            } else {
                return;
            }
        }
    }
}

CAnsiAttributes::Resolved CAnsiAttributes::Resolve() const
{
    std::uint32_t fg = foreground;
    // Bold shows as the bright version of the eight basic colours.
    if (bold && (fg & kKindMask) == kIndexed && (fg & 0xFF) < 8)
        fg += 8;
    Resolved resolved{ToDrawn(fg), ToDrawn(background), false};
    if (reverse) {
        std::swap(resolved.foreground, resolved.background);
        resolved.swappedDefaults = true;
    }
    return resolved;
}

std::uint32_t CAnsiAttributes::PaletteColour(int index)
{
    if (index < 0 || index > 255)
        return kDefault;
    if (index < 16)
        return kBasic[static_cast<std::size_t>(index)];
    if (index < 232) {
        static constexpr std::uint32_t levels[6] = {0, 95, 135, 175, 215, 255};
        const int cube = index - 16;
        return Rgb(levels[cube / 36], levels[cube / 6 % 6], levels[cube % 6]);
    }
    const auto grey = static_cast<std::uint32_t>(8 + 10 * (index - 232));
    return Rgb(grey, grey, grey);
}

void LimitColourRuns(CColourRuns& runs)
{
    if (runs.size() > kMaxColourRuns)
        runs.resize(kMaxColourRuns);
}

void SetColourRange(CColourRuns& runs, int from, int to, int lineLength,
                    const CAnsiAttributes& attributes)
{
    if (from >= to)
        return;
    // Text added after every run start, the common case: at most one run more at the end.
    if (to >= lineLength && (runs.empty() || runs.back().start < from)) {
        if (runs.empty() ? attributes.IsDefault() : runs.back().attributes == attributes)
            return;
        runs.push_back(CColourRun{from, attributes});
        return;
    }
    // Runs starting in [from, to) are replaced; a run starting exactly at `to` stays.
    const auto first = static_cast<std::size_t>(
        std::lower_bound(runs.begin(), runs.end(), from, Before) - runs.begin());
    const auto last =
        static_cast<std::size_t>(std::lower_bound(runs.begin() + static_cast<std::ptrdiff_t>(first),
                                                  runs.end(), to, Before) -
                                 runs.begin());
    const CAnsiAttributes before = first == 0 ? CAnsiAttributes{} : runs[first - 1].attributes;
    const bool runAtTo = last < runs.size() && runs[last].start == to;
    // What the bytes from `to` on had before, to be kept after the range.
    const CAnsiAttributes after = runAtTo     ? runs[last].attributes
                                  : last == 0 ? CAnsiAttributes{}
                                              : runs[last - 1].attributes;
    const bool head = !(before == attributes);
    const bool tail = to < lineLength && !runAtTo && !(after == attributes);
    const bool mergeAtTo = runAtTo && runs[last].attributes == attributes;
    if (mergeAtTo)
        runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(last));
    CColourRun replacement[2];
    int n = 0;
    if (head)
        replacement[n++] = CColourRun{from, attributes};
    if (tail)
        replacement[n++] = CColourRun{to, after};
    const auto at = runs.begin() + static_cast<std::ptrdiff_t>(first);
    runs.erase(at, runs.begin() + static_cast<std::ptrdiff_t>(last));
    runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(first), replacement, replacement + n);
}

void SliceColourRuns(const CColourRuns& runs, std::size_t offset, std::size_t length,
                     CColourRuns& out)
{
    if (runs.empty())
        return;
    const auto position = static_cast<int>(offset);
    const auto end = static_cast<long long>(offset + length);
    auto it = std::upper_bound(runs.begin(), runs.end(), position,
                               [](int p, const CColourRun& run) { return p < run.start; });
    if (it != runs.begin() && !std::prev(it)->attributes.IsDefault())
        out.push_back(CColourRun{0, std::prev(it)->attributes});
    for (; it != runs.end() && it->start < end; ++it)
        out.push_back(CColourRun{it->start - position, it->attributes});
}
