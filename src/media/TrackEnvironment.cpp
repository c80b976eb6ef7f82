// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/TrackEnvironment.h"

#include "app/SettingsSchema.h"
#include "app/ViewSettings.h"
#include "media/AirBus.h"
#include "media/PlugInChain.h"
#include "platform/Logging.h"
#include "platform/Shell.h"
#include "platform/SoundServer.h"
#include "platform/mci/MidiFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <mutex>
#include <utility>

namespace {

struct Environment
{
    CPlugInChain chain;
    CPlugInChain airChain;
    UserInterface* ui = nullptr;
    int videoMode = 0;
    reg::Rect videoRect{0, 0, 0, 0};
    const CViewSettings* settings = nullptr;
    bool unattended = false;
    Shell* shell = nullptr;
    CTrackEnvironment::MiniPlaylistViewFactory miniPlaylistView;
};

Environment& Env()
{
    static Environment env;
    return env;
}

// The bus outlives any one engine; its observer is guarded so that one that
// goes cannot be called half gone.
struct AirHolder
{
    std::mutex mutex;
    std::shared_ptr<CAirBus> bus;
    QString runOutput; // set before anything plays
    std::mutex observerMutex;
    CTrackEnvironment::AirOutputObserver observer;
};

AirHolder& Air()
{
    static AirHolder holder;
    return holder;
}

void TellAirOutput(bool up, const QString& why)
{
    AirHolder& air = Air();
    std::lock_guard lock(air.observerMutex);
    if (air.observer)
        air.observer(up, why);
}

// Makes the air chain's bin from a copy of the chain taken now (the bus
// makes it on its own thread); empty when the chain is.
std::function<GstElement*()> AirChainMaker()
{
    const CPlugInChain& chain = Env().airChain;
    if (chain.filters.empty() && !chain.outputFilter)
        return {};
    return [chain] {
        for (const CPlugInFilter* missing : chain.Missing())
            qCWarning(lcMedia).noquote()
                << QStringLiteral("air chain: plug-in \"%1\" (%2) is not installed: it is left out")
                       .arg(missing->Name(), missing->Factory());
        return chain.MakeBin([](const QString& name) {
            qCWarning(lcMedia).noquote()
                << QStringLiteral("air chain: plug-in \"%1\" cannot be added to the air: it is left out")
                       .arg(name);
        });
    };
}

} // namespace

CPlugInChain& CTrackEnvironment::AirChain()
{
    return Env().airChain;
}

void CTrackEnvironment::AirChainChanged(bool rebuild)
{
    std::lock_guard lock(Air().mutex);
    if (Air().bus)
        Air().bus->SetChain(AirChainMaker(), rebuild);
}

GstElement* CTrackEnvironment::AirPipeline()
{
    std::lock_guard lock(Air().mutex);
    return Air().bus ? Air().bus->OutputPipeline() : nullptr;
}

CPlugInChain& CTrackEnvironment::Chain()
{
    return Env().chain;
}

UserInterface* CTrackEnvironment::Ui()
{
    return Env().ui;
}

void CTrackEnvironment::SetUserInterface(UserInterface* ui)
{
    Env().ui = ui;
}

int CTrackEnvironment::VideoMode()
{
    return Env().videoMode;
}

reg::Rect CTrackEnvironment::VideoRect()
{
    return Env().videoRect;
}

void CTrackEnvironment::SetVideo(int mode, const reg::Rect& rect)
{
    Env().videoMode = mode;
    Env().videoRect = rect;
}

void CTrackEnvironment::SetMidi(const CViewSettings& settings)
{
    mci::SetSynthesizer({double(settings.midiGain), settings.midiSoundFont});
}

void CTrackEnvironment::SetViewSettings(const CViewSettings* settings)
{
    Env().settings = settings;
}

std::int32_t CTrackEnvironment::MiniPlaylistOverlapTime()
{
    if (const CViewSettings* s = Env().settings)
        return s->miniPlaylistOverlapTime;
    return SettingsSchema::Stored<std::int32_t>(SettingsKey::Settings,
                                                QStringLiteral("MiniPlaylist Overlap Time"));
}

void CTrackEnvironment::SetUnattended(bool unattended)
{
    Env().unattended = unattended;
}

bool CTrackEnvironment::IgnoreErrors()
{
    if (Env().unattended)
        return true;
    if (const CViewSettings* s = Env().settings)
        return s->ignoreErrors;
    return SettingsSchema::Stored<bool>(SettingsKey::Settings, QStringLiteral("IgnoreErrors"));
}

void CTrackEnvironment::SetShell(Shell* shell)
{
    Env().shell = shell;
}

Shell& CTrackEnvironment::CommandShell()
{
    return Env().shell ? *Env().shell : Shell::System();
}

void CTrackEnvironment::SetMiniPlaylistView(MiniPlaylistViewFactory factory)
{
    Env().miniPlaylistView = std::move(factory);
}

const CTrackEnvironment::MiniPlaylistViewFactory& CTrackEnvironment::MiniPlaylistView()
{
    return Env().miniPlaylistView;
}

std::shared_ptr<CAirBus> CTrackEnvironment::AirBus()
{
    const QString chosen = AudioSinkDescription();
    const QString sink = IsNoOutput(chosen) ? QString() : chosen; // the bus keeps time by itself
    AirHolder& air = Air();
    std::lock_guard lock(air.mutex);
    if (!air.bus)
        air.bus = std::make_shared<CAirBus>(CAirBus::Options{sink, TellAirOutput, AirChainMaker()});
    else
        air.bus->SetSink(sink);
    return air.bus;
}

void CTrackEnvironment::ReleaseAirBus()
{
    std::shared_ptr<CAirBus> bus;
    {
        std::lock_guard lock(Air().mutex);
        bus = std::move(Air().bus);
    }
}

std::optional<CAirBus::Level> CTrackEnvironment::AirLevel()
{
    std::lock_guard lock(Air().mutex);
    if (!Air().bus)
        return std::nullopt;
    return Air().bus->LastLevel();
}

void CTrackEnvironment::SetAirOutputObserver(AirOutputObserver observer)
{
    std::lock_guard lock(Air().observerMutex);
    Air().observer = std::move(observer);
}

namespace {

struct LoudnessHook
{
    std::mutex mutex;
    CTrackEnvironment::LoudnessTrim trim;
};
LoudnessHook& Loudness()
{
    static LoudnessHook hook;
    return hook;
}

} // namespace

void CTrackEnvironment::SetLoudnessTrim(LoudnessTrim trim)
{
    std::lock_guard lock(Loudness().mutex);
    Loudness().trim = std::move(trim);
}

float CTrackEnvironment::LoudnessTrimFor(const QString& path)
{
    std::lock_guard lock(Loudness().mutex);
    return Loudness().trim ? Loudness().trim(path) : 1.0f;
}

namespace {

// The output someone chose and where it was chosen, first that names one;
// empty: the default.
std::pair<QString, QString> ChosenOutput()
{
    if (!Air().runOutput.isEmpty())
        return {Air().runOutput, QStringLiteral("from --output")};
    const QByteArray fromEnv = qgetenv("LIRANA_AUDIO_SINK");
    if (!fromEnv.trimmed().isEmpty())
        return {QString::fromLocal8Bit(fromEnv), QStringLiteral("from LIRANA_AUDIO_SINK")};
    const QString stored = CTrackEnvironment::StoredAudioSink();
    if (!stored.isEmpty())
        return {stored, QStringLiteral("from the AudioSink setting")};
    return {};
}

} // namespace

QString CTrackEnvironment::AudioSinkDescription()
{
    const QString chosen = ChosenOutput().first;
    return chosen.isEmpty() ? DefaultAudioSinkFor(SoundServerSocketExists()) : chosen;
}

bool CTrackEnvironment::IsNoOutput(const QString& description)
{
    return description.trimmed().compare(QLatin1String(NoOutput), Qt::CaseInsensitive) == 0;
}

void CTrackEnvironment::SetRunOutput(const QString& description)
{
    Air().runOutput = description.trimmed();
}

// Earlier versions wrote "autoaudiosink" as the default into every hive; it
// stands for the default, not for a choice the operator made.
QString CTrackEnvironment::StoredAudioSink()
{
    const QString stored = SettingsSchema::Stored<QString>(SettingsKey::Settings, SettingName::AudioSink)
                               .trimmed();
    return stored == QLatin1String("autoaudiosink") ? QString() : stored;
}

// No automatic choice among outputs: an automatic sink that finds no server
// plays into some other back-end or into nothing and looks as if it played.
// The station's output is the sound server's when this session has one,
// else the ALSA default device; when that output is down, items wait for it.
QString CTrackEnvironment::DefaultAudioSinkFor(bool soundServer)
{
    return soundServer ? QStringLiteral("pulsesink") : QStringLiteral("alsasink");
}

bool CTrackEnvironment::SoundServerSocketExists()
{
    // PipeWire answers on the same socket through pipewire-pulse.
    const QByteArray server = qgetenv("PULSE_SERVER");
    if (!server.isEmpty())
        return true;
    const QString socket = SoundServerSocketPath(QString());
    return !socket.isEmpty() && QFileInfo::exists(socket);
}

QString CTrackEnvironment::DescribeAudioOutput()
{
    const auto [chosen, origin] = ChosenOutput();
    if (IsNoOutput(chosen))
        return QStringLiteral("none (%1): the air runs on the system clock and is not heard").arg(origin);
    if (!chosen.isEmpty())
        return QStringLiteral("%1 (%2)").arg(chosen, origin);
    const bool server = SoundServerSocketExists();
    return QStringLiteral("%1 (default: %2)")
        .arg(DefaultAudioSinkFor(server), server ? QStringLiteral("this session's sound server")
                                                 : QStringLiteral("no sound server found"));
}

QString CTrackEnvironment::MissingAudioOutput(const QString& soundDevices)
{
    if (!ChosenOutput().first.isEmpty() || SoundServerSocketExists())
        return {};
    // The default is then alsasink, which needs a playback device (pcmC0D0p).
    if (!QDir(soundDevices).entryList({QStringLiteral("pcmC*D*p")}, QDir::System).isEmpty())
        return {};
    const QString socket = SoundServerSocketPath(QString());
    return QStringLiteral("this session has no sound server (%1) and the machine no sound card (no playback "
                          "device in %2)")
        .arg(socket.isEmpty() ? QStringLiteral("no runtime folder")
                              : QStringLiteral("no socket at ") + socket,
             soundDevices);
}

void CTrackEnvironment::Reset()
{
    Env().chain = CPlugInChain();
    Env().airChain = CPlugInChain();
    Env().ui = nullptr;
    Env().videoMode = 0;
    Env().videoRect = reg::Rect{0, 0, 0, 0};
    Env().settings = nullptr;
    Env().shell = nullptr;
    Env().miniPlaylistView = nullptr;
    mci::SetSynthesizer({});
}
