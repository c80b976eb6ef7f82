// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/MciTrack.h"

#include "media/AirBus.h"
#include "media/DeviceAir.h"
#include "media/SoundBank.h"
#include "media/TrackEnvironment.h"
#include "media/TrackExceptions.h"
#include "playlist/ItemPath.h"

#include <atomic>
#include <memory>

using namespace mci;

namespace {
std::atomic<int> aliasCounter{0};
}

CMCIDevice::~CMCIDevice()
{
    if (deviceId != 0) {
        mciSendCommand(deviceId, MCI_CLOSE, 0, nullptr);
        deviceId = 0;
    }
}

void CMCIDevice::SendCommand(std::uint32_t message, std::uint32_t flags, MCI_GENERIC_PARMS* params)
{
    MCI_GENERIC_PARMS word;
    if (!params)
        params = &word;
    params->dwCallback = callbackWindow;
    lastError = mciSendCommand(deviceId, message, flags, params);
    if (lastError != 0)
        throw CMCIException(lastError, message, mciGetErrorString(lastError));
}

void CMCIDevice::OpenDevice(std::uint32_t flags, MCI_OPEN_PARMS* params)
{
    params->lpstrAlias = QStringLiteral("alias%1").arg(aliasCounter++);
    SendCommand(MCI_OPEN, flags | MCI_OPEN_ALIAS, params);
    deviceId = params->wDeviceID;
}

int CMCIDevice::NextAlias()
{
    return aliasCounter.load();
}

CMCITrack::~CMCITrack()
{
    try {
        CMCITrack::Close();
    } catch (const CException&) {
        // an error while closing never leaves a destructor
    }
}

void CMCITrack::Open(const QString& path, QObject* owner)
{
    CMediaTrack::Open(path, owner);
    MCI_OPEN_PARMS open;
    open.lpstrElementName = path;
    try {
        m_device.OpenDevice(MCI_OPEN_ELEMENT, &open);
    } catch (const CMCIException& e) {
        // Name the item, as every open error of the engine does.
        throw CMCIException(
            e.Error(), e.Command(),
            QStringLiteral("%1 (%2)").arg(e.GetErrorMessage(), SplitPath(path).fname + SplitPath(path).ext));
    }
    MCI_SET_PARMS set;
    set.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
    m_device.SendCommand(MCI_SET, MCI_SET_TIME_FORMAT, &set);
    ListenToDevice();

    try {
        MCI_WINDOW_PARMS window;
        window.lpstrText = SplitPath(path).fname;
        window.nCmdShow = CTrackEnvironment::VideoMode() >= 2 ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
        m_device.SendCommand(MCI_WINDOW, MCI_DGV_WINDOW_STATE | MCI_DGV_WINDOW_TEXT, &window);
    } catch (const CMCIException&) {
        // audio devices have no window
    }

    FindBaseLevel();
    m_length = -1;
}

// The notifications reach the owner through the track's notifier, which may
// outlive the track (a play ending while it is deleted).
void CMCITrack::ListenToDevice()
{
    DeviceAir::Install();
    m_device.callbackWindow = [notifier = Notifier()](int code, MCIDEVICEID) { notifier->PostEnd(code); };
    DeviceAir::OnStall(m_device.deviceId, [notifier = Notifier(), path = m_path] {
        notifier->PostError(
            std::make_unique<CMCIException>(MCIERR_DEVICE_NOT_READY, MCI_PLAY, NoSoundText(path)));
    });
}

std::shared_ptr<CAirInput> CMCITrack::AirInput() const
{
    return m_device.deviceId != 0 ? DeviceAir::InputOf(m_device.deviceId) : nullptr;
}

bool CMCITrack::PlayAfter(const CMediaTrack& before, TrackMs positionOfBefore)
{
    if (m_device.deviceId == 0)
        return false;
    if (m_planned) { // planned again each time: the bus drops a plan whose leader paused
        const std::shared_ptr<CAirInput> input = AirInput();
        return input && (input->Started() || PlanStart(*input, before, positionOfBefore));
    }
    std::optional<StartPlan> plan = PlanAfter(before, positionOfBefore);
    if (!plan || AirInput())
        return false;
    DeviceAir::PlanNextPlay(m_device.deviceId, std::move(plan));
    try {
        Play();
    } catch (const CException&) {
        DeviceAir::PlanNextPlay(m_device.deviceId, std::nullopt);
        throw;
    }
    m_planned = true;
    return true;
}

void CMCITrack::CancelPlannedStart()
{
    const std::shared_ptr<CAirInput> input = AirInput();
    if (!m_planned || (input && input->Started()))
        return;
    m_planned = false;
    m_device.SendCommand(MCI_STOP, 0); // nothing was heard: Play starts from where it was
}

bool CMCITrack::StartPlannedPlay()
{
    if (!std::exchange(m_planned, false))
        return false;
    if (const std::shared_ptr<CAirInput> input = AirInput(); input && !input->Started())
        input->StartAt();
    return true;
}

void CMCITrack::FindBaseLevel()
{
    try {
        std::uint32_t volume = 0;
        waveOutGetVolume(WaveOutput(), &volume);
        if ((volume & 0xFFFF) != 0) {
            m_baseLevel = std::uint16_t(volume & 0xFFFF);
            m_volumeAvailable = true;
            m_volumeChanged = false;
        }
    } catch (const CMCIException&) {
        m_volumeAvailable = false;
    }
}

void CMCITrack::Close()
{
    if (m_device.deviceId != 0) {
        if (IsPlaying())
            Stop();
        if (HasVolumeControl() && m_volumeChanged)
            SetVolume(1.0f);
        DeviceAir::OnStall(m_device.deviceId, {});
        m_device.SendCommand(MCI_CLOSE, MCI_WAIT);
        m_device.deviceId = 0;
    }
    CMediaTrack::Close();
}

void CMCITrack::Play()
{
    if (StartPlannedPlay())
        return;
    MCI_PLAY_PARMS play;
    m_device.SendCommand(MCI_PLAY, MCI_NOTIFY, &play);
}

void CMCITrack::PlayRange(TrackMs fromMs, TrackMs toMs)
{
    m_planned = false;
    MCI_PLAY_PARMS play;
    play.dwFrom = std::uint32_t(fromMs);
    play.dwTo = std::uint32_t(toMs);
    m_device.SendCommand(MCI_PLAY, MCI_NOTIFY | MCI_FROM | MCI_TO, &play);
}

void CMCITrack::Stop()
{
    m_planned = false;
    if (IsPlaying() || IsPaused())
        m_device.SendCommand(MCI_STOP, 0);
}

void CMCITrack::Pause()
{
    m_planned = false;
    m_device.SendCommand(MCI_PAUSE, 0);
}

void CMCITrack::Resume()
{
    m_device.SendCommand(MCI_RESUME, 0);
}

std::uint32_t CMCITrack::Status(std::uint32_t item) const
{
    MCI_STATUS_PARMS status;
    status.dwItem = item;
    m_device.SendCommand(MCI_STATUS, MCI_STATUS_ITEM, &status);
    return status.dwReturn;
}

// A device reports MCI_MODE_STOP when it is open and not playing; only a
// device in MCI_MODE_OPEN counts as stopped here.
bool CMCITrack::IsStopped() const
{
    return m_device.deviceId != 0 && Status(MCI_STATUS_MODE) == MCI_MODE_OPEN;
}

bool CMCITrack::IsPaused() const
{
    return m_device.deviceId != 0 && Status(MCI_STATUS_MODE) == MCI_MODE_PAUSE;
}

bool CMCITrack::IsPlaying() const
{
    return m_device.deviceId != 0 && Status(MCI_STATUS_MODE) == MCI_MODE_PLAY;
}

TrackMs CMCITrack::GetPosition() const
{
    return TrackMs(Status(MCI_STATUS_POSITION));
}

TrackMs CMCITrack::GetLength() const
{
    if (m_length == -1)
        const_cast<CMCITrack*>(this)->m_length = TrackMs(Status(MCI_STATUS_LENGTH));
    return m_length;
}

void CMCITrack::Seek(TrackMs ms)
{
    m_planned = false;
    if (!IsPlaying()) {
        MCI_SEEK_PARMS seek;
        if (ms < 1) {
            m_device.SendCommand(MCI_SEEK, MCI_SEEK_TO_START, &seek);
        } else if (ms < GetLength()) {
            seek.dwTo = std::uint32_t(ms);
            m_device.SendCommand(MCI_SEEK, MCI_TO, &seek);
        } else {
            m_device.SendCommand(MCI_SEEK, MCI_SEEK_TO_END, &seek);
        }
        return;
    }
    if (ms < 0)
        ms = 0;
    if (ms > GetLength())
        ms = GetLength() - 1;
    MCI_PLAY_PARMS play;
    play.dwFrom = std::uint32_t(ms);
    m_device.SendCommand(MCI_PLAY, MCI_NOTIFY | MCI_FROM, &play);
}

void CMCITrack::SetVolume(float level)
{
    try {
        const std::uint32_t output = WaveOutput();
        const auto v = std::uint16_t(std::uint32_t(float(m_baseLevel) * level + 0.5f));
        waveOutSetVolume(output, std::uint32_t(v) | std::uint32_t(v) << 16);
        m_volumeChanged = true;
    } catch (const CMCIException&) {
        // a device without wave output keeps its level
    }
}

float CMCITrack::GetVolume() const
{
    try {
        std::uint32_t volume = 0;
        waveOutGetVolume(WaveOutput(), &volume);
        return std::min(1.0f, float(volume & 0xFFFF) / float(m_baseLevel));
    } catch (const CMCIException&) {
        return 0.0f;
    }
}

long CMCITrack::ConfigureDriver()
{
    const long answer = SendDriverMessage(m_device.deviceId, DRV_QUERYCONFIGURE, 0, 0);
    if (answer != 0)
        return SendDriverMessage(m_device.deviceId, DRV_CONFIGURE, 0, 0);
    return answer;
}

CMidiTrack::~CMidiTrack()
{
    try {
        CMidiTrack::Close();
    } catch (const CException&) {
        // an error while closing never leaves a destructor
    }
}

void CMidiTrack::Open(const QString& path, QObject* owner)
{
    m_soundBankLoaded = LoadSoundBankFor(path);
    CMCITrack::Open(path, owner);
}

bool CMidiTrack::MayOpenEarly(const QString& path) const
{
    return !LoadsSoundBank(path);
}

void CMidiTrack::Close()
{
    CMCITrack::Close();
    if (m_soundBankLoaded) {
        m_soundBankLoaded = false;
        ClearSoundBank();
    }
}

void CMidiTrack::Resume()
{
    MCI_PLAY_PARMS play;
    m_device.SendCommand(MCI_PLAY, MCI_NOTIFY, &play);
}
