// SPDX-License-Identifier: GPL-3.0-or-later
#include "route/RouteImport.h"

#include "tools/GtfsExport.h"

RouteImport ImportGtfsTrip(const GtfsFeed& feed, const QString& tripId)
{
    RouteImport out;
    const GtfsExport e = ExportGtfsTrip(feed, tripId);
    if (!e.ok) {
        out.error = e.error;
        return out;
    }
    // The export gives one timetable row per record.
    for (qsizetype i = 0; i < e.records.size(); ++i) {
        RouteStop stop{e.records[i], {}, {}, {}};
        if (i < e.timetable.size()) {
            stop.arrival = e.timetable[i].arrival;
            stop.departure = e.timetable[i].departure;
        }
        out.data.stops << stop;
    }
    for (const GtfsTapeLine& l : e.tape)
        out.data.tape << RouteTapeLine{l.text, l.stepFlag, l.preFlag, {}};
    for (const GtfsReading& r : e.readings)
        out.data.readings << RouteReadingLine{r.written, r.reading, {}};
    out.warnings = e.warnings;
    out.ok = true;
    return out;
}
