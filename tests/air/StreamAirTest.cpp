// SPDX-License-Identifier: GPL-3.0-or-later
// The air streamed to a real Icecast server on the loopback, with its own
// configuration: listeners hear the programme in order and see its titles,
// and the streams come back after every outage of the server while the air
// goes on.
#include "BusProgramme.h"
#include "PlayoutAir.h"
#include "media/AirStream.h"

#include <QDir>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gst/gst.h>

#include <arpa/inet.h>
#include <cmath>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

sockaddr_in Loopback(int port)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(std::uint16_t(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

// An Icecast server of the test's own on 127.0.0.1.
class Icecast
{
public:
    explicit Icecast(const QString& dir) : m_dir(dir), m_port(20000 + int(::getpid() % 20000))
    {
        QDir().mkpath(m_dir + "/log");
        // Run as root, Icecast becomes nobody and must still write its logs.
        QFile::setPermissions(m_dir, QFile::permissions(m_dir) | QFileDevice::ExeOther);
        QFile::setPermissions(m_dir + "/log", QFileDevice::Permissions(0x7777));
        TestEnv::WriteFile(m_dir + "/icecast.xml",
                           QStringLiteral(R"(<icecast>
  <limits><clients>100</clients><sources>8</sources><source-timeout>5</source-timeout>
    <burst-size>0</burst-size></limits>
  <authentication><source-password>hackme</source-password><admin-user>admin</admin-user>
    <admin-password>hackme</admin-password></authentication>
  <hostname>127.0.0.1</hostname>
  <listen-socket><port>%1</port><bind-address>127.0.0.1</bind-address></listen-socket>
  <fileserve>0</fileserve>
  <paths><basedir>/usr/share/icecast2</basedir><logdir>%2/log</logdir>
    <webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin</adminroot></paths>
  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog><loglevel>2</loglevel></logging>
  <security><chroot>0</chroot>%3</security>
</icecast>
)")
                               .arg(m_port)
                               .arg(m_dir)
                               .arg(::getuid() == 0 ? "<changeowner><user>nobody</user>"
                                                      "<group>nogroup</group></changeowner>"
                                                    : "")
                               .toUtf8());
    }
    ~Icecast() { Stop(); }

    static bool Available() { return !QStandardPaths::findExecutable(QStringLiteral("icecast2")).isEmpty(); }
    int Port() const { return m_port; }

    // Started, and answering; a server that does not answer within 5 s
    // (its port not yet free again, say) is tried again, three times.
    bool Start()
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            m_process.setProcessChannelMode(QProcess::MergedChannels);
            m_process.start("icecast2", {"-c", m_dir + "/icecast.xml"});
            if (m_process.waitForStarted(5000) &&
                TestEnv::WaitUntil([this] { return !Get("/status-json.xsl").isEmpty(); }, 5000))
                return true;
            std::printf("icecast2 did not start: %s\n%s\n", m_process.readAll().constData(), Logs().c_str());
            Stop();
        }
        return false;
    }
    // Killed at once, by its process id, as a crash or a pulled cable would.
    void Stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    // The body of a GET; empty on any failure. At most one every 50 ms: a
    // wait that polled the status page at once would hold the server's
    // client slots under load, and a source would be turned away.
    QByteArray Get(const QString& path) const
    {
        const auto due = m_lastGet + 50ms;
        std::this_thread::sleep_until(due);
        m_lastGet = std::chrono::steady_clock::now();
        return Fetch(path, 0ms);
    }

    // The end of the server's logs, for a failure's message.
    std::string Logs() const
    {
        std::string text;
        for (const char* name : {"/log/error.log", "/log/access.log"})
            if (QFile log(m_dir + name); log.open(QIODevice::ReadOnly))
                text += std::string(name) + ":\n" + log.readAll().right(1500).toStdString() + "\n";
        return text;
    }

    // The mounts on the air and their titles ("artist - title" when both).
    std::map<QString, QString> Mounts() const
    {
        std::map<QString, QString> mounts;
        const QJsonValue sources = QJsonDocument::fromJson(Get("/status-json.xsl"))["icestats"]["source"];
        for (const QJsonValue s : sources.isArray() ? sources.toArray() : QJsonArray{sources}) {
            const QString url = s["listenurl"].toString(), artist = s["artist"].toString();
            if (!url.isEmpty())
                mounts[url.mid(url.lastIndexOf(u'/'))] = (artist.isEmpty() ? "" : artist + " - ") +
                                                         s["title"].toString();
        }
        return mounts;
    }

    // The body of a GET of `path` as a listener receives it for `span` (0:
    // to its end); empty on any failure.
    QByteArray Fetch(const QString& path, std::chrono::milliseconds span) const
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in addr = Loopback(m_port);
        timeval timeout{2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        QByteArray reply;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
            const QByteArray request = "GET " + path.toUtf8() + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
            if (::write(fd, request.constData(), size_t(request.size())) == request.size()) {
                const auto until = std::chrono::steady_clock::now() + span;
                char buffer[16384];
                ssize_t n = 0;
                while ((span == 0ms || std::chrono::steady_clock::now() < until) &&
                       (n = ::read(fd, buffer, sizeof buffer)) > 0)
                    reply.append(buffer, qsizetype(n));
            }
        }
        ::close(fd);
        const qsizetype body = reply.indexOf("\r\n\r\n");
        return body < 0 || !reply.startsWith("HTTP/1.0 200") ? QByteArray() : reply.mid(body + 4);
    }

private:
    QString m_dir;
    int m_port = 0;
    QProcess m_process;
    mutable std::chrono::steady_clock::time_point m_lastGet;
};

// A path to the server that can go dead: each connection is passed on to
// the server until Cut(); then the connections it holds are read no more
// (the stream's data meets a closed window, as behind a dead link) and its
// side to the server is closed, so the server frees the mount. Connections
// made after the cut pass.
class Relay
{
public:
    explicit Relay(int serverPort) : m_serverPort(serverPort)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        const int small = 4096; // taken over by what is accepted: the window closes soon
        ::setsockopt(m_listen, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in addr = Loopback(0);
        socklen_t length = sizeof addr;
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            ::listen(m_listen, 8) == 0 &&
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &length) == 0)
            m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~Relay()
    {
        m_done = true;
        m_thread.join();
        for (const auto& [client, server] : m_pairs) {
            ::close(client);
            if (server >= 0)
                ::close(server);
        }
        ::close(m_listen);
    }
    int Port() const { return m_port; }
    void Cut() { m_cut = true; }

private:
    void Run()
    {
        while (!m_done) {
            if (m_cut.exchange(false)) {
                for (auto& [client, server] : m_pairs)
                    if (server >= 0)
                        ::close(std::exchange(server, -1));
            }
            std::vector<pollfd> fds{{m_listen, POLLIN, 0}};
            std::vector<std::size_t> pairOf{0}; // the pair of each entry of fds
            for (std::size_t k = 0; k < m_pairs.size(); ++k) {
                if (m_pairs[k].second < 0)
                    continue;
                fds.insert(fds.end(), {{m_pairs[k].first, POLLIN, 0}, {m_pairs[k].second, POLLIN, 0}});
                pairOf.insert(pairOf.end(), {k, k});
            }
            if (::poll(fds.data(), fds.size(), 50) <= 0)
                continue;
            for (std::size_t i = 1; i < fds.size(); ++i) {
                auto& [client, server] = m_pairs[pairOf[i]];
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)) || server < 0)
                    continue;
                char buffer[16384];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0 && ::write(fds[i].fd == client ? server : client, buffer, size_t(n)) == n)
                    continue;
                ::close(std::exchange(server, -1)); // one side went: the other is told
                ::shutdown(client, SHUT_RDWR);
            }
            if (fds[0].revents & POLLIN) {
                const int client = ::accept(m_listen, nullptr, nullptr);
                int server = ::socket(AF_INET, SOCK_STREAM, 0);
                const sockaddr_in addr = Loopback(m_serverPort);
                if (::connect(server, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
                    ::close(std::exchange(server, -1));
                m_pairs.emplace_back(client, server);
            }
        }
    }

    int m_serverPort;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_done{false}, m_cut{false};
    std::vector<std::pair<int, int>> m_pairs; // the stream's side, the server's side (-1: cut)
    std::thread m_thread;
};

// An Ogg stream's chains (each begins with a page marked first of its
// stream), each alone: GStreamer decodes one chain of a file.
std::vector<QByteArray> Chains(const QByteArray& ogg)
{
    std::vector<QByteArray> chains;
    bool inFirstPages = false;
    for (qsizetype at = ogg.indexOf("OggS"); at >= 0 && at + 27 <= ogg.size();) {
        const int segments = std::uint8_t(ogg[at + 26]);
        if (at + 27 + segments > ogg.size())
            break;
        qsizetype length = 27 + segments;
        for (int i = 0; i < segments; ++i)
            length += std::uint8_t(ogg[at + 27 + i]);
        const bool first = (ogg[at + 5] & 0x02) != 0;
        if ((first && !inFirstPages) || chains.empty())
            chains.emplace_back();
        inFirstPages = first;
        chains.back().append(ogg.mid(at, length));
        at += length;
    }
    return chains;
}

// A stream's bytes decoded (GStreamer) and read back; an Ogg stream chain
// by chain.
std::optional<Wav> DecodeStream(const QByteArray& bytes, const QString& path)
{
    std::optional<Wav> all;
    const std::vector<QByteArray> parts = bytes.startsWith("OggS") ? Chains(bytes) : std::vector{bytes};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const QString file = TestEnv::WriteFile(path + QString::number(i), parts[i]);
        GstElement* pipeline = gst_parse_launch(
            QStringLiteral(
                "filesrc location=\"%1\" ! decodebin ! audioconvert ! audioresample ! "
                "audio/x-raw,format=S16LE,rate=44100,channels=2 ! wavenc ! filesink location=\"%1.wav\"")
                .arg(file)
                .toUtf8()
                .constData(),
            nullptr);
        if (!pipeline)
            return std::nullopt;
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        TestMedia::WaitForEndOrError(pipeline, 30, {});
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        auto wav = ReadWav(file + ".wav");
        if (!wav)
            return std::nullopt;
        if (!all) {
            all = std::move(wav);
            continue;
        }
        all->mono.insert(all->mono.end(), wav->mono.begin(), wav->mono.end());
        for (std::size_t c = 0; c < all->planes.size() && c < wav->planes.size(); ++c)
            all->planes[c].insert(all->planes[c].end(), wav->planes[c].begin(), wav->planes[c].end());
    }
    return all;
}

// The programme: tones one after another on one input of a bus that keeps
// time by itself, each with a title; every period of the air goes to the
// streams, and its wall-clock time is kept.
struct Station : BusProgramme
{
    std::vector<std::unique_ptr<CAirStream>> streams;
    QStringList notices;

    void Add(CAirStream::Codec codec, const QString& mount, int port)
    {
        streams.push_back(std::make_unique<CAirStream>(CAirStream::Options{
            .name = mount.mid(1),
            .codec = codec,
            .bitrateKbps = 96,
            .host = QStringLiteral("127.0.0.1"),
            .port = port,
            .mount = mount,
            .password = QStringLiteral("hackme"),
            .onNotice =
                [this](const QString& text) {
                    std::lock_guard lock(mutex);
                    notices << text;
                },
        }));
    }
    // Tones of `seconds` each, at -12 dBFS, in turn from the list, forever.
    void Play(std::vector<double> freqs, double seconds)
    {
        const auto each = std::uint64_t(seconds * CAirBus::Rate);
        BusProgramme::Play(
            [freqs, each](std::uint64_t n) {
                return float(
                    0.25 * std::sin(2 * M_PI * freqs[(n / each) % freqs.size()] * double(n) / CAirBus::Rate));
            },
            [this](const float* samples, int frames, std::uint64_t frame) {
                for (auto& s : streams)
                    s->Take(samples, frames, frame);
            });
    }
    ~Station() { Stop(); } // before the streams go
    int Count(const QString& text)
    {
        std::lock_guard lock(mutex);
        return int(notices.filter(text).size());
    }
    // The longest wall-clock wait between two periods of the air, and
    // whether the frames ran on without a hole.
    std::pair<double, bool> Continuity()
    {
        std::lock_guard lock(mutex);
        double longest = 0;
        bool whole = true;
        for (std::size_t i = 1; i < periods.size(); ++i) {
            longest = std::max(longest, double(periods[i].second - periods[i - 1].second) / 1e6);
            whole = whole && periods[i].first == periods[i - 1].first + CAirBus::PeriodFrames;
        }
        return {longest, whole};
    }
};

class StreamAir : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Icecast::Available())
            GTEST_SKIP() << "icecast2 is not installed";
        gst_init(nullptr, nullptr);
        server = std::make_unique<Icecast>(dir.path());
        ASSERT_TRUE(server->Start());
    }
    // Whether the server shows `mounts` within 10 s.
    bool Shows(std::size_t mounts)
    {
        return TestEnv::WaitUntil([&] { return server->Mounts().size() == mounts; }, 10000);
    }
    // The station's notices and the server's logs, for a failure.
    std::string Why(const Station& station) const
    {
        return station.notices.join(u'\n').toStdString() + server->Logs();
    }

    QTemporaryDir dir;
    std::unique_ptr<Icecast> server;
};

// MP3 and Opus at once: both listeners hear the tones in order, each whole,
// and the server shows each title as its tone starts.
TEST_F(StreamAir, ListenersHearTheProgrammeInOrderAndSeeItsTitles)
{
    const std::vector<double> freqs{440, 880, 1320};
    const double seconds = 2.5;
    const QString mounts[2] = {"/air.mp3", "/air.opus"};
    Station station;
    station.Add(CAirStream::Codec::Mp3, mounts[0], server->Port());
    station.Add(CAirStream::Codec::Opus, mounts[1], server->Port());
    station.Play(freqs, seconds);
    ASSERT_TRUE(Shows(2)) << Why(station);

    QByteArray heard[2];
    std::thread listeners[2];
    for (int k = 0; k < 2; ++k)
        listeners[k] = std::thread([&, k] { heard[k] = server->Fetch(mounts[k], 9s); });
    // The title follows the programme: set as each tone starts. Icecast 2.4
    // shows the titles of MP3 and Vorbis streams; an Opus stream's are in
    // its comments (checked in what was heard).
    const auto each = std::uint64_t(seconds * CAirBus::Rate);
    for (int t = 0; t < 3; ++t) {
        const std::uint64_t from = (station.input->FramesTaken() / each + 1) * each;
        TestEnv::WaitUntil([&] { return station.input->FramesTaken() >= from; }, 5000);
        const QString title = QStringLiteral("Title %1").arg(t);
        for (auto& s : station.streams)
            s->SetTitle("Artist", title);
        EXPECT_TRUE(
            TestEnv::WaitUntil([&] { return server->Mounts()[mounts[0]] == "Artist - " + title; }, 2000))
            << title.toStdString() << ", shown: " << server->Mounts()[mounts[0]].toStdString();
    }
    for (auto& l : listeners)
        l.join();

    for (qsizetype t = 0, at = 0; t < 3; ++t) {
        at = heard[1].indexOf(QStringLiteral("TITLE=Title %1").arg(t).toUtf8(), at);
        EXPECT_GE(at, 0) << "the Opus stream's comments lack Title " << t;
    }
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(mounts[k].toStdString());
        const auto wav = DecodeStream(heard[k], dir.path() + mounts[k]);
        ASSERT_TRUE(wav && wav->Duration() > 7.0) << "heard " << heard[k].size() << " bytes";
        const auto segments = Segments(*wav, freqs, -30.0, 0.5);
        SCOPED_TRACE(Describe(segments));
        // The tones in the programme's order; whole but for the first and
        // last (cut by the listening), and at least two of them whole.
        EXPECT_GE(segments.size(), 4u);
        for (std::size_t i = 1; i < segments.size(); ++i) {
            const auto before = std::find(freqs.begin(), freqs.end(), segments[i - 1].freq) - freqs.begin();
            EXPECT_EQ(segments[i].freq, freqs[std::size_t(before + 1) % freqs.size()]);
            if (i + 1 < segments.size()) {
                EXPECT_NEAR(segments[i].Length(), seconds, 0.05);
            }
        }
    }
}

// The server killed and started again after 1-10 s, again and again (50
// times with LIRANA_STREAM_OUTAGES=50): the stream is on the server again
// within 10 s of each return, each loss and return is one notice, and the
// air never waited.
TEST_F(StreamAir, ComesBackAfterEveryOutageWhileTheAirGoesOn)
{
    const int outages = qEnvironmentVariableIsSet("LIRANA_STREAM_OUTAGES")
                            ? qEnvironmentVariableIntValue("LIRANA_STREAM_OUTAGES")
                            : 3;
    Station station;
    station.Add(CAirStream::Codec::Mp3, QStringLiteral("/air.mp3"), server->Port());
    station.Add(CAirStream::Codec::Opus, QStringLiteral("/air.opus"), server->Port());
    station.Play({440, 880}, 1.0);
    ASSERT_TRUE(Shows(2)) << Why(station);
    QRandomGenerator random(7);
    double worst = 0;
    for (int i = 1; i <= outages; ++i) {
        SCOPED_TRACE(i);
        server->Stop();
        ASSERT_TRUE(
            TestEnv::WaitUntil([&] { return station.Count(QStringLiteral("was lost")) == 2 * i; }, 5000))
            << station.notices.join(u'\n').toStdString();
        std::this_thread::sleep_for(std::chrono::milliseconds(random.bounded(1000, 10001)));
        ASSERT_TRUE(server->Start());
        const auto back = std::chrono::steady_clock::now();
        ASSERT_TRUE(Shows(2)) << Why(station);
        worst = std::max(worst,
                         std::chrono::duration<double>(std::chrono::steady_clock::now() - back).count());
        ASSERT_TRUE(TestEnv::WaitUntil(
            [&] { return station.Count(QStringLiteral("is back on the air")) == 2 * i; }, 2000));
    }
    std::printf("outages: %d, the streams back at worst %.1f s after the server\n", outages, worst);
    EXPECT_EQ(station.Count(QStringLiteral("was lost")), 2 * outages);
    const auto [longest, whole] = station.Continuity();
    EXPECT_TRUE(whole);
    EXPECT_LT(longest, 250.0) << "the air waited " << longest << " ms";
}

// The path to the server goes dead while the server stays up: the stream
// sees it within 5 s, comes back through a path that works, and the air
// never waited.
TEST_F(StreamAir, ADeadPathToTheServerIsSeenWithinFiveSeconds)
{
    Relay relay(server->Port());
    Station station;
    station.Add(CAirStream::Codec::Mp3, QStringLiteral("/air.mp3"), relay.Port());
    station.Play({440, 880}, 1.0);
    ASSERT_TRUE(Shows(1)) << Why(station);
    std::this_thread::sleep_for(2s); // the stream's buffers as they are while it plays
    relay.Cut();
    const auto cut = std::chrono::steady_clock::now();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return station.Count(QStringLiteral("was lost")) == 1; }, 15000));
    const double seen = std::chrono::duration<double>(std::chrono::steady_clock::now() - cut).count();
    std::printf("the dead path was seen after %.1f s\n", seen);
    EXPECT_LE(seen, 5.0) << station.notices.join(u'\n').toStdString();
    EXPECT_TRUE(TestEnv::WaitUntil(
        [&] {
            return station.Count(QStringLiteral("is back on the air")) == 1 && server->Mounts().size() == 1;
        },
        10000))
        << station.notices.join(u'\n').toStdString();
    const auto [longest, whole] = station.Continuity();
    EXPECT_TRUE(whole);
    EXPECT_LT(longest, 250.0) << "the air waited " << longest << " ms";
}

// The headless station with no sound server at all streams its programme
// as the settings say, and the item's name reaches the server; a stream
// that is turned off does not connect.
TEST_F(StreamAir, TheHeadlessStationStreamsItsProgrammeWithNoSoundServer)
{
    const QString home = dir.path() + "/home";
    const auto port = quint32(server->Port());
    auto stream = [&](const char* mount, bool on) {
        return Values{{"Enabled", Flag(on)}, {"Format", Text("mp3")}, {"Server", Text("127.0.0.1")},
                      {"Port", Dword(port)}, {"Mount", Text(mount)},  {"Password", Text("hackme")}};
    };
    WriteHive(home, {},
              {{"Streams", {{"Count", Dword(2)}}},
               {"Streams\\Stream 1", stream("/station.mp3", true)},
               {"Streams\\Stream 2", stream("/off.mp3", false)}});
    const auto lirana = StartLirana(
        home, PlayArgs({"--output", "none", TestMedia::ToneWav(dir.path(), "Morning Tone", 1000, 8, -12)}));
    ASSERT_TRUE(lirana);
    EXPECT_TRUE(TestEnv::WaitUntil([&] { return server->Mounts()["/station.mp3"] == "Morning Tone"; }, 8000));
    EXPECT_EQ(server->Mounts().count("/off.mp3"), 0u);
    const RunResult run = Finish(*lirana, 20000);
    EXPECT_EQ(run.exitCode, 0) << Lines(run);
    EXPECT_FALSE(
        run.lines.filter("stream\t/station.mp3 is on the air at http://127.0.0.1:" + QString::number(port))
            .isEmpty())
        << Lines(run);
}

} // namespace
