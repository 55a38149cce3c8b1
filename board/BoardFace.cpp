// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/BoardFace.h"

#include "companion/FontMap.h"

#include <QPainter>

namespace BoardFace {

namespace {

constexpr int kTwips = 15;
// Lefts of the ten columns and tops of the five rows, in twips.
constexpr int kColumnLeft[10] = {1815, 2670, 3525, 4365, 5220, 6060, 6915, 7770, 8610, 9465};
constexpr int kCellTop[5] = {675, 1275, 1890, 2460, 3075};
// Every label sits 255 twips above its cells.
constexpr int kLabelTop[5] = {420, 1020, 1635, 2205, 2820};
constexpr int kCellWidth = 780;
constexpr int kCellHeight = 300;
constexpr int kLabelHeight = 240;

int row(int index)
{
    return (index - 1) / 10;
}

int column(int index)
{
    return (index - 1) % 10;
}

const QColor kDigitField(128, 128, 128);
const QColor kDimSegment(140, 140, 140);

// What changes with the backlight: the panel's shade, the ticket-number
// strips (a film lit from behind) and the glow that leaks around them.
struct Lighting {
    QColor panel;
    QColor strip;
    QColor stripCentre; // the film is brightest along its middle
    QColor glow;        // alpha 0: no glow
    int glowReach;      // pixels the glow spreads beyond a strip row
    QColor heading;
};

const Lighting kLighting[3] = {
    {QColor(28, 30, 33), QColor(10, 10, 10), QColor(10, 10, 10), QColor(0, 0, 0, 0), 0,
     QColor(240, 240, 240)},
    {QColor(40, 43, 48), QColor(16, 34, 22), QColor(30, 62, 40), QColor(150, 255, 170, 30), 6,
     QColor(250, 250, 244)},
    {QColor(54, 58, 64), QColor(22, 50, 32), QColor(44, 96, 62), QColor(170, 255, 190, 46), 9,
     QColor(255, 255, 255)},
};

// Soft light around a rectangle: nested rounded outlines fading outwards.
void drawGlow(QPainter& p, const QRect& around, const QColor& colour, int reach)
{
    if (colour.alpha() == 0 || reach <= 0)
        return;
    p.setPen(Qt::NoPen);
    for (int r = reach; r >= 1; --r) {
        QColor c = colour;
        c.setAlpha(colour.alpha() * (reach - r + 1) / reach / 2 + 1);
        p.setBrush(c);
        p.drawRoundedRect(QRectF(around).adjusted(-r, -r, r, r), r + 2, r + 2);
    }
}

void drawVertical(QPainter& p, const QString& text, int centreX, int top, int pitch)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QRect box(centreX - pitch / 2, top + int(i) * pitch, pitch, pitch);
        p.drawText(box, Qt::AlignCenter, QString(text[i]));
    }
}

} // namespace

QRect CellRect(int index)
{
    if (index < 1 || index > 50)
        return {};
    return QRect(kColumnLeft[column(index)] / kTwips, kCellTop[row(index)] / kTwips,
                 kCellWidth / kTwips, kCellHeight / kTwips);
}

QRect LabelRect(int index)
{
    if (index < 1 || index > 50)
        return {};
    return QRect(kColumnLeft[column(index)] / kTwips, kLabelTop[row(index)] / kTwips,
                 kCellWidth / kTwips, kLabelHeight / kTwips);
}

QRect ChimeiRect()
{
    return QRect(480 / kTwips, 405 / kTwips, 555 / kTwips, 2940 / kTwips);
}

QImage Draw(int backlight)
{
    const Lighting& light = kLighting[qBound(0, backlight, 2)];
    // The panel reaches every edge: what lies around the board (a stream's
    // background, the margins of a full screen) meets the panel's own shade,
    // never a light frame.
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(light.panel);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // "Next" heading over the grey stop-name field.
    const QRect chimei = ChimeiRect();
    p.setPen(light.heading);
    p.setFont(FontMap::MakeFont(QStringLiteral("ＭＳ Ｐゴシック"), 15, true));
    p.drawText(QRect(chimei.left() - 6, 6, chimei.width() + 12, chimei.top() - 8), Qt::AlignCenter,
               QStringLiteral("次は"));
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(kDigitField);
    p.drawRect(chimei.adjusted(-1, -1, 0, 0));

    // Vertical "ticket number / fare" heading between the name field and the grid.
    const int headingX = (chimei.right() + CellRect(1).left()) / 2 + 1;
    p.setPen(light.heading);
    p.setFont(FontMap::MakeFont(QStringLiteral("ＭＳ Ｐゴシック"), 14, true));
    constexpr int kPitch = 19;
    const QString heading = QStringLiteral("整理券／運賃");
    drawVertical(p, heading, headingX, (kHeight - int(heading.size()) * kPitch) / 2, kPitch);

    // Lit: the light behind each row of ticket-number strips shows around it.
    for (int row = 0; row < 5; ++row) {
        const QRect first = LabelRect(10 * row + 1);
        const QRect last = LabelRect(10 * row + 10);
        const int stripBottom = CellRect(10 * row + 1).top();
        drawGlow(p, QRect(QPoint(first.left(), first.top()), QPoint(last.right(), stripBottom - 1)),
                 light.glow, light.glowReach);
    }

    // The 50 cells: the ticket-number strip over a grey digit strip with
    // its unlit segments.
    p.setRenderHint(QPainter::Antialiasing, false);
    QFont digits = FontMap::MakeFont(QStringLiteral("M_DegitA"), 15, true);
    p.setFont(digits);
    for (int k = 1; k <= 50; ++k) {
        const QRect label = LabelRect(k);
        const QRect cell = CellRect(k);
        const QRect strip(label.left(), label.top(), label.width(), cell.top() - label.top());
        QLinearGradient film(strip.topLeft(), strip.bottomLeft());
        film.setColorAt(0, light.strip);
        film.setColorAt(0.5, light.stripCentre);
        film.setColorAt(1, light.strip);
        p.fillRect(strip, film);
        p.fillRect(cell, kDigitField);
        p.setPen(kDimSegment);
        p.drawText(cell, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("8888"));
    }
    return img;
}

} // namespace BoardFace
