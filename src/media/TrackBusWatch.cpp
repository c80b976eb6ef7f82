#include "media/TrackBusWatch.h"

#include "media/MediaTrack.h"
#include "media/TrackEvents.h"

#include <gst/gst.h>

#include <stop_token>

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
        GstMessage* message = gst_bus_timed_pop(bus, 100 * GST_MSECOND);
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
    case GST_MESSAGE_EOS:
        if (shared.state.load() == CMediaTrack::Playing && !shared.errorPosted.load())
            notifier.PostEnd(MCI_NOTIFY_SUCCESSFUL);
        break;
    case GST_MESSAGE_ERROR:
        if (!shared.errorPosted.exchange(true))
            notifier.PostError(ExceptionFromErrorMessage(103, message).Clone());
        break;
    default:
        break;
    }
}

CDirectShowException ExceptionFromErrorMessage(int where, GstMessage* message, const QString& context)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    int code = 0;
    QString text;
    if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        gst_message_parse_error(message, &error, &debug);
        if (error) {
            code = error->code;
            text = QString::fromUtf8(error->message);
        }
    }
    if (text.isEmpty())
        text = QStringLiteral("The media back-end failed");
    if (!context.isEmpty())
        text += QStringLiteral(" (%1)").arg(context);
    if (error)
        g_error_free(error);
    g_free(debug);
    return CDirectShowException(where, code, text);
}
