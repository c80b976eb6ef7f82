// SPDX-License-Identifier: GPL-3.0-or-later
// CFindDialog: the modeless find dialog of the playlist: find only, with a
// match-case option and a direction (Up or Down; it opens searching down).
// It only reports requests; the frame searches.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CFindDialog;
}

class CFindDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CFindDialog(QWidget* parent = nullptr);
    ~CFindDialog() override;

    QString Text() const;
    bool MatchCase() const;
    // True for Down (towards the last row), false for Up.
    bool SearchDown() const;
    void SetText(const QString& text);
    void SetMatchCase(bool on);
    void SetSearchDown(bool down);

signals:
    void FindNext(const QString& text, bool matchCase, bool down);

protected:
    // A change of display language while the dialog is open.
    void changeEvent(QEvent* event) override;

private:
    std::unique_ptr<Ui::CFindDialog> m_ui;
};
