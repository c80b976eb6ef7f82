// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/StationFiles.h"

#include "platform/DataPaths.h"
#include "platform/Logging.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

// Writes text to path through a temporary file that is renamed; the folder
// is made when missing.
bool WriteWhole(const QString& path, const QByteArray& text, QString* error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

} // namespace

QString ResumePoint::Digest(const QStringList& rows)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(rows.join(u'\n').toUtf8(), QCryptographicHash::Sha1).toHex());
}

namespace ResumeRecord {

QString FilePath()
{
    return DataPaths::StateDir() + QStringLiteral("/resume.json");
}

std::optional<ResumePoint> Read()
{
    QFile file(FilePath());
    if (!file.exists())
        return std::nullopt;
    // Read with limits: a FIFO put there would hold the start-up, a huge
    // file its memory. Such a record is no record of ours.
    const QFileInfo info(file);
    if (!info.isFile() || info.size() > MaxResumeRecordBytes) {
        qCWarning(lcEngine).noquote()
            << "the resume record" << FilePath() << "is not a regular file of at most 64 KiB and is ignored";
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcEngine).noquote() << "the resume record cannot be read:" << file.errorString();
        return std::nullopt;
    }
    QJsonParseError parse{};
    const QJsonObject o = QJsonDocument::fromJson(file.read(MaxResumeRecordBytes), &parse).object();
    if (parse.error != QJsonParseError::NoError || !o.value(QLatin1String("item")).isString()) {
        qCWarning(lcEngine).noquote() << "the resume record" << FilePath() << "is damaged and is ignored";
        return std::nullopt;
    }
    ResumePoint point;
    point.album = o.value(QLatin1String("album")).toString();
    point.rowsDigest = o.value(QLatin1String("rowsDigest")).toString();
    point.row = o.value(QLatin1String("row")).toInt(-1);
    point.item = o.value(QLatin1String("item")).toString();
    point.positionMs = qint64(o.value(QLatin1String("positionMs")).toDouble());
    point.mode = o.value(QLatin1String("mode")).toInt();
    point.written = QDateTime::fromString(o.value(QLatin1String("written")).toString(), Qt::ISODate);
    point.clean = o.value(QLatin1String("clean")).toBool();
    return point;
}

bool Write(const ResumePoint& point, QString* error)
{
    const QJsonObject o{
        {QStringLiteral("album"), point.album},
        {QStringLiteral("rowsDigest"), point.rowsDigest},
        {QStringLiteral("row"), point.row},
        {QStringLiteral("item"), point.item},
        {QStringLiteral("positionMs"), double(point.positionMs)},
        {QStringLiteral("mode"), point.mode},
        {QStringLiteral("written"), point.written.toUTC().toString(Qt::ISODate)},
        {QStringLiteral("clean"), point.clean},
    };
    return WriteWhole(FilePath(), QJsonDocument(o).toJson(QJsonDocument::Compact), error);
}

void Clear()
{
    QFile::remove(FilePath());
}

} // namespace ResumeRecord

QByteArray NowPlaying::ToJson() const
{
    const QJsonObject o{
        {QStringLiteral("state"), idle ? QStringLiteral("idle") : QStringLiteral("playing")},
        {QStringLiteral("title"), title},
        {QStringLiteral("artist"), artist},
        {QStringLiteral("trackTitle"), trackTitle},
        {QStringLiteral("path"), path},
        {QStringLiteral("startedAt"), idle ? QString() : startedAt.toUTC().toString(Qt::ISODate)},
        {QStringLiteral("lengthMs"), double(lengthMs)},
        {QStringLiteral("next"), nextTitle},
    };
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

bool NowPlaying::WriteTo(const QString& file, QString* error) const
{
    return WriteWhole(file, ToJson(), error);
}
