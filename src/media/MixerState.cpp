// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/MixerState.h"

#include "media/Mixer.h"
#include "platform/DataPaths.h"
#include "platform/Exception.h"
#include "platform/Logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace MixerState {
namespace {

using Key = std::pair<unsigned, unsigned>; // device, line id

Key KeyOf(const FoundLine& line)
{
    return {line.device, line.lineId};
}

struct Taken
{
    FoundLine found;
    int users = 0; // live items open on the line
};

std::mutex& Lock()
{
    static std::mutex lock;
    return lock;
}

std::map<Key, Taken>& TakenLines()
{
    static std::map<Key, Taken> lines;
    return lines;
}

// A whole number in 0..max from o[name]; nullopt when absent or anything else.
std::optional<unsigned> Number(const QJsonObject& o, const char* name, double max)
{
    const QJsonValue value = o.value(QLatin1String(name));
    const double d = value.toDouble(-1);
    if (!value.isDouble() || d < 0 || d > max || d != std::floor(d))
        return std::nullopt;
    return static_cast<unsigned>(d);
}

// The lines on file: empty when there is no file, nullopt (and why) when it
// cannot be read or is not what this program writes.
std::optional<std::vector<FoundLine>> ReadFile(QString* why)
{
    QFile file(FilePath());
    if (!file.exists())
        return std::vector<FoundLine>{};
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return std::nullopt;
    }
    // A handful of lines: a large file is not this one.
    constexpr qint64 kMaxBytes = 64 * 1024;
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(kMaxBytes + 1), &parse);
    if (parse.error != QJsonParseError::NoError) {
        *why = parse.errorString();
        return std::nullopt;
    }
    const QJsonValue list = doc.object().value(QLatin1String("lines"));
    if (!list.isArray()) {
        *why = QStringLiteral("no list of lines");
        return std::nullopt;
    }
    std::vector<FoundLine> lines;
    for (const QJsonValue& item : list.toArray()) {
        const QJsonObject o = item.toObject();
        const auto device = Number(o, "device", 0x7fffffff);
        const auto id = Number(o, "line", 0x7fffffff);
        const auto volume = Number(o, "volume", kMixerMaxLevel);
        const QJsonValue muted = o.value(QLatin1String("muted"));
        if (!device || !id || *id == 0 || !(muted.isUndefined() || muted.isBool()) ||
            (!volume && o.contains(QLatin1String("volume")))) {
            *why = QStringLiteral("a line without its device or id, or with a value out of range");
            return std::nullopt;
        }
        lines.push_back(
            {*device, *id, muted.isBool(), muted.toBool(), volume.has_value(), volume.value_or(0)});
    }
    return lines;
}

// Writes lines through a temporary file that is renamed; no lines, no file.
bool WriteFile(const std::vector<FoundLine>& lines, QString* why)
{
    if (lines.empty()) {
        QFile file(FilePath());
        if (!file.exists() || file.remove())
            return true;
        *why = file.errorString();
        return false;
    }
    QJsonArray list;
    for (const FoundLine& line : lines) {
        QJsonObject o{{QStringLiteral("device"), double(line.device)},
                      {QStringLiteral("line"), double(line.lineId)}};
        if (line.hasMute)
            o.insert(QStringLiteral("muted"), line.muted);
        if (line.hasVolume)
            o.insert(QStringLiteral("volume"), double(line.volume));
        list.append(o);
    }
    const QByteArray text = QJsonDocument(QJsonObject{{QStringLiteral("lines"), list}}).toJson();
    QDir().mkpath(QFileInfo(FilePath()).absolutePath());
    QSaveFile file(FilePath());
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return true;
    *why = file.errorString();
    return false;
}

void WarnUnwritten(const QString& why)
{
    qCWarning(lcMedia).noquote()
        << QStringLiteral("lirana: the mixer state file %1 cannot be written (%2)").arg(FilePath(), why);
}

FoundLine ReadLine(CMixer& mixer, unsigned device, unsigned lineId)
{
    const CMixerLineInfo info = mixer.GetLineById(lineId);
    FoundLine found{device, lineId, info.hasMute, false, info.hasVolume, 0};
    if (found.hasMute)
        found.muted = mixer.GetControlValue(mixer.GetLineControlByType(lineId, MixerControlType::Mute)) != 0;
    if (found.hasVolume)
        found.volume = mixer.GetControlValue(mixer.GetLineControlByType(lineId, MixerControlType::Volume));
    return found;
}

// A line found muted is muted before its volume comes back, one found
// audible is un-muted after: it never sounds at a level it did not have.
void Restore(CMixer& mixer, const FoundLine& line)
{
    if (line.hasMute && line.muted)
        mixer.SetControlValue(mixer.GetLineControlByType(line.lineId, MixerControlType::Mute), 1);
    if (line.hasVolume)
        mixer.SetControlValue(mixer.GetLineControlByType(line.lineId, MixerControlType::Volume), line.volume);
    if (line.hasMute && !line.muted)
        mixer.SetControlValue(mixer.GetLineControlByType(line.lineId, MixerControlType::Mute), 0);
}

} // namespace

QString FilePath()
{
    return DataPaths::StateDir() + QStringLiteral("/mixer-state.json");
}

FoundLine Acquire(CMixer& mixer, unsigned device, unsigned lineId)
{
    const std::lock_guard guard(Lock());
    const Key key{device, lineId};
    if (const auto it = TakenLines().find(key); it != TakenLines().end()) {
        ++it->second.users;
        return it->second.found;
    }
    QString why;
    const auto read = ReadFile(&why);
    if (!read)
        qCWarning(lcMedia).noquote() << QStringLiteral(
                                            "lirana: the damaged mixer state file %1 (%2) is replaced")
                                            .arg(FilePath(), why);
    std::vector<FoundLine> onFile = read.value_or(std::vector<FoundLine>{});
    const auto left = std::find_if(onFile.begin(), onFile.end(),
                                   [&](const FoundLine& l) { return KeyOf(l) == key; });
    // A line an earlier run could not give back: what it found is what counts.
    FoundLine found = left != onFile.end() ? *left : ReadLine(mixer, device, lineId);
    if (left == onFile.end()) {
        onFile.push_back(found);
        if (!WriteFile(onFile, &why))
            WarnUnwritten(why);
    }
    TakenLines()[key] = {found, 1};
    return found;
}

void Release(CMixer& mixer, unsigned device, unsigned lineId)
{
    const std::lock_guard guard(Lock());
    const auto it = TakenLines().find({device, lineId});
    if (it == TakenLines().end() || --it->second.users > 0)
        return;
    const FoundLine found = it->second.found;
    TakenLines().erase(it);
    Restore(mixer, found); // a failure keeps the entry for the next start
    QString why;
    std::vector<FoundLine> onFile = ReadFile(&why).value_or(std::vector<FoundLine>{});
    std::erase_if(onFile, [&](const FoundLine& l) { return KeyOf(l) == KeyOf(found); });
    if (!WriteFile(onFile, &why))
        WarnUnwritten(why);
}

void RestoreLeftOver()
{
    const std::lock_guard guard(Lock());
    QString why;
    const auto onFile = ReadFile(&why);
    if (!onFile) {
        qCWarning(lcMedia).noquote() << QStringLiteral(
                                            "lirana: the mixer state file %1 is damaged (%2): it is ignored")
                                            .arg(FilePath(), why);
        return;
    }
    if (onFile->empty())
        return;
    std::vector<FoundLine> kept; // lines not given back
    QString failure;
    for (const FoundLine& line : *onFile) {
        if (TakenLines().count(KeyOf(line)) != 0) {
            kept.push_back(line); // a live item holds it now and gives it back
            continue;
        }
        try {
            CMixer mixer;
            mixer.Open(line.device);
            Restore(mixer, line);
        } catch (const CException& e) {
            kept.push_back(line);
            failure = e.GetErrorMessage();
        }
    }
    if (kept.size() != onFile->size() && !WriteFile(kept, &why))
        WarnUnwritten(why);
    // Whole sentences, so that a station's log is searched for them as they stand.
    if (failure.isEmpty())
        qCInfo(lcMedia).noquote() << QStringLiteral(
                                         "lirana: %1 mixer line(s) a live item had changed when the "
                                         "program last ended were set back as it found them")
                                         .arg(onFile->size() - kept.size());
    else
        qCWarning(lcMedia).noquote() << QStringLiteral(
                                            "lirana: %1 mixer line(s) a live item had changed when the "
                                            "program last ended could not be set back (%2); they "
                                            "stay in %3")
                                            .arg(kept.size())
                                            .arg(failure, FilePath());
}

} // namespace MixerState
