#include <gtest/gtest.h>

#include <string>

#include "res/TextEncoding.h"

namespace {

using Kind = CTextEncoding::Kind;

QString U(const char16_t* text)
{
    return QString::fromUtf16(text);
}

TEST(TextEncoding, DecodesByKindWithASafeReadingOfEveryBadSequence)
{
    const struct {
        const char* what;
        std::string bytes;
        QString autoText, utf8Text; // Latin-1 is always one character per byte
    } cases[] = {
        {"two, three and four bytes", "Caf\xC3\xA9 \xE2\x98\x83 \xF0\x9F\x98\x80",
         U(u"Café ☃ \U0001F600"), U(u"Café ☃ \U0001F600")},
        {"Latin-1 text", "caf\xE9", U(u"café"), U(u"caf\uFFFD")},
        {"overlong slash", "\xC0\xAF", U(u"\u00C0\u00AF"), U(u"\uFFFD\uFFFD")},
        {"overlong three bytes", "\xE0\x80\xAF", U(u"\u00E0\u0080\u00AF"),
         U(u"\uFFFD\uFFFD\uFFFD")},
        {"surrogate", "\xED\xA0\x80", U(u"\u00ED\u00A0\u0080"), U(u"\uFFFD\uFFFD\uFFFD")},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", U(u"\u00F4\u0090\u0080\u0080"),
         U(u"\uFFFD\uFFFD\uFFFD\uFFFD")},
        {"cut short at the end", "a\xE2\x98", U(u"a\u00E2\u0098"), U(u"a\uFFFD\uFFFD")},
        {"lead then ASCII",
         "\xC3"
         "A",
         U(u"\u00C3A"), U(u"\uFFFDA")},
        {"stray continuation", "\xA9x", U(u"\u00A9x"), U(u"\uFFFDx")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CTextEncoding::Decode(Kind::Auto, c.bytes), c.autoText);
        EXPECT_EQ(CTextEncoding::Decode(Kind::Utf8, c.bytes), c.utf8Text);
        EXPECT_EQ(CTextEncoding::Decode(Kind::Latin1, c.bytes),
                  QString::fromLatin1(c.bytes.data(), static_cast<qsizetype>(c.bytes.size())));
    }
}

TEST(TextEncoding, EncodesTypedTextOrRefusesWhatLatin1CannotCarry)
{
    const struct {
        Kind kind;
        QString text;
        bool preferUtf8;
        bool ok;
        std::string bytes;
    } cases[] = {
        {Kind::Latin1, U(u"café"), true, true, "caf\xE9"},
        {Kind::Latin1, U(u"a ☃"), false, false, "untouched"},
        {Kind::Auto, U(u"café"), false, true, "caf\xE9"},
        {Kind::Auto, U(u"café"), true, true, "caf\xC3\xA9"},
        {Kind::Auto, U(u"café €"), false, true, "caf\xC3\xA9 \xE2\x82\xAC"},
        {Kind::Utf8, U(u"café"), false, true, "caf\xC3\xA9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        std::string out = "untouched";
        EXPECT_EQ(CTextEncoding::Encode(c.kind, c.text, c.preferUtf8, out), c.ok);
        EXPECT_EQ(out, c.bytes);
    }
}

TEST(TextEncoding, FindsSequencesCutsAndRewritesStrayBytesForUtf8)
{
    EXPECT_TRUE(CTextEncoding::HasUtf8Sequence("x \xE2\x98\x83"));
    EXPECT_FALSE(CTextEncoding::HasUtf8Sequence("caf\xE9 \xC0\xAF \xE2\x98"));
    // Past long ASCII stretches, and across the end of one of the stretches looked at whole.
    const std::string ascii(31, 'a');
    EXPECT_TRUE(CTextEncoding::HasUtf8Sequence(ascii + ascii + "x \xE2\x98\x83"));
    EXPECT_TRUE(CTextEncoding::HasUtf8Sequence(ascii + "\xC3\xA9" + ascii));
    EXPECT_FALSE(CTextEncoding::HasUtf8Sequence(ascii + "\xE9" + ascii + "\xE2\x98"));
    const std::string cut = "ab\xE2\x98\x83";
    EXPECT_FALSE(CTextEncoding::CutsSequence(cut, 2));
    EXPECT_TRUE(CTextEncoding::CutsSequence(cut, 3));
    EXPECT_TRUE(CTextEncoding::CutsSequence(cut, 4));
    EXPECT_FALSE(CTextEncoding::CutsSequence(cut, 5));
    EXPECT_EQ(CTextEncoding::ToUtf8FromAuto("caf\xE9 \xE2\x98\x83\xFF"),
              "caf\xC3\xA9 \xE2\x98\x83\xC3\xBF");
    EXPECT_EQ(CTextEncoding::FromNumber(2), Kind::Latin1);
    EXPECT_EQ(CTextEncoding::FromNumber(7), Kind::Auto);
}

} // namespace
