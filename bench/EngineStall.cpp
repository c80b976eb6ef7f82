// SPDX-License-Identifier: GPL-3.0-or-later
// The engine plays a list (MP3s, one that states no length, a WAV, a missing
// file) with overlaps and fades into the real output, in this process; a
// 5 ms timer on the same thread measures its own lateness. Baselines of the
// same run: the same timer on an idle loop, and while the same items are
// opened, played briefly and closed on that thread (what the engine's thread
// did when it opened tracks itself).
#include "EngineStall.h"

#include "BenchSeams.h"
#include "media/TrackFactory.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "platform/Clock.h"
#include "playlist/Playlist.h"
#include "support/TestMedia.h"

#include <QBasicTimer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimerEvent>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

class StallMeter : public QObject
{
public:
    static constexpr int kPeriodMs = 5;

    // Runs the event loop until done() holds (or limitMs passed), calling
    // step() from the loop; returns the longest lateness of the timer in ms.
    double Run(const std::function<bool()>& done, const std::function<void()>& step, int limitMs)
    {
        m_worst = 0;
        m_clock.start();
        m_last = m_clock.nsecsElapsed();
        m_timer.start(kPeriodMs, Qt::PreciseTimer, this);
        while (!done() && m_clock.elapsed() < limitMs) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            if (step)
                step();
        }
        m_timer.stop();
        return m_worst;
    }

protected:
    void timerEvent(QTimerEvent*) override
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_worst = std::max(m_worst, (now - m_last) / 1e6 - kPeriodMs);
        m_last = now;
    }

private:
    QElapsedTimer m_clock;
    QBasicTimer m_timer;
    qint64 m_last = 0;
    double m_worst = 0;
};

} // namespace

void MeasureEngineStall(const QString& mediaDir, bool air)
{
    std::printf("\n(e) longest stall of the engine's thread (a %d ms timer's lateness), %s\n",
                StallMeter::kPeriodMs, air ? "into the sound server" : "fakesink sync=true");
    if (!air)
        qputenv("LIRANA_AUDIO_SINK", "fakesink sync=true");
    QString error;
    QStringList items;
    for (int i = 0; i < 3; ++i) {
        const QString wav = TestMedia::ToneWav(mediaDir, QStringLiteral("stall%1").arg(i), 500 + 100 * i,
                                               2.5);
        items << TestMedia::Encode(wav, TestMedia::Format::Mp3, &error); // states no length: scanned
    }
    items.insert(1, TestMedia::ToneWav(mediaDir, QStringLiteral("stallwav"), 900, 2.5));
    items.insert(3, mediaDir + QStringLiteral("/missing.mp3"));
    if (items.contains(QString())) {
        std::printf("  cannot make the items: %s\n", qPrintable(error));
        return;
    }

    StallMeter meter;

    // Before: each item opened, played 300 ms and closed on this thread.
    qsizetype next = 0;
    std::unique_ptr<CMediaTrack> track;
    QElapsedTimer played;
    const double onThread = meter.Run([&] { return next >= items.size() && !track; },
                                      [&] {
                                          if (track && played.elapsed() < 300)
                                              return;
                                          track.reset();
                                          if (next >= items.size())
                                              return;
                                          try {
                                              const QString& item = items[next++];
                                              track = CreateTrack(item);
                                              track->Open(item, nullptr);
                                              track->GetLength();
                                              track->Play();
                                              played.start();
                                          } catch (const CException&) {
                                              track.reset();
                                          }
                                      },
                                      20000);

    CPlaylist list;
    CPlayLog log(Clock::System());
    BenchUi ui;
    BenchShell shell;
    COnAirEngine engine(BenchEngineSeams(list, log, ui, shell));
    engine.Settings().overlapTime = 1000;
    engine.Settings().fadeOnOverlap = true;
    engine.Settings().fadePeriod = 0.5;
    engine.Settings().ignoreErrors = true;
    list.Reset(items, 0);
    engine.Startup();
    engine.OnPlay();
    QElapsedTimer run;
    run.start();
    const double lirana = meter.Run([&] { return engine.IsIdle(); }, {}, 30000);
    engine.Shutdown(false);
    // The machine's own noise: an idle loop as long as the engine's run.
    const double idle = meter.Run([] { return false; }, {}, int(run.elapsed()));

    std::printf("    %-28s %7.1f ms\n", "idle loop as long (baseline)", idle);
    std::printf("    %-28s %7.1f ms\n", "opening on the thread", onThread);
    std::printf("    %-28s %7.1f ms\n", "lirana engine", lirana);
    std::printf("    ratio lirana / opening on the thread: %.2f; goal under 5 ms: %s\n",
                onThread > 0 ? lirana / onThread : 0.0, lirana < 5.0 ? "met" : "NOT met");
    if (!air)
        qunsetenv("LIRANA_AUDIO_SINK");
}
