// A fixture giving each test its own user hive and machine layer folders.
#pragma once

#include "QtPrint.h"
#include "platform/DataPaths.h"
#include "platform/registry/HiveFile.h"
#include "platform/registry/HiveStore.h"
#include "platform/registry/RegistryKey.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

class HiveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        configDir = TestEnv::MakeTempDir(QStringLiteral("config"));
        etcDir = TestEnv::MakeTempDir(QStringLiteral("etc"));
        qputenv("XDG_CONFIG_HOME", configDir.toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", etcDir.toLocal8Bit());
        HiveStore::ResetForTests();
    }

    void TearDown() override
    {
        HiveStore::SetBeforeRenameHookForTests({});
        HiveStore::ResetForTests();
    }

    // Forgets the store: the next key reads the files again.
    static void Reload() { HiveStore::ResetForTests(); }

    static QString UserFile() { return DataPaths::UserHiveFile(); }

    static QByteArray UserText()
    {
        QFile file(UserFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QStringList UserLines() { return QString::fromUtf8(UserText()).split(u'\n'); }

    // The names of the files beside the user hive.
    static QStringList Siblings()
    {
        return QDir(QFileInfo(UserFile()).absolutePath()).entryList(QDir::Files, QDir::Name);
    }

    // The user hive is there and every line of it reads.
    static bool UserFileParses()
    {
        reg::HiveKey root;
        std::vector<reg::HiveProblem> problems;
        return reg::ParseHive(UserText(), QStringLiteral("HKEY_CURRENT_USER"), &root, &problems, nullptr) &&
               problems.empty();
    }

    QString configDir;
    QString etcDir;
};
