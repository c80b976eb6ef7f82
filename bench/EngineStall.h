// SPDX-License-Identifier: GPL-3.0-or-later
// (e) The engine's longest stall: how late a 5 ms timer on the engine's
// thread runs while the engine plays a list through real tracks.
#pragma once

#include <QString>

void MeasureEngineStall(const QString& mediaDir, bool air);
