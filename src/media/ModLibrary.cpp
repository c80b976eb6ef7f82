// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/ModLibrary.h"

#include "platform/Logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

CModLibrary::CModLibrary(const QString& path)
    : m_loader(path, {"ModPlug_Initialize", "ModPlug_Shutdown", "ModPlug_Create", "ModPlug_CreateEx",
                      "ModPlug_Destroy", "ModPlug_Load", "ModPlug_SetWindow", "ModPlug_Play", "ModPlug_Stop",
                      "ModPlug_GetVersion", "ModPlug_IsReady", "ModPlug_IsPlaying", "ModPlug_GetMaxPosition",
                      "ModPlug_GetCurrentPosition", "ModPlug_SetCurrentPosition", "ModPlug_GetVolume",
                      "ModPlug_SetVolume"})
{
    if (!m_loader.IsLoaded())
        return;
    CreateEx = m_loader.Function<ModPlug_CreateEx_t>("ModPlug_CreateEx");
    Destroy = m_loader.Function<ModPlug_Destroy_t>("ModPlug_Destroy");
    Load = m_loader.Function<ModPlug_Load_t>("ModPlug_Load");
    SetWindow = m_loader.Function<ModPlug_SetWindow_t>("ModPlug_SetWindow");
    Play = m_loader.Function<ModPlug_Play_t>("ModPlug_Play");
    Stop = m_loader.Function<ModPlug_Stop_t>("ModPlug_Stop");
    IsPlaying = m_loader.Function<ModPlug_IsPlaying_t>("ModPlug_IsPlaying");
    GetMaxPosition = m_loader.Function<ModPlug_GetMaxPosition_t>("ModPlug_GetMaxPosition");
    GetCurrentPosition = m_loader.Function<ModPlug_GetCurrentPosition_t>("ModPlug_GetCurrentPosition");
    SetCurrentPosition = m_loader.Function<ModPlug_SetCurrentPosition_t>("ModPlug_SetCurrentPosition");
    GetVolume = m_loader.Function<ModPlug_GetVolume_t>("ModPlug_GetVolume");
    SetVolume = m_loader.Function<ModPlug_SetVolume_t>("ModPlug_SetVolume");
    SetOutput = reinterpret_cast<ModPlug_SetOutput_t*>(m_loader.OptionalEntry("ModPlug_SetOutput"));
    if (!SetOutput)
        qCInfo(lcMedia).noquote() << path
                                  << "has no ModPlug_SetOutput: modules play on the library's own output, "
                                     "not on the air bus";
    m_loader.Function<ModPlug_Initialize_t>("ModPlug_Initialize")();
}

CModLibrary::~CModLibrary()
{
    if (m_loader.IsLoaded())
        m_loader.Function<ModPlug_Shutdown_t>("ModPlug_Shutdown")();
}

const CModLibrary& CModLibrary::Instance()
{
    static const CModLibrary library(DefaultPath());
    return library;
}

QString CModLibrary::FileName()
{
    return QStringLiteral("libnpmod32.so");
}

QString CModLibrary::DefaultPath()
{
    QStringList folders;
    if (QCoreApplication::instance())
        folders << QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/lirana");
    folders << QStringLiteral(LIRANA_BUILD_PLUGIN_DIR) << QStringLiteral(LIRANA_INSTALL_PLUGIN_DIR);
    for (const QString& folder : folders) {
        const QString path = QDir::cleanPath(folder + u'/' + FileName());
        if (QFileInfo::exists(path))
            return path;
    }
    return QStringLiteral(LIRANA_INSTALL_PLUGIN_DIR) + u'/' + FileName();
}
