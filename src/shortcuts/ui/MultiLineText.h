#pragma once
// Commands typed in a multi-line edit field: the field separates lines with "\n", the
// stored (and sent) commands carry "\r\n" between them. Aliases, function keys and keypad
// keys all convert the same way.

#include <QString>

#include <string>

namespace MultiLineText {

// Stored commands as the field shows them.
QString ToField(const std::string& commands);
// The field's text as stored commands, each line ended from the next by "\r\n".
std::string FromField(QString text);

} // namespace MultiLineText
