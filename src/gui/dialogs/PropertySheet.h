// SPDX-License-Identifier: GPL-3.0-or-later
// CPropertySheet: a dialog of pages on tabs with OK and Cancel. OK first asks
// each page, in page order, to check and take its values; a page that
// refuses (a value out of range) is shown and the sheet stays open. Only
// when every page agreed do the pages that edit live objects (the events,
// the sounds, the plug-ins) commit, in page order. Cancel commits nothing.
// Thread: the user-interface thread.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

class QTabWidget;

class CPropertySheet : public QDialog
{
    Q_OBJECT

public:
    // apply: false keeps the sheet open on that page.
    using Apply = std::function<bool()>;

    CPropertySheet(const QString& caption, QWidget* parent = nullptr);

    // The page's tab shows its window title.
    void AddPage(QWidget* page, Apply apply);
    // A page whose OK changes live objects: run after every page agreed.
    void AddCommitPage(QWidget* page, std::function<void()> commit);
    QTabWidget* Tabs() const { return m_tabs; }

    void accept() override;

protected:
    // The first show makes the sheet wide enough for every tab, as far as
    // the screen allows.
    void showEvent(QShowEvent* event) override;

private:
    QTabWidget* m_tabs;
    bool m_sized = false;
    struct Page
    {
        QWidget* page;
        Apply apply;
        std::function<void()> commit;
    };
    std::vector<Page> m_pages;
};
