// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/MixerLinePage.h"

#include "media/Mixer.h"
#include "media/TrackExceptions.h"

#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

CMixerLinePage::CMixerLinePage(unsigned mixer, unsigned line, const QString& captureSource, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("page2209"));
    setWindowTitle(tr("Line-In"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(
        tr("Select the mixer line on your sound card that is used for satellite feed or live events"), this);
    text->setWordWrap(true);
    layout->addWidget(text);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("tree1141"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_tree->setDragEnabled(false);
    layout->addWidget(m_tree, 1);
    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    layout->addWidget(m_problem);
    auto* sourceLabel = new QLabel(
        tr("&Capture source, for a card without loopback (empty: the line above):"), this);
    sourceLabel->setWordWrap(true);
    layout->addWidget(sourceLabel);
    m_source = new QLineEdit(captureSource, this);
    m_source->setObjectName(QStringLiteral("editLineInSource"));
    m_source->setPlaceholderText(QStringLiteral("pulsesrc device=..."));
    sourceLabel->setBuddy(m_source);
    layout->addWidget(m_source);

    CMixer device;
    QTreeWidgetItem* chosen = nullptr;
    int sources = 0;
    try {
        device.Open(mixer);
        for (unsigned d = 0; d < device.Destinations(); ++d) {
            const CMixerLineInfo destination = device.GetDestination(d);
            auto* root = new QTreeWidgetItem(m_tree, QStringList{destination.name});
            root->setData(0, Qt::UserRole, kDestination);
            for (unsigned s = 0; s < destination.connections; ++s) {
                const CMixerLineInfo source = device.GetSource(d, s);
                auto* item = new QTreeWidgetItem(root, QStringList{source.name});
                item->setData(0, Qt::UserRole, qint64(source.lineId));
                if (source.lineId == line)
                    chosen = item;
                ++sources;
            }
            root->setExpanded(true);
        }
        m_problem->setText(sources == 0 ? tr("The mixer of %1 has no lines.").arg(device.ProductName())
                                        : device.ProductName());
    } catch (const CMixerException& error) {
        m_tree->clear();
        m_problem->setText(tr("Sound device %1 has no mixer that can be opened (%2).")
                               .arg(mixer)
                               .arg(error.GetErrorMessage()));
        return;
    }
    if (chosen) {
        m_tree->setCurrentItem(chosen);
        m_tree->scrollToItem(chosen);
    }
}

unsigned CMixerLinePage::Chosen(unsigned line) const
{
    const QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || !item->isSelected())
        return line;
    const qint64 id = item->data(0, Qt::UserRole).toLongLong();
    return id == kDestination ? line : static_cast<unsigned>(id);
}

QString CMixerLinePage::Source() const
{
    return m_source->text().trimmed();
}
