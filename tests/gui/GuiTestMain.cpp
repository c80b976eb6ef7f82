// Test main for widget tests: the same private temporary world as the core
// tests' main (see support/TestEnv.h), but with a QApplication, so widgets
// can be built under the offscreen platform.
#include "support/TestEnv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

namespace TestEnv {
QString& RootRef();
}

int main(int argc, char** argv)
{
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lirana-guitest-XXXXXX"));
    if (!root.isValid())
        return 2;
    TestEnv::RootRef() = root.path();
    for (const char* sub : {"config", "data", "etc", "home", "cwd", "runtime"})
        QDir(root.path()).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(root.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QByteArray base = root.path().toLocal8Bit();
    setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (base + "/data").constData(), 1);
    setenv("XDG_CONFIG_DIRS", (base + "/etc").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (base + "/runtime").constData(), 1);
    setenv("HOME", (base + "/home").constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QDir::setCurrent(root.path() + QStringLiteral("/cwd"));
    setenv("GST_REGISTRY", LIRANA_TEST_GST_REGISTRY, 0);

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
