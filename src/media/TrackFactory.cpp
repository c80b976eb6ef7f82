// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/TrackFactory.h"

#include "media/CdAudioTrack.h"
#include "media/DirectShowTrack.h"
#include "media/LineInTrack.h"
#include "media/MciTrack.h"
#include "media/MiniPlaylistTrack.h"
#include "media/ModTrack.h"
#include "media/PauseTrack.h"
#include "media/TrackExceptions.h"
#include "playlist/ItemPath.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <gst/gst.h>

#include <array>
#include <mutex>
#include <vector>

namespace {

bool InitGStreamer()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        GError* error = nullptr;
        ok = gst_init_check(nullptr, nullptr, &error);
        if (error)
            g_error_free(error);
    });
    return ok;
}

// 10 ms of 16-bit mono silence at 44.1 kHz as a WAV file.
QByteArray SilentWav()
{
    constexpr quint32 kFrames = 441;
    QByteArray wav;
    QDataStream out(&wav, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + kFrames * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(44100) << quint32(88200) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(kFrames * 2);
    wav.append(QByteArray(kFrames * 2, '\0'));
    return wav;
}

void WarmUpOnce()
{
    if (!IsDirectShowAvailable())
        return;
    std::vector<GstElementFactory*> factories;
    for (const char* name :
         {kPlaybinFactory, "uridecodebin", "decodebin", "filesrc", "typefind", "queue", "id3demux",
          "mpegaudioparse", "wavparse", "audioconvert", "audioresample", "volume", "pulsesink", "alsasink"}) {
        if (GstElementFactory* factory = gst_element_factory_find(name))
            factories.push_back(factory);
    }
    // The decoder playbin would choose for each format: the highest rank.
    GList* decoders = gst_element_factory_list_get_elements(
        GST_ELEMENT_FACTORY_TYPE_DECODER | GST_ELEMENT_FACTORY_TYPE_MEDIA_AUDIO, GST_RANK_MARGINAL);
    decoders = g_list_sort(decoders, gst_plugin_feature_rank_compare_func);
    for (const char* format :
         {"audio/mpeg, mpegversion=(int)1, layer=(int)3", "audio/mpeg, mpegversion=(int)4", "audio/x-vorbis",
          "audio/x-flac", "audio/x-opus"}) {
        GstCaps* caps = gst_caps_from_string(format);
        GList* fitting = gst_element_factory_list_filter(decoders, caps, GST_PAD_SINK, FALSE);
        if (fitting)
            factories.push_back(GST_ELEMENT_FACTORY(gst_object_ref(fitting->data)));
        gst_plugin_feature_list_free(fitting);
        gst_caps_unref(caps);
    }
    gst_plugin_feature_list_free(decoders);
    for (GstElementFactory* factory : factories) {
        // Making one loads the plug-in and sets up the element's class.
        if (GstElement* element = gst_element_factory_create(factory, nullptr))
            gst_object_unref(gst_object_ref_sink(element));
        gst_object_unref(factory);
    }
    // The rest of a first open is playbin setting up its inner elements:
    // preroll a few ms of silence into a fake sink once.
    QTemporaryFile wav(QDir::tempPath() + QStringLiteral("/lirana-warm-up-XXXXXX.wav"));
    if (!wav.open() || wav.write(SilentWav()) <= 0 || !wav.flush())
        return;
    GstElement* playbin = gst_element_factory_make(kPlaybinFactory, nullptr);
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    if (!playbin || !sink) {
        for (GstElement* element : {playbin, sink})
            if (element)
                gst_object_unref(gst_object_ref_sink(element));
        return;
    }
    gchar* uri = gst_filename_to_uri(QFile::encodeName(wav.fileName()).constData(), nullptr);
    g_object_set(playbin, "uri", uri, "audio-sink", sink, nullptr);
    g_free(uri);
    gst_element_set_state(playbin, GST_STATE_PAUSED);
    gst_element_get_state(playbin, nullptr, nullptr, 2 * GST_SECOND);
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(playbin);
}

} // namespace

bool IsDirectShowAvailable()
{
    if (!InitGStreamer())
        return false;
    GstElementFactory* playbin = gst_element_factory_find(kPlaybinFactory);
    if (!playbin)
        return false;
    gst_object_unref(playbin);
    return true;
}

TrackClass TrackClassFor(const QString& path, bool directShowAvailable)
{
    static const std::array<QLatin1StringView, 9> moduleExtensions = {
        QLatin1StringView(".MOD"), QLatin1StringView(".S3M"), QLatin1StringView(".XM"),
        QLatin1StringView(".669"), QLatin1StringView(".STM"), QLatin1StringView(".NST"),
        QLatin1StringView(".IT"),  QLatin1StringView(".MDZ"), QLatin1StringView(".ITZ"),
    };
    const QString ext = SplitPath(path).ext.toUpper();
    if (ext == u".CDA")
        return TrackClass::CdAudio;
    if (ext == u".MID" || ext == u".RMI")
        return TrackClass::Midi;
    if (ext == u".PAUSE")
        return TrackClass::Pause;
    for (QLatin1StringView module : moduleExtensions)
        if (ext == module)
            return TrackClass::Module;
    if (ext == u".MPL" || ext == u".M3U")
        return TrackClass::MiniPlaylist;
    if (ext == u".LIVE")
        return TrackClass::LineIn;
    return directShowAvailable ? TrackClass::DirectShow : TrackClass::Mci;
}

TrackClass TrackClassFor(const QString& path)
{
    const TrackClass byExtension = TrackClassFor(path, true);
    if (byExtension != TrackClass::DirectShow)
        return byExtension;
    return IsDirectShowAvailable() ? TrackClass::DirectShow : TrackClass::Mci;
}

void WarmUpPlayback()
{
    // Once per process; a second caller waits for the first to finish.
    static std::once_flag once;
    std::call_once(once, WarmUpOnce);
}

std::unique_ptr<CMediaTrack> CreateTrack(const QString& path)
{
    const TrackClass trackClass = TrackClassFor(path);
    if (trackClass == TrackClass::Pause)
        return std::make_unique<CPauseTrack>();
    if (trackClass == TrackClass::Module)
        return std::make_unique<CModTrack>();
    if (trackClass == TrackClass::DirectShow)
        return std::make_unique<CDirectShowTrack>();
    if (trackClass == TrackClass::Mci)
        return std::make_unique<CMCITrack>();
    if (trackClass == TrackClass::Midi)
        return std::make_unique<CMidiTrack>();
    if (trackClass == TrackClass::LineIn)
        return std::make_unique<CLineInTrack>();
    if (trackClass == TrackClass::MiniPlaylist)
        return std::make_unique<CMiniPlaylistTrack>();
    if (trackClass == TrackClass::CdAudio)
        return std::make_unique<CCDAudioTrack>();
    return std::make_unique<CUnavailableTrack>(trackClass);
}

QString CUnavailableTrack::BackEndName(TrackClass trackClass)
{
    switch (trackClass) {
    case TrackClass::CdAudio: return QCoreApplication::translate("TrackFactory", "CD audio");
    case TrackClass::Midi: return QStringLiteral("MIDI");
    case TrackClass::Pause: return QCoreApplication::translate("TrackFactory", "pause");
    case TrackClass::Module: return QCoreApplication::translate("TrackFactory", "tracker module");
    case TrackClass::MiniPlaylist: return QCoreApplication::translate("TrackFactory", "mini playlist");
    case TrackClass::LineIn: return QCoreApplication::translate("TrackFactory", "line-in");
    case TrackClass::DirectShow: return QStringLiteral("GStreamer");
    case TrackClass::Mci: return QCoreApplication::translate("TrackFactory", "media-control");
    }
    return QString();
}

void CUnavailableTrack::Open(const QString& path, QObject* /*owner*/)
{
    throw CTrackException(
        QCoreApplication::translate("TrackFactory", "The %1 back-end is not available in this build (%2)")
            .arg(BackEndName(m_class), [&] {
                const SplitPathParts p = SplitPath(path);
                return p.fname + p.ext;
            }()));
}
