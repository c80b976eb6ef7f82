// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/PropertySheet.h"

#include <QDialogButtonBox>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

CPropertySheet::CPropertySheet(const QString& caption, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(caption);
    m_tabs = new QTabWidget(this);
    // Every tab in sight: the sheet is as wide as its tabs unless a sheet
    // asks for a scrolling row.
    m_tabs->setUsesScrollButtons(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPropertySheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPropertySheet::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
}

void CPropertySheet::AddPage(QWidget* page, Apply apply)
{
    m_tabs->addTab(page, page->windowTitle());
    m_pages.push_back({page, std::move(apply), {}});
}

void CPropertySheet::AddCommitPage(QWidget* page, std::function<void()> commit)
{
    m_tabs->addTab(page, page->windowTitle());
    m_pages.push_back({page, {}, std::move(commit)});
}

void CPropertySheet::accept()
{
    for (const Page& p : m_pages) {
        if (p.apply && !p.apply()) {
            m_tabs->setCurrentWidget(p.page);
            return;
        }
    }
    for (const Page& p : m_pages)
        if (p.commit)
            p.commit();
    QDialog::accept();
}

void CPropertySheet::showEvent(QShowEvent* event)
{
    if (!m_sized && !event->spontaneous()) {
        m_sized = true;
        // A sheet with a scrolling row of tabs would open as narrow as its
        // widest page and hide the last tabs; scrolling is for a narrow screen.
        const QTabBar* bar = m_tabs->tabBar();
        int tabs = 0;
        for (int i = 0; i < bar->count(); ++i)
            tabs += bar->tabRect(i).width();
        const QMargins margins = layout()->contentsMargins();
        const int frame = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, m_tabs);
        int wanted = tabs + margins.left() + margins.right() + frame + bar->fontMetrics().averageCharWidth();
        if (const QScreen* s = screen())
            wanted = std::min(wanted, s->availableGeometry().width());
        if (width() < wanted)
            resize(wanted, height());
    }
    QDialog::showEvent(event);
}
