#include "res/WidgetText.h"

#include <QByteArray>

#include "res/StringTable.h"

namespace {

constexpr int kStringNotLatin1 = 8419;

} // namespace

QString ToWidgetText(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromWidgetText(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString ToWidgetText(std::string_view text, CTextEncoding::Kind encoding)
{
    return CTextEncoding::Decode(encoding, text);
}

bool FromWidgetText(const QString& text, CTextEncoding::Kind encoding, std::string& out)
{
    return CTextEncoding::Encode(encoding, text, false, out);
}

QString TextNotCarriedMessage()
{
    return ToWidgetText(LoadString(kStringNotLatin1));
}

QString ToolTipText(int id)
{
    return ToWidgetText(LoadString(id));
}
