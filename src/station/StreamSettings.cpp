// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/StreamSettings.h"

#include "platform/Logging.h"
#include "platform/registry/RegistryKey.h"

#include <algorithm>

namespace {

const QString kCount = QStringLiteral("Count");

QString EntryName(int i)
{
    return QStringLiteral("Stream %1").arg(i + 1);
}

int Clamped(const CRegistryKey& key, const QString& name, int def, int low, int high)
{
    const int v = key.GetNumber(name, def);
    return v < low || v > high ? def : v;
}

StreamEntry Read(const CRegistryKey& key)
{
    StreamEntry e;
    CAirStream::Options& o = e.options;
    e.enabled = key.GetFlag(QStringLiteral("Enabled"), true);
    o.name = key.GetText(QStringLiteral("Name"), QString());
    const QString format = key.GetText(QStringLiteral("Format"), QStringLiteral("mp3"));
    o.codec = CAirStream::CodecNamed(format).value_or(CAirStream::Codec::Mp3);
    if (!CAirStream::CodecNamed(format))
        qCWarning(lcEngine).noquote()
            << "stream" << o.name << "format" << format << "is not mp3, ogg or opus: MP3 it is";
    o.bitrateKbps = Clamped(key, QStringLiteral("Bitrate"), 128, 8, 320);
    o.channels = Clamped(key, QStringLiteral("Channels"), 2, 1, 2);
    o.sampleRate = Clamped(key, QStringLiteral("Sample Rate"), 44100, 8000, 48000);
    o.host = key.GetText(QStringLiteral("Server"), o.host);
    o.port = Clamped(key, QStringLiteral("Port"), 8000, 1, 65535);
    o.mount = key.GetText(QStringLiteral("Mount"), o.mount);
    if (!o.mount.startsWith(u'/'))
        o.mount.prepend(u'/');
    o.user = key.GetText(QStringLiteral("User"), o.user);
    o.password = key.GetText(QStringLiteral("Password"), QString());
    o.genre = key.GetText(QStringLiteral("Genre"), QString());
    o.description = key.GetText(QStringLiteral("Description"), QString());
    o.url = key.GetText(QStringLiteral("URL"), QString());
    return e;
}

void Write(CRegistryKey& key, const StreamEntry& e)
{
    const CAirStream::Options& o = e.options;
    key.SetFlag(QStringLiteral("Enabled"), e.enabled);
    key.SetText(QStringLiteral("Name"), o.name);
    key.SetText(QStringLiteral("Format"), CAirStream::CodecName(o.codec));
    key.SetNumber(QStringLiteral("Bitrate"), o.bitrateKbps);
    key.SetNumber(QStringLiteral("Channels"), o.channels);
    key.SetNumber(QStringLiteral("Sample Rate"), o.sampleRate);
    key.SetText(QStringLiteral("Server"), o.host);
    key.SetNumber(QStringLiteral("Port"), o.port);
    key.SetText(QStringLiteral("Mount"), o.mount);
    key.SetText(QStringLiteral("User"), o.user);
    key.SetText(QStringLiteral("Password"), o.password);
    key.SetText(QStringLiteral("Genre"), o.genre);
    key.SetText(QStringLiteral("Description"), o.description);
    key.SetText(QStringLiteral("URL"), o.url);
}

} // namespace

// Reads only: a hive without streams is left as it is.
std::vector<StreamEntry> StreamSettings::Load()
{
    const QString path = CRegistryKey::AppKeyPath() + u'\\' + Key;
    const CRegistryKey key = CRegistryKey::Open(reg::Root::CurrentUser, path);
    std::vector<StreamEntry> streams;
    if (!key.IsOpen())
        return streams;
    const int count = std::clamp(key.GetNumber(kCount, 0), 0, MaxStreams);
    for (int i = 0; i < count; ++i)
        streams.push_back(Read(CRegistryKey::Open(reg::Root::CurrentUser, path + u'\\' + EntryName(i))));
    return streams;
}

void StreamSettings::Save(const std::vector<StreamEntry>& streams)
{
    CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    app.DeleteSubkey(Key);
    app.Flush(); // the deletion reaches the hive before the new sub-keys
    CRegistryKey key = CRegistryKey::Create(app, Key);
    const int count = std::min<int>(int(streams.size()), MaxStreams);
    for (int i = 0; i < count; ++i) {
        CRegistryKey entry = CRegistryKey::Create(key, EntryName(i));
        Write(entry, streams[std::size_t(i)]);
    }
    key.SetNumber(kCount, count);
    key.Flush();
}
