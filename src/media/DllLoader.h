// SPDX-License-Identifier: GPL-3.0-or-later
// CDllLoader: binds an optional shared library and named entry points at run
// time (dlopen with RTLD_NOW | RTLD_LOCAL, dlsym). The library stays loaded
// for the loader's life and is closed by its destructor.
#pragma once

#include <QString>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class CDllLoader
{
public:
    CDllLoader(const QString& libraryName, std::initializer_list<const char*> entryPoints);
    virtual ~CDllLoader();
    CDllLoader(const CDllLoader&) = delete;
    CDllLoader& operator=(const CDllLoader&) = delete;

    // True only when the library and every entry point were found.
    virtual bool IsLoaded() const;

    // The address of entry point `index` (in constructor order) or of the
    // entry named `name`; null when not found.
    void* Entry(std::size_t index) const;
    void* Entry(std::string_view name) const;

    // Typed access: Fn is the function type, e.g. loader.Function<double(double)>(0).
    template <class Fn>
    Fn* Function(std::size_t index) const
    {
        return reinterpret_cast<Fn*>(Entry(index));
    }
    template <class Fn>
    Fn* Function(std::string_view name) const
    {
        return reinterpret_cast<Fn*>(Entry(name));
    }

    // An entry point the library may lack (not among the constructor's, and
    // not needed for IsLoaded): its address, or null.
    void* OptionalEntry(const char* name) const;

    const QString& LibraryName() const { return m_libraryName; }
    // The dynamic loader's text of the first failure; empty when loaded.
    const QString& ErrorText() const { return m_errorText; }

private:
    QString m_libraryName;
    void* m_handle = nullptr;
    std::vector<std::string> m_names;
    std::vector<void*> m_entries;
    QString m_errorText;
};
