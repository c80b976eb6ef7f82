#include "gui/app/LiranaApp.h"

#include "app/Commands.h"
#include "app/Strings.h"
#include "gui/app/ConsoleWiring.h"
#include "gui/app/GstWarmUp.h"
#include "gui/app/GuiInterface.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/SplashScreen.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/DigitalClock.h"
#include "events/Scheduler.h"
#include "media/PlugInChain.h"
#include "media/TrackEnvironment.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "platform/Clock.h"
#include "platform/DataPaths.h"
#include "platform/Shell.h"
#include "playlist/AlbumDoc.h"
#include "playlist/Playlist.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QSessionManager>
#include <QTimer>

#include <sys/resource.h>

namespace {

// The commands the engine answers when the view leaves them to it.
bool IsEngineCommand(int id)
{
    switch (id) {
    case Cmd::Play: case Cmd::Stop: case Cmd::Pause: case Cmd::FastForward: case Cmd::Rewind:
    case Cmd::NextTrack: case Cmd::PrevTrack: case Cmd::Break: case Cmd::Shuffle:
    case Cmd::Configure: case Cmd::CrossFader: case Cmd::ModeManual: case Cmd::ModeNormal:
    case Cmd::ModeRepeat: case Cmd::ModeRandom: case Cmd::ModeShuffle: case Cmd::ModeIntroScan:
    case Cmd::EnableEvents:
        return true;
    default:
        return false;
    }
}

} // namespace

void RaiseProcessPriority()
{
    ::setpriority(PRIO_PROCESS, 0, -10);
}

CLiranaApp::CLiranaApp(Options options) : m_options(std::move(options))
{
    if (m_options.ui) {
        m_ui = m_options.ui;
    } else {
        m_ownUi = std::make_unique<CDialogInterface>([this] {
            return m_engine ? m_engine->Settings().mediaDir : QString();
        });
        m_ui = m_ownUi.get();
    }
    m_shell = m_options.shell ? m_options.shell : &Shell::System();
    m_playlist = std::make_unique<CPlaylist>();
    m_log = std::make_unique<CPlayLog>(Clock::System());
    m_document = std::make_unique<CLiranaDoc>(*m_playlist, *m_ui, *m_shell);
    COnAirEngine::Seams seams;
    seams.playlist = m_playlist.get();
    seams.log = m_log.get();
    seams.ui = m_ui;
    seams.shell = m_shell;
    seams.document = m_document.get();
    m_scheduler = std::make_unique<CEventScheduler>(Clock::System());
    seams.events = m_scheduler.get();
    m_engine = std::make_unique<COnAirEngine>(std::move(seams));
    m_scheduler->SetEnabledQuery([this] { return m_engine->Settings().enableEvents; });
    m_context.playlist = m_playlist.get();
    m_context.document = m_document.get();
    m_context.engine = m_engine.get();
    m_context.log = m_log.get();
    m_context.ui = m_ui;
    m_context.events = m_scheduler.get();

    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(gui, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { EndSession(); });
        connect(gui, &QCoreApplication::aboutToQuit, this, [this] {
            FrameClosing();
            Exit();
        });
    }
}

CLiranaApp::~CLiranaApp()
{
    CTrackEnvironment::SetUserInterface(nullptr);
    delete m_frame; // the view goes with it, before the engine it shows
    if (!m_engineDown)
        m_engine->Shutdown(false);
}

bool CLiranaApp::Start()
{
    if (m_options.splash)
        (new CSplashScreen)->show();
    if (m_options.warmUp)
        m_warmUp = std::make_unique<CGstWarmUp>();
    CDigitalClock::LoadSettings();
    CTrackEnvironment::SetUserInterface(m_ui);
    LoadPlugInChain(CTrackEnvironment::Chain());
    m_engine->LoadSettings();
    m_scheduler->LoadFromSettings();

    m_frame = new CMainFrame(m_context);
    m_frame->setAttribute(Qt::WA_DeleteOnClose, false);
    if (auto* dialogs = dynamic_cast<CDialogInterface*>(m_ui))
        dialogs->SetWindow(m_frame);
    m_frame->SetAppTarget(this);
    m_frame->SetCloseHandler(this);
    const ViewFactory makeView = m_options.makeView ? m_options.makeView : MakeConsoleView;
    if (QWidget* view = makeView(m_context, m_frame))
        m_frame->SetView(view, dynamic_cast<CommandTarget*>(view));
    connect(m_document.get(), &CLiranaDoc::TitleChanged, m_frame,
            [this](const QString& title) { m_frame->setWindowTitle(FrameCaption(title)); });

    bool ok = true;
    OpenStartAlbum(&ok);
    if (!ok)
        return false;
    m_frame->setWindowTitle(FrameCaption(m_document->Title()));
    m_frame->RestoreFrameState();
    m_frame->ShowFrame();
    m_engine->Startup();
    m_started = true;
    if (m_endPending)
        QTimer::singleShot(0, this, &CLiranaApp::EndSessionBySignal);
    return true;
}

void CLiranaApp::OpenStartAlbum(bool* ok)
{
    if (!m_options.album.isEmpty()) {
        *ok = m_document->OpenDocumentFile(m_options.album);
        return;
    }
    if (!m_document->OpenLastAlbum())
        m_document->OnNewDocument();
}

void CLiranaApp::Exit()
{
    if (m_exited)
        return;
    m_exited = true;
    CDigitalClock::SaveSettings();
    SavePlugInChain(CTrackEnvironment::Chain());
}

void CLiranaApp::EndSession()
{
    m_engine->SaveSettings();
    m_scheduler->SaveToSettings();
    if (m_engine->OnAir())
        m_engine->OnStop();
}

void CLiranaApp::EndSessionBySignal()
{
    if (!m_started) {
        m_endPending = true;
        return;
    }
    if (m_sessionEnding)
        return;
    m_sessionEnding = true;
    if (m_frame)
        m_frame->close();
    FrameClosing(); // when the frame was gone already
    Exit();
    emit SessionEnded();
    // Also ends the loops of open dialogs and the other top-level windows.
    QCoreApplication::exit(0);
}

QString CLiranaApp::ManualPath()
{
    return DataPaths::ShareDir() + QStringLiteral("/manual/index.html");
}

bool CLiranaApp::OnCommand(int id)
{
    if (id == FrameCmd::Help) {
        ShowHelp();
        return true;
    }
    if (id == FrameCmd::About) {
        ShowAbout();
        return true;
    }
    if (m_document->OnCommand(id))
        return true;
    if (IsEngineCommand(id)) {
        m_engine->OnCommand(id);
        return true;
    }
    return false;
}

std::optional<CommandState> CLiranaApp::OnUpdateCommand(int id) const
{
    if (id == FrameCmd::Help || id == FrameCmd::About)
        return CommandState{true, false};
    const CommandState doc = m_document->UpdateCommand(id);
    if (doc.enabled || id == CLiranaDoc::CmdUndo || id == CLiranaDoc::CmdRedo ||
        id == CLiranaDoc::CmdSendMail ||
        (id >= CLiranaDoc::CmdRecentFirst && id < CLiranaDoc::CmdRecentFirst + 10))
        return doc;
    if (IsEngineCommand(id))
        return m_engine->UpdateCommand(id);
    return std::nullopt;
}

void CLiranaApp::ShowHelp()
{
    const QString manual = ManualPath();
    if (!QFileInfo::exists(manual)) {
        m_ui->ShowMessage(tr("The manual %1 is not installed.").arg(manual), UserInterface::Icon::Stop);
        return;
    }
    QString error;
    if (!m_shell->StartProgram(QStringLiteral("xdg-open"), {manual}, {}, &error))
        m_ui->ShowMessage(error, UserInterface::Icon::Stop);
}

void CLiranaApp::ShowAbout()
{
    CAboutDialog about(m_frame);
    about.exec();
}

bool CLiranaApp::ConfirmClose()
{
    if (m_sessionEnding || !m_engine->Settings().shutdownConfirmation)
        return true;
    return m_ui->AskYesNo(Str::Load(Str::ShutdownConfirmation));
}

bool CLiranaApp::SaveModified()
{
    // Nobody may be there to answer at the end of a session, and the album
    // must not be overwritten unasked.
    if (m_sessionEnding)
        return true;
    return m_document->SaveModified();
}

void CLiranaApp::FrameClosing()
{
    if (m_engineDown)
        return;
    m_engineDown = true;
    m_engine->Shutdown(true);
    m_scheduler->SaveToSettings();
}
