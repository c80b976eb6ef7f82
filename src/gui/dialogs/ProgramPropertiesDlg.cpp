// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/ProgramPropertiesDlg.h"

#include "gui/dialogs/SelectIconDlg.h"
#include "gui/frame/ProgramIcons.h"
#include "platform/Shell.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardPaths>

namespace {

// Folders, executable files and scripts.
class ProgramFilter : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    bool all = false;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (all || !files)
            return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable() || !ScriptInterpreter(info.filePath()).isEmpty() ||
               info.suffix() == QLatin1String("desktop");
    }
};

QLineEdit* Edit(QWidget* parent, int id, int maxLength, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QStringLiteral("edit%1").arg(id));
    edit->setMaxLength(maxLength);
    return edit;
}

QPushButton* Button(QWidget* parent, int id, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QStringLiteral("button%1").arg(id));
    button->setAutoDefault(false);
    return button;
}

} // namespace

QString CProgramPropertiesDlg::AskProgramFile(QWidget* parent, const QString& filter, const QString& initial)
{
    QFileDialog dialog(parent, {}, initial, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Executables have no extension to filter by: the first filter is a
    // test of the file, so the dialog is Qt's own.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* programs = new ProgramFilter(&dialog);
    dialog.setProxyModel(programs);
    const QStringList filters = dialog.nameFilters();
    connect(&dialog, &QFileDialog::filterSelected, programs, [programs, filters](const QString& chosen) {
        programs->all = chosen != filters.value(0);
        programs->invalidate();
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

CProgramPropertiesDlg::CProgramPropertiesDlg(CTool& tool, QWidget* parent)
    : QDialog(parent), m_tool(tool), m_work(tool)
{
    setObjectName(QStringLiteral("dialog-program-properties"));
    setWindowTitle(tr("Program Properties"));
    m_description = Edit(this, 2204, 79, tool.description);
    m_file = Edit(this, 2205, 260, tool.commandLine);
    m_workDir = Edit(this, 2206, 256, tool.workDir);
    m_params = Edit(this, 2201, 260, tool.params);
    m_icon = Button(this, 2209, QString());
    m_icon->setIconSize(QSize(32, 32));
    m_icon->setFixedSize(48, 48);
    m_icon->setToolTip(tr("Change the icon"));
    m_show = new QComboBox(this);
    m_show->setObjectName(QStringLiteral("combo2222"));
    for (const char* name : CTool::kShowStateNames)
        m_show->addItem(CTool::tr(name));
    m_show->setCurrentIndex(tool.startOptions < CTool::kShowStates ? int(tool.startOptions) : -1);
    auto* browse = Button(this, 2210, tr("&Browse..."));
    auto* fileDots = Button(this, 2208, tr("..."));
    auto* dirDots = Button(this, 2207, tr("..."));
    for (QPushButton* dots : {fileDots, dirDots})
        dots->setFixedWidth(dots->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);

    auto* layout = new QGridLayout(this);
    auto label = [this, layout](int row, const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        layout->addWidget(l, row, 1);
    };
    layout->addWidget(m_icon, 0, 0, 2, 1, Qt::AlignTop);
    label(0, tr("&Description:"), m_description);
    layout->addWidget(m_description, 0, 2, 1, 2);
    label(1, tr("&File:"), m_file);
    layout->addWidget(m_file, 1, 2);
    layout->addWidget(fileDots, 1, 3);
    label(2, tr("&Start in:"), m_workDir);
    layout->addWidget(m_workDir, 2, 2);
    layout->addWidget(dirDots, 2, 3);
    label(3, tr("&Parameters:"), m_params);
    layout->addWidget(m_params, 3, 2, 1, 2);
    label(4, tr("&Start:"), m_show);
    layout->addWidget(m_show, 4, 2, 1, 2, Qt::AlignLeft);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("button1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("button2"));
    buttons->addButton(browse, QDialogButtonBox::ActionRole);
    layout->addWidget(buttons, 5, 0, 1, 4);
    layout->setColumnStretch(2, 1);

    connect(browse, &QPushButton::clicked, this, &CProgramPropertiesDlg::BrowseProgram);
    connect(fileDots, &QPushButton::clicked, this, &CProgramPropertiesDlg::BrowseProgram);
    connect(dirDots, &QPushButton::clicked, this, &CProgramPropertiesDlg::BrowseFolder);
    connect(m_icon, &QPushButton::clicked, this, &CProgramPropertiesDlg::ChooseIcon);
    connect(buttons, &QDialogButtonBox::accepted, this, &CProgramPropertiesDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_pickFolder = [](QWidget* owner, const QString& caption, const QString& start) {
        return QFileDialog::getExistingDirectory(owner, caption, start);
    };
    ShowIcon();
    resize(460, sizeHint().height());
}

bool CProgramPropertiesDlg::EditTool(CTool& tool, QWidget* parent)
{
    CProgramPropertiesDlg dialog(tool, parent);
    return dialog.exec() == QDialog::Accepted;
}

void CProgramPropertiesDlg::SetPickers(FilePicker program, FolderPicker folder)
{
    m_pickProgram = std::move(program);
    m_pickFolder = std::move(folder);
}

void CProgramPropertiesDlg::ShowIcon()
{
    m_work.commandLine = m_file->text();
    m_icon->setIcon(ToolIcon(m_work));
}

void CProgramPropertiesDlg::BrowseProgram()
{
    // Start where the current program is: a bare name is looked up on the PATH.
    const QString current = m_file->text().trimmed();
    const QString found = current.contains(u'/') ? current : QStandardPaths::findExecutable(current);
    const QString start = found.isEmpty() ? QString() : QFileInfo(found).absolutePath();
    const QString chosen = m_pickProgram(this, tr("Programs and Scripts (*);;All Files (*)"), start);
    if (chosen.isEmpty())
        return;
    m_work.TakeBrowsedFile(chosen);
    m_file->setText(m_work.commandLine);
    m_description->setText(m_work.description);
    m_params->setText(m_work.params);
    m_show->setCurrentIndex(int(m_work.startOptions));
    ShowIcon();
}

void CProgramPropertiesDlg::BrowseFolder()
{
    const QString chosen = m_pickFolder(this, tr("Select Folder"), m_workDir->text());
    if (!chosen.isEmpty())
        m_workDir->setText(chosen);
}

void CProgramPropertiesDlg::ChooseIcon()
{
    const QString file = m_work.iconFile.isEmpty() ? m_file->text().trimmed() : m_work.iconFile;
    CSelectIconDlg select(file, int(m_work.iconNum), this);
    if (select.exec() != QDialog::Accepted)
        return;
    m_work.iconFile = select.File();
    m_work.iconNum = std::uint32_t(select.Index());
    ShowIcon();
}

void CProgramPropertiesDlg::accept()
{
    m_tool.description = m_description->text();
    m_tool.commandLine = m_file->text();
    m_tool.workDir = m_workDir->text();
    m_tool.params = m_params->text();
    if (m_show->currentIndex() >= 0)
        m_tool.startOptions = std::uint32_t(m_show->currentIndex());
    m_tool.iconFile = m_work.iconFile;
    m_tool.iconNum = m_work.iconNum;
    QDialog::accept();
}
