// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/SoundPlayerDlg.h"

#include "app/UserInterface.h"
#include "gui/frame/SideWindows.h"
#include "media/TrackEvents.h"
#include "media/TrackFactory.h"
#include "media/TrackWork.h"
#include "platform/Exception.h"
#include "playlist/ItemPath.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

CSoundPlayerDlg::CSoundPlayerDlg(const QString& path, QWidget* parent, TrackFactory factory,
                                 UserInterface* ui)
    : QDialog(parent), m_path(path), m_factory(factory ? std::move(factory) : TrackFactory(CreateTrack))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("SoundPlayer"));
    setWindowIcon(QApplication::windowIcon());
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress1095"));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 0);
    m_fadeBar = new QSlider(Qt::Vertical, this);
    m_fadeBar->setObjectName(QStringLiteral("slider1139"));
    m_fadeBar->setRange(0, 100);
    m_fadeBar->setValue(0);
    m_fadeBar->setInvertedAppearance(true); // the fade runs downwards
    m_fadeBar->setEnabled(false);
    m_fadeButton = new QPushButton(tr("Fade out"), this);
    m_stopButton = new QPushButton(tr("Stop"), this);
    // Enter belongs to the console, never to a button here.
    m_fadeButton->setAutoDefault(false);
    m_stopButton->setAutoDefault(false);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_fadeButton);
    buttons->addWidget(m_stopButton);
    auto* column = new QVBoxLayout;
    column->addWidget(m_progress);
    column->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(column, 1);
    layout->addWidget(m_fadeBar);
    connect(m_fadeButton, &QPushButton::clicked, this, &CSoundPlayerDlg::FadeOut);
    connect(m_stopButton, &QPushButton::clicked, this, &QWidget::close);
    m_tick.setInterval(kTickMs);
    connect(&m_tick, &QTimer::timeout, this, &CSoundPlayerDlg::Tick);
    m_fade.setInterval(kTickMs);
    connect(&m_fade, &QTimer::timeout, this, &CSoundPlayerDlg::FadeStep);

    // Opens where the last sound window was, at its own size; the shared
    // rectangle changes only when a window closes, so two started at once
    // open one over the other. It plays beside the console: the keyboard
    // stays there, so the next sound key fires its own button.
    resize(std::max(sizeHint().width(), 280), sizeHint().height());
    QRect& last = LastRect();
    move(PlaceBesideConsole(last.topLeft(), size(), parent));
    KeepKeyboardWithConsole(this);
    last.setRight(last.left() + width() - 1);
    last.setBottom(last.top() + height() - 1);
    show();
    Start(ui);
}

CSoundPlayerDlg::~CSoundPlayerDlg()
{
    LastRect() = QRect(pos(), size());
    StopWaiting(); // closed while its file was still opening
    m_tick.stop();
    m_fade.stop();
    TrackWork::Dispose(std::move(m_track)); // stops it, here or on a job
}

QRect& CSoundPlayerDlg::LastRect()
{
    static QRect last;
    return last;
}

// The open that may wait (a file on a hung share) runs off the GUI thread,
// as the engine's does; the window plays the track when it comes back.
void CSoundPlayerDlg::Start(UserInterface* ui)
{
    m_ui = ui;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_waiting = true;
    try {
        std::unique_ptr<CMediaTrack> track = m_factory(m_path);
        if (!track)
            throw CMessageException(tr("No player for %1").arg(m_path));
        const bool elsewhere = track->MayBlock();
        track->BeginOpen(m_path, elsewhere ? nullptr : this);
        if (!elsewhere) {
            track->FinishOpen();
            Opened(std::move(track));
            return;
        }
        struct Result
        {
            std::unique_ptr<CMediaTrack> track;
            std::unique_ptr<CException> error;
        };
        auto result = std::make_shared<Result>();
        result->track = std::move(track);
        TrackWork::Run([window = QPointer<CSoundPlayerDlg>(this), result] {
            try {
                result->track->FinishOpen();
            } catch (const CException& e) {
                result->error = e.Clone();
            }
            QMetaObject::invokeMethod(
                qApp,
                [window, result] {
                    if (!window || result->error) {
                        if (window)
                            window->Failed(*result->error);
                        TrackWork::Dispose(std::move(result->track));
                        return;
                    }
                    result->track->AttachOwner(window);
                    window->Opened(std::move(result->track));
                },
                Qt::QueuedConnection);
        });
    } catch (const CException& error) {
        Failed(error);
    }
}

void CSoundPlayerDlg::StopWaiting()
{
    if (m_waiting)
        QApplication::restoreOverrideCursor();
    m_waiting = false;
}

void CSoundPlayerDlg::Opened(std::unique_ptr<CMediaTrack> track)
{
    StopWaiting();
    m_track = std::move(track);
    try {
        m_track->Play();
    } catch (const CException& error) {
        Failed(error);
        return;
    }
    m_tick.start();
    setWindowTitle(GetItemDisplayName(m_path));
    Tick();
}

void CSoundPlayerDlg::Failed(const CException& error)
{
    StopWaiting();
    TrackWork::Dispose(std::move(m_track));
    if (m_ui)
        m_ui->ShowMessage(error.GetErrorMessage(), UserInterface::Icon::Stop);
    else
        QMessageBox::critical(parentWidget(), QApplication::applicationName(), error.GetErrorMessage());
    hide();
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CSoundPlayerDlg::Tick()
{
    if (!m_track)
        return;
    try {
        // Tenths of a second.
        m_progress->setRange(0, std::max(0, int(m_track->GetLength() / 100)));
        m_progress->setValue(std::clamp(int(m_track->GetPosition() / 100), 0, m_progress->maximum()));
    } catch (const CException&) {
        // a track that cannot tell its position keeps the bar where it was
    }
}

void CSoundPlayerDlg::FadeOut()
{
    if (!m_track || m_fade.isActive())
        return; // a second press while fading does nothing
    m_fade.start();
}

void CSoundPlayerDlg::FadeStep()
{
    if (!m_track)
        return;
    try {
        const float level = m_track->GetVolume() - 1.0f / kFadeSteps;
        if (level > 0) {
            m_track->SetVolume(level);
            m_fadeBar->setValue(100 - int(level * 100));
            return;
        }
    } catch (const CException&) {
        return; // a fade step that fails is skipped
    }
    m_fade.stop();
    Finish();
}

void CSoundPlayerDlg::Finish()
{
    m_tick.stop();
    TrackWork::Dispose(std::move(m_track));
    close();
}

bool CSoundPlayerDlg::event(QEvent* event)
{
    if (event->type() == TrackEvent::MciNotify) {
        const auto* notify = static_cast<CMciNotifyEvent*>(event);
        const int code = notify->Code();
        if (m_track && notify->Sender() == m_track->Serial() &&
            (code == MCI_NOTIFY_SUCCESSFUL || code == MCI_NOTIFY_FAILURE))
            Finish();
        return true;
    }
    if (event->type() == TrackEvent::Error) {
        // A failure while playing ends the window as the failure notice does.
        auto* failed = static_cast<CTrackErrorEvent*>(event);
        const std::unique_ptr<CException> error = failed->TakeError();
        if (m_track && failed->Sender() == m_track->Serial())
            Finish();
        return true;
    }
    return QDialog::event(event);
}
