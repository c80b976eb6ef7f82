// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/DirectShowTrack.h"
#include "media/LongWave.h"

#include "media/GstLengthScan.h"
#include "media/PlugInChain.h"
#include "media/TrackBusWatch.h"
#include "media/TrackEnvironment.h"
#include "media/TrackEvents.h"
#include "media/TrackExceptions.h"
#include "media/TrackFactory.h"
#include "media/TrackThread.h"
#include "media/VideoOutput.h"
#include "platform/FileNames.h"
#include "platform/Logging.h"
#include "platform/SoundServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <gst/audio/streamvolume.h>
#include <gst/gst.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr gint64 kOutputBufferUs = 100000;

// playbin's GstPlayFlags bits.
constexpr guint kPlayFlagVideo = 1u << 0;
constexpr guint kPlayFlagText = 1u << 2;
constexpr guint kPlayFlagVis = 1u << 3;
constexpr guint kPlayFlagSoftVolume = 1u << 4;
constexpr guint kPlayFlagNativeAudio = 1u << 5;

TrackMs NsToMs(gint64 ns)
{
    return static_cast<TrackMs>(std::clamp<gint64>(ns / GST_MSECOND, 0, std::numeric_limits<TrackMs>::max()));
}

// pulsesink keeps one main loop for all its streams in the process, made by
// the first sink that opens its device and freed by the last one that
// closes it, and a volume call on a sink not open yet locks that loop
// without holding it. Another track's close freeing the loop meanwhile
// brought the whole process down (an assertion in the sound-server library;
// tracks made on two threads while a third closes one abort within
// seconds). So from the first pulsesink on the process keeps one of its own
// open for good, and the loop lives as long as the process. The keeper has a
// client name of its own: the tracks never share its connection to the
// server, which a restart of the server leaves broken. While the server
// cannot be reached there is no keeper; the next track tries again.
void KeepOutputLoop(GstElement* sink)
{
    GstElementFactory* factory = gst_element_get_factory(sink);
    if (!factory || std::strcmp(GST_OBJECT_NAME(factory), "pulsesink") != 0)
        return;
    static std::mutex mutex;
    static GstElement* keeper = nullptr;
    std::lock_guard lock(mutex);
    if (keeper)
        return;
    GstElement* candidate = gst_element_factory_make("pulsesink", "lirana-loop-keeper");
    if (!candidate)
        return;
    gst_object_ref_sink(candidate);
    gchar* server = nullptr;
    g_object_get(sink, "server", &server, nullptr);
    g_object_set(candidate, "server", server, "client-name", "lirana-loop-keeper", nullptr);
    g_free(server);
    if (gst_element_set_state(candidate, GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS) {
        keeper = candidate; // never closed
        return;
    }
    gst_element_set_state(candidate, GST_STATE_NULL);
    gst_object_unref(candidate);
}

// A level change is heard once the samples already in the sink's buffer have
// played: a sink left at its default buffer (200 ms) gets a shorter one so a
// fade or a stop follows the engine closely. A buffer the operator chose in
// "AudioSink" stays.
void ShortenOutputBuffer(GstElement* sink)
{
    GParamSpec* spec = g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "buffer-time");
    if (!spec || spec->value_type != G_TYPE_INT64)
        return;
    gint64 current = 0;
    g_object_get(sink, "buffer-time", &current, nullptr);
    if (current == G_PARAM_SPEC_INT64(spec)->default_value && current > kOutputBufferUs)
        g_object_set(sink, "buffer-time", kOutputBufferUs, nullptr);
}

template <class Action>
void ForEachSink(GstElement* output, Action action)
{
    GstIterator* it = gst_bin_iterate_sinks(GST_BIN(output));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        action(GST_ELEMENT(g_value_get_object(&item)));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
}

bool HasProperty(GstElement* element, const char* name)
{
    return g_object_class_find_property(G_OBJECT_GET_CLASS(element), name) != nullptr;
}

// The output prerolls without its sinks (see HoldOutput): they must not wait
// for data to reach PAUSED while held, and wait again once released (a seek
// then shows as a pending state change until it has settled).
void SetSinksAsync(GstElement* output, gboolean async)
{
    ForEachSink(output, [async](GstElement* sink) {
        if (HasProperty(sink, "async"))
            g_object_set(sink, "async", async, nullptr);
    });
}

// A held output has no data when the pipeline goes to PLAYING, so its audio
// sink cannot offer its clock yet and the pipeline runs on the system clock.
// An audio sink slaved to another clock corrects the difference by cutting
// or padding its stream (GStreamer's default: a jump of 20 ms or more each
// time the two part further); PipeWire's stream clock jitters by tens of ms,
// and a jump came every second or two, heard as a click in the item. Each
// item plays from its own start on its own pipeline, so the sink runs
// freely: its stream is never cut, and a device's drift against the system
// clock (tens of parts in a million) moves its position by a few ms at most
// in a long item.
void RunSinksFreely(GstElement* output)
{
    ForEachSink(output, [](GstElement* sink) {
        if (HasProperty(sink, "slave-method"))
            gst_util_set_object_arg(G_OBJECT(sink), "slave-method", "none");
    });
}

// The head start a new stream of the sound server behind `sink` needs (see
// HoldOutput), learnt once per server address: PulseAudio starts a stream
// within a few ms of its first data (measured with both cores busy: the
// first 1 ms of an item lost with 10 ms, nothing with 15 ms, the first sound
// 8-13 ms after Play); PipeWire at the next cycle of its graph (at a quantum
// of 2048 frames: nothing lost in 16 starts with 60 ms, 5-18 ms lost with
// 30 ms). A server not known gets the longest margin, StartMarginMs.
TrackMs StartMarginFor(GstElement* sink)
{
    gchar* server = nullptr;
    if (HasProperty(sink, "server"))
        g_object_get(sink, "server", &server, nullptr);
    const QString address = server && *server ? QString::fromUtf8(server)
                                              : QString::fromLocal8Bit(qgetenv("PULSE_SERVER"));
    g_free(server);
    static std::mutex mutex;
    static QHash<QString, TrackMs> learnt;
    const QString socket = SoundServerSocketPath(address);
    std::lock_guard lock(mutex);
    if (const auto it = learnt.constFind(socket); it != learnt.cend())
        return *it;
    // A server that does not answer now (down, or still starting) is asked
    // again at the next open.
    const SoundServerKind kind = IdentifySoundServer(socket);
    const TrackMs margin = kind == SoundServerKind::PulseAudio ? CDirectShowTrack::PulseAudioStartMarginMs
                           : kind == SoundServerKind::PipeWire ? CDirectShowTrack::PipeWireStartMarginMs
                                                               : CDirectShowTrack::StartMarginMs;
    if (kind != SoundServerKind::Unknown)
        learnt.insert(socket, margin);
    qCDebug(lcMedia).noquote() << "sound server at" << socket << "is"
                               << (kind == SoundServerKind::PulseAudio ? "PulseAudio"
                                   : kind == SoundServerKind::PipeWire ? "PipeWire"
                                                                       : "not known")
                               << "- start margin" << margin << "ms";
    return margin;
}

// A start the sound server's stream was not ready for in time (a slow
// machine, a loaded server) would cut the item's head: the sink drops
// samples whose time has passed. So the first buffer that reaches the
// stream after Play is looked at: with less than kStartSlackNs left before
// it is due, the sink's segment is moved that much later (its running time;
// the item's own times and end stay), and the head plays a few ms late
// instead of being cut. The position follows the segment.
// The process's first stream takes longer to start than the ones after it:
// it is given kFirstStartSlackNs (measured with four busy loops on two
// cores, a mini playlist's first entry of 2 s: 1 to 24 ms of it lost in 7
// runs of 8 with 8 ms, in 3 of 8 and at most 20 ms with 40 ms; the entries
// after it whole). A first item that starts 30 ms later is not heard.
constexpr gint64 kStartSlackNs = 8 * GST_MSECOND;
constexpr gint64 kFirstStartSlackNs = 40 * GST_MSECOND;
std::atomic<bool> g_streamStarted{false};

GstPadProbeReturn KeepTheHead(GstPad* pad, GstPadProbeInfo* info, gpointer data)
{
    auto& armed = **static_cast<std::shared_ptr<std::atomic<bool>>*>(data);
    GstBuffer* buffer = gst_pad_probe_info_get_buffer(info);
    if (!buffer || !GST_BUFFER_PTS_IS_VALID(buffer) || !armed.exchange(false))
        return GST_PAD_PROBE_OK;
    GstElement* sink = GST_ELEMENT(gst_pad_get_parent(pad));
    GstClock* clock = sink ? gst_element_get_clock(sink) : nullptr;
    GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    const GstSegment* segment = nullptr;
    if (event)
        gst_event_parse_segment(event, &segment);
    if (clock && segment && segment->format == GST_FORMAT_TIME) {
        const guint64 runningTime = gst_segment_to_running_time(segment, GST_FORMAT_TIME,
                                                                GST_BUFFER_PTS(buffer));
        const gint64 slack = gint64(gst_element_get_base_time(sink) + runningTime) -
                             gint64(gst_clock_get_time(clock));
        const gint64 need = g_streamStarted.exchange(true) ? kStartSlackNs : kFirstStartSlackNs;
        if (runningTime != GST_CLOCK_TIME_NONE && slack < need) {
            GstSegment later;
            gst_segment_copy_into(segment, &later);
            later.base += guint64(need - slack);
            GstEvent* moved = gst_event_new_segment(&later);
            gst_event_set_seqnum(moved, gst_event_get_seqnum(event));
            gst_pad_send_event(pad, moved);
        }
        qCDebug(lcMedia).noquote() << "first data at the output" << slack / 1000 / 1000.0
                                   << "ms before it was due" << (slack < need ? "- started later" : "");
    }
    if (event)
        gst_event_unref(event);
    if (clock)
        gst_object_unref(clock);
    if (sink)
        gst_object_unref(sink);
    return GST_PAD_PROBE_REMOVE;
}

GstPadProbeReturn HoldAtTheOutput(GstPad*, GstPadProbeInfo*, gpointer)
{
    return GST_PAD_PROBE_OK; // stays blocked until the probe is removed
}

} // namespace

GstElement* CDirectShowTrack::FindStreamVolume(GstElement* output)
{
    if (!output)
        return nullptr;
    if (GST_IS_STREAM_VOLUME(output) && !GST_IS_BIN(output))
        return GST_ELEMENT(gst_object_ref(output));
    if (!GST_IS_BIN(output))
        return nullptr;
    // The sound server's stream is the sink's; our own level element is a
    // GstStreamVolume too and is passed over.
    GstElement* found = nullptr;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(output));
    GValue item = G_VALUE_INIT;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        if (GST_IS_STREAM_VOLUME(element) && GST_OBJECT_FLAG_IS_SET(element, GST_ELEMENT_FLAG_SINK))
            found = GST_ELEMENT(gst_object_ref(element));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

CDirectShowTrack::CDirectShowTrack() : m_shared(std::make_shared<CGstTrackShared>()) {}

CDirectShowTrack::~CDirectShowTrack()
{
    try {
        CDirectShowTrack::Close();
    } catch (...) {
    }
}

void CDirectShowTrack::Fail(int where, const QString& text, int code)
{
    throw CDirectShowException(where, code, text);
}

void CDirectShowTrack::Open(const QString& path, QObject* owner)
{
    BeginOpen(path, owner);
    FinishOpen();
}

void CDirectShowTrack::BeginOpen(const QString& path, QObject* owner)
{
    if (m_pipeline)
        Close();
    CMediaTrack::Open(path, owner);
    m_length = -1;
    m_knownLength = -1;
    m_lengthScanned = false;
    try {
        m_sinkDescription = CTrackEnvironment::AudioSinkDescription();
        m_video = VideoOutput::Current();
        m_pushMode = ReadsInPushMode(path);
        BuildPipeline();
    } catch (...) {
        Close();
        throw;
    }
}

void CDirectShowTrack::FinishOpen()
{
    try {
        RefuseNonRegularFile(m_path); // a stat may wait (a hung network share)
        ReadLongWaveAsStream();
        Preroll();
        // Learnt now, off the caller's thread: a file that states no length
        // is scanned here, not at the first overlap tick.
        GetLength();
    } catch (...) {
        Close();
        throw;
    }
    m_shared->errorPosted = false;
    m_shared->state = Stopped;
    m_shared->serial = Serial();
    m_shared->file = m_path;
    m_stopNs = -1;
    m_heldAtMs = 0;
    m_settling = false;
    m_seekedWhileHeld = false;
    qCDebug(lcMedia).noquote() << "track" << Serial() << m_path
                               << (m_pushMode ? "prerolled (push mode)" : "prerolled");

    // The server created the stream during the preroll and may have given it
    // a remembered volume: the level is ours, the stream stays at unity.
    std::shared_ptr<GstElement> streamVolume(FindStreamVolume(m_output), [](GstElement* e) {
        if (e)
            gst_object_unref(e);
    });
    HoldStreamAtUnity(streamVolume.get());
    std::shared_ptr<GstBus> bus(gst_element_get_bus(m_pipeline), [](GstBus* b) { gst_object_unref(b); });
    m_worker = std::make_unique<CTrackThread>(
        [bus, streamVolume, shared = m_shared, notifier = Notifier()](std::stop_token stop) {
            RunTrackBusWatch(bus.get(), streamVolume.get(), shared, notifier, stop);
        });
}

void CDirectShowTrack::RefuseNonRegularFile(const QString& path)
{
    // A FIFO, a device or a folder would block or fail deep inside the
    // pipeline's state change; say so before anything opens it.
    if (path.contains(QStringLiteral("://")))
        return;
    struct stat info
    {};
    if (::stat(FileNameBytes(path).constData(), &info) == 0 && !S_ISREG(info.st_mode))
        Fail(103, QCoreApplication::translate("DirectShowTrack", "Not a regular file: %1").arg(path));
}

void CDirectShowTrack::ReadLongWaveAsStream()
{
    if (m_pushMode || m_path.contains(QStringLiteral("://")))
        return;
    const std::optional<TrackMs> length = LongWave::Length(m_path);
    if (!length)
        return;
    qCDebug(lcMedia).noquote() << QFileInfo(m_path).fileName() << "has more than 2 GiB of audio:"
                               << "read as a stream, its length" << *length << "ms from its header";
    m_knownLength = *length;
    m_pushMode = true;
    DropPipeline();
    BuildPipeline(true);
}

void CDirectShowTrack::BuildPipeline(bool again)
{
    if (!IsDirectShowAvailable())
        Fail(101, QCoreApplication::translate("DirectShowTrack",
                                              "GStreamer cannot be initialised or has no playbin"));
    m_pipeline = gst_element_factory_make(kPlaybinFactory, nullptr);
    if (!m_pipeline)
        Fail(101, QCoreApplication::translate("DirectShowTrack", "Cannot make the GStreamer element \"%1\"")
                      .arg(QLatin1String(kPlaybinFactory)));
    gst_object_ref_sink(m_pipeline);

    GError* error = nullptr;
    gchar* uri = m_path.contains(QStringLiteral("://")) && gst_uri_is_valid(m_path.toUtf8().constData())
                     ? g_strdup(m_path.toUtf8().constData())
                     : gst_filename_to_uri(FileNameBytes(m_path).constData(), &error);
    if (!uri) {
        const QString text = error ? QString::fromUtf8(error->message) : QString();
        g_clear_error(&error);
        Fail(103, QCoreApplication::translate("DirectShowTrack", "Not a file name: %1 %2").arg(m_path, text));
    }
    // pushfile:// reads the same file in push mode (see Preroll).
    const QByteArray played = m_pushMode && g_str_has_prefix(uri, "file://") ? QByteArray("push") + uri
                                                                             : QByteArray(uri);
    g_object_set(m_pipeline, "uri", played.constData(), nullptr);
    g_free(uri);

    // The output: the track's own level element right before the sink, so a
    // fade acts within the sink's buffer and the sound server's stream
    // volume is never moved (desktop servers remember it per program). The
    // output converts for itself: playbin's own converter bin relinks its
    // elements when the first data after a flushing seek brings its caps,
    // and a seek or the data itself arriving meanwhile is dropped (seen
    // under load: a refused seek, or a preroll that never came).
    const QString& sinkDescription = m_sinkDescription;
    const QByteArray outputDescription = QByteArray(
                                             "audioconvert ! audioresample ! volume name=lirana-level ! ") +
                                         sinkDescription.toUtf8();
    GstElement* sink = gst_parse_bin_from_description(outputDescription.constData(), TRUE, &error);
    if (!sink || error) {
        const QString text = error ? QString::fromUtf8(error->message) : QStringLiteral("no element");
        g_clear_error(&error);
        if (sink)
            gst_object_unref(gst_object_ref_sink(sink));
        Fail(101, QCoreApplication::translate("DirectShowTrack", "Cannot make the audio output \"%1\": %2")
                      .arg(sinkDescription, text));
    }
    gst_object_set_name(GST_OBJECT(sink), kOutputBinName);
    m_output = GST_ELEMENT(gst_object_ref(sink));
    m_level = gst_bin_get_by_name(GST_BIN(sink), "lirana-level");
    // Asking for unity before the stream exists keeps PulseAudio's restore
    // from applying a remembered volume; PipeWire needs the guard as well.
    // The sink gets a 100 ms buffer (ShortenOutputBuffer): a fade follows
    // the engine 100 ms sooner than with pulsesink's own 200 ms, at 1.3 %
    // more instructions while an MP3 plays (callgrind, 10 s of MP3 into
    // PulseAudio: 60.1 M against 59.3 M; gst-launch's playbin 58.2 M).
    m_startMarginMs = 0;
    m_firstDataArmed.reset();
    if (GstElement* direct = FindStreamVolume(sink)) {
        m_startMarginMs = StartMarginFor(direct);
        m_firstDataArmed = std::make_shared<std::atomic<bool>>(false);
        if (GstPad* pad = gst_element_get_static_pad(direct, "sink")) {
            using Armed = std::shared_ptr<std::atomic<bool>>;
            gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, KeepTheHead, new Armed(m_firstDataArmed),
                              [](gpointer data) { delete static_cast<Armed*>(data); });
            gst_object_unref(pad);
        }
        KeepOutputLoop(direct); // before the volume of a sink not open yet
        HoldStreamAtUnity(direct);
        ShortenOutputBuffer(direct);
        gst_object_unref(direct);
    }
    HoldOutput();
    g_object_set(m_pipeline, "audio-sink", sink, nullptr);

    guint flags = 0;
    g_object_get(m_pipeline, "flags", &flags, nullptr);
    flags = (flags & ~(kPlayFlagSoftVolume | kPlayFlagVis)) | kPlayFlagNativeAudio;
    // Pictures go only to the sink of the front end's video output, never to
    // an automatic choice (see VideoOutput.h); without one no video is
    // decoded. playbin tries every video sink the system has for a stream it
    // could hand one directly, whatever its flags say, unless it has a sink
    // of its own: it gets a fake one then.
    GstElement* video = VideoOutput::MakeSink(m_video, Serial(), QFileInfo(m_path).completeBaseName());
    if (!video) {
        flags &= ~(kPlayFlagVideo | kPlayFlagText);
        video = gst_element_factory_make("fakesink", nullptr);
    }
    if (video)
        g_object_set(m_pipeline, "video-sink", video, nullptr);
    g_object_set(m_pipeline, "flags", flags, nullptr);

    CTrackEnvironment::Chain().AddToGraph(m_pipeline, again ? nullptr : CTrackEnvironment::Ui());
}

// decodebin (playbin's) sometimes loses the first buffer that a parser
// running its own pull-mode loop pushes before decodebin has exposed its
// pad: the not-linked error is swallowed and the preroll would wait for ever.
// Measured here with two players at once: 11-17 of 144 AIFF opens and 15 of
// 96 W64 opens stalled, no WAV, MP3 or other one. Read in push mode
// (pushfilesrc) none of 240 AIFF opens stalled, so AIFF is read that way;
// W64's only reader (sfdec) needs pull mode: there a stall is undone by a
// flushing seek to the start sent to the reader itself, which restarts its
// loop now that its pad is linked (measured with two players at once: 44 of
// 120 W64 opens stalled, all 44 prerolled after the seek; a seek sent to the
// pipeline never reaches the reader, and a fresh pipeline stalls as often).
// Any local file that has not prerolled in time (a local file prerolls in
// some ms, a few hundred for the first MP3 of a process) is restarted so,
// else opened again with a fresh pipeline, waiting twice as long each time,
// until OpenTimeoutMs is spent.
bool CDirectShowTrack::ReadsInPushMode(const QString& path)
{
    static const QStringList pushed{QStringLiteral("aif"), QStringLiteral("aiff"), QStringLiteral("aifc")};
    return pushed.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive);
}

void CDirectShowTrack::Preroll()
{
    const bool local = !m_path.contains(QStringLiteral("://"));
    int spent = 0;
    bool restarted = false; // the readers of this pipeline
    bool reopened = false;  // after a preroll that needed a restart
    for (int wait = local ? StallRetryMs : OpenTimeoutMs;; wait *= 2) {
        wait = std::min(wait, OpenTimeoutMs - spent);
        if (PrerollWithin(wait)) {
            if (!restarted || reopened)
                return;
            // A pipeline whose reader was restarted prerolls, but now and
            // then its item then plays silent: the data waiting at the
            // output's door never reaches the sink once the door opens (3 in
            // about 17 restarts of W64 items with both cores busy; a seek of
            // the whole pipeline after the preroll did not help). So it only
            // shows that the file can be read, and the file is opened once
            // more with a fresh pipeline.
            qCDebug(lcMedia).noquote() << "the preroll of" << QFileInfo(m_path).fileName()
                                       << "needed its reader restarted; opening it again";
            reopened = true;
            DropPipeline();
            BuildPipeline(true);
            restarted = false;
            continue;
        }
        spent += wait;
        if (spent >= OpenTimeoutMs)
            FailNotOpened();
        if (!restarted && RestartPullReaders()) {
            restarted = true;
            qCDebug(lcMedia).noquote()
                << "the preroll of" << QFileInfo(m_path).fileName() << "stalled; its reader was restarted";
            continue;
        }
        qCWarning(lcMedia).noquote() << "lirana: the preroll of" << QFileInfo(m_path).fileName()
                                     << "stalled; opening it again";
        DropPipeline();
        BuildPipeline(true);
        restarted = false;
    }
}

namespace {

bool HasPadIn(GstElement* element, GstPadDirection direction, GstPadMode mode)
{
    bool found = false;
    GstIterator* pads = direction == GST_PAD_SINK ? gst_element_iterate_sink_pads(element)
                                                  : gst_element_iterate_src_pads(element);
    GValue item = G_VALUE_INIT;
    while (!found && gst_iterator_next(pads, &item) == GST_ITERATOR_OK) {
        found = GST_PAD_MODE(GST_PAD(g_value_get_object(&item))) == mode;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(pads);
    return found;
}

// A reader that pulls its data and pushes on (sfdec, a parser in pull mode),
// as opposed to one pulled from itself (typefind, which only hands its pull
// on to the reader after it).
bool RunsItsOwnLoop(GstElement* element)
{
    return HasPadIn(element, GST_PAD_SINK, GST_PAD_MODE_PULL) &&
           HasPadIn(element, GST_PAD_SRC, GST_PAD_MODE_PUSH);
}

} // namespace

bool CDirectShowTrack::RestartPullReaders()
{
    std::vector<GstElement*> readers;
    GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(m_pipeline));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        if (RunsItsOwnLoop(element))
            readers.push_back(GST_ELEMENT(gst_object_ref(element)));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(elements);
    for (GstElement* reader : readers) {
        GstEvent* seek = gst_event_new_seek(1.0, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET, 0,
                                            GST_SEEK_TYPE_NONE, -1);
        GstIterator* pads = gst_element_iterate_src_pads(reader);
        GValue pad = G_VALUE_INIT;
        if (gst_iterator_next(pads, &pad) == GST_ITERATOR_OK)
            gst_pad_send_event(GST_PAD(g_value_get_object(&pad)), gst_event_ref(seek));
        g_value_unset(&pad);
        gst_iterator_free(pads);
        gst_event_unref(seek);
        gst_object_unref(reader);
    }
    return !readers.empty();
}

void CDirectShowTrack::FailNotOpened()
{
    Fail(103, QCoreApplication::translate("DirectShowTrack", "The file did not open within %1 s (%2)")
                  .arg(OpenTimeoutMs / 1000)
                  .arg(QFileInfo(m_path).fileName()));
}

bool CDirectShowTrack::PrerollWithin(int timeoutMs)
{
    const QString context = QFileInfo(m_path).fileName();
    GstBus* bus = gst_element_get_bus(m_pipeline);
    const GstStateChangeReturn ret = gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
    if (ret == GST_STATE_CHANGE_SUCCESS || ret == GST_STATE_CHANGE_NO_PREROLL) {
        gst_object_unref(bus);
        return true;
    }
    // A failure posts its error on the bus; an asynchronous preroll ends
    // with async-done or an error.
    const gint64 deadline = g_get_monotonic_time() + gint64(timeoutMs) * 1000;
    const auto types = static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE);
    for (;;) {
        const gint64 left = ret == GST_STATE_CHANGE_FAILURE ? 0 : deadline - g_get_monotonic_time();
        GstMessage* message = gst_bus_timed_pop_filtered(bus, std::max<gint64>(left, 0) * GST_USECOND, types);
        if (!message) {
            gst_object_unref(bus);
            if (ret == GST_STATE_CHANGE_FAILURE)
                Fail(103, QCoreApplication::translate("DirectShowTrack", "The file cannot be played (%1)")
                              .arg(context));
            return false;
        }
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            const auto error = ExceptionFromErrorMessage(103, message, context);
            gst_message_unref(message);
            gst_object_unref(bus);
            if (const auto* output = dynamic_cast<const CAudioOutputException*>(error.get()))
                throw *output;
            throw *error;
        }
        const bool done = GST_MESSAGE_SRC(message) == GST_OBJECT(m_pipeline);
        gst_message_unref(message);
        if (done)
            break;
    }
    gst_object_unref(bus);
    return true;
}

// A pipeline prerolled into the sound server and held in PAUSED starts as
// late as it was held: the server's stream exists from the preroll on, and
// its clock runs while the stream waits (measured: 1045 ms late after a
// 1000 ms hold, 345 ms after 300 ms). So nothing reaches the output before
// Play: data and events stop at the output's door, the sinks reach PAUSED
// without data, and the stream is made when Play opens the door (measured:
// the first sound 2 ms before to 8 ms after Play, after holds of 1 s and
// 4 s, but the first 3-9 ms of the item lost while the stream starts; on
// PipeWire up to 50 ms). So the data is also given a head start: an offset
// of the server's start margin (StartMarginFor) on the pad makes the first
// sample due that long after Play, and nothing is lost (measured: the first
// sound 8-13 ms after Play on PulseAudio with 15 ms, 85-105 ms on PipeWire
// with 60 ms, the whole item played).
// Outputs that are no sound server's stream start at once. An item can be
// opened ahead of its time and still start on time.
void CDirectShowTrack::HoldOutput()
{
    SetSinksAsync(m_output, FALSE);
    RunSinksFreely(m_output);
    m_heldPad = gst_element_get_static_pad(m_output, "sink");
    if (m_heldPad)
        m_holdProbe = gst_pad_add_probe(m_heldPad, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM, HoldAtTheOutput,
                                        nullptr, nullptr);
}

void CDirectShowTrack::ReleaseOutput()
{
    if (!m_holdProbe)
        return;
    // After a seek while held the data comes anew from the decoder, which
    // may still be on its way at Play: with PulseAudio's short margin the
    // first ms of an Intro Scan stretch were lost or played late in some
    // runs (1 of 4), never with the long one (8 of 8).
    const TrackMs margin = m_seekedWhileHeld && m_startMarginMs > 0 ? std::max(m_startMarginMs, StartMarginMs)
                                                                    : m_startMarginMs;
    if (margin > 0)
        gst_pad_set_offset(m_heldPad, gint64(margin) * GST_MSECOND);
    if (m_firstDataArmed)
        *m_firstDataArmed = true;
    gst_pad_remove_probe(m_heldPad, m_holdProbe);
    m_holdProbe = 0;
    SetSinksAsync(m_output, TRUE);
}

void CDirectShowTrack::DropPipeline()
{
    // Going to NULL flushes the held data away; a held track never reaches
    // the sound server at all.
    if (m_pipeline)
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
    if (m_heldPad && m_holdProbe)
        gst_pad_remove_probe(m_heldPad, m_holdProbe);
    m_holdProbe = 0;
    if (m_heldPad)
        gst_object_unref(m_heldPad);
    m_heldPad = nullptr;
    for (GstElement** element : {&m_level, &m_output, &m_pipeline}) {
        if (*element)
            gst_object_unref(*element);
        *element = nullptr;
    }
}

void CDirectShowTrack::Close()
{
    m_worker.reset();
    DropPipeline();
    if (m_video)
        m_video->Closed(Serial());
    m_video.reset();
    m_shared->state = Closed;
    CMediaTrack::Close();
}

bool CDirectShowTrack::WaitState(int timeoutMs) const
{
    return gst_element_get_state(m_pipeline, nullptr, nullptr, GstClockTime(timeoutMs) * GST_MSECOND) !=
           GST_STATE_CHANGE_FAILURE;
}

bool CDirectShowTrack::SeekPipeline(qint64 fromNs, qint64 toNs)
{
    m_seekedWhileHeld = m_seekedWhileHeld || m_holdProbe != 0;
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    const GstSeekType stopType = toNs < 0 ? GST_SEEK_TYPE_NONE : GST_SEEK_TYPE_SET;
    const gint64 stop = toNs < 0 ? gint64(GST_CLOCK_TIME_NONE) : toNs;
    return gst_element_seek(m_pipeline, 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, fromNs, stopType,
                            stop);
}

void CDirectShowTrack::Play()
{
    if (!m_pipeline)
        return;
    m_shared->errorPosted = false;
    m_shared->state = Playing;
    m_shared->unityUntilUs = g_get_monotonic_time() + gint64(UnityGuardMs) * 1000;
    // The bus watch sleeps until a message comes: this one starts its guard.
    gst_element_post_message(m_pipeline, gst_message_new_application(GST_OBJECT(m_pipeline),
                                                                     gst_structure_new_empty("lirana-play")));
    m_settling = false; // a state change of its own follows
    gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
    ReleaseOutput(); // the first Play opens the output's door
}

void CDirectShowTrack::PlayRange(TrackMs fromMs, TrackMs toMs)
{
    if (!m_pipeline)
        Fail(105, QCoreApplication::translate("DirectShowTrack", "No file is open"));
    if (toMs <= fromMs) {
        // Nothing to play: the end is reached at once (an output that got
        // no data may never report end-of-stream).
        Seek(fromMs);
        m_shared->errorPosted = false;
        m_shared->state = Playing;
        PostEnd(MCI_NOTIFY_SUCCESSFUL);
        return;
    }
    const gint64 from = gint64(std::max<TrackMs>(fromMs, 0)) * GST_MSECOND;
    const gint64 to = gint64(toMs) * GST_MSECOND;
    if (!SeekPipeline(from, to))
        Fail(105,
             QCoreApplication::translate("DirectShowTrack", "Cannot play %1..%2 ms").arg(fromMs).arg(toMs));
    m_heldAtMs = std::max<TrackMs>(fromMs, 0);
    m_stopNs = to;
    Play();
}

void CDirectShowTrack::Stop()
{
    if (!m_pipeline)
        return;
    m_shared->state = Stopped;
    // A pipeline that reported an error is rebuilt from READY.
    if (m_shared->errorPosted)
        gst_element_set_state(m_pipeline, GST_STATE_READY);
    gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
    if (WaitState(StateTimeoutMs)) {
        SeekPipeline(0);
        WaitState(StateTimeoutMs);
    }
    SetVolume(1.0f);
}

void CDirectShowTrack::Pause()
{
    if (!m_pipeline)
        return;
    m_settling = false;
    if (gst_element_set_state(m_pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        Fail(104, QCoreApplication::translate("DirectShowTrack", "The media back-end cannot pause"));
    m_shared->state = Paused;
}

void CDirectShowTrack::Resume()
{
    Play();
}

bool CDirectShowTrack::IsStopped() const
{
    return m_shared->state == Stopped;
}

bool CDirectShowTrack::IsPaused() const
{
    return m_shared->state == Paused;
}

bool CDirectShowTrack::IsPlaying() const
{
    return m_shared->state == Playing;
}

TrackMs CDirectShowTrack::GetPosition() const
{
    if (m_holdProbe)
        return m_heldAtMs; // nothing reached the output yet: where it will start
    if (m_settling) {
        // A seek is still settling: the position is the one sought.
        if (gst_element_get_state(m_pipeline, nullptr, nullptr, 0) == GST_STATE_CHANGE_ASYNC)
            return m_heldAtMs;
        m_settling = false;
    }
    gint64 position = 0;
    if (!m_pipeline || !gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &position))
        return 0;
    return NsToMs(position);
}

TrackMs CDirectShowTrack::GetLength() const
{
    if (m_knownLength >= 0)
        return m_knownLength;
    if (!m_pipeline)
        throw CDirectShowException(
            106, 0,
            QCoreApplication::translate("DirectShowTrack", "The length of a closed track is not known"));
    gint64 duration = 0;
    if (gst_element_query_duration(m_pipeline, GST_FORMAT_TIME, &duration) && duration >= 0)
        return m_knownLength = NsToMs(duration);
    if (!m_lengthScanned) {
        m_lengthScanned = true;
        const TrackMs scanned = FileNameExists(m_path, true) ? ScanMediaLength(m_path, ScanTimeoutMs) : -1;
        if (scanned > 0)
            return m_knownLength = scanned;
    }
    return UnknownLengthMs;
}

void CDirectShowTrack::Seek(TrackMs ms)
{
    if (!m_pipeline)
        Fail(105, QCoreApplication::translate("DirectShowTrack", "No file is open"));
    const gint64 to = gint64(std::max<TrackMs>(ms, 0)) * GST_MSECOND;
    if (m_heldPad && !m_holdProbe)
        gst_pad_set_offset(m_heldPad, 0); // the stream runs: a seek needs no head start
    if (!SeekPipeline(to))
        Fail(105, QCoreApplication::translate("DirectShowTrack", "Cannot seek to %1 ms").arg(ms));
    // No wait for the seek to settle (a file on a hung share could take
    // seconds): the position answers the place sought meanwhile.
    m_heldAtMs = std::max<TrackMs>(ms, 0);
    m_settling = true;
}

void CDirectShowTrack::SetVolume(float level)
{
    if (!m_pipeline)
        return;
    const long hundredths = static_cast<long>((double(level) - 1.0) * 4000.0);
    const double linear = gst_stream_volume_convert_volume(
        GST_STREAM_VOLUME_FORMAT_DB, GST_STREAM_VOLUME_FORMAT_LINEAR, hundredths / 100.0);
    if (m_level)
        g_object_set(m_level, "volume", std::clamp(linear, 0.0, 10.0), nullptr);
}

float CDirectShowTrack::GetVolume() const
{
    if (!m_pipeline || !m_level)
        return 0.0f;
    gdouble linear = 0.0;
    g_object_get(m_level, "volume", &linear, nullptr);
    if (!(linear > 0.0))
        return 0.0f;
    const double db = gst_stream_volume_convert_volume(GST_STREAM_VOLUME_FORMAT_LINEAR,
                                                       GST_STREAM_VOLUME_FORMAT_DB, linear);
    const long hundredths = std::lround(db * 100.0);
    return hundredths >= -4000 ? float(hundredths * 0.00025 + 1.0) : 0.0f;
}
