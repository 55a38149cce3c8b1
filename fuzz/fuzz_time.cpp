// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the timetable and the run's schedule. Any bytes must give
// either rows whose times never go back and that write and read back the
// same, or a reason naming a line and field; and a schedule made from any of
// them, with an announcement list drawn from the same bytes, must keep its
// clock going forward and end.

#include "fuzz/FuzzCheck.h"
#include "run/RunSchedule.h"
#include "run/Timetable.h"

#include <algorithm>
#include <cstdint>

namespace {

void CheckSchedule(const QByteArray& bytes, const QList<TimetableRow>& rows)
{
    const auto at = [&](qsizetype i) { return i < bytes.size() ? quint8(bytes[i]) : 0; };
    RunPlan plan;
    plan.timetable = rows;
    plan.rowCount = rows.isEmpty() ? 1 + at(0) % 8 : int(rows.size()) + at(0) % 3 - 1;
    plan.startRow = 1 + at(1) % 6;
    plan.preArrivalSec = at(2) * 3;
    plan.intervalSec = at(3);
    plan.loop = at(4) & 1;
    plan.speed = kRunSpeeds[at(4) / 2 % kRunSpeeds.size()];
    // Up to 64 entries: a bit each for 「まもなく」 and the step flag.
    for (qsizetype i = 5; i < std::min<qsizetype>(bytes.size(), 69); ++i)
        plan.tape.push_back({at(i) & 1 ? QStringLiteral("まもなく") : QStringLiteral("次は"),
                             qint16(at(i) >> 1 & 1), 0});
    const RunSchedule s(plan);
    const QList<StopTime>& stops = s.stops();
    for (qsizetype i = 0; i < stops.size(); ++i) {
        Require(stops[i].arrivalMs <= stops[i].departureMs);
        Require(i == 0 || stops[i - 1].departureMs <= stops[i].arrivalMs);
    }
    const RunPosition from = s.start(at(5) % 4);
    const QList<RunAction> actions = s.actionsFrom(from);
    Require(actions.size() <= plan.tape.size() + s.rowCount() + 1);
    qint64 t = from.simMs;
    int tape = from.tape;
    int row = from.row;
    for (const RunAction& a : actions) {
        Require(a.simMs >= t && a.scaledMs >= 0);
        Require(a.row >= 1 && a.row <= s.rowCount());
        if (a.kind == RunActionKind::TapeNext)
            Require(a.tape == tape + 1 && (a.row == row || a.row == row + 1));
        else if (a.kind == RunActionKind::DataNext)
            Require(a.tape == tape && a.row == row + 1);
        Require(FormatRunClock(a.simMs).size() == 8);
        t = a.simMs;
        tape = a.tape;
        row = a.row;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const TimetableResult r = ParseTimetableCsv(bytes);
    if (r.ok()) {
        Require(!r.rows.isEmpty() && r.rows.size() <= kTimetableMaxRows);
        int latest = 0;
        for (const TimetableRow& row : r.rows) {
            for (const std::optional<int>& t : {row.arrival, row.departure}) {
                if (!t)
                    continue;
                Require(*t >= latest && *t <= kTimetableMaxSeconds);
                latest = *t;
            }
        }
        const TimetableResult back = ParseTimetableCsv(WriteTimetableCsv(r.rows));
        Require(back.ok() && back.rows == r.rows);
    } else {
        Require(r.rows.isEmpty() && !r.error.message.isEmpty());
        // The column may lie beyond the three: an open quote in a fifth field is named there.
        Require(r.error.line >= 0 && r.error.column >= 0);
        Require(r.error.column <= bytes.count(',') + 1);
    }
    CheckSchedule(bytes, r.rows);
    return 0;
}
