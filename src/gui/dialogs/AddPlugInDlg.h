// SPDX-License-Identifier: GPL-3.0-or-later
// CAddPlugInDlg: "Add Audio Plug-in", the installed effect plug-ins by name
// (sorted, each name once: a name stands for its first plug-in, as
// CPlugInChain::CreateByName takes it). "&Add" or a double click on a name
// closes it with that name chosen.
// Thread: the user-interface thread.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

class CAddPlugInDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAddPlugInDlg(QWidget* parent = nullptr);

    // The chosen name; empty when none is selected.
    QString SelectedName() const;
    QListWidget* List() const { return m_list; }

private:
    QListWidget* m_list;
    QPushButton* m_add;
};
