// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own help window: the HTML manual in a browser widget with
// back, forward, home and find, for a desktop without a web browser.
#pragma once

#include <QUrl>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;

class CHelpWindow : public QWidget
{
    Q_OBJECT

public:
    // home: the manual's first page.
    explicit CHelpWindow(const QUrl& home, QWidget* parent = nullptr);

    // Shows the manual at chapter (an anchor of the home page; empty: its
    // top) and brings the window forward.
    void ShowChapter(const QString& chapter);
    QTextBrowser* Browser() const { return m_browser; }
    // The line above the page saying that the manual is in English: the
    // display language's own text when its catalogue has one, empty for
    // English (the manual has no other language yet).
    static QString LanguageNotice();
    QLabel* NoticeLabel() const { return m_notice; }
    QLineEdit* FindEdit() const { return m_find; }
    // Finds the find field's text from the cursor on (backward: towards the
    // start), wrapping round once. False when the page does not hold it.
    bool FindNext(bool backward = false);

private:
    QUrl m_home;
    QTextBrowser* m_browser = nullptr;
    QLineEdit* m_find = nullptr;
    QLabel* m_notice = nullptr;
};
