// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/MiniPlaylistWnd.h"

#include "app/ViewSettings.h"
#include "gui/console/ItemIcons.h"
#include "gui/console/PlaylistListBox.h"
#include "gui/frame/SideWindows.h"
#include "media/MiniPlaylistTrack.h"
#include "media/TrackEnvironment.h"
#include "playlist/ItemPath.h"

#include <QCloseEvent>
#include <QIcon>
#include <QVBoxLayout>

CMiniPlaylistWnd::CMiniPlaylistWnd(CMiniPlaylist& list, CViewSettings& settings, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_settings(settings),
      m_list(new CPlaylistListBox(list.Rows(), this))
{
    setWindowTitle(list.Title());
    setWindowIcon(QIcon(ItemIcon(ItemKind::MiniPlaylist, false)));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    // The rectangle: the frame's corner where the operator left it and the
    // list's size, kept inside the screen and off the console's menu bar.
    const reg::Rect& r = settings.miniPlaylistRect;
    if (r.right > r.left && r.bottom > r.top)
        resize(r.right - r.left, r.bottom - r.top);
    move(PlaceBesideConsole(QPoint(r.left, r.top), size(), owner));
    // The operator watches the list run; the selection is the player's and
    // the keyboard stays with the console.
    KeepKeyboardWithConsole(this);
    m_list->setEnabled(false);
    show();
}

void CMiniPlaylistWnd::closeEvent(QCloseEvent* event)
{
    event->ignore(); // the window goes when its mini playlist ends
}

void CMiniPlaylistWnd::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    StoreRect();
}

void CMiniPlaylistWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    StoreRect();
}

void CMiniPlaylistWnd::StoreRect()
{
    if (!isVisible())
        return;
    const QPoint corner = pos(); // the frame's
    m_settings.miniPlaylistRect = reg::Rect{corner.x(), corner.y(), corner.x() + width(),
                                            corner.y() + height()};
}

void AttachMiniPlaylistWindows(QWidget* owner, CViewSettings* settings)
{
    if (!owner || !settings) {
        CTrackEnvironment::SetMiniPlaylistView(nullptr);
        return;
    }
    CTrackEnvironment::SetMiniPlaylistView(
        [owner, settings](CMiniPlaylist& list) -> std::unique_ptr<QObject> {
            return std::make_unique<CMiniPlaylistWnd>(list, *settings, owner);
        });
}
