// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/frame/ToolsMenu.h"

#include "app/Commands.h"
#include "app/ToolList.h"
#include "gui/frame/CommandRouter.h"
#include "gui/frame/ProgramIcons.h"

#include <QAction>
#include <QMenu>

CToolsMenu::CToolsMenu(QMenu* menu, const CToolList* tools, CCommandRouter* router)
    : QObject(menu), m_menu(menu), m_tools(tools), m_router(router)
{
    if (tools)
        connect(tools, &CToolList::Changed, this, &CToolsMenu::BuildMenu);
    BuildMenu();
}

void CToolsMenu::BuildMenu()
{
    // The actions belong to the router and stay with it; the menu only
    // lists them.
    m_menu->clear();
    const int count = m_tools ? m_tools->Count() : 0;
    for (int i = 0; i < count && i < CToolList::kMaxTools; ++i) {
        const CTool& tool = m_tools->At(i);
        QAction* action = m_router->Action(CToolList::kFirstCommand + i);
        action->setText(tool.description);
        action->setIcon(ToolIcon(tool));
        action->setIconVisibleInMenu(true);
        action->setStatusTip(tool.commandLine);
        m_menu->addAction(action);
    }
    m_menu->addSeparator();
    m_menu->addAction(m_router->Action(Cmd::EditTools));
    m_router->UpdateAll();
}
