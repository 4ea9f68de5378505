#pragma once
// The one crossing between the program's 8-bit text and the widgets' QString. Without an
// encoding every byte 0-255 stands for the Latin-1 character with that code, so text
// survives the round trip. With a host's encoding (see CTextEncoding) text is read and
// written as that host's texts are: the dialogs that edit a host's texts pass it.

#include <QString>

#include <string>
#include <string_view>

#include "res/TextEncoding.h"

QString ToWidgetText(std::string_view text);
// Characters beyond Latin-1 cannot be carried and become '?'.
std::string FromWidgetText(const QString& text);
QString ToWidgetText(std::string_view text, CTextEncoding::Kind encoding);
// False (out untouched) when the encoding is Latin-1 and a character is beyond it: the
// caller refuses the text with TextNotCarriedMessage() instead of changing it.
bool FromWidgetText(const QString& text, CTextEncoding::Kind encoding, std::string& out);
// Why a typed text was refused.
QString TextNotCarriedMessage();
// A dialog control's tool tip: the string-table text with the control's id.
QString ToolTipText(int id);
