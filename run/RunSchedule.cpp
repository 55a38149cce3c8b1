// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/RunSchedule.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kDayMs = 24 * 3600 * 1000;

// Caps that keep a hand-written plan from overflowing the clock: a day of
// interval or layover is already absurd.
constexpr int kMaxPlanSeconds = 24 * 3600;

qint64 PlanMs(int seconds)
{
    return qint64(std::clamp(seconds, 0, kMaxPlanSeconds)) * 1000;
}

} // namespace

bool IsSoonAnnouncement(const QString& text)
{
    QStringView t(text);
    while (!t.isEmpty() && (t.front().isSpace() || t.front() == u'「' || t.front() == u'"'))
        t = t.mid(1);
    return t.startsWith(QStringLiteral("まもなく")) || t.startsWith(QStringLiteral("間もなく"));
}

QList<StopTime> ResolveStopTimes(const RunPlan& plan)
{
    const int n = std::clamp(plan.rowCount, 0, kTimetableMaxRows);
    const qint64 interval = PlanMs(plan.intervalSec);
    QList<StopTime> out(n);
    QList<int> timed; // 0-based rows with a time
    for (int i = 0; i < n && i < plan.timetable.size(); ++i) {
        const TimetableRow& t = plan.timetable[i];
        if (!t.arrival && !t.departure)
            continue;
        const int a = t.arrival.value_or(*t.departure);
        const int d = t.departure.value_or(a);
        out[i] = {qint64(a) * 1000, qint64(std::max(a, d)) * 1000};
        timed << i;
    }
    if (timed.isEmpty()) {
        const int start = std::clamp(plan.startRow, 1, std::max(n, 1)) - 1;
        for (int i = 0; i < n; ++i)
            out[i].arrivalMs = out[i].departureMs = plan.untimedStartMs + (i - start) * interval;
        return out;
    }
    for (int i = 0; i < timed.front(); ++i)
        out[i].arrivalMs = out[i].departureMs =
            out[timed.front()].arrivalMs - (timed.front() - i) * interval;
    for (qsizetype k = 0; k + 1 < timed.size(); ++k) {
        const int a = timed[k];
        const int b = timed[k + 1];
        const qint64 from = out[a].departureMs;
        const qint64 to = std::max(out[b].arrivalMs, from);
        for (int i = a + 1; i < b; ++i)
            out[i].arrivalMs = out[i].departureMs = from + (to - from) * (i - a) / (b - a);
    }
    for (int i = timed.back() + 1; i < n; ++i)
        out[i].arrivalMs = out[i].departureMs =
            out[timed.back()].departureMs + (i - timed.back()) * interval;
    // A timetable given in code may step back; the clock never does.
    for (int i = 1; i < n; ++i) {
        out[i].arrivalMs = std::max(out[i].arrivalMs, out[i - 1].departureMs);
        out[i].departureMs = std::max(out[i].departureMs, out[i].arrivalMs);
    }
    return out;
}

QString FormatRunClock(qint64 simMs)
{
    const qint64 s = ((simMs % kDayMs + kDayMs) % kDayMs) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

RunSchedule::RunSchedule(RunPlan plan) : m_plan(std::move(plan))
{
    m_stops = ResolveStopTimes(m_plan);
    m_plan.startRow = std::clamp(m_plan.startRow, 1, std::max(rowCount(), 1));
    if (!(m_plan.speed > 0) || !std::isfinite(m_plan.speed))
        m_plan.speed = 1.0;
}

qint64 RunSchedule::leaving(int row, qint64 offset) const
{
    // The last stop is where the trip ends: what is left is said on arrival.
    return row >= rowCount() ? arrival(row, offset) : m_stops[row - 1].departureMs + offset;
}

RunPosition RunSchedule::start(int tape) const
{
    RunPosition p;
    p.row = m_plan.startRow;
    p.tape = std::clamp(tape, 0, int(m_plan.tape.size()));
    if (rowCount() > 0)
        p.simMs = m_stops[p.row - 1].departureMs;
    return p;
}

RunPosition RunSchedule::atRow(int row, int tape, qint64 tripOffsetMs) const
{
    RunPosition p;
    p.row = std::clamp(row, 1, std::max(rowCount(), 1));
    p.tape = std::clamp(tape, 0, int(m_plan.tape.size()));
    p.tripOffsetMs = tripOffsetMs;
    if (rowCount() == 0)
        return p;
    p.underway = p.row > 1;
    p.simMs = m_stops[std::max(p.row - 2, 0)].departureMs + tripOffsetMs;
    return p;
}

RunPosition RunSchedule::nextTrip(const RunAction& setRoute, int tape) const
{
    RunPosition p = start(tape);
    p.tripOffsetMs = setRoute.simMs - p.simMs;
    p.simMs = setRoute.simMs;
    return p;
}

QList<RunAction> RunSchedule::actionsFrom(const RunPosition& pos) const
{
    QList<RunAction> out;
    const int last = rowCount();
    if (last == 0)
        return out;
    const qsizetype entries = m_plan.tape.size();
    const qint64 off = pos.tripOffsetMs;
    const qint64 pre = PlanMs(m_plan.preArrivalSec);
    int row = std::clamp(pos.row, 1, last);
    int tape = std::clamp(pos.tape, 0, int(entries));
    bool underway = pos.underway;
    qint64 t = pos.simMs;
    out.reserve(entries - tape + last - row + 1);
    const auto add = [&](RunActionKind kind, qint64 when, bool afterSpeech) {
        t = std::max(t, when);
        const qint64 scaled = std::llround(double(t - pos.simMs) / m_plan.speed);
        out.push_back({kind, t, scaled, afterSpeech, row, tape, underway});
    };
    for (;;) {
        if (tape < entries) {
            const TapeEntry& e = m_plan.tape[tape];
            qint64 when = 0;
            if (IsSoonAnnouncement(e.TapeText)) {
                // Standing at a stop, the next arrival is the next stop's.
                const int next = underway ? row : row + 1;
                when = next <= last ? arrival(next, off) - pre : t;
            } else {
                when = leaving(row, off);
            }
            ++tape;
            if (e.TapeStepFlag == 1 && row < last) {
                ++row;
                underway = true;
            }
            add(RunActionKind::TapeNext, when, true);
        } else if (row < last) {
            const qint64 when = leaving(row, off);
            ++row;
            underway = true;
            add(RunActionKind::DataNext, when, entries > 0);
        } else {
            break;
        }
    }
    if (m_plan.loop) {
        const qint64 end = std::max(t, arrival(last, off));
        row = m_plan.startRow;
        tape = 0;
        underway = false;
        add(RunActionKind::SetRoute, end + PlanMs(m_plan.layoverSec), true);
    }
    return out;
}
