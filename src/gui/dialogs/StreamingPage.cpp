// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/StreamingPage.h"

#include "gui/dialogs/ListPage.h"
#include "gui/dialogs/StreamDialog.h"
#include "platform/registry/RegistryKey.h"

#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>

namespace {

constexpr int kRefreshMs = 1000;

enum class Light { Grey, Yellow, Green, Red };

QIcon LightIcon(Light light)
{
    static const QColor colours[] = {QColor(0x9e, 0x9e, 0x9e), QColor(0xf2, 0xc0, 0x1e),
                                     QColor(0x2e, 0xb8, 0x4b), QColor(0xd9, 0x30, 0x25)};
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.setBrush(colours[int(light)]);
    painter.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return QIcon(pixmap);
}

Light LightOf(CAirStream::State state)
{
    switch (state) {
    case CAirStream::State::OnAir: return Light::Green;
    case CAirStream::State::Connecting: return Light::Yellow;
    case CAirStream::State::Down: return Light::Red;
    }
    return Light::Grey;
}

QString ShownName(const CAirStream::Options& o)
{
    return o.name.isEmpty() ? o.mount : o.name;
}

// The stored streams; none without reading, where the settings have no
// "Streams" key (reading would make it: a sheet cancelled must leave the
// settings file as it was).
std::vector<StreamEntry> StoredStreams()
{
    const CRegistryKey app = CRegistryKey::OpenAppSubkey({});
    for (int i = 0; i < app.SubkeyCount(); ++i)
        if (app.SubkeyName(i).compare(StreamSettings::Key, Qt::CaseInsensitive) == 0)
            return StreamSettings::Load();
    return {};
}

} // namespace

CStreamingPage::CStreamingPage(UserInterface* ui, States states, QWidget* parent)
    : QWidget(parent), m_ui(ui), m_states(std::move(states)), m_edited(StoredStreams())
{
    setWindowTitle(tr("Streaming"));
    auto* note = new QLabel(tr("The air is sent to each stream's Icecast server. A light shows each "
                               "stream: green on the air, yellow connecting, red down, grey off."),
                            this);
    m_table = new QTreeWidget(this);
    m_table->setObjectName(QStringLiteral("streams"));
    m_table->setRootIsDecorated(false);
    m_table->setHeaderLabels({tr("Stream"), tr("Format"), tr("Bit rate"), tr("Server")});
    m_table->header()->setStretchLastSection(true);
    const std::vector<QPushButton*> buttons = LayOutListPage(this, note, m_table,
                                                             {{tr("&Add..."), 1301, [this] { Add(); }},
                                                              {tr("&Edit..."), 1302, [this] { Edit(); }},
                                                              {tr("&Remove"), 1303, [this] { Remove(); }}});
    m_add = buttons.front();
    connect(m_table, &QTreeWidget::itemDoubleClicked, this, [this] { Edit(); });
    Refill(0);
    connect(&m_timer, &QTimer::timeout, this, &CStreamingPage::ShowStates);
    m_timer.start(kRefreshMs);
}

void CStreamingPage::Refill(int select)
{
    m_table->clear();
    for (const StreamEntry& entry : m_edited) {
        const CAirStream::Options& o = entry.options;
        auto* item = new QTreeWidgetItem(
            m_table, {ShownName(o), CStreamDialog::CodecText(o.codec), tr("%1 kbit/s").arg(o.bitrateKbps),
                      QStringLiteral("%1:%2%3").arg(o.host).arg(o.port).arg(o.mount)});
        item->setIcon(0, LightIcon(Light::Grey));
    }
    for (int column = 0; column < m_table->columnCount() - 1; ++column)
        m_table->resizeColumnToContents(column);
    if (select >= 0 && select < m_table->topLevelItemCount())
        m_table->setCurrentItem(m_table->topLevelItem(select));
    m_add->setEnabled(int(m_edited.size()) < StreamSettings::MaxStreams);
    ShowStates();
}

void CStreamingPage::ShowStates()
{
    std::vector<std::pair<QString, CAirStream::State>> running = m_states ? m_states() : decltype(running){};
    for (int row = 0; row < m_table->topLevelItemCount(); ++row) {
        const StreamEntry& entry = m_edited[size_t(row)];
        Light light = Light::Grey;
        if (entry.enabled) {
            // Each running stream lights the first row of its name.
            const QString name = ShownName(entry.options);
            const auto found = std::ranges::find(running, name,
                                                 &std::pair<QString, CAirStream::State>::first);
            if (found != running.end()) {
                light = LightOf(found->second);
                running.erase(found);
            }
        }
        static const char* const tips[] = {QT_TR_NOOP("Off"), QT_TR_NOOP("Connecting"),
                                           QT_TR_NOOP("On the air"), QT_TR_NOOP("Down")};
        QTreeWidgetItem* item = m_table->topLevelItem(row);
        const QString tip = tr(tips[int(light)]);
        if (item->toolTip(0) != tip) {
            item->setIcon(0, LightIcon(light));
            item->setToolTip(0, tip);
        }
    }
}

bool CStreamingPage::Ask(StreamEntry& entry)
{
    CStreamDialog dialog(entry, m_ui, this);
    return dialog.exec() == QDialog::Accepted;
}

void CStreamingPage::Add()
{
    if (int(m_edited.size()) >= StreamSettings::MaxStreams)
        return;
    StreamEntry entry;
    if (!Ask(entry))
        return;
    m_edited.push_back(std::move(entry));
    m_changed = true;
    Refill(int(m_edited.size()) - 1);
}

void CStreamingPage::Edit()
{
    const int row = m_table->indexOfTopLevelItem(m_table->currentItem());
    if (row < 0)
        return;
    StreamEntry entry = m_edited[size_t(row)];
    if (!Ask(entry))
        return;
    m_edited[size_t(row)] = std::move(entry);
    m_changed = true;
    Refill(row);
}

void CStreamingPage::Remove()
{
    const int row = m_table->indexOfTopLevelItem(m_table->currentItem());
    if (row < 0)
        return;
    m_edited.erase(m_edited.begin() + row);
    m_changed = true;
    Refill(std::min(row, int(m_edited.size()) - 1));
}

bool CStreamingPage::Save() const
{
    if (m_changed)
        StreamSettings::Save(m_edited);
    return m_changed;
}
