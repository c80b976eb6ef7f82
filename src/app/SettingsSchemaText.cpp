// SPDX-License-Identifier: GPL-3.0-or-later
// Settings in words: what `lirana --set NAME=VALUE` reads and `--get NAME`
// prints, checked against the table's ranges and choices.
#include "app/SettingsSchema.h"

#include <QDir>
#include <QLocale>

#include <cmath>

namespace {

using S = SettingInfo;

// Text settings that hold a folder or a file: a relative one is made
// absolute when set, since the program's current folder is another.
bool IsPath(const S& e)
{
    return e.type == SettingType::Text &&
           (e.name.endsWith(QLatin1String("Dir"), Qt::CaseInsensitive) ||
            e.name.compare(QLatin1String("NowPlayingFile"), Qt::CaseInsensitive) == 0);
}

std::optional<std::int32_t> Integer(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<std::int32_t>(value) : std::nullopt;
}

QString RangeText(const S& e)
{
    if (!e.choices.isEmpty())
        return QStringLiteral("one of: %1").arg(e.choices.join(QLatin1String(", ")));
    if (!e.range)
        return {};
    return QStringLiteral("%1 to %2").arg(QString::number(e.range->min), QString::number(e.range->max));
}

} // namespace

namespace SettingsSchema {

const SettingInfo* FindByName(const QString& name)
{
    const QString wanted = name.trimmed();
    const SettingInfo* bare = nullptr;
    int bareCount = 0;
    for (const SettingInfo& e : All()) {
        if (e.PathName().compare(wanted, Qt::CaseInsensitive) == 0)
            return &e;
        if (e.name.compare(wanted, Qt::CaseInsensitive) == 0) {
            bare = &e;
            ++bareCount;
        }
    }
    return bareCount == 1 ? bare : nullptr;
}

bool HasWords(const SettingInfo& e)
{
    switch (e.type) {
    case SettingType::Number:
    case SettingType::Flag:
    case SettingType::Real:
    case SettingType::Text:
    case SettingType::Rect: return true;
    default: return false;
    }
}

QString Words(const SettingInfo& e, const SettingInfo::Value& v)
{
    if (const auto* i = std::get_if<std::int32_t>(&v))
        return *i >= 0 && *i < e.choices.size() ? e.choices.at(*i) : QString::number(*i);
    if (const auto* b = std::get_if<bool>(&v))
        return *b ? QStringLiteral("on") : QStringLiteral("off");
    if (const auto* d = std::get_if<double>(&v)) {
        QString text = QLocale::c().toString(*d, 'g', 15);
        if (!text.contains(u'.') && !text.contains(u'e'))
            text += QLatin1String(".0");
        return text;
    }
    return Text(v);
}

std::optional<SettingInfo::Value> FromWords(const SettingInfo& e, const QString& text, QString* error)
{
    const QString word = text.trimmed();
    auto fail = [&](const QString& why) {
        *error = why;
        return std::nullopt;
    };
    auto outside = [&] {
        return fail(QStringLiteral("%1 takes %2, not \"%3\"").arg(e.PathName(), RangeText(e), text));
    };
    SettingInfo::Value v;
    switch (e.type) {
    case SettingType::Number: {
        std::optional<std::int32_t> n = Integer(word);
        for (int i = 0; !n && i < e.choices.size(); ++i)
            if (e.choices.at(i).compare(word, Qt::CaseInsensitive) == 0)
                n = i;
        if (!n)
            return e.choices.isEmpty()
                       ? fail(QStringLiteral("%1 takes a whole number, not \"%2\"").arg(e.PathName(), text))
                       : outside();
        v = *n;
        break;
    }
    case SettingType::Flag: {
        const QString w = word.toLower();
        if (w == QLatin1String("on") || w == QLatin1String("yes") || w == QLatin1String("true") ||
            w == QLatin1String("1"))
            v = true;
        else if (w == QLatin1String("off") || w == QLatin1String("no") || w == QLatin1String("false") ||
                 w == QLatin1String("0"))
            v = false;
        else
            return fail(QStringLiteral("%1 takes on or off, not \"%2\"").arg(e.PathName(), text));
        break;
    }
    case SettingType::Real: {
        bool ok = false;
        const double d = QLocale::c().toDouble(word, &ok);
        if (!ok || !std::isfinite(d))
            return fail(QStringLiteral("%1 takes a number such as 2.5, not \"%2\"").arg(e.PathName(), text));
        v = d;
        break;
    }
    case SettingType::Text: {
        // A relative path would be read against another folder later; a
        // variable ($HOME, ${VAR}, %VAR%) or "~" is left for the program.
        const bool keep = text.isEmpty() || text.startsWith(u'/') || text.startsWith(u'$') ||
                          text.startsWith(u'~') || text.startsWith(u'%');
        v = IsPath(e) && !keep ? QDir::cleanPath(QDir::current().absoluteFilePath(text)) : text;
        break;
    }
    case SettingType::Rect: {
        const QStringList parts = word.split(u',');
        std::optional<std::int32_t> n[4];
        for (int i = 0; i < 4 && parts.size() == 4; ++i)
            n[i] = Integer(parts.at(i));
        if (parts.size() != 4 || !n[0] || !n[1] || !n[2] || !n[3])
            return fail(QStringLiteral("%1 takes left,top,right,bottom, not \"%2\"").arg(e.PathName(), text));
        v = reg::Rect{*n[0], *n[1], *n[2], *n[3]};
        break;
    }
    default:
        return fail(QStringLiteral("%1 (%2) is written by the program itself, not from the command line")
                        .arg(e.PathName(), TypeName(e.type)));
    }
    if (!e.Accepts(v))
        return outside();
    return v;
}

void Store(const SettingInfo& e, const SettingInfo::Value& v)
{
    CRegistryKey key = CRegistryKey::OpenAppSubkey(e.key);
    if (const auto* i = std::get_if<std::int32_t>(&v))
        key.SetNumber(e.name, *i);
    else if (const auto* b = std::get_if<bool>(&v))
        key.SetFlag(e.name, *b);
    else if (const auto* d = std::get_if<double>(&v))
        key.SetReal(e.name, *d);
    else if (const auto* t = std::get_if<QString>(&v))
        key.SetText(e.name, *t);
    else if (const auto* r = std::get_if<reg::Rect>(&v))
        key.WriteRect(e.name, *r);
    key.Flush();
}

} // namespace SettingsSchema
