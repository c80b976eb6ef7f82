#include "support/AirRecorder.h"

#include "support/TestEnv.h"
#include "support/TestMedia.h"

#include <QDeadlineTimer>
#include <QFile>

#include <gst/gst.h>

#include <chrono>
#include <cstdlib>
#include <limits>
#include <atomic>

namespace {
constexpr int kRate = 44100;

} // namespace

struct AirRecorder::Impl {
    GstElement* pipe = nullptr;
    QString path;
    std::atomic<qint64> frames = 0;
    std::atomic<qint64> firstNs = std::numeric_limits<qint64>::max();

    // On the streaming thread: counts the frames and moves sample 0's
    // estimate to the earliest it can have sounded.
    static GstPadProbeReturn OnBuffer(GstPad*, GstPadProbeInfo* info, gpointer self)
    {
        const qint64 now = AirRecorder::NowNs();
        auto* d = static_cast<Impl*>(self);
        const qint64 frames = d->frames += qint64(gst_buffer_get_size(gst_pad_probe_info_get_buffer(info))) / 4; // S16LE stereo
        d->firstNs = std::min<qint64>(d->firstNs, now - frames * 1000000000LL / kRate);
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
    d->pipe = gst_parse_launch("pulsesrc name=src latency-time=10000 ! "
                               "audio/x-raw,format=S16LE,rate=44100,channels=2 ! "
                               "wavenc ! filesink name=sink",
                               nullptr);
    if (!d->pipe)
        return fail(QStringLiteral("cannot build the recorder (pulsesrc, wavenc)"));
    d->path = wavPath;
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

    // A failed start posts its error on the bus.
    gst_element_set_state(d->pipe, GST_STATE_PLAYING);
    QDeadlineTimer deadline(5000);
    while (FramesSoFar() == 0) {
        const QString why = TestMedia::WaitForEndOrError(d->pipe, 0.005, {});
        if (!why.isEmpty())
            return fail(QStringLiteral("recorder: ") + why);
        if (deadline.hasExpired())
            return fail(QStringLiteral("no samples from %1 within 5 s").arg(device));
    }
    return true;
}

bool AirRecorder::Stop(QString* error)
{
    if (!d->pipe)
        return true;
    gst_element_send_event(d->pipe, gst_event_new_eos());
    const QString why = TestMedia::WaitForEndOrError(d->pipe, 5, QStringLiteral("recorder did not finish within 5 s"));
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
    return d->frames;
}

qint64 AirRecorder::FirstSampleNs() const
{
    return d->firstNs;
}

bool AirRecorder::RecordFor(double seconds, int timeoutMs)
{
    const qint64 target = FramesSoFar() + qint64(seconds * kRate);
    return TestEnv::WaitUntil([&] { return FramesSoFar() >= target; }, timeoutMs);
}
