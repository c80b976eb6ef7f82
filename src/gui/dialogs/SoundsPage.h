// SPDX-License-Identifier: GPL-3.0-or-later
// CSoundsPage: the "Sounds" page, which edits a copy of the nine sound slots:
// Play (a sound window), Modify (a file for the slot), Delete (the slot
// becomes unassigned), Load and Save (a sounds file). Apply, on OK of the
// sheet that holds it, copies the slots into the live list and stores them
// in the settings; without Apply nothing changes.
//
// The folders of the file dialogs are remembered in the settings "SoundDir"
// (a sound) and "SoundListDir" (a sounds file). The file dialogs can be
// replaced (tests).
// Thread: the user-interface thread.
#pragma once

#include "gui/dialogs/FilePickers.h"
#include "gui/dialogs/SoundPlayerDlg.h"
#include "playlist/SoundList.h"

#include <QWidget>
#include <functional>

class QListWidget;
class QListWidgetItem;
class QPushButton;
class UserInterface;
struct CViewSettings;

class CSoundsPage : public QWidget
{
    Q_OBJECT

public:
    struct Pickers
    {
        FilePicker sound;    // Modify
        FilePicker openList; // Load
        FilePicker saveList; // Save
    };

    CSoundsPage(CSoundList& live, CViewSettings& settings, QWidget* parent = nullptr);

    void SetPickers(Pickers pickers) { m_pickers = std::move(pickers); }
    void SetTracks(CSoundPlayerDlg::TrackFactory factory, UserInterface* ui);

    // OK of the sheet: the live list takes the page's slots and is stored.
    void Apply();

    QListWidget* List() const { return m_list; }
    const CSoundList& Edited() const { return m_edited; }
    void Play();
    void Modify();
    void Delete();
    void Load();
    void Save();

private:
    void Refill(int select);
    int Current() const;
    void Activated(QListWidgetItem* item);
    void Tell(const QString& message);
    // A sounds file from picker; its folder is remembered ("SoundListDir").
    QString AskSoundsFile(const FilePicker& picker);

    CSoundList& m_live;
    CSoundList m_edited;
    CViewSettings& m_settings;
    Pickers m_pickers;
    CSoundPlayerDlg::TrackFactory m_tracks;
    UserInterface* m_ui = nullptr;
    QListWidget* m_list = nullptr;
};
