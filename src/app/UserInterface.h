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
