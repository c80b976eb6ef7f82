// SPDX-License-Identifier: GPL-3.0-or-later
// CMixerLinePage: the "Line-In" page of the Options sheet. It shows the
// mixer of device "LineInMixer" as a tree: the destinations "Playback" and
// "Capture" (item data -1) with their source lines (item data: the line id),
// and selects the line "LineInLine". On OK a selected source line becomes
// "LineInLine"; a selected destination or no selection keeps it. A device
// that cannot be opened, or has no lines, says so on the page, with the
// mixer's error; the other pages work on.
// Thread: the user-interface thread.
#pragma once

#include <QWidget>

class QLabel;
class QTreeWidget;

class CMixerLinePage : public QWidget
{
    Q_OBJECT

public:
    // Item data of a destination.
    static constexpr qint64 kDestination = -1;

    CMixerLinePage(unsigned mixer, unsigned line, QWidget* parent = nullptr);

    // The line chosen on the page, or line when none is.
    unsigned Chosen(unsigned line) const;

    QTreeWidget* Tree() const { return m_tree; }
    QLabel* Problem() const { return m_problem; }

private:
    QTreeWidget* m_tree;
    QLabel* m_problem;
};
