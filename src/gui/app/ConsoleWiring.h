// SPDX-License-Identifier: GPL-3.0-or-later
// The console view in the frame: creates CLiranaView and connects it to the
// frame's position bar, status panes and message area, its command requests
// and the drops that land on the bars.
#pragma once

#include "gui/AppContext.h"

class CMainFrame;
class QWidget;

QWidget* MakeConsoleView(const CAppContext& context, CMainFrame* frame);
