// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The 運行 bar's settings: how fast, whether to loop, the times the run uses
// when the timetable does not say, and the simulated passengers. Kept in the
// user's config folder (run.ini), not in the settings file beside the
// program, whose format stays as it is.

#include "run/RunSchedule.h"

#include <QString>

struct RunSettings {
    int speed = 1;                                // one of kRunSpeeds
    bool loop = false;                            // the route is set again after the last stop
    int layoverMin = kRunDefaultLayoverSec / 60;  // 折返し: at the last stop before looping
    int intervalSec = kRunDefaultIntervalSec;     // between stops without a timetable
    int preArrivalSec = kRunDefaultPreArrivalSec; // 「まもなく」 this long before arriving
    int passengerPercent = 0;                     // chance of a stop request per stop; 0: none

    static constexpr int kMaxLayoverMin = 180;
    static constexpr int kMinIntervalSec = 5, kMaxIntervalSec = 3600;
    static constexpr int kMaxPreArrivalSec = 600;

    // Values out of range are brought within it; a speed not offered becomes
    // the nearest one offered.
    RunSettings Clamped() const;
    static int NearestSpeed(double speed);

    // run.ini in the user's config folder; empty when there is none.
    static QString DefaultFile();
    // Missing, unreadable or not a regular file: the defaults.
    static RunSettings Load(const QString& file);
    bool Save(const QString& file) const;

    // The plan of a run from startRow of a route with rowCount rows. Without
    // a timetable the start row departs at untimedStartMs.
    RunPlan Plan(int rowCount, const QList<TimetableRow>& timetable, const QList<TapeEntry>& tape,
                 int startRow, qint64 untimedStartMs) const;

    bool operator==(const RunSettings&) const = default;
};
