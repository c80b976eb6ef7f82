// SPDX-License-Identifier: GPL-3.0-or-later
// The user-interface seam as the console implements it: the core's
// UserInterface plus the yes/no question the application shell asks
// (shutdown confirmation). CDialogInterface answers with Qt dialogs; tests
// put a recorder in its place.
#pragma once

#include "app/UserInterface.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class GuiInterface : public UserInterface
{
public:
    // A Yes/No question with the question icon; true for Yes.
    virtual bool AskYesNo(const QString& text) = 0;
};

class CDialogInterface : public GuiInterface
{
public:
    // startFolder gives the file dialogs' first folder ("MediaDir").
    explicit CDialogInterface(std::function<QString()> startFolder = {});

    // The window dialogs belong to and whose caption SetFrameTitle sets.
    void SetWindow(QWidget* window) { m_window = window; }

    void ShowMessage(const QString& text, Icon icon) override;
    void FocusView() override;
    void SetFrameTitle(const QString& title) override;
    void SetBusy(bool busy) override;
    SaveAnswer AskSaveChanges(const QString& docName) override;
    QString AskSaveFileName(const QString& suggested) override;
    QString AskOpenFileName() override;
    QString AskExistingFile(const QString& title, const QString& filter, const QString& defaultExt) override;
    bool AskYesNo(const QString& text) override;

    // "Name (*.x)|*.x|..." as a Qt name filter list ("Name (*.x);;...").
    static QString QtFilter(const QString& filter);

private:
    QString StartFolder() const;

    std::function<QString()> m_startFolder;
    QPointer<QWidget> m_window;
    int m_busy = 0;
};

// "<title> - Lirana", the main window's caption.
QString FrameCaption(const QString& title);
