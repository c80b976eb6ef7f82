// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the widget tests: the texts a list or a tab widget shows, and
// work done on the modal dialog that opens next.
#pragma once

// The headers most widget tests use, once for all.
#include "app/Commands.h"
#include "app/ToolList.h"
#include "app/ViewSettings.h"
#include "events/Scheduler.h"
#include "gui/console/MiniPlaylistWnd.h"
#include "gui/dialogs/OptionsPage.h"
#include "gui/dialogs/PropertySheet.h"
#include "gui/dialogs/SoundPlayerDlg.h"
#include "gui/dialogs/SoundsPage.h"
#include "gui/frame/MainFrame.h"
#include "onair/EditCommands.h"
#include "onair/OnAirEngine.h"
#include "platform/IniFile.h"
#include "platform/registry/RegistryKey.h"
#include "playlist/AlbumDoc.h"
#include "playlist/Playlist.h"
#include "station/Station.h"
#include "support/TestEnv.h"
#include "support/TestMedia.h"

#include <QtTest>
#include <QtWidgets>
#include <gtest/gtest.h>

#include <functional>
#include <type_traits>

inline QStringList ItemTexts(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

inline QStringList TabTitles(const QTabWidget* tabs)
{
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    return titles;
}

// Runs `work` on the modal dialog (of class T) that opens next, sets *ran,
// and cancels the dialog if it is still open.
template <class T = QDialog>
void OnNextModal(std::type_identity_t<std::function<void(T&)>> work, bool* ran = nullptr)
{
    QTimer::singleShot(0, [work = std::move(work), ran] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        work(*dialog);
        if (ran)
            *ran = true;
        if (dialog->isVisible())
            dialog->reject();
    });
}
