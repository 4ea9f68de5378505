#pragma once
// The one way core code shows a message box or asks the user a question. The running
// program implements it with QMessageBox; tests read what would be shown and answer.

#include <string>

class CMessageSink {
public:
    enum class Icon { None, Information, Exclamation, Question, Error };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~CMessageSink() = default;
    // text is 8-bit program text (Latin-1 at the widget boundary).
    virtual Answer ShowMessage(const std::string& text, Icon icon, Buttons buttons) = 0;
};
