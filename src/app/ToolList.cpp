// SPDX-License-Identifier: GPL-3.0-or-later
// The tool records, their settings and the default tools.
#include "app/ToolList.h"

#include "app/ViewSettings.h"
#include "platform/DataPaths.h"
#include "platform/Shell.h"
#include "platform/registry/RegistryKey.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString kCommandLine = QStringLiteral("CommandLine");
const QString kParams = QStringLiteral("Params");
const QString kWorkDir = QStringLiteral("WorkDir");
const QString kStartOptions = QStringLiteral("StartOptions");
const QString kDescription = QStringLiteral("Description");
const QString kShortCut = QStringLiteral("ShortCut");
const QString kIconFile = QStringLiteral("IconFile");
const QString kIconNum = QStringLiteral("IconNum");

// Sub-keys count from 1.
QString EntryName(int index)
{
    return QStringLiteral("Tool %1").arg(index + 1);
}

std::uint32_t ReadNumber(const CRegistryKey& key, const QString& name, std::uint32_t def)
{
    return static_cast<std::uint32_t>(key.GetNumber(name, static_cast<std::int32_t>(def)));
}

void WriteNumber(CRegistryKey& key, const QString& name, std::uint32_t value)
{
    key.SetNumber(name, static_cast<std::int32_t>(value));
}

} // namespace

const char* const CTool::kShowStateNames[kShowStates] = {
    QT_TRANSLATE_NOOP("CTool", "hidden"),         QT_TRANSLATE_NOOP("CTool", "normal"),
    QT_TRANSLATE_NOOP("CTool", "minimized"),      QT_TRANSLATE_NOOP("CTool", "maximized"),
    QT_TRANSLATE_NOOP("CTool", "inactive"),       QT_TRANSLATE_NOOP("CTool", "active"),
    QT_TRANSLATE_NOOP("CTool", "minimize"),       QT_TRANSLATE_NOOP("CTool", "minimized, inactive"),
    QT_TRANSLATE_NOOP("CTool", "show, inactive"), QT_TRANSLATE_NOOP("CTool", "restore"),
};

void CTool::ReadFromRegistry(const CRegistryKey& key)
{
    const CTool def;
    commandLine = key.GetText(kCommandLine, def.commandLine);
    params = key.GetText(kParams, def.params);
    workDir = key.GetText(kWorkDir, def.workDir);
    startOptions = ReadNumber(key, kStartOptions, def.startOptions);
    description = key.GetText(kDescription, def.description);
    shortCut = ReadNumber(key, kShortCut, def.shortCut);
    iconFile = key.GetText(kIconFile, def.iconFile);
    iconNum = ReadNumber(key, kIconNum, def.iconNum);
}

void CTool::WriteToRegistry(CRegistryKey& key) const
{
    key.SetText(kCommandLine, commandLine);
    key.SetText(kParams, params);
    key.SetText(kWorkDir, workDir);
    WriteNumber(key, kStartOptions, startOptions);
    key.SetText(kDescription, description);
    WriteNumber(key, kShortCut, shortCut);
    key.SetText(kIconFile, iconFile);
    WriteNumber(key, kIconNum, iconNum);
}

CTool CTool::CreateFromFile(const QString& path)
{
    const QFileInfo info(path);
    CTool tool;
    tool.commandLine = path;
    tool.description = info.completeBaseName();
    tool.workDir = ToolFile::Split(path).dir;
    tool.startOptions = Normal;
    // A program file carries its own icon (its desktop entry's); any other
    // file shows the icon of its type.
    if (info.isFile() && info.isExecutable())
        tool.iconFile = path;
    return tool;
}

QString CTool::BrowsedDescription(const QString& path)
{
    const QString title = QFileInfo(path).completeBaseName().toLower();
    return title.isEmpty() ? title : title.left(1).toUpper() + title.mid(1);
}

void CTool::TakeBrowsedFile(const QString& path)
{
    commandLine = path;
    description = BrowsedDescription(path);
    params.clear();
    startOptions = Normal;
    iconFile = path;
    iconNum = 0;
}

CToolList::CToolList(QObject* parent) : QObject(parent) {}

int CToolList::IndexOfCommand(int id) const
{
    const int index = id - kFirstCommand;
    return id >= kFirstCommand && id <= kLastCommand && index < Count() ? index : -1;
}

void CToolList::Replace(std::vector<CTool> tools)
{
    m_tools = std::move(tools);
    emit Changed();
}

void CToolList::Append(const CTool& tool)
{
    m_tools.push_back(tool);
    emit Changed();
}

void CToolList::LoadFromRegistry(const CRegistryKey& app, const QString& mixer)
{
    m_tools.clear();
    const CRegistryKey key = CRegistryKey::Create(app, SettingsKey::ToolMenu);
    // Only kMaxTools have a command; a larger count is not read.
    const int count = std::clamp(key.GetNumber(SettingName::ToolCount, 0), 0, kMaxTools);
    for (int i = 0; i < count; ++i) {
        CTool tool;
        tool.ReadFromRegistry(CRegistryKey::Create(key, EntryName(i)));
        m_tools.push_back(tool);
    }
    if (m_tools.empty())
        AddDefaultTools(mixer);
    emit Changed();
}

void CToolList::SaveToRegistry(CRegistryKey& app) const
{
    app.DeleteSubkey(SettingsKey::ToolMenu);
    // The deletion must reach the hive before the new sub-keys do.
    app.Flush();
    CRegistryKey key = CRegistryKey::Create(app, SettingsKey::ToolMenu);
    for (int i = 0; i < Count(); ++i) {
        CRegistryKey entry = CRegistryKey::Create(key, EntryName(i));
        At(i).WriteToRegistry(entry);
    }
    key.SetNumber(SettingName::ToolCount, Count());
    key.Flush();
}

void CToolList::AddDefaultTools(const QString& mixer)
{
    const QString program = MixerCommand(mixer).value(0);
    const QString found = program.isEmpty() ? QString() : QStandardPaths::findExecutable(program);
    if (!found.isEmpty())
        m_tools.push_back(CTool::CreateFromFile(found));

    QString folder = DataPaths::SystemMediaFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    CTool media;
    media.description = tr("Media Files");
    media.commandLine = folder;
    media.iconFile = folder;
    media.startOptions = CTool::Normal;
    m_tools.push_back(media);
    emit Changed();
}
