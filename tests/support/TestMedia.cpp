// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestMedia.h"

#include "support/TestEnv.h"
#include "support/WavAnalysis.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <gst/gst.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace TestMedia {
namespace {

// By Format: the extension, and either libsndfile's format or the
// GStreamer encoder after "wavparse ! audioconvert".
struct Encoding
{
    const char* extension;
    int sndfile;
    const char* gst;
};
// A moving test picture, ten a second, as long as the sound (%1 pictures).
#define VIDEO_PICTURES                                                                                       \
    "videotestsrc pattern=ball num-buffers=%1 ! video/x-raw,width=160,height=120,framerate=10/1"

const Encoding kEncodings[] = {
    {"mp3", 0, "lamemp3enc target=bitrate cbr=true bitrate=192 ! xingmux"},
    {"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, nullptr},
    {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, nullptr},
    {"aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, nullptr},
    {"au", SF_FORMAT_AU | SF_FORMAT_PCM_16, nullptr},
    {"m4a", 0, "avenc_aac ! mp4mux"},
    {"mka", 0, "vorbisenc quality=0.6 ! matroskamux"},
    {"opus", 0, "audioresample ! opusenc bitrate=128000 ! oggmux"},
    {"w64", SF_FORMAT_W64 | SF_FORMAT_PCM_16, nullptr},
    {"mp4", 0, "avenc_aac ! mux. " VIDEO_PICTURES " ! x264enc ! mux. mp4mux name=mux"},
    {"ogv", 0, "vorbisenc ! mux. " VIDEO_PICTURES " ! theoraenc ! mux. oggmux name=mux"},
};

constexpr int kRate = 44100;

// The low `size` bytes of v, most significant first.
QByteArray BigEndian(quint32 v, int size)
{
    QByteArray bytes;
    for (int i = size - 1; i >= 0; --i)
        bytes.append(char((v >> (8 * i)) & 0xFF));
    return bytes;
}

// The parts one after another as samples from index 0, added into mono.
void Render(std::vector<double>& mono, const std::vector<Part>& parts)
{
    qint64 at = 0;
    for (const Part& p : parts) {
        const qint64 n = std::llround(p.seconds * kRate);
        mono.resize(std::max(mono.size(), size_t(at + n)), 0.0);
        const double endDb = std::isnan(p.endLevelDb) ? p.levelDb : p.endLevelDb;
        for (qint64 i = 0; p.freq > 0 && i < n; ++i) {
            const double db = p.levelDb + (endDb - p.levelDb) * double(i) / double(n);
            mono[size_t(at + i)] += std::pow(10.0, db / 20.0) *
                                    std::sin(2.0 * M_PI * p.freq * double(i) / kRate);
        }
        at += n;
    }
}

QString Fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return {};
}

// Writes the left and right samples as 16-bit stereo in libsndfile's format
// (any container and codec it writes). Returns the absolute path; fails the
// process on I/O errors unless `error` takes them.
QString WriteSamples(const QString& path, std::vector<double> left, std::vector<double> right,
                     int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16, QString* error = nullptr)
{
    left.resize(std::max(left.size(), right.size()), 0.0);
    right.resize(left.size(), 0.0);
    std::vector<short> interleaved;
    for (size_t i = 0; i < left.size(); ++i)
        for (double v : {left[i], right[i]})
            interleaved.push_back(short(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0)));
    const QString file = TestEnv::WriteFile(path, {}); // makes the folder
    SF_INFO info{0, kRate, 2, format, 0, 0};
    SNDFILE* out = sf_open(QFile::encodeName(file).constData(), SFM_WRITE, &info);
    if (out && sf_writef_short(out, interleaved.data(), sf_count_t(left.size())) == sf_count_t(left.size()) &&
        sf_close(out) == 0)
        return file;
    const QString why = QStringLiteral("cannot write %1: %2").arg(file, QString::fromUtf8(sf_strerror(out)));
    if (!error)
        qFatal("%s", qPrintable(why));
    return Fail(error, why);
}

QString EncodeWithGst(const QString& in, const QString& outPath, const char* encoder, QString* error)
{
    gst_init(nullptr, nullptr);
    GError* gerr = nullptr;
    GstElement* pipe = gst_parse_launch(
        (QByteArray("filesrc name=src ! wavparse ! audioconvert ! ") + encoder + " ! filesink name=sink")
            .constData(),
        &gerr);
    if (gerr) {
        const QString why = QString::fromUtf8(gerr->message);
        g_error_free(gerr);
        if (pipe)
            gst_object_unref(pipe);
        return Fail(error, why);
    }
    for (const auto& [name, location] : {std::pair{"src", in}, std::pair{"sink", outPath}}) {
        GstElement* e = gst_bin_get_by_name(GST_BIN(pipe), name);
        g_object_set(e, "location", QFile::encodeName(location).constData(), nullptr);
        gst_object_unref(e);
    }
    gst_element_set_state(pipe, GST_STATE_PLAYING);
    const QString why = WaitForEndOrError(pipe, 60, QStringLiteral("encoding %1 timed out").arg(in));
    gst_element_set_state(pipe, GST_STATE_NULL);
    gst_object_unref(pipe);
    return why.isEmpty() ? outPath : Fail(error, why);
}

} // namespace

QString WriteWav(const QString& path, const std::vector<Part>& parts)
{
    return WriteMixWav(path, {parts});
}

QString WriteMixWav(const QString& path, const std::vector<std::vector<Part>>& layers)
{
    std::vector<double> mono;
    for (const auto& layer : layers)
        Render(mono, layer);
    return WriteSamples(path, mono, mono);
}

QString WriteStereoWav(const QString& path, const std::vector<Part>& left, const std::vector<Part>& right)
{
    std::vector<double> l, r;
    Render(l, left);
    Render(r, right);
    return WriteSamples(path, l, r);
}

QString ToneWav(const QString& dir, const QString& name, double freq, double seconds, double levelDb)
{
    return WriteWav(dir + u'/' + name + QStringLiteral(".wav"), {Tone(freq, seconds, levelDb)});
}

QString CdImage(const QString& dir, const QString& name, const std::vector<std::vector<Part>>& tracks)
{
    constexpr std::size_t kSector = 588;
    std::vector<double> disc;
    QString cue = QStringLiteral("FILE \"%1.bin\" BINARY\n").arg(name);
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        const std::size_t sector = disc.size() / kSector;
        cue += QString::asprintf("  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:%02d\n", int(t + 1),
                                 int(sector / 75 / 60), int(sector / 75 % 60), int(sector % 75));
        std::vector<double> track;
        Render(track, tracks[t]);
        track.resize((track.size() + kSector - 1) / kSector * kSector, 0.0);
        disc.insert(disc.end(), track.begin(), track.end());
    }
    WriteSamples(dir + u'/' + name + QStringLiteral(".bin"), disc, disc,
                 SF_FORMAT_RAW | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE);
    return TestEnv::WriteFile(dir + u'/' + name + QStringLiteral(".cue"), cue.toUtf8());
}

QString Encode(const QString& wavPath, Format format, QString* error)
{
    const QFileInfo in(wavPath);
    const Encoding& enc = kEncodings[int(format)];
    const QString outPath = in.absolutePath() + u'/' + in.completeBaseName() + u'.' +
                            QLatin1String(enc.extension);
    const auto wav = WavAnalysis::ReadWav(wavPath, error);
    if (enc.gst && wav) {
        const int pictures = int(std::ceil(wav->Duration() * 10));
        QString encoder = QString::fromLatin1(enc.gst);
        encoder.replace(QLatin1String("%1"), QString::number(pictures));
        return EncodeWithGst(in.absoluteFilePath(), outPath, encoder.toLatin1().constData(), error);
    }
    return wav ? WriteSamples(outPath, {wav->planes.front().begin(), wav->planes.front().end()},
                              {wav->planes.back().begin(), wav->planes.back().end()}, enc.sndfile, error)
               : QString();
}

QString WaitForEndOrError(GstElement* pipeline, double seconds, const QString& timeoutText)
{
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* msg = gst_bus_timed_pop_filtered(bus, GstClockTime(seconds * GST_SECOND),
                                                 GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    QString why = msg ? QString() : timeoutText;
    if (msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
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

QString CorruptMp3(const QString& dir, const QString& name)
{
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char(0x20 + (i * 37) % 0x5f); // printable, never a frame sync
    return TestEnv::WriteFile(dir + u'/' + name + QStringLiteral(".mp3"), junk);
}

QString MidiFile(const QString& dir, const QString& name, const std::vector<TempoSegment>& segments)
{
    const auto variable = [](quint32 v) {
        QByteArray bytes(1, char(v & 0x7F));
        while (v >>= 7)
            bytes.prepend(char(0x80 | (v & 0x7F)));
        return bytes;
    };
    QByteArray track = variable(0) + QByteArray("\xC0\x10", 2) + variable(0) + QByteArray("\x90\x45\x64", 3);
    quint32 pending = 0;
    for (const TempoSegment& segment : segments) {
        track += variable(pending) + QByteArray("\xFF\x51\x03", 3) +
                 BigEndian(quint32(60e6 / segment.bpm), 3);
        pending = quint32(segment.beats * 480 + 0.5);
    }
    track += variable(pending) + QByteArray("\x80\x45\x40", 3) + variable(0) + QByteArray("\xFF\x2F\x00", 3);
    const QByteArray file = QByteArray("MThd") + BigEndian(6, 4) + BigEndian(0, 2) + BigEndian(1, 2) +
                            BigEndian(480, 2) + QByteArray("MTrk") + BigEndian(quint32(track.size()), 4) +
                            track;
    return TestEnv::WriteFile(dir + u'/' + name + QStringLiteral(".mid"), file);
}

QString SmpteMidiFile(const QString& dir, const QString& name)
{
    static const QByteArray smpte(
        "MThd\0\0\0\6\0\0\0\1\xE7\x28MTrk\0\0\0\x18\0\xFF\x51\3\x1E\x84\x80\0\xC0\x10\0\x90\x45\x64"
        "\x87\x68\x80\x45\x40\x87\x68\xFF\x2F\0",
        46);
    return TestEnv::WriteFile(dir + u'/' + name + QStringLiteral(".mid"), smpte);
}

QString RmiFile(const QString& dir, const QString& name, const std::vector<TempoSegment>& segments)
{
    QFile file(MidiFile(dir, name, segments));
    const QByteArray midi = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.remove();
    const auto le32 = [](qsizetype v) { return BigEndian(qbswap(quint32(v)), 4); };
    return TestEnv::WriteFile(dir + u'/' + name + QStringLiteral(".rmi"),
                              "RIFF" + le32(midi.size() + 12) + "RMIDdata" + le32(midi.size()) + midi);
}

QString TextAsWav(const QString& dir, const QString& name)
{
    return TestEnv::WriteFile(dir + u'/' + name + QStringLiteral(".wav"),
                              "This is a text file, not a recording.\n");
}

QString WriteModule(const QString& path, int rows)
{
    constexpr int kCycle = 32, kChannels = 4, kRows = 64;
    QByteArray mod = QByteArray("tone").leftJustified(20, '\0'); // title
    // Sample 1 holds the cycle at full volume, looped whole; samples 2 to 31
    // are empty (their names, lengths, finetunes, volumes, loop starts and a
    // loop of one word).
    mod += QByteArray(22, '\0') + BigEndian(kCycle / 2, 2) + '\0' + char(64) + BigEndian(kCycle / 2, 4);
    for (int sample = 1; sample < 31; ++sample)
        mod += QByteArray(28, '\0') + BigEndian(1, 2);
    mod += char(1) + QByteArray(1, char(127)); // one position, restart
    mod += QByteArray(128, '\0');              // the order: pattern 0
    mod += "M.K.";
    QByteArray pattern(kRows * kChannels * 4, '\0');
    for (int channel : {0, 1}) // sample 1 (high nibble 0), period 214
        pattern.replace(channel * 4, 3, QByteArray("\0\xD6\x10", 3));
    pattern[((std::clamp(rows, 1, kRows) - 1) * kChannels + 3) * 4 + 2] =
        0x0D; // pattern break: the song ends
    mod += pattern;
    for (int i = 0; i < kCycle; ++i)
        mod += char(std::lround(100 * std::sin(2 * M_PI * i / kCycle)));
    return TestEnv::WriteFile(path, mod);
}

} // namespace TestMedia
