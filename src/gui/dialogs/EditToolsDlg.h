// SPDX-License-Identifier: GPL-3.0-or-later
// CEditToolsDlg: "Edit Tool menu", the tools of the Tools menu by their
// Descriptions. It works on copies: "&New..." appends a tool edited in
// Program Properties, "&Edit..." (or a double click) edits the selected
// one in place, "&Delete" removes it and selects the entry that moves into
// its place, "&Run" runs it without a file (its macros stay as typed). The
// caller takes Tools() over on OK; Cancel leaves the list as it was.
// Thread: the user-interface thread.
#pragma once

#include "app/ToolList.h"

#include <QDialog>
#include <functional>
#include <vector>

class QListWidget;
class QPushButton;
class Shell;
class UserInterface;

class CEditToolsDlg : public QDialog
{
    Q_OBJECT

public:
    struct Context
    {
        Shell* shell = nullptr;      // Run; the system shell when null
        UserInterface* ui = nullptr; // messages; a message box when null
        // Edits one tool; true on OK. Program Properties when empty.
        std::function<bool(CTool&, QWidget*)> editTool;
    };

    CEditToolsDlg(std::vector<CTool> tools, Context context, QWidget* parent = nullptr);

    const std::vector<CTool>& Tools() const { return m_tools; }
    QListWidget* List() const { return m_list; }

    void New();
    void Edit();
    void Delete();
    void Run();

private:
    void Refill(int select);
    void FollowSelection();

    std::vector<CTool> m_tools;
    Context m_context;
    QListWidget* m_list;
    std::vector<QPushButton*> m_buttons; // New, Edit, Delete, Run
};
