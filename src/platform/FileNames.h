// SPDX-License-Identifier: GPL-3.0-or-later
// File names are bytes on Linux; a QString holds them without loss. Valid
// UTF-8 reads as its characters; each byte that is not part of valid UTF-8
// (Latin-1 "caf\xe9", a lone continuation byte, an overlong or surrogate
// sequence) reads as the lone surrogate U+DC80 + (byte - 0x80), and turns
// back into that byte. Such a surrogate never comes from valid UTF-8, so a
// name read and written again keeps its bytes.
//
// Used where bytes become names (the command line, list files, folder
// listings) and where names reach the system (stat, open, GStreamer's
// locations and URIs). Qt's own conversions (QFile::encodeName, toUtf8,
// QFileInfo) replace such bytes and miss the file, so those names go to the
// system as FileNameBytes(). On screen and in the play log a name shows
// through DisplayFileName(): U+FFFD for each escaped byte, valid UTF-8.
// Thread: any; no state.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

class QUrl;

// The name of these bytes (see above).
QString FileNameFromBytes(QByteArrayView bytes);

// The bytes of a name read by FileNameFromBytes; other text as UTF-8 (a lone
// surrogate not in the escape range as U+FFFD).
QByteArray FileNameBytes(QStringView name);

// The name of a local file's URL (a drop, a pasted URI list): its
// percent-escaped bytes as FileNameFromBytes reads them, where toLocalFile
// would replace those that are not UTF-8. Other URLs as toLocalFile.
QString FileNameFromUrl(const QUrl& url);

// Whether a file of this name is there (links followed), asked by its bytes;
// with regularOnly, only a regular file counts.
bool FileNameExists(const QString& name, bool regularOnly = false);

// name with each escaped byte shown as U+FFFD: what screens and logs show.
QString DisplayFileName(const QString& name);
