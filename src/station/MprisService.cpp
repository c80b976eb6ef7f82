// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/MprisService.h"

#include "app/Commands.h"
#include "app/SettingsSchema.h"
#include "app/ViewSettings.h"
#include "media/MediaTrack.h"
#include "onair/EditCommands.h"
#include "onair/OnAirEngine.h"
#include "platform/DataPaths.h"
#include "platform/Exception.h"
#include "platform/Logging.h"
#include "platform/registry/RegistryKey.h"
#include "playlist/AlbumDoc.h"
#include "playlist/ItemDrop.h"
#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"
#include "station/Station.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDateTime>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

const char* const kObjectPath = "/org/mpris/MediaPlayer2";
const char* const kPlayerInterface = "org.mpris.MediaPlayer2.Player";
const char* const kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
// A position that differs from the one expected by more than this was moved.
constexpr qint64 kJumpMs = 1500;
constexpr int kPollMs = 200;

QString MetadataKey(const QVariantMap& map)
{
    return map.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path() + u'\n' +
           map.value(QStringLiteral("xesam:title")).toString() + u'\n' +
           map.value(QStringLiteral("mpris:length")).toString();
}

} // namespace

// org.mpris.MediaPlayer2: who the player is.
class CMprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

public:
    explicit CMprisRootAdaptor(CMprisService* service) : QDBusAbstractAdaptor(service), m_service(service) {}

    // A station is not ended from a panel applet: Quit is refused.
    static bool CanQuit() { return false; }
    bool CanRaise() const { return m_service->CanRaise(); }
    static bool HasTrackList() { return false; }
    static QString Identity() { return QStringLiteral("Lirana"); }
    static QString DesktopEntry() { return QStringLiteral("io.github.oxbelund.Lirana"); }
    static QStringList SupportedUriSchemes() { return {QStringLiteral("file")}; }
    // What OpenUri takes: media files, never list files.
    static QStringList SupportedMimeTypes()
    {
        return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-wav"),  QStringLiteral("audio/ogg"),
                QStringLiteral("audio/flac"), QStringLiteral("audio/x-aiff"), QStringLiteral("audio/midi"),
                QStringLiteral("audio/x-mod")};
    }

public slots:
    void Raise() { m_service->Raise(); }
    static void Quit() {}

private:
    CMprisService* m_service;
};

// org.mpris.MediaPlayer2.Player: the transport, the item on air, its level.
class CMprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)

public:
    explicit CMprisPlayerAdaptor(CMprisService* service) : QDBusAbstractAdaptor(service), m_service(service)
    {
        connect(service, &CMprisService::Seeked, this, &CMprisPlayerAdaptor::Seeked);
    }

    QString PlaybackStatus() const { return m_service->PlaybackStatus(); }
    // Items play at their own speed only.
    static double Rate() { return 1.0; }
    static void SetRate(double /*rate*/) {}
    QVariantMap Metadata() const { return m_service->Metadata(); }
    double Volume() const { return m_service->Volume(); }
    void SetVolume(double volume) { m_service->SetVolume(volume); }
    qlonglong Position() const { return m_service->PositionUs(); }
    bool CanGoNext() const { return m_service->CanGoNext(); }
    bool CanGoPrevious() const { return m_service->CanGoPrevious(); }
    bool CanPlay() const { return m_service->CanPlay(); }
    bool CanPause() const { return m_service->CanPause(); }
    bool CanSeek() const { return m_service->CanSeek(); }
    // True also when read-only: playerctl and applets leave out a player
    // that cannot be controlled, its metadata and position with it; its
    // methods then refuse what would change the air.
    static bool CanControl() { return true; }

public slots:
    void Next() { m_service->Next(); }
    void Previous() { m_service->Previous(); }
    void Pause() { m_service->Pause(); }
    void PlayPause() { m_service->PlayPause(); }
    void Stop() { m_service->Stop(); }
    void Play() { m_service->Play(); }
    void Seek(qlonglong offset) { m_service->Seek(offset); }
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position)
    {
        m_service->SetPosition(trackId.path(), position);
    }
    void OpenUri(const QString& uri) { m_service->OpenUri(uri); }

signals:
    void Seeked(qlonglong Position); // NOLINT(readability-identifier-naming): the bus's name

private:
    CMprisService* m_service;
};

CMprisService::CMprisService(CStation& station, Options options, QObject* parent)
    : QObject(parent), m_station(station), m_options(std::move(options)), m_control(m_options.defaultControl),
      m_bus(QStringLiteral("lirana-none"))
{
    new CMprisRootAdaptor(this);
    new CMprisPlayerAdaptor(this);
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &CMprisService::Refresh);
    connect(&station, &CStation::SlotsChanged, this, &CMprisService::Refresh, Qt::QueuedConnection);
    connect(&station, &CStation::TrackStarted, this, &CMprisService::Refresh, Qt::QueuedConnection);
}

CMprisService::~CMprisService()
{
    if (!m_busName.isEmpty()) {
        m_bus.unregisterService(m_busName);
        m_bus.unregisterObject(QLatin1String(kObjectPath));
    }
}

bool CMprisService::RegisterOnSessionBus()
{
    return Register(QDBusConnection::sessionBus());
}

CMprisService::Control CMprisService::StoredControl(Control fallback)
{
    const SettingInfo& e = SettingsSchema::Find(SettingsKey::Settings, QStringLiteral("Desktop control"));
    const std::int32_t stored = CRegistryKey::OpenAppSubkey(e.key).GetNumber(e.name, -1);
    return stored >= 0 && e.Accepts(stored) ? Control(stored) : fallback;
}

bool CMprisService::Register(const QDBusConnection& bus)
{
    m_control = StoredControl(m_options.defaultControl);
    if (m_control == Control::Off) {
        qCInfo(lcBus).noquote() << "\"Desktop control\" is off: the media-player interface is not on the bus";
        return false;
    }
    if (!bus.isConnected()) {
        qCDebug(lcBus).noquote() << "no session bus: the media-player interface is off"
                                 << bus.lastError().message();
        return false;
    }
    m_bus = bus;
    if (!m_bus.registerObject(QLatin1String(kObjectPath), this, QDBusConnection::ExportAdaptors)) {
        qCWarning(lcBus).noquote() << "the media-player object cannot be registered:"
                                   << m_bus.lastError().message();
        return false;
    }
    const QString name = BusNameFor(DataPaths::InstanceName());
    const QString instance = name + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
    for (const QString& candidate : {name, instance}) {
        if (m_bus.registerService(candidate)) {
            m_busName = candidate;
            break;
        }
    }
    if (m_busName.isEmpty()) {
        qCWarning(lcBus).noquote() << "the media-player bus name cannot be taken:"
                                   << m_bus.lastError().message();
        m_bus.unregisterObject(QLatin1String(kObjectPath));
        return false;
    }
    qCInfo(lcBus).noquote() << "media-player interface on the session bus as"
                            << m_busName + (m_control == Control::ReadOnly ? QStringLiteral(" (read-only)")
                                                                           : QString());
    Refresh();
    m_poll.start();
    return true;
}

QString CMprisService::BusNameFor(const QString& instance)
{
    QString name = QStringLiteral("org.mpris.MediaPlayer2.lirana");
    if (instance.isEmpty())
        return name;
    name += QStringLiteral(".station_");
    for (const QChar c : instance)
        name += c.isLetterOrNumber() && c.unicode() < 0x80 ? c : u'_';
    return name;
}

// State -----------------------------------------------------------------

QString CMprisService::PlaybackStatus() const
{
    const CMediaTrack* onAir = m_station.Engine().OnAir();
    // An item on its way (a skip, a start) is playing already.
    if (!onAir)
        return m_station.Engine().IsOpening() ? QStringLiteral("Playing") : QStringLiteral("Stopped");
    return onAir->IsPaused() ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

QString CMprisService::TrackId() const
{
    const CMediaTrack* onAir = m_station.Engine().OnAir();
    return onAir ? QStringLiteral("/io/github/oxbelund/Lirana/item/%1").arg(onAir->Serial())
                 : QLatin1String(kNoTrack);
}

QVariantMap CMprisService::Metadata() const
{
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(TrackId())));
    const CMediaTrack* onAir = m_station.Engine().OnAir();
    if (!onAir)
        return map;
    const QString& path = onAir->GetFileName();
    if (onAir->GetLength() > 0)
        map.insert(QStringLiteral("mpris:length"), qlonglong(onAir->GetLength()) * 1000);
    map.insert(QStringLiteral("xesam:title"), m_station.TitleOf(*onAir));
    // Pauses and control rows are no files.
    if (QFileInfo(path).isAbsolute())
        map.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(path).toString());
    return map;
}

qlonglong CMprisService::PositionUs() const
{
    const CMediaTrack* onAir = m_station.Engine().OnAir();
    return onAir ? qlonglong(std::max<TrackMs>(onAir->GetPosition(), 0)) * 1000 : 0;
}

double CMprisService::Volume() const
{
    const CMediaTrack* onAir = m_station.Engine().OnAir();
    return onAir && onAir->HasVolumeControl() ? double(onAir->GetVolume()) : 1.0;
}

void CMprisService::SetVolume(double volume)
{
    const CMediaTrack* onAir = m_station.Engine().OnAir();
    if (!MayControl("Volume") || !onAir || !onAir->HasVolumeControl() || std::isnan(volume))
        return;
    qCDebug(lcBus) << "Volume" << volume;
    m_station.Engine().OnVolumeSlider(float(std::clamp(volume, 0.0, 1.0)));
    Refresh();
}

bool CMprisService::Enabled(int id) const
{
    const auto state = m_station.OnUpdateCommand(id);
    return state && state->enabled;
}

bool CMprisService::CanGoNext() const
{
    return Enabled(Cmd::NextTrack);
}

bool CMprisService::CanGoPrevious() const
{
    return Enabled(Cmd::PrevTrack);
}

bool CMprisService::CanPlay() const
{
    return Enabled(Cmd::Play) || m_station.Engine().OnAir();
}

bool CMprisService::CanPause() const
{
    return Enabled(Cmd::Pause);
}

bool CMprisService::CanSeek() const
{
    const CMediaTrack* onAir = m_station.Engine().OnAir();
    return onAir && onAir->GetLength() > 0;
}

bool CMprisService::MayControl(const char* method) const
{
    if (m_control == Control::Full)
        return true;
    qCWarning(lcBus).noquote() << "refused" << method << "from the desktop: \"Desktop control\" is read-only";
    return false;
}

// Methods ---------------------------------------------------------------

bool CMprisService::Command(int id)
{
    const bool run = Enabled(id);
    qCDebug(lcBus) << "command" << id << (run ? "run" : "disabled");
    if (run)
        m_station.OnCommand(id);
    Refresh();
    return run;
}

void CMprisService::Raise()
{
    if (m_options.raise)
        m_options.raise();
}

void CMprisService::Play()
{
    if (!MayControl("Play"))
        return;
    // Play resumes a paused item and starts the selected row; a playing item
    // goes on.
    Command(Cmd::Play);
}

void CMprisService::Pause()
{
    if (!MayControl("Pause"))
        return;
    const CMediaTrack* onAir = m_station.Engine().OnAir();
    if (onAir && !onAir->IsPaused())
        Command(Cmd::Pause);
}

void CMprisService::PlayPause()
{
    if (!MayControl("PlayPause"))
        return;
    // Pause toggles an item on air; with nothing on air it is Play.
    Command(m_station.Engine().OnAir() ? Cmd::Pause : Cmd::Play);
}

void CMprisService::Stop()
{
    if (MayControl("Stop"))
        Command(Cmd::Stop);
}

void CMprisService::Next()
{
    if (MayControl("Next"))
        Command(Cmd::NextTrack);
}

void CMprisService::Previous()
{
    if (MayControl("Previous"))
        Command(Cmd::PrevTrack);
}

void CMprisService::SeekTo(qint64 ms)
{
    CMediaTrack* onAir = m_station.Engine().OnAir();
    if (!onAir)
        return;
    try {
        onAir->Seek(TrackMs(std::clamp<qint64>(ms, 0, onAir->GetLength())));
    } catch (const CException& error) {
        m_station.Engine().ReportTrackError(error);
        return;
    }
    // Announced at once, and not again by the poll.
    m_seenTrack = TrackId();
    m_seenMs = onAir->GetPosition();
    m_seenAt = QDateTime::currentMSecsSinceEpoch();
    emit Seeked(PositionUs());
    Refresh();
}

void CMprisService::Seek(qlonglong offsetUs)
{
    const CMediaTrack* onAir = m_station.Engine().OnAir();
    if (!MayControl("Seek") || !CanSeek())
        return;
    const qint64 target = qint64(onAir->GetPosition()) + offsetUs / 1000;
    // Past the end is the next item.
    if (target > onAir->GetLength())
        Next();
    else
        SeekTo(std::max<qint64>(target, 0));
}

void CMprisService::SetPosition(const QString& trackId, qlonglong positionUs)
{
    const CMediaTrack* onAir = m_station.Engine().OnAir();
    // A stale track id, or a position outside the item, is ignored.
    if (!MayControl("SetPosition") || !CanSeek() || trackId != TrackId() || positionUs < 0 ||
        positionUs / 1000 > onAir->GetLength())
        return;
    SeekTo(positionUs / 1000);
}

void CMprisService::OpenUri(const QString& uri)
{
    if (!MayControl("OpenUri"))
        return;
    // Any process of the session may call: what it sends is bounded, and
    // logged cut.
    if (uri.size() > MaxUriLength) {
        qCInfo(lcBus).noquote() << "OpenUri: refused a URI of" << uri.size() << "characters:" << uri.left(200)
                                << "...";
        return;
    }
    const QUrl url(uri);
    const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        qCInfo(lcBus).noquote() << "OpenUri: not a file here:" << uri.left(200);
        return;
    }
    CPlaylist& list = m_station.Playlist();
    // Media files only, whatever "media files only" says: a program or a
    // script named over the bus would run as a command item, and so would
    // the command rows of a mini playlist or an album.
    const ItemKind kind = GetItemKind(path);
    if (kind == ItemKind::MiniPlaylist || kind == ItemKind::Album ||
        !AddItem(list, QFileInfo(path).absoluteFilePath(), -1, true)) {
        qCInfo(lcBus).noquote() << "OpenUri: not a media file:" << path;
        return;
    }
    m_station.Document().Checkpoint(static_cast<std::uint32_t>(EditCmd::AddTracks));
    // It plays when nothing is on air; otherwise it waits for its turn.
    if (!m_station.Engine().OnAir() && !m_station.Engine().IsOpening()) {
        list.Select(list.Count() - 1);
        Command(Cmd::Play);
    }
    Refresh();
}

// Announcements ----------------------------------------------------------

void CMprisService::Refresh()
{
    if (m_busName.isEmpty())
        return;
    QVariantMap now{{QStringLiteral("PlaybackStatus"), PlaybackStatus()},
                    {QStringLiteral("Metadata"), Metadata()},
                    {QStringLiteral("Volume"), Volume()},
                    {QStringLiteral("CanGoNext"), CanGoNext()},
                    {QStringLiteral("CanGoPrevious"), CanGoPrevious()},
                    {QStringLiteral("CanPlay"), CanPlay()},
                    {QStringLiteral("CanPause"), CanPause()},
                    {QStringLiteral("CanSeek"), CanSeek()}};
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        const QVariant before = m_announced.value(it.key());
        // Metadata holds a track path, which QVariant does not compare.
        const bool same = it.key() == QLatin1String("Metadata")
                              ? before.isValid() &&
                                    MetadataKey(before.toMap()) == MetadataKey(it.value().toMap())
                              : before == it.value();
        if (!same)
            changed.insert(it.key(), it.value());
    }

    // Seeked: the position is not where playing (or holding) would have put it.
    const QString track = TrackId();
    const qint64 nowAt = QDateTime::currentMSecsSinceEpoch();
    const qint64 position = PositionUs() / 1000;
    if (track == m_seenTrack) {
        const qint64 expected = m_seenMs +
                                (PlaybackStatus() == QLatin1String("Playing") ? nowAt - m_seenAt : 0);
        if (std::abs(position - expected) > kJumpMs)
            emit Seeked(position * 1000);
    }
    m_seenTrack = track;
    m_seenMs = position;
    m_seenAt = nowAt;

    m_announced = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QLatin1String(kPlayerInterface) << changed << QStringList();
    m_bus.send(signal);
}

#include "MprisService.moc"
