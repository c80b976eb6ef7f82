// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/SplashScreen.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>

CSplashScreen::CSplashScreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Splash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(420, 220);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    QTimer::singleShot(kShowMs, this, &QWidget::close);
}

void CSplashScreen::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(0x12, 0x2b, 0x4a));
    sky.setColorAt(1, QColor(0x2e, 0x6d, 0xb4));
    painter.fillRect(rect(), sky);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(48);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(rect().adjusted(0, 40, 0, -90), Qt::AlignCenter, QStringLiteral("Lirana"));
    font.setPixelSize(16);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(rect().adjusted(0, 120, 0, -50), Qt::AlignCenter,
                     tr("Playout console — version %1").arg(QCoreApplication::applicationVersion()));
    painter.setPen(QColor(255, 0, 0));
    painter.setBrush(QColor(255, 0, 0));
    painter.drawEllipse(QPoint(40, height() - 36), 8, 8);
    painter.setPen(Qt::white);
    painter.drawText(QRect(56, height() - 48, width() - 60, 24), Qt::AlignVCenter, tr("On Air"));
}

void CSplashScreen::keyPressEvent(QKeyEvent*)
{
    close();
}

void CSplashScreen::mousePressEvent(QMouseEvent*)
{
    close();
}
