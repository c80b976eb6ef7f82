// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/GstWarmUp.h"

#include "media/TrackFactory.h"

CGstWarmUp::CGstWarmUp() : m_thread([] { WarmUpPlayback(); }) {}

CGstWarmUp::~CGstWarmUp()
{
    if (m_thread.joinable())
        m_thread.join();
}
