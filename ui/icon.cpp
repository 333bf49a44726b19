#include "ui/common.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <initializer_list>

namespace tapwright::ui {

namespace {

// Drawn on a 16 × 16 grid and scaled by a whole number, so that every edge
// falls on a pixel boundary at 16, 32, 48 and 64 pixels: no blur at 16.
constexpr int Grid = 16;

const QColor BodyEdge(0x17, 0x20, 0x2c);
const QColor BodyTop(0x56, 0x6b, 0x88);
const QColor BodyBottom(0x2c, 0x3a, 0x4e);
const QColor ScreenLit(0xd8, 0xee, 0xc6);
const QColor Ink(0x1e, 0x3a, 0x22);
const QColor KeyCap(0xcf, 0xd8, 0xe3);
const QColor Pressed(0xff, 0x8a, 0x10);

/// The key shown being pressed: the middle of the second row.
constexpr int PressedRow = 1;
constexpr int PressedColumn = 1;

QRectF keyRect(int row, int column)
{
    return QRectF(4 + 3 * column, 8 + 2 * row, 2, 1);
}

/// Two katakana-like marks and a cursor; at 16 px two marks of whole pixels,
/// which still read as text where strokes would blur to grey.
void drawScreenText(QPainter &p, int size)
{
    if (size <= Grid) {
        p.setPen(Qt::NoPen);
        p.setBrush(Ink);
        for (const QRect &dot :
             {QRect(5, 3, 2, 1), QRect(6, 4, 1, 1), QRect(9, 3, 1, 2), QRect(8, 4, 1, 1)})
            p.drawRect(dot);
        return;
    }
    const qreal pixel = qreal(Grid) / size;
    QPen pen(Ink, qMax(pixel, 0.34), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    // A glyph cell is 1.6 × 2 grid units, its top left at (x, 3).
    auto glyph = [&](qreal x, std::initializer_list<std::initializer_list<QPointF>> strokes) {
        for (const auto &stroke : strokes) {
            QPainterPath path;
            bool first = true;
            for (const QPointF &q : stroke) {
                const QPointF at(x + q.x() * 1.6, 3 + q.y() * 2);
                if (first)
                    path.moveTo(at);
                else
                    path.lineTo(at);
                first = false;
            }
            p.drawPath(path);
        }
    };
    // Like ア: a top bar turning down, and a stem sweeping left.
    glyph(4.9, {{{0, 0.12}, {1, 0.12}, {0.72, 0.45}}, {{0.5, 0.35}, {0.5, 0.6}, {0.15, 0.95}}});
    // Like イ: a slash and an upright.
    glyph(7.0, {{{0.95, 0.05}, {0.05, 0.6}}, {{0.6, 0.35}, {0.6, 0.98}}});
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawRect(QRectF(9.9, 3, 0.9, 2));
}

} // namespace

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(qreal(size) / Grid, qreal(size) / Grid);
    const qreal pixel = qreal(Grid) / size;
    // One pixel at 16 and 32, thicker beyond, so the outline keeps its weight.
    const qreal edge = qMax(1.0, size / 32.0) * pixel;

    // Body: the edge colour below, the gradient inset on top of it.
    const QRectF body(2, 0, 12, 16);
    p.setPen(Qt::NoPen);
    p.setBrush(BodyEdge);
    p.drawRoundedRect(body, 2, 2);
    QLinearGradient shade(0, 0, 0, Grid);
    shade.setColorAt(0, BodyTop);
    shade.setColorAt(1, BodyBottom);
    p.setBrush(shade);
    p.drawRoundedRect(body.adjusted(edge, edge, -edge, -edge), 2 - edge, 2 - edge);

    const QRectF screen(4, 2, 8, 4);
    if (size > Grid) {
        p.setBrush(BodyEdge);
        p.drawRoundedRect(screen.adjusted(-pixel, -pixel, pixel, pixel), 0.5, 0.5);
    }
    p.setBrush(ScreenLit);
    p.drawRect(screen);
    drawScreenText(p, size);

    // Keys, one glowing as if pressed; the glow needs room the 16 px grid lacks.
    p.setPen(Qt::NoPen);
    const qreal round = size > Grid ? 0.35 : 0;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            const bool down = row == PressedRow && column == PressedColumn;
            const QRectF key = keyRect(row, column);
            if (down && size > Grid) {
                QColor glow = Pressed;
                glow.setAlphaF(0.45f);
                p.setBrush(glow);
                p.drawRoundedRect(key.adjusted(-0.5, -0.5, 0.5, 0.5), 0.6, 0.6);
            }
            p.setBrush(down ? Pressed : KeyCap);
            // Pressed in: a pixel lower than its neighbours.
            p.drawRoundedRect(down && size > Grid ? key.translated(0, pixel) : key, round, round);
        }
    }
    return pixmap;
}

QIcon appIcon()
{
    // Never freed: pixmaps must not outlive the application object, and a
    // static one would be destroyed after it.
    static const QIcon *icon = [] {
        auto *drawn = new QIcon;
        for (int size : {16, 32, 48, 64})
            drawn->addPixmap(drawIcon(size));
        return drawn;
    }();
    return *icon;
}

} // namespace tapwright::ui
