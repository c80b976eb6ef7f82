#include "platform/MixerLines.h"

#include <alsa/asoundlib.h>

#include <memory>

namespace {

struct MixerCloser
{
    void operator()(snd_mixer_t* mixer) const { snd_mixer_close(mixer); }
};

} // namespace

CMixerLines ReadMixerLines(int index)
{
    CMixerLines lines;
    const QByteArray device = "hw:" + QByteArray::number(index);
    auto fail = [&lines](int code) {
        lines.error = code;
        lines.errorText = QString::fromLocal8Bit(snd_strerror(code));
        return lines;
    };
    char* name = nullptr;
    if (index < 0)
        return fail(-ENODEV);
    if (const int code = snd_card_get_name(index, &name); code < 0)
        return fail(code);
    lines.card = QString::fromLocal8Bit(name);
    std::free(name);

    snd_mixer_t* raw = nullptr;
    if (const int code = snd_mixer_open(&raw, 0); code < 0)
        return fail(code);
    std::unique_ptr<snd_mixer_t, MixerCloser> mixer(raw);
    for (const int code : {snd_mixer_attach(raw, device.constData()),
                           snd_mixer_selem_register(raw, nullptr, nullptr), snd_mixer_load(raw)})
        if (code < 0)
            return fail(code);
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(raw); e; e = snd_mixer_elem_next(e)) {
        if (!snd_mixer_selem_is_active(e))
            continue;
        const QString element = QString::fromLocal8Bit(snd_mixer_selem_get_name(e));
        const unsigned id = snd_mixer_selem_get_index(e);
        const QString shown = id == 0 ? element : element + u' ' + QString::number(id);
        if (snd_mixer_selem_has_playback_volume(e) || snd_mixer_selem_has_playback_switch(e))
            lines.playback << shown;
        if (snd_mixer_selem_has_capture_volume(e) || snd_mixer_selem_has_capture_switch(e))
            lines.capture << shown;
    }
    return lines;
}
