// SPDX-License-Identifier: GPL-3.0-or-later
#include "AirPlayer.h"

#include "support/AirRecorder.h"
#include "support/TestEnv.h"

#include <QUrl>

#include <cstdlib>

namespace {
QString PopError(GstBus* bus, bool* eos)
{
    QString why;
    while (GstMessage* msg = gst_bus_pop_filtered(bus, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
        if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS) {
            *eos = true;
        } else if (why.isEmpty()) {
            GError* e = nullptr;
            gst_message_parse_error(msg, &e, nullptr);
            why = QString::fromUtf8(e->message);
            g_error_free(e);
        }
        gst_message_unref(msg);
    }
    return why;
}
} // namespace

AirPlayer::AirPlayer()
{
    gst_init(nullptr, nullptr);
}

AirPlayer::~AirPlayer()
{
    Stop();
}

qint64 AirPlayer::Play(const QString& path, QString* error)
{
    Stop();
    m_pipe = gst_element_factory_make("playbin", nullptr);
    GstElement* sink = gst_element_factory_make("pulsesink", nullptr);
    if (!m_pipe || !sink) {
        if (error)
            *error = QStringLiteral("playbin or pulsesink missing");
        if (sink)
            gst_object_unref(sink);
        return 0;
    }
    if (const char* server = std::getenv("PULSE_SERVER"))
        g_object_set(sink, "server", server, nullptr);
    g_object_set(m_pipe, "audio-sink", sink, "uri", QUrl::fromLocalFile(path).toEncoded().constData(),
                 nullptr);
    const qint64 now = AirRecorder::NowNs();
    if (gst_element_set_state(m_pipe, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        if (error)
            *error = QStringLiteral("cannot play %1").arg(path);
        Stop();
        return 0;
    }
    return now;
}

bool AirPlayer::WaitForEnd(int timeoutMs, QString* error)
{
    if (!m_pipe)
        return false;
    GstBus* bus = gst_element_get_bus(m_pipe);
    bool eos = false;
    QString why;
    TestEnv::WaitUntil(
        [&] {
            why = PopError(bus, &eos);
            return eos || !why.isEmpty();
        },
        timeoutMs);
    gst_object_unref(bus);
    if (error)
        *error = eos ? QString() : why.isEmpty() ? QStringLiteral("timed out") : why;
    return eos;
}

void AirPlayer::Stop()
{
    if (!m_pipe)
        return;
    gst_element_set_state(m_pipe, GST_STATE_NULL);
    gst_object_unref(m_pipe);
    m_pipe = nullptr;
}
