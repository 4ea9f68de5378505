#pragma once
// The picture window: a small non-modal window that stays on top and shows, 1:1 with
// scroll bars, the picture its thread is fetching and decoding, growing row by row as the
// rows arrive. Its client area takes the picture's size within 32-620 by 32-440 pixels.
// A new URL restarts it; closing it ends the thread (promptly) and stores its position in
// "Image Window".

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QImage>

#include <memory>
#include <string>

#include "image/ImageThread.h"

struct CAppServices;

class CImageWnd final : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kMinClient = 32;
    static constexpr int kMaxClientWidth = 620;
    static constexpr int kMaxClientHeight = 440;

    CImageWnd(CAppServices& services, QWidget* parent = nullptr, CPictureFetch::Limits limits = {});
    ~CImageWnd() override;
    CImageWnd(const CImageWnd&) = delete;
    CImageWnd& operator=(const CImageWnd&) = delete;

    // Shows url next, giving up whatever is being read.
    void SetUrl(const std::string& url);
    const std::string& Url() const { return m_url; }
    const QImage& Picture() const { return m_picture; }
    bool IsLoading() const { return m_loading; }
    // The client size for a picture of this size.
    static QSize ClientSizeFor(int width, int height);

public Q_SLOTS:
    void OnPictureStarted(int load, const QByteArray& url);
    void OnPictureSize(int load, int width, int height);
    void OnPictureRow(int load, int y, const QByteArray& rgb);
    void OnPictureMessage(int load, const QByteArray& title, const QByteArray& text, int icon);
    void OnPictureFinished(int load, const QByteArray& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void closeEvent(QCloseEvent* event) override;
    QSize sizeHint() const override;

private:
    void ResizeToPicture();
    void UpdateScrollBars();
    void SavePosition();
    void RestorePosition();

    CAppServices& m_services;
    std::unique_ptr<CImageThread> m_thread;
    std::string m_url;
    int m_load = 0;
    bool m_loading = false;
    bool m_positionSaved = false;
    QImage m_picture;
};
