#include "settings/ui/SettingsFileDialog.h"

#include <QApplication>
#include <QCursor>

#include "base/MessageSink.h"
#include "settings/SettingsTransfer.h"

namespace {

// Shows the wait cursor for as long as it lives, except while a message or question is on
// screen: the user answers those with the ordinary pointer.
class CWaitCursorSink final : public CMessageSink {
public:
    explicit CWaitCursorSink(CMessageSink& inner) : m_inner(inner)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~CWaitCursorSink() override { QApplication::restoreOverrideCursor(); }
    CWaitCursorSink(const CWaitCursorSink&) = delete;
    CWaitCursorSink& operator=(const CWaitCursorSink&) = delete;

    Answer ShowMessage(const std::string& text, Icon icon, Buttons buttons) override
    {
        QApplication::restoreOverrideCursor();
        const Answer answer = m_inner.ShowMessage(text, icon, buttons);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return answer;
    }

private:
    CMessageSink& m_inner;
};

} // namespace

CSettingsFileDialog::CSettingsFileDialog(QWidget* parent, Purpose purpose) : QFileDialog(parent)
{
    setObjectName(QStringLiteral("settingsFileDialog"));
    const bool exporting = purpose == Purpose::Export;
    setAcceptMode(exporting ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    setFileMode(exporting ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    setNameFilters(
        {QStringLiteral("Brumble Export Files (*.brx)"), QStringLiteral("All Files (*.*)")});
    setDefaultSuffix(QStringLiteral("brx"));
    selectFile(QStringLiteral("brumble"));
}

QString CSettingsFileDialog::ChooseFile(QWidget* parent, Purpose purpose)
{
    CSettingsFileDialog dialog(parent, purpose);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void CSettingsFileDialog::ExportSettings(QWidget* parent, CSettingsStore& store,
                                         CMessageSink& messages)
{
    const QString path = ChooseFile(parent, Purpose::Export);
    if (path.isEmpty())
        return;
    CWaitCursorSink waiting(messages);
    CSettingsTransfer(store, waiting).Export(path.toStdString());
}

void CSettingsFileDialog::ImportSettings(QWidget* parent, CSettingsStore& store,
                                         CMessageSink& messages)
{
    const QString path = ChooseFile(parent, Purpose::Import);
    if (path.isEmpty())
        return;
    CWaitCursorSink waiting(messages);
    CSettingsTransfer(store, waiting).Import(path.toStdString());
}
