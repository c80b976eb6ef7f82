// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/ModTrack.h"

#include "media/AirBus.h"
#include "media/ModLibrary.h"
#include "media/TrackEnvironment.h"
#include "media/TrackEvents.h"
#include "media/TrackThread.h"
#include "platform/FileNames.h"
#include "platform/Logging.h"
#include "platform/StreamGuard.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

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

// What the track, its end watch and the player's output share. The player
// is destroyed with the last holder, so a watch that outlives its track
// still reads a live player, and the player never calls an output that has
// gone. The flags are written by the owner's thread and read by the watch
// and the bus's mixing thread.
struct CModTrack::Shared
{
    const CModLibrary& library;
    ModPlugHandle player;
    // The player's output on the air bus; null when it plays on its own.
    std::shared_ptr<CAirInput> input;
    ModPlug_Output output{};
    std::vector<float> samples; // the output's conversion; under the player's lock
    std::atomic<bool> detached{false};
    std::atomic<int> percent{100}; // the level on the bus, 0..100
    TrackMs length = 0;
    std::atomic<TrackMs> endMark{-1};
    std::atomic<bool> paused{false};
    std::atomic<TrackMs> pausedPosition{0};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> airOn{false}; // Play (or a planned start) until Pause or Stop
    std::atomic<bool> errorPosted{false};
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

    // The player's output into `input`: 16-bit frames become floats in the
    // input's ring, which the bus plays from. "Queued" is the ring's content,
    // so the player's heard position is what the bus has taken. Called by
    // the player under its lock (its render thread, or a call made on it).
    void LendOutput()
    {
        output.size = sizeof(ModPlug_Output);
        output.context = this;
        output.writable = [](void* self) -> long {
            auto& s = *static_cast<Shared*>(self);
            return s.detached ? 0L : long(CAirBus::RingFrames - s.input->Buffered());
        };
        output.write = [](void* self, const short* frames, long count) -> long {
            auto& s = *static_cast<Shared*>(self);
            s.samples.resize(std::size_t(count) * CAirBus::Channels);
            for (std::size_t i = 0; i < s.samples.size(); ++i)
                s.samples[i] = float(frames[i]) / 32768.0f;
            // Only a detached input refuses what fits into its ring.
            if (!s.input->Write(s.samples.data(), int(count))) {
                s.detached = true;
                return 0L;
            }
            return count;
        };
        output.queued = [](void* self) -> long { return static_cast<Shared*>(self)->input->Buffered(); };
        output.drop = [](void* self, long long next) {
            static_cast<Shared*>(self)->input->Flush(std::uint64_t(std::max(next, 0LL)));
        };
        output.end = [](void* self) { static_cast<Shared*>(self)->input->WriteEnd(); };
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
    if (m_library.SetOutput)
        GiveBusOutput(name);
    // The core has no window to host the player's controls.
    m_library.SetWindow(player, nullptr);
    // A file the player cannot read would play as a minute of silence.
    if (!m_library.Load(player, FileNameBytes(path).constData())) {
        m_shared.reset();
        throw CModException(-1304, name);
    }
    if (m_shared->input) {
        // It renders ahead into its silent input from now on, so that a
        // start lands on its sample with the ring full.
        m_library.Play(player);
    } else {
        // The player's output stream is made by the load and has not
        // sounded: a level the sound server remembered for it must not
        // lower the item.
        platform::HoldNewAlsaStreamsAtUnity();
    }
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
                const bool playing = shared->airOn && shared->library.IsPlaying(shared->player) != 0;
                standing = playing && position == last ? standing + WatchTickMs : 0;
                last = position;
                // On the bus the input's own stall report does this (a start
                // planned and not yet made stands still too).
                if (!shared->input && standing >= StallMs) {
                    // The output took nothing for that long: the item would
                    // never end. It ends now, as an error.
                    if (!shared->errorPosted.exchange(true))
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

// An input of the air bus per open, lent to the player as its output. A
// player that brings nothing for 2 s while it plays ends the item as an
// error, as its own output's stall does. The input's callbacks hold the
// shared state weakly: the state holds the input.
void CModTrack::GiveBusOutput(const QString& name)
{
    m_shared->input = CTrackEnvironment::AirBus()->AddInput(name);
    m_shared->input->SetCallbacks({}, [weak = std::weak_ptr<Shared>(m_shared), notifier = Notifier(), name] {
        const std::shared_ptr<Shared> shared = weak.lock();
        if (!shared || !shared->airOn || shared->errorPosted.exchange(true))
            return;
        shared->stopRequested = true; // the watch ends without an end report
        notifier->PostError(std::make_unique<CModException>(-1306, name));
    });
    m_shared->LendOutput();
    if (m_library.SetOutput(m_shared->player, &m_shared->output) == 0) {
        qCWarning(lcMedia).noquote() << name << "plays on the module player's own output: it refused the bus";
        m_shared->input->Detach();
        m_shared->input.reset();
    }
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
        if (m_shared->input) {
            // Silent at once; the player writes nothing more until it goes.
            m_shared->detached = true;
            m_shared->input->Detach();
        }
        m_shared.reset();
    }
    CMediaTrack::Close();
}

// On the bus the player renders all along (ahead into the ring) and the
// input is what plays or holds; on its own output the player does both.
void CModTrack::Sound()
{
    m_shared->paused = false;
    m_shared->airOn = true;
    if (!m_shared->input) {
        m_library.Play(m_shared->player);
        return;
    }
    m_shared->input->Resume();
    if (!m_shared->input->Started())
        m_shared->input->StartAt(); // also a start planned that has not come
}

void CModTrack::Hold()
{
    m_shared->airOn = false;
    if (m_shared->input)
        m_shared->input->Pause();
    else
        m_library.Stop(m_shared->player);
}

void CModTrack::Play()
{
    if (!m_shared)
        return;
    m_shared->stopRequested = false;
    m_shared->errorPosted = false;
    Sound();
}

bool CModTrack::PlayAfter(const CMediaTrack& before, TrackMs positionOfBefore)
{
    if (!m_shared || !m_shared->input || !PlanStart(*m_shared->input, before, positionOfBefore))
        return false;
    m_shared->stopRequested = false;
    m_shared->errorPosted = false;
    m_shared->paused = false;
    m_shared->airOn = true;
    m_shared->input->Resume(); // held since Open
    return true;
}

void CModTrack::CancelPlannedStart()
{
    if (!m_shared || !m_shared->input || m_shared->input->Started())
        return;
    m_shared->input->Unschedule();
    m_shared->airOn = false;
    m_shared->pausedPosition = GetPosition();
    m_shared->paused = true;
}

std::shared_ptr<CAirInput> CModTrack::AirInput() const
{
    return m_shared ? m_shared->input : nullptr;
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
    m_shared->stopRequested = true;
    // For good: a Play right after must not revive a watch still asleep.
    if (m_watch)
        m_watch->RequestStop();
    Hold();
}

void CModTrack::Pause()
{
    if (!m_shared)
        return;
    m_shared->pausedPosition = GetPosition();
    m_shared->paused = true;
    Hold();
}

void CModTrack::Resume()
{
    if (m_shared)
        Sound();
}

bool CModTrack::IsStopped() const
{
    return m_shared && !IsPlaying();
}

bool CModTrack::IsPaused() const
{
    return m_shared && m_shared->paused;
}

bool CModTrack::IsPlaying() const
{
    return m_shared && m_shared->airOn && m_library.IsPlaying(m_shared->player) != 0;
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
    if (!m_shared)
        return;
    if (!m_shared->input) {
        m_library.SetVolume(m_shared->player, int(level * 100));
        return;
    }
    // The input's gain, not the player's level: the player renders up to a
    // ring (0.5 s) ahead, the gain acts on the next period (10 ms), so a
    // fade's steps are heard when they are made.
    m_shared->percent = std::clamp(int(level * 100), 0, 100);
    m_shared->input->SetGain(float(m_shared->percent) / 100.0f);
}

float CModTrack::GetVolume() const
{
    if (!m_shared)
        return 0.0f;
    const int percent = m_shared->input ? m_shared->percent.load() : m_library.GetVolume(m_shared->player);
    return float(percent) * 0.01f;
}
