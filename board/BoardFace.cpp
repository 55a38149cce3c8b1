// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/BoardFace.h"

#include "board/FontMap.h"

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

const QColor kFrame(250, 250, 247);
const QColor kPanel(28, 30, 33);
const QColor kStrip(10, 10, 10);
const QColor kDigitField(128, 128, 128);
const QColor kDimSegment(140, 140, 140);
const QColor kHeading(240, 240, 240);

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

QImage Draw()
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(kFrame);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Dark panel inside the white frame.
    p.setPen(Qt::NoPen);
    p.setBrush(kPanel);
    p.drawRoundedRect(QRectF(4, 4, kWidth - 8, kHeight - 8), 6, 6);

    // "Next" heading over the grey stop-name field.
    const QRect chimei = ChimeiRect();
    p.setPen(kHeading);
    p.setFont(FontMap::MakeFont(QStringLiteral("ＭＳ Ｐゴシック"), 15, true));
    p.drawText(QRect(chimei.left() - 6, 6, chimei.width() + 12, chimei.top() - 8), Qt::AlignCenter,
               QStringLiteral("次は"));
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(kDigitField);
    p.drawRect(chimei.adjusted(-1, -1, 0, 0));

    // Vertical "ticket number / fare" heading between the name field and the grid.
    const int headingX = (chimei.right() + CellRect(1).left()) / 2 + 1;
    p.setPen(kHeading);
    p.setFont(FontMap::MakeFont(QStringLiteral("ＭＳ Ｐゴシック"), 14, true));
    constexpr int kPitch = 19;
    const QString heading = QStringLiteral("整理券／運賃");
    drawVertical(p, heading, headingX, (kHeight - int(heading.size()) * kPitch) / 2, kPitch);

    // The 50 cells: black ticket-number strip over a grey digit strip with
    // its unlit segments.
    p.setRenderHint(QPainter::Antialiasing, false);
    QFont digits = FontMap::MakeFont(QStringLiteral("M_DegitA"), 15, true);
    p.setFont(digits);
    for (int k = 1; k <= 50; ++k) {
        const QRect label = LabelRect(k);
        const QRect cell = CellRect(k);
        p.fillRect(label.left(), label.top(), label.width(), cell.top() - label.top(), kStrip);
        p.fillRect(cell, kDigitField);
        p.setPen(kDimSegment);
        p.drawText(cell, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("8888"));
    }
    return img;
}

} // namespace BoardFace
