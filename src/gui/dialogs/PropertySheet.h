// CPropertySheet: a dialog of pages on tabs with OK and Cancel. OK asks each
// page to apply its copy, in page order; a page that refuses (a value out of
// range) is shown and the sheet stays open. Cancel applies nothing.
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
    QTabWidget* Tabs() const { return m_tabs; }

    void accept() override;

private:
    QTabWidget* m_tabs;
    std::vector<std::pair<QWidget*, Apply>> m_pages;
};
