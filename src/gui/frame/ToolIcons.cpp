// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/frame/ToolIcons.h"

#include "app/Commands.h"
#include "gui/frame/CommandTable.h"

#include <QHash>

QString ThemeIconName(int id)
{
    using namespace Cmd;
    static const QHash<int, QString> names = {
        {FileNew, QStringLiteral("document-new")},
        {FileOpen, QStringLiteral("document-open")},
        {FileSave, QStringLiteral("document-save")},
        {AddTracks, QStringLiteral("list-add")},
        {EditClear, QStringLiteral("list-remove")},
        {Undo, QStringLiteral("edit-undo")},
        {Redo, QStringLiteral("edit-redo")},
        {Find, QStringLiteral("edit-find")},
        {Options, QStringLiteral("preferences-system")},
        {AdvancedOptions, QStringLiteral("preferences-other")},
        {About, QStringLiteral("help-about")},
        {Help, QStringLiteral("help-contents")},
        {Cmd::Pause, QStringLiteral("media-playback-pause")},
        {Cmd::Stop, QStringLiteral("media-playback-stop")},
        {Cmd::PrevTrack, QStringLiteral("media-skip-backward")},
        {Cmd::Rewind, QStringLiteral("media-seek-backward")},
        {Cmd::FastForward, QStringLiteral("media-seek-forward")},
        {Cmd::NextTrack, QStringLiteral("media-skip-forward")},
        {Mixer, QStringLiteral("multimedia-volume-control")},
        {OpenCd, QStringLiteral("media-eject")},
        {AddCdTracks, QStringLiteral("media-optical")},
        {MoveTop, QStringLiteral("go-top")},
        {MoveUp, QStringLiteral("go-up")},
        {MoveDown, QStringLiteral("go-down")},
        {MoveBottom, QStringLiteral("go-bottom")},
    };
    return names.value(id);
}

QIcon CommandIcon(int id)
{
    const QIcon bundled = BundledCommandIcon(id);
    const QString name = ThemeIconName(id);
    if (name.isEmpty() || !QIcon::hasThemeIcon(name))
        return bundled;
    return QIcon::fromTheme(name);
}
