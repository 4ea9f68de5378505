#include "res/WidgetText.h"

#include <QByteArray>

#include "res/StringTable.h"

QString ToWidgetText(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromWidgetText(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString ToolTipText(int id)
{
    return ToWidgetText(LoadString(id));
}
