// SPDX-License-Identifier: GPL-3.0-or-later
// Test main for widget tests: the same private temporary world as the core
// tests' main (see support/TestEnv.h), but with a QApplication, so widgets
// can be built under the offscreen platform.
#include "support/TestEnv.h"

#include <QtWidgets>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lirana-guitest-XXXXXX"));
    if (!root.isValid())
        return 2;
    TestEnv::SetUpProcessWorld(root.path());
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
