#include "settings/SettingsTransfer.h"

#include <vector>

#include "base/MessageSink.h"
#include "res/StringTable.h"
#include "settings/SettingsFileReader.h"
#include "settings/SettingsFileWriter.h"
#include "settings/SettingsStore.h"

namespace {

constexpr int kExportOpenFailed = 8140;
constexpr int kExportFailed = 8141;
constexpr int kImportOpenFailed = 8142;
constexpr int kImportQuestion = 8143;
constexpr int kImportFailed = 8144;

} // namespace

CSettingsTransfer::CSettingsTransfer(CSettingsStore& store, CMessageSink& messages)
    : m_store(store), m_messages(messages)
{
}

void CSettingsTransfer::Warn(int messageId, const std::string& path)
{
    std::string text = LoadString(messageId);
    if (const auto at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, path);
    m_messages.ShowMessage(text, CMessageSink::Icon::Exclamation, CMessageSink::Buttons::Ok);
}

bool CSettingsTransfer::Export(const std::string& path)
{
    switch (CSettingsFileWriter::WriteFile(m_store, path)) {
    case CSettingsFileWriter::Result::Written:
        return true;
    case CSettingsFileWriter::Result::OpenFailed:
        Warn(kExportOpenFailed, path);
        return false;
    case CSettingsFileWriter::Result::WriteFailed:
        break;
    }
    Warn(kExportFailed, path);
    return false;
}

bool CSettingsTransfer::Import(const std::string& path)
{
    std::vector<CSettingsStore::Section> tree;
    switch (CSettingsFileReader::ReadFile(path, tree)) {
    case CSettingsFileReader::Result::Read:
        break;
    case CSettingsFileReader::Result::OpenFailed:
        Warn(kImportOpenFailed, path);
        return false;
    case CSettingsFileReader::Result::Invalid:
        Warn(kImportFailed, path);
        return false;
    }
    if (m_messages.ShowMessage(LoadString(kImportQuestion), CMessageSink::Icon::Question,
                               CMessageSink::Buttons::YesNo) != CMessageSink::Answer::Yes)
        return false;
    if (m_store.ReplaceAll(tree))
        return true;
    Warn(kImportFailed, path);
    return false;
}
