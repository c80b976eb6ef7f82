// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AirRecorder.h"

#include "support/TestEnv.h"
#include "support/TestMedia.h"

#include <QDeadlineTimer>
#include <QFile>

#include <gst/gst.h>

#include <algorithm>
#include <chrono>

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
    if (m_pipe)
        return fail(QStringLiteral("already recording"));
    gst_init(nullptr, nullptr);
    m_path = TestEnv::WriteFile(wavPath, {}); // makes the folder
    m_pipe = gst_parse_launch(
        "pulsesrc name=src latency-time=10000 ! audio/x-raw,format=S16LE,rate=44100,channels=2 ! "
        "wavenc ! filesink name=sink",
        nullptr);
    if (!m_pipe)
        return fail(QStringLiteral("cannot build the recorder (pulsesrc, wavenc)"));
    GstElement* src = gst_bin_get_by_name(GST_BIN(m_pipe), "src");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(m_pipe), "sink");
    // The server named, so that no context is shared with an older server.
    const QByteArray server = qgetenv("PULSE_SERVER");
    g_object_set(src, "device", device.toUtf8().constData(), "server",
                 server.isEmpty() ? nullptr : server.constData(), nullptr);
    g_object_set(sink, "location", QFile::encodeName(m_path).constData(), nullptr);
    // On the streaming thread: counts the frames and moves sample 0's
    // estimate to the earliest it can have sounded.
    auto onBuffer = [](GstPad*, GstPadProbeInfo* info, gpointer self) {
        const qint64 now = NowNs();
        auto* r = static_cast<AirRecorder*>(self);
        const qint64 frames = r->m_frames += qint64(
                                                 gst_buffer_get_size(gst_pad_probe_info_get_buffer(info))) /
                                             4;
        r->m_firstNs = std::min<qint64>(r->m_firstNs, now - frames * 1000000000LL / kRate);
        return GST_PAD_PROBE_OK;
    };
    GstPad* pad = gst_element_get_static_pad(src, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, onBuffer, this, nullptr);
    gst_object_unref(pad);
    gst_object_unref(src);
    gst_object_unref(sink);

    gst_element_set_state(m_pipe, GST_STATE_PLAYING); // a failed start posts its error on the bus
    QDeadlineTimer deadline(5000);
    while (FramesSoFar() == 0) {
        if (const QString why = TestMedia::WaitForEndOrError(m_pipe, 0.005, {}); !why.isEmpty())
            return fail(QStringLiteral("recorder: ") + why);
        if (deadline.hasExpired())
            return fail(QStringLiteral("no samples from %1 within 5 s").arg(device));
    }
    return true;
}

bool AirRecorder::Stop(QString* error)
{
    if (!m_pipe)
        return true;
    gst_element_send_event(m_pipe, gst_event_new_eos());
    const QString why = TestMedia::WaitForEndOrError(m_pipe, 5,
                                                     QStringLiteral("recorder did not finish within 5 s"));
    gst_element_set_state(m_pipe, GST_STATE_NULL);
    gst_object_unref(m_pipe);
    m_pipe = nullptr;
    if (error)
        *error = why;
    return why.isEmpty();
}

bool AirRecorder::RecordFor(double seconds, int timeoutMs)
{
    const qint64 target = FramesSoFar() + qint64(seconds * kRate);
    return TestEnv::WaitUntil([&] { return FramesSoFar() >= target; }, timeoutMs);
}
