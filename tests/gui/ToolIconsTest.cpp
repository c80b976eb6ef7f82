// The tool-bar pictures: no two buttons look alike, whether the desktop's
// icon theme supplies them or the console's own drawings stand in, and Play
// is the green button the manual speaks of.
#include "FrameFakes.h"

#include "app/Commands.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/ToolIcons.h"

#include <QToolBar>
#include <gtest/gtest.h>

namespace {

QImage Picture(const QIcon& icon)
{
    return icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Every pair of buttons with the same picture, as "id=id".
QStringList SamePictures(const QList<int>& ids, const std::function<QIcon(int)>& iconOf)
{
    QStringList same;
    for (int i = 0; i < ids.size(); ++i) {
        const QImage a = Picture(iconOf(ids[i]));
        EXPECT_FALSE(a.isNull()) << ids[i] << " has no picture";
        for (int j = i + 1; j < ids.size(); ++j) {
            if (a == Picture(iconOf(ids[j])))
                same << QStringLiteral("%1=%2").arg(ids[i]).arg(ids[j]);
        }
    }
    return same;
}

TEST(ToolIcons, NoTwoButtonsShareAPicture)
{
    ClearHive();
    const QString theme = QIcon::themeName();
    const QStringList searchPaths = QIcon::themeSearchPaths();
    // The offscreen platform looks in no icon folder: add the system's.
    QIcon::setThemeSearchPaths(searchPaths + QStringList{QStringLiteral("/usr/share/icons")});
    // A name no desktop has (the drawn pictures), then a common theme (its
    // pictures where it has them; the drawn ones when it is not installed).
    for (const QString& name : {QStringLiteral("lirana-no-such-theme"), QStringLiteral("Adwaita")}) {
        QIcon::setThemeName(name);
        CMainFrame frame{CAppContext{}};
        QList<int> ids;
        QHash<int, QIcon> shown;
        for (QToolBar* bar : {frame.MainToolBar(), frame.MediaBar()}) {
            for (QAction* action : bar->actions()) {
                if (action->isSeparator() || !action->data().isValid())
                    continue;
                ids << action->data().toInt();
                shown.insert(ids.last(), action->icon());
            }
        }
        EXPECT_EQ(ids.size(), 37) << "every command button";
        EXPECT_EQ(SamePictures(ids, [&](int id) { return shown.value(id); }), QStringList())
            << qPrintable(name);
        EXPECT_EQ(SamePictures(ids, BundledCommandIcon), QStringList()) << "drawn pictures";

        // Play is always the drawn triangle, and it is green.
        const QImage play = Picture(shown.value(Cmd::Play));
        EXPECT_EQ(play, Picture(BundledCommandIcon(Cmd::Play)));
        const QColor centre = play.pixelColor(7, 8);
        EXPECT_GT(centre.green(), 2 * centre.red());
        EXPECT_GT(centre.green(), 2 * centre.blue());
    }
    QIcon::setThemeName(theme);
    QIcon::setThemeSearchPaths(searchPaths);
}

} // namespace
