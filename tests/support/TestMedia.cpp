#include "support/TestMedia.h"

#include "support/TestEnv.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gst/gst.h>

#include <algorithm>
#include <cmath>

namespace TestMedia {
namespace {

void PutU16(QByteArray& out, quint16 v)
{
    out.append(char(v & 0xff)).append(char(v >> 8));
}

void PutU32(QByteArray& out, quint32 v)
{
    PutU16(out, quint16(v & 0xffff));
    PutU16(out, quint16(v >> 16));
}

// Adds the parts into mono, sample by sample from index 0.
void Render(std::vector<double>& mono, const std::vector<Part>& parts, int rate)
{
    qint64 at = 0;
    for (const Part& p : parts) {
        const qint64 n = Frames(p.seconds, rate);
        if (qint64(mono.size()) < at + n)
            mono.resize(size_t(at + n), 0.0);
        if (p.freq > 0) {
            const double endDb = std::isnan(p.endLevelDb) ? p.levelDb : p.endLevelDb;
            for (qint64 i = 0; i < n; ++i) {
                const double db = p.levelDb + (endDb - p.levelDb) * double(i) / double(n);
                mono[size_t(at + i)] += std::pow(10.0, db / 20.0) *
                                        std::sin(2.0 * M_PI * p.freq * double(i) / rate);
            }
        }
        at += n;
    }
}

// Writes 16-bit PCM, one vector per channel (all of the same length).
QString WriteSamples(const QString& path, const std::vector<std::vector<double>>& channels, int rate)
{
    const size_t frames = channels.front().size();
    const auto count = quint16(channels.size());
    const quint32 dataBytes = quint32(frames * count * 2);
    QByteArray out;
    out.reserve(int(44 + dataBytes));
    out.append("RIFF");
    PutU32(out, 36 + dataBytes);
    out.append("WAVEfmt ");
    PutU32(out, 16);
    PutU16(out, 1);
    PutU16(out, count);
    PutU32(out, quint32(rate));
    PutU32(out, quint32(rate * count * 2));
    PutU16(out, quint16(count * 2));
    PutU16(out, 16);
    out.append("data");
    PutU32(out, dataBytes);
    for (size_t i = 0; i < frames; ++i)
        for (const auto& channel : channels)
            PutU16(out, quint16(qint16(std::lround(std::clamp(channel[i], -1.0, 1.0) * 32767.0))));
    return TestEnv::WriteFile(path, out);
}

// AU and W64 come from sox; the rest from a GStreamer encoder.
QString EncodeWithSox(const QString& wavPath, const QString& outPath, QString* error)
{
    QProcess sox;
    sox.setProcessChannelMode(QProcess::MergedChannels);
    sox.start(QStringLiteral("sox"), {wavPath, outPath});
    if (!sox.waitForFinished(60000) || sox.exitStatus() != QProcess::NormalExit || sox.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("sox %1 %2 failed: %3 %4")
                         .arg(wavPath, outPath, sox.errorString(), QString::fromLocal8Bit(sox.readAll()));
        return {};
    }
    return outPath;
}

} // namespace

qint64 Frames(double seconds, int rate)
{
    return qint64(std::llround(seconds * rate));
}

QString WriteWav(const QString& path, const std::vector<Part>& parts, int rate, int channels)
{
    return WriteMixWav(path, {parts}, rate, channels);
}

QString WriteMixWav(const QString& path, const std::vector<std::vector<Part>>& layers, int rate,
                    int channels)
{
    std::vector<double> mono;
    for (const auto& layer : layers)
        Render(mono, layer, rate);
    return WriteSamples(path, std::vector<std::vector<double>>(size_t(channels), mono), rate);
}

QString WriteStereoWav(const QString& path, const std::vector<Part>& left,
                       const std::vector<Part>& right, int rate)
{
    std::vector<double> l, r;
    Render(l, left, rate);
    Render(r, right, rate);
    l.resize(std::max(l.size(), r.size()), 0.0);
    r.resize(l.size(), 0.0);
    return WriteSamples(path, {l, r}, rate);
}

QString ToneWav(const QString& dir, const QString& name, double freq, double seconds,
                double levelDb)
{
    return WriteWav(dir + u'/' + name + QStringLiteral(".wav"), {Tone(freq, seconds, levelDb)});
}

const char* Extension(Format format)
{
    static const char* const names[] = {"mp3", "ogg", "flac", "aiff", "au", "m4a", "mka", "opus", "w64"};
    return names[int(format)];
}

QString Encode(const QString& wavPath, Format format, QString* error)
{
    gst_init(nullptr, nullptr);
    const QFileInfo in(wavPath);
    const QString outPath = in.absolutePath() + u'/' + in.completeBaseName() + u'.' +
                            QLatin1String(Extension(format));
    const char* enc = nullptr;
    switch (format) {
    case Format::Mp3: enc = "lamemp3enc target=bitrate cbr=true bitrate=192 ! xingmux"; break;
    case Format::Ogg: enc = "vorbisenc quality=0.6 ! oggmux"; break;
    case Format::Flac: enc = "flacenc"; break;
    case Format::Aiff: enc = "aiffmux"; break;
    case Format::M4a: enc = "avenc_aac ! mp4mux"; break;
    case Format::Mka: enc = "vorbisenc quality=0.6 ! matroskamux"; break;
    case Format::Opus: enc = "audioresample ! opusenc bitrate=128000 ! oggmux"; break;
    case Format::Au:
    case Format::W64: return EncodeWithSox(in.absoluteFilePath(), outPath, error);
    }
    const QByteArray desc = QByteArray("filesrc name=src ! wavparse ! audioconvert ! ") + enc +
                            " ! filesink name=sink";
    GError* gerr = nullptr;
    GstElement* pipe = gst_parse_launch(desc.constData(), &gerr);
    if (!pipe || gerr) {
        if (error)
            *error = QString::fromUtf8(gerr ? gerr->message : "cannot build the encoder");
        if (gerr)
            g_error_free(gerr);
        if (pipe)
            gst_object_unref(pipe);
        return {};
    }
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipe), "src");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipe), "sink");
    g_object_set(src, "location", QFile::encodeName(in.absoluteFilePath()).constData(), nullptr);
    g_object_set(sink, "location", QFile::encodeName(outPath).constData(), nullptr);
    gst_object_unref(src);
    gst_object_unref(sink);

    gst_element_set_state(pipe, GST_STATE_PLAYING);
    const QString why = WaitForEndOrError(pipe, 60, QStringLiteral("encoding %1 timed out").arg(wavPath));
    gst_element_set_state(pipe, GST_STATE_NULL);
    gst_object_unref(pipe);
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return {};
    }
    return outPath;
}

QString CorruptMp3(const QString& dir, const QString& name)
{
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(char(0x20 + (i * 37) % 0x5f)); // printable, never a frame sync
    return TestEnv::WriteFile(dir + u'/' + name + QStringLiteral(".mp3"), junk);
}

QString TextAsWav(const QString& dir, const QString& name)
{
    return TestEnv::WriteFile(dir + u'/' + name + QStringLiteral(".wav"),
                              "This is a text file, not a recording.\n");
}

QString WaitForEndOrError(GstElement* pipeline, double seconds, const QString& timeoutText)
{
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* msg = gst_bus_timed_pop_filtered(bus, GstClockTime(seconds * GST_SECOND),
                                                 GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    QString why;
    if (!msg) {
        why = timeoutText;
    } else if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
        GError* e = nullptr;
        gst_message_parse_error(msg, &e, nullptr);
        why = QString::fromUtf8(e->message);
        g_error_free(e);
    }
    if (msg)
        gst_message_unref(msg);
    gst_object_unref(bus);
    return why;
}

} // namespace TestMedia
