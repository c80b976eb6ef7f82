// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/LiranaApp.h"

#include "app/SettingsSchema.h"
#include "app/Strings.h"
#include "app/ToolList.h"
#include "events/Scheduler.h"
#include "gui/app/ConsoleWiring.h"
#include "gui/app/GstWarmUp.h"
#include "gui/app/GuiInterface.h"
#include "gui/console/MiniPlaylistWnd.h"
#include "gui/console/VideoWnd.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/EditToolsDlg.h"
#include "gui/dialogs/HelpWindow.h"
#include "gui/dialogs/SplashScreen.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/DigitalClock.h"
#include "onair/OnAirEngine.h"
#include "platform/DataPaths.h"
#include "platform/Logging.h"
#include "platform/Shell.h"
#include "platform/registry/RegistryKey.h"
#include "playlist/AlbumDoc.h"
#include "playlist/Playlist.h"
#include "station/MprisService.h"
#include "station/Station.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QSessionManager>
#include <QTimer>

#include <sys/resource.h>

void RaiseProcessPriority()
{
    ::setpriority(PRIO_PROCESS, 0, -10);
}

namespace {

// The id of the desktop entry and the name of the installed icon.
const char* const kAppId = "io.github.oxbelund.Lirana";

// The icon theme's picture when the program is installed, else the copy
// built into the program (a run from the build tree).
QIcon ApplicationIcon()
{
    QIcon builtIn;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        builtIn.addFile(QStringLiteral(":/lirana/%1x%1/apps/%2.png").arg(size).arg(QLatin1String(kAppId)),
                        QSize(size, size));
    return QIcon::fromTheme(QLatin1String(kAppId), builtIn);
}

} // namespace

CLiranaApp::CLiranaApp(Options options) : m_options(std::move(options))
{
    if (m_options.ui) {
        m_ui = m_options.ui;
    } else {
        m_ownUi = std::make_unique<CDialogInterface>(
            [this] { return m_station ? m_station->Engine().Settings().mediaDir : QString(); });
        m_ui = m_ownUi.get();
    }
    m_shell = m_options.shell ? m_options.shell : &Shell::System();
    CStation::Options station;
    station.ui = m_ui;
    station.shell = m_shell;
    m_station = std::make_unique<CStation>(std::move(station));
    m_context.playlist = &m_station->Playlist();
    m_context.document = &m_station->Document();
    m_context.engine = &m_station->Engine();
    m_context.log = &m_station->Log();
    m_context.ui = m_ui;
    m_context.events = &m_station->Scheduler();
    m_context.scheduler = &m_station->Scheduler();
    m_context.sounds = &m_station->Sounds();
    m_context.station = m_station.get();
    m_tools = std::make_unique<CToolList>();
    m_context.tools = m_tools.get();

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
    m_mediaPlayer.reset(); // off the bus before the window and the station go
    if (qApp)
        qApp->removeEventFilter(this);
    delete m_help;
    AttachMiniPlaylistWindows(nullptr, nullptr);
    AttachVideoWindow(nullptr, nullptr);
    delete m_frame;  // the view goes with it, before the engine it shows
    delete m_splash; // still up when the program ends within its seconds
    if (!m_station->IsShutDown())
        m_station->Shutdown(false);
}

COnAirEngine& CLiranaApp::Engine()
{
    return m_station->Engine();
}

CLiranaDoc& CLiranaApp::Document()
{
    return m_station->Document();
}

CPlaylist& CLiranaApp::Playlist()
{
    return m_station->Playlist();
}

bool CLiranaApp::Start()
{
    QGuiApplication::setDesktopFileName(QLatin1String(kAppId));
    qApp->installEventFilter(this); // F1 in the other windows
    QGuiApplication::setWindowIcon(ApplicationIcon());
    if (m_options.splash) {
        m_splash = new CSplashScreen;
        m_splash->show();
    }
    if (m_options.warmUp)
        m_warmUp = std::make_unique<CGstWarmUp>();
    CDigitalClock::LoadSettings();
    m_station->LoadSettings();
    // After the engine's settings: the default tools start the "Mixer" program.
    m_tools->LoadFromRegistry(CRegistryKey::OpenAppSubkey(QString()), Engine().Settings().mixer);
    m_toolsLoaded = true;

    m_frame = new CMainFrame(m_context);
    m_frame->setAttribute(Qt::WA_DeleteOnClose, false);
    if (auto* dialogs = dynamic_cast<CDialogInterface*>(m_ui))
        dialogs->SetWindow(m_frame);
    m_frame->SetAppTarget(this);
    // Mini playlists that play show their rows in windows of the frame.
    AttachMiniPlaylistWindows(m_frame, &Engine().Settings());
    // Video items show their pictures in a window of the frame.
    AttachVideoWindow(m_frame, &Engine().Settings());
    m_frame->SetCloseHandler(this);
    const ViewFactory makeView = m_options.makeView ? m_options.makeView : MakeConsoleView;
    if (QWidget* view = makeView(m_context, m_frame))
        m_frame->SetView(view, dynamic_cast<CommandTarget*>(view));
    connect(&m_station->Document(), &CLiranaDoc::TitleChanged, m_frame,
            [this](const QString& title) { m_frame->setWindowTitle(FrameCaption(title)); });

    bool ok = true;
    OpenStartAlbum(&ok);
    if (!ok)
        return false;
    m_frame->setWindowTitle(FrameCaption(m_station->Document().Title()));
    m_frame->RestoreFrameState();
    m_frame->ShowFrame();
    m_station->Startup();
    // After a crash: the album of then on its row, and on air again.
    m_station->ResumeAfterCrash(m_options.album.isEmpty());
    // Media keys, panel applets and playerctl drive the console too.
    CMprisService::Options bus;
    bus.raise = [this] {
        if (!m_frame)
            return;
        if (m_frame->isMinimized())
            m_frame->showNormal();
        m_frame->raise();
        m_frame->activateWindow();
    };
    m_mediaPlayer = std::make_unique<CMprisService>(*m_station, std::move(bus));
    m_mediaPlayer->RegisterOnSessionBus();
    m_started = true;
    qCDebug(lcGui).noquote() << "console started on" << m_station->Document().Title();
    if (m_endPending)
        QTimer::singleShot(0, this, &CLiranaApp::EndSessionBySignal);
    return true;
}

void CLiranaApp::OpenStartAlbum(bool* ok)
{
    CLiranaDoc& document = m_station->Document();
    if (!m_options.album.isEmpty()) {
        *ok = document.OpenDocumentFile(m_options.album);
        return;
    }
    if (!document.OpenLastAlbum()) {
        document.OnNewDocument();
        return;
    }
    // The stored row may lie past the end of the album as saved (rows added,
    // then discarded at exit): the album's last row is the nearest one.
    CPlaylist& list = m_station->Playlist();
    const std::int32_t stored = SettingsSchema::Stored<std::int32_t>(SettingsKey::Settings,
                                                                     SettingName::CurSel);
    if (list.Selection() < 0 && list.Count() > 0 && stored >= list.Count())
        list.Select(list.Count() - 1);
}

void CLiranaApp::Exit()
{
    if (m_exited)
        return;
    m_exited = true;
    const CRegistrySave save; // these settings in one write
    CDigitalClock::SaveSettings();
    if (m_toolsLoaded) {
        CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
        m_tools->SaveToRegistry(app);
    }
    CStation::SavePlugInChain();
}

void CLiranaApp::EndSession()
{
    m_station->SaveSettingsAndStop();
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
    qCInfo(lcGui) << "the session ends: saving and closing";
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
    if (lcGui().isDebugEnabled()) {
        const CommandDef* def = FindCommandDef(id);
        qCDebug(lcGui) << "command" << id << (def ? def->name : "(no row)");
    }
    if (id == Cmd::Help) {
        ShowHelp();
        return true;
    }
    if (id == Cmd::About) {
        ShowAbout();
        return true;
    }
    if (id == Cmd::EditTools) {
        EditTools();
        return true;
    }
    if (const int tool = m_tools->IndexOfCommand(id); tool >= 0) {
        RunTool(tool);
        return true;
    }
    return m_station->OnCommand(id);
}

std::optional<CommandState> CLiranaApp::OnUpdateCommand(int id) const
{
    if (id == Cmd::Help || id == Cmd::About || id == Cmd::EditTools || m_tools->IndexOfCommand(id) >= 0)
        return CommandState{true, false};
    return m_station->OnUpdateCommand(id);
}

QString CLiranaApp::ChapterOf(const QWidget* window)
{
    for (const QWidget* w = window; w; w = w->parentWidget()) {
        const QString chapter = w->property("helpChapter").toString();
        if (!chapter.isEmpty())
            return chapter;
    }
    return {};
}

void CLiranaApp::ShowHelp()
{
    const QString manual = ManualPath();
    if (!QFileInfo::exists(manual)) {
        qCWarning(lcGui).noquote() << "the manual is not installed:" << manual;
        m_ui->ShowMessage(tr("The manual %1 is not installed.").arg(manual), UserInterface::Icon::Stop);
        return;
    }
    QWidget* focus = QApplication::activeWindow();
    if (!focus || focus == m_help)
        focus = m_frame;
    const QString chapter = ChapterOf(focus);
    QUrl url = QUrl::fromLocalFile(manual);
    if (!chapter.isEmpty())
        url.setFragment(chapter);
    qCDebug(lcGui).noquote() << "help:" << url.toString();
    QString error;
    // A console in another language shows the English manual in its own
    // window, which says so.
    if (CHelpWindow::LanguageNotice().isEmpty() && m_shell->HasWebBrowser() &&
        m_shell->StartProgram(QStringLiteral("xdg-open"), {url.toString()}, {}, &error))
        return;
    if (!error.isEmpty())
        qCWarning(lcGui).noquote() << "the manual could not be opened in a web browser:" << error;
    // The help window belongs to the window that asked, so the window
    // manager keeps it above that window, and a modal sheet that asked does
    // not block it; it moves back to the console when the sheet closes.
    if (!m_help)
        m_help = new CHelpWindow(QUrl::fromLocalFile(manual), focus); // deleted with the app, below
    else if (m_help->parentWidget() != focus)
        m_help->setParent(focus, m_help->windowFlags());
    m_help->ShowChapter(chapter);
}

bool CLiranaApp::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Hide && m_help && watched == m_help->parentWidget() && watched != m_frame) {
        const bool open = !m_help->isHidden();
        m_help->setParent(m_frame, m_help->windowFlags());
        if (open)
            m_help->show();
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier && watched->isWidgetType()) {
        const QWidget* window = static_cast<QWidget*>(watched)->window();
        if (window != m_frame && window != m_help) {
            ShowHelp();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void CLiranaApp::ShowAbout()
{
    CAboutDialog about(m_frame);
    about.exec();
}

void CLiranaApp::EditTools()
{
    CEditToolsDlg dialog(m_tools->Tools(), {.shell = m_shell, .ui = m_ui, .editTool = {}}, m_frame);
    if (dialog.exec() == QDialog::Accepted)
        m_tools->Replace(dialog.Tools());
}

void CLiranaApp::RunTool(int index)
{
    // The selected row's item is the file; no row, no file (the macros vanish).
    const CPlaylist& list = m_station->Playlist();
    const int row = list.Selection();
    const QString file = row >= 0 && row < list.Count() ? list.Row(row) : QString();
    QString message;
    if (!::RunTool(m_tools->At(index), file, *m_shell, &message)) {
        qCWarning(lcGui).noquote() << "tool" << m_tools->At(index).description << "not started:" << message;
        m_ui->ShowMessage(message, UserInterface::Icon::Stop);
    }
}

bool CLiranaApp::ConfirmClose()
{
    if (m_sessionEnding || !m_station->Engine().Settings().shutdownConfirmation)
        return true;
    return m_ui->AskYesNo(Str::Load(Str::ShutdownConfirmation));
}

bool CLiranaApp::SaveModified()
{
    // Nobody may be there to answer at the end of a session, and the album
    // must not be overwritten unasked.
    if (m_sessionEnding)
        return true;
    return m_station->Document().SaveModified();
}

void CLiranaApp::FrameClosing()
{
    m_station->Shutdown(true);
}
