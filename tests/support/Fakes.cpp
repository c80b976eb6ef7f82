// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Fakes.h"

#include "platform/DataPaths.h"
#include "platform/registry/HiveFile.h"
#include "platform/registry/HiveStore.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

void RecordingUi::ShowMessage(const QString& text, Icon icon)
{
    messages << text;
    icons << icon;
}

UserInterface::SaveAnswer RecordingUi::AskSaveChanges(const QString& docName)
{
    asked << docName;
    if (saveAnswers.empty())
        return SaveAnswer::Cancel;
    const SaveAnswer answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

QString RecordingUi::AskSaveFileName(const QString& suggested)
{
    suggestedNames << suggested;
    return saveName;
}

bool RecordingShell::StartProgram(const QString& program, const QStringList& args, const QString& workDir,
                                  QString* error)
{
    started << (QStringList{program} + args);
    workDirs << workDir;
    if (!failWith.isEmpty() && error)
        *error = failWith;
    return failWith.isEmpty();
}

TempHive::TempHive()
    : configDir(TestEnv::MakeTempDir(QStringLiteral("config"))),
      etcDir(TestEnv::MakeTempDir(QStringLiteral("etc"))), m_oldConfig(qgetenv("XDG_CONFIG_HOME")),
      m_oldDirs(qgetenv("XDG_CONFIG_DIRS"))
{
    qputenv("XDG_CONFIG_HOME", configDir.toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", etcDir.toLocal8Bit());
    HiveStore::ResetForTests();
}

TempHive::~TempHive()
{
    HiveStore::SetBeforeRenameHookForTests({});
    HiveStore::ResetForTests();
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qputenv("XDG_CONFIG_DIRS", m_oldDirs);
}

void TempHive::Reload()
{
    HiveStore::ResetForTests();
}

QString TempHive::UserFile()
{
    return DataPaths::UserHiveFile();
}

QByteArray TempHive::UserText()
{
    QFile file(UserFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList TempHive::UserLines()
{
    return QString::fromUtf8(UserText()).split(u'\n');
}

QStringList TempHive::Siblings()
{
    return QDir(QFileInfo(UserFile()).absolutePath()).entryList(QDir::Files, QDir::Name);
}

bool TempHive::UserFileParses()
{
    reg::HiveKey root;
    std::vector<reg::HiveProblem> problems;
    return reg::ParseHive(UserText(), QStringLiteral("HKEY_CURRENT_USER"), &root, &problems, nullptr) &&
           problems.empty();
}

void TempHive::StartChild(QProcess& child, const QString& filter, const QString& arg) const
{
    child.setEnvironment(QProcess::systemEnvironment()
                         << "LIRANA_TEST_CHILD_CONFIG=" + configDir << "LIRANA_TEST_CHILD_ARG=" + arg);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start("/proc/self/exe", {"--gtest_filter=" + filter});
}

bool TempHive::EnterChild()
{
    const QByteArray config = qgetenv("LIRANA_TEST_CHILD_CONFIG");
    if (!config.isEmpty() && qputenv("XDG_CONFIG_HOME", config))
        HiveStore::ResetForTests();
    return !config.isEmpty();
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
