#pragma once
// The colour of received text as a server sets it with SGR escape sequences ("ESC [ ... m"):
// foreground, background, bold and reverse video. The receive filter keeps the current
// attributes and records, per line, where they change (colour runs); the row model slices
// those runs into its rows and the view resolves them to colours when it paints.
//
// Colours are kept unresolved (a palette index, a 24-bit colour, or the default), so that
// bold can brighten the eight basic colours and the view can fill in its own text and
// background colours for the defaults.

#include <cstddef>
#include <cstdint>
#include <vector>

struct CAnsiAttributes {
    // A colour: the top byte says which kind, the low 24 bits carry it.
    static constexpr std::uint32_t kDefault = 0xFF000000; // the view's text or background
    static constexpr std::uint32_t kIndexed = 0x01000000; // palette index 0-255 in the low byte
    static constexpr std::uint32_t kRgb = 0x02000000;     // 0x00BBGGRR

    std::uint32_t foreground = kDefault;
    std::uint32_t background = kDefault;
    bool bold = false;
    bool reverse = false;

    bool operator==(const CAnsiAttributes&) const = default;
    bool IsDefault() const { return *this == CAnsiAttributes{}; }

    // Applies the parameters of one SGR sequence (an empty list is a reset). Parameters it
    // does not know, colour indexes out of range and cut-short colour forms are skipped.
    void ApplySgr(const std::uint16_t* params, int count);

    // The colours to draw with, reverse video and bold applied: 0x00BBGGRR, or kDefault for
    // the view's text colour (foreground) or its background (background). Under reverse
    // video a default foreground becomes the background colour and the other way round,
    // which the caller resolves with its own colours.
    struct Resolved {
        std::uint32_t foreground = kDefault;
        std::uint32_t background = kDefault;
        bool swappedDefaults = false; // reverse video: kDefault foreground means background
    };
    Resolved Resolve() const;

    // 0x00BBGGRR of a 256-colour palette index: the 16 basic colours (chosen to read on
    // light and dark backgrounds alike), the 6x6x6 cube and the grey ramp.
    static std::uint32_t PaletteColour(int index);
};

// Where a line's attributes change: from byte `start` on, until the next run's start.
// Bytes before the first run have the default attributes.
struct CColourRun {
    int start = 0;
    CAnsiAttributes attributes;
    bool operator==(const CColourRun&) const = default;
};

using CColourRuns = std::vector<CColourRun>;

// A finished line's run list holds at most this many runs: a server changing colour at every
// character costs a bounded list per line, the rest of the line keeping the last colour
// kept. The line being written is limited only by its length, so that its colours come out
// the same however the text was cut into reads.
inline constexpr std::size_t kMaxColourRuns = 128;

// Gives the bytes [from, to) of a line of lineLength bytes the attributes, keeping the
// list sorted and without two neighbours alike.
void SetColourRange(CColourRuns& runs, int from, int to, int lineLength,
                    const CAnsiAttributes& attributes);
// Cuts a finished line's list down to kMaxColourRuns.
void LimitColourRuns(CColourRuns& runs);

// The runs of the bytes [offset, offset + length) of a line, with starts counted from
// offset; appended to out (nothing for text in the default attributes only).
void SliceColourRuns(const CColourRuns& runs, std::size_t offset, std::size_t length,
                     CColourRuns& out);
