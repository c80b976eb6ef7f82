// SPDX-License-Identifier: GPL-3.0-or-later
// Icons of the commands on the tool bars. The desktop's icon theme is asked
// first, by freedesktop icon name; where it has no picture for the name (or
// no theme is set, as under a bare X server) the console's own drawn icon
// stands in (BundledIcons.cpp). Play always shows the bundled green triangle,
// which the manual and About call "the green Play button".
// Thread: the GUI thread (needs a QGuiApplication; null icons without one).
#pragma once

#include <QIcon>
#include <QString>

QIcon CommandIcon(int id);
// The freedesktop icon name asked for id; empty where none fits (Play, Break,
// Close CD, Rename, the sound buttons).
QString ThemeIconName(int id);
// The console's own picture of id; null for commands without one.
QIcon BundledCommandIcon(int id);

// The console's own pictures of a file in the Tools menu, where the icon
// theme has none: a program window, a folder, a page.
enum class BundledFile { Program, Folder, Document };
QIcon BundledFileIcon(BundledFile kind);
