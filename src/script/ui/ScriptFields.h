#pragma once
// What the two script-editing dialogs do alike with their fields: one-line fields that never
// hold a line break, and the standard checks of numbers and lengths at OK.

#include <string_view>

class CMessageSink;
class QLineEdit;

namespace ScriptFields {

// Every carriage return or line feed typed, pasted or set into field becomes a space at once,
// so the user sees the text exactly as it will be stored.
void KeepSingleLine(QLineEdit* field);

// A whole positive number from low to high, else the standard message ("Please enter a
// positive integer." or "Please enter an integer between %1 and %2."), the field focused and
// selected, and false.
bool CheckNumber(QLineEdit* field, int low, int high, CMessageSink& messages);
// At most maxLength characters, else "Please enter no more than %1 characters." and false.
bool CheckLength(QLineEdit* field, int maxLength, CMessageSink& messages);

// The integer at the start of text as the display form writes it (white space and a sign,
// then digits; 0 without digits), limited to the int range.
int LeadingInt(std::string_view text);

} // namespace ScriptFields
