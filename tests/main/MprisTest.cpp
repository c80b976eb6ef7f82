// SPDX-License-Identifier: GPL-3.0-or-later
// The headless runner as a desktop media player: on a private session bus of
// its own, playerctl (the tool people bind their media keys to) drives it,
// and the play log confirms every start it asks for.
#include "ProgramWorld.h"

namespace {

class MprisTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home = TestEnv::MakeTempDir("mpris");
        // Its socket in the test's folder, not beside the desktop's in /tmp.
        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1",
                                  QStringLiteral("--address=unix:dir=") + home});
        ASSERT_TRUE(bus.waitForReadyRead(10000)) << "dbus-daemon did not start";
        env = ProgramEnvironment(home);
        env.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromLocal8Bit(bus.readLine()).trimmed());
    }
    // Starts the runner on items and waits for it on the bus.
    void StartRunner(const QStringList& args)
    {
        lirana.setProcessEnvironment(env);
        lirana.setWorkingDirectory(home);
        lirana.start(QStringLiteral(LIRANA_BINARY), QStringList{"--headless", "--log-stdout"} + args);
        ASSERT_TRUE(WaitFor([&] { return !Ctl("status").isEmpty(); }, 20000))
            << "the runner did not appear on the bus";
    }
    void TearDown() override
    {
        if (lirana.state() != QProcess::NotRunning) {
            lirana.terminate();
            if (!lirana.waitForFinished(10000))
                lirana.kill();
        }
        bus.kill();
        bus.waitForFinished();
    }

    // What a tool on the bus prints, trimmed.
    QString Output(const QString& program, const QStringList& args)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, args);
        p.waitForFinished(10000);
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }
    // playerctl against the runner; words: its arguments, split at spaces.
    QString Ctl(const QString& words)
    {
        return Output("playerctl", QStringList{"--player=lirana"} + words.split(u' '));
    }
    // A property of the Player interface as gdbus prints it, "(<true>,)".
    QString Property(const char* name)
    {
        const QString call =
            "call --session --dest org.mpris.MediaPlayer2.lirana --object-path /org/mpris/"
            "MediaPlayer2 --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player ";
        return Output("gdbus", (call + QLatin1String(name)).split(u' '));
    }
    // Play-log lines so far, without their time stamps.
    QStringList Log()
    {
        while (lirana.canReadLine())
            log << QString::fromLocal8Bit(lirana.readLine()).trimmed().section(u'\t', 1, -1);
        return log;
    }
    bool WaitFor(const std::function<bool()>& done, int ms = 10000)
    {
        return TestEnv::WaitUntil(
            [&] {
                lirana.waitForReadyRead(10);
                Log();
                return done();
            },
            ms);
    }
    qsizetype Starts(const QString& title) { return Log().count(QStringLiteral("start\t") + title); }

    QString home;
    QProcessEnvironment env;
    QProcess bus, lirana;
    QStringList log;
};

TEST_F(MprisTest, PlayerctlDrivesTheRunnerAndThePlayLogConfirmsEachStart)
{
    QStringList items;
    for (const char* name : {"alpha", "bravo", "charlie"})
        items << TestMedia::ToneWav(home, QString::fromLatin1(name), 440, 30);
    const QString extra = TestMedia::ToneWav(home, "delta", 660, 30);
    // Full desktop control; the runner's own default is read-only.
    WriteSettingsHive(home, "\"Desktop control\"=dword:00000000");
    StartRunner(items);
    ASSERT_EQ(Ctl("status"), "Stopped");
    EXPECT_EQ(Property("CanGoPrevious"), "(<false>,)");

    // Every status change reaches a follower through PropertiesChanged.
    QProcess follow;
    follow.setProcessEnvironment(env);
    follow.start("playerctl", {"--player=lirana", "--follow", "status"});
    ASSERT_TRUE(follow.waitForStarted());
    ASSERT_TRUE(follow.waitForReadyRead(10000)) << "the follower shows the status it found first";

    Ctl("play");
    ASSERT_TRUE(WaitFor([&] { return Starts("alpha") == 1; }));
    ASSERT_TRUE(WaitFor([&] { return Ctl("status") == QLatin1String("Playing"); }));
    EXPECT_EQ((QStringList{Ctl("metadata xesam:title"), Ctl("metadata mpris:length"),
                           Ctl("metadata xesam:url"), Property("CanGoNext")}),
              (QStringList{"alpha", "30000000", QUrl::fromLocalFile(items[0]).toString(), "(<true>,)"}));

    // Position: set and read back in seconds, still within the 30-s item.
    Ctl("position 20");
    const double at = Ctl("position").toDouble();
    EXPECT_TRUE(at >= 19.9 && at < 30) << at;

    Ctl("next");
    ASSERT_TRUE(WaitFor([&] { return Starts("bravo") == 1; }));
    EXPECT_EQ(Property("CanGoPrevious"), "(<true>,)");
    Ctl("previous");
    ASSERT_TRUE(WaitFor([&] { return Starts("alpha") == 2; }));

    // Pause holds the item; play resumes it without a new start.
    ASSERT_TRUE(WaitFor([&] { return Ctl("metadata xesam:title") == "alpha"; }));
    Ctl("pause");
    ASSERT_TRUE(WaitFor([&] { return Ctl("status") == QLatin1String("Paused"); }));
    const QString held = Ctl("position");
    TestEnv::WaitUntil([] { return false; }, 600);
    EXPECT_EQ(Ctl("position"), held);
    Ctl("play");
    ASSERT_TRUE(WaitFor([&] { return Ctl("status") == QLatin1String("Playing"); }));

    // Volume is the on-air level.
    Ctl("volume 0.4");
    EXPECT_NEAR(Ctl("volume").toDouble(), 0.4, 0.011);

    Ctl("stop");
    ASSERT_TRUE(WaitFor([&] { return Ctl("status") == QLatin1String("Stopped"); }));

    // A script named over the bus is refused (as a row it would run); a
    // media file opened while nothing plays is added and played; it is the
    // last row, so there is no next.
    const QString script = TestEnv::WriteFile(home + "/run.sh", "#!/bin/sh\ntouch \"$0.ran\"\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Ctl("open " + QUrl::fromLocalFile(script).toString());
    // Nor a list that holds it, and a URI of 100,000 characters leaves the
    // interface answering.
    const QString list = TestEnv::WriteFile(home + "/list.mpl", script.toUtf8() + "\n");
    Ctl("open " + QUrl::fromLocalFile(list).toString());
    Ctl("open " + QStringLiteral("file:///") + QString(100000, u'x'));
    Ctl("open " + QUrl::fromLocalFile(extra).toString());
    ASSERT_TRUE(WaitFor([&] { return Starts("delta") == 1; }));
    EXPECT_FALSE(QFile::exists(script + ".ran") || Starts("run") || Starts("list"));
    ASSERT_TRUE(WaitFor([&] { return Property("CanGoNext") == QLatin1String("(<false>,)"); }));
    EXPECT_EQ(Log().filter("start\t").size(), 4) << Log().join(u'\n').toStdString();

    ASSERT_TRUE(WaitFor([&] {
        return QString::fromLocal8Bit(follow.peek(4096)).split(u'\n', Qt::SkipEmptyParts).size() >= 5;
    })) << QString::fromLocal8Bit(follow.peek(4096)).toStdString();
    const QStringList seen = QString::fromLocal8Bit(follow.readAll()).split(u'\n', Qt::SkipEmptyParts);
    follow.kill();
    follow.waitForFinished();
    EXPECT_EQ(seen.mid(0, 5).join(u' '), "Stopped Playing Paused Playing Stopped");
}

// Stations side by side (--instance NAME) answer on bus names of their own,
// so playerctl reaches the one it names and a refused second start raises
// the console of its own station.
TEST_F(MprisTest, AStationOfItsOwnAnswersOnItsOwnBusName)
{
    const QString tone = TestMedia::ToneWav(home, "alpha", 440, 30);
    StartRunner({tone});
    QProcess other;
    other.setProcessEnvironment(env);
    other.setWorkingDirectory(home);
    other.start(QStringLiteral(LIRANA_BINARY), {"--headless", "--instance", "2nd.studio", tone});
    const auto players = [&] {
        QStringList names = Output("playerctl", {"--list-all"}).split(u'\n');
        names.sort();
        return names;
    };
    const QStringList both{"lirana", "lirana.station_2nd_studio"};
    EXPECT_TRUE(WaitFor([&] { return players() == both; }, 20000)) << players().join(u' ').toStdString();
    other.terminate();
    EXPECT_TRUE(other.waitForFinished(10000));
}

// The runner's default: the desktop watches the air but cannot change it. An
// item with artist and title tags is named by them on the bus, in the
// now-playing file and in what the now-playing command gets; its output is
// diagnostics, never play-log lines. The file is idle after the shutdown.
TEST_F(MprisTest, ReadOnlyShowsTheTaggedItemAndRefusesToPauseIt)
{
    const QString ogg = home + QStringLiteral("/tagged.ogg");
    QProcess encode;
    encode.start(
        "gst-launch-1.0",
        QStringLiteral("-q audiotestsrc num-buffers=1300 ! taginject tags=artist=Artist,title=Title ! "
                       "audioconvert ! vorbisenc ! oggmux ! filesink location=%1")
            .arg(ogg)
            .split(u' '));
    ASSERT_TRUE(encode.waitForFinished(60000) && encode.exitCode() == 0)
        << encode.readAllStandardError().data();
    const QString now = home + QStringLiteral("/now/playing.json");
    WriteSettingsHive(home, "\"NowPlayingFile\"=\"" + now.toUtf8() +
                                "\"\n\"NowPlayingCommand\"=\"printenv LIRANA_ON_AIR\"");
    StartRunner({"--play", ogg});
    ASSERT_TRUE(WaitFor([&] { return Starts("tagged") == 1; }));
    ASSERT_TRUE(WaitFor([&] { return Ctl("metadata xesam:title") == QLatin1String("Artist - Title"); }));
    const auto nowPlaying = [&] {
        QFile file(now);
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                              : QJsonObject();
    };
    EXPECT_EQ(nowPlaying().value("title").toString(), "Artist - Title");

    Ctl("pause");
    Ctl("stop");
    // Each call has been answered (refused) before playerctl returns.
    EXPECT_EQ(Ctl("status"), "Playing");
    lirana.terminate();
    ASSERT_TRUE(lirana.waitForFinished(10000));
    Log();
    const QString err = QString::fromLocal8Bit(lirana.readAllStandardError());
    for (const char* said : {"refused Pause from the desktop: \"Desktop control\" is read-only",
                             "refused Stop from the desktop", "NowPlayingCommand: Artist - Title"})
        EXPECT_TRUE(err.contains(QLatin1String(said))) << said << '\n' << err.toStdString();
    EXPECT_EQ(log, QStringList({"startup", "start\ttagged", "shutdown"}));
    EXPECT_EQ(nowPlaying().value("state").toString() + nowPlaying().value("title").toString(), "idle");
}

} // namespace
