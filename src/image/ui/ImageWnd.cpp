#include "image/ui/ImageWnd.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <cstring>

#include "base/AppServices.h"
#include "base/MessageSink.h"
#include "image/ImageResources.h"
#include "res/StringTable.h"
#include "settings/SettingsStore.h"

namespace {

constexpr std::string_view kSection = "Image Window";
constexpr QRgb kGrey = 0xFFC0C0C0;
constexpr int kNoPosition = INT32_MIN;

QString Latin1(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

QString Caption(int id)
{
    return QString::fromLatin1(LoadString(id));
}

} // namespace

CImageWnd::CImageWnd(CAppServices& services, QWidget* parent, CPictureFetch::Limits limits)
    : QAbstractScrollArea(parent), m_services(services),
      m_thread(std::make_unique<CImageThread>(limits))
{
    setObjectName(QStringLiteral("imageWindow"));
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Caption(ImageResources::kCaptionLoading));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setCursor(Qt::WaitCursor);
    resize(sizeHint());
    RestorePosition();

    // The thread object lives here; its signals come from the fetch thread, so they queue.
    connect(m_thread.get(), &CImageThread::PictureStarted, this, &CImageWnd::OnPictureStarted);
    connect(m_thread.get(), &CImageThread::PictureSize, this, &CImageWnd::OnPictureSize);
    connect(m_thread.get(), &CImageThread::PictureRow, this, &CImageWnd::OnPictureRow);
    connect(m_thread.get(), &CImageThread::PictureMessage, this, &CImageWnd::OnPictureMessage);
    connect(m_thread.get(), &CImageThread::PictureFinished, this, &CImageWnd::OnPictureFinished);
}

CImageWnd::~CImageWnd()
{
    SavePosition();
    m_thread->Stop();
}

QSize CImageWnd::sizeHint() const
{
    return QSize(200, 150);
}

QSize CImageWnd::ClientSizeFor(int width, int height)
{
    return QSize(std::clamp(width, kMinClient, kMaxClientWidth),
                 std::clamp(height, kMinClient, kMaxClientHeight));
}

void CImageWnd::SetUrl(const std::string& url)
{
    m_url = url;
    m_loading = true;
    viewport()->setCursor(Qt::WaitCursor);
    m_thread->SetImageUrl(url);
}

void CImageWnd::OnPictureStarted(int load, const QByteArray&)
{
    m_load = load;
    m_picture = QImage();
    m_loading = true;
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setCursor(Qt::WaitCursor);
    UpdateScrollBars();
    viewport()->update();
}

void CImageWnd::OnPictureSize(int load, int width, int height)
{
    if (load != m_load)
        return;
    m_picture = QImage(width, height, QImage::Format_RGB888);
    m_picture.fill(kGrey);
    setWindowTitle(Caption(ImageResources::kCaptionLoading));
    ResizeToPicture();
    viewport()->update();
}

void CImageWnd::OnPictureRow(int load, int y, const QByteArray& rgb)
{
    if (load != m_load || m_picture.isNull() || y < 0 || y >= m_picture.height())
        return;
    const qsizetype bytes = std::min<qsizetype>(rgb.size(), qsizetype{m_picture.width()} * 3);
    std::memcpy(m_picture.scanLine(y), rgb.constData(), static_cast<std::size_t>(bytes));
    viewport()->update(QRect(-horizontalScrollBar()->value(), y - verticalScrollBar()->value(),
                             m_picture.width(), 1));
}

void CImageWnd::OnPictureMessage(int load, const QByteArray& title, const QByteArray& text,
                                 int icon)
{
    if (load != m_load)
        return;
    const auto boxIcon = static_cast<CMessageSink::Icon>(icon);
    if (title.isEmpty())
        m_services.messages.ShowMessage(text.toStdString(), boxIcon, CMessageSink::Buttons::Ok);
    else
        m_services.messages.ShowTitledMessage(title.toStdString(), text.toStdString(), boxIcon,
                                              CMessageSink::Buttons::Ok);
}

void CImageWnd::OnPictureFinished(int load, const QByteArray& caption)
{
    if (load != m_load)
        return;
    m_loading = false;
    viewport()->setCursor(Qt::ArrowCursor);
    setWindowTitle(Latin1(caption));
}

void CImageWnd::ResizeToPicture()
{
    // The client area takes the picture's size, within limits; the top-left corner stays.
    const QSize client = ClientSizeFor(m_picture.width(), m_picture.height());
    const bool wide = m_picture.width() > client.width();
    const bool tall = m_picture.height() > client.height();
    const int barWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    // The bars are decided here, once per picture, so that the client size is exact.
    setHorizontalScrollBarPolicy(wide ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(tall ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    resize(client.width() + (tall ? barWidth : 0), client.height() + (wide ? barWidth : 0));
    UpdateScrollBars();
}

void CImageWnd::UpdateScrollBars()
{
    const QSize page = viewport()->size();
    const QSize picture = m_picture.isNull() ? QSize(0, 0) : m_picture.size();
    horizontalScrollBar()->setRange(0, std::max(0, picture.width() - page.width()));
    horizontalScrollBar()->setPageStep(page.width());
    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setRange(0, std::max(0, picture.height() - page.height()));
    verticalScrollBar()->setPageStep(page.height());
    verticalScrollBar()->setSingleStep(1);
}

void CImageWnd::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CImageWnd::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
}

void CImageWnd::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), QColor(kGrey));
    if (!m_picture.isNull())
        painter.drawImage(QPoint(-horizontalScrollBar()->value(), -verticalScrollBar()->value()),
                          m_picture);
}

void CImageWnd::closeEvent(QCloseEvent* event)
{
    SavePosition();
    m_thread->Stop();
    event->accept();
}

void CImageWnd::SavePosition()
{
    if (m_positionSaved)
        return;
    m_positionSaved = true;
    const QPoint place = frameGeometry().topLeft();
    m_services.settings.WriteInt(kSection, "XPos", place.x());
    m_services.settings.WriteInt(kSection, "YPos", place.y());
}

void CImageWnd::RestorePosition()
{
    const int x = m_services.settings.ReadInt(kSection, "XPos", kNoPosition);
    const int y = m_services.settings.ReadInt(kSection, "YPos", kNoPosition);
    if (x == kNoPosition || y == kNoPosition)
        return;
    // A place on a screen that is no longer attached would leave the window out of reach.
    const QRect wanted(QPoint(x, y), frameGeometry().size());
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(
                wanted.adjusted(0, 0, -wanted.width() / 2, -20))) {
            move(x, y);
            return;
        }
    }
}
