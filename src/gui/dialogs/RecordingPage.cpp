// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/RecordingPage.h"

#include "platform/DataPaths.h"
#include "platform/registry/RegistryKey.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>

#include <algorithm>

namespace {

const QString kKey = QStringLiteral("Settings");
const QString kRecord = QStringLiteral("AirCheck");
const QString kFolder = QStringLiteral("AirCheck Folder");
const QString kSeconds = QStringLiteral("AirCheck File Seconds");
const QString kFormat = QStringLiteral("AirCheck Format");
const QString kKeepDays = QStringLiteral("AirCheck Keep Days");
const QString kMinFree = QStringLiteral("AirCheck Min Free MB");
const QString kLoudness = QStringLiteral("Loudness Target");

constexpr int kMaxMinutes = 24 * 60;
constexpr int kMaxKeepDays = 3650;
constexpr int kMaxFreeMb = 1024 * 1024;

} // namespace

const QStringList& CRecordingPage::Formats()
{
    static const QStringList names{QStringLiteral("flac"), QStringLiteral("ogg"), QStringLiteral("mp3")};
    return names;
}

const std::vector<int>& CRecordingPage::Targets()
{
    static const std::vector<int> targets{0, -23, -16};
    return targets;
}

CRecordingPage::Values CRecordingPage::Stored()
{
    const CRegistryKey key = CRegistryKey::OpenAppSubkey(kKey);
    Values v;
    v.record = key.GetFlag(kRecord, false);
    v.folder = key.GetText(kFolder, QString());
    // A length of less than a minute shows as one.
    v.minutes = std::max(1, key.GetNumber(kSeconds, 3600) / 60);
    v.format = std::max(0, int(Formats().indexOf(key.GetText(kFormat, Formats()[0]).toLower())));
    v.keepDays = key.GetNumber(kKeepDays, 31);
    v.minFreeMb = key.GetNumber(kMinFree, 1024);
    const auto target = std::find(Targets().begin(), Targets().end(), key.GetNumber(kLoudness, 0));
    v.loudness = target == Targets().end() ? 0 : int(target - Targets().begin());
    return v;
}

CRecordingPage::CRecordingPage(UserInterface* ui, QWidget* parent)
    : COptionsPage(tr("Recording"), ui, parent), m_stored(Stored()), m_values(m_stored)
{
    AddNote(tr("The air as it leaves the mixer is recorded into files of a set length, in a folder for "
               "each day."));
    QCheckBox* record = AddCheck(tr("&Record the air"), m_values.record);
    QLineEdit* folder = AddText(tr("&Folder:"), m_values.folder, 1024, [](QWidget* owner, const QString& at) {
        return QFileDialog::getExistingDirectory(owner, tr("Select Folder"), at);
    });
    folder->setPlaceholderText(DataPaths::AppDataDir() + QStringLiteral("/air-check"));
    std::vector<QWidget*> follow{folder};
    follow.push_back(AddNumber(tr("File &length (minutes):"), m_values.minutes, 1, kMaxMinutes));
    follow.push_back(AddList(tr("F&ormat:"), {tr("FLAC"), tr("Ogg Vorbis"), tr("MP3")}, m_values.format));
    follow.push_back(AddNumber(tr("&Keep files for (days, 0: always):"), m_values.keepDays, 0, kMaxKeepDays));
    follow.push_back(AddNumber(tr("&Warn below free space (MB):"), m_values.minFreeMb, 0, kMaxFreeMb));
    EnableWhile(record, follow);
    AddList(tr("&Air every file at:"), {tr("its own loudness"), tr("-23 LUFS"), tr("-16 LUFS")},
            m_values.loudness);
}

bool CRecordingPage::SaveLoudness() const
{
    if (m_values.loudness == m_stored.loudness)
        return false;
    CRegistryKey::OpenAppSubkey(kKey).SetNumber(kLoudness, Targets().at(std::size_t(m_values.loudness)));
    return true;
}

bool CRecordingPage::Save() const
{
    Values recording = m_values;
    recording.loudness = m_stored.loudness;
    if (recording == m_stored)
        return false;
    CRegistryKey key = CRegistryKey::OpenAppSubkey(kKey);
    if (m_values.record != m_stored.record)
        key.SetFlag(kRecord, m_values.record);
    if (m_values.folder != m_stored.folder)
        key.SetText(kFolder, m_values.folder.trimmed());
    if (m_values.minutes != m_stored.minutes)
        key.SetNumber(kSeconds, m_values.minutes * 60);
    if (m_values.format != m_stored.format)
        key.SetText(kFormat, Formats().value(m_values.format, Formats()[0]));
    if (m_values.keepDays != m_stored.keepDays)
        key.SetNumber(kKeepDays, m_values.keepDays);
    if (m_values.minFreeMb != m_stored.minFreeMb)
        key.SetNumber(kMinFree, m_values.minFreeMb);
    return true;
}
