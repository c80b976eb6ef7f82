// SPDX-License-Identifier: GPL-3.0-or-later
// Total Length: every row is opened in turn on the GUI
// thread. Between rows the event loop runs once with the operator's input
// held back, so the status bar repaints and Escape aborts; timers still run.
#include "gui/console/LiranaView.h"

#include "app/UserInterface.h"
#include "app/ViewSettings.h"
#include "media/TrackFactory.h"
#include "onair/EditCommands.h"
#include "onair/OnAirEngine.h"
#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>

namespace {

// Swallows the operator's input while installed and notes an Escape press.
class InputGate : public QObject
{
public:
    bool escaped = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
                escaped = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu: return true;
        default: return false;
        }
    }
};

} // namespace

void CLiranaView::ComputeTotalLength()
{
    CPlaylist& list = *m_context.playlist;
    COnAirEngine& engine = *m_context.engine;
    CViewSettings& settings = Settings();
    const int remembered = list.Selection();

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_countingTotal = true;
    emit StatusMessage(tr("Calculating total length... Press Escape to abort"));
    SetPane(Cmd::PaneLength, FormatDuration(0));

    TrackFactory factory = m_trackFactory;
    if (!factory)
        factory = [](const QString& path) { return CreateTrack(path); };
    CTotalLength run(list, factory, settings.overlapTime, !settings.ignoreErrors, this,
                     [&engine](const CException& error) { engine.ReportTrackError(error); });
    InputGate gate;
    QCoreApplication::instance()->installEventFilter(&gate);
    while (!run.Done()) {
        list.Select(run.NextRow());
        run.Step();
        SetPane(Cmd::PaneLength, FormatDuration(run.Total()));
        QCoreApplication::processEvents();
        if (gate.escaped)
            run.Abort();
    }
    QCoreApplication::instance()->removeEventFilter(&gate);

    list.Select(remembered);
    m_countingTotal = false;
    QGuiApplication::restoreOverrideCursor();
    if (!run.Aborted() && m_context.ui)
        m_context.ui->ShowMessage(run.Message(), UserInterface::Icon::Information);
    emit StatusMessage(QString());
    RefreshIdle();
}
