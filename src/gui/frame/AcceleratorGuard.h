// SPDX-License-Identifier: GPL-3.0-or-later
// CAcceleratorGuard: keeps the console's keys out of text fields. While a
// widget that takes typed text has the focus (an editable line edit, text
// edit, spin box or combo box, or a tree view, where typing searches the
// tree: the console's folder tree), a key without Ctrl, Alt or Meta goes to
// that widget and no accelerator fires: "P" types a P into the find field
// and finds the next folder starting with P in the tree, but plays when the
// playlist or the console has the focus. Installed on the application; keys
// with Ctrl or Alt are left to the widgets' own overrides.
#pragma once

#include <QObject>

class QWidget;

class CAcceleratorGuard : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // True when w takes typed text now (also to search it).
    static bool TakesText(const QWidget* w);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
