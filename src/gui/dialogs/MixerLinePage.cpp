#include "gui/dialogs/MixerLinePage.h"

#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

CMixerLinePage::CMixerLinePage(int mixer, QWidget* parent, const Reader& read) : QWidget(parent)
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
    layout->addWidget(m_tree, 1);
    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    layout->addWidget(m_problem);
    auto* note = new QLabel(tr("Live feeds do not play yet; the line is not stored."), this);
    note->setWordWrap(true);
    note->setEnabled(false);
    layout->addWidget(note);

    const CMixerLines lines = read(mixer);
    if (lines.error != 0) {
        m_problem->setText(tr("Mixer Exception: %1 (%2)").arg(lines.error).arg(lines.errorText));
        return;
    }
    m_problem->setText(lines.card);
    for (const auto& [name, sources] :
         {std::pair{tr("Playback"), lines.playback}, {tr("Capture"), lines.capture}}) {
        auto* destination = new QTreeWidgetItem(m_tree, QStringList{name});
        for (const QString& source : sources)
            new QTreeWidgetItem(destination, QStringList{source});
        destination->setExpanded(true);
    }
}
