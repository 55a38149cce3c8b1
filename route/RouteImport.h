// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A trip of a GTFS-JP feed as a new route for the editor: the import that
// "hy3tool gtfs export" makes (ExportGtfsTrip), so the editor and the tool
// give the same stops, fares, announcements, readings and times, and saving the
// route writes the bytes the tool writes.
//
// For the editor: OpenGtfsFeed reads the feed (its warnings in
// feed.warnings), ListGtfsTrips lists the routes and trips to choose from
// (tools/GtfsFeed.h), ImportGtfsTrip makes the route.

#include "route/RouteData.h"
#include "tools/GtfsError.h"
#include "tools/GtfsFeed.h"

#include <QString>
#include <QStringList>

struct RouteImport {
    bool ok = false;
    GtfsError error; // FormatGtfsError(feed path, error) says it
    RouteData data;
    QStringList warnings; // about the trip's fares and readings
};

RouteImport ImportGtfsTrip(const GtfsFeed& feed, const QString& tripId);
