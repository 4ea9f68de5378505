#include "app/AboutDlg.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "alerts/SoundPlayer.h"
#include "app/ProgramIcon.h"

namespace {

constexpr int kIconSize = 48;
// The box is about 217 dialog units wide; a dialog unit is a quarter of an average character.
constexpr int kWidthInQuarterCharacters = 217;

QFrame* Separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel* Text(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    return label;
}

} // namespace

CAboutDlg::CAboutDlg(CSoundPlayer& sound, QWidget* parent) : QDialog(parent), m_sound(sound)
{
    setObjectName(QStringLiteral("aboutDlg"));
    setWindowTitle(QStringLiteral("About Brumble"));

    // A plain picture: the label leaves mouse presses to the dialog, which looks at where
    // they land.
    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("aboutIcon"));
    m_icon->setPixmap(ProgramIcon().pixmap(kIconSize, kIconSize));
    m_icon->setFixedSize(kIconSize, kIconSize);
    m_icon->setToolTip(QStringLiteral("Click the icon to hear Brumble hum."));
    m_icon->setAccessibleName(QStringLiteral("Brumble icon"));

    auto* title = Text(QStringLiteral("Brumble - Version " BRUMBLE_VERSION), "titleLine", this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* maker =
        Text(QStringLiteral("Copyright (C) 2026 The Brumble developers"), "makerLine", this);

    auto* heading = new QVBoxLayout;
    heading->addWidget(title);
    heading->addWidget(maker);
    heading->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(m_icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(heading, 1);

    auto* notice = Text(
        QStringLiteral("Brumble is given as it is, in the hope that it is useful, but without "
                       "any warranty; you use it at your own risk. Suggestions, questions and "
                       "reports of anything that goes wrong are welcome on the project's issue "
                       "tracker."),
        "notice", this);

    auto* people = new QGridLayout;
    people->setColumnStretch(1, 1);
    people->setHorizontalSpacing(12);
    const struct {
        const char* label;
        const char* text;
        const char* name;
    } lines[] = {
        {"Author:", "The Brumble developers", "authorText"},
        {"WWW:", "The help pages, under Help > Contents (F1)", "wwwText"},
        {"Credits:", "Qt, SQLite, giflib, libjpeg-turbo, libcurl and libcanberra", "creditsText"},
        {"Thanks:", "Everyone who builds text worlds, and everyone who plays in them",
         "thanksText"},
    };
    int row = 0;
    for (const auto& line : lines) {
        auto* label = new QLabel(QString::fromLatin1(line.label), this);
        people->addWidget(label, row, 0, Qt::AlignTop);
        people->addWidget(Text(QString::fromLatin1(line.text), line.name, this), row, 1);
        ++row;
    }

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setDefault(true);
    close->setToolTip(QStringLiteral("Close this window."));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Separator(this));
    layout->addWidget(notice);
    layout->addWidget(Separator(this));
    layout->addLayout(people);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    setMinimumWidth(fontMetrics().averageCharWidth() * kWidthInQuarterCharacters / 4);
    setSizeGripEnabled(false);
}

QRect CAboutDlg::IconRect() const
{
    return m_icon->geometry();
}

void CAboutDlg::mousePressEvent(QMouseEvent* event)
{
    // The player cuts off what is playing, so a click while the sound runs starts it afresh.
    if (event->button() == Qt::LeftButton && IconRect().contains(event->position().toPoint())) {
        m_sound.PlayAboutSound();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}
