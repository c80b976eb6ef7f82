#include "platform/Logging.h"

#include <gtest/gtest.h>

namespace {

struct PatternRow
{
    bool journal;
    QtMsgType type;
    const char* expected;
};

// Each level's line, as the terminal and as the journal get it: debug lines
// name their category, the others keep their own text; the journal's lines
// start with the syslog priority.
TEST(Logging, LinesCarryTheCategoryOnlyAtDebugAndThePriorityOnlyForTheJournal)
{
    const PatternRow rows[] = {
        {false, QtDebugMsg, "lirana.engine: start"},
        {false, QtInfoMsg, "start"},
        {false, QtWarningMsg, "start"},
        {false, QtCriticalMsg, "start"},
        {true, QtDebugMsg, "<7>lirana.engine: start"},
        {true, QtInfoMsg, "<6>start"},
        {true, QtWarningMsg, "<4>start"},
        {true, QtCriticalMsg, "<3>start"},
    };
    for (const PatternRow& row : rows) {
        qSetMessagePattern(diagnostics::MessagePattern(row.journal));
        const QMessageLogContext context(nullptr, 0, nullptr, "lirana.engine");
        EXPECT_EQ(qFormatLogMessage(row.type, context, QStringLiteral("start")),
                  QString::fromLatin1(row.expected))
            << "journal " << row.journal << ", type " << row.type;
    }
    qSetMessagePattern(QString());
}

TEST(Logging, TheJournalIsRecognisedOnlyByItsOwnDeviceAndInode)
{
    struct Row
    {
        const char* env;
        bool journal;
    };
    const Row rows[] = {{"8:1234", true}, {"8:1235", false},   {"9:1234", false}, {"", false},
                        {"8", false},     {"8:1234:1", false}, {"x:1234", false}};
    for (const Row& row : rows)
        EXPECT_EQ(diagnostics::IsJournalStream(row.env, 8, 1234), row.journal) << row.env;
}

TEST(Logging, DebugLinesAreOffUntilTheRulesTurnThemOn)
{
    for (const QLoggingCategory* category : {&lcMedia(), &lcEngine(), &lcEvents(), &lcHive(), &lcGui()}) {
        EXPECT_FALSE(category->isDebugEnabled()) << category->categoryName();
        EXPECT_TRUE(category->isWarningEnabled()) << category->categoryName();
    }
}

} // namespace
