// SPDX-License-Identifier: GPL-3.0-or-later
// CSplashScreen: the start-up picture (program name and version, drawn), on
// top and centred; it closes itself after 3 s or at the first key press or
// mouse click that reaches it.
#pragma once

#include <QWidget>

class CSplashScreen : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kShowMs = 3000;
    explicit CSplashScreen(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};
