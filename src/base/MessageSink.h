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
    // The same with a box title of its own instead of the program's name (a library's
    // error box, for example).
    virtual Answer ShowTitledMessage(const std::string& title, const std::string& text, Icon icon,
                                     Buttons buttons)
    {
        static_cast<void>(title);
        return ShowMessage(text, icon, buttons);
    }
};
