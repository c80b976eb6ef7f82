// SPDX-License-Identifier: GPL-3.0-or-later
// CVideoWnd: the console's video window. It shows the pictures of the video
// item that plays (VideoOutput) and goes when that item closes. It is placed
// by "VideoMode": 0 at the picture's own size, 1 where the operator last left
// it ("VideoRect", kept as it moves; the picture's size the first time),
// 2 full screen, 3 maximised. It never takes the keyboard from the console
// (the operator's keys keep working while a video plays), and a close
// request only hides it until the next item.
// Thread: the GUI thread; AttachVideoWindow's output takes pictures on any.
#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>

struct CViewSettings;

class CVideoWnd : public QWidget
{
    Q_OBJECT

public:
    CVideoWnd(CViewSettings& settings, QWidget* owner);

    void ShowPicture(std::uint64_t serial, const QString& title, const QImage& picture);
    void ItemClosed(std::uint64_t serial);
    const QImage& Picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Place(const QSize& pictureSize);
    void StoreRect();

    CViewSettings& m_settings;
    QImage m_picture;
    std::uint64_t m_serial = 0;
};

// From now on the pictures of video items show in a window owned by owner,
// placed by settings; null owner: no video is decoded any more.
void AttachVideoWindow(QWidget* owner, CViewSettings* settings);
