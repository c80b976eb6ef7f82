// SPDX-License-Identifier: GPL-3.0-or-later
// The console's idle refresh and the position bar: the engine is polled
// every kIdleMs; texts are written only when they differ.
#include "gui/console/LiranaView.h"

#include "app/ViewSettings.h"
#include "events/Scheduler.h"
#include "events/UpcomingEventsModel.h"
#include "gui/console/PositionBar.h"
#include "onair/OnAirEngine.h"
#include "platform/Exception.h"
#include "playlist/ItemPath.h"

#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSlider>

void CLiranaView::RefreshIdle()
{
    COnAirEngine& engine = *m_context.engine;
    SetBoxText(m_onAirBox, engine.OnAirText());
    SetBoxText(m_previousBox, engine.PreviouslyPlayedText());

    CMediaTrack* onAir = engine.OnAir();
    UpdateOnAirLabel(onAir != nullptr);
    TrackMs position = 0;
    TrackMs length = 0;
    float onAirLevel = 0.0f;
    float fadingLevel = 0.0f;
    bool paused = false;
    try {
        if (onAir) {
            position = onAir->GetPosition();
            length = onAir->GetLength();
            onAirLevel = onAir->GetVolume();
            paused = onAir->IsPaused();
        }
        if (CMediaTrack* fading = engine.Fading())
            fadingLevel = fading->GetVolume();
    } catch (const CException&) {
        // A track that cannot answer now is asked again at the next pass.
    }

    const TrackMs remaining = std::max<TrackMs>(0, length - position);
    SetBoxText(m_nextBox, ComingUpText(onAir != nullptr, remaining));
    const QString countDown = onAir ? FormatDuration(remaining) : QString();
    if (m_countDown->text() != countDown)
        m_countDown->setText(countDown);
    QStringList state;
    if (paused)
        state << tr("Paused");
    if (engine.BreakFlag())
        state << tr("Break");
    if (m_playState->text() != state.join(QStringLiteral(", ")))
        m_playState->setText(state.join(QStringLiteral(", ")));
    if (onAir && !m_onAirVolume->isSliderDown()) {
        m_settingVolume = true;
        m_onAirVolume->setValue(qRound(onAirLevel * 100.0f));
        m_settingVolume = false;
    }
    const bool joined = engine.IsJoined();
    m_settingVolume = true;
    if (!m_fadingVolume->isSliderDown())
        m_fadingVolume->setValue(qRound(fadingLevel * 100.0f));
    m_fadingVolume->setEnabled(joined);
    m_joined->setVisible(joined);
    m_joined->setEnabled(joined);
    m_joined->setChecked(joined);
    m_settingVolume = false;

    UpdatePositionBar();
    if (!m_countingTotal) {
        const TrackMs shown = m_dragging ? PositionBar::ToTime(m_dragPosition, length) : position;
        SetPane(Cmd::PanePosition, onAir ? FormatDuration(shown) : QString());
        SetPane(Cmd::PaneLength, onAir ? FormatDuration(length) : QString());
    }
}

void CLiranaView::SetPane(int id, const QString& text)
{
    QString& slot = m_paneText[id == Cmd::PanePosition ? 0 : 1];
    if (slot == text)
        return;
    slot = text;
    emit PaneTextChanged(id, text);
}

QString CLiranaView::PaneText(int id) const
{
    return m_paneText[id == Cmd::PanePosition ? 0 : 1];
}

bool CLiranaView::PaneEnabled(int id) const
{
    if (id == Cmd::PaneLength && m_countingTotal)
        return true;
    return m_context.engine->OnAir() != nullptr;
}

void CLiranaView::SetBoxText(QPlainTextEdit* box, const QString& text)
{
    if (box->toPlainText() != text)
        box->setPlainText(text);
}

QString CLiranaView::ComingUpText(bool onAir, TrackMs remainingMs) const
{
    // The engine takes a due waiting event when the item on air ends,
    // before the next row.
    if (onAir && !m_context.engine->BreakFlag() && m_context.scheduler && m_upcoming &&
        m_upcoming->IsEnabled()) {
        const WallTime handOver = m_context.scheduler->Now() +
                                  std::chrono::seconds((remainingMs + 999) / 1000);
        const CEventList& events = m_context.scheduler->Events();
        for (int i = 0; i < events.Count(); ++i) {
            const CScheduledEvent& event = events.At(i);
            if (!event.exact && event.IsDue(handOver))
                return GetItemDisplayName(event.fileName);
        }
    }
    return m_context.engine->ComingUpNext();
}

void CLiranaView::UpdateOnAirLabel(bool onAir)
{
    if (onAir == m_onAirShown)
        return;
    m_onAirShown = onAir;
    m_onAirLabel->setAutoFillBackground(onAir);
    QPalette palette = m_onAirLabel->parentWidget()->palette();
    if (onAir) {
        palette.setColor(QPalette::Window, QColor(255, 0, 0));
        palette.setColor(QPalette::WindowText, Qt::black);
    }
    m_onAirLabel->setPalette(palette);
}

void CLiranaView::UpdateEventsState()
{
    const bool enabled = m_upcoming ? m_upcoming->IsEnabled() : Settings().enableEvents;
    const bool blink = m_upcoming && m_upcoming->Blink();
    m_eventsLabel->setEnabled(enabled);
    m_events->setEnabled(enabled);
    m_enableEvents->setChecked(enabled);
    m_eventsLabel->setAutoFillBackground(blink);
    QPalette palette = m_eventsLabel->parentWidget()->palette();
    if (blink)
        palette.setColor(QPalette::Window, QColor(255, 0, 0));
    m_eventsLabel->setPalette(palette);
}

void CLiranaView::SetPositionBar(QSlider* bar)
{
    m_bar = bar;
    if (!bar)
        return;
    bar->setRange(0, PositionBar::kRange);
    bar->setEnabled(false);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setTickInterval(PositionBar::kClearedTicInterval);
    connect(bar, &QSlider::sliderPressed, this, [this] {
        m_dragging = true;
        m_dragPosition = m_bar->sliderPosition();
    });
    connect(bar, &QSlider::sliderMoved, this, [this](int position) {
        m_dragging = true;
        m_dragPosition = position;
        if (m_context.engine->OnAir())
            SetPane(Cmd::PanePosition, FormatDuration(PositionBar::ToTime(position, m_barLength)));
    });
    connect(bar, &QSlider::sliderReleased, this, &CLiranaView::OnBarReleased);
    connect(bar, &QAbstractSlider::actionTriggered, this, &CLiranaView::OnBarAction);
    UpdatePositionBar();
}

void CLiranaView::UpdatePositionBar()
{
    if (!m_bar)
        return;
    CMediaTrack* onAir = m_context.engine->OnAir();
    const QSignalBlocker block(m_bar);
    if (!onAir) {
        m_bar->setEnabled(false);
        if (m_bar->value() != 0) {
            m_bar->setValue(0);
            // Clearing the tics keeps the tick row: hiding it would change
            // the bar's height and shift the whole console as items come
            // and go.
            m_bar->setTickInterval(PositionBar::kClearedTicInterval);
        }
        m_barSerial = 0;
        m_dragging = false;
        return;
    }
    m_bar->setEnabled(true);
    TrackMs length = 0;
    TrackMs position = 0;
    try {
        length = onAir->GetLength();
        position = onAir->GetPosition();
    } catch (const CException&) {
        return;
    }
    // A new item, or one whose length became known only now.
    if (onAir->Serial() != m_barSerial || length != m_barLength) {
        m_barSerial = onAir->Serial();
        m_barLength = length;
        m_bar->setRange(0, PositionBar::kRange);
        m_bar->setPageStep(PositionBar::ToPosition(Settings().ffTime * 1000, length));
        m_bar->setSingleStep(PositionBar::ToPosition(2000, length));
        m_bar->setTickInterval(PositionBar::ToPosition(PositionBar::TicStep(length), length));
    }
    if (!m_dragging) {
        const int p = PositionBar::ToPosition(position, length);
        if (p != m_bar->value())
            m_bar->setValue(p);
    }
}

void CLiranaView::OnBarAction(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
    case QAbstractSlider::SliderSingleStepSub:
    case QAbstractSlider::SliderPageStepAdd:
    case QAbstractSlider::SliderPageStepSub:
    case QAbstractSlider::SliderToMinimum:
    case QAbstractSlider::SliderToMaximum:
        // The slider position already holds the stepped value here.
        SeekTo(m_bar->sliderPosition());
        break;
    default: break; // SliderMove: dragging, handled on release
    }
}

void CLiranaView::OnBarReleased()
{
    m_dragging = false;
    SeekTo(m_bar->sliderPosition());
}

void CLiranaView::SeekTo(int barPosition)
{
    CMediaTrack* onAir = m_context.engine->OnAir();
    if (!onAir)
        return;
    const int p = std::clamp(barPosition, 0, PositionBar::kRange);
    try {
        onAir->Seek(PositionBar::ToTime(p, onAir->GetLength()));
    } catch (const CException& error) {
        m_context.engine->ReportTrackError(error);
    }
}
