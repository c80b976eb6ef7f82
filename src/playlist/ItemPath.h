// SPDX-License-Identifier: GPL-3.0-or-later
// Item paths: one playlist row is one string, normally an absolute path or a
// pseudo file whose extension gives its meaning (10.pause, 30.live,
// /dev/sr0/Track05.cda, x.play, x.stop, x.alb, command files, .mpl/.m3u).
// Everything here is derived from the string alone, except the MCI extension
// table, which is read from the machine hive. Extension tests ignore case.
// Thread: the user-interface thread (the registry and the CD title seam).
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

// The parts of a path by the _splitpath rules with '/' as the separator.
// drive is always empty on Linux (no drive letters). dir keeps its trailing
// '/'; ext is the last component from its last dot on, dot included (empty
// when that component has no dot). Each part is cut to 255 characters.
struct SplitPathParts
{
    QString drive;
    QString dir;
    QString fname;
    QString ext;
};
SplitPathParts SplitPath(const QString& path);

// The absolute, cleaned form of path ("." and ".." folded, repeated '/'
// merged, a trailing '/' kept); relative paths are taken against the current
// folder. Symbolic links are not resolved. Throws CWin32Exception(errno)
// when the current folder cannot be read, CWin32Exception(ENOENT) for "".
QString GetFullPath(const QString& path);

// Item kinds; the number is also the column of the item's icon.
enum class ItemKind : int {
    CdAudio = 0,
    Midi = 1,
    Wave = 2,
    SunAudio = 3,
    Aiff = 4,
    MpegAudio = 5,
    Avi = 6,
    QuickTime = 7,
    Flic = 8,
    MpegVideo = 9,
    Module = 10,
    IconOnly11 = 11, // an icon without an extension
    RealMedia = 12,
    PauseItem = 13,
    MiniPlaylist = 14,
    Album = 15,
    Live = 16,
    MciDevice = 17,
    Unknown = 18,
    IconOnly19 = 19, // an icon without an extension
    PlayControl = 20,
    StopControl = 21,
    Command = 22,
};
inline constexpr int kItemKindCount = 23;

// First match by extension; registered MCI extensions (MciDevice) and then
// Unknown are tried after PlayControl, StopControl and Command.
ItemKind GetItemKind(const QString& path);

// True for the extensions of command items (ext with its dot, any case):
// .cmd .bat .lnk .pl .vbs .js .exe .com and, on Linux, .sh .py .desktop.
// Decided from the string alone, not from the file's mode.
bool IsCommandExtension(const QString& ext);

// The MCI device registered in the machine hive (key
// Software\Oxbelund\Lirana\MCI Extensions) for ext given without its dot;
// "" when none or when ext is empty. Names compare case-insensitively.
QString GetMciDeviceForExtension(const QString& ext);
// False without an extension, else whether its extension is registered.
bool IsMciExtension(const QString& path);

// Whether the playlist accepts the item when only media files are wanted:
// no for no extension, .m3u, .alb; yes for .cda .pause .stop .play, module
// extensions, .mpl, .live; otherwise exactly when registered for MCI.
bool IsMediaFile(const QString& path);
// True exactly for the extension .mpl.
bool IsMiniPlaylist(const QString& path);

// Title of track trackIndex (0-based) of the disc of the CD item `item`
// (its root: a drive or an image), or nothing when the CD database has no
// entry for that disc and the disc no title for the track (an empty title
// counts as none).
using CdTitleLookup = std::function<std::optional<QString>(const QString& item, int trackIndex)>;
// Replaces the lookup used by GetItemDisplayName; an empty one (the start
// state) answers "no entry".
void SetCdTitleLookup(CdTitleLookup lookup);

// The short name shown in lists, captions, event lines and sound buttons:
// "N sec." for pause and live items, the CD title or "Track NN" for CD items
// (file name when its last two characters do not read as a number other
// than 0), else the file name without folder and extension. Bytes of the
// name that are not UTF-8 (platform/FileNames.h) show as U+FFFD.
QString GetItemDisplayName(const QString& path);

// The per-file overlap in milliseconds from the text after the last '~' of
// the file name (seconds, fractions allowed, read like C's "%f" in decimal
// notation, truncated towards zero and exact for decimal text; saturated at
// the 32-bit range), or -1 when the file name carries none.
std::int32_t GetOverlapOverride(const QString& path);

// "h:mm:ss" from one hour on, else "mm:ss.t" (tenths). A negative value is
// shown as its magnitude with a leading '-'.
QString FormatDuration(std::int64_t ms);

// The length in seconds that an N.pause or N.live item names: its file name
// read like C's "%ld" (leading blanks, sign, digits, the rest ignored;
// saturated at the long range). Nothing when the file name is not a number.
std::optional<long> GetPauseSeconds(const QString& path);

// The number a CD item's last two file-name characters read as with C's
// "%ld" (Track05.cda: 5, Track12.cda: 12, Track7.cda: none, "k7" is no
// number); none for a file name shorter than two characters.
std::optional<long> GetCdTrackNumber(const QString& path);
