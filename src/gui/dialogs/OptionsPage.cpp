// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/OptionsPage.h"

#include "app/UserInterface.h"

#include <QAbstractSpinBox>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr double kDecimalStep = 0.5; // seconds per arrow step

// The operator's decimal separator or a point.
std::optional<double> ParseNumber(const QString& text)
{
    bool ok = false;
    double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// Without group separators: a whole number's field is read back by
// QString::toInt, which takes no "1,024".
QString Shown(double value)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 12);
}

// A number field with up and down arrows. The arrows (and the arrow keys)
// step within the spin range; the text itself is free and checked on OK,
// so a typed value out of range gets a message instead of being changed.
class CSpinEdit : public QAbstractSpinBox
{
public:
    CSpinEdit(double value, double min, double max, double step, QWidget* parent)
        : QAbstractSpinBox(parent), m_min(min), m_max(max), m_step(step)
    {
        lineEdit()->setText(Shown(value));
    }
    QLineEdit* Edit() const { return lineEdit(); }

    void stepBy(int steps) override
    {
        const double from = ParseNumber(text()).value_or(m_min);
        lineEdit()->setText(Shown(std::clamp(from + steps * m_step, m_min, m_max)));
        lineEdit()->selectAll();
    }

protected:
    StepEnabled stepEnabled() const override
    {
        const std::optional<double> value = ParseNumber(text());
        if (!value)
            return StepUpEnabled | StepDownEnabled;
        StepEnabled enabled = StepNone;
        if (*value < m_max)
            enabled |= StepUpEnabled;
        if (*value > m_min)
            enabled |= StepDownEnabled;
        return enabled;
    }

private:
    double m_min, m_max, m_step;
};

} // namespace

COptionsPage::COptionsPage(const QString& title, UserInterface* ui, QWidget* parent)
    : QWidget(parent), m_ui(ui), m_form(new QFormLayout(this))
{
    setWindowTitle(title);
}

void COptionsPage::AddNote(const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);
    m_form->addRow(label);
}

void COptionsPage::AddWidget(QWidget* widget)
{
    m_form->addRow(widget);
}

QCheckBox* COptionsPage::AddCheck(const QString& text, bool& field)
{
    auto* box = new QCheckBox(text, this);
    box->setChecked(field);
    m_form->addRow(box);
    m_stores.push_back([box, &field] { field = box->isChecked(); });
    return box;
}

bool COptionsPage::Fail(QWidget* field, const QString& message)
{
    if (m_ui)
        m_ui->ShowMessage(message, UserInterface::Icon::Warning);
    else
        QMessageBox::warning(this, windowTitle(), message);
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
    return false;
}

QLineEdit* COptionsPage::AddNumber(const QString& text, std::int32_t& field, int min, int max,
                                   std::optional<std::pair<int, int>> spin)
{
    const auto [spinMin, spinMax] = spin.value_or(std::pair{min, max});
    auto* box = new CSpinEdit(field, spinMin, spinMax, 1, this);
    QLineEdit* edit = box->Edit();
    m_form->addRow(text, box);
    m_checks.push_back([this, edit, min, max] {
        bool ok = false;
        const int value = edit->text().trimmed().toInt(&ok);
        if (ok && value >= min && value <= max)
            return true;
        return Fail(edit, tr("Please enter an integer between %1 and %2.").arg(min).arg(max));
    });
    m_stores.push_back([edit, &field] { field = edit->text().trimmed().toInt(); });
    return edit;
}

QLineEdit* COptionsPage::AddDecimal(const QString& text, double min, double max, double shown,
                                    std::function<void(double)> store)
{
    auto* box = new CSpinEdit(shown, min, max, kDecimalStep, this);
    QLineEdit* edit = box->Edit();
    m_form->addRow(text, box);
    m_checks.push_back([this, edit, min, max] {
        const std::optional<double> value = ParseNumber(edit->text());
        if (value && *value >= min && *value <= max)
            return true;
        return Fail(edit, tr("Please enter a number between %1 and %2.").arg(Shown(min), Shown(max)));
    });
    m_stores.push_back([edit, store = std::move(store)] { store(ParseNumber(edit->text()).value_or(0)); });
    return edit;
}

QLineEdit* COptionsPage::AddMilliseconds(const QString& text, std::int32_t& ms, double min, double max)
{
    // Stored with the fraction of a millisecond dropped.
    return AddDecimal(text, min, max, ms * 0.001,
                      [&ms](double seconds) { ms = std::int32_t(std::floor(seconds * 1000 + 1e-6)); });
}

QLineEdit* COptionsPage::AddSeconds(const QString& text, double& field, double min, double max)
{
    return AddDecimal(text, min, max, field, [&field](double seconds) { field = seconds; });
}

QLineEdit* COptionsPage::AddText(const QString& text, QString& field, int maxLength,
                                 std::function<QString(QWidget*, const QString&)> browse)
{
    auto* edit = new QLineEdit(field, this);
    edit->setMaxLength(maxLength);
    if (!browse) {
        m_form->addRow(text, edit);
    } else {
        auto* row = new QWidget(this);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* button = new QPushButton(tr("&Browse..."), row);
        layout->addWidget(edit, 1);
        layout->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, edit, browse] {
            const QString chosen = browse(this, edit->text());
            if (!chosen.isEmpty())
                edit->setText(chosen);
        });
        m_form->addRow(text, row);
    }
    m_stores.push_back([edit, &field] { field = edit->text(); });
    return edit;
}

void COptionsPage::AddChoice(const std::vector<QString>& choices, const std::vector<int>& values,
                             std::int32_t& field, int fallback)
{
    auto* group = new QButtonGroup(this);
    for (size_t i = 0; i < choices.size(); ++i) {
        auto* button = new QRadioButton(choices[i], this);
        button->setChecked(values[i] == field);
        group->addButton(button, int(i));
        m_form->addRow(button);
    }
    m_stores.push_back([group, values, fallback, &field] {
        const int checked = group->checkedId();
        field = checked >= 0 ? values[size_t(checked)] : fallback;
    });
}

QComboBox* COptionsPage::AddList(const QString& text, const QStringList& choices, std::int32_t& field)
{
    auto* box = new QComboBox(this);
    box->addItems(choices);
    box->setCurrentIndex(field >= 0 && field < choices.size() ? field : 0);
    m_form->addRow(text, box);
    m_stores.push_back([box, &field] { field = box->currentIndex(); });
    return box;
}

std::vector<QAbstractButton*> COptionsPage::AddFlags(const std::vector<QString>& choices,
                                                     const std::vector<bool*>& flags)
{
    auto* group = new QButtonGroup(this);
    std::vector<QAbstractButton*> buttons;
    for (size_t i = 0; i < choices.size(); ++i) {
        auto* button = new QRadioButton(choices[i], this);
        button->setChecked(*flags[i]);
        group->addButton(button, int(i));
        m_form->addRow(button);
        buttons.push_back(button);
    }
    m_stores.push_back([group, flags] {
        for (size_t i = 0; i < flags.size(); ++i)
            *flags[i] = group->checkedId() == int(i);
    });
    return buttons;
}

void COptionsPage::EnableWhile(QCheckBox* check, const std::vector<QWidget*>& widgets)
{
    EnableWhileAny({check}, widgets);
}

void COptionsPage::EnableWhileAny(const std::vector<QCheckBox*>& checks, const std::vector<QWidget*>& widgets)
{
    auto follow = [this, checks, widgets] {
        const bool on = std::ranges::any_of(checks, [](const QCheckBox* c) { return c->isChecked(); });
        for (QWidget* widget : widgets) {
            // A field with a browse button or arrows sits in a row widget of its own.
            QWidget* row = widget->parentWidget() != this ? widget->parentWidget() : widget;
            row->setEnabled(on);
        }
    };
    for (QCheckBox* check : checks)
        connect(check, &QCheckBox::toggled, this, follow);
    follow();
}

void COptionsPage::AddCheckOnOk(std::function<bool()> check)
{
    m_checks.push_back(std::move(check));
}

bool COptionsPage::Validate()
{
    for (const auto& check : m_checks)
        if (!check())
            return false;
    return true;
}

void COptionsPage::Store()
{
    for (const auto& store : m_stores)
        store();
}
