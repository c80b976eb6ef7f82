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
#include <vector>

// decodebin (playbin's) sometimes loses the first buffer that a parser
// running its own pull-mode loop pushes before decodebin has exposed its
// pad: the not-linked error is swallowed and the preroll would wait for ever,
// or the preroll comes on the second buffer and the item lacks its start.
// Measured with two players at once: 11-17 of 144 AIFF opens and 15 of 96
// W64 opens stalled, no WAV, MP3 or other one; and in CI a W64 item began
// one buffer (46 ms) in. Those two formats are read by libsndfile now
// (SndfileFeed.h) and never meet such a parser. For any other local file
// that has not prerolled in time (a local file prerolls in some ms, a few
// hundred for the first MP3 of a process) the reader is restarted with a
// flushing seek to the start sent to the reader itself, which restarts its
// loop now that its pad is linked (a seek sent to the pipeline never
// reaches the reader), else the file is opened again with a fresh pipeline,
// waiting twice as long each time, until OpenTimeoutMs is spent.
void CDirectShowTrack::Preroll()
{
    const bool local = !m_path.contains(QStringLiteral("://"));
    int spent = 0;
    bool restarted = false; // the readers of this pipeline
    bool reopened = false;  // after a preroll that needed a restart
    for (int wait = local ? StallRetryMs : OpenTimeoutMs;; wait *= 2) {
        wait = std::min(wait, OpenTimeoutMs - spent);
        if (PrerollWithin(wait)) {
            if (!restarted || reopened)
                return;
            // A pipeline whose reader was restarted prerolls, but now and
            // then its item then plays silent: the data waiting at the
            // output's door never reaches the sink once the door opens (3 in
            // about 17 restarts of W64 items with both cores busy; a seek of
            // the whole pipeline after the preroll did not help). So it only
            // shows that the file can be read, and the file is opened once
            // more with a fresh pipeline.
            qCDebug(lcMedia).noquote() << "the preroll of" << QFileInfo(m_path).fileName()
                                       << "needed its reader restarted; opening it again";
            reopened = true;
            DropPipeline();
            BuildPipeline(true);
            restarted = false;
            continue;
        }
        spent += wait;
        if (spent >= OpenTimeoutMs)
            FailNotOpened();
        if (!restarted && RestartPullReaders()) {
            restarted = true;
            qCDebug(lcMedia).noquote()
                << "the preroll of" << QFileInfo(m_path).fileName() << "stalled; its reader was restarted";
            continue;
        }
        qCWarning(lcMedia).noquote() << "lirana: the preroll of" << QFileInfo(m_path).fileName()
                                     << "stalled; opening it again";
        DropPipeline();
        BuildPipeline(true);
        restarted = false;
    }
}

namespace {

bool HasPadIn(GstElement* element, GstPadDirection direction, GstPadMode mode)
{
    bool found = false;
    GstIterator* pads = direction == GST_PAD_SINK ? gst_element_iterate_sink_pads(element)
                                                  : gst_element_iterate_src_pads(element);
    GValue item = G_VALUE_INIT;
    while (!found && gst_iterator_next(pads, &item) == GST_ITERATOR_OK) {
        found = GST_PAD_MODE(GST_PAD(g_value_get_object(&item))) == mode;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(pads);
    return found;
}

// A reader that pulls its data and pushes on (sfdec, a parser in pull mode),
// as opposed to one pulled from itself (typefind, which only hands its pull
// on to the reader after it).
bool RunsItsOwnLoop(GstElement* element)
{
    return HasPadIn(element, GST_PAD_SINK, GST_PAD_MODE_PULL) &&
           HasPadIn(element, GST_PAD_SRC, GST_PAD_MODE_PUSH);
}

} // namespace

bool CDirectShowTrack::RestartPullReaders()
{
    std::vector<GstElement*> readers;
    GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(m_pipeline));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        if (RunsItsOwnLoop(element))
            readers.push_back(GST_ELEMENT(gst_object_ref(element)));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(elements);
    for (GstElement* reader : readers) {
        GstEvent* seek = gst_event_new_seek(1.0, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET, 0,
                                            GST_SEEK_TYPE_NONE, -1);
        GstIterator* pads = gst_element_iterate_src_pads(reader);
        GValue pad = G_VALUE_INIT;
        if (gst_iterator_next(pads, &pad) == GST_ITERATOR_OK)
            gst_pad_send_event(GST_PAD(g_value_get_object(&pad)), gst_event_ref(seek));
        g_value_unset(&pad);
        gst_iterator_free(pads);
        gst_event_unref(seek);
        gst_object_unref(reader);
    }
    return !readers.empty();
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
