#include "GstTestMedia.h"

#include "media/TrackFactory.h"

#include <gst/gst.h>

#include <cmath>

namespace GstTestMedia {

QString WriteTone(const QString& dir, const QString& name, double seconds, const char* encoder)
{
    if (!IsDirectShowAvailable())
        qFatal("GStreamer is not available");
    const QString path = dir + u'/' + name;
    const QString description =
        QStringLiteral("audiotestsrc num-buffers=%1 samplesperbuffer=441 volume=0.25 ! "
                       "audio/x-raw,format=S16LE,rate=44100,channels=2 ! %2 ! filesink location=\"%3\"")
            .arg(std::lround(seconds * 100))
            .arg(QString::fromUtf8(encoder), path);
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
    if (!pipeline || error)
        qFatal("cannot build %s: %s", qPrintable(description), error ? error->message : "?");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, 10 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message)
        gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    if (!ok)
        qFatal("encoding %s failed", qPrintable(path));
    return path;
}

QByteArray RealTimeSink()
{
    const QByteArray chosen = qgetenv("LIRANA_TEST_AUDIO_SINK");
    return chosen.isEmpty() ? QByteArray("fakesink sync=true") : chosen;
}

} // namespace GstTestMedia
