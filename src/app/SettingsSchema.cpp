// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsSchema.h"

#include "app/ToolList.h"
#include "app/ViewSettings.h"

#include <algorithm>
#include <cmath>

namespace {

using S = SettingInfo;
using Range = S::Range;
constexpr SettingAccess RW = SettingAccess::ReadWrite;

#define FIELD(member) (+[](CViewSettings & s) -> auto& { return s.member; })

namespace K = SettingsKey;
namespace N = SettingName;
const QString& kSettings = SettingsKey::Settings;
const QString& kSongWindow = SettingsKey::SongWindow;
const QString& kWatchDog = SettingsKey::WatchDog;

QString Name(const char* name)
{
    return QString::fromLatin1(name);
}
const QString& Name(const QString& name)
{
    return name;
}

template <typename Name_>
S Number(const QString& key, const Name_& name, S::Field<std::int32_t> f, std::int32_t def,
         std::optional<Range> range = {}, QStringList choices = {}, SettingAccess access = RW)
{
    return {key, Name(name), SettingType::Number, def, range, std::move(choices), access, f};
}
S Flag(const QString& key, const char* name, S::Field<bool> f, bool def)
{
    return {key, QString::fromLatin1(name), SettingType::Flag, def, {}, {}, RW, f};
}
S Real(const QString& key, const char* name, S::Field<double> f, double def, Range range)
{
    return {key, QString::fromLatin1(name), SettingType::Real, def, range, {}, RW, f};
}
template <typename Name_>
S Text(const QString& key, const Name_& name, S::Field<QString> f, const QString& def = {},
       SettingAccess access = RW)
{
    return {key, Name(name), SettingType::Text, def, {}, {}, access, f};
}
S Rect(const QString& key, const char* name, S::Field<reg::Rect> f, reg::Rect def)
{
    return {key, QString::fromLatin1(name), SettingType::Rect, def, {}, {}, RW, f};
}
// A value its owner reads and writes itself, by the rules of the table.
S Owned(const QString& key, const QString& name, SettingType type, S::Value def = {},
        QStringList choices = {})
{
    return {key, name, type, std::move(def), {}, std::move(choices), SettingAccess::Owner, {}};
}

// The ranges are those the options pages allow; the choices those the
// engine and the video layer know.
std::vector<S> MakeTable()
{
    const QStringList playerModes{QStringLiteral("Manual"),  QStringLiteral("Normal"),
                                  QStringLiteral("Repeat"),  QStringLiteral("Random"),
                                  QStringLiteral("Shuffle"), QStringLiteral("Intro Scan")};
    const QStringList videoModes{QStringLiteral("original size"),
                                 QStringLiteral("remember size and position"), QStringLiteral("full screen"),
                                 QStringLiteral("maximized")};
    const Range seconds300{0, 300}, overlapMs{0, 30000};
    return {
        Number(kSettings, "IntroStart", FIELD(introStart), 0, seconds300),
        Number(kSettings, "IntroLength", FIELD(introLength), 15, seconds300),
        Number(kSettings, "FF_TIME", FIELD(ffTime), 30), // typed values are not checked
        Text(kSettings, "MediaDir", FIELD(mediaDir)),
        Text(kSettings, "Mixer", FIELD(mixer), QString::fromLatin1(kDefaultMixer)),
        Flag(kSettings, "AutoPlay", FIELD(autoPlay), false),
        Number(kSettings, "PlayerMode", FIELD(playerMode), 1, {}, playerModes),
        Flag(kSettings, "IgnoreErrors", FIELD(ignoreErrors), false),
        Flag(kSettings, "ResumeAfterCrash", FIELD(resumeAfterCrash), true),
        Text(kSettings, "NowPlayingFile", FIELD(nowPlayingFile)),
        // Run at each start with the Tools menu's rules (CNowPlayingFeed).
        Owned(kSettings, QStringLiteral("NowPlayingCommand"), SettingType::Text, QString()),
        // What the desktop's media controls may do (CMprisService); not set:
        // full for the console, read-only for the headless runner.
        Owned(kSettings, QStringLiteral("Desktop control"), SettingType::Number, 0,
              {QStringLiteral("full"), QStringLiteral("read-only"), QStringLiteral("off")}),
        Flag(kSettings, "ResumeAfterRestart", FIELD(resumeAfterRestart), false),
        Text(kSettings, "FallbackAlbum", FIELD(fallbackAlbum)),
        Flag(kSettings, "MediaFilesOnly", FIELD(mediaFilesOnly), false),
        Number(kSettings, "SoundBank Options", FIELD(soundBankOptions), 1),
        // MIDI items at a station's level: FluidSynth's own gain leaves a
        // General MIDI arrangement 10-20 dB under a mastered recording; 9 dB
        // more keeps a dense one's peaks 3 dB under full scale.
        Number(kSettings, "MIDI Gain", FIELD(midiGain), 9, Range{-40, 30}),
        Text(kSettings, "MIDI SoundFont", FIELD(midiSoundFont)),
        Number(kSettings, "VideoMode", FIELD(videoMode), 0, {}, videoModes),
        Rect(kSettings, "VideoRect", FIELD(videoRect), {0, 0, 0, 0}),
        Text(kSettings, N::AudioSink, FIELD(audioSink)),
        Number(kSettings, "LineInLine", FIELD(lineInLine), 0),
        // A live item's capture source where the card has no loopback (a
        // gst-launch description); empty: the mixer line (CLineInTrack).
        Owned(kSettings, QStringLiteral("LineInSource"), SettingType::Text, QString()),
        // The air-check (CStation::StartAirCheck): the air recorded into
        // files of a set length in a folder tree by date.
        Owned(kSettings, QStringLiteral("AirCheck"), SettingType::Flag, false),
        Owned(kSettings, QStringLiteral("AirCheck Folder"), SettingType::Text, QString()),
        Owned(kSettings, QStringLiteral("AirCheck File Seconds"), SettingType::Number, 3600),
        Owned(kSettings, QStringLiteral("AirCheck Format"), SettingType::Text, QStringLiteral("flac")),
        Owned(kSettings, QStringLiteral("AirCheck Keep Days"), SettingType::Number, 31),
        Owned(kSettings, QStringLiteral("AirCheck Min Free MB"), SettingType::Number, 1024),
        // Every file item aired at this integrated loudness (LUFS; 0: as the
        // file is), with a true-peak limiter on the air (CStation).
        Owned(kSettings, QStringLiteral("Loudness Target"), SettingType::Number, 0),
        Number(kSettings, "Overlap Time", FIELD(overlapTime), 4000, overlapMs),
        Flag(kSettings, "Overlap Short Items By A Third", FIELD(shortItemOverlapThird), false),
        Flag(kSettings, "Enable Events", FIELD(enableEvents), true),
        Flag(kSettings, "Enable Logging", FIELD(enableLogging), false),
        Text(kSettings, "Logfile Dir", FIELD(logfileDir)),
        Flag(kSettings, "Shutdown Confirmation", FIELD(shutdownConfirmation), true),
        Rect(kSettings, "MiniPlaylist Rect", FIELD(miniPlaylistRect), {0, 0, 150, 200}),
        Number(kSettings, "MiniPlaylist Overlap Time", FIELD(miniPlaylistOverlapTime), 1000, overlapMs),
        Number(kSettings, N::CurSel, FIELD(curSel), 0),
        Flag(kSettings, "ShowPath", FIELD(showPath), false),
        Flag(kSettings, "ShowTrackNo", FIELD(showTrackNo), false),
        Flag(kSettings, "Fade On Overlap", FIELD(fadeOnOverlap), true),
        Flag(kSettings, "Fade On Stop", FIELD(fadeOnStop), true),
        Real(kSettings, "Fade Period", FIELD(fadePeriod), 4.0, {0, 30}),
        Text(kSettings, "WorkingDir", FIELD(workingDir)),
        Number(kSettings, "LineInMixer", FIELD(lineInMixer), 0, {}, {}, SettingAccess::ReadOnly),
        Text(kSettings, "EventDir", FIELD(eventDir), {}, SettingAccess::Owner),
        Text(kSettings, "EventListDir", FIELD(eventListDir), {}, SettingAccess::Owner),
        Text(kSettings, "SoundDir", FIELD(soundDir), {}, SettingAccess::Owner),
        Text(kSettings, "SoundListDir", FIELD(soundListDir), {}, SettingAccess::Owner),
        Owned(kSettings, QStringLiteral("SelectedItem"), SettingType::Stream), // the console's folder tree
        Owned(QString(), SettingsKey::Font, SettingType::Font),                // the playlist font (ListFont)
        Number(kSongWindow, "Left", FIELD(songWindowLeft), 0),
        Number(kSongWindow, "Top", FIELD(songWindowTop), 0),
        Number(kWatchDog, "Interval", FIELD(watchDog.interval), 30, Range{5, 10000}),
        Flag(kWatchDog, "Enable", FIELD(watchDog.enable), false),
        Flag(kWatchDog, "Message", FIELD(watchDog.message), false),
        Flag(kWatchDog, "NextSong", FIELD(watchDog.nextSong), true),
        Flag(kWatchDog, "Reboot", FIELD(watchDog.reboot), false),
        Flag(kWatchDog, "Level Enable", FIELD(watchDog.levelEnable), false),
        Number(kWatchDog, "Level Threshold", FIELD(watchDog.levelThreshold), -50, Range{-90, -10}),
        Number(kWatchDog, "Level Interval", FIELD(watchDog.levelSeconds), 30, Range{2, 3600}),
        // The frame, its bars and its clock.
        Owned(K::MainFrame, N::WindowPos, SettingType::Placement),
        Owned(K::MainFrame, N::FullScreen, SettingType::Flag, false),
        Owned(K::MainFrame, N::LanguageCode, SettingType::Text, QStringLiteral("en")),
        Owned(K::ToolBars, N::BarState, SettingType::Stream),
        Owned(K::ToolBars, N::StatusBar, SettingType::Flag, true),
        Owned(K::ToolBars, N::FlatToolBars, SettingType::Flag, true),
        Owned(K::ToolBars, N::ButtonText, SettingType::Flag, false),
        Owned(K::DigitalClock, N::ClockMode, SettingType::Number, 0,
              {QStringLiteral("12-hour"), QStringLiteral("24-hour")}),
        // The albums opened last, the audio filters and the tools.
        Owned(K::RecentFileList, N::RecentFile, SettingType::List),
        Owned(K::PlugInChain, N::FilterCount, SettingType::Number, 0),
        Owned(K::AirChain, N::FilterCount, SettingType::Number, 0),
        Owned(K::ToolMenu, N::ToolCount, SettingType::Number, 0),
        // The air's streams, "Stream 1".. below it (StreamSettings).
        Owned(QStringLiteral("Streams"), QStringLiteral("Count"), SettingType::Number, 0),
    };
}

// Reads e from key by its encoding's rules; the default when not accepted.
S::Value ReadFrom(const CRegistryKey& key, const S& e)
{
    S::Value v = e.def;
    switch (e.type) {
    case SettingType::Number: v = key.GetNumber(e.name, std::get<std::int32_t>(e.def)); break;
    case SettingType::Flag: v = key.GetFlag(e.name, std::get<bool>(e.def)); break;
    case SettingType::Real: v = key.GetReal(e.name, std::get<double>(e.def)); break;
    case SettingType::Text: v = key.GetText(e.name, std::get<QString>(e.def)); break;
    case SettingType::Rect: key.ReadRect(e.name, &std::get<reg::Rect>(v)); break;
    case SettingType::Font:
    case SettingType::Stream:
    case SettingType::Placement:
    case SettingType::List: break;
    }
    return e.Accepts(v) ? v : e.def;
}

// Opens each key once while the table is walked in order.
class KeyWalker
{
public:
    CRegistryKey& For(const QString& name)
    {
        if (!m_open || name != m_name) {
            m_key.Close();
            m_key = CRegistryKey::OpenAppSubkey(name);
            m_name = name;
            m_open = true;
        }
        return m_key;
    }

private:
    CRegistryKey m_key;
    QString m_name;
    bool m_open = false;
};

} // namespace

bool SettingInfo::Accepts(const Value& v) const
{
    double number = 0;
    if (const auto* i = std::get_if<std::int32_t>(&v))
        number = *i;
    else if (const auto* d = std::get_if<double>(&v))
        number = *d;
    else
        return true;
    if (std::isnan(number))
        return false;
    if (!choices.isEmpty() && (number < 0 || number >= choices.size()))
        return false;
    return !range || (number >= range->min && number <= range->max);
}

QString SettingInfo::PathName() const
{
    // A list's numbered names ("File%1") show as "FileN".
    const QString shown = type == SettingType::List
                              ? QString(name).replace(QLatin1String("%1"), QLatin1String("N"))
                              : name;
    return key.isEmpty() ? shown : key + u'\\' + shown;
}

namespace SettingsSchema {

const std::vector<SettingInfo>& All()
{
    static const std::vector<SettingInfo> table = MakeTable();
    return table;
}

const SettingInfo& Find(const QString& key, const QString& name)
{
    const auto& table = All();
    const auto it = std::ranges::find_if(table, [&](const S& e) { return e.key == key && e.name == name; });
    Q_ASSERT_X(it != table.end(), "SettingsSchema::Find", qPrintable(key + u'\\' + name));
    return *it;
}

S::Value Read(const SettingInfo& e)
{
    return ReadFrom(CRegistryKey::OpenAppSubkey(e.key), e);
}

void ApplyDefaults(CViewSettings& s)
{
    for (const SettingInfo& e : All()) {
        std::visit(
            [&](auto field) {
                if constexpr (!std::is_same_v<decltype(field), std::monostate>) {
                    using T = std::remove_reference_t<decltype(field(s))>;
                    field(s) = std::get<T>(e.def);
                }
            },
            e.field);
    }
}

void Load(CViewSettings& s)
{
    KeyWalker keys;
    for (const SettingInfo& e : All()) {
        if (std::holds_alternative<std::monostate>(e.field))
            continue;
        const S::Value v = ReadFrom(keys.For(e.key), e);
        std::visit(
            [&](auto field) {
                if constexpr (!std::is_same_v<decltype(field), std::monostate>) {
                    using T = std::remove_reference_t<decltype(field(s))>;
                    field(s) = std::get<T>(v);
                }
            },
            e.field);
    }
}

void Save(const CViewSettings& settings)
{
    // The fields are only read here; the accessors of the table take a
    // mutable object so that one table serves loading and saving.
    auto& s = const_cast<CViewSettings&>(settings);
    KeyWalker keys;
    for (const SettingInfo& e : All()) {
        if (e.access != SettingAccess::ReadWrite)
            continue;
        CRegistryKey& key = keys.For(e.key);
        std::visit(
            [&](auto field) {
                if constexpr (!std::is_same_v<decltype(field), std::monostate>) {
                    const auto& value = field(s);
                    using T = std::remove_cvref_t<decltype(value)>;
                    if constexpr (std::is_same_v<T, std::int32_t>)
                        key.SetNumber(e.name, value);
                    else if constexpr (std::is_same_v<T, bool>)
                        key.SetFlag(e.name, value);
                    else if constexpr (std::is_same_v<T, double>)
                        key.SetReal(e.name, value);
                    else if constexpr (std::is_same_v<T, QString>)
                        key.SetText(e.name, value);
                    else
                        key.WriteRect(e.name, value);
                }
            },
            e.field);
    }
}

QString StoredText(const SettingInfo& e)
{
    const CRegistryKey key = CRegistryKey::OpenAppSubkey(e.key);
    if (e.type == SettingType::List) {
        const int count = key.ValueCount();
        return count == 0 ? QString() : QStringLiteral("(%1 values)").arg(count);
    }
    if (e.type == SettingType::Placement) {
        reg::Placement p;
        if (!key.ReadPlacement(e.name, &p))
            return {};
        return QStringLiteral("%1,%2,%3,%4 show %5")
            .arg(p.normal.left)
            .arg(p.normal.top)
            .arg(p.normal.right)
            .arg(p.normal.bottom)
            .arg(p.showCmd);
    }
    if (e.type == SettingType::Stream) {
        const QByteArray data = key.GetBinary(e.name);
        return data.isEmpty() ? QString() : QStringLiteral("(%1 bytes)").arg(data.size());
    }
    if (e.type == SettingType::Font) {
        reg::LogFont font;
        if (!ListFont::Read(&font))
            return {};
        return QStringLiteral("%1, height %2, weight %3")
            .arg(font.faceName)
            .arg(font.height)
            .arg(font.weight);
    }
    return Text(ReadFrom(key, e));
}

QString Text(const SettingInfo::Value& v)
{
    if (const auto* i = std::get_if<std::int32_t>(&v))
        return QString::number(*i);
    if (const auto* b = std::get_if<bool>(&v))
        return *b ? QStringLiteral("1") : QStringLiteral("0");
    if (const auto* d = std::get_if<double>(&v))
        return QString::number(*d);
    if (const auto* t = std::get_if<QString>(&v))
        return *t;
    if (const auto* r = std::get_if<reg::Rect>(&v))
        return QStringLiteral("%1,%2,%3,%4").arg(r->left).arg(r->top).arg(r->right).arg(r->bottom);
    return {};
}

QString TypeName(SettingType type)
{
    switch (type) {
    case SettingType::Number: return QStringLiteral("Number");
    case SettingType::Flag: return QStringLiteral("Flag");
    case SettingType::Real: return QStringLiteral("Real");
    case SettingType::Text: return QStringLiteral("Text");
    case SettingType::Rect: return QStringLiteral("Rect");
    case SettingType::Font: return QStringLiteral("Font");
    case SettingType::Stream: return QStringLiteral("Stream");
    case SettingType::Placement: return QStringLiteral("Placement");
    case SettingType::List: return QStringLiteral("List");
    }
    return {};
}

} // namespace SettingsSchema
