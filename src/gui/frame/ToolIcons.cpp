#include "gui/frame/ToolIcons.h"

#include "app/Commands.h"
#include "gui/frame/CommandTable.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace {

QIcon Glyph(const QString& text, const QColor& color)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(text.size() > 1 ? 13 : 20);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, text);
    return QIcon(pixmap);
}

} // namespace

QIcon CommandIcon(int id)
{
    using namespace FrameCmd;
    static const QHash<int, QStyle::StandardPixmap> standard = {
        {FileNew, QStyle::SP_FileIcon},          {FileOpen, QStyle::SP_DialogOpenButton},
        {FileSave, QStyle::SP_DialogSaveButton}, {Cmd::Play, QStyle::SP_MediaPlay},
        {Cmd::Pause, QStyle::SP_MediaPause},     {Cmd::Stop, QStyle::SP_MediaStop},
        {Cmd::PrevTrack, QStyle::SP_MediaSkipBackward}, {Cmd::NextTrack, QStyle::SP_MediaSkipForward},
        {Cmd::Rewind, QStyle::SP_MediaSeekBackward},    {Cmd::FastForward, QStyle::SP_MediaSeekForward},
        {MoveTop, QStyle::SP_ArrowUp},           {MoveBottom, QStyle::SP_ArrowDown},
        {MoveUp, QStyle::SP_ArrowUp},            {MoveDown, QStyle::SP_ArrowDown},
        {About, QStyle::SP_MessageBoxInformation}, {Help, QStyle::SP_DialogHelpButton},
        {EditClear, QStyle::SP_TrashIcon},       {OpenCd, QStyle::SP_DriveCDIcon},
        {CloseCd, QStyle::SP_DriveCDIcon},       {AddCdTracks, QStyle::SP_DriveCDIcon},
        {Mixer, QStyle::SP_MediaVolume},         {Undo, QStyle::SP_ArrowBack},
        {Redo, QStyle::SP_ArrowForward},
    };
    static const QHash<int, QString> letters = {
        {AddTracks, QStringLiteral("+")},  {Find, QStringLiteral("?")},
        {Options, QStringLiteral("O")},    {AdvancedOptions, QStringLiteral("A")},
        {Cmd::Break, QStringLiteral("B")}, {Rename, QStringLiteral("Ab")},
    };
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        if (const auto it = standard.find(id); it != standard.end())
            return QApplication::style()->standardIcon(*it);
    }
    if (id >= SoundFirst && id <= SoundLast)
        return Glyph(QString::number(id - SoundFirst + 1), QColor(0x2e, 0x6d, 0xb4));
    if (const auto it = letters.find(id); it != letters.end())
        return Glyph(*it, QColor(0x55, 0x5f, 0x6b));
    return {};
}
