// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/EditEventDlg.h"

#include "app/Strings.h"
#include "app/UserInterface.h"
#include "app/ViewSettings.h"
#include "events/EventTimeText.h"
#include "gui/dialogs/ListPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Control ids of the days, Sunday (bit 0) to Saturday (bit 6).
constexpr std::array<int, 7> kDayIds{1105, 1106, 1111, 1112, 1113, 1114, 1115};

QLineEdit* DateField(int id, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("edit%1").arg(id));
    edit->setPlaceholderText(CEditEventDlg::DateTimeFormat());
    return edit;
}

} // namespace

CEditEventDlg::CEditEventDlg(CScheduledEvent& record, WallTime now, Context context, QWidget* parent)
    : QDialog(parent), m_record(record), m_now(now), m_context(std::move(context))
{
    setObjectName(QStringLiteral("dialog160"));
    setProperty("helpChapter", QStringLiteral("events"));
    setWindowTitle(tr("Edit Event"));
    auto* grid = new QGridLayout(this);

    m_file = new QLineEdit(record.fileName, this);
    m_file->setObjectName(QStringLiteral("edit1071"));
    m_file->setMaxLength(EventTimeText::MaxFileNameLength);
    auto* fileLabel = new QLabel(tr("File &Name"), this);
    fileLabel->setBuddy(m_file);
    auto* browse = new QPushButton(tr("&Browse..."), this);
    browse->setObjectName(QStringLiteral("button1015"));
    auto* test = new QPushButton(tr("&Test"), this);
    test->setObjectName(QStringLiteral("button1072"));
    connect(browse, &QPushButton::clicked, this, &CEditEventDlg::Browse);
    connect(test, &QPushButton::clicked, this, &CEditEventDlg::Test);
    grid->addWidget(fileLabel, 0, 0);
    grid->addWidget(m_file, 0, 1, 1, 3);
    grid->addWidget(browse, 0, 4);
    grid->addWidget(test, 0, 5);

    m_daily = new QRadioButton(tr("&day"), this);
    m_daily->setObjectName(QStringLiteral("radio1074"));
    m_hourly = new QRadioButton(tr("&hour"), this);
    m_hourly->setObjectName(QStringLiteral("radio1075"));
    (record.everyHour ? m_hourly : m_daily)->setChecked(true);
    auto* once = new QHBoxLayout;
    once->addWidget(m_daily);
    once->addWidget(m_hourly);
    once->addStretch();
    auto* onceLabel = new QLabel(tr("&Run once a"), this);
    onceLabel->setBuddy(m_daily);
    grid->addWidget(onceLabel, 1, 0);
    grid->addLayout(once, 1, 1, 1, 5);

    m_start = DateField(1076, this);
    m_start->setText(FormatDateTime(record.startDate));
    m_expiry = DateField(1073, this);
    m_expiry->setText(FormatDateTime(record.expireDate));
    int row = 2;
    for (const auto& [text, edit] :
         {std::pair{tr("&First launch at"), m_start}, {tr("&Expires at"), m_expiry}}) {
        auto* label = new QLabel(text, this);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row++, 1, 1, 3);
    }

    auto* days = new QHBoxLayout;
    const QLocale locale;
    for (int bit = 0; bit < 7; ++bit) {
        // Qt counts Monday 1 ... Sunday 7.
        auto* box = new QCheckBox(locale.standaloneDayName(bit == 0 ? 7 : bit), this);
        box->setObjectName(QStringLiteral("check%1").arg(kDayIds[std::size_t(bit)]));
        box->setChecked(record.weekDayMask & (1u << bit));
        m_days[std::size_t(bit)] = box;
        days->addWidget(box);
    }
    grid->addLayout(days, row++, 0, 1, 6);

    m_exact = new QCheckBox(tr("Run &immediately"), this);
    m_exact->setObjectName(QStringLiteral("check1137"));
    m_exact->setChecked(record.exact);
    grid->addWidget(m_exact, row++, 0, 1, 6);
    auto* note = new QLabel(tr("Unless \"Run immediately\" is checked, a scheduled event waits until the "
                               "track on air is over."),
                            this);
    note->setWordWrap(true);
    grid->addWidget(note, row++, 0, 1, 6);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, row, 0, 1, 6);
    grid->setColumnStretch(1, 1);
}

bool CEditEventDlg::EditEvent(CScheduledEvent& record, WallTime now, const Context& context, QWidget* parent)
{
    CEditEventDlg dialog(record, now, context, parent);
    return dialog.exec() == QDialog::Accepted;
}

QString CEditEventDlg::DateTimeFormat()
{
    return EventTimeText::Format();
}

QString CEditEventDlg::FormatDateTime(WallTime t)
{
    return EventTimeText::FormatDateTime(t);
}

std::optional<WallTime> CEditEventDlg::ParseDateTime(const QString& text)
{
    return EventTimeText::Parse(text);
}

void CEditEventDlg::Browse()
{
    const QString current = m_file->text();
    const QString initial = !current.isEmpty() || !m_context.settings ? current
                                                                      : m_context.settings->eventDir;
    const QString chosen = m_context.browse(this, Str::Load(Str::MediaFilesFilter), initial);
    if (chosen.isEmpty())
        return;
    if (m_context.settings)
        RememberFolder(QStringLiteral("EventDir"), m_context.settings->eventDir, chosen);
    m_file->setText(QFileInfo(chosen).absoluteFilePath());
}

void CEditEventDlg::Test()
{
    if (!TakeDates() || m_file->text().isEmpty())
        return;
    new CSoundPlayerDlg(m_file->text(), this, m_context.tracks, m_context.ui);
}

std::optional<std::pair<WallTime, WallTime>> CEditEventDlg::TakeDates()
{
    std::optional<WallTime> dates[2];
    QLineEdit* fields[2] = {m_start, m_expiry};
    for (int i = 0; i < 2; ++i) {
        dates[i] = ParseDateTime(fields[i]->text());
        if (!dates[i]) {
            Tell(tr("Please enter a valid date and time (%1).").arg(DateTimeFormat()));
            fields[i]->setFocus();
            fields[i]->selectAll();
            return std::nullopt;
        }
    }
    return std::pair{*dates[0], *dates[1]};
}

void CEditEventDlg::accept()
{
    const auto dates = TakeDates();
    if (!dates)
        return;
    std::uint32_t mask = 0;
    for (int bit = 0; bit < 7; ++bit)
        if (m_days[std::size_t(bit)]->isChecked())
            mask |= 1u << bit;
    m_record.weekDayMask = mask;
    m_record.everyHour = m_hourly->isChecked();
    m_record.fileName = m_file->text();
    m_record.startDate = dates->first;
    m_record.expireDate = dates->second;
    m_record.ComputeNextRun(m_now);
    m_record.exact = m_exact->isChecked();
    QDialog::accept();
}

void CEditEventDlg::Tell(const QString& message)
{
    TellOperator(this, m_context.ui, message, UserInterface::Icon::Warning);
}
