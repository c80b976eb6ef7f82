// SPDX-License-Identifier: GPL-3.0-or-later
// The windows the console opens by itself while it plays (a mini
// playlist's rows, sound windows): they show what plays and leave the
// keyboard with the console, so that S, P, N, B and the sound keys keep
// working, and they land where the operator can reach their title bars
// without covering the console's menu bar.
// Thread: the user-interface thread.
#pragma once

#include <QPoint>
#include <QSize>

class QWidget;

// Where a window of client size `size` whose frame the caller wants at
// `wanted` (screen coordinates, as QWidget::move takes them) goes: the
// whole frame inside the available area of the owner's screen; a window
// that would cover the owner window's menu bar goes beside the owner window
// where the screen has room, else into the top right corner of its client
// area. The frame around
// the client is not known before the window manager has drawn it; an
// allowance for a title bar and borders is used.
QPoint PlaceBesideConsole(QPoint wanted, QSize size, const QWidget* owner);

// Marks a top-level window that must not take the keyboard: it is shown
// without being activated and the window manager never gives it focus. Its
// buttons still take clicks. Call before the window is first shown.
void KeepKeyboardWithConsole(QWidget* window);
