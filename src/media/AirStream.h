// SPDX-License-Identifier: GPL-3.0-or-later
// CAirStream: the station's air streamed to listeners through an Icecast
// server mount, in MP3, Ogg Vorbis or Ogg Opus.
//
// Take is fed every period of the air (the bus's tap) on the mixer's thread
// and never waits there. A thread of its own encodes the air (a GStreamer
// pipeline from an application source to an application sink) and sends
// it with libshout, without blocking: a stalled network loses this
// stream's data, never the station's. A connection that fails, takes no
// data for StallMs or whose far end acknowledges nothing for StallMs (the
// kernel's user timeout on libshout's socket) is closed and made again, first after FirstRetryMs, then
// with a back-off doubling up to MaxRetryMs; each loss and each return is
// one notice (a play-log line).
//
// The title on air goes to the server's metadata: for MP3 through the
// server's metadata update, for Ogg in the stream itself (a new chained
// stream whose comments carry it, as Icecast reads Ogg metadata).
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class CAirStream
{
public:
    enum class Codec { Mp3, Vorbis, Opus };
    enum class State { Connecting, OnAir, Down };

    static constexpr int StallMs = 3000;
    static constexpr int FirstRetryMs = 1000;
    static constexpr int MaxRetryMs = 30000;

    struct Options
    {
        QString name; // the stream's name on the server and in the notices
        Codec codec = Codec::Mp3;
        int bitrateKbps = 128;
        int channels = 2;
        int sampleRate = 44100; // Opus always goes at 48 kHz
        QString host = QStringLiteral("localhost");
        int port = 8000;
        QString mount = QStringLiteral("/lirana");
        QString user = QStringLiteral("source");
        QString password;
        QString genre{}, description{}, url{};
        int inputRate = 44100, inputChannels = 2; // the air's format
        // A line for the play log (its text after the tab), from the
        // stream's thread: a loss, a return, a connection that fails.
        std::function<void(const QString& text)> onNotice;
    };

    explicit CAirStream(Options options);
    ~CAirStream(); // closes the connection
    CAirStream(const CAirStream&) = delete;
    CAirStream& operator=(const CAirStream&) = delete;

    // One period of the air: interleaved samples and the bus frame of the
    // first. Any thread, one at a time; never waits.
    void Take(const float* samples, int frames, std::uint64_t frame);
    // What listeners' players show from now on ("Artist - Title" for MP3;
    // the artist and title comments for Ogg). Any thread.
    void SetTitle(const QString& artist, const QString& title);
    State CurrentState() const;
    // Where listeners find it: http://host:port/mount.
    QString Address() const;
    // Its name, or its mount when it has none.
    QString Name() const;

    // "mp3", "ogg" (Vorbis), "opus" (any case); nothing for another name.
    static std::optional<Codec> CodecNamed(const QString& name);
    static QString CodecName(Codec codec);

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};
