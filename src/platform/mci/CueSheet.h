// SPDX-License-Identifier: GPL-3.0-or-later
// Cue sheets of CD images, read by the program itself: FILE (BINARY and
// MOTOROLA raw sectors; WAVE, AIFF, FLAC, MP3 decoded through libsndfile),
// TRACK, INDEX 00/01, PREGAP, POSTGAP, TITLE and PERFORMER (the CD-TEXT a
// sheet carries) and the lines that change nothing (REM, CATALOG, ISRC,
// FLAGS, SONGWRITER and the other CD-TEXT fields; CDTEXTFILE's titles fill
// what the sheet does not name). Several FILE lines make
// one disc, their data one after the other; an INDEX 00 may lie in the file
// before its INDEX 01 (rips with the gaps appended to the previous track).
//
// Every problem is reported with the text the operator sees: the sheet and
// its line ("album.cue line 7: ...") or the file a line names.
// Thread: any; nothing is shared.
#pragma once

#include "platform/mci/CdDisc.h"
#include "platform/mci/PcmSource.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace mci {

// A sheet is a text of at most this size.
inline constexpr qint64 kMaxCueSheetBytes = qint64(1) << 20;

// Why a sheet or a file it names cannot be played: an MCIERR_ number and
// the operator's text, naming the sheet and the line or the file.
struct CueProblem
{
    MCIERROR error = 0;
    QString text;
};

// A place in one of the sheet's files, in CD sectors (1/75 s) from its start.
struct CuePoint
{
    std::size_t file = 0;
    std::int64_t sector = 0;
    int line = 0;
};

struct CueFile
{
    QString name; // as the sheet writes it
    bool raw = true;
    bool bigEndian = false; // MOTOROLA: raw samples with the high byte first
    int line = 0;
};

struct CueTrack
{
    int number = 0;
    int line = 0;
    bool audio = true;      // a data track plays as silence
    int sectorBytes = 2352; // the size of one of its sectors in a raw file
    std::optional<CuePoint> index0;
    CuePoint index1;
    std::int64_t pregap = 0;  // sectors of silence before its first index
    std::int64_t postgap = 0; // sectors of silence after its data
    CdText text;
};

struct CueSheet
{
    CdText text;
    std::vector<CueFile> files;
    std::vector<CueTrack> tracks;
    QString cdTextFile; // CDTEXTFILE: the disc's CD-TEXT packs as a ripper saved them
    int cdTextLine = 0;
};

// Titles and performers from CD-TEXT packs (18 bytes each: type, track,
// sequence, block and character position, 12 bytes of text, CRC), as a
// CDTEXTFILE holds them (a 4-byte size header first, as drives report
// them, is skipped). The first block only (the first language), read as
// Latin-1; a tab repeats the text before. Empty fields where the packs
// have none; false when the bytes are no CD-TEXT.
bool ReadCdTextPacks(const QByteArray& bytes, CdText* disc, std::vector<CdText>* tracks);

// Reads the text of a sheet (UTF-8 with or without its mark, UTF-16 with
// its mark, else Latin-1); cueName names it in messages. Nothing, with
// *problem set, when a line is broken or the sheet holds no track.
std::optional<CueSheet> ParseCueSheet(const QByteArray& text, const QString& cueName, CueProblem* problem);

// True for a root that is a cue sheet (the extension .cue, any case).
bool IsCueSheetPath(const QString& path);

// The disc of the sheet at cuePath: its table of contents (with the sheet's
// titles) and, when source is given, its samples from the files the sheet
// names, opened now. The sheet is refused when it is no regular file or over
// kMaxCueSheetBytes, a named file when it is missing, no regular file, not
// 44.1 kHz or not decodable; pipes are never opened. False with *problem
// set when the disc cannot be played.
bool OpenCueDisc(const QString& cuePath, CdToc* toc, std::unique_ptr<PcmSource>* source, CueProblem* problem);

} // namespace mci
