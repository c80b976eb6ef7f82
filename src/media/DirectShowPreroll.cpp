// SPDX-License-Identifier: GPL-3.0-or-later
// CDirectShowTrack's preroll: how a file is brought to PAUSED, and what is
// done when a reader stalls on the way.
#include "media/DirectShowTrack.h"

#include "media/TrackBusWatch.h"
#include "media/TrackExceptions.h"
#include "platform/Logging.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <gst/gst.h>

#include <algorithm>

// decodebin (playbin's) sometimes lost the first buffer that a parser
// running its own pull-mode loop pushed before decodebin had exposed its
// pad: the preroll stalled, or came on the second buffer and the item lacked
// its start. Measured with two players at once: 11-17 of 144 AIFF opens and
// 15 of 96 W64 opens stalled, no WAV, MP3 or other one. Those two formats
// are read by libsndfile now (SndfileFeed.h). A local file that has not
// prerolled in time all the same (a local file prerolls in some ms, a few
// hundred for the first MP3 of a process) is opened again with a fresh
// pipeline, waiting twice as long each time, until OpenTimeoutMs is spent;
// only a file that never prerolls is an error (a slow first open on a loaded
// machine is no fault of the file's).
void CDirectShowTrack::Preroll()
{
    const bool local = !m_path.contains(QStringLiteral("://"));
    int spent = 0;
    for (int wait = local ? StallRetryMs : OpenTimeoutMs;; wait *= 2) {
        wait = std::min(wait, OpenTimeoutMs - spent);
        if (PrerollWithin(wait))
            return;
        spent += wait;
        if (spent >= OpenTimeoutMs)
            FailNotOpened();
        qCDebug(lcMedia).noquote() << "the preroll of" << QFileInfo(m_path).fileName()
                                   << "stalled; opening it again";
        DropPipeline();
        BuildPipeline(true);
    }
}

void CDirectShowTrack::FailNotOpened()
{
    Fail(103, QCoreApplication::translate("DirectShowTrack", "The file did not open within %1 s (%2)")
                  .arg(OpenTimeoutMs / 1000)
                  .arg(QFileInfo(m_path).fileName()));
}

bool CDirectShowTrack::PrerollWithin(int timeoutMs)
{
    const QString context = QFileInfo(m_path).fileName();
    GstBus* bus = gst_element_get_bus(m_pipeline);
    const GstStateChangeReturn ret = gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
    if (ret == GST_STATE_CHANGE_SUCCESS || ret == GST_STATE_CHANGE_NO_PREROLL) {
        gst_object_unref(bus);
        return true;
    }
    // A failure posts its error on the bus; an asynchronous preroll ends
    // with async-done or an error.
    const gint64 deadline = g_get_monotonic_time() + gint64(timeoutMs) * 1000;
    const auto types = static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE);
    for (;;) {
        const gint64 left = ret == GST_STATE_CHANGE_FAILURE ? 0 : deadline - g_get_monotonic_time();
        GstMessage* message = gst_bus_timed_pop_filtered(bus, std::max<gint64>(left, 0) * GST_USECOND, types);
        if (!message) {
            gst_object_unref(bus);
            if (ret == GST_STATE_CHANGE_FAILURE)
                Fail(103, QCoreApplication::translate("DirectShowTrack", "The file cannot be played (%1)")
                              .arg(context));
            return false;
        }
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            const auto error = ExceptionFromErrorMessage(103, message, context);
            gst_message_unref(message);
            gst_object_unref(bus);
            if (const auto* output = dynamic_cast<const CAudioOutputException*>(error.get()))
                throw *output;
            throw *error;
        }
        const bool done = GST_MESSAGE_SRC(message) == GST_OBJECT(m_pipeline);
        gst_message_unref(message);
        if (done)
            break;
    }
    gst_object_unref(bus);
    return true;
}
