// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/TrackFactory.h"
#include "media/CdAudioTrack.h"
#include "media/DirectShowTrack.h"
#include "media/LineInTrack.h"
#include "media/MciTrack.h"
#include "media/MiniPlaylistTrack.h"
#include "media/ModTrack.h"
#include "media/PauseTrack.h"
#include "media/TrackExceptions.h"
#include "support/UnitTest.h"

#include <typeinfo>

namespace {

// Each group: the class with GStreamer (without it a GStreamer file falls
// back to Mci), the track made, whether it opens off its owner's thread (not
// a module: opened ahead, the player would let its autostart out while
// another item is on air; nor MIDI: its bank loading), and its paths
// separated by |.
struct Group
{
    TrackClass cls;
    const std::type_info& made;
    bool mayBlock;
    const char* paths;
};

const Group kGroups[] = {
    {TrackClass::CdAudio, typeid(CCDAudioTrack), true, "/dev/sr0/Track05.cda|/srv/discs/x.cue/Track02.CDA"},
    {TrackClass::Midi, typeid(CMidiTrack), false, "song.MID|song.rmi"},
    {TrackClass::Pause, typeid(CPauseTrack), false, "10.pause|/a/b/.PAUSE|/music/x.wav.pause"},
    {TrackClass::Module, typeid(CModTrack), false, "x.mod|x.S3M|x.xm|x.669|x.stm|x.nst|x.it|x.mdz|x.ItZ"},
    {TrackClass::MiniPlaylist, typeid(CMiniPlaylistTrack), true, "list.mpl|list.M3U"},
    {TrackClass::LineIn, typeid(CLineInTrack), true, "30.live"},
    {TrackClass::DirectShow, typeid(CDirectShowTrack), true,
     "song.midi|x.mo|list.m3u8|x.wav|x.MMM|/music/no_extension|/music/folder.mod/no_extension|"
     "/music/x.pause.wav|"}};

} // namespace

TEST(TrackFactory, TableOrderFallbackAndTheTrackMadeOrAStandInNamingWhatItLacks)
{
    ASSERT_TRUE(IsDirectShowAvailable());
    for (const Group& g : kGroups) {
        for (const QString& path : QString::fromUtf8(g.paths).split(u'|')) {
            EXPECT_EQ(TrackClassFor(path, true), g.cls) << qPrintable(path);
            EXPECT_EQ(TrackClassFor(path, false), g.cls == TrackClass::DirectShow ? TrackClass::Mci : g.cls)
                << qPrintable(path);
            EXPECT_EQ(TrackClassFor(path), g.cls) << qPrintable(path) << ": GStreamer is available here";
            const auto track = CreateTrack(path);
            if (const auto* standIn = dynamic_cast<CUnavailableTrack*>(track.get())) {
                EXPECT_EQ(standIn->Class(), g.cls) << qPrintable(path);
                EXPECT_THROW(track->QueryLength(path, nullptr), CTrackException) << qPrintable(path);
                EXPECT_EQ(track->Owner(), nullptr);
            } else {
                const CMediaTrack& made = *track;
                EXPECT_EQ(std::string(typeid(made).name()), g.made.name()) << qPrintable(path);
                EXPECT_EQ(track->MayBlock(), g.mayBlock) << qPrintable(path);
            }
        }
    }
    // A stand-in names the back-end it lacks.
    const auto e = ThrownBy<CTrackException>(
        [] { CUnavailableTrack(TrackClass::CdAudio).Open(QStringLiteral("/dev/sr0/Track05.cda"), nullptr); });
    ASSERT_TRUE(e) << "Open did not throw";
    EXPECT_EQ(e->GetErrorMessage(),
              QStringLiteral("The CD audio back-end is not available in this build (Track05.cda)"));
}
