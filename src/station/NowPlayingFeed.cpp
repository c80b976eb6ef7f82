// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/NowPlayingFeed.h"

#include "app/SettingsSchema.h"
#include "app/ToolList.h"
#include "app/ViewSettings.h"
#include "media/MediaTags.h"
#include "media/MediaTrack.h"
#include "media/TrackWork.h"
#include "onair/OnAirEngine.h"
#include "platform/Exception.h"
#include "platform/Logging.h"
#include "platform/Shell.h"
#include "playlist/ItemPath.h"
#include "station/StationFiles.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QProcess>
#include <QPromise>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

// Commands still running when the next start comes are left to finish; past
// this many the next is not started (a hung web hook must not pile up).
constexpr int MaxRunningCommands = 4;

NowPlaying IdleRecord()
{
    NowPlaying record;
    record.idle = true;
    return record;
}

} // namespace

CNowPlayingFeed::CNowPlayingFeed(COnAirEngine& engine, QObject* parent) : QObject(parent), m_engine(engine) {}

CNowPlayingFeed::~CNowPlayingFeed() = default;

QString CNowPlayingFeed::TitleOf(const CMediaTrack& track) const
{
    return track.Serial() == m_serial && !m_title.isEmpty() ? m_title
                                                            : GetItemDisplayName(track.GetFileName());
}

void CNowPlayingFeed::ItemStarted()
{
    const CMediaTrack* onAir = m_engine.OnAir();
    if (m_shutDown || !onAir)
        return;
    const std::uint64_t serial = onAir->Serial();
    const QString path = onAir->GetFileName();
    m_serial = serial;
    m_title.clear();
    // Devices, pauses and control rows have no tags to read.
    if (!QFileInfo(path).isFile()) {
        Publish({});
        return;
    }
    auto promise = std::make_shared<QPromise<MediaTags>>();
    auto* watcher = new QFutureWatcher<MediaTags>(this);
    connect(watcher, &QFutureWatcher<MediaTags>::finished, this, [this, watcher, serial] {
        const QFuture<MediaTags> future = watcher->future();
        TagsRead(serial, future.resultCount() > 0 ? future.result() : MediaTags{});
        watcher->deleteLater();
    });
    watcher->setFuture(promise->future());
    promise->start();
    try {
        TrackWork::Run([promise, path] {
            promise->addResult(ReadMediaTags(path, TagTimeoutMs));
            promise->finish();
        });
    } catch (const CException&) {
        promise->finish(); // no thread: the item keeps its file's name
    }
}

void CNowPlayingFeed::TagsRead(std::uint64_t serial, const MediaTags& tags)
{
    const CMediaTrack* onAir = m_engine.OnAir();
    // A result for an item no longer on air is dropped: the item after it
    // has its own reading.
    if (m_shutDown || !onAir || onAir->Serial() != serial)
        return;
    const QString title = tags.OnAirText();
    if (!title.isEmpty()) {
        m_title = title;
        m_engine.ShowOnAir(title); // the slots change: the console and the bus see it
    }
    Publish(tags);
}

void CNowPlayingFeed::Publish(const MediaTags& tags)
{
    const CMediaTrack* onAir = m_engine.OnAir();
    if (!onAir)
        return;
    NowPlaying now;
    now.title = TitleOf(*onAir);
    now.artist = tags.artist;
    now.trackTitle = tags.title;
    now.path = onAir->GetFileName();
    now.startedAt = QDateTime::currentDateTimeUtc().addMSecs(-std::max<qint64>(onAir->GetPosition(), 0));
    now.lengthMs = std::max<qint64>(onAir->GetLength(), 0);
    now.nextTitle = m_engine.HasNextItem() ? m_engine.ComingUpNext() : QString();
    emit TitleOnAir(tags.title.isEmpty() ? QString() : tags.artist,
                    tags.title.isEmpty() ? now.title : tags.title);
    if (!m_engine.Settings().nowPlayingFile.isEmpty()) {
        WriteFile(now);
        m_playingWritten = true;
    }
    RunCommand(tags, now.title, now.path);
}

void CNowPlayingFeed::SlotsChanged()
{
    if (m_playingWritten && !m_shutDown && m_engine.IsIdle()) {
        m_playingWritten = false;
        WriteFile(IdleRecord());
    }
}

void CNowPlayingFeed::Shutdown()
{
    if (std::exchange(m_shutDown, true))
        return;
    if (!m_engine.Settings().nowPlayingFile.isEmpty())
        WriteFile(IdleRecord());
    m_playingWritten = false;
}

void CNowPlayingFeed::WriteFile(const NowPlaying& record)
{
    const QString file = m_engine.Settings().nowPlayingFile;
    QString error;
    if (record.WriteTo(file, &error))
        m_fileError.clear();
    else if (std::exchange(m_fileError, error) != error)
        qCWarning(lcEngine).noquote() << "the now-playing file" << file << "cannot be written:" << error;
}

void CNowPlayingFeed::RunCommand(const MediaTags& tags, const QString& title, const QString& path)
{
    const QString commandLine =
        SettingsSchema::Stored<QString>(SettingsKey::Settings, QStringLiteral("NowPlayingCommand")).trimmed();
    if (commandLine.isEmpty())
        return;
    QString message;
    const std::optional<ToolLaunch> launch = PrepareCommandLine(commandLine, path, &message);
    if (!launch || launch->desktopEntry) {
        qCWarning(lcEngine).noquote()
            << "NowPlayingCommand:"
            << (launch ? QStringLiteral("a launcher entry is no program") : message.replace(u'\n', u' '));
        return;
    }
    if (m_running >= MaxRunningCommands) {
        qCWarning(lcEngine).noquote()
            << "NowPlayingCommand: not started," << m_running << "earlier ones are still running";
        return;
    }
    auto* process = new QProcess(this);
    process->setProgram(launch->program);
    process->setArguments(launch->args);
    if (!launch->workDir.isEmpty())
        process->setWorkingDirectory(launch->workDir);
    // What the station's children get, and the item on air on top.
    QProcessEnvironment env = ChildEnvironment();
    env.insert(QStringLiteral("LIRANA_ON_AIR"), title);
    env.insert(QStringLiteral("LIRANA_ARTIST"), tags.artist);
    env.insert(QStringLiteral("LIRANA_TITLE"), tags.title);
    env.insert(QStringLiteral("LIRANA_PATH"), path);
    process->setProcessEnvironment(env);
    // Its output is diagnostics: stdout may be the play-log stream.
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    const QString program = launch->program;
    connect(process, &QProcess::readyRead, this, [process] {
        while (process->canReadLine())
            qCInfo(lcEngine).noquote()
                << "NowPlayingCommand:" << QString::fromLocal8Bit(process->readLine()).trimmed();
    });
    connect(process, &QProcess::finished, this,
            [this, process, program](int code, QProcess::ExitStatus status) {
                const QString rest = QString::fromLocal8Bit(process->readAll()).trimmed();
                if (!rest.isEmpty())
                    qCInfo(lcEngine).noquote() << "NowPlayingCommand:" << rest;
                if (status != QProcess::NormalExit || code != 0)
                    qCWarning(lcEngine).noquote()
                        << "NowPlayingCommand" << program << "ended with status" << code;
                --m_running;
                process->deleteLater();
            });
    connect(process, &QProcess::errorOccurred, this, [this, process, program](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        qCWarning(lcEngine).noquote()
            << "NowPlayingCommand" << program << "cannot be started:" << process->errorString();
        --m_running;
        process->deleteLater();
    });
    ++m_running;
    process->start();
}
