// CDirectShowTrack against real GStreamer: generated files played to a
// real-time fake sink (no sound server needed).
#include "media/DirectShowTrack.h"

#include "EventRecorder.h"
#include "GstTestMedia.h"
#include "media/TrackEnvironment.h"
#include "media/TrackExceptions.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QFile>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

// LIRANA_TEST_AUDIO_SINK runs the same tests on another output (pulsesink
// with a sound server running).
const QByteArray kRealTimeSink = qgetenv("LIRANA_TEST_AUDIO_SINK").isEmpty()
                                     ? QByteArray("fakesink sync=true")
                                     : qgetenv("LIRANA_TEST_AUDIO_SINK");

void Spin(int ms)
{
    TestEnv::WaitUntil([] { return false; }, ms);
}

class GstTrack : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const QString dir = TestEnv::MakeTempDir(QStringLiteral("gst"));
        s_wav = GstTestMedia::WriteTone(dir, QStringLiteral("tone.wav"), 1.5, "wavenc");
        s_mp3 = GstTestMedia::WriteTone(dir, QStringLiteral("tone.mp3"), 1.5, "lamemp3enc");
        s_dir = dir;
    }

    void SetUp() override
    {
        qputenv("LIRANA_AUDIO_SINK", kRealTimeSink);
        CTrackEnvironment::Reset();
    }
    void TearDown() override
    {
        CTrackEnvironment::Reset();
        qunsetenv("LIRANA_AUDIO_SINK");
    }

    // Open must fail with a CDirectShowException within a bounded time.
    static CDirectShowException OpenError(const QString& path)
    {
        QObject owner;
        CDirectShowTrack track;
        QElapsedTimer timer;
        timer.start();
        try {
            track.Open(path, &owner);
        } catch (const CDirectShowException& e) {
            EXPECT_LT(timer.elapsed(), 5000) << qPrintable(path);
            EXPECT_FALSE(track.IsStopped());
            EXPECT_EQ(track.Pipeline(), nullptr);
            return e;
        }
        ADD_FAILURE() << "Open did not throw for " << qPrintable(path);
        return CDirectShowException(0, 0, QString());
    }

    static inline QString s_dir, s_wav, s_mp3;
};

} // namespace

TEST_F(GstTrack, OpenReportsLengthStateAndPosition)
{
    QObject owner;
    CDirectShowTrack track;
    EXPECT_FALSE(track.IsStopped());
    track.Open(s_wav, &owner);
    EXPECT_TRUE(track.IsStopped());
    EXPECT_FALSE(track.IsPlaying());
    EXPECT_TRUE(track.HasVolumeControl());
    EXPECT_NEAR(track.GetLength(), 1500, 5);
    EXPECT_EQ(track.GetPosition(), 0);
    EXPECT_EQ(track.GetFileName(), s_wav);

    // The decoded MP3 carries the encoder's padding (about 1 to 3 frames).
    CDirectShowTrack mp3;
    const TrackMs mp3Length = mp3.QueryLength(s_mp3, &owner);
    std::printf("[ figures  ] WAV length %d ms, MP3 length %d ms (source 1500 ms)\n", track.GetLength(), mp3Length);
    EXPECT_GE(mp3Length, 1500);
    EXPECT_LE(mp3Length, 1600);
    EXPECT_EQ(mp3.Owner(), nullptr);
    EXPECT_FALSE(mp3.IsStopped());
    EXPECT_EQ(mp3.GetLength(), mp3Length) << "the length stays known after Close";

    track.Close();
    EXPECT_FALSE(track.IsStopped());
    EXPECT_EQ(track.Owner(), nullptr);
    CDirectShowTrack never;
    EXPECT_THROW(never.GetLength(), CDirectShowException);
}

TEST_F(GstTrack, PlaysInRealTimeFromPrerollAndNotifiesEnd)
{
    EventRecorder owner;
    CDirectShowTrack track;
    track.Open(s_wav, &owner);
    Spin(400); // held prerolled: must not start late by this time

    QElapsedTimer timer;
    timer.start();
    track.Play();
    EXPECT_TRUE(track.IsPlaying());
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return track.GetPosition() > 0; }, 2000));
    const qint64 firstMove = timer.elapsed();
    Spin(300);
    const qint64 elapsed = timer.elapsed();
    const TrackMs position = track.GetPosition();
    std::printf("[ figures  ] Play to moving position %lld ms; position %d ms after %lld ms\n",
                static_cast<long long>(firstMove), position, static_cast<long long>(elapsed));
    EXPECT_LT(firstMove, 250);
    EXPECT_NEAR(position, elapsed, 150) << "real time from the moment of Play";

    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.ends.empty(); }, 4000));
    const qint64 endAt = timer.elapsed();
    std::printf("[ figures  ] end notification %lld ms after Play (1500 ms file)\n", static_cast<long long>(endAt));
    EXPECT_GE(endAt, 1400);
    EXPECT_LE(endAt, 2500);
    EXPECT_EQ(owner.ends[0].code, MCI_NOTIFY_SUCCESSFUL);
    EXPECT_EQ(owner.ends[0].sender, track.Serial());
    EXPECT_TRUE(track.IsPlaying()) << "the track stays open at its end";
    EXPECT_NEAR(track.GetPosition(), 1500, 60);

    // Stop goes back to the start and plays again from there.
    track.Stop();
    EXPECT_TRUE(track.IsStopped());
    EXPECT_LE(track.GetPosition(), 5);
    Spin(100);
    EXPECT_EQ(owner.ends.size(), 1u);
    EXPECT_TRUE(owner.errors.empty());
}

TEST_F(GstTrack, PlayRangeEndsAtTheStopPositionAndPlayKeepsTheMark)
{
    EventRecorder owner;
    CDirectShowTrack track;
    track.Open(s_mp3, &owner);
    QElapsedTimer timer;
    timer.start();
    track.PlayRange(500, 900);
    EXPECT_TRUE(track.IsPlaying());
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.ends.empty(); }, 3000));
    EXPECT_GE(timer.elapsed(), 350);
    EXPECT_LE(timer.elapsed(), 1200);
    EXPECT_NEAR(track.GetPosition(), 900, 40);

    // Seek keeps the end mark; Play runs to it again.
    track.Seek(700);
    EXPECT_NEAR(track.GetPosition(), 700, 30);
    track.Play();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return owner.ends.size() == 2; }, 3000));
    EXPECT_NEAR(track.GetPosition(), 900, 40);

    // An empty or reversed range ends at once.
    track.PlayRange(300, 100);
    EXPECT_TRUE(track.IsPlaying());
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return owner.ends.size() == 3; }, 3000));
    EXPECT_NEAR(track.GetPosition(), 300, 30);
    EXPECT_TRUE(owner.errors.empty());
}

TEST_F(GstTrack, PauseHoldsThePositionSeekMovesIt)
{
    EventRecorder owner;
    CDirectShowTrack track;
    track.Open(s_wav, &owner);

    track.Seek(1000);
    EXPECT_NEAR(track.GetPosition(), 1000, 25);
    EXPECT_TRUE(track.IsStopped());
    track.Seek(200);
    EXPECT_NEAR(track.GetPosition(), 200, 25);

    track.Play();
    Spin(250);
    track.Pause();
    EXPECT_TRUE(track.IsPaused());
    const TrackMs held = track.GetPosition();
    EXPECT_GT(held, 350);
    Spin(300);
    EXPECT_NEAR(track.GetPosition(), held, 15);

    track.Resume();
    EXPECT_TRUE(track.IsPlaying());
    Spin(200);
    EXPECT_GT(track.GetPosition(), held + 100);
    EXPECT_LT(track.GetPosition(), held + 450);

    // Seeking while playing continues playing from there.
    track.Seek(100);
    EXPECT_TRUE(track.IsPlaying());
    EXPECT_LT(track.GetPosition(), 250);
    Spin(150);
    EXPECT_GT(track.GetPosition(), 150);

    EXPECT_THROW(CDirectShowTrack().Seek(10), CDirectShowException);
    EXPECT_TRUE(owner.ends.empty());
}

TEST_F(GstTrack, VolumeMapsLevelsToDecibelsAndStopRestoresFullVolume)
{
    QObject owner;
    CDirectShowTrack track;
    EXPECT_EQ(track.GetVolume(), 0.0f) << "closed";
    track.Open(s_wav, &owner);
    const auto linear = [&] {
        gdouble v = -1;
        g_object_get(track.Pipeline(), "volume", &v, nullptr);
        return v;
    };
    EXPECT_FLOAT_EQ(track.GetVolume(), 1.0f);
    EXPECT_DOUBLE_EQ(linear(), 1.0);

    track.SetVolume(0.5f); // -2000 -> -20 dB
    EXPECT_FLOAT_EQ(track.GetVolume(), 0.5f);
    EXPECT_NEAR(linear(), 0.1, 1e-3);
    track.SetVolume(0.75f); // -10 dB
    EXPECT_FLOAT_EQ(track.GetVolume(), 0.75f);
    track.SetVolume(0.0f); // -40 dB, still audible: reads 0.0
    EXPECT_NEAR(linear(), 0.01, 1e-4);
    EXPECT_FLOAT_EQ(track.GetVolume(), 0.0f);
    track.SetVolume(0.25f); // -30 dB
    EXPECT_FLOAT_EQ(track.GetVolume(), 0.25f);
    track.SetVolume(-0.000125f); // -4000.5 truncates to -4000: the last level reading 0.0
    EXPECT_FLOAT_EQ(track.GetVolume(), 0.0f);
    EXPECT_NEAR(linear(), 0.01, 1e-4);
    track.SetVolume(-0.5f); // -60 dB: below the range reads 0.0
    EXPECT_NEAR(linear(), 0.001, 1e-5);
    EXPECT_FLOAT_EQ(track.GetVolume(), 0.0f);

    track.Play();
    Spin(100);
    track.SetVolume(0.5f);
    track.Stop();
    EXPECT_FLOAT_EQ(track.GetVolume(), 1.0f);
    EXPECT_DOUBLE_EQ(linear(), 1.0);
}

TEST_F(GstTrack, BadFilesAndOutputsFailOpenWithClearMessages)
{
    const QString text = TestEnv::WriteFile(s_dir + QStringLiteral("/notes.wav"), "This is not audio.\n");
    QByteArray noise(6000, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 251);
    const QString corrupt = TestEnv::WriteFile(s_dir + QStringLiteral("/broken.mp3"), "ID3\x03" + noise);

    const CDirectShowException missing = OpenError(s_dir + QStringLiteral("/missing.wav"));
    EXPECT_EQ(missing.Where(), 103);
    EXPECT_TRUE(missing.GetErrorMessage().contains(QStringLiteral("missing.wav"))) << qPrintable(missing.GetErrorMessage());

    for (const QString& path : {text, corrupt}) {
        const CDirectShowException e = OpenError(path);
        EXPECT_EQ(e.Where(), 103);
        EXPECT_NE(e.Code(), 0) << qPrintable(e.GetErrorMessage());
        EXPECT_GT(e.GetErrorMessage().size(), 15) << qPrintable(e.GetErrorMessage());
    }

    qputenv("LIRANA_AUDIO_SINK", "nosuchsinkelement");
    const CDirectShowException noSink = OpenError(s_wav);
    EXPECT_EQ(noSink.Where(), 101);
    EXPECT_TRUE(noSink.GetErrorMessage().contains(QStringLiteral("\"nosuchsinkelement\"")))
        << qPrintable(noSink.GetErrorMessage());

    // Without the override the "AudioSink" setting chooses the output.
    qunsetenv("LIRANA_AUDIO_SINK");
    CRegistryKey::OpenAppSubkey(QStringLiteral("Settings")).SetText(QStringLiteral("AudioSink"),
                                                                   QStringLiteral("fakesink sync=maybe"));
    const CDirectShowException badSetting = OpenError(s_wav);
    EXPECT_EQ(badSetting.Where(), 101);
    EXPECT_TRUE(badSetting.GetErrorMessage().contains(QStringLiteral("fakesink sync=maybe")));
    CRegistryKey::OpenAppSubkey(QStringLiteral("Settings")).DeleteValue(QStringLiteral("AudioSink"));
    // The default is never an automatic choice that could fall back to some
    // other device: the session's sound server when it has one, else ALSA.
    const QByteArray server = qgetenv("PULSE_SERVER"), runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("PULSE_SERVER", "unix:/nonexistent");
    EXPECT_EQ(CTrackEnvironment::AudioSinkDescription(), QStringLiteral("pulsesink"));
    qunsetenv("PULSE_SERVER");
    qputenv("XDG_RUNTIME_DIR", TestEnv::MakeTempDir().toLocal8Bit());
    EXPECT_EQ(CTrackEnvironment::AudioSinkDescription(), QStringLiteral("alsasink"));
    for (const auto& [name, value] : {std::pair{"PULSE_SERVER", server}, std::pair{"XDG_RUNTIME_DIR", runtime}}) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    // An output that links but fails while prerolling.
    qputenv("LIRANA_AUDIO_SINK", "identity error-after=1 ! fakesink");
    EXPECT_EQ(OpenError(s_wav).Where(), 103);
}

TEST_F(GstTrack, ErrorWhilePlayingArrivesAsOneEventAndStopRecovers)
{
    qputenv("LIRANA_AUDIO_SINK", "identity error-after=25 ! " + kRealTimeSink);
    EventRecorder owner;
    CDirectShowTrack track;
    track.Open(s_wav, &owner);
    track.Play();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.errors.empty(); }, 3000));
    Spin(200);
    ASSERT_EQ(owner.errors.size(), 1u);
    EXPECT_TRUE(owner.ends.empty());
    EXPECT_EQ(owner.errors[0].sender, track.Serial());
    const auto* error = dynamic_cast<const CDirectShowException*>(owner.errors[0].error.get());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Where(), 103);
    EXPECT_FALSE(error->GetErrorMessage().isEmpty());

    QElapsedTimer timer;
    timer.start();
    track.Stop();
    EXPECT_TRUE(track.IsStopped());
    track.Close();
    EXPECT_LT(timer.elapsed(), 2500);
}

TEST_F(GstTrack, CloseAndDeleteWhilePlayingAreSilent)
{
    EventRecorder owner;
    {
        CDirectShowTrack track;
        track.Open(s_wav, &owner);
        track.PlayRange(0, 150);
        Spin(50);
        track.Pause();
        track.Close();
        EXPECT_FALSE(track.IsPaused());
        track.Open(s_wav, &owner); // reopened after Close
        track.Play();
        Spin(50);
    }
    Spin(300);
    EXPECT_TRUE(owner.ends.empty());
    EXPECT_TRUE(owner.errors.empty());
}
