// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/frame/AcceleratorGuard.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTreeView>

bool CAcceleratorGuard::TakesText(const QWidget* w)
{
    if (const auto* edit = qobject_cast<const QLineEdit*>(w))
        return !edit->isReadOnly();
    if (const auto* edit = qobject_cast<const QTextEdit*>(w))
        return !edit->isReadOnly();
    if (const auto* edit = qobject_cast<const QPlainTextEdit*>(w))
        return !edit->isReadOnly();
    if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(w))
        return !spin->isReadOnly();
    if (const auto* combo = qobject_cast<const QComboBox*>(w))
        return combo->isEditable();
    // A tree searches for the typed letters (keyboard search).
    return qobject_cast<const QTreeView*>(w) != nullptr;
}

bool CAcceleratorGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers chords = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if ((key->modifiers() & chords) || key->key() == Qt::Key_F1 || key->key() == Qt::Key_F2 ||
        key->key() == Qt::Key_F6 || key->key() == Qt::Key_Pause)
        return false;
    if (!TakesText(static_cast<QWidget*>(watched)))
        return false;
    event->accept(); // the widget gets the key, the shortcut map does not
    return true;
}
