#include "support/AirRecorder.h"

#include "support/TestEnv.h"
#include "support/TestMedia.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <gst/gst.h>

#include <chrono>
#include <cstdlib>
#include <limits>
#include <mutex>

namespace {
constexpr int kRate = 44100;
constexpr int kFrameBytes = 4; // S16LE stereo

QString TakeError(GstBus* bus)
{
    QString why;
    while (GstMessage* msg = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
        GError* e = nullptr;
        gst_message_parse_error(msg, &e, nullptr);
        if (why.isEmpty())
            why = QString::fromUtf8(e->message);
        g_error_free(e);
        gst_message_unref(msg);
    }
    return why;
}
} // namespace

struct AirRecorder::Impl {
    GstElement* pipe = nullptr;
    QString path;
    mutable std::mutex mutex;
    qint64 frames = 0;
    qint64 firstNs = std::numeric_limits<qint64>::max();
    bool stopped = true;

    static GstPadProbeReturn OnBuffer(GstPad*, GstPadProbeInfo* info, gpointer self)
    {
        const qint64 now = AirRecorder::NowNs();
        auto* d = static_cast<Impl*>(self);
        GstBuffer* buf = gst_pad_probe_info_get_buffer(info);
        std::lock_guard lock(d->mutex);
        d->frames += qint64(gst_buffer_get_size(buf)) / kFrameBytes;
        d->firstNs = std::min(d->firstNs, now - d->frames * 1000000000LL / kRate);
        return GST_PAD_PROBE_OK;
    }
};

AirRecorder::AirRecorder() : d(std::make_unique<Impl>()) {}

AirRecorder::~AirRecorder()
{
    Stop();
}

qint64 AirRecorder::NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool AirRecorder::Start(const QString& wavPath, QString* error, const QString& device)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        Stop();
        return false;
    };
    if (d->pipe)
        return fail(QStringLiteral("already recording"));
    gst_init(nullptr, nullptr);
    TestEnv::WriteFile(wavPath, {}); // makes the folder
    GError* gerr = nullptr;
    d->pipe = gst_parse_launch("pulsesrc name=src latency-time=10000 ! "
                               "audio/x-raw,format=S16LE,rate=44100,channels=2 ! "
                               "wavenc ! filesink name=sink",
                               &gerr);
    if (!d->pipe || gerr) {
        const QString why = QString::fromUtf8(gerr ? gerr->message : "cannot build the recorder");
        if (gerr)
            g_error_free(gerr);
        return fail(why);
    }
    d->path = wavPath;
    d->stopped = false;
    GstElement* src = gst_bin_get_by_name(GST_BIN(d->pipe), "src");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(d->pipe), "sink");
    g_object_set(src, "device", device.toUtf8().constData(), nullptr);
    if (const char* server = std::getenv("PULSE_SERVER"))
        g_object_set(src, "server", server, nullptr); // no context shared with an older server
    g_object_set(sink, "location", QFile::encodeName(wavPath).constData(), nullptr);
    GstPad* pad = gst_element_get_static_pad(src, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &Impl::OnBuffer, d.get(), nullptr);
    gst_object_unref(pad);
    gst_object_unref(src);
    gst_object_unref(sink);

    if (gst_element_set_state(d->pipe, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        GstBus* bus = gst_element_get_bus(d->pipe);
        const QString why = TakeError(bus);
        gst_object_unref(bus);
        return fail(QStringLiteral("recorder does not start: ") + why);
    }
    QDeadlineTimer deadline(5000);
    while (FramesSoFar() == 0) {
        GstBus* bus = gst_element_get_bus(d->pipe);
        const QString why = TakeError(bus);
        gst_object_unref(bus);
        if (!why.isEmpty())
            return fail(QStringLiteral("recorder: ") + why);
        if (deadline.hasExpired())
            return fail(QStringLiteral("no samples from %1 within 5 s").arg(device));
        QThread::msleep(5);
    }
    return true;
}

bool AirRecorder::Stop(QString* error)
{
    if (!d->pipe)
        return true;
    QString why;
    if (!d->stopped) {
        d->stopped = true;
        gst_element_send_event(d->pipe, gst_event_new_eos());
        why = TestMedia::WaitForEndOrError(d->pipe, 5, QStringLiteral("recorder did not finish within 5 s"));
    }
    gst_element_set_state(d->pipe, GST_STATE_NULL);
    gst_object_unref(d->pipe);
    d->pipe = nullptr;
    if (error)
        *error = why;
    return why.isEmpty();
}

QString AirRecorder::Path() const
{
    return d->path;
}

qint64 AirRecorder::FramesSoFar() const
{
    std::lock_guard lock(d->mutex);
    return d->frames;
}

qint64 AirRecorder::FirstSampleNs() const
{
    std::lock_guard lock(d->mutex);
    return d->firstNs;
}

bool AirRecorder::RecordFor(double seconds, int timeoutMs)
{
    const qint64 target = FramesSoFar() + qint64(seconds * kRate);
    return TestEnv::WaitUntil([&] { return FramesSoFar() >= target; }, timeoutMs);
}
