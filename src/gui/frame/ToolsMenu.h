// SPDX-License-Identifier: GPL-3.0-or-later
// CToolsMenu: the Tools menu of the main window, filled from the
// application's tool list: one item per tool (its Description and icon,
// command 2001 + i), a separator, then "&Edit..." (Cmd::EditTools). It is
// filled again whenever the list changes. The items are the router's
// actions, so the application (which owns the list) runs a tool command
// like any other command.
// Thread: the user-interface thread.
#pragma once

#include <QObject>
#include <QPointer>

class CCommandRouter;
class CToolList;
class QMenu;

class CToolsMenu : public QObject
{
    Q_OBJECT

public:
    // Lives as long as menu; tools may be null (then only "Edit...").
    CToolsMenu(QMenu* menu, const CToolList* tools, CCommandRouter* router);

    // Empties the menu and fills it from the list.
    void BuildMenu();

private:
    QMenu* m_menu;
    QPointer<const CToolList> m_tools;
    CCommandRouter* m_router;
};
