// SPDX-License-Identifier: GPL-3.0-or-later
// CLiranaView: the on-air console. It shows the engine (previously played,
// on air, coming up next, count-down, the two volume sliders), holds the
// master playlist list box, the upcoming-events list and the folder tree,
// owns the position bar's behaviour and the texts of the position and
// length status panes, and handles the playlist editing commands; the
// engine's commands are forwarded to it.
//
// Contract with the frame: it routes each command to this view first
// (CommandTarget), hands over the position bar with SetPositionBar, shows
// PaneTextChanged texts in the panes and StatusMessage in the message area
// (an empty text gives the area back), and routes CommandRequested ids as
// if the operator had chosen them. The state is refreshed every 150 ms on
// the GUI thread (RefreshIdle).
#pragma once

#include "gui/LiveTexts.h"

#include "app/CommandTarget.h"
#include "gui/AppContext.h"
#include "media/MediaTrack.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class CCDDatabase;
class CEventsPage;
class CPlaylistListBox;
class CUpcomingEventsModel;
class QCheckBox;
class QFileSystemModel;
class QLabel;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QTimer;
class QTreeView;
class Shell;
struct CViewSettings;

class CLiranaView : public QWidget, public CommandTarget, public CommandTextSource
{
    Q_OBJECT

public:
    static constexpr int kIdleMs = 150;
    static constexpr int kTreeMinHeight = 51;
    using TrackFactory = std::function<std::unique_ptr<CMediaTrack>(const QString&)>;

    CLiranaView(const CAppContext& context, QWidget* parent = nullptr);
    ~CLiranaView() override;

    bool OnCommand(int id) override;
    std::optional<CommandState> OnUpdateCommand(int id) const override;
    // The sound buttons are worded by their slots.
    QString CommandMenuText(int id) const override;
    QString CommandToolTip(int id) const override;

    // The frame's position bar (horizontal, 0..640); the view drives it.
    void SetPositionBar(QSlider* bar);
    // The scheduler's upcoming events; the list, label and check box follow it.
    void SetUpcomingEvents(CUpcomingEventsModel* model);
    void SetShell(Shell* shell);
    // Opens tracks for Total Length (default: CreateTrack).
    void SetTrackFactory(TrackFactory factory);

    // Person-facing pickers, replaceable for tests; each returns nothing (or
    // an empty list) when cancelled.
    struct Pickers
    {
        std::function<QStringList(QWidget*, const QString& folder)> addTracks;
        std::function<std::optional<QFont>(QWidget*, const QFont& current)> font;
    };
    void SetPickers(Pickers pickers);

    // Find next from the frame's find dialog; selects the row found.
    // False when nothing is selected or nothing matched (selection kept).
    bool FindNext(const QString& text, bool matchCase, bool down);
    // A drop of names (files or folders) before row index (-1: append).
    void DropFiles(const QStringList& names, int index);
    // Adds the folder tree's selected files at the end (double click, Enter).
    void AddTreeSelection();
    // Total Length; Escape aborts between rows.
    void ComputeTotalLength();
    // One idle pass: texts, count-down, sliders, position bar, panes.
    void RefreshIdle();

    QString PaneText(int id) const;
    bool PaneEnabled(int id) const;
    // Writes the list font, the list options and the tree's folder.
    void SaveSettings() const;

    CPlaylistListBox* ListBox() const { return m_list; }
    // The CD database of the disc in the drive (names of CD rows).
    CCDDatabase& CdDatabase() const { return *m_cd; }
    QTreeView* FolderTree() const { return m_tree; }
    QPlainTextEdit* OnAirBox() const { return m_onAirBox; }
    QPlainTextEdit* PreviousBox() const { return m_previousBox; }
    QPlainTextEdit* NextBox() const { return m_nextBox; }
    QLabel* CountDown() const { return m_countDown; }
    // "Paused" and "Break" beside the count-down while they hold.
    QLabel* PlayState() const { return m_playState; }
    QLabel* OnAirLabel() const { return m_onAirLabel; }
    QSlider* OnAirVolume() const { return m_onAirVolume; }
    QSlider* FadingVolume() const { return m_fadingVolume; }
    QListView* EventsList() const { return m_events; }
    QLabel* EventsLabel() const { return m_eventsLabel; }

signals:
    void PaneTextChanged(int id, const QString& text);
    void StatusMessage(const QString& text);
    void CommandRequested(int id);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Layout (LiranaViewLayout.cpp).
    void BuildLayout();
    QWidget* BuildLeftColumn();
    QWidget* BuildRightColumn();
    void BuildFolderTree(QWidget* holder);
    void LoadSettings();
    // Idle (LiranaViewIdle.cpp).
    void SetPane(int id, const QString& text);
    void SetBoxText(QPlainTextEdit* box, const QString& text);
    void UpdateOnAirLabel(bool onAir);
    // wanted when it is a folder, else the nearest folder above it that is
    // there (the home folder at worst); empty wanted: the media folder.
    static QString ExistingFolder(const QString& wanted);
    // The item the tree opens at to its top, when the tree can show it; at
    // once, or once the events posted by then have run.
    void ScrollTreeToStart();
    void QueueTreeScroll();
    // What "Coming up next" shows: a waiting event due before the item on
    // air (remainingMs left) hands over, else the engine's next row.
    QString ComingUpText(bool onAir, TrackMs remainingMs) const;
    void UpdateEventsState();
    // Position bar (LiranaViewPosition.cpp).
    void UpdatePositionBar();
    void OnBarAction(int action);
    void OnBarReleased();
    void SeekTo(int barPosition);
    // Commands (LiranaViewCommands.cpp).
    bool OnEditCommand(int id);
    void AddTracks();
    void AddPause();
    void AddCdTracks();
    void Copy(bool cut);
    void Paste();
    void ChooseFont();
    void StartMixer(const QString& commandLine);
    void Checkpoint(int commandId);
    void AutoPlayIfWasEmpty(bool wasEmpty);
    void PlayRow(int row);
    // A sound window for slot index (from 0) when it is assigned.
    void PlaySound(int index);
    // The "Advanced Options" sheet with the Sounds page alone.
    void EditSounds();
    // The "Advanced Options" sheet with the Events page alone.
    void EditSchedule();
    CEventsPage* NewEventsPage(QWidget* sheet);
    // The Options and Advanced Options sheets (LiranaViewOptions.cpp).
    void ShowOptions();
    void ShowAdvancedOptions();
    void ShowListMenu(const QPoint& globalPos);
    CViewSettings& Settings() const;

    CAppContext m_context;
    std::unique_ptr<CCDDatabase> m_cd;
    Shell* m_shell = nullptr;
    TrackFactory m_trackFactory;
    Pickers m_pickers;

    CPlaylistListBox* m_list = nullptr;
    QPlainTextEdit* m_previousBox = nullptr;
    QPlainTextEdit* m_onAirBox = nullptr;
    QPlainTextEdit* m_nextBox = nullptr;
    QLabel* m_onAirLabel = nullptr;
    QLabel* m_countDown = nullptr;
    QLabel* m_playState = nullptr;
    QSlider* m_fadingVolume = nullptr;
    QSlider* m_onAirVolume = nullptr;
    QCheckBox* m_joined = nullptr;
    QLabel* m_eventsLabel = nullptr;
    CLiveTexts m_texts{"CLiranaView"}; // the labels built in code
    QCheckBox* m_enableEvents = nullptr;
    QPushButton* m_schedule = nullptr;
    QListView* m_events = nullptr;
    QWidget* m_treeHolder = nullptr;
    QTreeView* m_tree = nullptr;
    QString m_treeStart; // what the tree opens at, until the operator scrolls or moves
    bool m_treeScrollQueued = false;
    QFileSystemModel* m_fileModel = nullptr;
    QTimer* m_idle = nullptr;
    CUpcomingEventsModel* m_upcoming = nullptr;

    QSlider* m_bar = nullptr;
    bool m_dragging = false;
    int m_dragPosition = 0;
    std::uint64_t m_barSerial = 0;
    TrackMs m_barLength = 0;

    QString m_paneText[2];
    bool m_settingVolume = false;
    bool m_countingTotal = false;
    bool m_onAirShown = false;
};
