#pragma once
// The About box: the program's icon, name and version, who makes it, a word on its terms,
// and the people behind it. A left click on the icon plays the About sound, starting it
// again from the beginning on every click.

#include <QDialog>

class CSoundPlayer;
class QLabel;
class QMouseEvent;

class CAboutDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(CSoundPlayer& sound, QWidget* parent = nullptr);
    CAboutDlg(const CAboutDlg&) = delete;
    CAboutDlg& operator=(const CAboutDlg&) = delete;

    // The icon's rectangle in the dialog's own coordinates: the place that plays the sound.
    QRect IconRect() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    CSoundPlayer& m_sound;
    QLabel* m_icon = nullptr;
};
