#pragma once
// Commands typed in a multi-line edit field: the field separates lines with "\n", the
// stored (and sent) commands carry "\r\n" between them. Aliases, function keys and keypad
// keys all convert the same way, in the host's encoding (Latin-1 when none is given).

#include <QString>

#include <string>

#include "res/TextEncoding.h"

namespace MultiLineText {

// Stored commands as the field shows them.
QString ToField(const std::string& commands,
                CTextEncoding::Kind encoding = CTextEncoding::Kind::Latin1);
// The field's text as stored commands, each line ended from the next by "\r\n". A character
// the encoding cannot carry (beyond Latin-1 under Latin-1) becomes '?': callers check with
// FitsField first and refuse such a text.
std::string FromField(QString text, CTextEncoding::Kind encoding = CTextEncoding::Kind::Latin1);
bool FitsField(const QString& text, CTextEncoding::Kind encoding);

} // namespace MultiLineText
