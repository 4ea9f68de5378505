#include "res/TextEncoding.h"

#include <algorithm>

#include <QByteArray>

namespace {

// The number of bytes a lead byte announces (2-4), or 0 for a byte that cannot lead.
// C0 and C1 would only give overlong forms; F5 and up lie beyond U+10FFFF.
int AnnouncedLength(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

} // namespace

CTextEncoding::Kind CTextEncoding::FromNumber(int number)
{
    switch (number) {
    case 1:
        return Kind::Utf8;
    case 2:
        return Kind::Latin1;
    default:
        return Kind::Auto;
    }
}

int CTextEncoding::SequenceAt(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const int length = AnnouncedLength(lead);
    if (length == 0 || at + static_cast<std::size_t>(length) > text.size())
        return 0;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    // The second byte's range rules out overlong forms (E0, F0), surrogates (ED) and code
    // points beyond U+10FFFF (F4).
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
    if (second < low || second > high)
        return 0;
    for (int k = 2; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(k)]);
        if (next < 0x80 || next > 0xBF)
            return 0;
    }
    return length;
}

CTextEncoding::Char CTextEncoding::NextHigh(Kind kind, std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const int length = SequenceAt(text, at);
    if (length == 0)
        return {kind == Kind::Utf8 ? kReplacement : char32_t{lead}, 1};
    char32_t code = lead & (0x7F >> length);
    for (int k = 1; k < length; ++k)
        code = (code << 6) |
               (static_cast<unsigned char>(text[at + static_cast<std::size_t>(k)]) & 0x3F);
    return {code, length};
}

bool CTextEncoding::HasUtf8Sequence(std::string_view text)
{
    // Blocks without a possible lead byte (most text is ASCII) are passed over whole: the
    // largest byte of a fixed-size block is found many bytes at a time.
    constexpr std::size_t kBlock = 32;
    std::size_t i = 0;
    for (; i + kBlock <= text.size(); i += kBlock) {
        unsigned char largest = 0;
        for (std::size_t k = 0; k < kBlock; ++k)
            largest = std::max(largest, static_cast<unsigned char>(text[i + k]));
        if (largest >= 0xC2)
            break;
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0xC2 && SequenceAt(text, i) > 0)
            return true;
    }
    return false;
}

bool CTextEncoding::CutsSequence(std::string_view text, std::size_t at)
{
    // Only the three bytes before the cut can hold a lead whose sequence runs past it.
    for (std::size_t back = 1; back <= 3 && back <= at; ++back) {
        const auto byte = static_cast<unsigned char>(text[at - back]);
        if (byte < 0x80)
            return false;
        const int length = AnnouncedLength(byte);
        if (length > 0)
            return static_cast<std::size_t>(length) > back;
    }
    return false;
}

QString CTextEncoding::Decode(Kind kind, std::string_view text)
{
    if (kind == Kind::Latin1)
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (std::size_t i = 0; i < text.size();) {
        const Char c = Next(kind, text, i);
        if (c.code < 0x10000) {
            out += QChar(static_cast<char16_t>(c.code));
        } else {
            const char32_t code = c.code;
            out += QString::fromUcs4(&code, 1);
        }
        i += static_cast<std::size_t>(c.length);
    }
    return out;
}

bool CTextEncoding::Encode(Kind kind, const QString& text, bool preferUtf8, std::string& out)
{
    bool latin1 = true;
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) {
            latin1 = false;
            break;
        }
    }
    if (kind == Kind::Latin1 && !latin1)
        return false;
    if (kind == Kind::Latin1 || (kind == Kind::Auto && latin1 && !preferUtf8)) {
        const QByteArray bytes = text.toLatin1();
        out.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        return true;
    }
    // A lone surrogate (a broken paste) becomes U+FFFD here rather than invalid bytes.
    const QByteArray bytes = text.toUtf8();
    out.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

std::string CTextEncoding::ToUtf8FromAuto(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out += static_cast<char>(byte);
            ++i;
            continue;
        }
        const int length = SequenceAt(text, i);
        if (length > 0) {
            out.append(text, i, static_cast<std::size_t>(length));
            i += static_cast<std::size_t>(length);
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
            ++i;
        }
    }
    return out;
}
