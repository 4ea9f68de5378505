#pragma once
// The Export Settings and Import Settings commands once the user has chosen a file: the
// whole settings tree goes to a ".brx" file and comes back from one, with the question
// before an import and the messages for every failure. An import is all or nothing: the
// file is read and checked completely before the question, and the tree is replaced in one
// transaction, so a refused file never leaves the settings half-written.

#include <string>

class CSettingsStore;
class CMessageSink;

class CSettingsTransfer final {
public:
    CSettingsTransfer(CSettingsStore& store, CMessageSink& messages);

    // True when the file was written completely.
    bool Export(const std::string& path);
    // True when the settings were replaced; false after a failure or the answer No.
    bool Import(const std::string& path);

private:
    void Warn(int messageId, const std::string& path);

    CSettingsStore& m_store;
    CMessageSink& m_messages;
};
