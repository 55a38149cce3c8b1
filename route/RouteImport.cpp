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
    for (const StopRecord& r : e.records)
        out.data.stops << RouteStop{r, {}};
    for (const GtfsTapeLine& l : e.tape)
        out.data.tape << RouteTapeLine{l.text, l.stepFlag, l.preFlag, {}};
    for (const GtfsReading& r : e.readings)
        out.data.readings << RouteReadingLine{r.written, r.reading, {}};
    out.warnings = e.warnings;
    out.ok = true;
    return out;
}
