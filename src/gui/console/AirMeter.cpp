// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/AirMeter.h"

#include "media/TrackEnvironment.h"

#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

CAirMeter::CAirMeter(QWidget* parent, Source source)
    : QWidget(parent), m_source(source ? std::move(source) : Source(&CTrackEnvironment::AirLevel)),
      m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("AirMeter"));
    setAccessibleName(tr("On-air level"));
    setToolTip(tr("On-air level (left and right, RMS and peak)"));
    setMinimumWidth(120);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    connect(m_timer, &QTimer::timeout, this, &CAirMeter::Refresh);
    m_timer->start(CAirBus::MeterFrames * 1000 / CAirBus::Rate);
}

double CAirMeter::Fraction(float linear)
{
    if (!(linear > 0.0f))
        return 0.0;
    const double db = 20.0 * std::log10(double(linear));
    return std::clamp((db - FloorDb) / -FloorDb, 0.0, 1.0);
}

void CAirMeter::Refresh()
{
    const std::optional<CAirBus::Level> level = m_source();
    for (std::size_t c = 0; c < m_rms.size(); ++c) {
        m_rms[c] = level ? Fraction(level->rms[c]) : 0.0;
        m_peak[c] = level ? Fraction(level->peak[c]) : 0.0;
    }
    update();
}

void CAirMeter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base).darker(110));
    const int channels = int(m_rms.size());
    const int gap = 2;
    const int barHeight = std::max(1, (height() - gap * (channels + 1)) / channels);
    const double width = double(this->width());
    // The colour zones: up to -18 dB, up to -6 dB, above.
    const double yellowFrom = (-18.0 - FloorDb) / -FloorDb;
    const double redFrom = (-6.0 - FloorDb) / -FloorDb;
    for (int c = 0; c < channels; ++c) {
        const int y = gap + c * (barHeight + gap);
        const double rms = m_rms[std::size_t(c)];
        const auto zone = [&](double from, double to, const QColor& colour) {
            const double end = std::min(rms, to);
            if (end > from)
                painter.fillRect(QRectF(from * width, y, (end - from) * width, barHeight), colour);
        };
        zone(0.0, yellowFrom, QColor(0x2e, 0xa0, 0x43));
        zone(yellowFrom, redFrom, QColor(0xd8, 0xb0, 0x1c));
        zone(redFrom, 1.0, QColor(0xd0, 0x30, 0x30));
        const double peak = m_peak[std::size_t(c)];
        if (peak > 0.0) {
            painter.setPen(palette().color(QPalette::Text));
            const double x = std::min(peak * width, width - 1.0);
            painter.drawLine(QPointF(x, y), QPointF(x, y + barHeight - 1));
        }
    }
}
