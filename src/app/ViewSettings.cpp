// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ViewSettings.h"

#include "app/SettingsSchema.h"
#include "platform/DataPaths.h"

#include <QDir>
#include <QFileInfo>

CViewSettings::CViewSettings()
{
    SettingsSchema::ApplyDefaults(*this);
}

void CViewSettings::Load()
{
    SettingsSchema::Load(*this);
    if (mediaDir.isEmpty())
        mediaDir = DataPaths::SystemMediaFolder();
}

void CViewSettings::Save() const
{
    SettingsSchema::Save(*this);
}

void CViewSettings::ApplyWorkingDir() const
{
    if (!workingDir.isEmpty() && QFileInfo(workingDir).isDir())
        QDir::setCurrent(workingDir);
}

namespace ListFont {

bool Read(reg::LogFont* font)
{
    if (CRegistryKey::OpenAppSubkey(QString()).ReadFont(SettingsKey::Font, font))
        return true;
    return CRegistryKey::OpenAppSubkey(SettingsKey::Settings).ReadFont(SettingsKey::Font, font);
}

void Write(const reg::LogFont& font)
{
    CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    app.WriteFont(SettingsKey::Font, font);
    app.Close();
    CRegistryKey settings = CRegistryKey::OpenAppSubkey(SettingsKey::Settings);
    reg::LogFont old;
    if (settings.ReadFont(SettingsKey::Font, &old))
        settings.DeleteSubkey(SettingsKey::Font);
}

} // namespace ListFont
