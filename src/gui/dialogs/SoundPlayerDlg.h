// SPDX-License-Identifier: GPL-3.0-or-later
// CSoundPlayerDlg: a sound window. It plays one file once through a track of
// its own, over whatever is on air (the engine is never involved), with a
// progress bar, a "Fade out" button (to silence in 3 s) and a "Stop" button.
// Several may play at once. It closes itself when the track ends or fails,
// on "Stop" and at the end of a fade, and deletes itself then.
//
// Every sound window opens at the top-left corner (of its frame) of the last
// one closed (LastRect, shared; its corner comes from the settings at
// start-up) with its own size, inside the screen and off the console's menu
// bar. It never takes the keyboard: every sound key and S, P, N reach the
// console while it plays. The sound buttons, the event editor's "Test" and the Sounds
// page's "Play" open one.
// Thread: the user-interface thread.
#pragma once

#include "media/MediaTrack.h"

#include <QDialog>
#include <QRect>
#include <QTimer>
#include <functional>
#include <memory>

class CException;
class QProgressBar;
class QPushButton;
class QSlider;
class UserInterface;

class CSoundPlayerDlg : public QDialog
{
    Q_OBJECT

public:
    using TrackFactory = std::function<std::unique_ptr<CMediaTrack>(const QString&)>;

    static constexpr int kTickMs = 100;
    static constexpr int kFadeSteps = 30; // 100 ms each: 3 s from full level

    // Shows itself and starts playing path. factory: CreateTrack when empty;
    // ui: where an error is told (a message box when null).
    CSoundPlayerDlg(const QString& path, QWidget* parent, TrackFactory factory = {},
                    UserInterface* ui = nullptr);
    ~CSoundPlayerDlg() override;

    // The rectangle every sound window stores when it closes.
    static QRect& LastRect();

    CMediaTrack* Track() const { return m_track.get(); }
    bool Fading() const { return m_fade.isActive(); }
    QProgressBar* Progress() const { return m_progress; }
    QSlider* FadeBar() const { return m_fadeBar; }
    QPushButton* FadeButton() const { return m_fadeButton; }
    QPushButton* StopButton() const { return m_stopButton; }

    // The 100 ms steps, public for tests that do not wait.
    void Tick();
    void FadeStep();
    void FadeOut();

protected:
    bool event(QEvent* event) override;

private:
    void Start(UserInterface* ui);
    void Opened(std::unique_ptr<CMediaTrack> track);
    void Failed(const CException& error);
    // The wait cursor shown while the file opens, taken away once.
    void StopWaiting();
    void Finish();

    QString m_path;
    TrackFactory m_factory;
    UserInterface* m_ui = nullptr;
    bool m_waiting = false;
    std::unique_ptr<CMediaTrack> m_track;
    QTimer m_tick;
    QTimer m_fade;
    QProgressBar* m_progress = nullptr;
    QSlider* m_fadeBar = nullptr;
    QPushButton* m_fadeButton = nullptr;
    QPushButton* m_stopButton = nullptr;
};
