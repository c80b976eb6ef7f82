// Recording stand-ins for the user-interface and shell seams of album tests.
#pragma once

#include "app/UserInterface.h"
#include "platform/Shell.h"

#include <QStringList>
#include <deque>
#include <utility>
#include <vector>

class RecordingUi : public UserInterface
{
public:
    void ShowMessage(const QString& text, Icon icon) override { messages.push_back({text, icon}); }
    void SetFrameTitle(const QString& title) override { frameTitle = title; }
    SaveAnswer AskSaveChanges(const QString& docName) override
    {
        asked.append(docName);
        if (saveAnswers.empty())
            return SaveAnswer::Cancel;
        const SaveAnswer a = saveAnswers.front();
        saveAnswers.pop_front();
        return a;
    }
    QString AskSaveFileName(const QString& suggested) override
    {
        suggestedNames.append(suggested);
        return saveName;
    }
    QString AskOpenFileName() override { return openName; }

    QString LastMessage() const { return messages.empty() ? QString() : messages.back().first; }

    std::vector<std::pair<QString, Icon>> messages;
    QString frameTitle;
    QStringList asked;
    std::deque<SaveAnswer> saveAnswers;
    QStringList suggestedNames;
    QString saveName;
    QString openName;
};

class RecordingShell : public Shell
{
public:
    bool StartProgram(const QString& program, const QStringList& args, const QString& workDir,
                      QString* error) override
    {
        calls.push_back({program, args});
        (void)workDir;
        if (!failWith.isEmpty() && error)
            *error = failWith;
        return failWith.isEmpty();
    }

    std::vector<std::pair<QString, QStringList>> calls;
    QString failWith;
};
