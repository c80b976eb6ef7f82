// SPDX-License-Identifier: GPL-3.0-or-later
// CMixerLinePage: the "Line-In" page of the Options sheet. It shows the
// mixer of device "LineInMixer" as a tree: the destinations "Playback" and
// "Capture" (item data -1) with their source lines (item data: the line id),
// and selects the line "LineInLine". On OK a selected source line becomes
// "LineInLine"; a selected destination or no selection keeps it. A device
// that cannot be opened, or has no lines, says so on the page, with the
// mixer's error; the other pages work on. Below the tree, the capture source
// a live item takes instead of a line where the card has no loopback
// ("LineInSource", a GStreamer description; empty: the line).
// Thread: the user-interface thread.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QTreeWidget;

class CMixerLinePage : public QWidget
{
    Q_OBJECT

public:
    // Item data of a destination.
    static constexpr qint64 kDestination = -1;

    CMixerLinePage(unsigned mixer, unsigned line, const QString& captureSource = {},
                   QWidget* parent = nullptr);

    // The line chosen on the page, or line when none is.
    unsigned Chosen(unsigned line) const;

    // The capture source as typed, trimmed.
    QString Source() const;

    QTreeWidget* Tree() const { return m_tree; }
    QLabel* Problem() const { return m_problem; }

private:
    QTreeWidget* m_tree;
    QLabel* m_problem;
    QLineEdit* m_source;
};
