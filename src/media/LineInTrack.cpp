// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/LineInTrack.h"

#include "app/SettingsSchema.h"
#include "app/ViewSettings.h"
#include "media/AirBus.h"
#include "media/LineInCapture.h"
#include "media/MixerState.h"
#include "media/TrackThread.h"

#include <algorithm>
#include <utility>

CLineInTrack::~CLineInTrack()
{
    try {
        CLineInTrack::Close();
    } catch (...) {
    }
}

void CLineInTrack::Open(const QString& path, QObject* owner)
{
    BeginOpen(path, owner);
    FinishOpen();
}

void CLineInTrack::BeginOpen(const QString& path, QObject* owner)
{
    if (m_state != Closed)
        Close();
    CPauseTrack::Open(path, owner);
    // Indexes and ids are unsigned; the hive keeps them as DWORDs.
    m_device = static_cast<unsigned>(
        SettingsSchema::Stored<std::int32_t>(SettingsKey::Settings, QStringLiteral("LineInMixer")));
    m_line = static_cast<unsigned>(
        SettingsSchema::Stored<std::int32_t>(SettingsKey::Settings, QStringLiteral("LineInLine")));
    m_source = SettingsSchema::Stored<QString>(SettingsKey::Settings, QStringLiteral("LineInSource"))
                   .trimmed();
    m_gain = 1.0f;
}

void CLineInTrack::FinishOpen()
{
    if (Captures()) {
        // the capture replaces the card's loopback
        m_capture = LineInCapture::Open(m_source, Notifier());
        return;
    }
    try {
        m_mixer.Open(m_device);
        const CMixerControl mute = m_mixer.GetLineControlByType(m_line, MixerControlType::Mute);
        // What the line is now goes on file before anything changes, so that
        // even a killed run gives it back (at the next start).
        const MixerState::FoundLine found = MixerState::Acquire(m_mixer, m_device, m_line);
        m_acquired = true; // from here on Close restores, even when un-muting fails half-way
        m_mixer.SetControlValue(mute, 0);
        if (found.hasVolume) {
            m_volume = m_mixer.GetLineControlByType(m_line, MixerControlType::Volume);
            m_baseLevel = found.volume;
            m_volumeAvailable = m_baseLevel != 0;
        }
    } catch (...) {
        try {
            Close();
        } catch (...) {
        }
        throw;
    }
}

void CLineInTrack::Close()
{
    CPauseTrack::Close();
    m_capture = {}; // the input was let go: the capture's writes are over
    ReleaseLine();
}

void CLineInTrack::ReleaseLine()
{
    const bool acquired = std::exchange(m_acquired, false);
    m_volumeAvailable = false;
    if (!m_mixer.IsOpen())
        return;
    // The mixer is closed whatever happens; a failed restore is passed on.
    struct Closer
    {
        CMixer& mixer;
        ~Closer() { mixer.Close(); }
    } closer{m_mixer};
    if (acquired)
        MixerState::Release(m_mixer, m_device, m_line);
}

CPauseTrack::Filler CLineInTrack::Fill(const std::shared_ptr<CAirInput>& input, std::uint64_t frames)
{
    if (!Captures())
        return CPauseTrack::Fill(input, frames);
    input->SetGain(m_gain);
    return {nullptr, LineInCapture::Carry(m_capture, m_source, input, frames, Notifier())};
}

void CLineInTrack::SetVolume(float level)
{
    if (Captures()) {
        m_gain = std::clamp(level, 0.0f, 1.0f);
        if (const std::shared_ptr<CAirInput> input = AirInput())
            input->SetGain(m_gain);
        return;
    }
    if (!m_volumeAvailable)
        return;
    const double value = double(m_baseLevel) * std::clamp(double(level), 0.0, 1.0) + 0.5;
    m_mixer.SetControlValue(m_volume, static_cast<unsigned>(value));
}

float CLineInTrack::GetVolume() const
{
    if (Captures())
        return m_gain;
    if (!m_volumeAvailable)
        return 0.0f;
    const double level = double(m_mixer.GetControlValue(m_volume)) / m_baseLevel;
    return static_cast<float>(std::min(level, 1.0));
}
