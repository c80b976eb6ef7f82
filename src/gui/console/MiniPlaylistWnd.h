// SPDX-License-Identifier: GPL-3.0-or-later
// CMiniPlaylistWnd: the window of a mini playlist that plays. It shows the
// nested rows of a CMiniPlaylist (the row now playing selected) and nothing
// else: the list is disabled, the window has no close button and ignores a
// close request (it goes when the list goes), and it keeps its rectangle in
// "MiniPlaylist Rect" of the settings it is given (left, top: the corner of
// its frame; the width and height of its list). It never takes the keyboard
// from the console and opens inside the screen (gui/frame/SideWindows.h). The console makes one for
// every mini playlist it plays (AttachMiniPlaylistWindows).
// Thread: the GUI thread.
#pragma once

#include <QWidget>

class CMiniPlaylist;
class CPlaylistListBox;
struct CViewSettings;

class CMiniPlaylistWnd : public QWidget
{
    Q_OBJECT

public:
    CMiniPlaylistWnd(CMiniPlaylist& list, CViewSettings& settings, QWidget* owner);

    CPlaylistListBox& List() const { return *m_list; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void StoreRect();

    CViewSettings& m_settings;
    CPlaylistListBox* m_list;
};

// From now on every mini playlist that opens shows in a window owned by
// owner, with its rectangle in settings; null owner: no windows any more.
void AttachMiniPlaylistWindows(QWidget* owner, CViewSettings* settings);
