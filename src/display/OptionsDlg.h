#pragma once
// The display and input options of one host (colours, font, line buffer, history size,
// sending of Ctrl characters, and how the server's text is read: encoding, ANSI colours,
// line ends): loaded when made, written by SaveSettings when the Options
// dialog is confirmed, and copied between hosts by CopyFrom. Every host entry defaults to
// the entry of section "Display", which defaults to the built-in value. The font size is
// kept as a negative pixel height at the screen's resolution, as the view reads it.

#include <cstdint>
#include <string>

class CSettingsStore;
class CRandomGenerator;

class COptionsDlg final {
public:
    struct FontDescription {
        std::string face;
        int height = 0; // negative: a character height in pixels
        int weight = 400;
        int italic = 0;
        int underline = 0;
        int strikeOut = 0;
    };

    static constexpr int kMinLines = 100;
    static constexpr int kMaxLines = 5000;
    static constexpr int kMinHistory = 1;
    static constexpr int kMaxHistory = 1000;
    static constexpr int kPhraseCount = 20;

    COptionsDlg(CSettingsStore& store, std::string host, CRandomGenerator& random, int dpi);

    // -MulDiv(points, dpi, 72): the stored height of a font of that many points.
    static int HeightForPoints(int points, int dpi);
    // A whole number of 0 or more within min..max, else false with the message to show.
    static bool ParseField(const std::string& text, int min, int max, int& value,
                           std::string& message);

    void SaveSettings();
    void CopyFrom(const std::string& otherHost);

    const std::string& Host() const { return m_host; }
    std::string SamplePhrase() const;

    std::uint32_t m_backColour = 0xFFFFFF;
    std::uint32_t m_textColour = 0;
    int m_lineBuffer = 250;
    int m_history = 50;
    bool m_sendCtrl = false;
    FontDescription m_font;
    // Host entries without a "Display" default. "Encoding": 0 Auto, 1 UTF-8, 2 Latin-1.
    // "ANSI Colour": 0 or 1. "Line Ends": 0 Auto, 1 as sent, 2 a bare LF ends a line. A
    // stored value out of range reads as 0.
    int m_encoding = 0;
    bool m_ansiColour = false;
    int m_lineEnds = 0;

private:
    FontDescription ReadFont(const std::string& section) const;

    CSettingsStore& m_store;
    std::string m_host;
    int m_dpi;
    int m_phrase;
};
