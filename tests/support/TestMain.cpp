// SPDX-License-Identifier: GPL-3.0-or-later
// Test main: a private temporary world for the process (see TestEnv.h), a
// QCoreApplication for posted events and timers, then GoogleTest.
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lirana-test-XXXXXX"));
    if (!root.isValid())
        return 2;
    TestEnv::SetUpProcessWorld(root.path());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
