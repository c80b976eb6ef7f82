// SPDX-License-Identifier: GPL-3.0-or-later
// CAirMeter: the on-air level meter beside the position bar. Two bars (left
// and right channel of the air bus) from -60 to 0 dBFS: the RMS of the last
// 100 ms as the bar, its peak as a line; green up to -18 dB, yellow up to
// -6 dB, red above. It reads the bus every 100 ms; while the station has no
// bus yet (nothing played) it shows silence.
#pragma once

#include "media/AirBus.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QTimer;

class CAirMeter : public QWidget
{
    Q_OBJECT
public:
    // Where the level comes from: the station's bus unless a test says so.
    using Source = std::function<std::optional<CAirBus::Level>()>;
    explicit CAirMeter(QWidget* parent = nullptr, Source source = {});

    static constexpr double FloorDb = -60.0;
    // How much of the bar a level (linear, 1.0 = full scale) fills: its dB
    // from FloorDb (empty) to 0 dB (full), clamped.
    static double Fraction(float linear);
    // What is shown now, per channel, as fractions of the bar.
    std::array<double, CAirBus::Channels> Rms() const { return m_rms; }
    std::array<double, CAirBus::Channels> Peak() const { return m_peak; }

    // Reads the source once (the timer calls it every 100 ms).
    void Refresh();
    QSize sizeHint() const override { return {160, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Source m_source;
    QTimer* m_timer = nullptr;
    std::array<double, CAirBus::Channels> m_rms{};
    std::array<double, CAirBus::Channels> m_peak{};
};
