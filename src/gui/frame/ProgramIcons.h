// SPDX-License-Identifier: GPL-3.0-or-later
// The icons of the Tools menu and its dialogs (docs/tools.md). For a file:
//  - an image file (.png, .svg, .xpm, .ico and whatever Qt reads) is the
//    icon itself, the index picking the picture of a file that holds several;
//  - a program shows the Icon= of its desktop entry: the entry in the XDG
//    applications folders whose Exec or TryExec program is that program;
//  - anything else shows the icon theme's picture of its type (the MIME
//    type's icon name, then its generic icon name);
//  - where the theme has none, the console's own program, folder or page.
// Thread: the GUI thread (needs a QGuiApplication; null icons without one).
#pragma once

#include <QIcon>
#include <QString>

struct CTool;

// The icon of tool: of its IconFile, or of its command line when that is empty.
QIcon ToolIcon(const CTool& tool);

// The picture index of file (see above); the file's only icon for any index
// of a file that is no image file.
QIcon FileIcon(const QString& file, int index);
// How many pictures file holds: those of an image file, 1 for any other file
// or folder that is there, 0 for none.
int IconCount(const QString& file);

// The Icon= value of the desktop entry that starts program (a path or a
// name on the PATH); empty when no entry does.
QString DesktopEntryIcon(const QString& program);
