// SPDX-License-Identifier: GPL-3.0-or-later
// The sequencer device: a Standard MIDI File rendered by FluidSynth with the
// system's General MIDI SoundFont (SoundFontPath), paced by the samples it
// renders, at the station's gain. The length is read from the file itself:
// the time of its last event through the tempo map; a play to the end lets
// the notes released there ring out after it (PcmSource::Tail).
#include "platform/Logging.h"
#include "platform/mci/Mci.h"
#include "platform/mci/MidiFile.h"
#include "platform/mci/PcmSource.h"
#include "platform/mci/SoundBanks.h"

#include <QFile>
#include <QFileInfo>
#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace mci {
namespace {

constexpr int kRate = 44100;
// Larger than any MIDI file: a file beyond it is not read.
constexpr qint64 kMaxMidiBytes = qint64(16) << 20;
// Frames rendered at the open to learn whether the synthesiser read the file.
constexpr int kHeadFrames = 64;
// FluidSynth's own gain, the 0 dB of SynthesizerSetup::gainDb, and its
// largest.
constexpr double kSynthGain = 0.2, kMaxSynthGain = 10.0;
// After the last event: at most 2 s of ring-out, its last half second faded
// out, so that a note still sounding then ends without a click; it ends at
// the first block whose peak is under about -78 dBFS.
constexpr std::int64_t kRingOutFrames = 2 * kRate, kRingOutFadeFrames = kRate / 2;
constexpr int kSilentPeak = 4;

struct SynthesizerState
{
    std::mutex mutex;
    SynthesizerSetup setup;
};

SynthesizerState& Setup()
{
    static SynthesizerState state;
    return state;
}

// Once per name that names no file, on the media diagnostics.
void WarnMissingSoundFont(const QString& path, const char* namedBy)
{
    static std::mutex mutex;
    static std::set<QString> warned;
    std::lock_guard lock(mutex);
    if (warned.insert(path).second)
        qCWarning(lcMedia).noquote() << QStringLiteral(
                                            "lirana: the SoundFont %1 named by %2 is no file; MIDI "
                                            "items play with the system's General MIDI bank")
                                            .arg(path, QLatin1String(namedBy));
}

// User bank 1 and the synthesizers it is loaded into (font id, -1: none).
struct UserBankState
{
    std::mutex mutex;
    QString path;
    std::map<fluid_synth_t*, int> synths;
};

UserBankState& Bank()
{
    static UserBankState state;
    return state;
}

int LoadInto(fluid_synth_t* synth, const QString& path)
{
    return path.isEmpty() ? -1 : fluid_synth_sfload(synth, QFile::encodeName(path).constData(), 1);
}

void Unload(fluid_synth_t* synth, int& font)
{
    if (font >= 0)
        fluid_synth_sfunload(synth, font, 1);
    font = -1;
}

class MidiSource : public PcmSource
{
public:
    MidiSource(fluid_settings_t* settings, fluid_synth_t* synth, fluid_player_t* player, MidiTiming timing)
        : m_settings(settings), m_synth(synth), m_player(player), m_timing(std::move(timing)),
          m_frames(std::int64_t(m_timing.LengthMs()) * kRate / 1000)
    {
    }
    ~MidiSource() override
    {
        {
            std::lock_guard lock(Bank().mutex);
            Bank().synths.erase(m_synth);
        }
        fluid_player_stop(m_player);
        delete_fluid_player(m_player);
        delete_fluid_synth(m_synth);
        delete_fluid_settings(m_settings);
    }

    int Rate() const override { return kRate; }
    std::int64_t Frames() const override { return m_frames; }
    std::int64_t Tail() const override { return kRingOutFrames; }

    // The player reads its file at the first block it renders and refuses
    // seeks until then: the first block makes it read, and says whether it
    // could (a file it refuses ends its playing at once). The block is kept
    // as the start of the play: a seek to 0 would drop the notes of tick 0.
    bool Loaded()
    {
        m_head.resize(2 * kHeadFrames);
        fluid_synth_write_s16(m_synth, kHeadFrames, m_head.data(), 0, 2, m_head.data(), 1, 2);
        return fluid_player_get_status(m_player) == FLUID_PLAYER_PLAYING || m_frames == 0;
    }

    // The player's seek plays every event before the tick but the notes, so
    // a note held across it would be silent until its next note-on (a
    // resumed pause included): the first block after the seek makes the
    // player take it, and the notes held there sound again from its end.
    bool Seek(std::int64_t frame) override
    {
        m_head.clear();
        fluid_synth_all_sounds_off(m_synth, -1);
        m_at = frame;
        m_end = m_frames + kRingOutFrames;
        const int tick = m_timing.TickAt(frame * 1000 / kRate);
        if (fluid_player_seek(m_player, tick) != FLUID_OK)
            return false;
        m_head.resize(2 * kHeadFrames);
        fluid_synth_write_s16(m_synth, kHeadFrames, m_head.data(), 0, 2, m_head.data(), 1, 2);
        for (const MidiTiming::Note& note : m_timing.NotesHeldAt(tick))
            fluid_synth_noteon(m_synth, note.channel, note.key, note.velocity);
        return true;
    }

    std::int64_t Read(std::int16_t* out, std::int64_t frames) override
    {
        frames = std::min(frames, m_end - m_at);
        if (frames <= 0)
            return 0;
        const std::int64_t kept = std::min<std::int64_t>(frames, std::int64_t(m_head.size() / 2));
        std::copy_n(m_head.begin(), kept * 2, out);
        m_head.erase(m_head.begin(), m_head.begin() + kept * 2);
        if (frames > kept && fluid_synth_write_s16(m_synth, int(frames - kept), out + 2 * kept, 0, 2,
                                                   out + 2 * kept, 1, 2) != FLUID_OK)
            return 0;
        if (m_at + frames > m_frames)
            frames = RingOut(out, frames);
        m_at += frames;
        return frames;
    }

private:
    // The part of a block after the last event: faded over the ring-out's
    // last half second, or, once silent, the end. Answers the frames kept.
    std::int64_t RingOut(std::int16_t* out, std::int64_t frames)
    {
        const std::int64_t first = std::max<std::int64_t>(0, m_frames - m_at);
        int peak = 0;
        for (std::int64_t i = 2 * first; i < 2 * frames; ++i)
            peak = std::max(peak, std::abs(int(out[i])));
        if (peak <= kSilentPeak) {
            m_end = m_at + first;
            return first;
        }
        for (std::int64_t i = first; i < frames; ++i) {
            const std::int64_t left = m_frames + kRingOutFrames - (m_at + i);
            if (left < kRingOutFadeFrames)
                for (int c = 0; c < 2; ++c)
                    out[2 * i + c] = std::int16_t(out[2 * i + c] * left / kRingOutFadeFrames);
        }
        return frames;
    }

    fluid_settings_t* m_settings;
    fluid_synth_t* m_synth;
    fluid_player_t* m_player;
    MidiTiming m_timing;
    std::int64_t m_frames;
    std::int64_t m_end = m_frames + kRingOutFrames; // the ring-out's end, or where it fell silent
    std::int64_t m_at = 0;
    std::vector<std::int16_t> m_head; // rendered by Loaded, not yet read
};

} // namespace

bool LoadUserBank(const QString& path)
{
    // A SoundFont that FluidSynth cannot read is refused before any
    // synthesizer drops the bank it holds.
    fluid_settings_t* settings = new_fluid_settings();
    fluid_synth_t* probe = new_fluid_synth(settings);
    const bool readable = probe &&
                          fluid_synth_sfload(probe, QFile::encodeName(path).constData(), 0) != FLUID_FAILED;
    if (probe)
        delete_fluid_synth(probe);
    delete_fluid_settings(settings);
    if (!readable)
        return false;
    std::lock_guard lock(Bank().mutex);
    Bank().path = path;
    for (auto& [synth, font] : Bank().synths) {
        Unload(synth, font);
        font = LoadInto(synth, path);
    }
    return true;
}

void ClearUserBank()
{
    std::lock_guard lock(Bank().mutex);
    Bank().path.clear();
    for (auto& [synth, font] : Bank().synths)
        Unload(synth, font);
}

QString UserBank()
{
    std::lock_guard lock(Bank().mutex);
    return Bank().path;
}

int SynthesizersWithUserBank()
{
    std::lock_guard lock(Bank().mutex);
    int holding = 0;
    for (const auto& [synth, font] : Bank().synths)
        if (fluid_synth_sfcount(synth) > 1 && fluid_synth_get_sfont_by_id(synth, font) != nullptr)
            ++holding;
    return holding;
}

void SetSynthesizer(const SynthesizerSetup& setup)
{
    std::lock_guard lock(Setup().mutex);
    Setup().setup = setup;
}

SynthesizerSetup Synthesizer()
{
    std::lock_guard lock(Setup().mutex);
    return Setup().setup;
}

QString SoundFontPath()
{
    const std::pair<QString, const char*> named[] = {
        {qEnvironmentVariable("LIRANA_SOUNDFONT"), "LIRANA_SOUNDFONT"},
        {Synthesizer().soundFont, "the setting \"MIDI SoundFont\""}};
    for (const auto& [path, namedBy] : named) {
        if (path.isEmpty())
            continue;
        if (QFileInfo(path).isFile())
            return path;
        WarnMissingSoundFont(path, namedBy);
    }
    QStringList candidates;
    if (fluid_settings_t* settings = new_fluid_settings()) {
        char* builtIn = nullptr;
        if (fluid_settings_dupstr(settings, "synth.default-soundfont", &builtIn) == FLUID_OK && builtIn)
            candidates << QFile::decodeName(builtIn);
        fluid_free(builtIn);
        delete_fluid_settings(settings);
    }
    for (const char* path : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                             "/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/soundfonts/default.sf2",
                             "/usr/share/soundfonts/FluidR3_GM.sf2", "/usr/share/sounds/sf3/default-GM.sf3"})
        candidates << QString::fromLatin1(path);
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile())
            return path;
    return {};
}

std::unique_ptr<PcmSource> OpenMidiSource(const QString& path, std::uint32_t* error)
{
    QByteArray bytes;
    if (const MCIERROR readError = ReadElementFile(path, kMaxMidiBytes, &bytes)) {
        *error = readError;
        return nullptr;
    }
    const std::optional<QByteArray> smf = PlayableMidi(bytes);
    std::optional<MidiTiming> timing = smf ? MidiTiming::Read(*smf) : std::nullopt;
    if (!timing) {
        *error = MCIERR_INVALID_FILE;
        return nullptr;
    }
    const QString font = SoundFontPath();
    if (font.isEmpty()) {
        *error = MCIERR_CANNOT_LOAD_DRIVER;
        return nullptr;
    }
    // FluidSynth's own warnings would land on the program's stderr.
    for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", kRate);
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    fluid_settings_setnum(
        settings, "synth.gain",
        std::clamp(kSynthGain * std::pow(10.0, Synthesizer().gainDb / 20), 0.0, kMaxSynthGain));
    fluid_synth_t* synth = new_fluid_synth(settings);
    fluid_player_t* player = synth ? new_fluid_player(synth) : nullptr;
    if (!player || fluid_synth_sfload(synth, QFile::encodeName(font).constData(), 1) == FLUID_FAILED ||
        fluid_player_add_mem(player, smf->constData(), std::size_t(smf->size())) != FLUID_OK ||
        fluid_player_play(player) != FLUID_OK) {
        if (player)
            delete_fluid_player(player);
        if (synth)
            delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        *error = player ? MCIERR_INVALID_FILE : MCIERR_CANNOT_LOAD_DRIVER;
        return nullptr;
    }
    {
        std::lock_guard lock(Bank().mutex);
        Bank().synths[synth] = LoadInto(synth, Bank().path);
    }
    auto source = std::make_unique<MidiSource>(settings, synth, player, std::move(*timing));
    if (!source->Loaded()) {
        *error = MCIERR_INVALID_FILE;
        return nullptr;
    }
    return source;
}

} // namespace mci

extern "C" int lirana_sequencer_user_bank(int bank, const char* path)
{
    if (bank != 1)
        return 1;
    if (!path) {
        mci::ClearUserBank();
        return 0;
    }
    return mci::LoadUserBank(QFile::decodeName(path)) ? 0 : 2;
}
