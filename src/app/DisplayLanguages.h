// SPDX-License-Identifier: GPL-3.0-or-later
// The display languages: the built-in English and the translation
// catalogues registered machine-wide under the key "Languages" of the
// application's machine hive, one sub-key per language:
//   "LCID"          Number  locale id, its locale formats dates and numbers
//   "IsoCode"       Text    short code, remembered in "LanguageCode"
//   "Name"          Text    menu text (the sub-key's name when empty)
//   "ResourceFile"  Text    the Qt catalogue (.qm), absolute or relative to
//                           the installed share folder
// A language whose catalogue does not load, or without LCID or IsoCode, is
// left out. Selecting one installs its catalogue (and Qt's own for the
// standard buttons) on the application, which sends LanguageChange to every
// widget; windows made later read the new texts.
// Thread: the GUI thread (installs translators on the application).
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class CRegistryKey;
class QTranslator;

struct CDisplayLanguage
{
    quint32 lcid = 0;
    QString isoCode;
    QString name;
    QString resourceFile; // empty: the program's own texts
};

class CLanguageList
{
public:
    CLanguageList();
    ~CLanguageList();
    CLanguageList(const CLanguageList&) = delete;
    CLanguageList& operator=(const CLanguageList&) = delete;

    // Reads the registered languages again from the machine hive.
    void Reload();
    // 0: the built-in English; i >= 1: the i-th registered; null past the end.
    const CDisplayLanguage* GetLanguage(int index) const;
    // The built-in one and the registered ones, as the last Reload found them.
    int Count() const { return 1 + static_cast<int>(m_languages.size()); }
    int Current() const { return m_current; }

    // False (and nothing changes) when the catalogue cannot be loaded.
    bool Select(int index);
    // Selects the first language whose code equals code, ignoring case; the
    // built-in one is asked first. An unknown code keeps the current language
    // and still answers true.
    bool SelectByIsoCode(const QString& code);
    QString GetIsoCode() const;

    // Selects the language named by the text value name of key / stores the
    // current language's code there.
    void Load(const CRegistryKey& key, const QString& name);
    void Save(CRegistryKey& key, const QString& name) const;

    // The menu texts: "&" + the name of each language, the built-in first.
    // Reloads first, as the menu does each time it opens.
    QStringList MenuNames();

    // Where the catalogue of a ResourceFile value lies.
    static QString CatalogueFile(const QString& resourceFile);

private:
    CDisplayLanguage m_builtIn;
    std::vector<CDisplayLanguage> m_languages;
    int m_current = 0;
    // Catalogues selected earlier stay loaded; only the current ones are
    // installed.
    std::vector<std::unique_ptr<QTranslator>> m_loaded;
    std::vector<QTranslator*> m_installed;
};
