// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the stop-name display puts each character and how it treats it: the
// spacing table by name length, the cutting of the CP932 form into display
// units, the vertical-writing treatments and the choice of face.
// Pure rules, no drawing.

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>

namespace chimei {

inline constexpr int kCellPitch = 32;   // one character: 16 dots, 2 pixels apart
inline constexpr int kShortStrip = 192; // six cells; longer names lengthen the strip
inline constexpr int kMaxStillChars = 6;
inline constexpr int kDotLeft = 2; // x of a cell's first dot column

enum class Face { Gothic, Mincho };

// Spacing of a name by its number of full-width characters d (CP932 bytes / 2).
struct Layout {
    int d = 0;
    int start = 0;                 // top of the first cell
    int step = 0;                  // pitch from one cell top to the next
    int stripHeight = kShortStrip; // height of the dot strip
    bool scrolls = false;          // more than six characters: the strip scrolls
};

Layout LayoutFor(qint32 byteLength, qint16 mode);

// One display unit and the top of its cell on the strip.
struct Cell {
    QByteArray unit; // CP932 bytes: two, or one for the last of an odd count
    int top = 0;
};

struct NameLayout {
    Layout layout;
    QList<Cell> cells;
};

// The display units of a CP932 text, cut by character: one double-byte
// character, or up to two single-byte ones side by side. A half-width run of
// odd length ends in a unit of its own, so the pairing of what follows is
// kept ("299番" is 29, 9, 番, not 29, 9 and half of 番).
QList<QByteArray> CutUnits(const QByteArray& cp932);

// Layout and units of a name. The spacing is chosen as for a name of two bytes
// a unit, which is the CP932 byte count for names that are full-width
// throughout or have even half-width runs. Units that fall beyond the strip
// are kept; the strip clips them.
NameLayout LayOut(const QString& name, qint16 mode);

// First character code of a unit as a signed 16-bit number: lead and trail
// byte for a double-byte character (negative), the byte itself otherwise.
qint16 UnitCode(const QByteArray& unit);

// Face of a character by the display's font mode and its code.
Face ChooseFace(qint16 fontMode, qint16 code);

// Where a glyph's ink is moved to after printing, for vertical writing.
enum class InkAlign {
    None,
    Mark,       // 。 and 、: 10 right and 10 up from where a Japanese face prints them
    Centre,     // across the cell (申, 山 in the gothic face; turned corner brackets)
    UpperRight, // small kana
};

// How a unit is printed into the 16 x 16 scratch.
struct Treatment {
    QString text;            // what is printed ("ー" becomes "丨")
    QByteArray unit;         // the CP932 unit after that replacement (decides the face)
    QPoint position;         // text position in the scratch (top-left of the text cell)
    bool transposed = false; // dots mirrored on the diagonal: horizontal forms turn vertical
    bool turned = false;     // dots turned a quarter clockwise: corner brackets' vertical forms
    InkAlign align = InkAlign::None;
};

Treatment TreatUnit(const QByteArray& unit, qint16 fontMode);

} // namespace chimei
