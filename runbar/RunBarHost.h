// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the 運行 bar needs from the program: the route as it is set, a way to
// set it again at the start stop, and the stop-request button for the
// simulated passengers. app/ implements it over the control panel, the
// announcement module and the board's lamp.

#include "run/Timetable.h"
#include "sound/TapeData.h"

#include <QList>
#include <QString>
#include <QStringList>

class RunBarHost {
public:
    virtual ~RunBarHost() = default;

    // The stop names of the route that is set, one per row in running order;
    // empty when no route is set.
    virtual QStringList stopNames() const = 0;
    // The route's timetable; empty when it has none.
    virtual QList<TimetableRow> timetable() const = 0;
    // Why the route's timetable file could not be used (FormatTimetableError);
    // empty when there is none or it was read.
    virtual QString timetableError() const { return {}; }
    // The route's announcement entries; empty without a list.
    virtual QList<TapeEntry> tapeEntries() const = 0;
    // The board's row, 1-based.
    virtual int currentRow() const = 0;

    // Sets the same route again as the keypad would, with row as its
    // section. False when it was refused or failed.
    virtual bool setRouteAt(int row) = 0;
    // A passenger pressed the stop-request button (降車ボタン).
    virtual void requestStop() = 0;
};
