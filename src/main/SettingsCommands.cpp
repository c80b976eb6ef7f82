// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/SettingsCommands.h"

#include "app/SettingsSchema.h"
#include "events/EventList.h"
#include "events/EventTimeText.h"
#include "platform/registry/HiveStore.h"
#include "platform/registry/RegistryKey.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QLocale>

#include <cstdio>
#include <memory>

namespace {

const QString kEvents = QStringLiteral("Events");

const QStringList kCommands{QStringLiteral("set"), QStringLiteral("get"), QStringLiteral("list-events"),
                            QStringLiteral("add-event"), QStringLiteral("remove-event")};

int Error(const QString& message)
{
    std::fprintf(stderr, "lirana: %s\n", qPrintable(message));
    return 2;
}

// The program's own days, Sunday first as the mask's bits.
const char* const kDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

QString DaysText(std::uint32_t mask)
{
    if ((mask & 127u) == 127u)
        return QStringLiteral("every day");
    QStringList days;
    for (int bit = 0; bit < 7; ++bit)
        if (mask & (1u << bit))
            days << QString::fromLatin1(kDays[bit]);
    return days.isEmpty() ? QStringLiteral("never") : days.join(u',');
}

// "Mon,Wed,Fri", "all", or full English names; nullopt when a word is no day.
std::optional<std::uint32_t> ParseDays(const QString& text)
{
    if (text.trimmed().compare(QLatin1String("all"), Qt::CaseInsensitive) == 0)
        return 127u;
    std::uint32_t mask = 0;
    for (const QString& word : text.split(u',', Qt::SkipEmptyParts)) {
        const QString w = word.trimmed();
        int found = -1;
        for (int bit = 0; bit < 7 && found < 0; ++bit)
            if (w.length() >= 3 &&
                QString::fromLatin1(kDays[bit]).compare(w.left(3), Qt::CaseInsensitive) == 0 &&
                QLocale::c().dayName(bit == 0 ? 7 : bit).startsWith(w, Qt::CaseInsensitive))
                found = bit;
        if (found < 0)
            return std::nullopt;
        mask |= 1u << found;
    }
    return mask ? std::optional(mask) : std::nullopt;
}

WallTime Now()
{
    return ToWallTime(QDateTime::currentDateTime());
}

// The stored events; no "Events" key is no event (and opening one would
// make it, a write of the settings file).
CEventList LoadEvents()
{
    CEventList events;
    const CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    for (int i = 0; i < app.SubkeyCount(); ++i) {
        if (app.SubkeyName(i).compare(kEvents, Qt::CaseInsensitive) == 0) {
            events.LoadFromRegistry(app, Now(), kEvents);
            break;
        }
    }
    return events;
}

// One write of the hive for everything save() changes; 1 when it fails.
int SaveAll(const std::function<void()>& save)
{
    const std::shared_ptr<HiveStore> store = HiveStore::Instance();
    store->BeginSave();
    save();
    if (!store->EndSave()) {
        std::fputs("lirana: the settings file cannot be written (see above); nothing was changed\n", stderr);
        return 1;
    }
    return 0;
}

int SetValues(const QStringList& assignments)
{
    // Every assignment is checked before anything is written: one bad value
    // leaves the file as it was.
    std::vector<std::pair<const SettingInfo*, SettingInfo::Value>> values;
    for (const QString& assignment : assignments) {
        const qsizetype eq = assignment.indexOf(u'=');
        if (eq < 0)
            return Error(QStringLiteral("--set takes NAME=VALUE, not \"%1\"").arg(assignment));
        const QString name = assignment.left(eq);
        const SettingInfo* e = SettingsSchema::FindByName(name);
        if (!e)
            return Error(
                QStringLiteral("no setting is named \"%1\" (lirana --print-settings lists them)").arg(name));
        QString why;
        const std::optional<SettingInfo::Value> v = SettingsSchema::FromWords(*e, assignment.mid(eq + 1),
                                                                              &why);
        if (!v)
            return Error(why);
        values.emplace_back(e, *v);
    }
    return SaveAll([&] {
        for (const auto& [e, v] : values)
            SettingsSchema::Store(*e, v);
    });
}

int GetValues(const QStringList& names)
{
    QStringList out;
    for (const QString& name : names) {
        const SettingInfo* e = SettingsSchema::FindByName(name);
        if (!e)
            return Error(
                QStringLiteral("no setting is named \"%1\" (lirana --print-settings lists them)").arg(name));
        out << (SettingsSchema::HasWords(*e) ? SettingsSchema::Words(*e, SettingsSchema::Read(*e))
                                             : SettingsSchema::StoredText(*e));
    }
    for (const QString& line : out)
        std::printf("%s\n", line.toLocal8Bit().constData());
    return 0;
}

// number, first launch, day or hour, days, waits or immediately, expiry, file
int ListEvents()
{
    const CEventList events = LoadEvents();
    for (int i = 0; i < events.Count(); ++i) {
        const CScheduledEvent& e = events.At(i);
        const QString row = QStringList{QString::number(i + 1),
                                        FormatStoredDate(e.startDate),
                                        e.everyHour ? QStringLiteral("hourly") : QStringLiteral("daily"),
                                        DaysText(e.weekDayMask),
                                        e.exact ? QStringLiteral("immediately") : QStringLiteral("waits"),
                                        FormatStoredDate(e.expireDate),
                                        e.fileName}
                                .join(u'\t');
        std::printf("%s\n", row.toLocal8Bit().constData());
    }
    return 0;
}

// The event editor's checks: a file name the editor's field holds, dates
// that read in the locale's form or the stored one.
int AddEvent(const QCommandLineParser& line)
{
    const QString file = line.value(QStringLiteral("add-event"));
    if (file.trimmed().isEmpty())
        return Error(QStringLiteral("--add-event needs the file the event plays"));
    if (file.size() > EventTimeText::MaxFileNameLength)
        return Error(QStringLiteral("the file name of an event holds at most %1 characters")
                         .arg(EventTimeText::MaxFileNameLength));
    if (!line.isSet(QStringLiteral("at")))
        return Error(
            QStringLiteral("--add-event needs --at: the first launch, as \"%1\" or 2026-12-8 7:30:00")
                .arg(EventTimeText::Format()));
    CScheduledEvent event(Now());
    event.fileName = file;
    for (const auto& [option, field] : {std::pair{QStringLiteral("at"), &event.startDate},
                                        std::pair{QStringLiteral("expires"), &event.expireDate}}) {
        if (!line.isSet(option))
            continue;
        const std::optional<WallTime> t = EventTimeText::Parse(line.value(option));
        if (!t)
            return Error(QStringLiteral("Please enter a valid date and time (%1): --%2 \"%3\"")
                             .arg(EventTimeText::Format(), option, line.value(option)));
        *field = *t;
    }
    if (line.isSet(QStringLiteral("days"))) {
        const std::optional<std::uint32_t> mask = ParseDays(line.value(QStringLiteral("days")));
        if (!mask)
            return Error(QStringLiteral("--days takes days such as Mon,Wed,Fri or all, not \"%1\"")
                             .arg(line.value(QStringLiteral("days"))));
        event.weekDayMask = *mask;
    }
    event.everyHour = line.isSet(QStringLiteral("hourly"));
    event.exact = line.isSet(QStringLiteral("immediately"));
    CEventList events = LoadEvents();
    event.ComputeNextRun(Now());
    events.Append(event);
    const int status = SaveAll([&] {
        CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
        events.SaveToRegistry(app, kEvents);
    });
    if (status == 0)
        std::printf("%d\n", events.Count());
    return status;
}

int RemoveEvent(const QString& number)
{
    CEventList events = LoadEvents();
    bool ok = false;
    const int n = number.toInt(&ok);
    if (!ok || n < 1 || n > events.Count())
        return Error(
            QStringLiteral("there is no event %1 (--list-events shows %2)").arg(number).arg(events.Count()));
    events.RemoveAt(n - 1);
    return SaveAll([&] {
        CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
        events.SaveToRegistry(app, kEvents);
    });
}

} // namespace

namespace SettingsCommands {

bool Wanted(const QStringList& args)
{
    for (const QString& arg : args) {
        if (arg == QLatin1String("--"))
            break;
        if (arg.startsWith(QLatin1String("--")))
            return kCommands.contains(arg.mid(2).section(u'=', 0, 0));
    }
    return false;
}

int Run(const QStringList& args, const char* usage, const char* version)
{
    for (const QString& arg : args) {
        if (arg == QLatin1String("--"))
            break;
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (arg == QLatin1String("--version")) {
            std::printf("lirana %s\n", version);
            return 0;
        }
    }
    QCommandLineParser line;
    line.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QStringList valued{QStringLiteral("set"),         QStringLiteral("get"),
                             QStringLiteral("add-event"),   QStringLiteral("at"),
                             QStringLiteral("expires"),     QStringLiteral("days"),
                             QStringLiteral("remove-event")};
    for (const QString& name : valued)
        line.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
    for (const char* name : {"list-events", "hourly", "immediately"})
        line.addOption(QCommandLineOption(QString::fromLatin1(name)));
    if (!line.parse(QStringList{QStringLiteral("lirana")} + args))
        return Error(line.errorText());
    if (!line.positionalArguments().isEmpty())
        return Error(QStringLiteral("unexpected argument \"%1\"").arg(line.positionalArguments().first()));
    int commands = 0;
    for (const QString& name : kCommands)
        commands += line.isSet(name) ? 1 : 0;
    const bool eventOptions = line.isSet(QStringLiteral("at")) || line.isSet(QStringLiteral("expires")) ||
                              line.isSet(QStringLiteral("days")) || line.isSet(QStringLiteral("hourly")) ||
                              line.isSet(QStringLiteral("immediately"));
    if (commands != 1 || line.values(QStringLiteral("add-event")).size() > 1 ||
        line.values(QStringLiteral("remove-event")).size() > 1)
        return Error(
            QStringLiteral("one of --set, --get, --list-events, --add-event, --remove-event at a time"));
    if (eventOptions && !line.isSet(QStringLiteral("add-event")))
        return Error(
            QStringLiteral("--at, --expires, --days, --hourly and --immediately go with --add-event"));
    if (line.isSet(QStringLiteral("set")))
        return SetValues(line.values(QStringLiteral("set")));
    if (line.isSet(QStringLiteral("get")))
        return GetValues(line.values(QStringLiteral("get")));
    if (line.isSet(QStringLiteral("list-events")))
        return ListEvents();
    if (line.isSet(QStringLiteral("add-event")))
        return AddEvent(line);
    return RemoveEvent(line.value(QStringLiteral("remove-event")));
}

} // namespace SettingsCommands
