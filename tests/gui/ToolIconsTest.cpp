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

TEST(ToolIcons, NoTwoButtonsShareAPicture)
{
    ClearHive();
    const QString theme = QIcon::themeName();
    const QStringList searchPaths = QIcon::themeSearchPaths();
    // The offscreen platform looks in no icon folder: add the system's.
    QIcon::setThemeSearchPaths(searchPaths + QStringList{QStringLiteral("/usr/share/icons")});
    // A name no desktop has (only drawn pictures), then a common theme (its
    // pictures where it has them; the drawn ones when it is not installed).
    for (const QString& name : {QStringLiteral("lirana-no-such-theme"), QStringLiteral("Adwaita")}) {
        QIcon::setThemeName(name);
        CMainFrame frame{CAppContext{}};
        QMap<int, QImage> shown;
        for (QToolBar* bar : {frame.MainToolBar(), frame.MediaBar()}) {
            for (QAction* action : bar->actions()) {
                if (!action->isSeparator() && action->data().isValid())
                    shown.insert(action->data().toInt(), Picture(action->icon()));
            }
        }
        EXPECT_EQ(shown.size(), 37) << "every command button";
        for (auto a = shown.cbegin(); a != shown.cend(); ++a) {
            EXPECT_FALSE(a->isNull()) << a.key();
            for (auto b = std::next(a); b != shown.cend(); ++b)
                EXPECT_NE(*a, *b) << a.key() << " and " << b.key() << " look alike in " << qPrintable(name);
        }
        // Play is always the drawn triangle, and it is green.
        EXPECT_EQ(shown.value(Cmd::Play), Picture(BundledCommandIcon(Cmd::Play)));
        const QColor centre = shown.value(Cmd::Play).pixelColor(7, 8);
        EXPECT_GT(centre.green(), 2 * std::max(centre.red(), centre.blue()));
    }
    QIcon::setThemeName(theme);
    QIcon::setThemeSearchPaths(searchPaths);
}

} // namespace
