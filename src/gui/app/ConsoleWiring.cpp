// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/ConsoleWiring.h"

#include "gui/console/LiranaView.h"
#include "gui/frame/CommandRouter.h"
#include "gui/frame/MainFrame.h"

#include <QStatusBar>

QWidget* MakeConsoleView(const CAppContext& context, CMainFrame* frame)
{
    auto* view = new CLiranaView(context, frame);
    view->SetPositionBar(frame->PositionSlider());
    QObject::connect(view, &CLiranaView::PaneTextChanged, frame,
                     [frame](int id, const QString& text) { frame->SetPaneText(id, text); });
    QObject::connect(view, &CLiranaView::StatusMessage, frame, [frame](const QString& text) {
        if (text.isEmpty())
            frame->statusBar()->clearMessage();
        else
            frame->statusBar()->showMessage(text);
    });
    QObject::connect(view, &CLiranaView::CommandRequested, frame, [frame](int id) {
        frame->Router().Dispatch(id);
        frame->Router().UpdateAll();
    });
    frame->SetDropHandler([view](const QStringList& names) { view->DropFiles(names, -1); });
    return view;
}
