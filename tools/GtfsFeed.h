// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A GTFS / GTFS-JP feed as far as hy3tool needs it: stops with their fare
// zones, routes, trips, fares and fare rules, and the ja-Hrkt readings of
// translations.txt in either of its forms (GTFS-JP's trans_id,lang,translation
// or GTFS's table_name,field_name,language,translation,record_id,field_value).
// stop_times.txt is kept as bytes and scanned when a trip's stops are needed,
// so that a large feed is never held as millions of small records.

#include "tools/GtfsError.h"
#include "tools/GtfsSource.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

struct GtfsStop {
    QString id;
    QString name;
    QString zone;
};

struct GtfsRoute {
    QString id;
    QString shortName;
    QString longName;
};

struct GtfsTrip {
    QString id;
    QString routeId;
    QString headsign;
    QString direction; // "0", "1" or empty
};

struct GtfsFareRule {
    QString fareId;
    QString routeId;
    QString origin;
    QString destination;
    QString contains;
    int line = 0; // in fare_rules.txt
};

struct GtfsFeed {
    QList<GtfsStop> stops;
    QHash<QString, qsizetype> stopById;
    QList<GtfsRoute> routes;
    QHash<QString, qsizetype> routeById;
    QList<GtfsTrip> trips;
    QHash<QString, qsizetype> tripById;
    // Fares: empty missingFareTables means both fare tables were there.
    QStringList missingFareTables;
    QHash<QString, int> farePrice; // fare_id -> yen
    QList<GtfsFareRule> fareRules;
    // ja-Hrkt readings: of a text itself (GTFS-JP's trans_id, GTFS's
    // field_value), of a stop's name by stop_id, of a headsign by trip_id.
    QHash<QString, QString> readingOfText;
    QHash<QString, QString> readingOfStop;
    QHash<QString, QString> readingOfHeadsign;
    bool hasTranslations = false;
    QByteArray stopTimes;
};

// The tables to ask a source for.
QStringList GtfsTableNames();

struct GtfsFeedResult {
    GtfsFeed feed;
    bool ok = true;
    GtfsError error;
};

// Reads the tables. stops, routes, trips and stop_times are required;
// without fare tables the feed has no fares, without translations no readings.
GtfsFeedResult LoadGtfsFeed(const GtfsFiles& files);

struct GtfsTripStop {
    QString stopId;
    int sequence = 0;
    QString departure; // departure_time, or arrival_time when that is empty
    int line = 0;      // in stop_times.txt
};

// A trip's stops in stop_sequence order. False with the error on a bad or
// repeated stop_sequence.
bool GtfsTripStops(const GtfsFeed& feed, const QString& tripId, QList<GtfsTripStop>& stops,
                   GtfsError& error);

struct GtfsTripSummary {
    int stops = 0;
    int firstSequence = 0;
    QString firstDeparture;
};

// Every trip's stop count and first departure, in one pass over stop_times.txt.
bool SummariseGtfsTrips(const GtfsFeed& feed, QHash<QString, GtfsTripSummary>& summaries,
                        GtfsError& error);

// "7:05:00" or "25:10:00" as seconds into the service day (past 24 h for
// trips after midnight); -1 when the text is not such a time.
int GtfsSeconds(const QString& time);

struct GtfsRouteTrips {
    GtfsRoute route;
    QList<const GtfsTrip*> trips; // by direction, then first departure
};

// The routes of routes.txt in their order, each with its trips; routes that
// only trips.txt names come last.
QList<GtfsRouteTrips> ListGtfsRoutes(const GtfsFeed& feed,
                                     const QHash<QString, GtfsTripSummary>& summaries);

// The earliest trip of a route (its route_id, or else its route_short_name
// when only one route has it) in a direction ("" for any). Empty with the
// error when there is none.
QString PickGtfsTrip(const GtfsFeed& feed, const QHash<QString, GtfsTripSummary>& summaries,
                     const QString& route, const QString& direction, GtfsError& error);
