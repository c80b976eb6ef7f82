// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/ListPage.h"

#include <QAbstractItemView>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>

std::vector<QPushButton*> LayOutListPage(QWidget* page, QLabel* note, QAbstractItemView* list,
                                         const std::vector<PageButton>& buttons)
{
    auto* layout = new QGridLayout(page);
    const int top = note ? 1 : 0;
    if (note) {
        note->setWordWrap(true);
        layout->addWidget(note, 0, 0, 1, 2);
    }
    layout->addWidget(list, top, 0, int(buttons.size()) + 1, 1);
    std::vector<QPushButton*> made;
    int row = top;
    for (const PageButton& b : buttons) {
        auto* button = new QPushButton(b.text, page);
        button->setObjectName(QStringLiteral("button%1").arg(b.id));
        QObject::connect(button, &QPushButton::clicked, page, b.action);
        layout->addWidget(button, row++, 1);
        made.push_back(button);
    }
    layout->setRowStretch(row, 1);
    return made;
}

void TellOperator(QWidget* owner, UserInterface* ui, const QString& message, UserInterface::Icon icon)
{
    if (ui)
        ui->ShowMessage(message, icon);
    else if (icon == UserInterface::Icon::Stop)
        QMessageBox::critical(owner, owner->windowTitle(), message);
    else
        QMessageBox::warning(owner, owner->windowTitle(), message);
}
