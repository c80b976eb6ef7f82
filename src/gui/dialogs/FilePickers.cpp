// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/FilePickers.h"

#include "app/ViewSettings.h"
#include "platform/registry/RegistryKey.h"

#include <QFileDialog>
#include <QFileInfo>

QString AskOpenFile(QWidget* parent, const QString& filter, const QString& initial)
{
    return QFileDialog::getOpenFileName(parent, {}, initial, filter);
}

QString AskSaveIniFile(QWidget* parent, const QString& filter, const QString& initial)
{
    QString chosen = QFileDialog::getSaveFileName(parent, {}, initial, filter);
    if (!chosen.isEmpty() && QFileInfo(chosen).suffix().isEmpty())
        chosen += QStringLiteral(".ini");
    return chosen;
}

void RememberFolder(const QString& name, QString& field, const QString& file)
{
    field = QFileInfo(file).absolutePath();
    CRegistryKey::OpenAppSubkey(SettingsKey::Settings).SetText(name, field);
}
