// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/HelpWindow.h"

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QTextCursor>
#include <QToolBar>
#include <QVBoxLayout>

CHelpWindow::CHelpWindow(const QUrl& home, QWidget* parent) : QWidget(parent, Qt::Window), m_home(home)
{
    setWindowTitle(tr("Lirana Help"));
    setObjectName(QStringLiteral("HelpWindow"));
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true); // web links go to the desktop, if it has a browser
    m_find = new QLineEdit(this);
    m_find->setPlaceholderText(tr("Find"));
    m_find->setClearButtonEnabled(true);
    m_find->setMaximumWidth(240);

    auto* bar = new QToolBar(this);
    QAction* back = bar->addAction(QIcon::fromTheme(QStringLiteral("go-previous")), tr("&Back"), m_browser,
                                   &QTextBrowser::backward);
    back->setShortcut(QKeySequence::Back);
    QAction* forward = bar->addAction(QIcon::fromTheme(QStringLiteral("go-next")), tr("&Forward"), m_browser,
                                      &QTextBrowser::forward);
    forward->setShortcut(QKeySequence::Forward);
    QAction* homeAction = bar->addAction(QIcon::fromTheme(QStringLiteral("go-home")), tr("&Home"), m_browser,
                                         &QTextBrowser::home);
    homeAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    bar->addSeparator();
    bar->addWidget(m_find);
    QAction* next = bar->addAction(tr("Find &Next"), this, [this] { FindNext(); });
    next->setShortcuts({QKeySequence::FindNext, QKeySequence(Qt::Key_Return)});
    next->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    QAction* previous = bar->addAction(tr("Find &Previous"), this, [this] { FindNext(true); });
    previous->setShortcut(QKeySequence::FindPrevious);
    auto* find = new QAction(this);
    find->setShortcut(QKeySequence::Find);
    connect(find, &QAction::triggered, m_find, [this] {
        m_find->setFocus();
        m_find->selectAll();
    });
    addAction(find);
    auto* close = new QAction(this); // Escape closes it, as it does a dialog
    close->setShortcut(QKeySequence::Cancel);
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
    connect(m_find, &QLineEdit::returnPressed, this, [this] { FindNext(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    m_notice = new QLabel(LanguageNotice(), this);
    m_notice->setObjectName(QStringLiteral("LanguageNotice"));
    m_notice->setContentsMargins(8, 4, 8, 4);
    m_notice->setVisible(!m_notice->text().isEmpty());
    layout->addWidget(m_notice);
    layout->addWidget(m_browser);
    resize(820, 640);
    m_browser->setSource(m_home);
}

QString CHelpWindow::LanguageNotice()
{
    const char* source = QT_TR_NOOP("The manual is in English.");
    const QString text = tr(source);
    return text == QLatin1String(source) ? QString() : text;
}

void CHelpWindow::ShowChapter(const QString& chapter)
{
    QUrl url = m_home;
    url.setFragment(chapter.isEmpty() ? QString() : chapter);
    if (m_browser->source() != url)
        m_browser->setSource(url);
    if (!chapter.isEmpty())
        m_browser->scrollToAnchor(chapter);
    show();
    raise();
    activateWindow();
}

bool CHelpWindow::FindNext(bool backward)
{
    const QString text = m_find->text();
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward
                                                    : QTextDocument::FindFlags();
    if (m_browser->find(text, flags))
        return true;
    // Round once from the other end of the page.
    const QTextCursor kept = m_browser->textCursor();
    m_browser->moveCursor(backward ? QTextCursor::End : QTextCursor::Start);
    if (m_browser->find(text, flags))
        return true;
    m_browser->setTextCursor(kept);
    return false;
}
