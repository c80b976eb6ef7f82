// SPDX-License-Identifier: GPL-3.0-or-later
// The level alarm of the headless station on a bus keeping time by itself:
// an item of digital silence is alarmed within its interval and the next
// item follows; a quiet one, and a pause item, are not alarmed.
#include "HeadlessLirana.h"
#include "support/TestEnv.h"
#include "support/TestMedia.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(LevelAlarm, SilenceIsAlarmedWithinItsIntervalAndQuietMusicIsNot)
{
    QTemporaryDir dir;
    const QString home = dir.path() + QStringLiteral("/home");
    using namespace HeadlessLirana;
    WriteHive(home, {{"Overlap Time", Dword(0)}},
              {{"WatchDog",
                {{"Level Enable", Flag(true)}, {"Level Interval", Dword(2)}, {"NextSong", Flag(true)}}}});
    const QStringList items{
        TestMedia::ToneWav(dir.path(), QStringLiteral("quiet"), 440, 4.0, -40), QStringLiteral("3.pause"),
        TestMedia::WriteWav(dir.path() + QStringLiteral("/dead.wav"), {TestMedia::Silence(30.0)}),
        TestMedia::ToneWav(dir.path(), QStringLiteral("after"), 1000, 0.5, -12)};
    QProcess lirana;
    lirana.setProcessEnvironment(Environment(home));
    lirana.setWorkingDirectory(dir.path());
    lirana.start(QStringLiteral(LIRANA_BINARY), PlayArgs(QStringList{"--output", "none"} + items));
    ASSERT_TRUE(lirana.waitForFinished(40000));
    const QStringList lines = QString::fromUtf8(lirana.readAllStandardOutput())
                                  .split(u'\n', Qt::SkipEmptyParts)
                                  .replaceInStrings(
                                      QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\t")),
                                      QString());
    EXPECT_EQ(lirana.exitCode(), 0);
    // Each line after its time stamp: the silence is alarmed once, after
    // the dead item started and before the next one.
    const QStringList expected{"startup",
                               "start\tquiet",
                               "start\t3 sec.",
                               "start\tdead",
                               "silence\tThe air was below -50 dBFS for 2 s",
                               "silence\tThe next song is selected",
                               "start\tafter",
                               "shutdown"};
    EXPECT_EQ(lines, expected) << lines.join(u'\n').toStdString();
}

} // namespace
