#include "media/DirectShowTrack.h"
#include "media/PauseTrack.h"
#include "media/TrackExceptions.h"
#include "media/TrackFactory.h"

#include <QObject>
#include <gtest/gtest.h>

#include <vector>

namespace {

// Each group: the class with GStreamer, the class without, the paths.
struct Group {
    TrackClass withGStreamer;
    TrackClass without;
    std::vector<const char*> paths;
};

const Group kGroups[] = {
    {TrackClass::CdAudio, TrackClass::CdAudio, {"/dev/sr0/Track05.cda", "/srv/discs/x.cue/Track02.CDA"}},
    {TrackClass::Midi, TrackClass::Midi, {"song.MID", "song.rmi"}},
    {TrackClass::Pause, TrackClass::Pause, {"10.pause", "/a/b/.PAUSE", "/music/x.wav.pause"}},
    {TrackClass::Module, TrackClass::Module,
     {"x.mod", "x.S3M", "x.xm", "x.669", "x.stm", "x.nst", "x.it", "x.mdz", "x.ItZ"}},
    {TrackClass::MiniPlaylist, TrackClass::MiniPlaylist, {"list.mpl", "list.M3U"}},
    {TrackClass::LineIn, TrackClass::LineIn, {"30.live"}},
    {TrackClass::DirectShow, TrackClass::Mci,
     {"song.midi", "x.mo", "list.m3u8", "x.wav", "x.MMM", "/music/no_extension", "/music/folder.mod/no_extension",
      "/music/x.pause.wav", ""}},
};

} // namespace

TEST(TrackFactory, TableOrderAndFallback)
{
    for (const Group& g : kGroups) {
        for (const char* p : g.paths) {
            const QString path = QString::fromUtf8(p);
            EXPECT_EQ(TrackClassFor(path, true), g.withGStreamer) << p;
            EXPECT_EQ(TrackClassFor(path, false), g.without) << p;
        }
    }
    // GStreamer is available here, and the default asks for it.
    EXPECT_TRUE(IsDirectShowAvailable());
    EXPECT_TRUE(IsDirectShowAvailable());
    EXPECT_EQ(TrackClassFor(QStringLiteral("/music/a.ogg")), TrackClass::DirectShow);
    EXPECT_EQ(TrackClassFor(QStringLiteral("/music/a.mod")), TrackClass::Module);
}

TEST(TrackFactory, CreatesPauseTracksGStreamerTracksAndStandIns)
{
    for (const Group& g : kGroups) {
        for (const char* p : g.paths) {
            auto track = CreateTrack(QString::fromUtf8(p));
            if (g.withGStreamer == TrackClass::Pause) {
                EXPECT_NE(dynamic_cast<CPauseTrack*>(track.get()), nullptr) << p;
            } else if (g.withGStreamer == TrackClass::DirectShow) {
                EXPECT_NE(dynamic_cast<CDirectShowTrack*>(track.get()), nullptr) << p;
            } else {
                auto* standIn = dynamic_cast<CUnavailableTrack*>(track.get());
                ASSERT_NE(standIn, nullptr) << p;
                EXPECT_EQ(standIn->Class(), g.withGStreamer) << p;
            }
        }
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
