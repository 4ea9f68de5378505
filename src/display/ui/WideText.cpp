#include "display/ui/WideText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QString>

#include "display/ui/BrumbleView.h"

namespace {

QString CharText(char32_t code)
{
    return QString::fromUcs4(&code, 1);
}

} // namespace

std::function<int(char32_t)> WideCharMeasure(const QFont& font)
{
    return [metrics = QFontMetrics(font)](char32_t code) {
        return metrics.horizontalAdvance(CharText(code));
    };
}

void CBrumbleView::DrawWideChar(QPainter& painter, char32_t code, int x, int baseline)
{
    auto it = m_wideGlyphs.find(code);
    if (it == m_wideGlyphs.end()) {
        quint32 glyph = 0;
        if (m_rawFont.isValid() && code < 0x10000) {
            const QChar ch(static_cast<char16_t>(code));
            int count = 1;
            if (!m_rawFont.supportsCharacter(ch) ||
                !m_rawFont.glyphIndexesForChars(&ch, 1, &glyph, &count) || count != 1)
                glyph = 0;
        }
        it = m_wideGlyphs.emplace(code, glyph).first;
    }
    if (it->second != 0) {
        m_runGlyphs.push_back(it->second);
        m_runPositions.emplace_back(x, 0);
        return;
    }
    // Not in the display font (CJK in a Latin font, most symbols): the platform finds it in
    // another one, drawn at the place the wrap measured for it.
    painter.drawText(QPoint(x, baseline), CharText(code));
}
