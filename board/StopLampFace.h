// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The stop-request lamp 「つぎ止まります」 on the board face: where it sits
// (above the last two columns, clear of every cell, label and the stop-name
// field) and how it looks. Drawn like a ticket-number strip: a film lit from
// behind, dark when the board's backlight is off.

#include <QImage>
#include <QRect>

namespace StopLampFace {

// Pixel rectangle on the board face.
QRect Rect();

// Whether the lamp glows: requested, on a board that is lit at all
// (backlight 1 "ON1" or 2 "ON2").
bool Glows(bool requested, int backlight);

// The lamp as drawn in a backlight state (0 off, 1 ON1, 2 ON2).
QImage Draw(bool requested, int backlight);

} // namespace StopLampFace
