// SPDX-License-Identifier: GPL-3.0-or-later
// The shared stand-ins for the seams through which the core reaches the
// world: a user interface and a shell that record what they are asked, and a
// user hive of its own for one test. (The hand-moved clock is FakeClock in
// platform/Clock.h.) Every test folder uses these instead of its own copies.
#pragma once

#include "app/UserInterface.h"
#include "platform/Shell.h"

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <deque>
#include <ostream>

// Readable GoogleTest output for Qt strings.
void PrintTo(const QString& text, std::ostream* out);

// Records every message with its icon. Answers the save prompt from a queue
// (Cancel, the answer that loses nothing, once it is empty) and the file
// dialogs from fields (empty: cancelled).
class RecordingUi : public UserInterface
{
public:
    void ShowMessage(const QString& text, Icon icon) override;
    void SetFrameTitle(const QString& title) override { frameTitle = title; }
    SaveAnswer AskSaveChanges(const QString& docName) override;
    QString AskSaveFileName(const QString& suggested) override;
    QString AskOpenFileName() override { return openName; }
    // The title of each open-file dialog goes to `asked`; it answers openName.
    QString AskExistingFile(const QString& title, const QString&, const QString&) override
    {
        asked << title;
        return openName;
    }

    QString LastMessage() const { return messages.isEmpty() ? QString() : messages.last(); }

    QStringList messages;
    QList<Icon> icons; // one per message
    QString frameTitle;
    QStringList asked; // the document name of each save prompt
    std::deque<SaveAnswer> saveAnswers;
    QStringList suggestedNames; // what each Save As dialog was offered
    QString saveName;
    QString openName;
};

// Records each start as program + arguments and its working folder; never
// starts anything. A start fails with failWith as its reason when that is set.
class RecordingShell : public Shell
{
public:
    bool StartProgram(const QString& program, const QStringList& args, const QString& workDir,
                      QString* error) override;

    bool HasWebBrowser() override { return webBrowser; }

    QList<QStringList> started;
    QStringList workDirs;
    QString failWith;
    bool webBrowser = false;
};

// For its lifetime the settings store reads and writes a fresh user hive in
// configDir and sees only the machine layers in etcDir (plus the installed
// one); the environment and the store are put back afterwards.
class TempHive
{
public:
    TempHive();
    ~TempHive();
    TempHive(const TempHive&) = delete;
    TempHive& operator=(const TempHive&) = delete;

    // Forgets the store: the next key reads the files again.
    static void Reload();
    static QString UserFile();
    static QByteArray UserText();
    static QStringList UserLines();
    // The names of the files beside the user hive.
    static QStringList Siblings();
    // The user hive is there and every line of it reads.
    static bool UserFileParses();

    // Starts this test program again, running only the tests of filter
    // (GoogleTest's --gtest_filter) on this hive, with LIRANA_TEST_CHILD_ARG
    // set to arg; its stderr goes to ours, its stdout is read through child.
    void StartChild(QProcess& child, const QString& filter, const QString& arg) const;
    // In such a child: points the settings at the parent's hive; false when
    // this is no child (the test skips).
    static bool EnterChild();

    const QString configDir;
    const QString etcDir;

private:
    QByteArray m_oldConfig;
    QByteArray m_oldDirs;
};

// The bytes of a file; "<missing>" when it cannot be read.
QByteArray FileBytes(const QString& path);
