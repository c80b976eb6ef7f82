// SPDX-License-Identifier: GPL-3.0-or-later
// CEditEventDlg: the "Edit Event" dialog, which edits one scheduled event in
// place: the file, daily or hourly, the first launch and the expiry (typed
// in the locale's short date and time format), the weekdays, and "Run
// immediately". "Browse..." picks the file (its folder is remembered as
// "EventDir"); "Test" plays the file in a sound window over whatever is on
// air. OK refuses a date and time it cannot read and keeps the dialog open;
// otherwise it writes the record and computes its next run from now.
// Cancel leaves the record as it was.
// Thread: the user-interface thread.
#pragma once

#include "events/ScheduledEvent.h"
#include "gui/dialogs/FilePickers.h"
#include "gui/dialogs/SoundPlayerDlg.h"

#include <QDialog>
#include <array>
#include <optional>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class UserInterface;
struct CViewSettings;

class CEditEventDlg : public QDialog
{
    Q_OBJECT

public:
    // What the dialog needs from the console around it.
    struct Context
    {
        CViewSettings* settings = nullptr;    // "EventDir"; not remembered when null
        UserInterface* ui = nullptr;          // messages; a message box when null
        CSoundPlayerDlg::TrackFactory tracks; // "Test"; CreateTrack when empty
        FilePicker browse = AskOpenFile;
    };

    CEditEventDlg(CScheduledEvent& record, WallTime now, Context context, QWidget* parent = nullptr);

    // Runs the dialog on record; true when it was confirmed (record updated).
    static bool EditEvent(CScheduledEvent& record, WallTime now, const Context& context,
                          QWidget* parent = nullptr);

    // The text a date and time is shown and typed in: the locale's short
    // date and time, with the year in full (a two-digit year would read
    // 2099 back as 1999) and with seconds (hourly events run at a second).
    static QString DateTimeFormat();
    static QString FormatDateTime(WallTime t);
    // That format, or the stored form ("2001-3-5 7:30:00"); nullopt when
    // neither reads.
    static std::optional<WallTime> ParseDateTime(const QString& text);

    QLineEdit* FileName() const { return m_file; }
    QLineEdit* FirstLaunch() const { return m_start; }
    QLineEdit* Expires() const { return m_expiry; }
    // Sunday first, as the mask's bits.
    QCheckBox* Day(int bit) const { return m_days.at(std::size_t(bit)); }
    QRadioButton* Hourly() const { return m_hourly; }
    QCheckBox* Immediately() const { return m_exact; }

    void Browse();
    void Test();
    void accept() override;

private:
    // The typed dates; a message and nullopt when one does not read.
    std::optional<std::pair<WallTime, WallTime>> TakeDates();
    void Tell(const QString& message);

    CScheduledEvent& m_record;
    WallTime m_now;
    Context m_context;
    QLineEdit* m_file = nullptr;
    QLineEdit* m_start = nullptr;
    QLineEdit* m_expiry = nullptr;
    std::array<QCheckBox*, 7> m_days{};
    QRadioButton* m_daily = nullptr;
    QRadioButton* m_hourly = nullptr;
    QCheckBox* m_exact = nullptr;
};
