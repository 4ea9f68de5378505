#include "app/ChildFrame.h"

#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "base/AppServices.h"
#include "base/AppState.h"
#include "display/ui/BrumbleView.h"
#include "res/WidgetText.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

namespace {

constexpr int kFocusDelayMs = 100;
// A stored place smaller than this (after cutting it to the area) is no use to anybody: the
// window opens at its proposed place instead.
constexpr int kSmallestWidth = 120;
constexpr int kSmallestHeight = 80;
constexpr int kCascadeStep = 24;
constexpr int kCascadeSteps = 8;

} // namespace

CChildFrame::CChildFrame(std::unique_ptr<CBrumbleDoc> doc, CAppServices& services, QWidget* parent)
    : QWidget(parent), m_services(services), m_doc(std::move(doc))
{
    setFocusPolicy(Qt::StrongFocus);

    m_commandBar = new QWidget(this);
    m_commandBar->setObjectName(QStringLiteral("commandBar"));
    m_commandLine = new QComboBox(m_commandBar);
    m_commandLine->setObjectName(QStringLiteral("commandLine"));
    // It has no visible label; a screen reader still says what it is.
    m_commandLine->setAccessibleName(QStringLiteral("Command line"));
    m_commandLine->setEditable(true);
    // The history is kept by AddToHistory alone: newest first, duplicates and empty lines
    // included, nothing completed or inserted behind the user's back.
    m_commandLine->setInsertPolicy(QComboBox::NoInsert);
    m_commandLine->setDuplicatesEnabled(true);
    m_commandLine->setCompleter(nullptr);
    m_commandLine->setMaxVisibleItems(20);
    // A long command in the history must not widen the window.
    m_commandLine->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_commandLine->setMinimumContentsLength(1);
    m_commandLine->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_commandLine->lineEdit()->installEventFilter(this);
    m_commandLine->installEventFilter(this);
    // An entry chosen from the drop-down list is where Up and Down continue from.
    connect(m_commandLine, &QComboBox::activated, this,
            [this](int index) { m_historyIndex = index; });

    auto* barLayout = new QHBoxLayout(m_commandBar);
    barLayout->setContentsMargins(2, 2, 2, 2);
    barLayout->addWidget(m_commandLine);

    m_view = new CBrumbleView(*m_doc, m_services, this, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_commandBar);

    setWindowTitle(ToWidgetText(m_doc->Title()));
    connect(m_doc.get(), &CBrumbleDoc::TitleChanged, this, &QWidget::setWindowTitle);

    m_focusTimer.setSingleShot(true);
    m_focusTimer.setInterval(kFocusDelayMs);
    connect(&m_focusTimer, &QTimer::timeout, this, &CChildFrame::FocusCommandLine);
    m_focusTimer.start();
}

CChildFrame::~CChildFrame()
{
    m_focusTimer.stop();
    m_commandLine->lineEdit()->removeEventFilter(this);
    m_commandLine->removeEventFilter(this);
    delete m_view;
    m_view = nullptr;
    m_doc.reset();
}

QMdiSubWindow* CChildFrame::SubWindow() const
{
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void CChildFrame::PlaceInArea(QMdiSubWindow* subWindow, const std::string& host)
{
    if (!subWindow)
        return;
    subWindow->installEventFilter(this);
    connect(subWindow, &QMdiSubWindow::windowStateChanged, this,
            &CChildFrame::OnSubWindowStateChanged);

    QMdiArea* area = subWindow->mdiArea();
    const QRect areaRect = area ? area->viewport()->rect() : QRect();

    // The proposed place: two thirds of the area, cascaded below the windows already open.
    QRect proposed(0, 0, 640, 400);
    if (areaRect.isValid()) {
        const int others = std::max(0, static_cast<int>(area->subWindowList().size()) - 1);
        const int width = std::max(areaRect.width() * 2 / 3, std::min(areaRect.width(), 320));
        const int height = std::max(areaRect.height() * 2 / 3, std::min(areaRect.height(), 200));
        const int step = (others % kCascadeSteps) * kCascadeStep;
        proposed = QRect(std::min(step, areaRect.width() - width),
                         std::min(step, areaRect.height() - height), width, height);
    }

    CSettingsStore& store = m_services.settings;
    QRect place = proposed;
    int style = 0;
    if (!host.empty()) {
        place =
            QRect(store.ReadInt(host, "x", proposed.x()), store.ReadInt(host, "y", proposed.y()),
                  store.ReadInt(host, "cx", proposed.width()),
                  store.ReadInt(host, "cy", proposed.height()));
        style = store.ReadInt(host, "style", 0);
    }
    if (areaRect.isValid() && place.isValid()) {
        // Cut to the area, so that a place stored on a larger screen stays reachable.
        place.setLeft(std::max(place.left(), areaRect.left()));
        place.setTop(std::max(place.top(), areaRect.top()));
        place.setRight(std::min(place.right(), areaRect.right()));
        place.setBottom(std::min(place.bottom(), areaRect.bottom()));
    }
    if (!place.isValid() || place.width() < kSmallestWidth || place.height() < kSmallestHeight)
        place = proposed;

    // The place is kept per host, so a second window for a host would open exactly on top of
    // the first and hide it: step it down and right as a cascade does.
    const auto taken = [subWindow, area](const QPoint& corner) {
        if (!area)
            return false;
        const QList<QMdiSubWindow*> windows = area->subWindowList();
        return std::any_of(windows.begin(), windows.end(), [&](const QMdiSubWindow* other) {
            return other != subWindow && other->isVisible() && !other->isMaximized() &&
                   other->geometry().topLeft() == corner;
        });
    };
    for (int step = 0; step < kCascadeSteps && taken(place.topLeft()); ++step) {
        QRect next = place.translated(kCascadeStep, kCascadeStep);
        if (areaRect.isValid() && !areaRect.contains(next))
            next.moveTopLeft(areaRect.topLeft()); // off the edge: start again at the corner
        place = next;
    }

    subWindow->setGeometry(place);
    m_normalGeometry = place;
    if (style & kMaximizedStyle)
        subWindow->showMaximized();
    else
        subWindow->show();
}

void CChildFrame::SavePlacement(const std::string& host)
{
    QMdiSubWindow* subWindow = SubWindow();
    if (!subWindow || !subWindow->mdiArea() || host.empty())
        return;
    const bool maximized = subWindow->isMaximized();
    QRect place = subWindow->geometry();
    if ((maximized || subWindow->isMinimized()) && m_normalGeometry.isValid())
        place = m_normalGeometry;
    CSettingsStore& store = m_services.settings;
    store.WriteInt(host, "x", place.x());
    store.WriteInt(host, "y", place.y());
    store.WriteInt(host, "cx", place.width());
    store.WriteInt(host, "cy", place.height());
    store.WriteInt(host, "style", maximized ? kMaximizedStyle : 0);
}

void CChildFrame::OnSubWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState)
{
    if ((newState & Qt::WindowActive) && !(oldState & Qt::WindowActive))
        m_focusTimer.start();
}

std::optional<std::string> CChildFrame::GetCommandText() const
{
    std::string text;
    if (!m_doc->EncodeTyped(m_commandLine->currentText(), text))
        return std::nullopt;
    return text;
}

void CChildFrame::AddToHistory(const std::string& text, int limit)
{
    // Changing the list must leave what is being typed alone.
    QLineEdit* edit = m_commandLine->lineEdit();
    const QString typed = edit->text();
    const int caret = edit->cursorPosition();

    if (limit > 0) {
        while (m_commandLine->count() >= limit)
            m_commandLine->removeItem(m_commandLine->count() - 1);
    }
    m_commandLine->insertItem(0, ToWidgetText(text, m_doc->Encoding()));
    m_historyIndex = -1;

    m_commandLine->setCurrentIndex(-1);
    edit->setText(typed);
    edit->setCursorPosition(caret);
}

void CChildFrame::ClearCommandText()
{
    // Back to "no entry chosen", so that Down starts again at the newest command.
    m_commandLine->setCurrentIndex(-1);
    m_commandLine->clearEditText();
    m_historyIndex = -1;
    m_draft.clear();
}

void CChildFrame::StepHistory(int step)
{
    const int target = m_historyIndex + step;
    if (target < -1 || target >= m_commandLine->count())
        return;
    QLineEdit* edit = m_commandLine->lineEdit();
    if (m_historyIndex == -1)
        m_draft = edit->text();
    m_historyIndex = target;
    edit->setText(target == -1 ? m_draft : m_commandLine->itemText(target));
}

void CChildFrame::PasteIntoCommandLine(CBrumbleView& view, const QString& text)
{
    QLineEdit* edit = m_commandLine->lineEdit();
    const QString current = edit->text();
    qsizetype start = edit->cursorPosition();
    qsizetype end = start;
    if (edit->hasSelectedText()) {
        start = edit->selectionStart();
        end = edit->selectionEnd();
    }
    start = std::clamp<qsizetype>(start, 0, current.size());
    end = std::clamp(end, start, current.size());

    QString combined = current.left(start) + text + current.mid(end);
    qsizetype caret = start + text.size();

    // Every complete line goes at once, with the line ends it had; an unfinished last line
    // stays to be completed and sent with Enter.
    const qsizetype lineEnd = std::max(combined.lastIndexOf(u'\n'), combined.lastIndexOf(u'\r'));
    // A text the host's encoding cannot carry is refused whole and stays in the box.
    if (lineEnd >= 0 && view.SendTyped(combined.left(lineEnd + 1))) {
        combined.remove(0, lineEnd + 1);
        caret = std::max<qsizetype>(0, caret - (lineEnd + 1));
    }

    edit->setText(combined);
    edit->setCursorPosition(static_cast<int>(std::min(caret, combined.size())));
}

void CChildFrame::EnableCommandLine(bool enable)
{
    m_commandLine->setEnabled(enable);
    FocusCommandLine();
}

void CChildFrame::FocusCommandLine()
{
    // Only the window the user is working in takes the keyboard; a background window that
    // reconnects must not pull it away.
    if (QMdiSubWindow* subWindow = SubWindow()) {
        QMdiArea* area = subWindow->mdiArea();
        if (area && area->currentSubWindow() != subWindow)
            return;
    }
    m_commandLine->setFocus(Qt::OtherFocusReason);
}

void CChildFrame::TypeIntoCommandLine(const QKeyEvent& key)
{
    if (!m_commandLine->isEnabled())
        return;
    m_commandLine->setFocus(Qt::OtherFocusReason);
    QKeyEvent copy(key.type(), key.key(), key.modifiers(), key.text(), key.isAutoRepeat(),
                   static_cast<quint16>(key.count()));
    QCoreApplication::sendEvent(m_commandLine->lineEdit(), &copy);
}

void CChildFrame::MaskCommandLine(bool masked)
{
    m_commandLine->lineEdit()->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
}

void CChildFrame::ShowCommandLineMenu(const QPoint& globalPos)
{
    std::unique_ptr<QMenu> menu(m_commandLine->lineEdit()->createStandardContextMenu());
    // The line edit would paste the clipboard as one line, line ends and all. Its Paste is
    // known by the text the line edit gives it (shortcut after a tab), as translated.
    const QString pasteText = QLineEdit::tr("&Paste");
    for (QAction* action : menu->actions()) {
        if (action->text().section(QLatin1Char('\t'), 0, 0) != pasteText)
            continue;
        action->setObjectName(QStringLiteral("edit-paste"));
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, [this] { m_view->OnEditPaste(); });
    }
    menu->exec(globalPos);
}

void CChildFrame::CopyCommandText()
{
    m_commandLine->lineEdit()->copy();
}

void CChildFrame::CutCommandText()
{
    m_commandLine->lineEdit()->cut();
}

void CChildFrame::ScrollView(CRowModel::Scroll request)
{
    // Posted, so that the key is finished before the view moves.
    QMetaObject::invokeMethod(
        m_view, [view = m_view, request] { view->OnVScroll(request); }, Qt::QueuedConnection);
}

bool CChildFrame::HandleKey(const QKeyEvent& key)
{
    const bool ctrl = key.modifiers() & Qt::ControlModifier;
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_view->OnEnter();
        return true;
    case Qt::Key_PageUp:
        ScrollView(CRowModel::Scroll::PageUp);
        return true;
    case Qt::Key_PageDown:
        ScrollView(CRowModel::Scroll::PageDown);
        return true;
    case Qt::Key_Up:
        if (!ctrl)
            return false; // moves through the history
        ScrollView(CRowModel::Scroll::LineUp);
        return true;
    case Qt::Key_Down:
        if (!ctrl)
            return false;
        ScrollView(CRowModel::Scroll::LineDown);
        return true;
    default:
        break;
    }
    return false;
}

bool CChildFrame::eventFilter(QObject* watched, QEvent* event)
{
    // The box forwards keys and focus to its line edit without further filtering, so both
    // are watched: whichever of them the keys reach first decides.
    if (watched == m_commandLine || watched == m_commandLine->lineEdit()) {
        switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            // Pasting goes through the session's paste, which sends every complete line.
            if (key->matches(QKeySequence::Paste)) {
                m_view->OnEditPaste();
                return true;
            }
            // Enter, and the keys that would otherwise page through the history.
            if (HandleKey(*key))
                return true;
            const Qt::KeyboardModifiers plain = key->modifiers() & ~Qt::KeypadModifier;
            if (plain == Qt::NoModifier &&
                (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
                StepHistory(key->key() == Qt::Key_Up ? 1 : -1);
                return true;
            }
            break;
        }
        case QEvent::ContextMenu:
            if (watched == m_commandLine->lineEdit()) {
                ShowCommandLineMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
                return true;
            }
            break;
        case QEvent::MouseButtonRelease: {
            // The middle button pastes the mouse selection, by the same rule as Paste.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QClipboard* clipboard = QGuiApplication::clipboard();
            if (watched == m_commandLine->lineEdit() && mouse->button() == Qt::MiddleButton &&
                clipboard && clipboard->supportsSelection()) {
                m_view->OnEditPaste(CBrumbleView::PasteSource::Selection);
                return true;
            }
            break;
        }
        case QEvent::FocusIn:
            m_services.app.SetInputView(m_view);
            break;
        default:
            break;
        }
    } else if (watched == SubWindow()) {
        auto* subWindow = static_cast<QMdiSubWindow*>(watched);
        switch (event->type()) {
        case QEvent::Close:
            SavePlacement(m_doc->GetHostName());
            break;
        case QEvent::Move:
        case QEvent::Resize:
            if (!subWindow->isMaximized() && !subWindow->isMinimized())
                m_normalGeometry = subWindow->geometry();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CChildFrame::keyPressEvent(QKeyEvent* event)
{
    // Keys the view and the other controls left alone: Enter anywhere sends the command line.
    if (HandleKey(*event))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void CChildFrame::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    m_focusTimer.start();
}
