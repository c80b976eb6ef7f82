// SPDX-License-Identifier: GPL-3.0-or-later
// Audio CDs for the media-control layer, over libcdio: the drive the
// program uses, a disc's table of contents, its CDDB disc id and the drive
// door. A CD "root" is a drive's device path (/dev/sr0) or a CD image file
// (BIN/CUE, TOC, NRG), so CD items read /dev/sr0/Track05.cda or
// /srv/discs/album.cue/Track02.cda.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace mci {

// 75 sectors a second, 588 stereo frames of 44.1 kHz in each.
inline constexpr int kCdSectorsPerSecond = 75;
inline constexpr int kCdFramesPerSector = 588;

// Text a disc carries about itself: CD-TEXT, or a cue sheet's TITLE and
// PERFORMER lines. Empty when it has none.
struct CdText
{
    QString title;
    QString performer;
};

struct CdToc
{
    int firstTrack = 1;
    // The first sector (from the start of the program area) of each track,
    // then the lead-out's.
    std::vector<std::int32_t> starts;
    CdText disc;
    // One per track where the disc has any text, else none.
    std::vector<CdText> tracks;

    int Tracks() const { return starts.empty() ? 0 : int(starts.size()) - 1; }
};

// The CD drive of the program: the environment's LIRANA_CD_DEVICE when set
// (a device path or an image file; set but empty: no drive), else the first
// CD drive libcdio finds. Empty when there is none.
QString DefaultCdDrive();

// The table of contents of the disc at root, with the text the disc carries
// (CD-TEXT, a cue sheet's TITLE and PERFORMER); empty when there is no disc
// or the root cannot be read. A cue sheet is read by the program's own
// reader (CueSheet.h), other images and drives through libcdio.
std::optional<CdToc> ReadCdToc(const QString& root);

// The CDDB (freedb) disc id of a table of contents: the digit sums of the
// track starts in seconds (two seconds of lead-in included), the playing
// time in seconds and the number of tracks.
std::uint32_t CddbDiscId(const CdToc& toc);

// The operator's text of the last failed open of a cue-sheet image on this
// thread (OpenCdSource, through MCI_OPEN): the sheet and its line, or the
// file a line names. Empty after an open that succeeded or failed otherwise.
QString LastCdOpenProblem();

// Opens or closes the door of a drive; false when it cannot (an image, no
// tray motor, no permission).
bool SetCdDoor(const QString& root, bool open);

} // namespace mci
