// SPDX-License-Identifier: GPL-3.0-or-later
// CAboutDialog: "About Lirana" with the "Info" page (name, version, how to
// begin, copyright and licence) and the "Author" page.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CAboutDialog;
}

class CAboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDialog(QWidget* parent = nullptr);
    ~CAboutDialog() override;

private:
    std::unique_ptr<Ui::CAboutDialog> m_ui;
};
