// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/TrackBusWatch.h"
#include <QCoreApplication>

#include "media/MediaTrack.h"
#include "media/TrackEvents.h"
#include "platform/Logging.h"

#include <gst/audio/streamvolume.h>
#include <gst/gst.h>

#include <cmath>
#include <cstring>
#include <stop_token>

namespace {

bool IsInsideOutput(GstObject* source)
{
    for (GstObject* o = source; o; o = GST_OBJECT_PARENT(o)) {
        if (GST_OBJECT_NAME(o) && std::strcmp(GST_OBJECT_NAME(o), kOutputBinName) == 0)
            return true;
    }
    return false;
}

bool IsOutputUnavailable(const GError* error)
{
    if (!error || error->domain != GST_RESOURCE_ERROR)
        return false;
    switch (error->code) {
    case GST_RESOURCE_ERROR_FAILED:
    case GST_RESOURCE_ERROR_NOT_FOUND:
    case GST_RESOURCE_ERROR_BUSY:
    case GST_RESOURCE_ERROR_OPEN_READ:
    case GST_RESOURCE_ERROR_OPEN_WRITE:
    case GST_RESOURCE_ERROR_OPEN_READ_WRITE:
    case GST_RESOURCE_ERROR_CLOSE:
    case GST_RESOURCE_ERROR_READ:
    case GST_RESOURCE_ERROR_WRITE:
    case GST_RESOURCE_ERROR_SETTINGS:
    case GST_RESOURCE_ERROR_NO_SPACE_LEFT: return true;
    default: return false;
    }
}

// A warning or error of the bus, with the element that sent it.
void LogBusProblem(const char* kind, GstMessage* message, const CGstTrackShared& shared)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING)
        gst_message_parse_warning(message, &error, &debug);
    else
        gst_message_parse_error(message, &error, &debug);
    qCDebug(lcMedia).noquote() << "track" << shared.serial << shared.file << "bus" << kind << "from"
                               << GST_MESSAGE_SRC_NAME(message) << ":" << (error ? error->message : "")
                               << (debug ? debug : "");
    if (error)
        g_error_free(error);
    g_free(debug);
}

} // namespace

bool HoldStreamAtUnity(GstElement* streamVolume)
{
    if (!streamVolume)
        return false;
    auto* sv = GST_STREAM_VOLUME(streamVolume);
    const double volume = gst_stream_volume_get_volume(sv, GST_STREAM_VOLUME_FORMAT_LINEAR);
    const bool muted = gst_stream_volume_get_mute(sv);
    if (std::fabs(volume - 1.0) < 1e-4 && !muted)
        return false;
    gst_stream_volume_set_volume(sv, GST_STREAM_VOLUME_FORMAT_LINEAR, 1.0);
    if (muted)
        gst_stream_volume_set_mute(sv, FALSE);
    return true;
}

void RunTrackBusWatch(GstBus* bus, std::shared_ptr<CGstTrackShared> shared,
                      std::shared_ptr<CTrackNotifier> notifier, std::stop_token stop)
{
    gst_object_ref(bus);
    // A stop request wakes the wait at once: closing a track after its end
    // must not sit out the poll interval before the next item can start.
    std::stop_callback wake(stop, [bus] {
        gst_bus_post(bus, gst_message_new_application(nullptr, gst_structure_new_empty("lirana-stop")));
    });
    while (!stop.stop_requested()) {
        GstMessage* message = gst_bus_timed_pop(bus, GST_CLOCK_TIME_NONE);
        if (!message)
            continue;
        DispatchTrackMessage(message, *shared, *notifier);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
}

void DispatchTrackMessage(GstMessage* message, CGstTrackShared& shared, const CTrackNotifier& notifier)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
        if (lcMedia().isDebugEnabled())
            LogBusProblem("error", message, shared);
        if (!shared.errorPosted.exchange(true))
            notifier.PostError(ExceptionFromErrorMessage(103, message)->Clone());
        break;
    case GST_MESSAGE_WARNING:
        if (lcMedia().isDebugEnabled())
            LogBusProblem("warning", message, shared);
        break;
    case GST_MESSAGE_STATE_CHANGED:
        // The pipeline's own changes; its elements' would drown them.
        if (lcMedia().isDebugEnabled() && !GST_OBJECT_PARENT(GST_MESSAGE_SRC(message))) {
            GstState from = GST_STATE_VOID_PENDING;
            GstState to = GST_STATE_VOID_PENDING;
            gst_message_parse_state_changed(message, &from, &to, nullptr);
            qCDebug(lcMedia).noquote()
                << "track" << shared.serial << shared.file << "state" << gst_element_state_get_name(from)
                << "->" << gst_element_state_get_name(to);
        }
        break;
    default: break;
    }
}

std::unique_ptr<CDirectShowException> ExceptionFromErrorMessage(int where, GstMessage* message,
                                                                const QString& context)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    int code = 0;
    QString text;
    bool output = false;
    if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        gst_message_parse_error(message, &error, &debug);
        if (error) {
            code = error->code;
            text = QString::fromUtf8(error->message);
        }
        output = IsInsideOutput(GST_MESSAGE_SRC(message)) && IsOutputUnavailable(error);
    }
    if (text.isEmpty())
        text = QCoreApplication::translate("TrackBusWatch", "The media back-end failed");
    if (!context.isEmpty())
        text += QStringLiteral(" (%1)").arg(context);
    if (error)
        g_error_free(error);
    g_free(debug);
    if (output)
        return std::make_unique<CAudioOutputException>(code, text);
    return std::make_unique<CDirectShowException>(where, code, text);
}
