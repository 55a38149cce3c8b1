// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The loaded route: its fare table and where the bus is on it.

#include "panel/FareData.h"

#include <QString>

struct RouteState {
    FareTable Table;
    qint16 DataCount = 0; // records of the loaded file
    qint16 CurIndex = 0;  // current stop, 0-based; row CurIndex + 1 is shown
    qint16 SectionNo = 0; // starting row and first fare cell filled, 1..300
    QString RouteNo;      // as entered, leading zeros kept
};
