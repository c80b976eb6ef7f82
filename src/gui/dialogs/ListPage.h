// SPDX-License-Identifier: GPL-3.0-or-later
// The layout the list pages share (Events, Sounds, Plug-ins, Streaming): a note across
// the top when there is one, the list (or table) on the left and a column of buttons
// on the right, each button named "button<id>" for tests and pictures.
// Thread: the user-interface thread.
#pragma once

#include "app/UserInterface.h"

#include <QString>
#include <functional>
#include <vector>

class QAbstractItemView;
class QLabel;
class QPushButton;
class QWidget;

struct PageButton
{
    QString text;
    int id;
    std::function<void()> action;
};

// Lays out page (note may be null); returns the buttons in order.
std::vector<QPushButton*> LayOutListPage(QWidget* page, QLabel* note, QAbstractItemView* list,
                                         const std::vector<PageButton>& buttons);

// A message of a page or dialog: through ui when there is one (the console's
// boxes, recorded in tests), else a box over owner.
void TellOperator(QWidget* owner, UserInterface* ui, const QString& message, UserInterface::Icon icon);
