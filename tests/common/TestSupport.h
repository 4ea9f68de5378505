#pragma once
// Shared helpers for the tests: private folders, and recording doubles for the two
// interfaces through which the program talks to the user (message boxes and sounds).

#include <QTemporaryDir>

#include <deque>
#include <string>
#include <vector>

#include "alerts/SoundPlayer.h"
#include "base/MessageSink.h"

namespace brumble::test {

// Points BRUMBLE_CONFIG_DIR and XDG_RUNTIME_DIR at fresh temporary folders for this process.
void UsePrivateRuntimeFolders();

// A temporary folder that lives as long as the object, with a path helper.
class ScopedTempDir {
public:
    ScopedTempDir();
    std::string Path() const;
    std::string File(const std::string& name) const; // Path() + "/" + name

private:
    QTemporaryDir m_dir;
};

// The whole content of a file as bytes ("" when it cannot be read), and a file made of bytes.
std::string FileBytes(const std::string& path);
void PutFile(const std::string& path, const std::string& bytes);

// Records every message the user would see and answers questions from a script
// (answers given in order; when none is left, the first button's answer is used).
class CRecordingMessageSink final : public CMessageSink {
public:
    struct Shown {
        std::string text;
        Icon icon;
        Buttons buttons;
    };
    Answer ShowMessage(const std::string& text, Icon icon, Buttons buttons) override;
    // Recorded like the rest, the title kept beside (titles[i] for shown[i]; "" untitled).
    Answer ShowTitledMessage(const std::string& title, const std::string& text, Icon icon,
                             Buttons buttons) override;
    void QueueAnswer(Answer answer) { m_answers.push_back(answer); }

    std::vector<Shown> shown;
    std::vector<std::string> titles;

private:
    std::deque<Answer> m_answers;
};

// Records which sounds were asked for instead of playing them.
class CRecordingSoundPlayer final : public CSoundPlayer {
public:
    void PlaySystemSound(const std::string& name) override { played.push_back("system:" + name); }
    void PlayFile(const std::string& path) override { played.push_back("file:" + path); }
    void PlayEmbedded() override { played.push_back("embedded"); }
    void PlayAboutSound() override { played.push_back("about"); }

    std::vector<std::string> played;
};

} // namespace brumble::test
