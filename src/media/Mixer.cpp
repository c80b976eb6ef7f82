// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/Mixer.h"

#include "media/TrackExceptions.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

MixerOpener& Opener()
{
    static MixerOpener opener;
    return opener;
}

void Check(int code)
{
    if (code != 0)
        throw CMixerException(static_cast<unsigned>(code));
}

} // namespace

CMixer::~CMixer() = default;

void CMixer::SetOpener(MixerOpener opener)
{
    Opener() = std::move(opener);
}

QString CMixer::DestinationName(unsigned destination)
{
    return destination == 0 ? QCoreApplication::translate("Mixer", "Playback")
                            : QCoreApplication::translate("Mixer", "Capture");
}

void CMixer::Open(unsigned index)
{
    Close();
    std::unique_ptr<IMixerDevice> device;
    const MixerOpener& open = Opener();
    Check(open ? open(index, device) : OpenAlsaMixer(index, device));
    if (!device)
        throw CMixerException(MixerError::NoDevice);
    m_device = std::move(device);
}

void CMixer::Close()
{
    m_device.reset();
}

IMixerDevice& CMixer::Device() const
{
    if (!m_device)
        throw CMixerException(MixerError::NotOpen);
    return *m_device;
}

QString CMixer::ProductName() const
{
    return Device().ProductName();
}

unsigned CMixer::Destinations() const
{
    Device();
    return 2;
}

std::vector<const MixerSourceLine*> CMixer::SourcesOf(unsigned destination) const
{
    std::vector<const MixerSourceLine*> sources;
    for (const MixerSourceLine& line : Device().Lines())
        if (line.destination == destination)
            sources.push_back(&line);
    return sources;
}

CMixerLineInfo CMixer::Info(const MixerSourceLine& line, unsigned source)
{
    return {line.destination, source, line.lineId, 0, line.name, line.hasMute, line.hasVolume};
}

CMixerLineInfo CMixer::GetDestination(unsigned destination) const
{
    if (destination >= Destinations())
        throw CMixerException(MixerError::InvalidLine);
    CMixerLineInfo info;
    info.destination = destination;
    info.connections = static_cast<unsigned>(SourcesOf(destination).size());
    info.name = DestinationName(destination);
    return info;
}

CMixerLineInfo CMixer::GetSource(unsigned destination, unsigned source) const
{
    const auto sources = SourcesOf(destination);
    if (source >= sources.size())
        throw CMixerException(MixerError::InvalidLine);
    return Info(*sources[source], source);
}

CMixerLineInfo CMixer::GetLineById(unsigned lineId) const
{
    for (unsigned d = 0; d < Destinations(); ++d) {
        const auto sources = SourcesOf(d);
        for (unsigned s = 0; s < sources.size(); ++s)
            if (sources[s]->lineId == lineId)
                return Info(*sources[s], s);
    }
    throw CMixerException(MixerError::InvalidLine);
}

CMixerControl CMixer::GetLineControlByType(unsigned lineId, MixerControlType type) const
{
    const CMixerLineInfo line = GetLineById(lineId);
    if (!(type == MixerControlType::Mute ? line.hasMute : line.hasVolume))
        throw CMixerException(MixerError::InvalidControl);
    const auto& lines = Device().Lines();
    const auto place = std::find_if(lines.begin(), lines.end(),
                                    [lineId](const MixerSourceLine& l) { return l.lineId == lineId; });
    const auto index = static_cast<unsigned>(place - lines.begin());
    return {lineId, type, index * 2 + (type == MixerControlType::Volume ? 1 : 0)};
}

CMixerControl CMixer::GetLineControlById(unsigned controlId) const
{
    const auto& lines = Device().Lines();
    if (controlId / 2 >= lines.size())
        throw CMixerException(MixerError::InvalidControl);
    const MixerControlType type = controlId % 2 != 0 ? MixerControlType::Volume : MixerControlType::Mute;
    return GetLineControlByType(lines[controlId / 2].lineId, type);
}

unsigned CMixer::Message(unsigned /*message*/, std::uintptr_t /*param1*/, std::uintptr_t /*param2*/) const
{
    return m_device ? kMixerNotSupported : unsigned(MixerError::NotOpen);
}

unsigned CMixer::GetControlValue(const CMixerControl& control) const
{
    if (control.type == MixerControlType::Mute) {
        bool muted = false;
        Check(Device().GetMute(control.lineId, muted));
        return muted ? 1 : 0;
    }
    unsigned level = 0;
    Check(Device().GetVolume(control.lineId, level));
    return level;
}

void CMixer::SetControlValue(const CMixerControl& control, unsigned value)
{
    Check(control.type == MixerControlType::Mute ? Device().SetMute(control.lineId, value != 0)
                                                 : Device().SetVolume(control.lineId, value));
}
