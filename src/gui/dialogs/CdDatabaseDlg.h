// SPDX-License-Identifier: GPL-3.0-or-later
// CCDDatabaseDlg: "Edit CD database", the artist, title and track names of
// the disc in the drive. The track names stand in an editable combo box;
// typing in its edit field renames the current entry at once. Enter moves
// through the form: artist -> title (text selected) -> track list -> next
// track (the last one stays). OK writes everything back; Cancel writes
// nothing.
#pragma once

#include <QDialog>

class CCDDatabase;
class QComboBox;
class QLabel;
class QLineEdit;

class CCDDatabaseDlg : public QDialog
{
    Q_OBJECT

public:
    // Opens on track trackIndex (0-based; outside the disc's tracks: none).
    CCDDatabaseDlg(CCDDatabase& database, int trackIndex, QWidget* parent = nullptr);

    QLineEdit* ArtistEdit() const { return m_artist; }
    QLineEdit* TitleEdit() const { return m_title; }
    QComboBox* TrackNames() const { return m_tracks; }
    QLabel* TrackNumber() const { return m_number; }

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SelectTrack(int index);
    void RenameCurrent(const QString& text);

    CCDDatabase& m_database;
    QLineEdit* m_artist = nullptr;
    QLineEdit* m_title = nullptr;
    QComboBox* m_tracks = nullptr;
    QLabel* m_number = nullptr;
};
