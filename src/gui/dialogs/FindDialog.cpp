// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/FindDialog.h"

#include "ui_FindDialog.h"

CFindDialog::CFindDialog(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::CFindDialog>())
{
    m_ui->setupUi(this);
    setModal(false);
    m_ui->findNext->setEnabled(false);
    connect(m_ui->findText, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_ui->findNext->setEnabled(!text.isEmpty()); });
    connect(m_ui->findNext, &QPushButton::clicked, this,
            [this] { emit FindNext(Text(), MatchCase(), SearchDown()); });
    connect(m_ui->cancel, &QPushButton::clicked, this, &QDialog::close);
}

CFindDialog::~CFindDialog() = default;

QString CFindDialog::Text() const
{
    return m_ui->findText->text();
}
bool CFindDialog::MatchCase() const
{
    return m_ui->matchCase->isChecked();
}
bool CFindDialog::SearchDown() const
{
    return m_ui->down->isChecked();
}
void CFindDialog::SetText(const QString& text)
{
    m_ui->findText->setText(text);
}
void CFindDialog::SetMatchCase(bool on)
{
    m_ui->matchCase->setChecked(on);
}

void CFindDialog::SetSearchDown(bool down)
{
    (down ? m_ui->down : m_ui->up)->setChecked(true);
}

void CFindDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        m_ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
