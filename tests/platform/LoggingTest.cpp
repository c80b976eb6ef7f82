// SPDX-License-Identifier: GPL-3.0-or-later
// What the process says, and how a signal ends it.
#include "platform/Logging.h"
#include "platform/TerminationWatcher.h"

#include "support/UnitTest.h"

#include <QThread>
#include <csignal>

// Each level's line, as the terminal and as the journal get it: debug lines
// name their category, the others keep their own text; the journal's lines
// start with the syslog priority.
TEST(Logging, LinesCarryTheCategoryOnlyAtDebugAndThePriorityOnlyForTheJournal)
{
    // the level | its line on the terminal, in the journal
    const std::tuple<QtMsgType, const char*, const char*> rows[] = {
        {QtDebugMsg, "lirana.engine: start", "<7>lirana.engine: start"},
        {QtInfoMsg, "start", "<6>start"},
        {QtWarningMsg, "start", "<4>start"},
        {QtCriticalMsg, "start", "<3>start"}};
    const QMessageLogContext context(nullptr, 0, nullptr, "lirana.engine");
    for (const auto& [type, terminal, journal] : rows) {
        for (const bool toJournal : {false, true}) {
            qSetMessagePattern(diagnostics::MessagePattern(toJournal));
            EXPECT_EQ(qFormatLogMessage(type, context, QStringLiteral("start")),
                      QString::fromLatin1(toJournal ? journal : terminal))
                << "journal " << toJournal << ", type " << type;
        }
    }
    qSetMessagePattern(QString());
}

TEST(Logging, TheJournalIsRecognisedOnlyByItsOwnDeviceAndInode)
{
    const std::pair<const char*, bool> rows[] = {{"8:1234", true}, {"8:1235", false}, {"9:1234", false},
                                                 {"", false},      {"8", false},      {"8:1234:1", false},
                                                 {"x:1234", false}};
    for (const auto& [env, journal] : rows)
        EXPECT_EQ(diagnostics::IsJournalStream(env, 8, 1234), journal) << env;
}

// A watchdog whose grace has run out waits for the settings save under way:
// the save's last words come before the watchdog's line and its exit status.
TEST(TerminationWatcher, TheWatchdogEndsTheProcessOnlyAfterTheSaveUnderWay)
{
    EXPECT_EXIT(
        {
            const CTerminationWatcher watcher(0);
            {
                const CSaveInProgress save;
                std::raise(SIGTERM);
                QThread::msleep(300); // the watchdog is due long before this save ends
                std::fputs("saved\n", stderr);
            }
            QThread::msleep(10000);
        },
        ::testing::ExitedWithCode(128 + SIGTERM), "saved\nlirana: still running 0 ms after signal 15");
}
