// SPDX-License-Identifier: GPL-3.0-or-later
// CMprisService: the station as a media player of the desktop, on the
// session bus as org.mpris.MediaPlayer2.lirana (the MPRIS2 root and Player
// interfaces), so that media keys, panel applets and `playerctl` drive it.
//
// Every method goes through the station's commands and their enable state:
// what the console's menu would refuse, the bus refuses too (silently, as
// the interface wants). The "Desktop control" setting decides how much the
// desktop may do: full; read-only (what is on air, its position and level
// are shown, every method that would change the air is refused with a
// diagnostics line, so that a desktop's "pause all" or a headset button
// cannot take the station off air); off (no interface on the bus). Properties that change are announced with
// PropertiesChanged, checked on each change of the slots and five times a
// second; a position that jumps (seek, fast forward, a new range) is
// announced with Seeked.
//
// Thread: the station's.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <QVariantMap>
#include <functional>

class CStation;

class CMprisService : public QObject
{
    Q_OBJECT

public:
    // The longest URI OpenUri takes; a longer one is refused and logged cut.
    static constexpr int MaxUriLength = 4096;

    // The "Desktop control" setting's values, by their stored numbers.
    enum class Control { Full, ReadOnly, Off };

    struct Options
    {
        // Raise: brings the console's window to the front; empty = the
        // player cannot be raised (the headless runner).
        std::function<void()> raise;
        // What "Desktop control" means when it is not set: full for the
        // console, read-only for the headless runner.
        Control defaultControl = Control::Full;
    };

    // The stored "Desktop control", or fallback when it is not set (or not
    // one of the values).
    static Control StoredControl(Control fallback);

    CMprisService(CStation& station, Options options, QObject* parent = nullptr);
    ~CMprisService() override;

    // The bus name of the station's media player: "org.mpris.MediaPlayer2.lirana",
    // or for a station of its own (--instance NAME) ".station_NAME" appended,
    // every character a bus name cannot hold made '_'
    // (playerctl --player=lirana.station_NAME).
    static QString BusNameFor(const QString& instance);

    // Registers the object and takes the bus name: BusNameFor the instance,
    // or with ".instance<pid>" appended when another run holds it. False
    // (and one diagnostics line) when there is no bus or "Desktop control"
    // is off. Reads "Desktop control" each time.
    bool Register(const QDBusConnection& bus);
    // The session bus, when there is one.
    bool RegisterOnSessionBus();
    QString BusName() const { return m_busName; }

    // The state as the bus sees it.
    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    qlonglong PositionUs() const;
    double Volume() const;
    void SetVolume(double volume);
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    bool CanPlay() const;
    bool CanPause() const;
    bool CanSeek() const;
    bool CanRaise() const { return bool(m_options.raise); }
    Control DesktopControl() const { return m_control; }

    // The methods.
    void Raise();
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong offsetUs);
    void SetPosition(const QString& trackId, qlonglong positionUs);
    void OpenUri(const QString& uri);

signals:
    void Seeked(qlonglong positionUs);

private:
    // The station's command is enabled now.
    bool Enabled(int id) const;
    // False, with a diagnostics line naming method, when the desktop may
    // only watch.
    bool MayControl(const char* method) const;
    // Runs the station's command when it is enabled now.
    bool Command(int id);
    void SeekTo(qint64 ms);
    QString TrackId() const;
    // Compares the announced properties with now and announces the changes.
    void Refresh();

    CStation& m_station;
    Options m_options;
    Control m_control;
    QDBusConnection m_bus;
    QString m_busName;
    QTimer m_poll;
    QVariantMap m_announced;
    // For Seeked: the position last seen, on which track, and when.
    QString m_seenTrack;
    qint64 m_seenMs = 0;
    qint64 m_seenAt = 0;
};
