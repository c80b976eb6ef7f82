// SPDX-License-Identifier: GPL-3.0-or-later
// The file dialogs of the pages that pick a file (Sounds, Events): a picker
// is a function so that tests can answer in place of the operator, and the
// folder of a chosen file is remembered under its settings name.
// Thread: the user-interface thread.
#pragma once

#include <QString>
#include <functional>

class QWidget;

// (parent, filter, initial folder or file) -> the chosen path, empty when
// cancelled.
using FilePicker = std::function<QString(QWidget*, const QString&, const QString&)>;

// The desktop's open and save dialogs; a saved name without a suffix gets
// ".ini" (the lists these pages save are INI files).
QString AskOpenFile(QWidget* parent, const QString& filter, const QString& initial);
QString AskSaveIniFile(QWidget* parent, const QString& filter, const QString& initial);

// field (a folder setting of the console) and the value name of the
// "Settings" key become the folder of file.
void RememberFolder(const QString& name, QString& field, const QString& file);
