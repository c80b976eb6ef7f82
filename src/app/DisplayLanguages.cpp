// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DisplayLanguages.h"

#include "platform/DataPaths.h"
#include "platform/registry/RegistryKey.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

const QString kLanguagesKey = QStringLiteral("Software\\Oxbelund\\Lirana\\Languages");

// The locale of a Windows locale id; the language's own code where the id is
// not one of these.
QLocale LocaleOf(const CDisplayLanguage& language)
{
    struct Known
    {
        quint32 lcid;
        const char* name;
    };
    static constexpr Known known[] = {
        {1029, "cs_CZ"}, {1030, "da_DK"}, {1031, "de_DE"}, {1033, "en_US"}, {1035, "fi_FI"},
        {1036, "fr_FR"}, {1038, "hu_HU"}, {1040, "it_IT"}, {1043, "nl_NL"}, {1044, "nb_NO"},
        {1045, "pl_PL"}, {1046, "pt_BR"}, {1049, "ru_RU"}, {1053, "sv_SE"}, {2055, "de_CH"},
        {2057, "en_GB"}, {2070, "pt_PT"}, {3079, "de_AT"}, {3082, "es_ES"}, {4108, "fr_CH"},
    };
    for (const Known& k : known) {
        if (k.lcid == language.lcid)
            return QLocale(QString::fromLatin1(k.name));
    }
    return QLocale(language.isoCode);
}

// Loads a catalogue; null when the file is missing or not a catalogue.
std::unique_ptr<QTranslator> LoadCatalogue(const QString& file)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(file))
        return nullptr;
    return translator;
}

} // namespace

CLanguageList::CLanguageList()
{
    m_builtIn.lcid = 1033;
    m_builtIn.isoCode = QStringLiteral("en");
    m_builtIn.name = QStringLiteral("English");
}

CLanguageList::~CLanguageList()
{
    for (QTranslator* translator : m_installed)
        QCoreApplication::removeTranslator(translator);
}

QString CLanguageList::CatalogueFile(const QString& resourceFile)
{
    if (resourceFile.isEmpty() || QDir::isAbsolutePath(resourceFile))
        return resourceFile;
    return DataPaths::ShareDir() + u'/' + resourceFile;
}

void CLanguageList::Reload()
{
    m_languages.clear();
    const CRegistryKey key = CRegistryKey::Open(reg::Root::LocalMachine, kLanguagesKey);
    for (int i = 0; i < key.SubkeyCount(); ++i) {
        const QString subkey = key.SubkeyName(i);
        const CRegistryKey entry = CRegistryKey::Open(reg::Root::LocalMachine,
                                                      kLanguagesKey + u'\\' + subkey);
        CDisplayLanguage language;
        language.lcid = static_cast<quint32>(entry.GetNumber(QStringLiteral("LCID"), 0));
        language.isoCode = entry.GetText(QStringLiteral("IsoCode"), QString());
        language.name = entry.GetText(QStringLiteral("Name"), QString());
        language.resourceFile = entry.GetText(QStringLiteral("ResourceFile"), QString());
        if (language.lcid == 0 || language.isoCode.isEmpty() || language.resourceFile.isEmpty())
            continue;
        if (!LoadCatalogue(CatalogueFile(language.resourceFile)))
            continue; // loaded to test, dropped again
        if (language.name.isEmpty())
            language.name = subkey;
        m_languages.push_back(std::move(language));
    }
    if (m_current >= Count())
        m_current = 0; // a language that went away leaves the built-in one in force
}

const CDisplayLanguage* CLanguageList::GetLanguage(int index) const
{
    if (index == 0)
        return &m_builtIn;
    if (index < 0 || index > static_cast<int>(m_languages.size()))
        return nullptr;
    return &m_languages[static_cast<std::size_t>(index - 1)];
}

bool CLanguageList::Select(int index)
{
    const CDisplayLanguage* language = GetLanguage(index);
    if (!language)
        return false;
    std::vector<QTranslator*> install;
    if (!language->resourceFile.isEmpty()) {
        std::unique_ptr<QTranslator> own = LoadCatalogue(CatalogueFile(language->resourceFile));
        if (!own)
            return false;
        install.push_back(own.get());
        m_loaded.push_back(std::move(own));
        // Qt's own texts (the standard buttons, the file dialogs) where the
        // system has a catalogue for this language; without one they stay
        // English.
        const QLocale locale = LocaleOf(*language);
        auto qt = std::make_unique<QTranslator>();
        if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            install.push_back(qt.get());
            m_loaded.push_back(std::move(qt));
        }
    }
    for (QTranslator* translator : m_installed)
        QCoreApplication::removeTranslator(translator);
    m_installed = install;
    for (QTranslator* translator : m_installed)
        QCoreApplication::installTranslator(translator);
    // The built-in language keeps the person's own locale for dates and
    // numbers; a registered one brings its own.
    QLocale::setDefault(index == 0 ? QLocale::system() : LocaleOf(*language));
    m_current = index;
    return true;
}

bool CLanguageList::SelectByIsoCode(const QString& code)
{
    const QLocale locale; // the person's locale, as the comparison asks
    auto same = [&](const QString& other) { return locale.toLower(code) == locale.toLower(other); };
    if (same(m_builtIn.isoCode))
        return Select(0);
    Reload();
    for (int i = 1; i < Count(); ++i) {
        if (same(GetLanguage(i)->isoCode))
            return Select(i);
    }
    return true;
}

QString CLanguageList::GetIsoCode() const
{
    return GetLanguage(m_current)->isoCode;
}

void CLanguageList::Load(const CRegistryKey& key, const QString& name)
{
    SelectByIsoCode(key.GetText(name, QString()));
}

void CLanguageList::Save(CRegistryKey& key, const QString& name) const
{
    key.SetText(name, GetIsoCode());
}

QStringList CLanguageList::MenuNames()
{
    Reload();
    QStringList names;
    for (int i = 0; i < Count(); ++i)
        names << u'&' + GetLanguage(i)->name;
    return names;
}
