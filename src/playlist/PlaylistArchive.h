// SPDX-License-Identifier: GPL-3.0-or-later
// The binary form of the master playlist, the album's own serialization
// (undo snapshots keep shared rows in memory instead). Little-endian:
//   count      4 bytes unsigned, number of rows
//   selection  4 bytes signed, selected row, -1 (FF FF FF FF) for none
//   rows       count length-prefixed strings (UTF-8 bytes)
// A length-prefixed string is its byte length as one byte when below 255;
// FF and 2 bytes up to 65,533; FF, FF FF and 4 bytes up to 0xFFFFFFFE;
// FF, FF FF, FF FF FF FF and 8 bytes beyond; then the bytes, no terminator.
#pragma once

#include <QByteArray>

class CPlaylist;

// Appends the length prefix and bytes of text to *out.
void WriteArchiveString(QByteArray* out, const QByteArray& text);
// Reads one string at *pos, advancing *pos. False (and *pos unchanged) when
// the data ends early or the prefix is not one of the forms above.
bool ReadArchiveString(const QByteArray& data, qsizetype* pos, QByteArray* text);

// count, selection, rows.
QByteArray StorePlaylist(const CPlaylist& playlist);
// Replaces the rows and the selection by those stored in data; an empty
// data block gives an empty list without selection. Malformed data leaves
// the playlist unchanged and returns false.
bool LoadPlaylist(CPlaylist& playlist, const QByteArray& data);
