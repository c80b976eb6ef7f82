// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/CdAudioTrack.h"

#include "media/CdDatabase.h"
#include "media/TrackExceptions.h"
#include "platform/mci/CdDisc.h"
#include "playlist/ItemPath.h"

#include <QDir>

#include <algorithm>

using namespace mci;

CCDAudioTrack::~CCDAudioTrack()
{
    try {
        CCDAudioTrack::Close();
    } catch (const CException&) {
        // an error while closing never leaves a destructor
    }
}

int CCDAudioTrack::TrackNumberOf(const QString& path)
{
    const long number = GetCdTrackNumber(path).value_or(1);
    return int(std::clamp<long>(number, INT32_MIN, INT32_MAX));
}

QString CCDAudioTrack::RootOf(const QString& path)
{
    const SplitPathParts parts = SplitPath(path);
    QString root = parts.drive + parts.dir;
    while (root.size() > 1 && root.endsWith(u'/'))
        root.chop(1);
    return root;
}

void CCDAudioTrack::Open(const QString& path, QObject* owner)
{
    BeginOpen(path, owner);
    FinishOpen();
}

void CCDAudioTrack::BeginOpen(const QString& path, QObject* owner)
{
    if (m_device.deviceId != 0)
        Close();
    CMediaTrack::Open(path, owner);
    m_trackNumber = TrackNumberOf(path);
    m_trackStart = 0;
    m_length = 0;
    m_paused = false;
}

void CCDAudioTrack::FinishOpen()
{
    try {
        OpenDisc();
    } catch (...) {
        try {
            Close();
        } catch (const CException&) {
            // the open's error is the one to report
        }
        throw;
    }
}

void CCDAudioTrack::OpenDisc()
{
    const QString& path = m_path;
    // Opened by type without an alias, shared with other users of the disc.
    MCI_OPEN_PARMS open;
    open.wDeviceTypeId = MCI_DEVTYPE_CD_AUDIO;
    open.lpstrElementName = RootOf(path);
    try {
        m_device.SendCommand(
            MCI_OPEN, MCI_WAIT | MCI_OPEN_SHAREABLE | MCI_OPEN_ELEMENT | MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID,
            &open);
    } catch (const CMCIException& e) {
        // An image says which line or file failed; the error number alone
        // would blame the drive.
        const QString problem = LastCdOpenProblem();
        throw CMCIException(
            e.Error(), e.Command(),
            QStringLiteral("%1 (%2)").arg(problem.isEmpty() ? e.GetErrorMessage() : problem, path));
    }
    m_device.deviceId = open.wDeviceID;

    MCI_SET_PARMS set;
    set.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
    m_device.SendCommand(MCI_SET, MCI_SET_TIME_FORMAT, &set);
    ListenToDevice();

    MCI_STATUS_PARMS status;
    status.dwTrack = std::uint32_t(m_trackNumber);
    status.dwItem = MCI_STATUS_LENGTH;
    try {
        m_device.SendCommand(MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, &status);
        m_length = TrackMs(status.dwReturn);
        status.dwItem = MCI_STATUS_POSITION;
        m_device.SendCommand(MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, &status);
        m_trackStart = TrackMs(status.dwReturn);
    } catch (const CMCIException& e) {
        throw CMCIException(e.Error(), e.Command(), QStringLiteral("%1 (%2)").arg(e.GetErrorMessage(), path));
    }

    if (CMCITrack::IsPlaying())
        Stop();
    FindBaseLevel();
    RememberCdDrive(open.lpstrElementName);
}

void CCDAudioTrack::Close()
{
    // A paused track is stopped as it stands: resuming it first would put
    // a moment of it on the air.
    if (m_device.deviceId != 0 && (IsPaused() || IsPlaying()))
        Stop();
    if (HasVolumeControl() && m_volumeChanged)
        SetVolume(1.0f);
    m_volumeChanged = false;
    CMCITrack::Close();
}

void CCDAudioTrack::Play()
{
    if (StartPlannedPlay())
        return;
    PlayRange(GetPosition(), GetLength());
}

void CCDAudioTrack::PlayRange(TrackMs fromMs, TrackMs toMs)
{
    m_planned = false;
    MCI_PLAY_PARMS play;
    play.dwFrom = std::uint32_t(m_trackStart + std::clamp(fromMs, 0, m_length));
    play.dwTo = std::uint32_t(m_trackStart + std::clamp(toMs, 0, m_length));
    m_device.SendCommand(MCI_PLAY, MCI_NOTIFY | MCI_FROM | MCI_TO, &play);
    m_paused = false;
}

void CCDAudioTrack::Stop()
{
    CMCITrack::Stop();
    m_paused = false;
}

void CCDAudioTrack::Pause()
{
    m_planned = false;
    m_device.SendCommand(MCI_PAUSE, 0);
    m_paused = true;
}

void CCDAudioTrack::Resume()
{
    Play();
}

TrackMs CCDAudioTrack::GetPosition() const
{
    const auto disc = TrackMs(Status(MCI_STATUS_POSITION));
    return disc < m_trackStart ? 0 : disc - m_trackStart;
}

void CCDAudioTrack::Seek(TrackMs ms)
{
    if (!IsPlaying()) {
        MCI_SEEK_PARMS seek;
        seek.dwTo = std::uint32_t(m_trackStart + (ms < 1 ? 0 : std::min(ms, m_length)));
        m_device.SendCommand(MCI_SEEK, MCI_TO, &seek);
        return;
    }
    MCI_PLAY_PARMS play;
    play.dwFrom = std::uint32_t(m_trackStart + std::clamp(ms, 0, m_length));
    play.dwTo = std::uint32_t(m_trackStart + m_length);
    m_device.SendCommand(MCI_PLAY, MCI_NOTIFY | MCI_FROM | MCI_TO, &play);
}
