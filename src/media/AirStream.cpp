// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/AirStream.h"
#include "media/TapQueue.h"
#include "platform/Logging.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <shout/shout.h>

#include <QByteArray>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using Chunk = CTapQueue::Chunk;

std::int64_t Ms(std::int64_t ns)
{
    return ns / 1'000'000;
}

// libshout's library state: made once for the process, never torn down
// (streams come and go while others run).
void InitShout()
{
    static std::once_flag once;
    std::call_once(once, [] { shout_init(); });
}

// libshout keeps its socket to itself, and the kernel would go on taking a
// dead peer's data into a buffer of minutes of the stream before anything
// blocked. So the stream's connection is found among the process's TCP
// sockets by its peer (the server's addresses and port) and told to give up
// on data the peer has not acknowledged, or has had no room for, within
// timeoutMs (TCP_USER_TIMEOUT; the connection then fails, and the next send
// says so), with a send buffer of about a second of the stream (the kernel
// keeps twice what it is asked for). Another
// stream's connection to the same server is told the same, which is what it
// tells itself. Returns how many sockets were found.
int TuneConnections(const QByteArray& host, int port, int timeoutMs, int sendBufferBytes)
{
    std::vector<sockaddr_storage> peers;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.constData(), nullptr, &hints, &found) == 0) {
        for (const addrinfo* a = found; a; a = a->ai_next) {
            sockaddr_storage peer{};
            std::memcpy(&peer, a->ai_addr, std::min(sizeof peer, std::size_t(a->ai_addrlen)));
            peers.push_back(peer);
        }
        freeaddrinfo(found);
    }
    auto matches = [&](const sockaddr_storage& peer) {
        for (const sockaddr_storage& p : peers) {
            if (p.ss_family != peer.ss_family)
                continue;
            if (peer.ss_family == AF_INET) {
                const auto& a = reinterpret_cast<const sockaddr_in&>(peer);
                if (ntohs(a.sin_port) == port &&
                    a.sin_addr.s_addr == reinterpret_cast<const sockaddr_in&>(p).sin_addr.s_addr)
                    return true;
            } else if (peer.ss_family == AF_INET6) {
                const auto& a = reinterpret_cast<const sockaddr_in6&>(peer);
                if (ntohs(a.sin6_port) == port &&
                    std::memcmp(&a.sin6_addr, &reinterpret_cast<const sockaddr_in6&>(p).sin6_addr,
                                sizeof a.sin6_addr) == 0)
                    return true;
            }
        }
        return false;
    };
    int tuned = 0;
    DIR* fds = opendir("/proc/self/fd");
    if (!fds)
        return 0;
    while (const dirent* entry = readdir(fds)) {
        const int fd = std::atoi(entry->d_name);
        struct stat st
        {};
        if (fd <= 2 || fd == dirfd(fds) || fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode))
            continue;
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        int type = 0;
        socklen_t typeLength = sizeof type;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0 || !matches(peer) ||
            getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeLength) != 0 || type != SOCK_STREAM)
            continue;
        const unsigned timeout = unsigned(timeoutMs);
        if (setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &timeout, sizeof timeout) == 0 &&
            setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBufferBytes, sizeof sendBufferBytes) == 0)
            ++tuned;
    }
    closedir(fds);
    return tuned;
}

} // namespace

// The encoder: appsrc (the air's format) ! convert ! resample ! the
// stream's format ! encoder [! oggmux] ! appsink, driven from the stream's
// thread: a push, then whatever encoded bytes are ready are taken.
struct Encoder
{
    GstElement* pipeline = nullptr;
    GstElement* src = nullptr;
    GstElement* sink = nullptr;
    std::uint64_t frames = 0;

    Encoder() = default;
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    ~Encoder()
    {
        if (!pipeline)
            return;
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(src);
        gst_object_unref(sink);
        gst_object_unref(pipeline);
    }
};

struct CAirStream::Impl
{
    Options options;
    CTapQueue queue;
    std::thread worker;
    std::atomic<State> state{State::Connecting};

    std::mutex titleMutex;
    QString artist, title;
    std::uint64_t titleGeneration = 0;

    // The stream's thread.
    shout_t* conn = nullptr;
    bool connecting = false;
    std::int64_t connectSinceNs = 0;
    std::unique_ptr<Encoder> encoder;
    std::uint64_t titleSent = 0;
    std::int64_t nextTryNs = 0;
    int retryMs = 0;
    bool everUp = false, lossSaid = false;
    std::int64_t backlogSinceNs = 0; // libshout has held data since then (0: none)

    explicit Impl(Options o) : options(std::move(o)) {}

    void Notice(const QString& text)
    {
        qCInfo(lcMedia).noquote() << "stream:" << text;
        if (options.onNotice)
            options.onNotice(text);
    }
    QString Name() const { return options.name.isEmpty() ? options.mount : options.name; }
    QString Address() const
    {
        return QStringLiteral("http://%1:%2%3").arg(options.host).arg(options.port).arg(options.mount);
    }

    void Run();
    void Connect(std::int64_t nowNs);
    void Connected();
    void Lose(const QString& why, std::int64_t nowNs);
    void Close();
    std::unique_ptr<Encoder> MakeEncoder(QString* why);
    void Encode(const Chunk& chunk);
    bool Send(bool untilEos);
    void SendTitle();
};

CAirStream::CAirStream(Options options) : m_impl(std::make_unique<Impl>(std::move(options)))
{
    InitShout();
    if (m_impl->options.codec == Codec::Opus)
        m_impl->options.sampleRate = 48000;
    m_impl->worker = std::thread([impl = m_impl.get()] {
        pthread_setname_np(pthread_self(), "air:stream");
        // A write to a connection the server closed is an error of that
        // write here, not a signal that ends the program.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        impl->Run();
    });
}

CAirStream::~CAirStream()
{
    m_impl->queue.Stop();
    m_impl->worker.join();
}

void CAirStream::Take(const float* samples, int frames, std::uint64_t frame)
{
    m_impl->queue.Take(samples, std::size_t(frames) * std::size_t(m_impl->options.inputChannels), frame);
}

void CAirStream::SetTitle(const QString& artist, const QString& title)
{
    std::lock_guard lock(m_impl->titleMutex);
    m_impl->artist = artist;
    m_impl->title = title;
    ++m_impl->titleGeneration;
}

CAirStream::State CAirStream::CurrentState() const
{
    return m_impl->state;
}

QString CAirStream::Address() const
{
    return m_impl->Address();
}

QString CAirStream::Name() const
{
    return m_impl->Name();
}

std::optional<CAirStream::Codec> CAirStream::CodecNamed(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("mp3"))
        return Codec::Mp3;
    if (n == QLatin1String("ogg") || n == QLatin1String("vorbis"))
        return Codec::Vorbis;
    if (n == QLatin1String("opus"))
        return Codec::Opus;
    return std::nullopt;
}

QString CAirStream::CodecName(Codec codec)
{
    switch (codec) {
    case Codec::Vorbis: return QStringLiteral("ogg");
    case Codec::Opus: return QStringLiteral("opus");
    case Codec::Mp3: break;
    }
    return QStringLiteral("mp3");
}

// ------------------------------------------------------------ the thread

void CAirStream::Impl::Run()
{
    std::vector<Chunk> work;
    while (queue.Wait(work, std::chrono::milliseconds(50))) {
        const std::int64_t now = CTapQueue::NowNs();
        if (!conn && now >= nextTryNs)
            Connect(now);
        if (conn && connecting) {
            const int status = shout_get_connected(conn);
            if (status == SHOUTERR_CONNECTED)
                Connected();
            else if (status != SHOUTERR_BUSY)
                Lose(QString::fromUtf8(shout_get_error(conn)), now);
            else if (Ms(now - connectSinceNs) >= StallMs)
                Lose(QStringLiteral("the server does not answer"), now);
        }
        if (conn && !connecting) {
            SendTitle();
            for (const Chunk& chunk : work)
                Encode(chunk);
            if (!Send(false))
                Lose(QString::fromUtf8(shout_get_error(conn)), now);
        }
        if (conn && !connecting) {
            // Data libshout could not send yet: a network or server that has
            // stopped taking it is given up after StallMs.
            if (shout_queuelen(conn) > 0) {
                if (backlogSinceNs == 0)
                    backlogSinceNs = now;
                else if (Ms(now - backlogSinceNs) >= StallMs)
                    Lose(QStringLiteral("the server took no data for %1 s").arg(StallMs / 1000), now);
            } else {
                backlogSinceNs = 0;
            }
        }
        queue.Return(work);
    }
    Close();
}

void CAirStream::Impl::Connect(std::int64_t nowNs)
{
    conn = shout_new();
    const QByteArray host = options.host.toUtf8(), mount = options.mount.toUtf8(),
                     user = options.user.toUtf8(), password = options.password.toUtf8(),
                     name = Name().toUtf8(), genre = options.genre.toUtf8(),
                     description = options.description.toUtf8(), url = options.url.toUtf8(),
                     bitrate = QByteArray::number(options.bitrateKbps),
                     rate = QByteArray::number(options.sampleRate),
                     channels = QByteArray::number(options.channels);
    shout_set_host(conn, host.constData());
    shout_set_port(conn, static_cast<unsigned short>(options.port));
    shout_set_mount(conn, mount.constData());
    shout_set_user(conn, user.constData());
    shout_set_password(conn, password.constData());
    shout_set_protocol(conn, SHOUT_PROTOCOL_HTTP);
    shout_set_tls(conn, SHOUT_TLS_DISABLED);
    shout_set_agent(conn, "Lirana");
    shout_set_content_format(conn,
                             options.codec == CAirStream::Codec::Mp3 ? SHOUT_FORMAT_MP3 : SHOUT_FORMAT_OGG,
                             SHOUT_USAGE_AUDIO, nullptr);
    shout_set_meta(conn, SHOUT_META_NAME, name.constData());
    if (!genre.isEmpty())
        shout_set_meta(conn, SHOUT_META_GENRE, genre.constData());
    if (!description.isEmpty())
        shout_set_meta(conn, SHOUT_META_DESCRIPTION, description.constData());
    if (!url.isEmpty())
        shout_set_meta(conn, SHOUT_META_URL, url.constData());
    shout_set_audio_info(conn, SHOUT_AI_BITRATE, bitrate.constData());
    shout_set_audio_info(conn, SHOUT_AI_SAMPLERATE, rate.constData());
    shout_set_audio_info(conn, SHOUT_AI_CHANNELS, channels.constData());
    shout_set_nonblocking(conn, 1);
    connecting = true;
    connectSinceNs = nowNs;
    const int status = shout_open(conn);
    if (status == SHOUTERR_SUCCESS || status == SHOUTERR_CONNECTED)
        Connected();
    else if (status != SHOUTERR_BUSY)
        Lose(QString::fromUtf8(shout_get_error(conn)), nowNs);
}

// Connected: a new encoder, so the stream starts with its headers.
void CAirStream::Impl::Connected()
{
    connecting = false;
    backlogSinceNs = 0;
    QString why;
    encoder = MakeEncoder(&why);
    if (!encoder) {
        Lose(why, CTapQueue::NowNs());
        return;
    }
    if (TuneConnections(options.host.toUtf8(), options.port, StallMs,
                        std::max(4096, options.bitrateKbps * 1000 / 8 / 2)) == 0)
        qCWarning(lcMedia).noquote() << "stream:" << Name()
                                     << "its connection was not found: a dead server is seen only "
                                        "once the system's buffer for it is full";
    retryMs = 0;
    state = State::OnAir;
    if (!everUp)
        Notice(QStringLiteral("%1 is on the air at %2").arg(Name(), Address()));
    else if (lossSaid)
        Notice(QStringLiteral("%1 is back on the air").arg(Name()));
    everUp = true;
    lossSaid = false;
}

// The connection went (or never came): closed, tried again after the
// back-off. Said once until it is back.
void CAirStream::Impl::Lose(const QString& why, std::int64_t nowNs)
{
    Close();
    state = State::Down;
    retryMs = retryMs == 0 ? FirstRetryMs : std::min(retryMs * 2, MaxRetryMs);
    nextTryNs = nowNs + std::int64_t(retryMs) * 1'000'000;
    if (!lossSaid) {
        lossSaid = true;
        Notice(everUp ? QStringLiteral("%1 was lost: %2").arg(Name(), why)
                      : QStringLiteral("%1 cannot reach %2: %3").arg(Name(), Address(), why));
    } else {
        qCDebug(lcMedia).noquote() << "stream:" << Name() << "still down:" << why;
    }
}

void CAirStream::Impl::Close()
{
    encoder.reset();
    if (conn) {
        shout_close(conn);
        shout_free(conn);
        conn = nullptr;
    }
    connecting = false;
}

std::unique_ptr<Encoder> CAirStream::Impl::MakeEncoder(QString* why)
{
    gst_init(nullptr, nullptr);
    QString encoderPart;
    switch (options.codec) {
    case CAirStream::Codec::Mp3:
        encoderPart = QStringLiteral("lamemp3enc name=enc target=bitrate cbr=true bitrate=%1")
                          .arg(options.bitrateKbps);
        break;
    case CAirStream::Codec::Vorbis:
        encoderPart = QStringLiteral("vorbisenc name=enc bitrate=%1 ! oggmux")
                          .arg(options.bitrateKbps * 1000);
        break;
    case CAirStream::Codec::Opus:
        encoderPart = QStringLiteral("opusenc name=enc bitrate=%1 ! oggmux").arg(options.bitrateKbps * 1000);
        break;
    }
    const QString description = QStringLiteral(
                                    "appsrc name=src format=time ! audioconvert ! audioresample ! "
                                    "audio/x-raw,rate=%1,channels=%2 ! %3 ! appsink name=sink sync=false")
                                    .arg(options.sampleRate)
                                    .arg(options.channels)
                                    .arg(encoderPart);
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
    if (!pipeline || error) {
        *why = QStringLiteral("cannot make the encoder: %1")
                   .arg(error ? QString::fromUtf8(error->message) : QStringLiteral("no pipeline"));
        g_clear_error(&error);
        if (pipeline)
            gst_object_unref(pipeline);
        return nullptr;
    }
    auto out = std::make_unique<Encoder>();
    out->pipeline = GST_ELEMENT(gst_object_ref_sink(pipeline));
    out->src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    out->sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "F32LE", "rate", G_TYPE_INT,
                                        options.inputRate, "channels", G_TYPE_INT, options.inputChannels,
                                        "layout", G_TYPE_STRING, "interleaved", nullptr);
    gst_app_src_set_caps(GST_APP_SRC(out->src), caps);
    gst_caps_unref(caps);
    // An Ogg stream carries its title in its comments (Icecast shows them).
    if (options.codec != CAirStream::Codec::Mp3) {
        GstElement* enc = gst_bin_get_by_name(GST_BIN(pipeline), "enc");
        QString a, t;
        {
            std::lock_guard lock(titleMutex);
            a = artist;
            t = title;
            titleSent = titleGeneration;
        }
        if (enc && GST_IS_TAG_SETTER(enc) && !t.isEmpty()) {
            GstTagList* tags = gst_tag_list_new(GST_TAG_TITLE, t.toUtf8().constData(), nullptr);
            if (!a.isEmpty())
                gst_tag_list_add(tags, GST_TAG_MERGE_REPLACE, GST_TAG_ARTIST, a.toUtf8().constData(),
                                 nullptr);
            gst_tag_setter_merge_tags(GST_TAG_SETTER(enc), tags, GST_TAG_MERGE_REPLACE);
            gst_tag_list_unref(tags);
        }
        if (enc)
            gst_object_unref(enc);
    }
    if (gst_element_set_state(out->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        *why = QStringLiteral("the encoder does not start");
        return nullptr;
    }
    return out;
}

void CAirStream::Impl::Encode(const Chunk& chunk)
{
    if (!encoder)
        return;
    const std::size_t bytes = chunk.samples.size() * sizeof(float);
    const std::uint64_t frames = chunk.samples.size() / std::size_t(options.inputChannels);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    gst_buffer_fill(buffer, 0, chunk.samples.data(), bytes);
    GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(encoder->frames, GST_SECOND, guint64(options.inputRate));
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(encoder->frames + frames, GST_SECOND,
                                                        guint64(options.inputRate)) -
                                  GST_BUFFER_PTS(buffer);
    encoder->frames += frames;
    gst_app_src_push_buffer(GST_APP_SRC(encoder->src), buffer);
}

// Sends what the encoder has made; with untilEos, waits for the encoder's
// end (a chained Ogg stream's last page). False: the connection failed.
bool CAirStream::Impl::Send(bool untilEos)
{
    if (!encoder)
        return true;
    for (;;) {
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(encoder->sink),
                                                         untilEos ? 500 * GST_MSECOND : 0);
        if (!sample)
            return true;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        int status = SHOUTERR_SUCCESS;
        if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            status = shout_send(conn, map.data, map.size);
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
        if (status != SHOUTERR_SUCCESS && status != SHOUTERR_BUSY)
            return false;
    }
}

// A new title: MP3 through the server's metadata update; Ogg as a new
// chained stream whose comments carry it (the old one is ended first, so
// no sample is lost; the queue holds the air meanwhile).
void CAirStream::Impl::SendTitle()
{
    QString a, t;
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(titleMutex);
        generation = titleGeneration;
        a = artist;
        t = title;
    }
    if (generation == titleSent || !encoder)
        return;
    if (options.codec == CAirStream::Codec::Mp3) {
        titleSent = generation;
        const QString song = a.isEmpty() ? t : a + QStringLiteral(" - ") + t;
        shout_metadata_t* meta = shout_metadata_new();
        int status = shout_metadata_add(meta, "song", song.toUtf8().constData());
        // With the connection non-blocking the update is sent on a
        // connection of its own and may ask to be tried again.
        if (status == SHOUTERR_SUCCESS)
            status = SHOUTERR_RETRY;
        for (int i = 0; i < 50 && (status == SHOUTERR_RETRY || status == SHOUTERR_BUSY); ++i) {
            status = shout_set_metadata_utf8(conn, meta);
            if (status == SHOUTERR_RETRY || status == SHOUTERR_BUSY)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        shout_metadata_free(meta);
        if (status != SHOUTERR_SUCCESS)
            qCWarning(lcMedia).noquote()
                << "stream:" << Name() << "the title did not reach the server:" << shout_get_error(conn);
        return;
    }
    gst_app_src_end_of_stream(GST_APP_SRC(encoder->src));
    bool sent = true;
    for (int i = 0; i < 4 && sent && !gst_app_sink_is_eos(GST_APP_SINK(encoder->sink)); ++i)
        sent = Send(true);
    encoder.reset();
    QString why;
    encoder = MakeEncoder(&why); // with the new title
    if (!sent || !encoder)
        Lose(sent ? why : QString::fromUtf8(shout_get_error(conn)), CTapQueue::NowNs());
}
