// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/AboutDialog.h"

#include "ui_AboutDialog.h"

#include <QCoreApplication>

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::CAboutDialog>())
{
    m_ui->setupUi(this);
    m_ui->version->setText(tr("Version %1").arg(QCoreApplication::applicationVersion()));
}

CAboutDialog::~CAboutDialog() = default;
