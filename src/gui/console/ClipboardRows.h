// SPDX-License-Identifier: GPL-3.0-or-later
// The rows a paste adds: what a text editor, a terminal or a file manager
// put on the clipboard, one row per line.
// Thread: the user-interface thread.
#pragma once

#include <QStringList>

class QMimeData;

// A file manager's list of files (text/uri-list): the local paths of its
// file URIs, other URIs as they stand, its comment lines skipped. Plain
// text: one row per line, whatever ends the lines (LF, CR LF, CR or a mix);
// a line that is a file URI becomes its local path. Blank lines are
// skipped. Empty when there is nothing to paste.
QStringList ClipboardRows(const QMimeData* mime);
