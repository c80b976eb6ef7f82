#include "media/TrackFactory.h"

#include "media/DirectShowTrack.h"
#include "media/PauseTrack.h"
#include "media/TrackExceptions.h"
#include "playlist/ItemPath.h"

#include <gst/gst.h>

#include <array>
#include <mutex>

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

std::unique_ptr<CMediaTrack> CreateTrack(const QString& path)
{
    const TrackClass trackClass = TrackClassFor(path);
    if (trackClass == TrackClass::Pause)
        return std::make_unique<CPauseTrack>();
    if (trackClass == TrackClass::DirectShow)
        return std::make_unique<CDirectShowTrack>();
    return std::make_unique<CUnavailableTrack>(trackClass);
}

QString CUnavailableTrack::BackEndName(TrackClass trackClass)
{
    switch (trackClass) {
    case TrackClass::CdAudio: return QStringLiteral("CD audio");
    case TrackClass::Midi: return QStringLiteral("MIDI");
    case TrackClass::Pause: return QStringLiteral("pause");
    case TrackClass::Module: return QStringLiteral("tracker module");
    case TrackClass::MiniPlaylist: return QStringLiteral("mini playlist");
    case TrackClass::LineIn: return QStringLiteral("line-in");
    case TrackClass::DirectShow: return QStringLiteral("GStreamer");
    case TrackClass::Mci: return QStringLiteral("media-control");
    }
    return QString();
}

void CUnavailableTrack::Open(const QString& path, QObject* /*owner*/)
{
    throw CTrackException(
        QStringLiteral("The %1 back-end is not available in this build (%2)").arg(BackEndName(m_class), [&] {
            const SplitPathParts p = SplitPath(path);
            return p.fname + p.ext;
        }()));
}
