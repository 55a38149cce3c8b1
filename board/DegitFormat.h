// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Formatting and geometry rules of the seven-segment digit cells, free of any
// widget so they can be checked without a display.

#include "board/DegitValue.h"

#include <QString>

namespace DegitFormat {

// The text a cell shows: zero mode, zero filling and shift applied, then cut to
// the rightmost keta characters (overflowing digits are lost on the left).
QString DisplayText(const DegitValue& value, qint16 zeroMode, qint16 fillZero, qint16 shift,
                    qint16 keta);

// Setter bounds of the digit control's formatting properties.
qint16 BoundFillZero(qint16 v, qint16 keta);
qint16 BoundZeroMode(qint16 v);
qint16 BoundShift(qint16 v, qint16 keta);
qint16 BoundKeta(qint16 v);
qint16 BoundDegitSize(qint16 v);

struct SizeClass {
    int points;      // nominal face size of the class
    int cellTwips;   // width of one digit cell
    int heightTwips; // height of the control
};

// Size class by DegitSize; any value other than 1..3 is class 0.
SizeClass SizeOf(qint16 degitSize);

// Face name by DegitStyle ("M_DegitA" for anything other than 1 and 2).
QString FaceOf(qint16 degitStyle);

} // namespace DegitFormat
