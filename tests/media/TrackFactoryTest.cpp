#include "media/DirectShowTrack.h"
#include "media/PauseTrack.h"
#include "media/TrackExceptions.h"
#include "media/TrackFactory.h"

#include <QObject>
#include <gtest/gtest.h>

namespace {

struct Row {
    const char* path;
    TrackClass withGStreamer;
    TrackClass without;
};

const Row kRows[] = {
    {"/dev/sr0/Track05.cda", TrackClass::CdAudio, TrackClass::CdAudio},
    {"/srv/discs/x.cue/Track02.CDA", TrackClass::CdAudio, TrackClass::CdAudio},
    {"song.MID", TrackClass::Midi, TrackClass::Midi},
    {"song.rmi", TrackClass::Midi, TrackClass::Midi},
    {"song.midi", TrackClass::DirectShow, TrackClass::Mci},
    {"10.pause", TrackClass::Pause, TrackClass::Pause},
    {"/a/b/.PAUSE", TrackClass::Pause, TrackClass::Pause},
    {"x.mod", TrackClass::Module, TrackClass::Module},
    {"x.S3M", TrackClass::Module, TrackClass::Module},
    {"x.xm", TrackClass::Module, TrackClass::Module},
    {"x.669", TrackClass::Module, TrackClass::Module},
    {"x.stm", TrackClass::Module, TrackClass::Module},
    {"x.nst", TrackClass::Module, TrackClass::Module},
    {"x.it", TrackClass::Module, TrackClass::Module},
    {"x.mdz", TrackClass::Module, TrackClass::Module},
    {"x.ItZ", TrackClass::Module, TrackClass::Module},
    {"x.mo", TrackClass::DirectShow, TrackClass::Mci},
    {"list.mpl", TrackClass::MiniPlaylist, TrackClass::MiniPlaylist},
    {"list.M3U", TrackClass::MiniPlaylist, TrackClass::MiniPlaylist},
    {"list.m3u8", TrackClass::DirectShow, TrackClass::Mci},
    {"30.live", TrackClass::LineIn, TrackClass::LineIn},
    {"x.wav", TrackClass::DirectShow, TrackClass::Mci},
    {"x.MMM", TrackClass::DirectShow, TrackClass::Mci},
    {"/music/no_extension", TrackClass::DirectShow, TrackClass::Mci},
    {"/music/folder.mod/no_extension", TrackClass::DirectShow, TrackClass::Mci},
    {"/music/x.pause.wav", TrackClass::DirectShow, TrackClass::Mci},
    {"/music/x.wav.pause", TrackClass::Pause, TrackClass::Pause},
    {"", TrackClass::DirectShow, TrackClass::Mci},
};

} // namespace

TEST(TrackFactory, TableOrderAndFallback)
{
    for (const Row& row : kRows) {
        const QString path = QString::fromUtf8(row.path);
        EXPECT_EQ(TrackClassFor(path, true), row.withGStreamer) << row.path;
        EXPECT_EQ(TrackClassFor(path, false), row.without) << row.path;
    }
}

TEST(TrackFactory, GStreamerIsAvailableHere)
{
    EXPECT_TRUE(IsDirectShowAvailable());
    EXPECT_TRUE(IsDirectShowAvailable());
    EXPECT_EQ(TrackClassFor(QStringLiteral("/music/a.ogg")), TrackClass::DirectShow);
    EXPECT_EQ(TrackClassFor(QStringLiteral("/music/a.mod")), TrackClass::Module);
}

TEST(TrackFactory, CreatesPauseTrackAndStandIns)
{
    auto pause = CreateTrack(QStringLiteral("/x/10.PAUSE"));
    EXPECT_NE(dynamic_cast<CPauseTrack*>(pause.get()), nullptr);

    for (const Row& row : kRows) {
        if (row.withGStreamer == TrackClass::Pause)
            continue;
        if (row.withGStreamer == TrackClass::DirectShow) {
            auto gst = CreateTrack(QString::fromUtf8(row.path));
            EXPECT_NE(dynamic_cast<CDirectShowTrack*>(gst.get()), nullptr) << row.path;
            continue;
        }
        auto track = CreateTrack(QString::fromUtf8(row.path));
        auto* standIn = dynamic_cast<CUnavailableTrack*>(track.get());
        ASSERT_NE(standIn, nullptr) << row.path;
        EXPECT_EQ(standIn->Class(), row.withGStreamer) << row.path;
    }
}

TEST(TrackFactory, UnavailableBackEndThrowsOnOpenAndQueryLength)
{
    auto cd = CreateTrack(QStringLiteral("/dev/sr0/Track05.cda"));
    try {
        cd->Open(QStringLiteral("/dev/sr0/Track05.cda"), nullptr);
        FAIL() << "Open did not throw";
    } catch (const CTrackException& e) {
        EXPECT_EQ(e.GetErrorMessage(),
                  QStringLiteral("The CD audio back-end is not available in this build (Track05.cda)"));
    }

    auto module = CreateTrack(QStringLiteral("/m/tune.xm"));
    EXPECT_THROW(module->QueryLength(QStringLiteral("/m/tune.xm"), nullptr), CTrackException);
    EXPECT_EQ(module->Owner(), nullptr);
}

TEST(TrackFactory, QueryLengthOfPauseLeavesTrackClosed)
{
    QObject owner;
    auto track = CreateTrack(QStringLiteral("7.pause"));
    EXPECT_EQ(track->QueryLength(QStringLiteral("7.pause"), &owner), 7000);
    EXPECT_EQ(track->Owner(), nullptr);
    EXPECT_FALSE(track->IsStopped());
    EXPECT_EQ(track->GetFileName(), QStringLiteral("7.pause"));
}
