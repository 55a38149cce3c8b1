// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/ChimeiGlyph.h"

#include "companion/FontMap.h"

#include <QFontMetrics>
#include <QPainter>

#include <bit>
#include <optional>

namespace chimei {

namespace {

constexpr int kPixelSize = 16; // the 12-point faces on the 96-dpi grid

// The move of 。 and 、 to the upper right is measured from where a Japanese
// face normally prints them: ink from column 1, down to row 14 (the mincho
// face does exactly that). The gothic face prints them higher and further
// right, where the same move would push them out of the cell, so the move
// starts from the mark's ink rather than its text cell.
constexpr int kMarkLeft = 1;
constexpr int kMarkBottom = 14;

// Small kana go to the upper right with a one-dot margin, as the marks do.
constexpr int kUpperRightRight = 14;
constexpr int kUpperRightTop = 1;

QString faceName(Face face)
{
    return face == Face::Mincho ? QStringLiteral("ＭＳ 明朝") : QStringLiteral("ＭＳ ゴシック");
}

// Whether the engine draws this face bolder when asked. Fixed-width faces get
// no synthetic bold from FreeType, so the answer differs between our faces;
// it is found once by printing a dense kanji both ways.
bool engineEmboldens(Face face)
{
    static std::optional<bool> known[2];
    std::optional<bool>& k = known[face == Face::Mincho ? 1 : 0];
    if (!k) {
        const QString probe = QStringLiteral("国");
        const QImage regular =
            RenderScratch(probe, {FontMap::MakeFont(faceName(face), kPixelSize, false)}, {});
        const QImage bold =
            RenderScratch(probe, {FontMap::MakeFont(faceName(face), kPixelSize, true)}, {});
        k = regular != bold;
    }
    return *k;
}

} // namespace

int DotGrid::count() const
{
    int n = 0;
    for (quint16 r : rows)
        n += std::popcount(r);
    return n;
}

DotGrid DotGrid::transposed() const
{
    DotGrid t;
    for (int row = 0; row < kScratchSize; ++row)
        for (int col = 0; col < kScratchSize; ++col)
            if (at(col, row))
                t.set(row, col);
    return t;
}

DotGrid DotGrid::turnedClockwise() const
{
    DotGrid t;
    for (int row = 0; row < kScratchSize; ++row)
        for (int col = 0; col < kScratchSize; ++col)
            if (at(col, row))
                t.set(kScratchSize - 1 - row, col);
    return t;
}

DotGrid DotGrid::shifted(int dx, int dy) const
{
    DotGrid t;
    for (int row = 0; row < kScratchSize; ++row) {
        for (int col = 0; col < kScratchSize; ++col) {
            const int c = col + dx;
            const int r = row + dy;
            if (at(col, row) && c >= 0 && c < kScratchSize && r >= 0 && r < kScratchSize)
                t.set(c, r);
        }
    }
    return t;
}

QRect DotGrid::inkBounds() const
{
    QRect r;
    for (int row = 0; row < kScratchSize; ++row)
        for (int col = 0; col < kScratchSize; ++col)
            if (at(col, row))
                r |= QRect(col, row, 1, 1);
    return r;
}

ScratchFont MakeScratchFont(Face face, bool bold)
{
    if (bold && !engineEmboldens(face))
        return {FontMap::MakeFont(faceName(face), kPixelSize, false), true};
    return {FontMap::MakeFont(faceName(face), kPixelSize, bold), false};
}

QImage RenderScratch(const QString& text, const ScratchFont& font, QPoint position)
{
    QImage scratch(kScratchSize, kScratchSize, QImage::Format_RGB32);
    scratch.fill(Qt::white);
    if (text.isEmpty())
        return scratch;
    QPainter p(&scratch);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(font.font);
    p.setPen(Qt::black);
    // The text position names the top of the text cell; QPainter wants the baseline.
    const int baseline = position.y() + QFontMetrics(font.font).ascent();
    p.drawText(position.x(), baseline, text);
    if (font.overstrike)
        p.drawText(position.x() + 1, baseline, text);
    return scratch;
}

DotGrid ScratchDots(const QImage& scratch)
{
    DotGrid g;
    const QImage img = scratch.format() == QImage::Format_RGB32
                           ? scratch
                           : scratch.convertToFormat(QImage::Format_RGB32);
    const int h = qMin(img.height(), kScratchSize);
    const int w = qMin(img.width(), kScratchSize);
    for (int row = 0; row < h; ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(row));
        for (int col = 0; col < w; ++col)
            if ((line[col] & 0x00FFFFFFu) == 0) // exactly black; grey is not a dot
                g.set(col, row);
    }
    return g;
}

Glyph MakeGlyph(const QByteArray& unit, qint16 fontMode, bool bold)
{
    Glyph g;
    if (unit.isEmpty())
        return g;
    const Treatment t = TreatUnit(unit, fontMode);
    g.transposed = t.transposed;
    g.face = ChooseFace(fontMode, UnitCode(t.unit));
    const ScratchFont font = MakeScratchFont(g.face, bold);
    QPoint position = t.position;
    if (t.align == InkAlign::Mark) {
        const QRect ink = ScratchDots(RenderScratch(t.text, font, {})).inkBounds();
        if (!ink.isEmpty())
            position += QPoint(kMarkLeft - ink.left(), kMarkBottom - ink.bottom());
    }
    g.dots = ScratchDots(RenderScratch(t.text, font, position));
    if (t.turned)
        g.dots = g.dots.turnedClockwise();
    const QRect ink = g.dots.inkBounds();
    if (ink.isEmpty())
        return g;
    if (t.align == InkAlign::Centre)
        g.dots = g.dots.shifted((kScratchSize + 1 - ink.width()) / 2 - ink.left(), 0);
    else if (t.align == InkAlign::UpperRight)
        g.dots = g.dots.shifted(kUpperRightRight - ink.right(), kUpperRightTop - ink.top());
    return g;
}

} // namespace chimei
