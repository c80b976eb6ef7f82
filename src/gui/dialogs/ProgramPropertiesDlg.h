// SPDX-License-Identifier: GPL-3.0-or-later
// CProgramPropertiesDlg: "Program Properties", one tool of the Tools menu:
// its menu text, file, start folder, parameters, icon and show state.
// "&Browse..." and the "..." beside the file pick a program (executables
// and scripts) and take it over with its name as the menu text; the "..."
// beside "&Start in" picks a folder; the icon button opens Select Icon.
// OK writes the fields into the tool, Cancel leaves it as it was.
// Thread: the user-interface thread.
#pragma once

#include "app/ToolList.h"
#include "gui/dialogs/FilePickers.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

class CProgramPropertiesDlg : public QDialog
{
    Q_OBJECT

public:
    // (parent, caption, start folder) -> the chosen folder; empty = cancelled.
    using FolderPicker = std::function<QString(QWidget*, const QString&, const QString&)>;

    explicit CProgramPropertiesDlg(CTool& tool, QWidget* parent = nullptr);

    // Runs the dialog on tool; true (tool changed) on OK.
    static bool EditTool(CTool& tool, QWidget* parent);

    // The desktop's open dialog for programs: executable files and scripts,
    // or all files.
    static QString AskProgramFile(QWidget* parent, const QString& filter, const QString& initial);

    QLineEdit* Description() const { return m_description; }
    QLineEdit* File() const { return m_file; }
    QLineEdit* WorkDir() const { return m_workDir; }
    QLineEdit* Params() const { return m_params; }
    QComboBox* ShowState() const { return m_show; }
    void SetPickers(FilePicker program, FolderPicker folder);

    void BrowseProgram();
    void BrowseFolder();
    void ChooseIcon();
    void accept() override;

private:
    void ShowIcon();

    CTool& m_tool;
    CTool m_work; // the icon and the fields Browse fills, until OK
    QLineEdit* m_description;
    QLineEdit* m_file;
    QLineEdit* m_workDir;
    QLineEdit* m_params;
    QComboBox* m_show;
    QPushButton* m_icon;
    FilePicker m_pickProgram = AskProgramFile;
    FolderPicker m_pickFolder;
};
