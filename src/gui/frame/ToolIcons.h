// Icons of the tool-bar buttons: the style's standard pictures where one
// fits, else a small drawn glyph (the sound buttons' digits, letters).
#pragma once

#include <QIcon>

QIcon CommandIcon(int id);
