// SPDX-License-Identifier: GPL-3.0-or-later
// COptionsPage: one page of the Options or Advanced Options sheet, built
// from rows bound to fields of a copy of the console's settings. Numbers are
// typed (an edit with up and down arrows that step within a range) and
// checked on OK against their limits: a value out of range or not a number
// is told, its field gets the focus and the sheet stays open. Store writes the page's values into the
// copy; nothing reaches the live settings before the sheet's OK.
//
// Seconds shown with decimals are stored as milliseconds with the fraction
// dropped (2.5 s: 2500 ms; 0.0015 s: 1 ms) and shown back as seconds.
// Thread: the user-interface thread.
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLineEdit;
class UserInterface;

class COptionsPage : public QWidget
{
    Q_OBJECT

public:
    COptionsPage(const QString& title, UserInterface* ui, QWidget* parent = nullptr);

    // A line of text above the rows.
    void AddNote(const QString& text);
    // A widget of its own on a row (the page's child).
    void AddWidget(QWidget* widget);
    QCheckBox* AddCheck(const QString& text, bool& field);
    // Whole seconds (or any whole number) within [min, max]; the arrows
    // step within spin when it is given (else within [min, max]).
    QLineEdit* AddNumber(const QString& text, std::int32_t& field, int min, int max,
                         std::optional<std::pair<int, int>> spin = std::nullopt);
    // Seconds with decimals, kept in milliseconds, within [min, max] seconds.
    QLineEdit* AddMilliseconds(const QString& text, std::int32_t& ms, double min, double max);
    QLineEdit* AddSeconds(const QString& text, double& field, double min, double max);
    // Text of at most maxLength characters; with a browse button when
    // browse is given (it gets the current text and answers the new one,
    // empty when cancelled).
    QLineEdit* AddText(const QString& text, QString& field, int maxLength,
                       std::function<QString(QWidget*, const QString&)> browse = {});
    // One of several choices: choices[i] stores values[i]; a value no
    // choice has checks none and stores fallback.
    void AddChoice(const std::vector<QString>& choices, const std::vector<int>& values, std::int32_t& field,
                   int fallback);
    // One of several choices in a drop-down list: field is the index of
    // the chosen one (an index out of range chooses the first).
    QComboBox* AddList(const QString& text, const QStringList& choices, std::int32_t& field);
    // One choice per flag, exactly one set.
    std::vector<QAbstractButton*> AddFlags(const std::vector<QString>& choices,
                                           const std::vector<bool*>& flags);
    // widgets are enabled only while check is on.
    void EnableWhile(QCheckBox* check, const std::vector<QWidget*>& widgets);
    // widgets are enabled while any of checks is on.
    void EnableWhileAny(const std::vector<QCheckBox*>& checks, const std::vector<QWidget*>& widgets);
    // Checked on OK before Store: a message and false keep the sheet open.
    void AddCheckOnOk(std::function<bool()> check);

    // Checks every row; false after telling the first fault.
    bool Validate();
    void Store();

private:
    bool Fail(QWidget* field, const QString& message);
    QLineEdit* AddDecimal(const QString& text, double min, double max, double shown,
                          std::function<void(double)> store);

    UserInterface* m_ui;
    QFormLayout* m_form;
    std::vector<std::function<bool()>> m_checks;
    std::vector<std::function<void()>> m_stores;
};
