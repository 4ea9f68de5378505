#include "script/ui/ScriptFields.h"

#include <QLineEdit>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "base/MessageSink.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "script/ScriptResources.h"

namespace ScriptFields {

namespace {

void Refuse(QLineEdit* field, const QString& message, CMessageSink& messages)
{
    messages.ShowMessage(FromWidgetText(message), CMessageSink::Icon::Exclamation,
                         CMessageSink::Buttons::Ok);
    field->setFocus();
    field->selectAll();
}

} // namespace

void KeepSingleLine(QLineEdit* field)
{
    QObject::connect(field, &QLineEdit::textChanged, field, [field](const QString& text) {
        if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
            return;
        QString line = text;
        line.replace(QLatin1Char('\r'), QLatin1Char(' '))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
        const int cursor = field->cursorPosition();
        field->setText(line);
        field->setCursorPosition(cursor);
    });
}

bool CheckNumber(QLineEdit* field, int low, int high, CMessageSink& messages)
{
    bool ok = false;
    const qlonglong number = field->text().trimmed().toLongLong(&ok);
    if (!ok || number < 0) {
        Refuse(field, ToWidgetText(LoadString(ScriptResources::kMsgPositiveInteger)), messages);
        return false;
    }
    if (number < low || number > high) {
        Refuse(field,
               ToWidgetText(LoadString(ScriptResources::kMsgIntegerRange)).arg(low).arg(high),
               messages);
        return false;
    }
    return true;
}

bool CheckLength(QLineEdit* field, int maxLength, CMessageSink& messages)
{
    if (field->text().size() <= maxLength)
        return true;
    Refuse(field, ToWidgetText(LoadString(ScriptResources::kMsgTooManyCharacters)).arg(maxLength),
           messages);
    return false;
}

int LeadingInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'),
                                       std::int64_t{std::numeric_limits<int>::max()} + 1);
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

} // namespace ScriptFields
