// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the widget tests: the texts a list or a tab widget shows, and
// work done on the modal dialog that opens next.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <type_traits>

inline QStringList ItemTexts(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

inline QStringList TabTitles(const QTabWidget* tabs)
{
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    return titles;
}

// Runs `work` on the modal dialog (of class T) that opens next, sets *ran,
// and cancels the dialog if it is still open.
template <class T = QDialog>
void OnNextModal(std::type_identity_t<std::function<void(T&)>> work, bool* ran = nullptr)
{
    QTimer::singleShot(0, [work = std::move(work), ran] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        work(*dialog);
        if (ran)
            *ran = true;
        if (dialog->isVisible())
            dialog->reject();
    });
}
