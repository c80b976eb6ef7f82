// SPDX-License-Identifier: GPL-3.0-or-later
// The console's controls and their resize rules: the playlist grows both
// ways, the upcoming-events list grows in width and moves down, the left
// column (the on-air boxes) takes a third of the width beyond its least,
// the folder tree fills its bottom and hides below 51 pixels; everything
// else keeps its size. Sizes are the design's dialog units at 1.5 x 1.625
// pixels per unit (400 x 191 units = 600 x 310 pixels).
#include "gui/console/LiranaView.h"

#include "app/ViewSettings.h"
#include "events/Scheduler.h"
#include "events/UpcomingEventsModel.h"
#include "gui/console/ItemKindDelegate.h"
#include "gui/console/PlaylistListBox.h"
#include "gui/dialogs/SoundPlayerDlg.h"
#include "media/CdDatabase.h"
#include "onair/OnAirEngine.h"
#include "platform/Shell.h"
#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"
#include "station/Station.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QTreeView>

namespace {

constexpr int kLeftWidth = 315;   // 210 units
constexpr int kBoxHeight = 57;    // 35 units
constexpr int kSliderWidth = 42;  // 28 units
constexpr int kSliderHeight = 89; // 55 units
constexpr int kMargin = 7;

QFont ConsoleFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(24);
    font.setWeight(QFont::Normal);
    return font;
}

QPlainTextEdit* TextBox(QWidget* parent, const QString& name)
{
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setFont(ConsoleFont());
    box->setMinimumWidth(kLeftWidth);
    box->setFixedHeight(kBoxHeight);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setFocusPolicy(Qt::ClickFocus);
    return box;
}

QSlider* VolumeSlider(QWidget* parent, const QString& name)
{
    auto* slider = new QSlider(Qt::Vertical, parent);
    slider->setObjectName(name);
    slider->setRange(0, 100); // top = full volume
    slider->setTickPosition(QSlider::TicksBothSides);
    slider->setTickInterval(10);
    slider->setPageStep(10);
    slider->setSingleStep(3);
    slider->setFixedSize(kSliderWidth, kSliderHeight);
    return slider;
}

} // namespace

CLiranaView::CLiranaView(const CAppContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_cd(std::make_unique<CCDDatabase>()), m_shell(&Shell::System())
{
    Q_ASSERT(context.playlist && context.engine);
    setAcceptDrops(true);
    BuildLayout();
    // CD rows everywhere show the names of their own disc.
    m_cd->Init();
    SetCdTitleLookup(CdTrackTitle);
    m_list->SetCdDatabase(m_cd.get());
    if (m_context.scheduler)
        SetUpcomingEvents(&m_context.scheduler->Upcoming());
    LoadSettings();
    m_idle = new QTimer(this);
    m_idle->setInterval(kIdleMs);
    connect(m_idle, &QTimer::timeout, this, &CLiranaView::RefreshIdle);
    m_idle->start();
    RefreshIdle();
}

CLiranaView::~CLiranaView()
{
    SetCdTitleLookup({});
    // Open sound windows close now, while the view is whole: each records
    // its corner in the settings (PlaySound) before they are saved.
    qDeleteAll(findChildren<CSoundPlayerDlg*>());
    SaveSettings();
}

void CLiranaView::BuildLayout()
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    row->setSpacing(kMargin);
    row->addWidget(BuildLeftColumn(), 1);

    auto* middle = new QVBoxLayout;
    middle->setSpacing(0);
    m_fadingVolume = VolumeSlider(this, QStringLiteral("fadingVolume"));
    m_fadingVolume->setEnabled(false); // moves only while the sliders are joined
    connect(m_fadingVolume, &QSlider::valueChanged, this, [this](int value) {
        if (!m_settingVolume)
            m_context.engine->OnFadingSlider(float(value) / 100.0f);
    });
    m_onAirVolume = VolumeSlider(this, QStringLiteral("onAirVolume"));
    connect(m_onAirVolume, &QSlider::valueChanged, this, [this](int value) {
        if (!m_settingVolume)
            m_context.engine->OnVolumeSlider(float(value) / 100.0f);
    });
    middle->addWidget(m_fadingVolume);
    middle->addWidget(m_onAirVolume);
    middle->addStretch(1);
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(30, 30));
    icon->setFixedSize(30, 30);
    middle->addWidget(icon);
    row->addLayout(middle);

    row->addWidget(BuildRightColumn(), 2);
}

void CLiranaView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        m_texts.Retranslate();
    QWidget::changeEvent(event);
}

QWidget* CLiranaView::BuildLeftColumn()
{
    auto* column = new QWidget(this);
    column->setMinimumWidth(kLeftWidth);
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);

    v->addWidget(m_texts.Keep(new QLabel(column), QT_TR_NOOP("Previously played")));
    m_previousBox = TextBox(column, QStringLiteral("previouslyPlayed"));
    v->addWidget(m_previousBox);

    auto* onAirRow = new QHBoxLayout;
    m_onAirLabel = m_texts.Keep(new QLabel(column), QT_TR_NOOP("On Air - now playing"));
    m_onAirLabel->setObjectName(QStringLiteral("onAirLabel"));
    m_onAirLabel->setAutoFillBackground(false);
    onAirRow->addWidget(m_onAirLabel);
    onAirRow->addStretch(1);
    m_joined = m_texts.Keep(new QCheckBox(column), QT_TR_NOOP("Joined"));
    m_joined->setLayoutDirection(Qt::RightToLeft); // text on the left
    m_joined->setEnabled(false);
    m_joined->setVisible(false); // shown while the cross fader joins the sliders
    connect(m_joined, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_settingVolume)
            m_context.engine->SetJoined(on);
    });
    onAirRow->addWidget(m_joined);
    v->addLayout(onAirRow);
    m_onAirBox = TextBox(column, QStringLiteral("onAir"));
    v->addWidget(m_onAirBox);

    auto* countRow = new QHBoxLayout;
    countRow->addWidget(m_texts.Keep(new QLabel(column), QT_TR_NOOP("Time remaining:")));
    m_countDown = new QLabel(column);
    m_countDown->setObjectName(QStringLiteral("countDown"));
    m_countDown->setAlignment(Qt::AlignCenter);
    m_countDown->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_countDown->setFont(ConsoleFont());
    m_countDown->setMinimumSize(81, 28);
    m_countDown->setAutoFillBackground(true);
    m_countDown->setBackgroundRole(QPalette::Base);
    countRow->addWidget(m_countDown);
    m_playState = new QLabel(column);
    m_playState->setObjectName(QStringLiteral("playState"));
    m_playState->setFont(ConsoleFont());
    countRow->addWidget(m_playState);
    countRow->addStretch(1);
    v->addLayout(countRow);

    v->addWidget(m_texts.Keep(new QLabel(column), QT_TR_NOOP("Coming up next")));
    m_nextBox = TextBox(column, QStringLiteral("comingUpNext"));
    v->addWidget(m_nextBox);

    m_treeHolder = new QWidget(column);
    m_treeHolder->setObjectName(QStringLiteral("treeHolder"));
    m_treeHolder->setMinimumHeight(0);
    m_treeHolder->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    v->addWidget(m_treeHolder, 1);
    BuildFolderTree(m_treeHolder);
    return column;
}

QWidget* CLiranaView::BuildRightColumn()
{
    auto* column = new QWidget(this);
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    v->addWidget(m_texts.Keep(new QLabel(column), QT_TR_NOOP("Master playlist")));
    m_list = new CPlaylistListBox(*m_context.playlist, column);
    m_list->WatchMissingFiles();
    m_list->setObjectName(QStringLiteral("masterPlaylist"));
    m_list->setMinimumSize(40, 40);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ShowListMenu(m_list->viewport()->mapToGlobal(pos)); });
    connect(m_list, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { PlayRow(index.row()); });
    connect(m_list, &CPlaylistListBox::FilesDropped, this, &CLiranaView::DropFiles);
    // Each row's loudness once measured (a loudness target set).
    if (CStation* station = m_context.station) {
        m_list->SetRowNote([station](const QString& item) {
            const std::optional<double> lufs = station->LoudnessOf(item);
            return lufs ? tr("%1 LUFS").arg(*lufs, 0, 'f', 1) : QString();
        });
        connect(station, &CStation::LoudnessMeasured, m_list, [this] { m_list->viewport()->update(); });
    }
    v->addWidget(m_list, 1);

    auto* eventsRow = new QHBoxLayout;
    m_eventsLabel = m_texts.Keep(new QLabel(column), QT_TR_NOOP("Upcoming events"));
    m_eventsLabel->setObjectName(QStringLiteral("eventsLabel"));
    eventsRow->addWidget(m_eventsLabel);
    eventsRow->addStretch(1);
    m_enableEvents = m_texts.Keep(new QCheckBox(column), QT_TR_NOOP("Enable"));
    m_enableEvents->setChecked(Settings().enableEvents);
    connect(m_enableEvents, &QCheckBox::clicked, this, [this] { emit CommandRequested(Cmd::EnableEvents); });
    eventsRow->addWidget(m_enableEvents);
    m_schedule = m_texts.Keep(new QPushButton(column), QT_TR_NOOP("Schedule..."));
    m_schedule->setObjectName(QStringLiteral("button1151"));
    m_schedule->setEnabled(m_context.scheduler != nullptr);
    connect(m_schedule, &QPushButton::clicked, this, [this] { emit CommandRequested(Cmd::Schedule); });
    eventsRow->addWidget(m_schedule);
    v->addLayout(eventsRow);

    m_events = new QListView(column);
    m_events->setObjectName(QStringLiteral("upcomingEvents"));
    m_events->setSelectionMode(QAbstractItemView::NoSelection);
    m_events->setUniformItemSizes(true);
    // Rows as the playlist draws them: the kind's icon, then the event line.
    m_events->setItemDelegate(new CItemKindDelegate(CUpcomingEventsModel::FileNameRole, m_events));
    m_events->setFixedHeight(kBoxHeight);
    m_events->setMinimumWidth(40);
    v->addWidget(m_events);
    return column;
}

void CLiranaView::BuildFolderTree(QWidget* holder)
{
    m_fileModel = new QFileSystemModel(this);
    m_fileModel->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    m_fileModel->setRootPath(QDir::rootPath());
    m_tree = new QTreeView(holder);
    m_tree->setObjectName(QStringLiteral("folderTree"));
    m_tree->setModel(m_fileModel);
    for (int column = 1; column < m_fileModel->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->setHeaderHidden(true);
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tree->setRootIsDecorated(true);
    m_tree->setDragEnabled(true);
    m_tree->setVisible(false);
    connect(m_tree, &QAbstractItemView::doubleClicked, this, [this] { AddTreeSelection(); });
    // The model reads folders in the background and adds their rows in
    // batches, above the item the tree opens at too: that item comes back
    // to the top after each, until the operator scrolls the tree or moves
    // in it.
    for (const auto rowsChanged : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_fileModel, rowsChanged, this, &CLiranaView::QueueTreeScroll);
    connect(m_fileModel, &QAbstractItemModel::layoutChanged, this, &CLiranaView::QueueTreeScroll);
    connect(m_tree->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this] { m_treeStart.clear(); });
    connect(m_tree, &QAbstractItemView::pressed, this, [this] { m_treeStart.clear(); });
    m_tree->installEventFilter(this);
    holder->installEventFilter(this);
}

void CLiranaView::SetUpcomingEvents(CUpcomingEventsModel* model)
{
    m_upcoming = model;
    m_events->setModel(model);
    if (model)
        connect(model, &CUpcomingEventsModel::StateChanged, this, [this] { UpdateEventsState(); });
    UpdateEventsState();
}

void CLiranaView::SetShell(Shell* shell)
{
    m_shell = shell ? shell : &Shell::System();
}

void CLiranaView::SetTrackFactory(TrackFactory factory)
{
    m_trackFactory = std::move(factory);
}

void CLiranaView::SetPickers(Pickers pickers)
{
    m_pickers = std::move(pickers);
}

CViewSettings& CLiranaView::Settings() const
{
    return m_context.engine->Settings();
}
