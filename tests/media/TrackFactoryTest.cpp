// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/TrackFactory.h"
#include "media/CdAudioTrack.h"
#include "media/DirectShowTrack.h"
#include "media/MciTrack.h"
#include "media/MiniPlaylistTrack.h"
#include "media/ModTrack.h"
#include "media/PauseTrack.h"
#include "media/TrackExceptions.h"
#include "support/F36bFailures.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// Each group: the class with GStreamer (without it a GStreamer file falls
// back to Mci), and its paths separated by |.
struct Group
{
    TrackClass cls;
    const char* paths;
};

const Group kGroups[] = {
    {TrackClass::CdAudio, "/dev/sr0/Track05.cda|/srv/discs/x.cue/Track02.CDA"},
    {TrackClass::Midi, "song.MID|song.rmi"},
    {TrackClass::Pause, "10.pause|/a/b/.PAUSE|/music/x.wav.pause"},
    {TrackClass::Module, "x.mod|x.S3M|x.xm|x.669|x.stm|x.nst|x.it|x.mdz|x.ItZ"},
    {TrackClass::MiniPlaylist, "list.mpl|list.M3U"},
    {TrackClass::LineIn, "30.live"},
    {TrackClass::DirectShow, "song.midi|x.mo|list.m3u8|x.wav|x.MMM|/music/no_extension|"
                             "/music/folder.mod/no_extension|/music/x.pause.wav|"},
};

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
                const bool paused = g.cls == TrackClass::Pause || g.cls == TrackClass::LineIn;
                EXPECT_TRUE(paused                         ? !!dynamic_cast<CPauseTrack*>(track.get())
                            : g.cls == TrackClass::Module  ? !!dynamic_cast<CModTrack*>(track.get())
                            : g.cls == TrackClass::Midi    ? !!dynamic_cast<CMidiTrack*>(track.get())
                            : g.cls == TrackClass::CdAudio ? !!dynamic_cast<CCDAudioTrack*>(track.get())
                            : g.cls == TrackClass::MiniPlaylist
                                ? !!dynamic_cast<CMiniPlaylistTrack*>(track.get())
                                : !!dynamic_cast<CDirectShowTrack*>(track.get()))
                    << qPrintable(path);
                // The kinds that open off their owner's thread. Not modules
                // (opened ahead, the player would let its autostart out while
                // another item is on air) nor MIDI (its bank loading).
                const bool reads = g.cls != TrackClass::Pause && g.cls != TrackClass::Midi &&
                                   g.cls != TrackClass::Module;
                EXPECT_EQ(track->MayBlock(), reads) << qPrintable(path);
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
