// SPDX-License-Identifier: GPL-3.0-or-later
// The fallback: an album that plays, in Repeat, whenever the air would
// otherwise fall silent (the end of an album that does not go round, a stop
// by the error rule, Play with nothing to play). It replaces the open album
// as an album row does; events and the operator's commands act on it as on
// any album. The play log has a line when it starts ("fallback<TAB>album:
// reason") and when it ends ("fallback end<TAB>album": another album was
// opened, or playback was stopped).
// Thread: the station's.
#include "station/Station.h"

#include "app/Commands.h"
#include "app/Strings.h"
#include "playlist/AlbumDoc.h"
#include "playlist/Playlist.h"

#include <QFileInfo>

QString CStation::FallbackAlbum() const
{
    const QString album = m_fallbackAlbum.isEmpty() ? m_engine->Settings().fallbackAlbum : m_fallbackAlbum;
    return album.isEmpty() ? QString() : QFileInfo(album).absoluteFilePath();
}

void CStation::FallBack(const QString& reason)
{
    const QString album = FallbackAlbum();
    if (album.isEmpty() || m_shutDown)
        return;
    if (m_inFallback) {
        // The fallback itself came to nothing (its items all fail): going
        // round again would only repeat the failures.
        m_log->WriteLogText(Str::Load(Str::LogError)
                                .arg(QStringLiteral("The fallback album %1 has nothing to play").arg(album)));
        EndFallback();
        return;
    }
    // No box in the middle of the air: a fallback that cannot be opened, or
    // an album whose changes would be lost, is a log line.
    QString refused;
    if (!QFileInfo(album).isFile())
        refused = QStringLiteral("The fallback album %1 is not found").arg(album);
    else if (m_document->IsModified())
        refused = QStringLiteral("The album has unsaved changes: the fallback album %1 does not replace it")
                      .arg(album);
    if (refused.isEmpty() && !m_document->OpenDocumentFile(album))
        refused = QStringLiteral("The fallback album %1 cannot be opened").arg(album);
    if (!refused.isEmpty()) {
        m_log->WriteLogText(Str::Load(Str::LogError).arg(refused));
        return;
    }
    m_log->WriteLogText(QStringLiteral("fallback\t%1: %2").arg(album, reason));
    m_inFallback = true;
    m_fallbackPlaying = m_document->PathName();
    m_modeBeforeFallback = m_engine->Mode();
    m_engine->SetMode(PlayerMode::Repeat);
    m_playlist->Select(0);
    m_engine->PostCommand(Cmd::Play);
}

void CStation::WatchFallback()
{
    if (!m_inFallback || m_shutDown)
        return;
    if (m_document->PathName() != m_fallbackPlaying || m_engine->IsIdle())
        EndFallback();
}

void CStation::EndFallback()
{
    if (!std::exchange(m_inFallback, false))
        return;
    m_log->WriteLogText(QStringLiteral("fallback end\t%1").arg(m_fallbackPlaying));
    if (m_engine->Mode() == PlayerMode::Repeat)
        m_engine->SetMode(m_modeBeforeFallback);
    m_fallbackPlaying.clear();
}
