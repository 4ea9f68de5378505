#pragma once
// The file chooser of Tools > Export Settings and Import Settings (".brx" files, proposed
// name "brumble"), and the two commands that run it and hand the chosen file to
// CSettingsTransfer with the wait cursor shown while the settings are read or written.

#include <QFileDialog>

class CSettingsStore;
class CMessageSink;

class CSettingsFileDialog final : public QFileDialog {
    Q_OBJECT

public:
    enum class Purpose { Export, Import };

    CSettingsFileDialog(QWidget* parent, Purpose purpose);

    // Each ends quietly when the user cancels the file chooser.
    static void ExportSettings(QWidget* parent, CSettingsStore& store, CMessageSink& messages);
    static void ImportSettings(QWidget* parent, CSettingsStore& store, CMessageSink& messages);

private:
    static QString ChooseFile(QWidget* parent, Purpose purpose);
};
