// What is particular to CDirectShowTrack, against real GStreamer: MP3
// lengths, range marks, the decibel volume, the error codes and
// the choice of audio output. Generated files play to a real-time fake sink
// (no sound server needed); the common contract is in TrackContractTest.
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

#include <tuple>

namespace {

const QByteArray kRealTimeSink = GstTestMedia::RealTimeSink();

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

TEST_F(GstTrack, Mp3LengthAndAClosedTrackWithoutLength)
{
    // The decoded MP3 carries the encoder's padding (about 1 to 3 frames).
    QObject owner;
    CDirectShowTrack mp3;
    const TrackMs mp3Length = mp3.QueryLength(s_mp3, &owner);
    EXPECT_GE(mp3Length, 1500);
    EXPECT_LE(mp3Length, 1600);
    CDirectShowTrack never;
    EXPECT_THROW(never.GetLength(), CDirectShowException);
    EXPECT_THROW(never.Seek(10), CDirectShowException);
}

TEST_F(GstTrack, PlayAfterSeekKeepsTheRangeMarkAndAReversedRangeEndsAtOnce)
{
    EventRecorder owner;
    CDirectShowTrack track;
    track.Open(s_mp3, &owner);
    QElapsedTimer timer;
    timer.start();
    track.PlayRange(500, 900);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.ends.empty(); }, 3000));
    EXPECT_GE(timer.elapsed(), 350);
    EXPECT_LE(timer.elapsed(), 1200);
    EXPECT_NEAR(track.GetPosition(), 900, 40);

    track.Seek(700);
    EXPECT_NEAR(track.GetPosition(), 700, 30);
    track.Play();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return owner.ends.size() == 2; }, 3000));
    EXPECT_NEAR(track.GetPosition(), 900, 40);

    track.PlayRange(300, 100);
    EXPECT_TRUE(track.IsPlaying());
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return owner.ends.size() == 3; }, 3000));
    EXPECT_NEAR(track.GetPosition(), 300, 30);
    EXPECT_TRUE(owner.errors.empty());
}

TEST_F(GstTrack, VolumeMapsLevelsToDecibelsAndStopRestoresFullVolume)
{
    QObject owner;
    CDirectShowTrack track;
    track.Open(s_wav, &owner);
    const auto linear = [&] {
        gdouble v = -1;
        g_object_get(track.Pipeline(), "volume", &v, nullptr);
        return v;
    };
    // Level, the linear gain it sets, the level read back.
    const std::tuple<float, double, float> cases[] = {
        {0.5f, 0.1, 0.5f},          // -2000 -> -20 dB
        {0.75f, 0.316228, 0.75f},   // -10 dB
        {0.0f, 0.01, 0.0f},         // -40 dB, still audible: reads 0.0
        {0.25f, 0.0316228, 0.25f},  // -30 dB
        {-0.000125f, 0.01, 0.0f},   // -4000.5 truncates to -4000: the last level reading 0.0
        {-0.5f, 0.001, 0.0f},       // -60 dB: below the range reads 0.0
    };
    for (const auto& [level, gain, reads] : cases) {
        track.SetVolume(level);
        EXPECT_NEAR(linear(), gain, gain / 100) << level;
        EXPECT_FLOAT_EQ(track.GetVolume(), reads) << level;
    }
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

    EXPECT_EQ(OpenError(s_dir + QStringLiteral("/missing.wav")).Where(), 103);
    EXPECT_TRUE(OpenError(s_dir).GetErrorMessage().startsWith(QStringLiteral("Not a regular file: ")));
    for (const QString& path : {text, corrupt}) {
        const CDirectShowException e = OpenError(path);
        EXPECT_EQ(e.Where(), 103);
        EXPECT_NE(e.Code(), 0) << qPrintable(e.GetErrorMessage());
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
