#include "shortcuts/ui/MultiLineText.h"

namespace MultiLineText {

QString ToField(const std::string& commands)
{
    QString text = QString::fromLatin1(commands);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string FromField(QString text)
{
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text.toLatin1().toStdString();
}

} // namespace MultiLineText
