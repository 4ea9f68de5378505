#pragma once
// The one crossing between the program's 8-bit text and the widgets' QString. Every byte
// 0-255 stands for the Latin-1 character with that code, so text survives the round trip.

#include <QString>

#include <string>
#include <string_view>

QString ToWidgetText(std::string_view text);
// Characters beyond Latin-1 cannot be carried and become '?'.
std::string FromWidgetText(const QString& text);
// A dialog control's tool tip: the string-table text with the control's id.
QString ToolTipText(int id);
