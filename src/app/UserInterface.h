// SPDX-License-Identifier: GPL-3.0-or-later
// The user-interface seam: everything the core needs from a person. The GUI
// implements it with dialogs, the headless runner with stderr lines and
// defaults, tests with a recorder. The core never opens a window itself.
#pragma once

#include <QString>

class UserInterface
{
public:
    enum class Icon { Stop, Warning, Information, Question };

    virtual ~UserInterface() = default;

    // A message box; returns when the operator has read it.
    virtual void ShowMessage(const QString& text, Icon icon) = 0;
    // Bring the on-air console forward before an error box.
    virtual void FocusView() {}
    // The main window's caption.
    virtual void SetFrameTitle(const QString& /*title*/) {}
    // Busy indication for a step that may take a moment (wait cursor).
    virtual void SetBusy(bool /*busy*/) {}

    // The save prompt before New, Open, a recent file or closing:
    // "Save changes to <docName>?" with Save / Discard / Cancel.
    enum class SaveAnswer { Save, Discard, Cancel };
    virtual SaveAnswer AskSaveChanges(const QString& /*docName*/) { return SaveAnswer::Discard; }
    // The Save As dialog starting from suggested (a path or a bare file
    // name), offering the album filter with default extension "alb" and
    // asking before overwriting. Returns the chosen path; empty = cancelled.
    virtual QString AskSaveFileName(const QString& /*suggested*/) { return {}; }
    // The Open dialog for an existing album (same filter, file must exist).
    // Returns the chosen path; empty = cancelled.
    virtual QString AskOpenFileName() { return {}; }
    // An open dialog for any existing file, without a parent window: title,
    // a filter of "Name|patterns|...||" pairs and the default extension.
    // Returns the chosen path; empty = cancelled (and where nobody can be
    // asked).
    virtual QString AskExistingFile(const QString& /*title*/, const QString& /*filter*/,
                                    const QString& /*defaultExt*/)
    {
        return {};
    }
};

// Scoped busy indication.
class BusyScope
{
public:
    explicit BusyScope(UserInterface& ui) : m_ui(ui) { m_ui.SetBusy(true); }
    ~BusyScope() { m_ui.SetBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    UserInterface& m_ui;
};
