// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/SoundsPage.h"

#include "app/Strings.h"
#include "app/UserInterface.h"
#include "app/ViewSettings.h"
#include "gui/dialogs/ListPage.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "platform/registry/RegistryKey.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

const QString kListName = QStringLiteral("Sounds.ini");

} // namespace

CSoundsPage::CSoundsPage(CSoundList& live, CViewSettings& settings, QWidget* parent)
    : QWidget(parent), m_live(live), m_edited(live),
      m_settings(settings), m_pickers{AskOpenFile, AskOpenFile, AskSaveIniFile}
{
    setObjectName(QStringLiteral("page164"));
    setWindowTitle(tr("Sounds"));
    auto* text = new QLabel(tr("Associate sound files to buttons 1 to 9 in the toolbar. You can access these "
                               "sounds by pressing the numeric keys."),
                            this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("list1000"));
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    LayOutListPage(this, text, m_list,
                   {{tr("&Play"), 1016, [this] { Play(); }},
                    {tr("&Modify..."), 1015, [this] { Modify(); }},
                    {tr("&Delete"), 1019, [this] { Delete(); }},
                    {tr("&Load..."), 1017, [this] { Load(); }},
                    {tr("&Save..."), 1018, [this] { Save(); }}});
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CSoundsPage::Activated);
    Refill(0);
}

void CSoundsPage::SetTracks(CSoundPlayerDlg::TrackFactory factory, UserInterface* ui)
{
    m_tracks = std::move(factory);
    m_ui = ui;
}

void CSoundsPage::Refill(int select)
{
    m_list->clear();
    for (int i = 0; i < CSoundList::kSlots; ++i)
        m_list->addItem(m_edited.PageText(i));
    m_list->setCurrentRow(select);
}

int CSoundsPage::Current() const
{
    return m_list->currentRow();
}

void CSoundsPage::Activated(QListWidgetItem* item)
{
    m_list->setCurrentItem(item);
    if (m_edited.IsAssigned(Current()))
        Play();
    else
        Modify();
}

void CSoundsPage::Play()
{
    if (m_edited.IsAssigned(Current()))
        new CSoundPlayerDlg(m_edited.Slot(Current()), this, m_tracks, m_ui);
}

void CSoundsPage::Modify()
{
    const int slot = Current();
    if (slot < 0)
        return;
    const QString current = m_edited.Slot(slot);
    const QString chosen = m_pickers.sound(this, Str::Load(Str::MediaFilesFilter),
                                           current.isEmpty() ? m_settings.soundDir : current);
    if (chosen.isEmpty())
        return;
    RememberFolder(QStringLiteral("SoundDir"), m_settings.soundDir, chosen);
    m_edited.SetSlot(slot, QFileInfo(chosen).absoluteFilePath());
    Refill(slot);
}

void CSoundsPage::Delete()
{
    const int slot = Current();
    if (slot < 0)
        return;
    m_edited.SetSlot(slot, QString());
    Refill(slot);
}

QString CSoundsPage::AskSoundsFile(const FilePicker& picker)
{
    const QString chosen = picker(this, Str::Load(Str::SoundsFileFilter),
                                  QDir(m_settings.soundListDir).filePath(kListName));
    if (!chosen.isEmpty())
        RememberFolder(QStringLiteral("SoundListDir"), m_settings.soundListDir, chosen);
    return chosen;
}

void CSoundsPage::Load()
{
    const QString chosen = AskSoundsFile(m_pickers.openList);
    if (chosen.isEmpty())
        return;
    try {
        CIniFile ini(chosen);
        m_edited.LoadFromProfile(ini);
    } catch (const CException& error) {
        Tell(error.GetErrorMessage());
        return;
    }
    Refill(0);
}

void CSoundsPage::Save()
{
    const QString chosen = AskSoundsFile(m_pickers.saveList);
    if (chosen.isEmpty())
        return;
    try {
        CIniFile ini(chosen);
        m_edited.SaveToProfile(ini);
        ini.Flush();
    } catch (const CException& error) {
        Tell(error.GetErrorMessage());
    }
}

void CSoundsPage::Tell(const QString& message)
{
    TellOperator(this, m_ui, message, UserInterface::Icon::Stop);
}

void CSoundsPage::Apply()
{
    m_live = m_edited;
    CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    m_live.SaveToRegistry(app);
}
