// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The run (運行): the bus goes along the route by itself, pressing 送り, or
// データ送り when there is no announcement list, as a driver would. This is
// what it does and when, as data; RunExecutor carries it out on a clock.
//
// The rules:
// - The simulated clock starts at the start row's departure, with the bus
//   standing at that stop.
// - At each departure the run presses 送り through the next entry whose step
//   flag is 1, so the board steps to the next stop with it as by hand. When
//   the list has run out (or there is none), データ送り steps the board.
// - An entry whose text begins with 「まもなく」 waits until the pre-arrival
//   time before the bus reaches its next stop.
// - The last stop has no departure: the entries left are pressed on arrival.
// - Every press waits for the speech of the one before (the executor sees
//   to that); a press that had to wait does not move the ones after it.
// - Looping, the route is set again at the start row after the layover, and
//   the next trip runs as the first did, later by the length of one trip.
//
// Times are milliseconds of the simulated clock after midnight of the first
// trip's service day; they go on past 24 h as the timetable's do.

#include "run/Timetable.h"
#include "sound/TapeData.h"

#include <QList>
#include <QString>

#include <array>

// The speeds the run offers.
inline constexpr std::array<int, 5> kRunSpeeds = {1, 2, 5, 10, 60};
inline constexpr int kRunDefaultIntervalSec = 60;
inline constexpr int kRunDefaultPreArrivalSec = 30;
inline constexpr int kRunDefaultLayoverSec = 300;

struct RunPlan {
    int rowCount = 0;                         // the route's rows
    QList<TimetableRow> timetable;            // empty: every stop intervalSec after the one before
    int intervalSec = kRunDefaultIntervalSec; // also for rows before or after the timed ones
    qint64 untimedStartMs = 0;                // without a timetable: the start row's departure
    QList<TapeEntry> tape;                    // empty: データ送り at each departure
    int startRow = 1;                         // where the run starts, and every loop again
    double speed = 1.0;                       // simulated seconds per real second
    int preArrivalSec = kRunDefaultPreArrivalSec; // 「まもなく」 this long before arriving
    bool loop = false;
    int layoverSec = kRunDefaultLayoverSec; // at the last stop before the route is set again
};

struct StopTime {
    qint64 arrivalMs = 0;
    qint64 departureMs = 0;
};

enum class RunActionKind {
    TapeNext, // 送り
    DataNext, // データ送り
    SetRoute, // the route set again at the start row (a loop)
};

struct RunAction {
    RunActionKind kind = RunActionKind::TapeNext;
    qint64 simMs = 0; // when, on the simulated clock
    qint64 scaledMs =
        0; // when, in real milliseconds after the list's first moment at the plan's speed
    bool afterSpeech = false; // only once the speech of what came before has ended
    // Where the run stands once it is done.
    int row = 0;
    int tape = 0;
    bool underway = false;

    friend bool operator==(const RunAction&, const RunAction&) = default;
};

// Where a run stands: the board's row, the tape position (0: before the
// first entry), and whether the bus has left the stop before and is on its
// way to the row the board already shows.
struct RunPosition {
    int row = 1;
    int tape = 0;
    bool underway = false;
    qint64 simMs = 0;
    qint64 tripOffsetMs = 0; // added to every timetable time: the trips before this one
};

// Whether an entry is one of those spoken shortly before arriving.
bool IsSoonAnnouncement(const QString& text);

// Arrival and departure of rows 1..rowCount (row r at r - 1). A row with
// only one time stands that long; rows without times are spread evenly
// between the nearest timed rows around them, and rows before the first or
// after the last timed row are intervalSec apart from it. Without any times,
// every row is intervalSec after the one before and the start row departs at
// untimedStartMs. Never decreasing.
QList<StopTime> ResolveStopTimes(const RunPlan& plan);

// hh:mm:ss of the simulated clock, on a 24-hour face (24:10 shows 00:10:00).
QString FormatRunClock(qint64 simMs);

class RunSchedule final {
public:
    RunSchedule() = default;
    explicit RunSchedule(RunPlan plan);

    const RunPlan& plan() const { return m_plan; }
    const QList<StopTime>& stops() const { return m_stops; }
    int rowCount() const { return int(m_stops.size()); }

    // The start row, standing at the stop, at its departure; tape where it is.
    RunPosition start(int tape) const;
    // Where the run stands once the board was moved to row by hand: at that
    // row's scheduled time, when the board steps onto it (the departure
    // before; row 1 has none and stands at its stop at its own departure).
    RunPosition atRow(int row, int tape, qint64 tripOffsetMs) const;
    // The next trip after a SetRoute action, with the tape where the route
    // set left it.
    RunPosition nextTrip(const RunAction& setRoute, int tape) const;

    // What the run does from pos on to the end of the trip; looping, the
    // last action sets the route again.
    QList<RunAction> actionsFrom(const RunPosition& pos) const;

private:
    qint64 arrival(int row, qint64 offset) const { return m_stops[row - 1].arrivalMs + offset; }
    qint64 leaving(int row, qint64 offset) const;

    RunPlan m_plan;
    QList<StopTime> m_stops;
};
