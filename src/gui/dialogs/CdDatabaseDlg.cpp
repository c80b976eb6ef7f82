// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/CdDatabaseDlg.h"

#include "media/CdDatabase.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kMaxText = 256;
}

CCDDatabaseDlg::CCDDatabaseDlg(CCDDatabase& database, int trackIndex, QWidget* parent)
    : QDialog(parent), m_database(database)
{
    setWindowTitle(tr("Edit CD database"));
    m_artist = new QLineEdit(database.GetArtist(), this);
    m_title = new QLineEdit(database.GetTitle(), this);
    for (QLineEdit* edit : {m_artist, m_title})
        edit->setMaxLength(kMaxText);
    m_tracks = new QComboBox(this);
    m_tracks->setEditable(true);
    m_tracks->setInsertPolicy(QComboBox::NoInsert);
    m_tracks->lineEdit()->setMaxLength(kMaxText);
    for (int i = 0; i < database.GetNumTracks(); ++i)
        m_tracks->addItem(database.GetTrackName(i));
    m_number = new QLabel(this);

    auto* form = new QFormLayout;
    form->addRow(tr("&Artist:"), m_artist);
    form->addRow(tr("&Title:"), m_title);
    auto* trackRow = new QHBoxLayout;
    trackRow->addWidget(m_number);
    trackRow->addWidget(m_tracks, 1);
    form->addRow(tr("Trac&k:"), trackRow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    // Enter belongs to the form's navigation, never to a default button.
    for (QAbstractButton* button : buttons->buttons())
        if (auto* push = qobject_cast<QPushButton*>(button))
            push->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCDDatabaseDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCDDatabaseDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(m_tracks, &QComboBox::activated, this, &CCDDatabaseDlg::SelectTrack);
    connect(m_tracks->lineEdit(), &QLineEdit::textEdited, this, &CCDDatabaseDlg::RenameCurrent);
    for (QObject* watched : {static_cast<QObject*>(m_artist), static_cast<QObject*>(m_title),
                             static_cast<QObject*>(m_tracks), static_cast<QObject*>(m_tracks->lineEdit())})
        watched->installEventFilter(this);
    SelectTrack(trackIndex >= 0 && trackIndex < m_tracks->count() ? trackIndex : -1);
}

void CCDDatabaseDlg::SelectTrack(int index)
{
    m_tracks->setCurrentIndex(index);
    m_number->setText(index < 0 ? QString() : QString::number(index + 1));
}

void CCDDatabaseDlg::RenameCurrent(const QString& text)
{
    const int index = m_tracks->currentIndex();
    if (index < 0)
        return;
    // Renaming the entry writes the edit field again: keep the caret.
    const int caret = m_tracks->lineEdit()->cursorPosition();
    m_tracks->setItemText(index, text);
    m_tracks->lineEdit()->setText(text);
    m_tracks->lineEdit()->setCursorPosition(caret);
}

bool CCDDatabaseDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QDialog::eventFilter(watched, event);
    if (watched == m_artist) {
        m_title->setFocus();
        m_title->selectAll();
    } else if (watched == m_title) {
        m_tracks->setFocus();
    } else {
        SelectTrack(std::min(m_tracks->currentIndex() + 1, m_tracks->count() - 1));
    }
    return true;
}

void CCDDatabaseDlg::accept()
{
    m_database.SetArtist(m_artist->text());
    m_database.SetTitle(m_title->text());
    for (int i = 0; i < m_tracks->count(); ++i)
        m_database.SetTrackName(i, m_tracks->itemText(i));
    QDialog::accept();
}
