// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The picture of the board's face that the cells sit on, drawn in code so the
// program carries no image asset. Its cell strips line up with the board grid.

#include <QImage>
#include <QRect>

namespace BoardFace {

constexpr int kWidth = 704;
constexpr int kHeight = 249;

// Pixel rectangles of the board's parts, shared with the board window so
// the face and the controls placed on it cannot drift apart.
QRect CellRect(int index);  // fare digits of cell 1..50
QRect LabelRect(int index); // ticket-number strip of cell 1..50
QRect ChimeiRect();         // the stop-name field

// The face in a lighting state: 0 backlight off, 1 "ON1", 2 "ON2". The lit
// faces are brighter, with the ticket-number rows glowing from behind.
QImage Draw(int backlight = 0);

} // namespace BoardFace
