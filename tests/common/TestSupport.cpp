#include "common/TestSupport.h"

#include <QDir>

#include <cstdlib>

namespace brumble::test {

void UsePrivateRuntimeFolders()
{
    // Leaked on purpose: the folders must outlive every test of the process.
    static QTemporaryDir* config = new QTemporaryDir();
    static QTemporaryDir* runtime = new QTemporaryDir();
    setenv("BRUMBLE_CONFIG_DIR", config->path().toLocal8Bit().constData(), 1);
    setenv("XDG_RUNTIME_DIR", runtime->path().toLocal8Bit().constData(), 1);
    QFile::setPermissions(runtime->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner);
}

ScopedTempDir::ScopedTempDir() = default;

std::string ScopedTempDir::Path() const { return m_dir.path().toStdString(); }

std::string ScopedTempDir::File(const std::string& name) const { return Path() + "/" + name; }

CMessageSink::Answer CRecordingMessageSink::ShowMessage(const std::string& text, Icon icon,
                                                        Buttons buttons)
{
    shown.push_back({text, icon, buttons});
    titles.resize(shown.size());
    if (!m_answers.empty()) {
        Answer a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return Answer::Yes;
    case Buttons::OkCancel:
    case Buttons::Ok:
        break;
    }
    return Answer::Ok;
}

CMessageSink::Answer CRecordingMessageSink::ShowTitledMessage(const std::string& title,
                                                             const std::string& text, Icon icon,
                                                             Buttons buttons)
{
    const Answer answer = ShowMessage(text, icon, buttons);
    titles.back() = title;
    return answer;
}

} // namespace brumble::test
