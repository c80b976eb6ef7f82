// Test main: a private temporary world for the process (see TestEnv.h), a
// QCoreApplication for posted events and timers, then GoogleTest.
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

namespace TestEnv {
QString& RootRef();
}

int main(int argc, char** argv)
{
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lirana-test-XXXXXX"));
    if (!root.isValid())
        return 2;
    TestEnv::RootRef() = root.path();
    for (const char* sub : {"config", "data", "etc", "home", "cwd", "runtime"})
        QDir(root.path()).mkpath(QString::fromLatin1(sub));
    const QByteArray base = root.path().toLocal8Bit();
    setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (base + "/data").constData(), 1);
    setenv("XDG_CONFIG_DIRS", (base + "/etc").constData(), 1);
    setenv("HOME", (base + "/home").constData(), 1);
    QDir::setCurrent(root.path() + QStringLiteral("/cwd"));
    // One GStreamer plug-in registry for all test processes of the build,
    // instead of a fresh scan in every temporary home.
    setenv("GST_REGISTRY", LIRANA_TEST_GST_REGISTRY, 0);

    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
