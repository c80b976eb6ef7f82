// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/RecentFileList.h"

#include "platform/registry/RegistryKey.h"

namespace {

QString ValueName(int index)
{
    return SettingName::RecentFile.arg(index + 1);
}

} // namespace

CRecentFileList::CRecentFileList(QString subkey) : m_subkey(std::move(subkey)) {}

QStringList CRecentFileList::Files() const
{
    const CRegistryKey key = CRegistryKey::OpenAppSubkey(m_subkey);
    QStringList files;
    for (int i = 0; i < kSize; ++i) {
        // Read raw: a path may be longer than the 255 characters GetText keeps.
        reg::ValueType type = reg::ValueType::None;
        QByteArray data;
        if (!key.GetRaw(ValueName(i), &type, &data) || type != reg::ValueType::Sz)
            continue;
        const qsizetype end = data.indexOf('\0');
        const QString path = QString::fromUtf8(end < 0 ? data : data.left(end));
        if (!path.isEmpty() && !files.contains(path))
            files.append(path);
    }
    return files;
}

void CRecentFileList::Add(const QString& path)
{
    if (path.isEmpty())
        return;
    QStringList files = Files();
    files.removeAll(path);
    files.prepend(path);
    Write(files.mid(0, kSize));
}

void CRecentFileList::Remove(int index)
{
    QStringList files = Files();
    if (index < 0 || index >= files.size())
        return;
    files.removeAt(index);
    Write(files);
}

void CRecentFileList::Write(const QStringList& files)
{
    CRegistryKey key = CRegistryKey::OpenAppSubkey(m_subkey);
    for (int i = 0; i < kSize; ++i) {
        if (i < files.size())
            key.SetText(ValueName(i), files.at(i));
        else
            key.DeleteValue(ValueName(i));
    }
    key.Flush();
}
