#include "common/TestSupport.h"

#include <QDir>

#include <cstdlib>
#include <fstream>
#include <iterator>

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

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void PutFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

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
