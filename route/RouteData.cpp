// SPDX-License-Identifier: GPL-3.0-or-later
#include "route/RouteData.h"

#include "run/Timetable.h"

#include <algorithm>

QList<StopRecord> StopRecords(const QList<RouteStop>& stops)
{
    QList<StopRecord> out;
    out.reserve(stops.size());
    for (const RouteStop& s : stops)
        out << s.record;
    return out;
}

QList<HeldTickets> HeldAtStops(const QList<RouteStop>& stops)
{
    QList<HeldTickets> out;
    out.reserve(stops.size());
    HeldTickets held;
    for (const RouteStop& s : stops) {
        const int t = s.record.SeiriNo;
        if (t >= 1 && t <= kFareColumns)
            held.set(size_t(t));
        out << held;
    }
    return out;
}

QList<std::array<qint16, kFareColumns + 1>> BoardingStops(const QList<RouteStop>& stops)
{
    QList<std::array<qint16, kFareColumns + 1>> out;
    out.reserve(stops.size());
    std::array<qint16, kFareColumns + 1> from;
    from.fill(-1);
    for (qsizetype i = 0; i < stops.size(); ++i) {
        const int t = stops[i].record.SeiriNo;
        // A number issued again further on is the same fare section: its
        // holders are charged from where it was first issued.
        if (t >= 1 && t <= kFareColumns && from[size_t(t)] < 0)
            from[size_t(t)] = qint16(i);
        out << from;
    }
    return out;
}

QHash<QString, QString> ReadingMap(const QList<RouteReadingLine>& lines)
{
    QHash<QString, QString> map;
    for (const RouteReadingLine& l : lines)
        if (!l.written.isEmpty())
            map.insert(l.written, l.reading);
    return map;
}

QList<TapeStop> TapeStops(const QList<RouteTapeLine>& tape, int stopCount)
{
    QList<TapeStop> out;
    out.reserve(tape.size());
    const int last = qMax(0, stopCount - 1);
    int row = 0;
    for (const RouteTapeLine& e : tape) {
        TapeStop s;
        if (e.stepFlag == 1) {
            s.beyondEnd = row >= last;
            row = qMin(row + 1, last);
        }
        s.row = row;
        out << s;
    }
    return out;
}

bool HasTimes(const QList<RouteStop>& stops)
{
    return std::any_of(stops.begin(), stops.end(),
                       [](const RouteStop& s) { return s.arrival || s.departure; });
}

QStringList TimeProblems(const QList<RouteStop>& stops)
{
    QStringList out;
    out.reserve(stops.size() * 2);
    int latest = -1;
    for (const RouteStop& s : stops) {
        for (const std::optional<int>& t : {s.arrival, s.departure}) {
            if (t && *t < latest) {
                out << QStringLiteral("%1 が前の時刻 %2 より前です")
                           .arg(FormatTimetableTime(*t), FormatTimetableTime(latest));
                continue;
            }
            if (t)
                latest = *t;
            out << QString();
        }
    }
    return out;
}
