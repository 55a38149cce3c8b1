// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A GTFS / GTFS-JP feed as far as hy3tool needs it: stops with their fare
// zones, routes, trips, fares and fare rules, service days, and the ja-Hrkt
// readings of translations.txt in either of its forms (GTFS-JP's
// trans_id,lang,translation or GTFS's
// table_name,field_name,language,translation,record_id,field_value).
// stop_times.txt is kept as bytes and scanned when a trip's stops are needed,
// so that a large feed is never held as millions of small records.
//
// GTFS-JP poles (location_type 0 or empty, with a parent_station) often carry
// a platform description as their name (「大学行バスのりば」); a pole whose
// parent station is in the feed goes by the station's name, and is read by
// the station's reading. A parent_station that names no stop of the feed is
// a warning, and the pole keeps its own name.
//
// Tables that only add to what a route shows never refuse the feed: a fare
// table whose header cannot be read (a misspelt or missing column, a stray
// tab) is a warning and the feed has no fares; calendar tables likewise leave
// the service days unknown.

#include "tools/GtfsError.h"
#include "tools/GtfsSource.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

struct GtfsStop {
    QString id;
    QString name;      // as shown and announced: the parent station's for a pole under one
    QString zone;      // the pole's, or its station's when the pole has none
    QString ownName;   // stop_name as the feed gives it
    QString stationId; // the station whose name the pole goes by; empty if none
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
    QString serviceId;
};

// When a service runs: weekdays from calendar.txt, added and removed days
// from calendar_dates.txt.
struct GtfsService {
    bool inCalendar = false;
    quint8 weekdays = 0; // bit 0 Monday ... bit 6 Sunday
    int added = 0;
    int removed = 0;
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
    // What the user should know about the feed as a whole, in reading order.
    QStringList warnings;
    QList<GtfsStop> stops;
    QHash<QString, qsizetype> stopById;
    QList<GtfsRoute> routes;
    QHash<QString, qsizetype> routeById;
    QList<GtfsTrip> trips;
    QHash<QString, qsizetype> tripById;
    // Fares: empty missingFareTables means both fare tables were there;
    // faresUnreadable that one of them could not be used (see warnings).
    QStringList missingFareTables;
    bool faresUnreadable = false;
    QHash<QString, int> farePrice; // fare_id -> yen
    QList<GtfsFareRule> fareRules;
    // ja-Hrkt readings: of a text itself (GTFS-JP's trans_id, GTFS's
    // field_value), of a stop's name by stop_id, of a headsign by trip_id.
    QHash<QString, QString> readingOfText;
    QHash<QString, QString> readingOfStop;
    QHash<QString, QString> readingOfHeadsign;
    // Of a route's names by route_id + '/' + field name ("R1/route_long_name").
    QHash<QString, QString> readingOfRoute;
    bool hasTranslations = false;
    // Service days by service_id; hasCalendar when a calendar table was read.
    QHash<QString, GtfsService> services;
    bool hasCalendar = false;
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
// without fare tables the feed has no fares, without translations no
// readings, without calendar tables no service days.
GtfsFeedResult LoadGtfsFeed(const GtfsFiles& files);

// The feed at path, a folder or a .zip (ReadGtfsFeed), read whole.
GtfsFeedResult OpenGtfsFeed(const QString& path, const GtfsLimits& limits = {});

// A service's days for a listing: "月～金", "土日", "毎日", "月水金", with
// "+3日" / "-5日" for days calendar_dates.txt adds or removes; "指定日 4日"
// for a service only calendar_dates.txt names; "-" when unknown.
QString GtfsServiceDays(const GtfsFeed& feed, const QString& serviceId);

struct GtfsTripStop {
    QString stopId;
    int sequence = 0;
    QString departure; // departure_time, or arrival_time when that is empty
    int line = 0;      // in stop_times.txt
    QString arrival;   // arrival_time, or departure_time when that is empty
};

// A trip's stops in stop_sequence order. False with the error on a bad or
// repeated stop_sequence.
bool GtfsTripStops(const GtfsFeed& feed, const QString& tripId, QList<GtfsTripStop>& stops,
                   GtfsError& error);

struct GtfsTripSummary {
    int stops = 0;
    int firstSequence = 0;
    QString firstDeparture;
    int lastSequence = 0;
    QString lastStopId;
};

// Every trip's stop count, first departure and last stop, in one pass over
// stop_times.txt.
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

// One trip as a listing shows it, for choosing the trip to make a route of.
struct GtfsTripListing {
    GtfsTrip trip;
    QString destination; // the headsign, else the last stop's name
    int stops = 0;
    QString firstDeparture; // as the feed writes it ("7:05:00")
    QString days;           // GtfsServiceDays
};

struct GtfsRouteListing {
    GtfsRoute route;
    QList<GtfsTripListing> trips; // by direction, then first departure
};

// Every route with its trips, as ListGtfsRoutes orders them. False with the
// error when stop_times.txt cannot be read.
bool ListGtfsTrips(const GtfsFeed& feed, QList<GtfsRouteListing>& routes, GtfsError& error);

// The route_id of a route given by its route_id, or else by its
// route_short_name when only one route has it. Empty with the error when
// there is none or the name is not unique.
QString FindGtfsRoute(const GtfsFeed& feed, const QString& route, GtfsError& error);

// The earliest trip of a route (as FindGtfsRoute takes it) in a direction
// ("" for any). Empty with the error when there is none.
QString PickGtfsTrip(const GtfsFeed& feed, const QHash<QString, GtfsTripSummary>& summaries,
                     const QString& route, const QString& direction, GtfsError& error);
