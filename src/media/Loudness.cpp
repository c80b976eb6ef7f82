// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/Loudness.h"

#include "platform/DataPaths.h"
#include "platform/FileNames.h"
#include "platform/Logging.h"
#include "playlist/ItemPath.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <ebur128.h>
#include <gst/app/gstappsink.h>
#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr double kNoFigure = -std::numeric_limits<double>::infinity();

double Db(double linear)
{
    return linear > 0 ? 20.0 * std::log10(linear) : kNoFigure;
}

int ChannelOf(int position)
{
    switch (position) {
    case GST_AUDIO_CHANNEL_POSITION_FRONT_LEFT: return EBUR128_LEFT;
    case GST_AUDIO_CHANNEL_POSITION_FRONT_RIGHT: return EBUR128_RIGHT;
    case GST_AUDIO_CHANNEL_POSITION_FRONT_CENTER:
    case GST_AUDIO_CHANNEL_POSITION_MONO: return EBUR128_CENTER;
    case GST_AUDIO_CHANNEL_POSITION_REAR_LEFT:
    case GST_AUDIO_CHANNEL_POSITION_SIDE_LEFT: return EBUR128_LEFT_SURROUND;
    case GST_AUDIO_CHANNEL_POSITION_REAR_RIGHT:
    case GST_AUDIO_CHANNEL_POSITION_SIDE_RIGHT: return EBUR128_RIGHT_SURROUND;
    default: return EBUR128_UNUSED;
    }
}

} // namespace

// ---------------------------------------------------------------- meter

struct CLoudnessMeter::State
{
    ebur128_state* ebur = nullptr;
    ~State()
    {
        if (ebur)
            ebur128_destroy(&ebur);
    }
};

CLoudnessMeter::CLoudnessMeter(int channels, int rate, const int* positions)
    : m_state(std::make_unique<State>()), m_channels(channels), m_rate(rate)
{
    if (channels <= 0 || rate <= 0)
        return;
    m_state->ebur = ebur128_init(unsigned(channels), static_cast<unsigned long>(rate),
                                 EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (!m_state->ebur)
        return;
    // One channel is heard on both sides of the air.
    if (channels == 1) {
        ebur128_set_channel(m_state->ebur, 0, EBUR128_DUAL_MONO);
        return;
    }
    if (!positions || positions[0] == GST_AUDIO_CHANNEL_POSITION_NONE)
        return; // the library's default order
    for (int c = 0; c < channels; ++c)
        ebur128_set_channel(m_state->ebur, unsigned(c), ChannelOf(positions[c]));
}

CLoudnessMeter::~CLoudnessMeter() = default;

bool CLoudnessMeter::Valid() const
{
    return m_state->ebur != nullptr;
}

void CLoudnessMeter::Add(const float* interleaved, std::size_t frames)
{
    if (m_state->ebur && frames)
        ebur128_add_frames_float(m_state->ebur, interleaved, frames);
}

namespace {

double TruePeakOf(ebur128_state* ebur, int channels)
{
    double peak = 0;
    for (int c = 0; c < channels; ++c) {
        double p = 0;
        if (ebur128_true_peak(ebur, unsigned(c), &p) == EBUR128_SUCCESS)
            peak = std::max(peak, p);
    }
    return Db(peak);
}

// The library gives -HUGE_VAL when every block is gated out; a value at or
// under the absolute gate is no figure either.
double IntegratedOf(int result, double lufs)
{
    return result == EBUR128_SUCCESS && std::isfinite(lufs) && lufs > -70.0 ? lufs : kNoFigure;
}

} // namespace

LoudnessFigures CLoudnessMeter::Figures() const
{
    if (!m_state->ebur)
        return {kNoFigure, kNoFigure};
    double lufs = kNoFigure;
    const int result = ebur128_loudness_global(m_state->ebur, &lufs);
    return {IntegratedOf(result, lufs), TruePeakOf(m_state->ebur, m_channels)};
}

LoudnessFigures CLoudnessMeter::Combined(const std::vector<std::unique_ptr<CLoudnessMeter>>& meters)
{
    std::vector<ebur128_state*> states;
    double peak = kNoFigure;
    for (const auto& m : meters) {
        if (!m->m_state->ebur)
            continue;
        states.push_back(m->m_state->ebur);
        peak = std::max(peak, TruePeakOf(m->m_state->ebur, m->m_channels));
    }
    if (states.empty())
        return {kNoFigure, kNoFigure};
    double lufs = kNoFigure;
    const int result = ebur128_loudness_global_multiple(states.data(), states.size(), &lufs);
    return {IntegratedOf(result, lufs), peak};
}

// ---------------------------------------------------------------- measuring

namespace {

// What the decoder's pads found, written on GStreamer's streaming threads.
struct Decoding
{
    GstElement* pipeline = nullptr;
    GstElement* convert = nullptr;
    std::atomic<bool> audioLinked{false};
    std::atomic<bool> noMorePads{false};
};

// The first sound stream goes to the converter; every other stream ends in
// a fakesink, so none stops the decoding as not linked.
void OnDecodedPad(GstElement* /*decodebin*/, GstPad* pad, gpointer data)
{
    auto* decoding = static_cast<Decoding*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    const bool audio = caps && gst_caps_get_size(caps) > 0 &&
                       g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "audio/");
    if (caps)
        gst_caps_unref(caps);
    if (audio && !decoding->audioLinked.exchange(true)) {
        GstPad* sinkPad = gst_element_get_static_pad(decoding->convert, "sink");
        gst_pad_link(pad, sinkPad);
        gst_object_unref(sinkPad);
        return;
    }
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    if (!sink)
        return;
    g_object_set(sink, "sync", FALSE, nullptr);
    gst_bin_add(GST_BIN(decoding->pipeline), sink);
    gst_element_sync_state_with_parent(sink);
    GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_link(pad, sinkPad);
    gst_object_unref(sinkPad);
}

void OnNoMorePads(GstElement* /*decodebin*/, gpointer data)
{
    static_cast<Decoding*>(data)->noMorePads = true;
}

// The text of the first error on the bus; empty when there is none.
QString BusError(GstBus* bus)
{
    GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    if (!message)
        return {};
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    QString text = error ? QString::fromUtf8(error->message) : QStringLiteral("decoding error");
    if (error)
        g_error_free(error);
    gst_message_unref(message);
    return text;
}

// Feeds one decoded buffer to the meter of its format, starting a new meter
// when the format changes. False when the buffer cannot be read.
bool Feed(GstSample* sample, std::vector<std::unique_ptr<CLoudnessMeter>>& meters)
{
    GstAudioInfo info;
    GstCaps* caps = gst_sample_get_caps(sample);
    if (!caps || !gst_audio_info_from_caps(&info, caps))
        return false;
    const int channels = GST_AUDIO_INFO_CHANNELS(&info);
    const int rate = GST_AUDIO_INFO_RATE(&info);
    if (meters.empty() || meters.back()->Channels() != channels || meters.back()->Rate() != rate) {
        std::vector<int> positions(std::size_t(std::max(channels, 1)));
        for (int c = 0; c < channels; ++c)
            positions[std::size_t(c)] = int(info.position[c]);
        meters.push_back(std::make_unique<CLoudnessMeter>(channels, rate, positions.data()));
        if (!meters.back()->Valid())
            return false;
    }
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ))
        return false;
    meters.back()->Add(reinterpret_cast<const float*>(map.data),
                       map.size / (sizeof(float) * std::size_t(channels)));
    gst_buffer_unmap(buffer, &map);
    return true;
}

} // namespace

std::optional<LoudnessFigures> MeasureLoudness(const QString& path, QString* error,
                                               const std::atomic<bool>* cancel)
{
    const auto fail = [&](const QString& why) -> std::optional<LoudnessFigures> {
        if (error)
            *error = QStringLiteral("Cannot measure the loudness of %1: %2").arg(DisplayFileName(path), why);
        return std::nullopt;
    };
    if (!FileNameExists(path, true))
        return fail(QStringLiteral("no such file"));
    gst_init(nullptr, nullptr); // once per process; later calls return at once

    Decoding decoding;
    decoding.pipeline = gst_pipeline_new("lirana-loudness");
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* decoder = gst_element_factory_make("decodebin", nullptr);
    decoding.convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    if (!source || !decoder || !decoding.convert || !sink) {
        for (GstElement* e : {source, decoder, decoding.convert, sink})
            if (e)
                gst_object_unref(gst_object_ref_sink(e));
        gst_object_unref(decoding.pipeline);
        return fail(QStringLiteral("GStreamer's decoding elements are missing"));
    }
    g_object_set(source, "location", FileNameBytes(path).constData(), nullptr);
    GstCaps* caps = gst_caps_from_string("audio/x-raw,format=F32LE,layout=interleaved");
    // No clock: as fast as the decoder goes. A few buffers queued bound the
    // memory a fast decoder takes.
    g_object_set(sink, "caps", caps, "sync", FALSE, "max-buffers", 8u, nullptr);
    gst_caps_unref(caps);
    gst_bin_add_many(GST_BIN(decoding.pipeline), source, decoder, decoding.convert, sink, nullptr);
    gst_element_link(source, decoder);
    gst_element_link(decoding.convert, sink);
    g_signal_connect(decoder, "pad-added", G_CALLBACK(OnDecodedPad), &decoding);
    g_signal_connect(decoder, "no-more-pads", G_CALLBACK(OnNoMorePads), &decoding);

    std::vector<std::unique_ptr<CLoudnessMeter>> meters;
    QString why;
    GstBus* bus = gst_element_get_bus(decoding.pipeline);
    if (gst_element_set_state(decoding.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        why = BusError(bus);
    else {
        for (;;) {
            if (cancel && cancel->load()) {
                why = QStringLiteral("cancelled");
                break;
            }
            GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 100 * GST_MSECOND);
            if (sample) {
                const bool fed = Feed(sample, meters);
                gst_sample_unref(sample);
                if (!fed) {
                    why = QStringLiteral("the decoded sound cannot be read");
                    break;
                }
                continue;
            }
            why = BusError(bus);
            if (!why.isEmpty() || gst_app_sink_is_eos(GST_APP_SINK(sink)))
                break;
            if (decoding.noMorePads && !decoding.audioLinked) {
                why = QStringLiteral("no sound stream");
                break;
            }
        }
        if (why.isEmpty() && meters.empty())
            why = QStringLiteral("no sound stream");
    }
    gst_element_set_state(decoding.pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(decoding.pipeline);
    if (!why.isEmpty())
        return fail(why);
    return meters.size() == 1 ? meters.front()->Figures() : CLoudnessMeter::Combined(meters);
}

float LoudnessGain(const LoudnessFigures& figures, double targetLufs)
{
    if (!std::isfinite(figures.integratedLufs) || !std::isfinite(targetLufs))
        return 1.0f;
    const double db = std::min(targetLufs - figures.integratedLufs, kMaxLoudnessBoostDb);
    return float(std::pow(10.0, db / 20.0));
}

// ---------------------------------------------------------------- cache

namespace {

constexpr char kCacheHeader[] = "lirana-loudness-cache 1";

// The absolute, cleaned form of path, as the cache keys files.
QString AbsolutePath(const QString& path)
{
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path);
}

QByteArray NumberText(double value)
{
    return std::isfinite(value) ? QByteArray::number(value, 'f', 3) : QByteArrayLiteral("-inf");
}

std::optional<double> NumberOf(const QByteArray& text)
{
    if (text == "-inf")
        return kNoFigure;
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

struct Entry
{
    CLoudnessCache::Stamp stamp;
    LoudnessFigures figures;
};

} // namespace

struct CLoudnessCache::Data
{
    QString file;
    mutable std::mutex lock;
    QHash<QString, Entry> entries;
    bool changed = false;
    std::mutex saving; // one save at a time, so the last one written wins

    void Load();
    bool ReadLine(const QByteArray& line);
};

bool CLoudnessCache::Data::ReadLine(const QByteArray& line)
{
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() != 5)
        return false;
    bool sizeOk = false;
    bool timeOk = false;
    const Entry entry{{fields[0].toLongLong(&sizeOk), fields[1].toLongLong(&timeOk)}, {}};
    const auto integrated = NumberOf(fields[2]);
    const auto peak = NumberOf(fields[3]);
    const QByteArray bytes = QByteArray::fromPercentEncoding(fields[4]);
    if (!sizeOk || !timeOk || entry.stamp.size < 0 || !integrated || !peak || !bytes.startsWith('/'))
        return false;
    entries.insert(FileNameFromBytes(bytes), {entry.stamp, {*integrated, *peak}});
    return true;
}

void CLoudnessCache::Data::Load()
{
    QFile in(file);
    if (!in.exists())
        return;
    if (!in.open(QIODevice::ReadOnly)) {
        qCWarning(lcMedia).noquote() << "loudness cache" << DisplayFileName(file)
                                     << "cannot be read, ignored:" << in.errorString();
        return;
    }
    const QList<QByteArray> lines = in.readAll().split('\n');
    if (lines.isEmpty() || lines.front() != kCacheHeader) {
        qCWarning(lcMedia).noquote() << "loudness cache" << DisplayFileName(file)
                                     << "is not of this version, ignored";
        return;
    }
    int bad = 0;
    for (qsizetype i = 1; i < lines.size(); ++i)
        if (!lines[i].isEmpty() && !ReadLine(lines[i]))
            ++bad;
    if (bad)
        qCWarning(lcMedia).noquote() << "loudness cache" << DisplayFileName(file) << "has" << bad
                                     << "lines that do not read, skipped";
}

QString CLoudnessCache::DefaultFile()
{
    return DataPaths::AppDataDir() + QStringLiteral("/loudness.cache");
}

CLoudnessCache::CLoudnessCache(const QString& file) : m_data(std::make_unique<Data>())
{
    m_data->file = file.isEmpty() ? DefaultFile() : file;
    m_data->Load();
}

CLoudnessCache::~CLoudnessCache() = default;

QString CLoudnessCache::File() const
{
    return m_data->file;
}

std::optional<CLoudnessCache::Stamp> CLoudnessCache::StampOf(const QString& path)
{
    struct stat st
    {};
    if (::stat(FileNameBytes(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return Stamp{std::int64_t(st.st_size), std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::optional<LoudnessFigures> CLoudnessCache::Find(const QString& path) const
{
    const QString key = AbsolutePath(path);
    const auto stamp = StampOf(key);
    if (!stamp)
        return std::nullopt;
    const std::lock_guard guard(m_data->lock);
    const auto it = m_data->entries.constFind(key);
    if (it == m_data->entries.cend() || !(it->stamp == *stamp))
        return std::nullopt;
    return it->figures;
}

bool CLoudnessCache::Store(const QString& path, const LoudnessFigures& figures)
{
    const QString key = AbsolutePath(path);
    const auto stamp = StampOf(key);
    if (!stamp)
        return false;
    Store(key, *stamp, figures);
    return true;
}

void CLoudnessCache::Store(const QString& path, const Stamp& stamp, const LoudnessFigures& figures)
{
    const std::lock_guard guard(m_data->lock);
    m_data->entries.insert(AbsolutePath(path), {stamp, figures});
    m_data->changed = true;
}

bool CLoudnessCache::Save()
{
    const std::lock_guard saving(m_data->saving);
    QByteArray text = QByteArray(kCacheHeader) + '\n';
    {
        const std::lock_guard guard(m_data->lock);
        for (auto it = m_data->entries.cbegin(); it != m_data->entries.cend(); ++it)
            text += QByteArray::number(it->stamp.size) + ' ' + QByteArray::number(it->stamp.mtimeNs) + ' ' +
                    NumberText(it->figures.integratedLufs) + ' ' + NumberText(it->figures.truePeakDbtp) +
                    ' ' + FileNameBytes(it.key()).toPercentEncoding("/") + '\n';
        m_data->changed = false;
    }
    QDir().mkpath(QFileInfo(m_data->file).absolutePath());
    QSaveFile out(m_data->file);
    if (out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.commit())
        return true;
    qCWarning(lcMedia).noquote() << "loudness cache" << DisplayFileName(m_data->file)
                                 << "cannot be written:" << out.errorString();
    const std::lock_guard guard(m_data->lock);
    m_data->changed = true;
    return false;
}

bool CLoudnessCache::Changed() const
{
    const std::lock_guard guard(m_data->lock);
    return m_data->changed;
}

int CLoudnessCache::Size() const
{
    const std::lock_guard guard(m_data->lock);
    return int(m_data->entries.size());
}

// ---------------------------------------------------------------- scanner

namespace {

// Extensions of rows that are no sound file of their own: pause and live
// items, CD tracks, play and stop controls, albums, mini playlists, lists.
bool IsPseudoItem(const QString& path)
{
    static const QStringList kPseudo = {
        QStringLiteral(".pause"), QStringLiteral(".live"), QStringLiteral(".cda"), QStringLiteral(".play"),
        QStringLiteral(".stop"),  QStringLiteral(".alb"),  QStringLiteral(".mpl"), QStringLiteral(".m3u"),
        QStringLiteral(".m3u8"),  QStringLiteral(".pls")};
    const QString ext = SplitPath(path).ext;
    return kPseudo.contains(ext, Qt::CaseInsensitive) || IsCommandExtension(ext);
}

// Measuring is background work: well below the console and the air.
void LowerThisThread()
{
    const auto tid = id_t(::syscall(SYS_gettid));
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, tid);
    if (errno == 0)
        ::setpriority(PRIO_PROCESS, tid, std::min(nice + 10, 19));
}

} // namespace

struct CLoudnessScanner::Worker
{
    CLoudnessCache& cache;
    CLoudnessScanner* owner;
    mutable std::mutex lock;
    std::condition_variable wake;
    std::deque<QString> queue;
    QSet<QString> pending; // queued or being measured
    QHash<QString, CLoudnessCache::Stamp> failed;
    bool stop = false;
    std::atomic<bool> cancel{false};
    std::thread thread;

    Worker(CLoudnessCache& c, CLoudnessScanner* o) : cache(c), owner(o) {}
    void Run();
    void Measure(const QString& path);
};

void CLoudnessScanner::Worker::Measure(const QString& path)
{
    const auto stamp = CLoudnessCache::StampOf(path);
    if (!stamp)
        return;
    QString error;
    const auto figures = MeasureLoudness(path, &error, &cancel);
    if (cancel)
        return;
    CLoudnessScanner* const to = owner;
    if (figures) {
        cache.Store(path, *stamp, *figures);
        QMetaObject::invokeMethod(
            to, [to, path, f = *figures] { emit to->Measured(path, f); }, Qt::QueuedConnection);
        return;
    }
    qCInfo(lcMedia).noquote() << error;
    {
        const std::lock_guard guard(lock);
        failed.insert(path, *stamp);
    }
    QMetaObject::invokeMethod(
        to, [to, path, error] { emit to->Failed(path, error); }, Qt::QueuedConnection);
}

void CLoudnessScanner::Worker::Run()
{
    LowerThisThread();
    int done = 0;
    QElapsedTimer sinceSave;
    sinceSave.start();
    for (;;) {
        QString path;
        {
            std::unique_lock guard(lock);
            wake.wait(guard, [this] { return stop || !queue.empty(); });
            if (stop)
                return;
            path = queue.front();
            queue.pop_front();
        }
        Measure(path);
        {
            const std::lock_guard guard(lock);
            pending.remove(path);
        }
        if (cancel)
            return;
        // Now and then, so a crash loses little; the rest at the end.
        if ((++done % kSaveEvery == 0 || sinceSave.elapsed() > 60000) && cache.Changed()) {
            cache.Save();
            sinceSave.restart();
        }
    }
}

CLoudnessScanner::CLoudnessScanner(CLoudnessCache& cache, QObject* parent)
    : QObject(parent), m_worker(std::make_unique<Worker>(cache, this))
{
    m_worker->thread = std::thread([w = m_worker.get()] { w->Run(); });
}

CLoudnessScanner::~CLoudnessScanner()
{
    {
        const std::lock_guard guard(m_worker->lock);
        m_worker->stop = true;
        m_worker->cancel = true;
    }
    m_worker->wake.notify_all();
    m_worker->thread.join();
    if (m_worker->cache.Changed())
        m_worker->cache.Save();
}

void CLoudnessScanner::Request(const QStringList& paths)
{
    bool queued = false;
    QSet<QString> seen;
    for (const QString& item : paths) {
        if (item.isEmpty() || item.contains(QStringLiteral("://")) || IsPseudoItem(item))
            continue;
        const QString path = AbsolutePath(item);
        if (seen.contains(path))
            continue;
        seen.insert(path);
        const auto stamp = CLoudnessCache::StampOf(path);
        if (!stamp)
            continue;
        if (const auto figures = m_worker->cache.Find(path)) {
            emit Measured(path, *figures);
            continue;
        }
        const std::lock_guard guard(m_worker->lock);
        const auto failed = m_worker->failed.constFind(path);
        if ((failed != m_worker->failed.cend() && *failed == *stamp) || m_worker->pending.contains(path))
            continue;
        m_worker->pending.insert(path);
        m_worker->queue.push_back(path);
        queued = true;
    }
    if (queued)
        m_worker->wake.notify_one();
}

int CLoudnessScanner::Pending() const
{
    const std::lock_guard guard(m_worker->lock);
    return int(m_worker->pending.size());
}
