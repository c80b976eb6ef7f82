// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/frame/ProgramIcons.h"

#include "app/ToolList.h"
#include "gui/frame/ToolIcons.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPixmap>
#include <QStandardPaths>
#include <QTextStream>

namespace {

// The theme's picture of name, or an icon file named by a path; null when
// neither is there.
QIcon ThemeOrFile(const QString& name)
{
    if (name.isEmpty())
        return {};
    if (QFileInfo(name).isAbsolute())
        return QFileInfo(name).isFile() ? QIcon(name) : QIcon();
    return QIcon::hasThemeIcon(name) ? QIcon::fromTheme(name) : QIcon();
}

bool IsImageFile(const QString& file)
{
    const QByteArray suffix = QFileInfo(file).suffix().toLower().toLatin1();
    return !suffix.isEmpty() && (suffix == "svg" || QImageReader::supportedImageFormats().contains(suffix));
}

// A program file: an executable (also one named by a bare name on the PATH).
QString ProgramPath(const QString& file)
{
    if (!file.contains(u'/'))
        return QStandardPaths::findExecutable(file);
    const QFileInfo info(file);
    return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
}

// The program a desktop entry's Exec or TryExec starts ("env A=1 prog" starts prog).
QString EntryProgram(const QString& command)
{
    QStringList words = SplitArguments(command).value_or(QStringList());
    if (!words.isEmpty() && words.first() == QLatin1String("env")) {
        words.removeFirst();
        while (!words.isEmpty() && words.first().contains(u'='))
            words.removeFirst();
    }
    return words.isEmpty() ? QString() : words.first();
}

// Program (a name or a path) -> Icon= of the desktop entries in the XDG
// applications folders, the first entry of a program winning as the
// folders are searched in their order. Read once per set of folders.
const QHash<QString, QString>& EntryIcons()
{
    static QStringList readFrom;
    static QHash<QString, QString> icons;
    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    if (folders == readFrom)
        return icons;
    readFrom = folders;
    icons.clear();
    for (const QString& folder : folders) {
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile entry(it.next());
            if (!entry.open(QIODevice::ReadOnly))
                continue;
            QTextStream in(&entry);
            bool inGroup = false;
            QString icon;
            QStringList programs;
            while (!in.atEnd()) {
                const QString line = in.readLine().trimmed();
                if (line.startsWith(u'[')) {
                    inGroup = line == QLatin1String("[Desktop Entry]");
                    continue;
                }
                const qsizetype eq = line.indexOf(u'=');
                if (!inGroup || eq < 0)
                    continue;
                const QString key = line.left(eq).trimmed();
                const QString value = line.mid(eq + 1).trimmed();
                if (key == QLatin1String("Icon"))
                    icon = value;
                else if (key == QLatin1String("Exec") || key == QLatin1String("TryExec"))
                    programs << EntryProgram(value);
            }
            for (const QString& program : std::as_const(programs)) {
                if (!icon.isEmpty() && !program.isEmpty() && !icons.contains(program))
                    icons.insert(program, icon);
            }
        }
    }
    return icons;
}

QIcon TypeIcon(const QString& file)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
    for (const QString& name : {type.iconName(), type.genericIconName()}) {
        if (QIcon icon = ThemeOrFile(name); !icon.isNull())
            return icon;
    }
    return {};
}

QIcon Bundled(const QString& file)
{
    const QFileInfo info(file);
    if (info.isDir())
        return BundledFileIcon(BundledFile::Folder);
    if (!ProgramPath(file).isEmpty())
        return BundledFileIcon(BundledFile::Program);
    return BundledFileIcon(info.isFile() ? BundledFile::Document : BundledFile::Program);
}

QIcon ImageIcon(const QString& file, int index)
{
    if (index <= 0 && QFileInfo(file).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0)
        return QIcon(file);
    QImageReader reader(file);
    if (index > 0 && !reader.jumpToImage(index))
        return {};
    const QImage image = reader.read();
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

QIcon LookUp(const QString& file, int index)
{
    if (IsImageFile(file)) {
        if (QIcon icon = ImageIcon(file, index); !icon.isNull())
            return icon;
    }
    const QString program = ProgramPath(file);
    if (!program.isEmpty()) {
        const QString icon = DesktopEntryIcon(program);
        if (QIcon themed = ThemeOrFile(icon); !themed.isNull())
            return themed;
        if (QIcon themed = ThemeOrFile(QStringLiteral("application-x-executable")); !themed.isNull())
            return themed;
    } else if (QFileInfo::exists(file)) {
        if (QIcon typed = TypeIcon(file); !typed.isNull())
            return typed;
    }
    return Bundled(file);
}

} // namespace

QString DesktopEntryIcon(const QString& program)
{
    const QString path = ProgramPath(program);
    if (path.isEmpty())
        return {};
    const QHash<QString, QString>& icons = EntryIcons();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (auto it = icons.cbegin(); it != icons.cend(); ++it) {
        if (QFileInfo(it.key()).isAbsolute() && QFileInfo(it.key()).canonicalFilePath() == canonical)
            return it.value();
    }
    return icons.value(QFileInfo(path).fileName());
}

QIcon FileIcon(const QString& file, int index)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    // Kept until the file or the index changes; a theme change is not seen.
    static QHash<QString, QIcon> cache;
    const QString key = file + u'\n' + QString::number(index);
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.insert(key, LookUp(file, index));
    return *it;
}

int IconCount(const QString& file)
{
    if (file.isEmpty() || (!QFileInfo::exists(file) && ProgramPath(file).isEmpty()))
        return 0;
    if (IsImageFile(file)) {
        const int count = QImageReader(file).imageCount();
        if (count > 0)
            return count;
    }
    return 1;
}

QIcon ToolIcon(const CTool& tool)
{
    const QString file = tool.iconFile.isEmpty() ? tool.commandLine.trimmed() : tool.iconFile;
    return FileIcon(file, int(tool.iconNum));
}
