// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/VideoWnd.h"

#include "app/ViewSettings.h"
#include "media/VideoOutput.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>

#include <mutex>

namespace {

// Hands the pictures of the streaming threads to the window: the newest one
// waits in `m_next`, and one call at a time is queued to the window, so a busy
// window skips pictures instead of piling them up.
class ConsoleVideoOutput : public VideoOutput
{
public:
    explicit ConsoleVideoOutput(CVideoWnd* window) : m_window(window) {}

    void Frame(std::uint64_t serial, const QString& title, const QByteArray& pixels, int width, int height,
               int stride) override
    {
        // The copy owns its bytes: the picture outlives the buffer.
        QImage picture = QImage(reinterpret_cast<const uchar*>(pixels.constData()), width, height, stride,
                                QImage::Format_RGB32)
                             .copy();
        std::lock_guard lock(m_mutex);
        if (!m_window)
            return;
        const bool queued = m_pending;
        m_next = {serial, title, std::move(picture)};
        m_pending = true;
        if (queued)
            return;
        QMetaObject::invokeMethod(
            m_window, [this] { Deliver(); }, Qt::QueuedConnection);
    }

    void Closed(std::uint64_t serial) override
    {
        std::lock_guard lock(m_mutex);
        if (m_window)
            QMetaObject::invokeMethod(
                m_window, [window = m_window, serial] { window->ItemClosed(serial); }, Qt::QueuedConnection);
    }

    // The window is going: nothing is queued to it from now on.
    void Detach()
    {
        std::lock_guard lock(m_mutex);
        m_window = nullptr;
    }

private:
    struct Next
    {
        std::uint64_t serial = 0;
        QString title;
        QImage picture;
    };

    void Deliver()
    {
        Next next;
        CVideoWnd* window = nullptr;
        {
            std::lock_guard lock(m_mutex);
            std::swap(next, m_next);
            m_pending = false;
            window = m_window;
        }
        if (window && !next.picture.isNull())
            window->ShowPicture(next.serial, next.title, next.picture);
    }

    std::mutex m_mutex;
    CVideoWnd* m_window;
    Next m_next;
    bool m_pending = false;
};

std::shared_ptr<ConsoleVideoOutput> g_output;
QPointer<CVideoWnd> g_window;

} // namespace

CVideoWnd::CVideoWnd(CViewSettings& settings, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowDoesNotAcceptFocus), m_settings(settings)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CVideoWnd::ShowPicture(std::uint64_t serial, const QString& title, const QImage& picture)
{
    m_picture = picture;
    if (serial != m_serial) {
        m_serial = serial; // a new item: placed again, and shown after a close
        setWindowTitle(title);
        Place(picture.size());
    }
    update();
}

void CVideoWnd::ItemClosed(std::uint64_t serial)
{
    if (serial != m_serial)
        return; // an item whose pictures were never the ones shown
    m_serial = 0;
    m_picture = QImage();
    hide();
}

void CVideoWnd::Place(const QSize& pictureSize)
{
    const reg::Rect& r = m_settings.videoRect;
    switch (m_settings.videoMode) {
    case 2: showFullScreen(); return;
    case 3: showMaximized(); return;
    case 1:
        if (r.right > r.left && r.bottom > r.top) {
            setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
            showNormal();
            return;
        }
        break;
    default: break;
    }
    // The picture's own size, kept inside the screen.
    const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
    const QSize room = where ? where->availableGeometry().size() : pictureSize;
    resize(pictureSize.boundedTo(room));
    showNormal();
}

void CVideoWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_picture.isNull())
        return;
    // Scaled to the window, its shape kept.
    const QSize size = m_picture.size().scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_picture);
}

void CVideoWnd::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    StoreRect();
}

void CVideoWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    StoreRect();
}

// Only a window that stands normally is remembered: full screen and
// maximised are placements of their own.
void CVideoWnd::StoreRect()
{
    if (!isVisible() || m_settings.videoMode != 1 ||
        (windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized)))
        return;
    const QRect g = geometry();
    m_settings.videoRect = reg::Rect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

void AttachVideoWindow(QWidget* owner, CViewSettings* settings)
{
    VideoOutput::Set(nullptr);
    if (g_output)
        g_output->Detach();
    g_output.reset();
    delete g_window;
    if (!owner || !settings)
        return;
    g_window = new CVideoWnd(*settings, owner);
    g_output = std::make_shared<ConsoleVideoOutput>(g_window);
    VideoOutput::Set(g_output);
}
