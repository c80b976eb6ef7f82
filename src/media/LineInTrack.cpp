#include "media/LineInTrack.h"

#include "app/SettingsSchema.h"
#include "app/ViewSettings.h"

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
}

void CLineInTrack::FinishOpen()
{
    try {
        m_mixer.Open(m_device);
        const CMixerControl mute = m_mixer.GetLineControlByType(m_line, MixerControlType::Mute);
        m_muteId = mute.id;
        m_unmuted = true; // from here on Close mutes, even when setting it fails half-way
        m_mixer.SetControlValue(mute, 0);
        if (m_mixer.GetLineById(m_line).hasVolume) {
            m_volume = m_mixer.GetLineControlByType(m_line, MixerControlType::Volume);
            m_baseLevel = m_mixer.GetControlValue(m_volume);
            m_volumeAvailable = m_baseLevel != 0;
            m_volumeChanged = false;
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
    ReleaseLine();
}

void CLineInTrack::ReleaseLine()
{
    const bool unmuted = std::exchange(m_unmuted, false);
    const bool restore = m_volumeAvailable && m_volumeChanged;
    m_volumeAvailable = m_volumeChanged = false;
    if (!m_mixer.IsOpen())
        return;
    // The mixer is closed whatever happens; the first failure is passed on.
    struct Closer
    {
        CMixer& mixer;
        ~Closer() { mixer.Close(); }
    } closer{m_mixer};
    if (unmuted)
        m_mixer.SetControlValue(m_mixer.GetLineControlById(m_muteId), 1);
    if (restore)
        m_mixer.SetControlValue(m_volume, m_baseLevel);
}

void CLineInTrack::SetVolume(float level)
{
    if (!m_volumeAvailable)
        return;
    const double value = double(m_baseLevel) * std::clamp(double(level), 0.0, 1.0) + 0.5;
    m_mixer.SetControlValue(m_volume, static_cast<unsigned>(value));
    m_volumeChanged = true;
}

float CLineInTrack::GetVolume() const
{
    if (!m_volumeAvailable)
        return 0.0f;
    const double level = double(m_mixer.GetControlValue(m_volume)) / m_baseLevel;
    return static_cast<float>(std::min(level, 1.0));
}
