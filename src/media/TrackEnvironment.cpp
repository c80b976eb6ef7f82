#include "media/TrackEnvironment.h"

#include "media/PlugInChain.h"

#include <QByteArray>

namespace {

struct Environment
{
    CPlugInChain chain;
    UserInterface* ui = nullptr;
    int videoMode = 0;
    reg::Rect videoRect{0, 0, 0, 0};
};

Environment& Env()
{
    static Environment env;
    return env;
}

} // namespace

CPlugInChain& CTrackEnvironment::Chain()
{
    return Env().chain;
}

UserInterface* CTrackEnvironment::Ui()
{
    return Env().ui;
}

void CTrackEnvironment::SetUserInterface(UserInterface* ui)
{
    Env().ui = ui;
}

int CTrackEnvironment::VideoMode()
{
    return Env().videoMode;
}

reg::Rect CTrackEnvironment::VideoRect()
{
    return Env().videoRect;
}

void CTrackEnvironment::SetVideo(int mode, const reg::Rect& rect)
{
    Env().videoMode = mode;
    Env().videoRect = rect;
}

QString CTrackEnvironment::AudioSinkDescription()
{
    const QByteArray fromEnv = qgetenv("LIRANA_AUDIO_SINK");
    if (!fromEnv.trimmed().isEmpty())
        return QString::fromLocal8Bit(fromEnv);
    const CRegistryKey settings = CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"));
    const QString stored = settings.GetText(QStringLiteral("AudioSink"), QString());
    return stored.trimmed().isEmpty() ? QString::fromLatin1(DefaultAudioSink) : stored;
}

void CTrackEnvironment::Reset()
{
    Env().chain = CPlugInChain();
    Env().ui = nullptr;
    Env().videoMode = 0;
    Env().videoRect = reg::Rect{0, 0, 0, 0};
}
