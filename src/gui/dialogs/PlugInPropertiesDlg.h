// SPDX-License-Identifier: GPL-3.0-or-later
// CPlugInPropertiesDlg: the settings of one effect plug-in, built from its
// element's properties: a slider and a number field for a number with a
// range (ints, uints, floats, doubles; the field shows the exact value, the
// slider moves over the range in at most 1000 steps), a check box for a
// switch, a list for a choice, a line for text. Shown are the readable and
// writable properties that are not construct-only, less GstObject's name and
// parent and the filters' "qos".
//
// Every change is set on the elements at once, so on the elements of the
// item on air it is heard while the item plays. There is no undo: "Close"
// only closes. Each control is named "prop-<property>" (the slider
// "prop-<property>-slider").
// Thread: the user-interface thread (the control properties of LADSPA and
// LV2 plug-ins may be set there while the pipeline plays).
#pragma once

#include <QDialog>
#include <vector>

class QFormLayout;
typedef struct _GstElement GstElement;
typedef struct _GParamSpec GParamSpec;
typedef struct _GValue GValue;

class CPlugInPropertiesDlg : public QDialog
{
    Q_OBJECT

public:
    // elements: the instances every change is set on, the first one shown
    // (a plug-in that runs per channel has one per channel). Borrowed: they
    // outlive the dialog.
    CPlugInPropertiesDlg(const QString& name, std::vector<GstElement*> elements, QWidget* parent = nullptr);

    static bool IsShown(const GParamSpec* spec);

private:
    void AddNumber(QFormLayout* form, GParamSpec* spec);
    void AddSwitch(QFormLayout* form, GParamSpec* spec);
    void AddChoice(QFormLayout* form, GParamSpec* spec);
    void AddText(QFormLayout* form, GParamSpec* spec);
    // The first element's value of spec, in a GValue of its type.
    void Get(const GParamSpec* spec, GValue* value) const;
    void Set(const GParamSpec* spec, const GValue* value);

    std::vector<GstElement*> m_elements;
};
