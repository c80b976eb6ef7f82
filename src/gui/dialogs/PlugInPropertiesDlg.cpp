// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/PlugInPropertiesDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <gst/gst.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

constexpr int kSliderSteps = 1000;

struct NumberRange
{
    double min;
    double max;
    bool integral;
};

std::optional<NumberRange> RangeOf(GParamSpec* spec)
{
    switch (spec->value_type) {
    case G_TYPE_INT:
        return NumberRange{double(G_PARAM_SPEC_INT(spec)->minimum), double(G_PARAM_SPEC_INT(spec)->maximum),
                           true};
    case G_TYPE_UINT:
        return NumberRange{double(G_PARAM_SPEC_UINT(spec)->minimum), double(G_PARAM_SPEC_UINT(spec)->maximum),
                           true};
    case G_TYPE_FLOAT:
        return NumberRange{double(G_PARAM_SPEC_FLOAT(spec)->minimum),
                           double(G_PARAM_SPEC_FLOAT(spec)->maximum), false};
    case G_TYPE_DOUBLE:
        return NumberRange{G_PARAM_SPEC_DOUBLE(spec)->minimum, G_PARAM_SPEC_DOUBLE(spec)->maximum, false};
    default: return std::nullopt;
    }
}

// What the operator reads: the property's nick, or its description where
// the nick only repeats the name (LADSPA and LV2 plug-ins: "amps-gain" has
// the description "Amps gain (dB)").
QString Label(GParamSpec* spec)
{
    const char* nick = g_param_spec_get_nick(spec);
    const char* blurb = g_param_spec_get_blurb(spec);
    if (blurb && *blurb && std::strcmp(nick, g_param_spec_get_name(spec)) == 0 && std::strlen(blurb) < 60)
        return QString::fromUtf8(blurb);
    return QString::fromUtf8(nick);
}

double ToDouble(const GValue* value)
{
    GValue number = G_VALUE_INIT;
    g_value_init(&number, G_TYPE_DOUBLE);
    g_value_transform(value, &number);
    const double result = g_value_get_double(&number);
    g_value_unset(&number);
    return result;
}

// The shortest text that reads back as the same value of its own type.
QString NumberText(const GValue* value)
{
    char text[64];
    std::to_chars_result end{};
    switch (G_VALUE_TYPE(value)) {
    case G_TYPE_FLOAT: end = std::to_chars(text, text + sizeof text, g_value_get_float(value)); break;
    case G_TYPE_DOUBLE: end = std::to_chars(text, text + sizeof text, g_value_get_double(value)); break;
    default: return QString::number(qint64(ToDouble(value)));
    }
    return QString::fromLatin1(text, end.ptr - text);
}

std::optional<double> ParseNumber(const QString& text)
{
    bool ok = false;
    double number = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        number = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || std::isnan(number))
        return std::nullopt;
    return number;
}

QString ControlName(const GParamSpec* spec)
{
    return QStringLiteral("prop-") + QString::fromUtf8(spec->name);
}

} // namespace

CPlugInPropertiesDlg::CPlugInPropertiesDlg(const QString& name, std::vector<GstElement*> elements,
                                           QWidget* parent)
    : QDialog(parent), m_elements(std::move(elements))
{
    setObjectName(QStringLiteral("dialog-plugin-properties"));
    setWindowTitle(name);
    auto* fields = new QWidget;
    auto* form = new QFormLayout(fields);
    guint count = 0;
    GParamSpec** specs = m_elements.empty()
                             ? nullptr
                             : g_object_class_list_properties(G_OBJECT_GET_CLASS(m_elements.front()), &count);
    for (guint i = 0; i < count; ++i) {
        GParamSpec* spec = specs[i];
        if (!IsShown(spec))
            continue;
        if (RangeOf(spec))
            AddNumber(form, spec);
        else if (spec->value_type == G_TYPE_BOOLEAN)
            AddSwitch(form, spec);
        else if (G_IS_PARAM_SPEC_ENUM(spec))
            AddChoice(form, spec);
        else if (spec->value_type == G_TYPE_STRING)
            AddText(form, spec);
    }
    g_free(specs);
    if (form->rowCount() == 0)
        form->addRow(new QLabel(tr("This plug-in has no settings.")));
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(fields);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("button2"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addWidget(buttons);
    resize(std::max(sizeHint().width(), 420), std::min(fields->sizeHint().height() + 80, 480));
}

bool CPlugInPropertiesDlg::IsShown(const GParamSpec* spec)
{
    const GParamFlags flags = spec->flags;
    return (flags & G_PARAM_READABLE) && (flags & G_PARAM_WRITABLE) && !(flags & G_PARAM_CONSTRUCT_ONLY) &&
           spec->owner_type != GST_TYPE_OBJECT && g_strcmp0(spec->name, "qos") != 0;
}

void CPlugInPropertiesDlg::Get(const GParamSpec* spec, GValue* value) const
{
    g_value_init(value, spec->value_type);
    g_object_get_property(G_OBJECT(m_elements.front()), spec->name, value);
}

void CPlugInPropertiesDlg::Set(const GParamSpec* spec, const GValue* value)
{
    for (GstElement* element : m_elements)
        g_object_set_property(G_OBJECT(element), spec->name, value);
}

void CPlugInPropertiesDlg::AddNumber(QFormLayout* form, GParamSpec* spec)
{
    const NumberRange range = *RangeOf(spec);
    const double span = range.max - range.min;
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    QSlider* slider = nullptr;
    int steps = 0;
    if (std::isfinite(span) && span > 0) {
        steps = range.integral ? int(std::min<double>(span, kSliderSteps)) : kSliderSteps;
        slider = new QSlider(Qt::Horizontal, row);
        slider->setObjectName(ControlName(spec) + QStringLiteral("-slider"));
        slider->setRange(0, steps);
        line->addWidget(slider, 1);
    }
    auto* field = new QLineEdit(row);
    field->setObjectName(ControlName(spec));
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("-0.000000000e+000")));
    line->addWidget(field);

    // Shows the element's value (read back, as the element keeps it).
    auto show = [this, spec, range, span, steps, slider, field](bool moveSlider) {
        GValue value = G_VALUE_INIT;
        Get(spec, &value);
        field->setText(NumberText(&value));
        if (slider && moveSlider) {
            const QSignalBlocker quiet(slider);
            slider->setValue(int(std::lround((ToDouble(&value) - range.min) / span * steps)));
        }
        g_value_unset(&value);
    };
    auto put = [this, spec, range, show](double number, bool moveSlider) {
        number = std::clamp(number, range.min, range.max);
        if (range.integral)
            number = std::round(number);
        GValue given = G_VALUE_INIT;
        GValue value = G_VALUE_INIT;
        g_value_init(&given, G_TYPE_DOUBLE);
        g_value_set_double(&given, number);
        g_value_init(&value, spec->value_type);
        g_value_transform(&given, &value);
        Set(spec, &value);
        g_value_unset(&given);
        g_value_unset(&value);
        show(moveSlider);
    };
    if (slider)
        connect(slider, &QSlider::valueChanged, this, [range, span, steps, put](int position) {
            put(position == steps ? range.max : range.min + span * position / steps, false);
        });
    connect(field, &QLineEdit::editingFinished, this, [field, put, show] {
        if (const auto number = ParseNumber(field->text()))
            put(*number, true);
        else
            show(true);
    });
    show(true);
    form->addRow(Label(spec), row);
    row->setToolTip(QString::fromUtf8(g_param_spec_get_blurb(spec)));
}

void CPlugInPropertiesDlg::AddSwitch(QFormLayout* form, GParamSpec* spec)
{
    auto* box = new QCheckBox(Label(spec), this);
    box->setObjectName(ControlName(spec));
    GValue value = G_VALUE_INIT;
    Get(spec, &value);
    box->setChecked(g_value_get_boolean(&value));
    g_value_unset(&value);
    connect(box, &QCheckBox::toggled, this, [this, spec](bool on) {
        GValue given = G_VALUE_INIT;
        g_value_init(&given, G_TYPE_BOOLEAN);
        g_value_set_boolean(&given, on);
        Set(spec, &given);
        g_value_unset(&given);
    });
    form->addRow(box);
    box->setToolTip(QString::fromUtf8(g_param_spec_get_blurb(spec)));
}

void CPlugInPropertiesDlg::AddChoice(QFormLayout* form, GParamSpec* spec)
{
    auto* box = new QComboBox(this);
    box->setObjectName(ControlName(spec));
    const GEnumClass* choices = G_PARAM_SPEC_ENUM(spec)->enum_class;
    for (guint i = 0; i < choices->n_values; ++i)
        box->addItem(QString::fromUtf8(choices->values[i].value_name), choices->values[i].value);
    GValue value = G_VALUE_INIT;
    Get(spec, &value);
    box->setCurrentIndex(box->findData(g_value_get_enum(&value)));
    g_value_unset(&value);
    connect(box, &QComboBox::currentIndexChanged, this, [this, spec, box](int index) {
        GValue given = G_VALUE_INIT;
        g_value_init(&given, spec->value_type);
        g_value_set_enum(&given, box->itemData(index).toInt());
        Set(spec, &given);
        g_value_unset(&given);
    });
    form->addRow(Label(spec), box);
    box->setToolTip(QString::fromUtf8(g_param_spec_get_blurb(spec)));
}

void CPlugInPropertiesDlg::AddText(QFormLayout* form, GParamSpec* spec)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(ControlName(spec));
    GValue value = G_VALUE_INIT;
    Get(spec, &value);
    edit->setText(QString::fromUtf8(g_value_get_string(&value)));
    g_value_unset(&value);
    connect(edit, &QLineEdit::editingFinished, this, [this, spec, edit] {
        GValue given = G_VALUE_INIT;
        g_value_init(&given, G_TYPE_STRING);
        g_value_set_string(&given, edit->text().toUtf8().constData());
        Set(spec, &given);
        g_value_unset(&given);
    });
    form->addRow(Label(spec), edit);
    edit->setToolTip(QString::fromUtf8(g_param_spec_get_blurb(spec)));
}
