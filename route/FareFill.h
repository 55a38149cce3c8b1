// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Fills of the whole fare matrix. Each gives every cell somebody holds (the
// ticket was issued at that stop or before it) a fare, and leaves the cells
// nobody holds as they are. A holder of ticket k at stop j got on at the
// first stop up to j that issues k: a number issued again further on is the
// same fare section.
//
// Pure functions: RouteDocument applies a fill as one undoable command.

#include "route/RouteData.h"

#include <QList>
#include <QString>

#include <array>

using FareRow = std::array<qint16, kFareColumns + 1>; // [1..150]; [0] unused

struct FareFill {
    bool ok = true;
    QString error;       // Japanese: what in the input is wrong
    QList<FareRow> rows; // every stop's fares after the fill
    int cells = 0;       // cells that were filled
};

// The same fare everywhere; -1..32767.
FareFill FillFlat(const QList<RouteStop>& stops, int fare);

// Zones 1..n, one per stop; fareFromTo[a - 1][b - 1] is the fare from zone a
// to zone b (-1..32767).
FareFill FillZones(const QList<RouteStop>& stops, const QList<int>& zoneOfStop,
                   const QList<QList<int>>& fareFromTo);

// A base fare up to baseKm, then stepFare for every started stepKm beyond it,
// rounded up to 10 yen. Distances are between the stops' positions (km from
// any point, in running order or not), to the metre.
struct DistanceRule {
    int baseFare = 0;
    double baseKm = 0;
    int stepFare = 0;
    double stepKm = 1;
};
FareFill FillDistance(const QList<RouteStop>& stops, const QList<double>& kmOfStop,
                      const DistanceRule& rule);

// The fare of a distance under the rule, in yen (may exceed what a cell holds).
qint64 DistanceFare(qint64 metres, const DistanceRule& rule);
