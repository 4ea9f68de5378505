#pragma once
// Measuring and drawing characters beyond Latin-1 in the scrollback: the row model asks for
// their widths once per code point, and the view draws each as one cell of that width.

#include <functional>

class QFont;

// The width of a character in font, taken from the font's real advance (a CJK character is
// about twice as wide as a letter), falling back to the platform's choice of font when the
// font itself has no glyph for it.
std::function<int(char32_t)> WideCharMeasure(const QFont& font);
