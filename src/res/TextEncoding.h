#pragma once
// How a host's 8-bit text is read as characters and how typed characters become bytes.
// Received text stays bytes through the session; it is read as characters only where it is
// drawn, measured and copied, and typed text becomes bytes where it leaves a widget.
//
//   Latin-1  every byte is the character with its code (the program's original reading).
//   UTF-8    a valid UTF-8 sequence is its character; any other byte is U+FFFD.
//   Auto     a valid multi-byte UTF-8 sequence is its character; any other byte is its
//            Latin-1 character, so that Latin-1 text reads exactly as under Latin-1.
//
// "Valid" is strict: no overlong forms, no surrogates, nothing above U+10FFFF, and a
// sequence cut short by the end of the text is not a sequence (its bytes count one by one).

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

class CTextEncoding {
public:
    // The host-section number "Encoding".
    enum class Kind { Auto = 0, Utf8 = 1, Latin1 = 2 };
    static constexpr char32_t kReplacement = 0xFFFD;

    // A stored number: anything out of range counts as Auto, the default.
    static Kind FromNumber(int number);

    // The character starting at byte `at` (< text.size()) and the number of bytes it takes
    // (1 to 4).
    struct Char {
        char32_t code;
        int length;
    };
    static Char Next(Kind kind, std::string_view text, std::size_t at)
    {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80 || kind == Kind::Latin1)
            return {byte, 1};
        return NextHigh(kind, text, at);
    }

    // The length of the valid multi-byte UTF-8 sequence at `at`, or 0.
    static int SequenceAt(std::string_view text, std::size_t at);
    // Whether text holds at least one valid multi-byte UTF-8 sequence.
    static bool HasUtf8Sequence(std::string_view text);
    // Whether cutting text at `at` would part the bytes of a sequence that has begun before
    // `at` but whose length runs past it (more bytes may still make it whole).
    static bool CutsSequence(std::string_view text, std::size_t at);

    static QString Decode(Kind kind, std::string_view text);
    // Typed text as bytes. Latin-1 fails (false, out untouched) when a character is beyond
    // U+00FF. UTF-8 always gives UTF-8. Auto gives UTF-8 when preferUtf8 is set or a character
    // is beyond U+00FF, and Latin-1 otherwise.
    static bool Encode(Kind kind, const QString& text, bool preferUtf8, std::string& out);
    // Text for a server that reads UTF-8: valid UTF-8 sequences and ASCII stay, every other
    // byte is taken as its Latin-1 character and written in UTF-8.
    static std::string ToUtf8FromAuto(std::string_view text);

private:
    static Char NextHigh(Kind kind, std::string_view text, std::size_t at);
};
