// SPDX-License-Identifier: GPL-3.0-or-later
// CSelectIconDlg: "Select Icon", the pictures of one file side by side.
// Typing in "&File:" clears the choice; OK without a choice reads the file
// named there and stays open with its first picture chosen; OK with one (or
// a double click on one) closes with the file and the picture's index.
// "&Browse..." puts a chosen file in the field.
// Thread: the user-interface thread.
#pragma once

#include "gui/dialogs/FilePickers.h"

#include <QDialog>

class QLineEdit;
class QListWidget;

class CSelectIconDlg : public QDialog
{
    Q_OBJECT

public:
    CSelectIconDlg(const QString& file, int index, QWidget* parent = nullptr);

    QString File() const;
    int Index() const { return m_index; }

    QLineEdit* FileEdit() const { return m_file; }
    QListWidget* Icons() const { return m_icons; }
    void SetPicker(FilePicker picker) { m_browse = std::move(picker); }

    void Browse();
    void accept() override;

private:
    // Lists the pictures of the file in the field and chooses index.
    void Fill(int index);

    QLineEdit* m_file;
    QListWidget* m_icons;
    FilePicker m_browse = AskOpenFile;
    int m_index = 0;
};
