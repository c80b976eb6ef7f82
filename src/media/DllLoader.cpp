// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/DllLoader.h"
#include <QCoreApplication>

#include <dlfcn.h>

CDllLoader::CDllLoader(const QString& libraryName, std::initializer_list<const char*> entryPoints)
    : m_libraryName(libraryName)
{
    for (const char* name : entryPoints)
        m_names.emplace_back(name);
    m_entries.assign(m_names.size(), nullptr);

    dlerror();
    m_handle = dlopen(libraryName.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* text = dlerror();
        m_errorText = text
                          ? QString::fromLocal8Bit(text)
                          : QCoreApplication::translate("DllLoader", "%1: cannot be loaded").arg(libraryName);
        return;
    }
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        dlerror();
        m_entries[i] = dlsym(m_handle, m_names[i].c_str());
        if (!m_entries[i] && m_errorText.isEmpty()) {
            const char* text = dlerror();
            m_errorText = text ? QString::fromLocal8Bit(text)
                               : QCoreApplication::translate("DllLoader", "%1: entry point %2 not found")
                                     .arg(libraryName, QString::fromStdString(m_names[i]));
        }
    }
}

CDllLoader::~CDllLoader()
{
    if (m_handle)
        dlclose(m_handle);
}

bool CDllLoader::IsLoaded() const
{
    if (!m_handle)
        return false;
    for (void* entry : m_entries)
        if (!entry)
            return false;
    return true;
}

void* CDllLoader::Entry(std::size_t index) const
{
    return index < m_entries.size() ? m_entries[index] : nullptr;
}

void* CDllLoader::Entry(std::string_view name) const
{
    for (std::size_t i = 0; i < m_names.size(); ++i)
        if (m_names[i] == name)
            return m_entries[i];
    return nullptr;
}

void* CDllLoader::OptionalEntry(const char* name) const
{
    return m_handle ? dlsym(m_handle, name) : nullptr;
}
