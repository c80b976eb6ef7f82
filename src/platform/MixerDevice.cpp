// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MixerDevice.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

unsigned MixerLineId(unsigned destination, const QString& element, unsigned index)
{
    // FNV-1a, 32 bits, over the destination, the UTF-8 name and the index.
    std::uint32_t hash = 2166136261u;
    auto add = [&hash](unsigned char byte) {
        hash ^= byte;
        hash *= 16777619u;
    };
    add(static_cast<unsigned char>(destination));
    for (const char c : element.toUtf8())
        add(static_cast<unsigned char>(c));
    add(0);
    for (int shift = 0; shift < 32; shift += 8)
        add(static_cast<unsigned char>(index >> shift));
    hash &= 0x7fffffffu;
    return hash == 0 ? 1 : hash;
}

namespace {

std::vector<int> AlsaCards()
{
    std::vector<int> cards;
    for (int card = -1; snd_card_next(&card) == 0 && card >= 0;)
        cards.push_back(card);
    return cards;
}

struct AlsaLine
{
    snd_mixer_elem_t* elem;
    bool capture;
};

class AlsaMixer : public IMixerDevice
{
public:
    ~AlsaMixer() override
    {
        if (m_mixer)
            snd_mixer_close(m_mixer);
    }

    int Open(const QByteArray& device)
    {
        snd_ctl_t* ctl = nullptr;
        if (const int code = snd_ctl_open(&ctl, device.constData(), 0); code < 0)
            return -code;
        snd_ctl_card_info_t* info = nullptr;
        snd_ctl_card_info_alloca(&info);
        if (snd_ctl_card_info(ctl, info) == 0)
            m_product = QString::fromLocal8Bit(snd_ctl_card_info_get_name(info));
        snd_ctl_close(ctl);
        if (const int code = snd_mixer_open(&m_mixer, 0); code < 0)
            return -code;
        for (const int code : {snd_mixer_attach(m_mixer, device.constData()),
                               snd_mixer_selem_register(m_mixer, nullptr, nullptr), snd_mixer_load(m_mixer)})
            if (code < 0)
                return -code;
        for (const bool capture : {false, true}) {
            for (snd_mixer_elem_t* e = snd_mixer_first_elem(m_mixer); e; e = snd_mixer_elem_next(e)) {
                if (!snd_mixer_selem_is_active(e))
                    continue;
                MixerSourceLine line;
                line.destination = capture ? 1 : 0;
                line.hasMute = capture ? snd_mixer_selem_has_capture_switch(e)
                                       : snd_mixer_selem_has_playback_switch(e);
                line.hasVolume = capture ? snd_mixer_selem_has_capture_volume(e)
                                         : snd_mixer_selem_has_playback_volume(e);
                if (!line.hasMute && !line.hasVolume)
                    continue;
                const QString element = QString::fromLocal8Bit(snd_mixer_selem_get_name(e));
                const unsigned index = snd_mixer_selem_get_index(e);
                line.name = index == 0 ? element : element + u' ' + QString::number(index);
                line.lineId = MixerLineId(line.destination, element, index);
                m_lines.push_back(line);
                m_elems.push_back({e, capture});
            }
        }
        return 0;
    }

    QString ProductName() const override { return m_product; }
    const std::vector<MixerSourceLine>& Lines() const override { return m_lines; }

    // ALSA's switch is "on" when the line sounds (or records).
    int GetMute(unsigned lineId, bool& muted) override
    {
        int on = 0;
        const int code = Control(lineId, false, [&](const AlsaLine& l) {
            return l.capture ? snd_mixer_selem_get_capture_switch(l.elem, SND_MIXER_SCHN_FRONT_LEFT, &on)
                             : snd_mixer_selem_get_playback_switch(l.elem, SND_MIXER_SCHN_FRONT_LEFT, &on);
        });
        muted = on == 0;
        return code;
    }
    int SetMute(unsigned lineId, bool muted) override
    {
        return Control(lineId, false, [&](const AlsaLine& l) {
            return l.capture ? snd_mixer_selem_set_capture_switch_all(l.elem, muted ? 0 : 1)
                             : snd_mixer_selem_set_playback_switch_all(l.elem, muted ? 0 : 1);
        });
    }
    int GetVolume(unsigned lineId, unsigned& level) override
    {
        return Control(lineId, true, [&](const AlsaLine& l) {
            long min = 0, max = 0, value = 0;
            const int code = l.capture ? snd_mixer_selem_get_capture_volume_range(l.elem, &min, &max)
                                       : snd_mixer_selem_get_playback_volume_range(l.elem, &min, &max);
            if (code < 0)
                return code;
            const int read = l.capture ? snd_mixer_selem_get_capture_volume(l.elem, SND_MIXER_SCHN_FRONT_LEFT,
                                                                            &value)
                                       : snd_mixer_selem_get_playback_volume(
                                             l.elem, SND_MIXER_SCHN_FRONT_LEFT, &value);
            level = max > min ? static_cast<unsigned>(std::lround(double(std::clamp(value, min, max) - min) *
                                                                  kMixerMaxLevel / double(max - min)))
                              : 0;
            return read;
        });
    }
    int SetVolume(unsigned lineId, unsigned level) override
    {
        return Control(lineId, true, [&](const AlsaLine& l) {
            long min = 0, max = 0;
            const int code = l.capture ? snd_mixer_selem_get_capture_volume_range(l.elem, &min, &max)
                                       : snd_mixer_selem_get_playback_volume_range(l.elem, &min, &max);
            if (code < 0)
                return code;
            const long value = min + std::lround(double(std::min(level, kMixerMaxLevel)) * double(max - min) /
                                                 kMixerMaxLevel);
            return l.capture ? snd_mixer_selem_set_capture_volume_all(l.elem, value)
                             : snd_mixer_selem_set_playback_volume_all(l.elem, value);
        });
    }

private:
    // Runs call on the line's element after taking in the card's changes
    // (ALSA caches element values until its events are handled).
    template <class Call>
    int Control(unsigned lineId, bool volume, Call call)
    {
        const auto it = std::find_if(m_lines.begin(), m_lines.end(),
                                     [lineId](const MixerSourceLine& l) { return l.lineId == lineId; });
        if (it == m_lines.end())
            return MixerError::InvalidLine;
        if (!(volume ? it->hasVolume : it->hasMute))
            return MixerError::InvalidControl;
        if (const int code = snd_mixer_handle_events(m_mixer); code < 0)
            return -code;
        const int code = call(m_elems[static_cast<std::size_t>(it - m_lines.begin())]);
        return code < 0 ? -code : 0;
    }

    snd_mixer_t* m_mixer = nullptr;
    QString m_product;
    std::vector<MixerSourceLine> m_lines;
    std::vector<AlsaLine> m_elems; // parallel to m_lines
};

} // namespace

QString AlsaMixerDeviceName(unsigned index)
{
    const std::vector<int> cards = AlsaCards();
    if (index < cards.size())
        return QStringLiteral("hw:%1").arg(cards[index]);
    return index == cards.size() ? QStringLiteral("pulse") : QString();
}

int OpenAlsaMixer(unsigned index, std::unique_ptr<IMixerDevice>& device)
{
    const QString name = AlsaMixerDeviceName(index);
    if (name.isEmpty())
        return MixerError::NoDevice;
    auto mixer = std::make_unique<AlsaMixer>();
    if (const int code = mixer->Open(name.toLocal8Bit()); code != 0)
        return code;
    device = std::move(mixer);
    return 0;
}

class CMemoryMixer::Device : public IMixerDevice
{
public:
    explicit Device(CMemoryMixer& card) : m_card(card)
    {
        for (const Line& l : card.m_lines)
            m_lines.push_back({l.destination, Id(l), l.name, l.hasMute, l.hasVolume});
        std::stable_sort(m_lines.begin(), m_lines.end(),
                         [](const auto& a, const auto& b) { return a.destination < b.destination; });
    }
    QString ProductName() const override { return m_card.m_product; }
    const std::vector<MixerSourceLine>& Lines() const override { return m_lines; }
    int GetMute(unsigned id, bool& muted) override
    {
        return Control(id, &Line::hasMute, [&](Line& l) { muted = l.muted; });
    }
    int SetMute(unsigned id, bool muted) override
    {
        return HalfDone(Control(id, &Line::hasMute, [&](Line& l) { l.muted = muted; }));
    }
    int GetVolume(unsigned id, unsigned& level) override
    {
        return Control(id, &Line::hasVolume, [&](Line& l) { level = l.volume; });
    }
    int SetVolume(unsigned id, unsigned level) override
    {
        return HalfDone(
            Control(id, &Line::hasVolume, [&](Line& l) { l.volume = std::min(level, kMixerMaxLevel); }));
    }

private:
    int HalfDone(int code)
    {
        if (code != 0 || m_card.halfDoneWrites <= 0)
            return code;
        --m_card.halfDoneWrites;
        return 5; // EIO
    }

    template <class Call>
    int Control(unsigned id, bool Line::*has, Call call)
    {
        if (m_card.controlError != 0)
            return m_card.controlError;
        for (Line& l : m_card.m_lines) {
            if (Id(l) != id)
                continue;
            if (!(l.*has))
                return MixerError::InvalidControl;
            call(l);
            return 0;
        }
        return MixerError::InvalidLine;
    }

    CMemoryMixer& m_card;
    std::vector<MixerSourceLine> m_lines;
};

CMemoryMixer::CMemoryMixer(QString product, std::vector<Line> lines)
    : m_product(std::move(product)), m_lines(std::move(lines))
{
}

MixerOpener CMemoryMixer::Opener()
{
    return [this](unsigned index, std::unique_ptr<IMixerDevice>& device) {
        if (openError != 0)
            return openError;
        if (index != 0)
            return MixerError::NoDevice;
        device = std::make_unique<Device>(*this);
        return 0;
    };
}

CMemoryMixer::Line* CMemoryMixer::Find(unsigned destination, const QString& name)
{
    for (Line& l : m_lines)
        if (l.destination == destination && l.name == name)
            return &l;
    return nullptr;
}
