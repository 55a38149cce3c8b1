// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Turns one display unit into its 16 x 16 dot pattern: the unit is printed in
// black on a white 16 x 16 scratch with an unsmoothed 16-pixel face, and every
// pixel that came out exactly black becomes a dot.

#include "board/ChimeiLayout.h"

#include <QFont>
#include <QImage>

#include <array>

namespace chimei {

inline constexpr int kScratchSize = 16;

// A 16 x 16 one-bit picture; bit col of rows[row] is a dot.
struct DotGrid {
    std::array<quint16, kScratchSize> rows{};

    bool at(int col, int row) const { return (rows[size_t(row)] >> col) & 1u; }
    void set(int col, int row) { rows[size_t(row)] |= quint16(1u << col); }
    int count() const;
    DotGrid transposed() const;
    DotGrid turnedClockwise() const;
    // Moved by (dx, dy); dots moved off the grid are lost.
    DotGrid shifted(int dx, int dy) const;
    // The smallest rectangle holding every dot (empty for none).
    QRect inkBounds() const;
    bool operator==(const DotGrid&) const = default;
};

// The face a scratch prints in. Faces whose engine cannot embolden (the
// fixed-width bitmap-like gothic) get bold by striking the text twice, one
// pixel apart, as bitmap fonts always did.
struct ScratchFont {
    QFont font;
    bool overstrike = false;
};

ScratchFont MakeScratchFont(Face face, bool bold);

// Prints text with its text cell's top-left at position into a white 16 x 16
// scratch (RGB32), black, without smoothing.
QImage RenderScratch(const QString& text, const ScratchFont& font, QPoint position);

// The exactly black pixels of a scratch.
DotGrid ScratchDots(const QImage& scratch);

struct Glyph {
    DotGrid
        dots; // as printed (turned ones already turned); transposed glyphs are mirrored when placed
    bool transposed = false;
    Face face = Face::Gothic;
};

// Treatment, face and raster of one unit together.
Glyph MakeGlyph(const QByteArray& unit, qint16 fontMode, bool bold);

// Strip pixels of a glyph's dots with its top-left dot at (x, y): normal dots
// at (x + 2 col, y + 2 row), transposed ones at (x + 2 row, y + 2 col).
template <typename F> void ForEachDot(const Glyph& g, int x, int y, F&& f)
{
    for (int row = 0; row < kScratchSize; ++row) {
        for (int col = 0; col < kScratchSize; ++col) {
            if (!g.dots.at(col, row))
                continue;
            if (g.transposed)
                f(x + 2 * row, y + 2 * col);
            else
                f(x + 2 * col, y + 2 * row);
        }
    }
}

} // namespace chimei
