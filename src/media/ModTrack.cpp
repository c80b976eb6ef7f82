// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/ModTrack.h"

#include "media/ModLibrary.h"
#include "media/TrackEvents.h"
#include "media/TrackThread.h"
#include "platform/FileNames.h"
#include "platform/StreamGuard.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

QString CModException::GetErrorMessage() const
{
    QString text;
    switch (m_code) {
    case -1301: text = QCoreApplication::translate("ModTrack", "MOD Player initializiation error"); break;
    case -1302:
        text = QCoreApplication::translate("ModTrack", "The specified MOD file does not exist.");
        break;
    case -1303:
        text = QCoreApplication::translate("ModTrack", "The required DLL '%1' was not found.")
                   .arg(CModLibrary::FileName());
        break;
    case -1304:
        text = QCoreApplication::translate("ModTrack",
                                           "The MOD player cannot read the file. It may be damaged "
                                           "or of a format the player does not know.");
        break;
    case -1305:
        text = QCoreApplication::translate("ModTrack",
                                           "The MOD file is no regular file (a pipe, a device or a "
                                           "folder) and is not read.");
        break;
    case -1306:
        text = QCoreApplication::translate(
            "ModTrack", "The MOD player's output stopped taking sound; the item is ended.");
        break;
    default: text = QCoreApplication::translate("ModTrack", "Unknown MOD Error"); break;
    }
    return m_fileName.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, m_fileName);
}

// What the track and its end watch share. The player is destroyed with the
// last holder, so a watch that outlives its track still reads a live player.
// The flags are written by the owner's thread and read by the watch.
struct CModTrack::Shared
{
    const CModLibrary& library;
    ModPlugHandle player;
    TrackMs length = 0;
    std::atomic<TrackMs> endMark{-1};
    std::atomic<bool> paused{false};
    std::atomic<TrackMs> pausedPosition{0};
    std::atomic<bool> stopRequested{false};
    std::mutex mutex;
    std::condition_variable_any wake;

    Shared(const CModLibrary& lib, ModPlugHandle handle) : library(lib), player(handle) {}
    ~Shared() { library.Destroy(player); }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    TrackMs Position() const
    {
        return paused ? pausedPosition.load() : TrackMs(library.GetCurrentPosition(player) * 100);
    }

    // Sleeps ms; false when the watch is to end without a notification.
    bool Sleep(std::stop_token stop, int ms)
    {
        std::unique_lock lock(mutex);
        wake.wait_for(lock, stop, std::chrono::milliseconds(ms), [] { return false; });
        return !stop.stop_requested() && !stopRequested;
    }
};

CModTrack::CModTrack() : CModTrack(CModLibrary::Instance()) {}

CModTrack::CModTrack(const CModLibrary& library) : m_library(library) {}

CModTrack::~CModTrack()
{
    try {
        CModTrack::Close();
    } catch (const CException&) {
    }
}

void CModTrack::Open(const QString& path, QObject* owner)
{
    if (m_shared)
        Close();
    CMediaTrack::Open(path, owner);
    const QString name = QFileInfo(path).fileName();
    // A stat does not wait for a pipe's writer, where the player's open would.
    struct stat info
    {};
    if (::stat(FileNameBytes(path).constData(), &info) != 0)
        throw CModException(-1302, name);
    if (!S_ISREG(info.st_mode))
        throw CModException(-1305, name);
    if (!m_library.IsLoaded())
        throw CModException(-1303, name);
    ModPlugHandle player = m_library.CreateEx("controls|spectrum|autostart|true");
    if (!player)
        throw CModException(-1301, name);
    m_shared = std::make_shared<Shared>(m_library, player);
    // The core has no window to host the player's controls.
    m_library.SetWindow(player, nullptr);
    // A file the player cannot read would play as a minute of silence.
    if (!m_library.Load(player, FileNameBytes(path).constData())) {
        m_shared.reset();
        throw CModException(-1304, name);
    }
    // The player's output stream is made by the load and has not sounded: a
    // level the sound server remembered for it must not lower the item.
    platform::HoldNewAlsaStreamsAtUnity();
    m_length = TrackMs(m_library.GetMaxPosition(player) * 100);
    if (m_length == 0)
        m_length = UnknownLengthMs;
    m_shared->length = m_length;
    m_shared->endMark = -1;
    Pause(); // created with autostart
    Seek(0);

    m_watch = std::make_unique<CTrackThread>(
        [shared = m_shared, notifier = Notifier(), name](std::stop_token stop) {
            TrackMs last = -1;
            int standing = 0; // ms the position stood still while the module played
            for (;;) {
                const TrackMs position = shared->Position();
                const TrackMs endMark = shared->endMark;
                if (position >= shared->length - EndLeadMs || (endMark != -1 && position >= endMark))
                    break;
                const bool playing = !shared->paused && shared->library.IsPlaying(shared->player) != 0;
                standing = playing && position == last ? standing + WatchTickMs : 0;
                last = position;
                if (standing >= StallMs) {
                    // The output took nothing for that long: the item would
                    // never end. It ends now, as an error.
                    notifier->PostError(std::make_unique<CModException>(-1306, name));
                    return;
                }
                if (!shared->Sleep(stop, WatchTickMs))
                    return;
            }
            if (shared->Sleep(stop, EndDelayMs))
                notifier->PostEnd(MCI_NOTIFY_SUCCESSFUL);
        });
}

void CModTrack::Close()
{
    if (m_shared) {
        if (IsPlaying())
            Stop();
        // Unlike a player that waits out its watch, the watch is told to end
        // now: it has nothing to report after Close.
        m_shared->stopRequested = true;
        if (m_watch) {
            m_watch->RequestStop();
            m_watch->WaitFinished(CloseWaitMs);
            m_watch.reset();
        }
        m_shared.reset();
    }
    CMediaTrack::Close();
}

void CModTrack::Play()
{
    if (!m_shared)
        return;
    m_shared->stopRequested = false;
    m_shared->paused = false;
    m_library.Play(m_shared->player);
}

void CModTrack::PlayRange(TrackMs fromMs, TrackMs toMs)
{
    if (!m_shared)
        return;
    m_shared->endMark = toMs;
    Seek(fromMs);
    Play();
}

void CModTrack::Stop()
{
    if (!IsPlaying())
        return;
    if (IsPaused())
        Resume();
    m_shared->stopRequested = true;
    // For good: a Play right after must not revive a watch still asleep.
    if (m_watch)
        m_watch->RequestStop();
    m_library.Stop(m_shared->player);
}

void CModTrack::Pause()
{
    if (!m_shared)
        return;
    m_shared->pausedPosition = GetPosition();
    m_shared->paused = true;
    m_library.Stop(m_shared->player);
}

void CModTrack::Resume()
{
    if (!m_shared)
        return;
    m_shared->paused = false;
    m_library.Play(m_shared->player);
}

bool CModTrack::IsStopped() const
{
    return m_shared && m_library.IsPlaying(m_shared->player) == 0;
}

bool CModTrack::IsPaused() const
{
    return m_shared && m_shared->paused;
}

bool CModTrack::IsPlaying() const
{
    return m_shared && m_library.IsPlaying(m_shared->player) != 0;
}

TrackMs CModTrack::GetPosition() const
{
    return m_shared ? m_shared->Position() : 0;
}

void CModTrack::Seek(TrackMs ms)
{
    if (!m_shared)
        return;
    if (ms < 0)
        ms = 0;
    if (ms > GetLength())
        ms = GetLength() - 1;
    m_library.SetCurrentPosition(m_shared->player, ms / 100);
    if (m_shared->paused)
        m_shared->pausedPosition = ms;
}

void CModTrack::SetVolume(float level)
{
    if (m_shared)
        m_library.SetVolume(m_shared->player, int(level * 100));
}

float CModTrack::GetVolume() const
{
    return m_shared ? float(m_library.GetVolume(m_shared->player)) * 0.01f : 0.0f;
}
