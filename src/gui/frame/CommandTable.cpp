// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/frame/CommandTable.h"

#include <QCoreApplication>
#include <QHash>

QString CommandInfo::ToolTip() const
{
    const QString tip = prompt.section(u'\n', 1, 1);
    if (!tip.isEmpty())
        return tip;
    QString text = menuText.section(u'\t', 0, 0);
    text.remove(u'&');
    if (text.endsWith(QLatin1String("...")))
        text.chop(3);
    return text;
}

namespace {

QList<CommandInfo> Build()
{
    QList<CommandInfo> commands;
    for (const CommandDef& row : CommandTable()) {
        if (!*row.menuText && !*row.prompt)
            continue; // a command no menu, bar or key offers
        const QString keys = QString::fromLatin1(row.keys);
        // The texts in the display language; the built-in English where the
        // catalogue has none.
        auto text = [](const char* source) {
            return *source ? QCoreApplication::translate("Commands", source) : QString();
        };
        commands.append({row.id, text(row.menuText), text(row.prompt),
                         keys.isEmpty() ? QList<QKeySequence>()
                                        : QKeySequence::listFromString(keys, QKeySequence::PortableText),
                         row.check});
    }
    return commands;
}

} // namespace

namespace {

QList<CommandInfo>& Table()
{
    static QList<CommandInfo> table = Build();
    return table;
}

} // namespace

const QList<CommandInfo>& AllCommands()
{
    return Table();
}

void RetranslateCommands()
{
    Table() = Build(); // the same rows in the same order: the index stays valid
}

const CommandInfo* FindCommand(int id)
{
    static const QHash<int, int> index = [] {
        QHash<int, int> h;
        const auto& t = AllCommands();
        for (int i = 0; i < t.size(); ++i)
            h.insert(t[i].id, i);
        return h;
    }();
    const auto it = index.find(id);
    return it == index.end() ? nullptr : &AllCommands()[*it];
}

const QList<int>& PlayerModeCommands()
{
    static const QList<int> ids = {Cmd::ModeManual, Cmd::ModeNormal,  Cmd::ModeRepeat,
                                   Cmd::ModeRandom, Cmd::ModeShuffle, Cmd::ModeIntroScan};
    return ids;
}

int RadioGroup(int id)
{
    if (PlayerModeCommands().contains(id))
        return PlayerModeCommands().first();
    if (id >= Cmd::LanguageFirst && id < Cmd::LanguageFirst + 100)
        return Cmd::LanguageFirst;
    return 0;
}
