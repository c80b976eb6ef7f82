// SPDX-License-Identifier: GPL-3.0-or-later
// The headless runner as a desktop media player: on a private session bus of
// its own, playerctl (the tool people bind their media keys to) drives it,
// and the play log confirms every start it asks for.
#include "support/TestEnv.h"
#include "support/TestMedia.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

class MprisTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home = TestEnv::MakeTempDir(QStringLiteral("mpris"));
        // Its socket in the test's folder, not beside the desktop's in /tmp.
        bus.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1"), QStringLiteral("--address=unix:dir=") + home});
        ASSERT_TRUE(bus.waitForReadyRead(10000)) << "dbus-daemon did not start";
        address = QString::fromLocal8Bit(bus.readLine()).trimmed();
        env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", address);
        for (const char* sub : {"config", "data", "state"})
            env.insert(QStringLiteral("XDG_%1_HOME").arg(QString::fromLatin1(sub).toUpper()),
                       home + u'/' + sub);
        env.insert("LIRANA_AUDIO_SINK", "fakesink sync=true");
        env.insert("LC_ALL", "C");
    }
    // The user hive with these values under Settings.
    void WriteSettings(const QByteArray& settings)
    {
        TestEnv::WriteFile(home + QStringLiteral("/config/Oxbelund/Lirana.reg"),
                           "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]\n" +
                               settings + "\n");
    }
    // Starts the runner on items and waits for it on the bus.
    void StartRunner(const QStringList& args)
    {
        lirana.setProcessEnvironment(env);
        lirana.setWorkingDirectory(home);
        lirana.start(QStringLiteral(LIRANA_BINARY),
                     QStringList{QStringLiteral("--headless"), QStringLiteral("--log-stdout")} + args);
        ASSERT_TRUE(WaitFor([&] { return !Ctl({QStringLiteral("status")}).isEmpty(); }, 20000))
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

    // playerctl against the runner; its output, trimmed.
    QString Ctl(const QStringList& args)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("playerctl"), QStringList{QStringLiteral("--player=lirana")} + args);
        p.waitForFinished(10000);
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }
    // A property of the Player interface as gdbus prints it, "(<true>,)".
    QString Property(const char* name)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("gdbus"),
                {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                 QStringLiteral("org.mpris.MediaPlayer2.lirana"), QStringLiteral("--object-path"),
                 QStringLiteral("/org/mpris/MediaPlayer2"), QStringLiteral("--method"),
                 QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                 QStringLiteral("org.mpris.MediaPlayer2.Player"), QString::fromLatin1(name)});
        p.waitForFinished(10000);
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
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

    QString home, address;
    QProcessEnvironment env;
    QProcess bus, lirana;
    QStringList log;
};

TEST_F(MprisTest, PlayerctlDrivesTheRunnerAndThePlayLogConfirmsEachStart)
{
    QStringList items;
    for (const char* name : {"alpha", "bravo", "charlie"})
        items << TestMedia::ToneWav(home, QString::fromLatin1(name), 440, 30);
    const QString extra = TestMedia::ToneWav(home, QStringLiteral("delta"), 660, 30);
    WriteSettings("\"Desktop control\"=dword:00000000"); // full; the runner's own default is read-only
    StartRunner(items);
    ASSERT_EQ(Ctl({QStringLiteral("status")}), QStringLiteral("Stopped"));
    EXPECT_EQ(Property("CanGoPrevious"), QStringLiteral("(<false>,)"));

    // Every status change reaches a follower through PropertiesChanged.
    QProcess follow;
    follow.setProcessEnvironment(env);
    follow.start(QStringLiteral("playerctl"),
                 {QStringLiteral("--player=lirana"), QStringLiteral("--follow"), QStringLiteral("status")});
    ASSERT_TRUE(follow.waitForStarted());
    ASSERT_TRUE(follow.waitForReadyRead(10000)) << "the follower shows the status it found first";

    Ctl({QStringLiteral("play")});
    ASSERT_TRUE(WaitFor([&] { return Starts(QStringLiteral("alpha")) == 1; }));
    ASSERT_TRUE(WaitFor([&] { return Ctl({QStringLiteral("status")}) == QLatin1String("Playing"); }));
    EXPECT_EQ(Ctl({QStringLiteral("metadata"), QStringLiteral("xesam:title")}), QStringLiteral("alpha"));
    EXPECT_EQ(Ctl({QStringLiteral("metadata"), QStringLiteral("mpris:length")}), QStringLiteral("30000000"));
    EXPECT_EQ(Ctl({QStringLiteral("metadata"), QStringLiteral("xesam:url")}),
              QUrl::fromLocalFile(items[0]).toString());
    EXPECT_EQ(Property("CanGoNext"), QStringLiteral("(<true>,)"));

    // Position: set and read back in seconds.
    Ctl({QStringLiteral("position"), QStringLiteral("20")});
    const double at = Ctl({QStringLiteral("position")}).toDouble();
    EXPECT_GE(at, 19.9);
    EXPECT_LT(at, 25.0);

    Ctl({QStringLiteral("next")});
    ASSERT_TRUE(WaitFor([&] { return Starts(QStringLiteral("bravo")) == 1; }));
    EXPECT_EQ(Property("CanGoPrevious"), QStringLiteral("(<true>,)"));
    Ctl({QStringLiteral("previous")});
    ASSERT_TRUE(WaitFor([&] { return Starts(QStringLiteral("alpha")) == 2; }));

    // Pause holds the item; play resumes it without a new start.
    ASSERT_TRUE(WaitFor([&] {
        return Ctl({QStringLiteral("metadata"), QStringLiteral("xesam:title")}) == "alpha";
    }));
    Ctl({QStringLiteral("pause")});
    ASSERT_TRUE(WaitFor([&] { return Ctl({QStringLiteral("status")}) == QLatin1String("Paused"); }));
    const QString held = Ctl({QStringLiteral("position")});
    TestEnv::WaitUntil([] { return false; }, 600);
    EXPECT_EQ(Ctl({QStringLiteral("position")}), held);
    Ctl({QStringLiteral("play")});
    ASSERT_TRUE(WaitFor([&] { return Ctl({QStringLiteral("status")}) == QLatin1String("Playing"); }));

    // Volume is the on-air level.
    Ctl({QStringLiteral("volume"), QStringLiteral("0.4")});
    EXPECT_NEAR(Ctl({QStringLiteral("volume")}).toDouble(), 0.4, 0.011);

    Ctl({QStringLiteral("stop")});
    ASSERT_TRUE(WaitFor([&] { return Ctl({QStringLiteral("status")}) == QLatin1String("Stopped"); }));

    // A script named over the bus is refused (as a row it would run); a
    // media file opened while nothing plays is added and played; it is the
    // last row, so there is no next.
    const QString script = TestEnv::WriteFile(home + "/run.sh", "#!/bin/sh\ntouch \"$0.ran\"\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Ctl({QStringLiteral("open"), QUrl::fromLocalFile(script).toString()});
    // Nor a list that holds it, and a URI of 100,000 characters leaves the
    // interface answering.
    const QString list = TestEnv::WriteFile(home + "/list.mpl", script.toUtf8() + "\n");
    Ctl({QStringLiteral("open"), QUrl::fromLocalFile(list).toString()});
    Ctl({QStringLiteral("open"), QStringLiteral("file:///") + QString(100000, u'x')});
    Ctl({QStringLiteral("open"), QUrl::fromLocalFile(extra).toString()});
    ASSERT_TRUE(WaitFor([&] { return Starts(QStringLiteral("delta")) == 1; }));
    EXPECT_FALSE(QFile::exists(script + ".ran"));
    EXPECT_EQ(Starts(QStringLiteral("run")), 0);
    EXPECT_EQ(Starts(QStringLiteral("list")), 0);
    ASSERT_TRUE(WaitFor([&] { return Property("CanGoNext") == QLatin1String("(<false>,)"); }));
    EXPECT_EQ(Log().filter(QStringLiteral("start\t")).size(), 4) << Log().join(u'\n').toStdString();

    ASSERT_TRUE(WaitFor([&] {
        return QString::fromLocal8Bit(follow.peek(4096)).split(u'\n', Qt::SkipEmptyParts).size() >= 5;
    })) << QString::fromLocal8Bit(follow.peek(4096)).toStdString();
    const QStringList seen = QString::fromLocal8Bit(follow.readAll()).split(u'\n', Qt::SkipEmptyParts);
    follow.kill();
    follow.waitForFinished();
    EXPECT_EQ(seen.mid(0, 5).join(u' '), QStringLiteral("Stopped Playing Paused Playing Stopped"));
}

// Stations side by side (--instance NAME) answer on bus names of their own,
// so playerctl reaches the one it names and a refused second start raises
// the console of its own station.
TEST_F(MprisTest, AStationOfItsOwnAnswersOnItsOwnBusName)
{
    const QString tone = TestMedia::ToneWav(home, QStringLiteral("alpha"), 440, 30);
    StartRunner({tone});
    QProcess other;
    other.setProcessEnvironment(env);
    other.setWorkingDirectory(home);
    other.start(QStringLiteral(LIRANA_BINARY), {QStringLiteral("--headless"), QStringLiteral("--instance"),
                                                QStringLiteral("2nd.studio"), tone});
    const auto players = [&] {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("playerctl"), {QStringLiteral("--list-all")});
        p.waitForFinished(10000);
        QStringList names = QString::fromLocal8Bit(p.readAllStandardOutput())
                                .split(u'\n', Qt::SkipEmptyParts);
        names.sort();
        return names;
    };
    EXPECT_TRUE(WaitFor(
        [&] {
            return players() == QStringList({"lirana", "lirana.station_2nd_studio"});
        },
        20000))
        << players().join(u' ').toStdString();
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
    encode.start(QStringLiteral("gst-launch-1.0"),
                 {QStringLiteral("-q"), QStringLiteral("audiotestsrc"), QStringLiteral("num-buffers=1300"),
                  QStringLiteral("!"), QStringLiteral("taginject"),
                  QStringLiteral("tags=artist=Artist,title=Title"), QStringLiteral("!"),
                  QStringLiteral("audioconvert"), QStringLiteral("!"), QStringLiteral("vorbisenc"),
                  QStringLiteral("!"), QStringLiteral("oggmux"), QStringLiteral("!"),
                  QStringLiteral("filesink"), QStringLiteral("location=") + ogg});
    ASSERT_TRUE(encode.waitForFinished(60000) && encode.exitCode() == 0)
        << encode.readAllStandardError().data();
    const QString now = home + QStringLiteral("/now/playing.json");
    WriteSettings("\"NowPlayingFile\"=\"" + now.toUtf8() +
                  "\"\n\"NowPlayingCommand\"=\"printenv LIRANA_ON_AIR\"");
    StartRunner({QStringLiteral("--play"), ogg});
    ASSERT_TRUE(WaitFor([&] { return Starts(QStringLiteral("tagged")) == 1; }));
    ASSERT_TRUE(WaitFor([&] {
        return Ctl({QStringLiteral("metadata"), QStringLiteral("xesam:title")}) ==
               QLatin1String("Artist - Title");
    }));
    const auto nowPlaying = [&] {
        QFile file(now);
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                              : QJsonObject();
    };
    EXPECT_EQ(nowPlaying().value("title").toString(), QStringLiteral("Artist - Title"));

    Ctl({QStringLiteral("pause")});
    Ctl({QStringLiteral("stop")});
    // Each call has been answered (refused) before playerctl returns.
    EXPECT_EQ(Ctl({QStringLiteral("status")}), QStringLiteral("Playing"));
    lirana.terminate();
    ASSERT_TRUE(lirana.waitForFinished(10000));
    Log();
    const QString err = QString::fromLocal8Bit(lirana.readAllStandardError());
    EXPECT_TRUE(
        err.contains(QLatin1String("refused Pause from the desktop: \"Desktop control\" is read-only")))
        << err.toStdString();
    EXPECT_TRUE(err.contains(QLatin1String("refused Stop from the desktop"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QLatin1String("NowPlayingCommand: Artist - Title"))) << err.toStdString();
    EXPECT_EQ(log, QStringList({"startup", "start\ttagged", "shutdown"}));
    EXPECT_EQ(nowPlaying().value("state").toString() + nowPlaying().value("title").toString(), "idle");
}

} // namespace
