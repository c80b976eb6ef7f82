// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/frame/SideWindows.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// Room for the window manager's decoration, in pixels: a title bar above
// the client and thin borders around it (openbox: 20 and 1; most others
// are within this).
constexpr int kTitleAllowance = 32;
constexpr int kBorderAllowance = 6;

} // namespace

QPoint PlaceBesideConsole(QPoint wanted, QSize size, const QWidget* owner)
{
    const QWidget* window = owner ? owner->window() : nullptr;
    QScreen* screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::screenAt(wanted);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return wanted;
    const QRect area = screen->availableGeometry();
    const QSize outer(size.width() + 2 * kBorderAllowance,
                      size.height() + kTitleAllowance + kBorderAllowance);
    auto fit = [](int at, int length, int first, int span) {
        return std::max(first, std::min(at, first + span - length));
    };
    QPoint at(fit(wanted.x(), outer.width(), area.left(), area.width()),
              fit(wanted.y(), outer.height(), area.top(), area.height()));
    if (const auto* frame = qobject_cast<const QMainWindow*>(window);
        frame && frame->menuWidget() && frame->menuWidget()->isVisible()) {
        const QWidget* bar = frame->menuWidget();
        const QRect barOnScreen(bar->mapToGlobal(QPoint(0, 0)), bar->size());
        if (QRect(at, outer).intersects(barOnScreen)) {
            // Beside the console where the screen has room; else into the
            // top right corner of its client area, over the right end of the
            // list's rows, away from the menus, the tool bars and the on-air
            // boxes on the left.
            const QWidget* client = frame->centralWidget() ? frame->centralWidget() : frame;
            const QRect clientOnScreen(client->mapToGlobal(QPoint(0, 0)), client->size());
            const int top = std::max(clientOnScreen.top(), barOnScreen.bottom() + 1);
            const int beside = frame->frameGeometry().right() + 1;
            const int x = beside + outer.width() <= area.right() + 1
                              ? beside
                              : clientOnScreen.right() + 1 - outer.width();
            at = QPoint(fit(x, outer.width(), area.left(), area.width()),
                        fit(top, outer.height(), area.top(), area.height()));
        }
    }
    return at;
}

void KeepKeyboardWithConsole(QWidget* window)
{
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
}
