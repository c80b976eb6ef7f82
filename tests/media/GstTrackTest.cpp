// SPDX-License-Identifier: GPL-3.0-or-later
// What is particular to CDirectShowTrack, against real GStreamer: MP3
// lengths, range marks, the decibel volume, the error codes and
// the choice of audio output. The common contract is in TrackContractTest.
#include "media/DirectShowAir.h"
#include "media/DirectShowTrack.h"
#include "media/MiniPlaylistTrack.h"
#include "media/PauseTrack.h"
#include "media/PlugInChain.h"
#include "platform/PostEvent.h"

#include "EventRecorder.h"
#include "support/WavAnalysis.h"

#include <QtEndian>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <mutex>

namespace {

class GstTrack : public TrackTest
{
protected:
    static void SetUpTestSuite()
    {
        s_wav = TestMedia::ToneWav(TestEnv::Root(), QStringLiteral("gst"), 440, 1.5);
        s_mp3 = TestMedia::Encode(s_wav, TestMedia::Format::Mp3);
    }

    static inline QString s_wav, s_mp3;
};

} // namespace

TEST_F(GstTrack, Mp3LengthAndPlayAfterSeekKeepsTheRangeMark)
{
    CDirectShowTrack track;
    track.Open(s_mp3, &owner);
    EXPECT_NEAR(track.GetLength(), 1550, 50) << "the decoded MP3 carries the encoder's padding";
    track.PlayRange(500, 900);
    ASSERT_TRUE(owner.WaitForEnds(1));
    EXPECT_NEAR(track.GetPosition(), 900, 40);
    track.Seek(700);
    EXPECT_NEAR(track.GetPosition(), 700, 30);
    track.Play();
    ASSERT_TRUE(owner.WaitForEnds(2));
    EXPECT_NEAR(track.GetPosition(), 900, 40);
}

// WAV files with more than 2 GiB of audio (sparse here: silence), as RIFF
// with its 32-bit size and as RF64, open at once with their whole length
// and play to their real end.
TEST_F(GstTrack, WavFilesOverTwoGibibytesOpenWithTheirWholeLength)
{
    const qint64 size = 3ll << 30;
    const auto le = [](quint64 v, int n) {
        QByteArray b(8, '\0');
        qToLittleEndian(v, b.data());
        return b.left(n);
    };
    const QByteArray fmt = "fmt " + le(16, 4) + le(1, 2) + le(2, 2) + le(44100, 4) + le(176400, 4) +
                           le(4, 2) + le(16, 2);
    for (const bool rf64 : {false, true}) {
        SCOPED_TRACE(rf64 ? "RF64" : "RIFF");
        const qint64 head = rf64 ? 80 : 44;
        const QByteArray header = rf64
                                      ? "RF64" + le(0xFFFFFFFF, 4) + "WAVEds64" + le(28, 4) +
                                            le(size - 8, 8) + le(size - head, 8) + le((size - head) / 4, 8) +
                                            le(0, 4) + fmt + "data" + le(0xFFFFFFFF, 4)
                                      : "RIFF" + le(size - 8, 4) + "WAVE" + fmt + "data" + le(size - head, 4);
        ASSERT_EQ(header.size(), head);
        QFile file(TestEnv::Root() + (rf64 ? "/long64.wav" : "/long.wav"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(header) == head && file.resize(size));
        file.close();
        CDirectShowTrack track;
        track.Open(file.fileName(), &owner);
        const TrackMs length = TrackMs((size - head) * 1000 / 176400);
        EXPECT_EQ(track.GetLength(), length);
        const size_t ends = owner.ends.size();
        track.Seek(length - 300);
        track.Play();
        ASSERT_TRUE(owner.WaitForEnds(ends + 1));
        EXPECT_NEAR(track.GetPosition(), length, 100);
        track.Close();
        file.remove();
    }
}

// W64 and AIFF, read by libsndfile: the air begins with the file's first
// sample, left and right in place, and a range plays from its first sample
// to its mark and not one frame further.
TEST_F(GstTrack, SndfileFormatsAirFromTheirFirstSampleToTheirMark)
{
    const QString wav = TestMedia::WriteStereoWav(TestEnv::Root() + "/lr.wav", {TestMedia::Tone(440, 1.0)},
                                                  {TestMedia::Tone(660, 1.0, -6)});
    const auto file = WavAnalysis::ReadWav(wav);
    ASSERT_TRUE(file);
    std::mutex mutex;
    std::vector<float> air; // from the bus frame `first` on
    std::uint64_t first = 0;
    CTrackEnvironment::AirBus()->SetTap([&](const float* samples, int frames, std::uint64_t at) {
        std::lock_guard lock(mutex);
        first = air.empty() ? at : first;
        air.insert(air.end(), samples, samples + frames * CAirBus::Channels);
    });
    for (const auto format : {TestMedia::Format::W64, TestMedia::Format::Aiff}) {
        for (const TrackMs from : {0, 300}) {
            CDirectShowTrack track;
            track.Open(TestMedia::Encode(wav, format), &owner);
            EXPECT_EQ(track.GetLength(), 1000);
            // Cued and decoded ahead, as an item is before its turn: the
            // first period already has its data.
            ASSERT_TRUE(track.CueRange(from, 700));
            ASSERT_TRUE(TestEnv::WaitUntil([&] { return track.AirInput()->Buffered() >= 4096; }, 5000));
            const std::size_t ends = owner.ends.size();
            track.Play();
            ASSERT_TRUE(owner.WaitForEnds(ends + 1));
            EXPECT_EQ(track.AirInput()->FramesTaken(), CAirBus::FramesOf(700));
            std::lock_guard lock(mutex);
            const std::size_t at = (track.AirInput()->StartedAt() - first) * 2, in = CAirBus::FramesOf(from);
            ASSERT_GE(air.size(), at + 8192);
            for (std::size_t i = 0; i < 8192; ++i)
                ASSERT_NEAR(air[at + i], file->planes[i % 2][in + i / 2], 1e-4)
                    << track.GetFileName().toStdString() << " from " << from << " ms, frame " << i / 2;
        }
    }
    CTrackEnvironment::AirBus()->SetTap({});
}

// A file whose first buffer comes after its segment's start has lost its
// start in the decoder: said once, naming the file; a whole one is not.
TEST_F(GstTrack, AStartLostInTheDecoderIsToldNamingTheFile)
{
    static std::mutex mutex;
    static QStringList told;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) {
            std::lock_guard lock(mutex);
            told << text;
        });
    for (const GstClockTime firstNs :
         {GstClockTime(0), GstClockTime(2 * GST_MSECOND), GstClockTime(46 * GST_MSECOND)}) {
        SCOPED_TRACE(firstNs);
        QString error;
        GstElement* pipeline = gst_parse_launch("appsrc name=src format=time "
                                                "caps=audio/x-raw,format=F32LE,layout=interleaved,rate=44100,"
                                                "channels=2 ! identity name=last",
                                                nullptr);
        GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "src");
        GstElement* last = gst_bin_get_by_name(GST_BIN(pipeline), "last");
        GstElement* sink = MakeAirSinkBin(CTrackEnvironment::AirBus()->AddInput("t"), &error, "x.w64");
        ASSERT_TRUE(sink) << error.toStdString();
        gst_bin_add(GST_BIN(pipeline), sink);
        ASSERT_TRUE(gst_element_link(last, sink));
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        for (const GstClockTime at : {firstNs, firstNs + 20 * GST_MSECOND}) {
            GstBuffer* buffer = gst_buffer_new_wrapped(g_malloc0(882 * 8), 882 * 8);
            platform::AcquireFrom(buffer);
            GST_BUFFER_PTS(buffer) = at;
            platform::ReleaseTo(buffer);
            gst_app_src_push_buffer(GST_APP_SRC(source), buffer);
        }
        gst_app_src_end_of_stream(GST_APP_SRC(source));
        GstBus* bus = gst_element_get_bus(pipeline);
        gst_message_unref(gst_bus_timed_pop_filtered(bus, 5 * GST_SECOND, GST_MESSAGE_EOS));
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        for (GstElement* element : {source, last, pipeline})
            gst_object_unref(element);
        std::lock_guard lock(mutex);
        EXPECT_EQ(told.filter("x.w64 began 46 ms late").size(), firstNs == 46 * GST_MSECOND ? 1 : 0)
            << told.join(u'\n').toStdString();
        told.clear();
    }
    qInstallMessageHandler(previous);
}

// A start planned after a list lands on its sample: 500 ms into its last
// entry (its place in the list less where the entry starts). How every
// track plans its start after one of its class is in TrackContractTest.
TEST_F(GstTrack, APlannedStartFollowsAListOnItsSample)
{
    const QString list = TestEnv::WriteFile(TestEnv::Root() + "/two.m3u",
                                            "1~0.pause\n1~0.pause\n"); // no overlap
    CMiniPlaylistTrack leader;
    CPauseTrack next;
    next.Open(QStringLiteral("1.pause"), &owner);
    leader.Open(list, &owner);
    leader.Play();
    std::shared_ptr<CAirInput> input;
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return (input = leader.AirInput()) != nullptr; }, 3000));
    ASSERT_TRUE(next.PlayAfter(leader, 1500));
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return next.AirInput()->Started(); }, 4000));
    EXPECT_EQ(next.AirInput()->StartedAt(), input->StartedAt() + 500 * 441 / 10);
}

// A list follows on its first entry's sample too: planned before it plays,
// its first entry opens ahead and is started by the bus; the list's Play,
// when the leader's end is told, finds it playing.
TEST_F(GstTrack, AListPlannedAfterAnItemStartsItsFirstEntryOnTheSample)
{
    const QString list = TestEnv::WriteFile(TestEnv::Root() + "/one.m3u", "1~0.pause\n");
    CPauseTrack leader;
    CMiniPlaylistTrack follower;
    leader.Open(QStringLiteral("1.pause"), &owner);
    follower.Open(list, &owner);
    leader.Play();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return follower.PlayAfter(leader); }, 3000));
    const std::shared_ptr<CAirInput> first = leader.AirInput();
    ASSERT_TRUE(owner.WaitForEnds(1));
    follower.Play();
    ASSERT_TRUE(
        TestEnv::WaitUntil([&] { return follower.AirInput() && follower.AirInput()->Started(); }, 1000));
    EXPECT_EQ(follower.AirInput()->StartedAt(), first->StartedAt() + first->FramesTaken());
}

TEST_F(GstTrack, VolumeMapsLevelsToDecibelsAndStopRestoresFullVolume)
{
    CDirectShowTrack track;
    track.Open(s_wav, &owner);
    // Level and the level read back: (level - 1) x 4000 hundredths of a dB,
    // -40 dB and below read 0.0.
    const std::pair<float, float> cases[] = {{0.5f, 0.5f},   {0.75f, 0.75f},     {0.0f, 0.0f},
                                             {0.25f, 0.25f}, {-0.000125f, 0.0f}, {-0.5f, 0.0f}};
    for (const auto& [level, reads] : cases) {
        track.SetVolume(level);
        EXPECT_FLOAT_EQ(track.GetVolume(), reads) << level;
    }
    // What the air carries: the tone's peak (-12 dB full scale: 0.251) at
    // level 0.5, -20 dB.
    const auto bus = CTrackEnvironment::AirBus();
    track.SetVolume(0.5f);
    track.Play();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return track.GetPosition() > 400; }, 3000));
    for (const float peak : bus->LastLevel().peak)
        EXPECT_NEAR(peak, 0.0251, 0.0251 / 20);
    track.Stop();
    EXPECT_FLOAT_EQ(track.GetVolume(), 1.0f);
}

TEST_F(GstTrack, BadFilesAndOutputsFailOpenWithTheirCodes)
{
    // The file, the error's place and what its message holds.
    const std::tuple<QString, int, QString> rows[] = {
        {TestEnv::Root() + "/missing.wav", 103, QStringLiteral("missing.wav")},
        {TestEnv::Root(), 103, QStringLiteral("Not a regular file: ")},
        {TestEnv::Root() + "/missing.w64", 103, QStringLiteral("missing.w64")},
        {TestEnv::WriteFile(TestEnv::Root() + "/noise.aiff", "FORM\0\0\0\4AIFFnot a chunk"), 103,
         QStringLiteral("noise.aiff")}};
    for (const auto& [path, where, message] : rows) {
        CDirectShowTrack track;
        const auto e = ThrownBy<CDirectShowException>([&] { track.Open(path, &owner); });
        ASSERT_TRUE(e) << "Open did not throw for " << qPrintable(path);
        EXPECT_EQ(e->Where(), where) << qPrintable(path);
        EXPECT_TRUE(e->GetErrorMessage().contains(message)) << qPrintable(e->GetErrorMessage());
        EXPECT_EQ(track.Pipeline(), nullptr);
    }
    // An output that cannot be made is the air's, told once with its
    // description; without the override the "AudioSink" setting chooses it.
    std::mutex mutex;
    QStringList told;
    CTrackEnvironment::SetAirOutputObserver([&](bool up, const QString& why) {
        std::lock_guard lock(mutex);
        told << (up ? QStringLiteral("up") : why);
    });
    CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"))
        .SetText(QStringLiteral("AudioSink"), QStringLiteral("fakesink sync=maybe"));
    for (const QByteArray& sink : {QByteArray("nosuchsinkelement"), QByteArray()}) {
        sink.isNull() ? qunsetenv("LIRANA_AUDIO_SINK") : qputenv("LIRANA_AUDIO_SINK", sink);
        CTrackEnvironment::ReleaseAirBus();
        {
            std::lock_guard lock(mutex);
            told.clear();
        }
        const auto bus = CTrackEnvironment::AirBus();
        EXPECT_TRUE(TestEnv::WaitUntil(
            [&] {
                std::lock_guard lock(mutex);
                return !told.isEmpty();
            },
            3000));
        std::lock_guard lock(mutex);
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told[0].contains(sink.isNull() ? "fakesink sync=maybe" : "\"nosuchsinkelement\""))
            << qPrintable(told[0]);
    }
    CTrackEnvironment::SetAirOutputObserver({});
    CTrackEnvironment::ReleaseAirBus();
    qunsetenv("LIRANA_AUDIO_SINK");
    CRegistryKey::OpenAppSubkey(QStringLiteral("Settings")).DeleteValue(QStringLiteral("AudioSink"));
    // The default is never an automatic choice that could fall back to some
    // other device: the session's sound server when it has one, else ALSA.
    const QByteArray server = qgetenv("PULSE_SERVER"), runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("PULSE_SERVER", "unix:/nonexistent");
    EXPECT_EQ(CTrackEnvironment::AudioSinkDescription(), QStringLiteral("pulsesink"));
    qunsetenv("PULSE_SERVER");
    qputenv("XDG_RUNTIME_DIR", TestEnv::MakeTempDir().toLocal8Bit());
    EXPECT_EQ(CTrackEnvironment::AudioSinkDescription(), QStringLiteral("alsasink"));
    qputenv("PULSE_SERVER", server);
    qputenv("XDG_RUNTIME_DIR", runtime);
}

TEST_F(GstTrack, ErrorWhilePlayingArrivesAsOneEventAndStopRecovers)
{
    // A plug-in of the chain that fails after 60 buffers (about 2.7 s of a
    // 6 s item), some time after the open.
    CTrackEnvironment::Chain().filters.emplace_back(QStringLiteral("Fails"), QStringLiteral("identity"),
                                                    "state, error-after=(string)60;");
    CDirectShowTrack track;
    track.Open(TestMedia::ToneWav(TestEnv::Root(), QStringLiteral("long"), 440, 6.0), &owner);
    CTrackEnvironment::Chain() = CPlugInChain();
    track.Play();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.errors.empty(); }, 5000));
    Spin(200);
    ASSERT_EQ(owner.errors.size(), 1u);
    EXPECT_TRUE(owner.ends.empty());
    EXPECT_EQ(owner.errors[0].second, track.Serial());
    const auto* error = dynamic_cast<const CDirectShowException*>(owner.errors[0].first.get());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Where(), 103);
    track.Stop();
    EXPECT_TRUE(track.IsStopped());
    track.Play(); // plays again: to the same error or to the end
    EXPECT_TRUE(TestEnv::WaitUntil([&] { return owner.errors.size() == 2 || !owner.ends.empty(); }, 3000));
}
