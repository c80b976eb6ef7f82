// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/DirectShowTrack.h"

#include "media/AirBus.h"
#include "media/DirectShowAir.h"
#include "media/GstLengthScan.h"
#include "media/LongWave.h"
#include "media/PlugInChain.h"
#include "media/SndfileFeed.h"
#include "media/TrackBusWatch.h"
#include "media/TrackEnvironment.h"
#include "media/TrackEvents.h"
#include "media/TrackExceptions.h"
#include "media/TrackFactory.h"
#include "media/TrackThread.h"
#include "media/VideoOutput.h"
#include "platform/FileNames.h"
#include "platform/Logging.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <gst/audio/streamvolume.h>
#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sys/stat.h>

namespace {

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

} // namespace

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
    m_gain = 1.0;
    try {
        m_bus = CTrackEnvironment::AirBus();
        m_video = VideoOutput::Current();
        m_pushMode = false;
        m_feed.reset();
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
        OpenFeed();
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
    gint videoStreams = 0;
    g_object_get(m_pipeline, "n-video", &videoStreams, nullptr);
    m_pictures = m_video && videoStreams > 0;
    qCDebug(lcMedia).noquote() << "track" << Serial() << m_path
                               << (m_pushMode ? "prerolled (push mode)" : "prerolled");
    // The sound is decoded ahead into the input, which stays silent until
    // the item starts; pictures are shown in time, so a picture item runs
    // only while it plays.
    if (!m_pictures)
        gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
    std::shared_ptr<GstBus> bus(gst_element_get_bus(m_pipeline), [](GstBus* b) { gst_object_unref(b); });
    m_worker = std::make_unique<CTrackThread>(
        [bus, shared = m_shared, notifier = Notifier()](std::stop_token stop) {
            RunTrackBusWatch(bus.get(), shared, notifier, stop);
        });
}

// One input of the air bus per open: its end and a stall reach the owner as
// the item's end and its error.
void CDirectShowTrack::MakeInput()
{
    m_input = m_bus->AddInput(QFileInfo(m_path).fileName());
    m_input->SetGain(float(m_gain));
    m_input->SetTrim(CTrackEnvironment::LoudnessTrimFor(m_path));
    m_input->SetCallbacks(
        [shared = m_shared, notifier = Notifier()] {
            if (shared->state.load() == Playing && !shared->errorPosted.load())
                notifier->PostEnd(MCI_NOTIFY_SUCCESSFUL);
        },
        [shared = m_shared, notifier = Notifier()] {
            if (shared->state.load() != Playing || shared->errorPosted.exchange(true))
                return;
            notifier->PostError(std::make_unique<CDirectShowException>(103, 0, NoSoundText(shared->file)));
        });
}

void CDirectShowTrack::OpenFeed()
{
    if (!CSndfileFeed::Reads(m_path))
        return;
    QString why;
    m_feed = CSndfileFeed::Open(m_path, &why);
    if (!m_feed)
        Fail(103, QCoreApplication::translate("DirectShowTrack", "Cannot read %1: %2").arg(m_path, why));
    m_knownLength = m_feed->LengthMs();
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
    // pushfile:// reads the same file in push mode (see ReadLongWaveAsStream).
    const QByteArray played = m_pushMode && g_str_has_prefix(uri, "file://") ? QByteArray("push") + uri
                                                                             : QByteArray(uri);
    g_free(uri);
    if (CSndfileFeed::Reads(m_path)) {
        // The feed is opened off the owner's thread (FinishOpen), before the
        // preroll makes the source.
        g_object_set(m_pipeline, "uri", CSndfileFeed::Uri, nullptr);
        g_signal_connect(m_pipeline, "source-setup",
                         G_CALLBACK(+[](GstElement*, GstElement* source, gpointer feed) {
                             if (const auto& opened = *static_cast<std::shared_ptr<CSndfileFeed>*>(feed))
                                 opened->SetUp(source);
                         }),
                         &m_feed);
    } else {
        g_object_set(m_pipeline, "uri", played.constData(), nullptr);
    }

    if (!m_input)
        MakeInput();
    m_input->Flush(0);
    QString outputError;
    GstElement* output = MakeAirSinkBin(
        m_input, &outputError,
        m_path.contains(QStringLiteral("://")) ? QString() : QFileInfo(m_path).fileName());
    if (!output)
        Fail(101, QCoreApplication::translate("DirectShowTrack", "Cannot make the audio output \"%1\": %2")
                      .arg(QStringLiteral("appsink"), outputError));
    g_object_set(m_pipeline, "audio-sink", output, nullptr);

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

void CDirectShowTrack::DropPipeline()
{
    // A streaming thread waiting for room in the input is let go first.
    if (m_input)
        m_input->Flush(0, true);
    if (m_pipeline) {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
    }
    m_pipeline = nullptr;
}

void CDirectShowTrack::Close()
{
    m_worker.reset();
    if (m_input)
        m_input->Detach();
    DropPipeline();
    m_feed.reset();
    m_input.reset();
    m_bus.reset();
    if (m_video)
        m_video->Closed(Serial());
    m_video.reset();
    m_shared->state = Closed;
    CMediaTrack::Close();
}

bool CDirectShowTrack::SeekPipeline(qint64 fromNs, qint64 toNs)
{
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    const GstSeekType stopType = toNs < 0 ? GST_SEEK_TYPE_NONE : GST_SEEK_TYPE_SET;
    const gint64 stop = toNs < 0 ? gint64(GST_CLOCK_TIME_NONE) : toNs;
    // What was buffered goes, and what the decoder is writing now is old:
    // the input takes data again at the seek's flush.
    m_input->Flush(CAirBus::FramesOf(NsToMs(fromNs)), true);
    if (m_feed && toNs >= 0)
        m_feed->SetStop(toNs);
    const bool sought = gst_element_seek(m_pipeline, 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, fromNs,
                                         stopType, stop);
    if (!sought)
        m_input->AcceptWrites();
    return sought;
}

void CDirectShowTrack::Play()
{
    if (!m_pipeline)
        return;
    m_shared->errorPosted = false;
    m_shared->state = Playing;
    if (m_pictures)
        gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
    if (m_input->Ended())
        PostEnd(MCI_NOTIFY_SUCCESSFUL); // paused on its last sample
    else if (m_input->Started())
        m_input->Resume();
    else {
        // Its loudness as known now: an item measured since it opened (the
        // scanner works while others play) is heard at the target too.
        m_input->SetTrim(CTrackEnvironment::LoudnessTrimFor(m_path));
        m_input->StartAt(); // also a start planned on the bus that has not come
    }
}

bool CDirectShowTrack::PlayAfter(const CMediaTrack& before, TrackMs positionOfBefore)
{
    if (!m_pipeline || m_pictures)
        return false;
    m_shared->errorPosted = false;
    m_shared->state = Playing; // before the plan: its start may come at once
    m_input->SetTrim(CTrackEnvironment::LoudnessTrimFor(m_path));
    if (!PlanStart(*m_input, before, positionOfBefore)) {
        m_shared->state = Stopped;
        return false;
    }
    return true;
}

void CDirectShowTrack::CancelPlannedStart()
{
    if (!m_input || m_input->Started())
        return;
    m_input->Unschedule();
    m_shared->state = Stopped;
}

void CDirectShowTrack::PlayRange(TrackMs fromMs, TrackMs toMs)
{
    if (!m_pipeline)
        Fail(105, QCoreApplication::translate("DirectShowTrack", "No file is open"));
    if (toMs <= fromMs) {
        // Nothing to play: the end is reached at once.
        Seek(fromMs);
        m_shared->errorPosted = false;
        m_shared->state = Playing;
        PostEnd(MCI_NOTIFY_SUCCESSFUL);
        return;
    }
    if (!SeekRange(fromMs, toMs))
        Fail(105,
             QCoreApplication::translate("DirectShowTrack", "Cannot play %1..%2 ms").arg(fromMs).arg(toMs));
    Play();
}

bool CDirectShowTrack::CueRange(TrackMs fromMs, TrackMs toMs)
{
    return m_pipeline && !m_pictures && toMs > fromMs && m_shared->state != Playing && !m_input->Started() &&
           SeekRange(fromMs, toMs);
}

bool CDirectShowTrack::SeekRange(TrackMs fromMs, TrackMs toMs)
{
    const gint64 to = gint64(toMs) * GST_MSECOND;
    if (!SeekPipeline(gint64(std::max<TrackMs>(fromMs, 0)) * GST_MSECOND, to))
        return false;
    m_stopNs = to;
    return true;
}

void CDirectShowTrack::Stop()
{
    if (!m_pipeline)
        return;
    m_shared->state = Stopped;
    m_input->Pause();
    // A pipeline that reported an error is rebuilt from READY (its streaming
    // thread let go first: it may be waiting for room in the input).
    if (m_shared->errorPosted) {
        m_input->Flush(0, true);
        gst_element_set_state(m_pipeline, GST_STATE_READY);
        gst_element_set_state(m_pipeline, m_pictures ? GST_STATE_PAUSED : GST_STATE_PLAYING);
    } else if (m_pictures) {
        gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
    }
    SeekPipeline(0);
    SetVolume(1.0f);
}

void CDirectShowTrack::Pause()
{
    if (!m_pipeline)
        return;
    m_input->Pause();
    if (m_pictures && gst_element_set_state(m_pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
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
    if (!m_pipeline || !m_input)
        return 0;
    const std::uint64_t ms = m_input->FramesTaken() * 1000 / CAirBus::Rate;
    return TrackMs(std::min<std::uint64_t>(ms, std::uint64_t(std::numeric_limits<TrackMs>::max())));
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
    // The end mark of a PlayRange stays.
    if (!SeekPipeline(to, m_stopNs))
        Fail(105, QCoreApplication::translate("DirectShowTrack", "Cannot seek to %1 ms").arg(ms));
}

void CDirectShowTrack::SetVolume(float level)
{
    if (!m_pipeline)
        return;
    const long hundredths = static_cast<long>((double(level) - 1.0) * 4000.0);
    m_gain = std::clamp(gst_stream_volume_convert_volume(GST_STREAM_VOLUME_FORMAT_DB,
                                                         GST_STREAM_VOLUME_FORMAT_LINEAR, hundredths / 100.0),
                        0.0, 10.0);
    if (m_input)
        m_input->SetGain(float(m_gain));
}

float CDirectShowTrack::GetVolume() const
{
    if (!m_pipeline || !(m_gain > 0.0))
        return 0.0f;
    const double db = gst_stream_volume_convert_volume(GST_STREAM_VOLUME_FORMAT_LINEAR,
                                                       GST_STREAM_VOLUME_FORMAT_DB, m_gain);
    const long hundredths = std::lround(db * 100.0);
    return hundredths >= -4000 ? float(hundredths * 0.00025 + 1.0) : 0.0f;
}
