// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/ItemIcons.h"

#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cmath>

namespace {

// Glyph families share a colour so that kinds read as groups at a glance.
QColor FamilyColour(ItemKind kind)
{
    switch (kind) {
    case ItemKind::CdAudio:
    case ItemKind::Midi:
    case ItemKind::Wave:
    case ItemKind::SunAudio:
    case ItemKind::Aiff:
    case ItemKind::MpegAudio:
    case ItemKind::Module:
    case ItemKind::RealMedia: return QColor(0x1f, 0x4e, 0x9c);
    case ItemKind::Avi:
    case ItemKind::QuickTime:
    case ItemKind::Flic:
    case ItemKind::MpegVideo: return QColor(0x2e, 0x7d, 0x32);
    case ItemKind::PauseItem:
    case ItemKind::Live: return QColor(0x8e, 0x24, 0xaa);
    case ItemKind::MiniPlaylist:
    case ItemKind::Album: return QColor(0x8d, 0x5b, 0x00);
    case ItemKind::PlayControl:
    case ItemKind::StopControl:
    case ItemKind::Command: return QColor(0xb7, 0x1c, 0x1c);
    default: return QColor(0x55, 0x55, 0x55);
    }
}

void Note(QPainter& p, const QColor& c, bool twin)
{
    p.setPen(QPen(c, 1.5));
    p.setBrush(c);
    p.drawEllipse(QRectF(2.5, 10.5, 4.5, 3.5));
    p.drawLine(QPointF(6.8, 12), QPointF(6.8, 2.5));
    if (twin) {
        p.drawEllipse(QRectF(9.5, 9, 4.5, 3.5));
        p.drawLine(QPointF(13.8, 10.5), QPointF(13.8, 1.5));
        p.drawLine(QPointF(6.8, 2.5), QPointF(13.8, 1.5));
    } else {
        p.drawLine(QPointF(6.8, 2.5), QPointF(11, 6));
    }
}

void FilmStrip(QPainter& p, const QColor& c, const QColor& back, int variant)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRect(QRectF(1, 2, 14, 12));
    p.setBrush(back);
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(2.5 + i * 3.3, 3, 1.6, 1.6));
        p.drawRect(QRectF(2.5 + i * 3.3, 11.4, 1.6, 1.6));
    }
    p.drawRect(QRectF(3, 5.5, 10, 5));
    p.setBrush(c);
    if (variant == 1) // QuickTime: a Q
        p.drawEllipse(QRectF(6, 6, 4, 4));
    else if (variant == 2) // Flic: two frames
        p.drawRect(QRectF(7.5, 5.5, 1, 5));
    else if (variant == 3) { // MPEG video: a play mark
        QPolygonF tri{QPointF(6.5, 6.2), QPointF(10.5, 8), QPointF(6.5, 9.8)};
        p.drawPolygon(tri);
    }
}

void Disc(QPainter& p, const QColor& c, const QColor& back)
{
    p.setPen(QPen(c, 1));
    p.setBrush(QColor(c.red(), c.green(), c.blue(), 90));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(back);
    p.drawEllipse(QRectF(6, 6, 4, 4));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3.5, 3.5, 9, 9), 30 * 16, 60 * 16);
}

void Keyboard(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 3.5, 13, 9));
    for (int x = 4; x < 15; x += 3)
        p.drawLine(QPointF(x + 0.5, 3.5), QPointF(x + 0.5, 12.5));
    p.setBrush(c);
    for (int x : {3, 6, 12})
        p.drawRect(QRectF(x + 0.5, 3.5, 2, 5));
}

void Wave(QPainter& p, const QColor& c, bool boxed)
{
    p.setPen(QPen(c, 1.5));
    QPainterPath path;
    path.moveTo(1, 8);
    for (int x = 1; x <= 15; ++x)
        path.lineTo(x, 8 - 5 * std::sin((x - 1) * 3.14159 / 3.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    if (boxed) {
        p.setPen(QPen(c, 1));
        p.drawRect(QRectF(0.5, 1.5, 15, 13));
    }
}

void Speaker(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 1.2));
    p.setBrush(c);
    QPolygonF body{QPointF(2, 6),    QPointF(5, 6),  QPointF(9, 2.5),
                   QPointF(9, 13.5), QPointF(5, 10), QPointF(2, 10)};
    p.drawPolygon(body);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(7, 4.5, 5, 7), -60 * 16, 120 * 16);
    p.drawArc(QRectF(7, 2, 8, 12), -60 * 16, 120 * 16);
}

void Tracker(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    for (int y = 4; y < 14; y += 3)
        p.drawLine(QPointF(3, y + 0.5), QPointF(6 + (y % 5), y + 0.5));
    p.drawLine(QPointF(8.5, 1.5), QPointF(8.5, 14.5));
    for (int y = 4; y < 14; y += 3)
        p.drawLine(QPointF(10, y + 0.5), QPointF(12 + (y % 3), y + 0.5));
}

void Document(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 1));
    p.setBrush(Qt::NoBrush);
    QPolygonF page{QPointF(3.5, 1.5), QPointF(10, 1.5), QPointF(12.5, 4), QPointF(12.5, 14.5),
                   QPointF(3.5, 14.5)};
    p.drawPolygon(page);
}

void Radio(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 1.3));
    p.setBrush(c);
    p.drawEllipse(QRectF(6.5, 9, 3, 3));
    p.drawLine(QPointF(8, 12), QPointF(8, 15));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4, 6.5, 8, 8), 30 * 16, 120 * 16);
    p.drawArc(QRectF(1.5, 3.5, 13, 13), 30 * 16, 120 * 16);
}

void PauseBars(QPainter& p, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRect(QRectF(3.5, 2.5, 3, 11));
    p.drawRect(QRectF(9.5, 2.5, 3, 11));
}

void ListLines(QPainter& p, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (int y = 2; y < 14; y += 4) {
        p.drawRect(QRectF(1.5, y + 0.5, 2.5, 2.5));
        p.drawRect(QRectF(5.5, y + 1, 9, 1.5));
    }
}

void AlbumStack(QPainter& p, const QColor& c, const QColor& back)
{
    p.setPen(QPen(c, 1));
    for (int i = 2; i >= 0; --i) {
        p.setBrush(i == 0 ? c : back);
        p.drawRect(QRectF(1.5 + i * 2, 5.5 - i * 2, 9, 9));
    }
    p.setBrush(back);
    p.drawEllipse(QRectF(4, 8, 4, 4));
}

void Microphone(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 1.3));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(5.5, 1.5, 5, 8), 2.5, 2.5);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3.5, 4, 9, 8), 180 * 16, 180 * 16);
    p.drawLine(QPointF(8, 12), QPointF(8, 14.5));
    p.drawLine(QPointF(5, 14.5), QPointF(11, 14.5));
}

void Chip(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 1));
    p.setBrush(QColor(c.red(), c.green(), c.blue(), 90));
    p.drawRect(QRectF(4.5, 4.5, 7, 7));
    for (double i = 5; i <= 10; i += 2.5) {
        p.drawLine(QPointF(i + 0.5, 1.5), QPointF(i + 0.5, 4.5));
        p.drawLine(QPointF(i + 0.5, 11.5), QPointF(i + 0.5, 14.5));
        p.drawLine(QPointF(1.5, i + 0.5), QPointF(4.5, i + 0.5));
        p.drawLine(QPointF(11.5, i + 0.5), QPointF(14.5, i + 0.5));
    }
}

void Question(QPainter& p, const QColor& c)
{
    QFont font = p.font();
    font.setPixelSize(14);
    font.setBold(true);
    p.setFont(font);
    p.setPen(c);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
}

void PlayTriangle(QPainter& p, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF{QPointF(4, 2), QPointF(13.5, 8), QPointF(4, 14)});
}

void StopSquare(QPainter& p, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRect(QRectF(3, 3, 10, 10));
}

void Gear(QPainter& p, const QColor& c, const QColor& back)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.save();
    p.translate(8, 8);
    for (int i = 0; i < 8; ++i) {
        p.drawRect(QRectF(-1.3, -7.5, 2.6, 3.5));
        p.rotate(45);
    }
    p.restore();
    p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    p.setBrush(back);
    p.drawEllipse(QRectF(6, 6, 4, 4));
}

QPixmap Paint(ItemKind kind, bool selected)
{
    QPixmap pixmap(kItemIconSize, kItemIconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor c = selected ? QColor(Qt::white) : FamilyColour(kind);
    // Holes are punched in the light colour when the row is drawn on the
    // highlight, so the glyph keeps its shape on either background.
    const QColor back = selected ? FamilyColour(kind) : QColor(Qt::white);
    switch (kind) {
    case ItemKind::CdAudio: Disc(p, c, back); break;
    case ItemKind::Midi: Keyboard(p, c); break;
    case ItemKind::Wave: Wave(p, c, false); break;
    case ItemKind::SunAudio: Speaker(p, c); break;
    case ItemKind::Aiff: Wave(p, c, true); break;
    case ItemKind::MpegAudio: Note(p, c, true); break;
    case ItemKind::Avi: FilmStrip(p, c, back, 0); break;
    case ItemKind::QuickTime: FilmStrip(p, c, back, 1); break;
    case ItemKind::Flic: FilmStrip(p, c, back, 2); break;
    case ItemKind::MpegVideo: FilmStrip(p, c, back, 3); break;
    case ItemKind::Module: Tracker(p, c); break;
    case ItemKind::RealMedia: Radio(p, c); break;
    case ItemKind::PauseItem: PauseBars(p, c); break;
    case ItemKind::MiniPlaylist: ListLines(p, c); break;
    case ItemKind::Album: AlbumStack(p, c, back); break;
    case ItemKind::Live: Microphone(p, c); break;
    case ItemKind::MciDevice: Chip(p, c); break;
    case ItemKind::PlayControl: PlayTriangle(p, c); break;
    case ItemKind::StopControl: StopSquare(p, c); break;
    case ItemKind::Command: Gear(p, c, back); break;
    case ItemKind::IconOnly11:
    case ItemKind::IconOnly19: Document(p, c); break;
    case ItemKind::Unknown:
    default: Question(p, c); break;
    }
    return pixmap;
}

} // namespace

const QPixmap& ItemIcon(ItemKind kind, bool selected)
{
    static std::array<std::array<QPixmap, 2>, kItemKindCount> cache;
    int column = static_cast<int>(kind);
    if (column < 0 || column >= kItemKindCount)
        column = static_cast<int>(ItemKind::Unknown);
    QPixmap& slot = cache[std::size_t(column)][selected ? 1 : 0];
    if (slot.isNull())
        slot = Paint(static_cast<ItemKind>(column), selected);
    return slot;
}

const QPixmap& ItemIconForPath(const QString& path, bool selected)
{
    ItemKind kind = GetItemKind(path);
    // Kinds by extension know the classic formats only; the desktop's type
    // of the extension tells audio (FLAC, Ogg, Opus, M4A...) and video.
    if (kind == ItemKind::MciDevice || kind == ItemKind::Unknown) {
        static const QMimeDatabase types;
        const QString type = types.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name();
        if (type.startsWith(QLatin1String("audio/")))
            kind = ItemKind::MpegAudio;
        else if (type.startsWith(QLatin1String("video/")))
            kind = ItemKind::MpegVideo;
    }
    return ItemIcon(kind, selected);
}
