// The layout the list pages share (Events, Sounds, Plug-ins): a note across
// the top when there is one, the list on the left and a column of buttons
// on the right, each button named "button<id>" for tests and pictures.
// Thread: the user-interface thread.
#pragma once

#include <QString>
#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

struct PageButton
{
    QString text;
    int id;
    std::function<void()> action;
};

// Lays out page (note may be null); returns the buttons in order.
std::vector<QPushButton*> LayOutListPage(QWidget* page, QLabel* note, QListWidget* list,
                                         const std::vector<PageButton>& buttons);
