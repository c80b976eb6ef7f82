// SPDX-License-Identifier: GPL-3.0-or-later
// The console's own tool-bar pictures, drawn at run time on a 32 x 32 grid
// and rendered at the sizes tool bars and menus ask for. They stand in where
// the desktop's icon theme has no picture, so every one differs from every
// other: Top and Up, Bottom and Down, the three CD commands and Find each
// have a picture of their own. Play is green: the manual and About speak of
// "the green Play button".
#include "gui/frame/ToolIcons.h"

#include "app/Commands.h"
#include "gui/frame/CommandTable.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <functional>

namespace {

const QColor kInk(0x37, 0x47, 0x4f);
const QColor kGreen(0x2e, 0xa0, 0x43);
const QColor kRed(0xd3, 0x2f, 0x2f);
const QColor kBlue(0x1e, 0x63, 0xb4);
const QColor kAmber(0xe0, 0xa1, 0x1b);
const QColor kSoundBlue(0x2e, 0x6d, 0xb4);

using Picture = std::function<void(QPainter&)>;

void Fill(QPainter& p, const QColor& colour, std::initializer_list<QPointF> points)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF(points));
}

void Box(QPainter& p, const QColor& colour, const QRectF& rect)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(rect);
}

void Stroke(QPainter& p, const QColor& colour, qreal width, const QPainterPath& path)
{
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

// A green "+" centred at (x, y): the "add" mark.
void Plus(QPainter& p, qreal x, qreal y)
{
    Box(p, kGreen, QRectF(x - 6, y - 2, 12, 4));
    Box(p, kGreen, QRectF(x - 2, y - 6, 4, 12));
}

// An arrow pointing up, its tip at y = top; the vertical mirror points down.
void ArrowUp(QPainter& p, qreal top)
{
    Fill(p, kBlue, {{6, top + 10}, {16, top}, {26, top + 10}});
    Box(p, kBlue, QRectF(12.5, top + 9, 7, 26 - top - 9));
}

void Mirrored(QPainter& p, bool vertical, const Picture& draw)
{
    p.save();
    p.translate(vertical ? 0 : 32, vertical ? 32 : 0);
    p.scale(vertical ? 1 : -1, vertical ? -1 : 1);
    draw(p);
    p.restore();
}

void Page(QPainter& p)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{7, 3}, {19, 3}, {25, 9}, {25, 29}, {7, 29}}));
    p.drawPolyline(QPolygonF({{19, 3}, {19, 9}, {25, 9}}));
}

void Folder(QPainter& p)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kAmber.darker(115));
    p.drawPolygon(QPolygonF({{3, 7}, {12, 7}, {15, 10}, {28, 10}, {28, 26}, {3, 26}}));
    p.setBrush(kAmber);
    p.drawPolygon(QPolygonF({{3, 26}, {7, 14}, {31, 14}, {28, 26}}));
}

void Floppy(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(4, 4, 24, 24), 3, 3);
    Box(p, Qt::white, QRectF(9, 4, 13, 8));
    Box(p, kInk, QRectF(17, 5.5, 3, 5));
    Box(p, Qt::white, QRectF(8, 17, 16, 9));
}

void Note(QPainter& p)
{
    p.setPen(QPen(kInk, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(kInk);
    p.drawEllipse(QRectF(3, 20, 9, 7));
    p.drawLine(QPointF(11, 23), QPointF(11, 5));
    p.drawLine(QPointF(11, 5), QPointF(18, 10));
}

void Cross(QPainter& p)
{
    QPainterPath path;
    path.moveTo(8, 8);
    path.lineTo(24, 24);
    path.moveTo(24, 8);
    path.lineTo(8, 24);
    Stroke(p, kRed, 5, path);
}

void UndoArrow(QPainter& p)
{
    QPainterPath path;
    path.moveTo(10, 13);
    path.cubicTo(20, 8, 31, 14, 24, 27);
    Stroke(p, kInk, 3.5, path);
    Fill(p, kInk, {{2, 13}, {12, 5}, {12, 21}});
}

void Magnifier(QPainter& p)
{
    QPainterPath handle;
    handle.moveTo(19, 19);
    handle.lineTo(28, 28);
    Stroke(p, kInk, 5, handle);
    p.setPen(QPen(kInk, 3));
    p.setBrush(QColor(0xcf, 0xe3, 0xf7));
    p.drawEllipse(QPointF(13, 13), 8.5, 8.5);
}

void Gear(QPainter& p)
{
    p.save();
    p.translate(16, 16);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    for (int i = 0; i < 8; ++i) {
        p.drawRect(QRectF(-2.5, -14, 5, 6));
        p.rotate(45);
    }
    p.drawEllipse(QPointF(0, 0), 10, 10);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), 4, 4);
    p.restore();
}

// Faders: three tracks with their knobs, vertical for the mixer and
// horizontal for the advanced settings.
void Faders(QPainter& p, bool vertical)
{
    const qreal knobs[] = {19, 9, 14};
    for (int i = 0; i < 3; ++i) {
        const qreal line = 8 + 8 * i;
        const QRectF track = vertical ? QRectF(line - 1, 4, 2, 24) : QRectF(4, line - 1, 24, 2);
        const QRectF knob = vertical ? QRectF(line - 3.5, knobs[i] - 2.5, 7, 5)
                                     : QRectF(knobs[i] - 2.5, line - 3.5, 5, 7);
        Box(p, kInk, track);
        Box(p, kBlue, knob);
    }
}

void InfoDisc(QPainter& p, const QString& text)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(16, 16), 14, 14);
    if (text.isEmpty()) {
        Box(p, Qt::white, QRectF(14.5, 7, 3, 3.5));
        Box(p, Qt::white, QRectF(14.5, 13, 3, 12));
        return;
    }
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(20);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, text);
}

void Disc(QPainter& p)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(0xc9, 0xcf, 0xd6));
    p.drawEllipse(QPointF(14, 15), 12, 12);
    p.setBrush(QColor(0xe6, 0xe9, 0xee));
    p.drawEllipse(QPointF(14, 15), 7, 7);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(14, 15), 2.5, 2.5);
    Plus(p, 25, 25);
}

void Pencil(QPainter& p)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kAmber);
    p.drawPolygon(QPolygonF({{9, 19}, {22, 6}, {27, 11}, {14, 24}}));
    p.setBrush(QColor(0xf3, 0xd9, 0xa4));
    p.drawPolygon(QPolygonF({{9, 19}, {14, 24}, {5, 28}}));
    Box(p, kInk, QRectF(4, 29, 24, 1.5));
}

void Digit(QPainter& p, int n)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kSoundBlue);
    p.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(20);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QString::number(n));
}

Picture PictureOf(int id)
{
    using namespace Cmd;
    const auto play = [](QPainter& p) {
        p.setPen(QPen(kGreen.darker(130), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(kGreen);
        p.drawPolygon(QPolygonF({{9, 5}, {27, 16}, {9, 27}}));
    };
    const auto skip = [](QPainter& p) {
        Fill(p, kInk, {{5, 7}, {21, 16}, {5, 25}});
        Box(p, kInk, QRectF(22, 7, 4, 18));
    };
    const auto seek = [](QPainter& p) {
        Fill(p, kInk, {{3, 7}, {16, 16}, {3, 25}});
        Fill(p, kInk, {{16, 7}, {29, 16}, {16, 25}});
    };
    const auto top = [](QPainter& p) {
        Box(p, kBlue, QRectF(5, 3, 22, 3.5));
        ArrowUp(p, 9);
    };
    const auto up = [](QPainter& p) { ArrowUp(p, 4); };
    if (id >= SoundFirst && id <= SoundLast)
        return [n = id - SoundFirst + 1](QPainter& p) { Digit(p, n); };
    switch (id) {
    case FileNew: return Page;
    case FileOpen: return Folder;
    case FileSave: return Floppy;
    case AddTracks:
        return [](QPainter& p) {
            Note(p);
            Plus(p, 24, 22);
        };
    case EditClear: return Cross;
    case Undo: return UndoArrow;
    case Redo: return [](QPainter& p) { Mirrored(p, false, UndoArrow); };
    case Find: return Magnifier;
    case Options: return Gear;
    case AdvancedOptions: return [](QPainter& p) { Faders(p, false); };
    case Mixer: return [](QPainter& p) { Faders(p, true); };
    case About: return [](QPainter& p) { InfoDisc(p, {}); };
    case Help: return [](QPainter& p) { InfoDisc(p, QStringLiteral("?")); };
    case Cmd::Play: return play;
    case Cmd::Pause:
        return [](QPainter& p) {
            Box(p, kInk, QRectF(8, 6, 6, 20));
            Box(p, kInk, QRectF(18, 6, 6, 20));
        };
    case Cmd::Stop: return [](QPainter& p) { Box(p, kRed, QRectF(7, 7, 18, 18)); };
    case Cmd::NextTrack: return skip;
    case Cmd::PrevTrack: return [skip](QPainter& p) { Mirrored(p, false, skip); };
    case Cmd::FastForward: return seek;
    case Cmd::Rewind: return [seek](QPainter& p) { Mirrored(p, false, seek); };
    case Cmd::Break: // stop after this track: play, then stop
        return [](QPainter& p) {
            Fill(p, kInk, {{3, 8}, {15, 16}, {3, 24}});
            Box(p, kRed, QRectF(18, 10, 11, 12));
        };
    case OpenCd: // eject
        return [](QPainter& p) {
            Fill(p, kInk, {{5, 18}, {16, 6}, {27, 18}});
            Box(p, kInk, QRectF(5, 21, 22, 4));
        };
    case CloseCd: // load: the tray goes in
        return [](QPainter& p) {
            Box(p, kInk, QRectF(5, 7, 22, 4));
            Fill(p, kInk, {{5, 14}, {27, 14}, {16, 26}});
        };
    case AddCdTracks: return Disc;
    case Rename: return Pencil;
    case MoveTop: return top;
    case MoveUp: return up;
    case MoveDown: return [up](QPainter& p) { Mirrored(p, true, up); };
    case MoveBottom: return [top](QPainter& p) { Mirrored(p, true, top); };
    default: return {};
    }
}

QIcon Render(const Picture& draw)
{
    if (!draw || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 32.0, size / 32.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// A program: a window with a blue title bar and a prompt in it.
void ProgramWindow(QPainter& p)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(3, 5, 26, 22), 2, 2);
    Box(p, kBlue, QRectF(3.75, 5.75, 24.5, 5));
    QPainterPath prompt;
    prompt.moveTo(8, 15);
    prompt.lineTo(12, 18.5);
    prompt.lineTo(8, 22);
    prompt.moveTo(14, 22);
    prompt.lineTo(21, 22);
    Stroke(p, kInk, 2, prompt);
}

} // namespace

QIcon BundledCommandIcon(int id)
{
    return Render(PictureOf(id));
}

QIcon BundledFileIcon(BundledFile kind)
{
    switch (kind) {
    case BundledFile::Program: return Render(ProgramWindow);
    case BundledFile::Folder: return Render(Folder);
    case BundledFile::Document: return Render(Page);
    }
    return {};
}
