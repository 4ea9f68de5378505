#include "shortcuts/ui/MultiLineText.h"

#include "res/WidgetText.h"

namespace MultiLineText {

QString ToField(const std::string& commands, CTextEncoding::Kind encoding)
{
    QString text = ToWidgetText(commands, encoding);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string FromField(QString text, CTextEncoding::Kind encoding)
{
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    std::string bytes;
    if (!FromWidgetText(text, encoding, bytes))
        bytes = FromWidgetText(text);
    return bytes;
}

bool FitsField(const QString& text, CTextEncoding::Kind encoding)
{
    std::string bytes;
    return FromWidgetText(text, encoding, bytes);
}

} // namespace MultiLineText
