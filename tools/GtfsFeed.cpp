// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/GtfsFeed.h"

#include "tools/GtfsTable.h"

#include <algorithm>
#include <limits>

namespace {

const QString kStops = QStringLiteral("stops.txt");
const QString kRoutes = QStringLiteral("routes.txt");
const QString kTrips = QStringLiteral("trips.txt");
const QString kStopTimes = QStringLiteral("stop_times.txt");
const QString kFareAttributes = QStringLiteral("fare_attributes.txt");
const QString kFareRules = QStringLiteral("fare_rules.txt");
const QString kTranslations = QStringLiteral("translations.txt");
const QString kCalendar = QStringLiteral("calendar.txt");
const QString kCalendarDates = QStringLiteral("calendar_dates.txt");

// Warnings of one kind beyond this many are summed up in one line.
constexpr int kWarningsOfAKind = 20;

// "table:line", or the table alone when no line is to blame.
QString Where(const GtfsError& e)
{
    return e.line > 0 ? e.file + u':' + QString::number(e.line) : e.file;
}

bool IsReadingLanguage(const QString& lang)
{
    return lang.compare(QLatin1String("ja-Hrkt"), Qt::CaseInsensitive) == 0;
}

bool Duplicate(GtfsError& error, const QString& file, int line, const QString& what,
               const QString& id)
{
    error = {file, line, QStringLiteral("%1 '%2' が重複しています").arg(what, id)};
    return false;
}

struct PoleLink {
    qsizetype pole;
    QString parent;
    int line;
};

// Poles go by their station's name; see GtfsFeed.h.
void LinkPoles(GtfsFeed& feed, const QList<PoleLink>& links)
{
    int unknown = 0;
    for (const PoleLink& link : links) {
        GtfsStop& pole = feed.stops[link.pole];
        const auto at = feed.stopById.constFind(link.parent);
        if (at == feed.stopById.cend()) {
            if (unknown++ < kWarningsOfAKind)
                feed.warnings << QStringLiteral("%1:%2: 標柱 '%3' の parent_station '%4' が "
                                                "stops.txt にないため、標柱の名前 '%5' を使います")
                                     .arg(kStops, QString::number(link.line), pole.id, link.parent,
                                          pole.ownName);
            continue;
        }
        const GtfsStop& station = feed.stops[*at];
        if (station.ownName.trimmed().isEmpty())
            continue;
        pole.name = station.ownName;
        pole.stationId = station.id;
        if (pole.zone.isEmpty())
            pole.zone = station.zone;
    }
    if (unknown > kWarningsOfAKind)
        feed.warnings << QStringLiteral("%1: parent_station が見つからない標柱がほかに %2 あります")
                             .arg(kStops, QString::number(unknown - kWarningsOfAKind));
}

bool LoadStops(const QByteArray& bytes, GtfsFeed& feed, GtfsError& error)
{
    enum { Id, Name, Zone, LocationType, Parent };
    QList<PoleLink> links;
    const bool ok = ReadGtfsTable(
        bytes, kStops,
        {{"stop_id", true},
         {"stop_name", true},
         {"zone_id"},
         {"location_type"},
         {"parent_station"}},
        [&](const GtfsRow& r) {
            const QString id = r[Id];
            if (id.isEmpty()) {
                error = {kStops, r.line(), QStringLiteral("stop_id が空です")};
                return false;
            }
            if (feed.stopById.contains(id))
                return Duplicate(error, kStops, r.line(), QStringLiteral("stop_id"), id);
            // Only a stop or pole takes its station's name; entrances and
            // the stations themselves keep theirs.
            const QString type = r[LocationType];
            const QString parent = r[Parent];
            if (!parent.isEmpty() && parent != id && (type.isEmpty() || type == QLatin1String("0")))
                links << PoleLink{feed.stops.size(), parent, r.line()};
            feed.stopById.insert(id, feed.stops.size());
            feed.stops << GtfsStop{id, r[Name], r[Zone], r[Name], {}};
            return true;
        },
        error);
    if (ok)
        LinkPoles(feed, links);
    return ok;
}

bool LoadRoutes(const QByteArray& bytes, GtfsFeed& feed, GtfsError& error)
{
    enum { Id, Short, Long };
    return ReadGtfsTable(
        bytes, kRoutes, {{"route_id", true}, {"route_short_name"}, {"route_long_name"}},
        [&](const GtfsRow& r) {
            const QString id = r[Id];
            if (id.isEmpty()) {
                error = {kRoutes, r.line(), QStringLiteral("route_id が空です")};
                return false;
            }
            if (feed.routeById.contains(id))
                return Duplicate(error, kRoutes, r.line(), QStringLiteral("route_id"), id);
            feed.routeById.insert(id, feed.routes.size());
            feed.routes << GtfsRoute{id, r[Short], r[Long]};
            return true;
        },
        error);
}

bool LoadTrips(const QByteArray& bytes, GtfsFeed& feed, GtfsError& error)
{
    enum { Route, Trip, Headsign, Direction, Service };
    return ReadGtfsTable(
        bytes, kTrips,
        {{"route_id", true},
         {"trip_id", true},
         {"trip_headsign"},
         {"direction_id"},
         {"service_id"}},
        [&](const GtfsRow& r) {
            const QString id = r[Trip];
            // A trip without a name could be neither listed nor chosen.
            if (id.isEmpty()) {
                error = {kTrips, r.line(), QStringLiteral("trip_id が空です")};
                return false;
            }
            if (feed.tripById.contains(id))
                return Duplicate(error, kTrips, r.line(), QStringLiteral("trip_id"), id);
            feed.tripById.insert(id, feed.trips.size());
            feed.trips << GtfsTrip{id, r[Route], r[Headsign], r[Direction], r[Service]};
            return true;
        },
        error);
}

// Yen as written in price: a whole number, or one with only zeros after the point.
bool ParsePrice(const QString& text, int& yen)
{
    const qsizetype point = text.indexOf(u'.');
    const QString whole = point < 0 ? text : text.left(point);
    if (whole.isEmpty() || whole.size() > 9)
        return false;
    for (QChar c : whole)
        if (c < u'0' || c > u'9')
            return false;
    if (point >= 0)
        for (QChar c : text.mid(point + 1))
            if (c != u'0')
                return false;
    yen = whole.toInt();
    return true;
}

bool LoadFares(const QByteArray& bytes, GtfsFeed& feed, GtfsError& error, QStringList& header)
{
    enum { Id, Price };
    return ReadGtfsTable(
        bytes, kFareAttributes, {{"fare_id", true}, {"price", true}},
        [&](const GtfsRow& r) {
            const QString id = r[Id];
            if (feed.farePrice.contains(id))
                return Duplicate(error, kFareAttributes, r.line(), QStringLiteral("fare_id"), id);
            int yen = 0;
            if (!ParsePrice(r[Price], yen)) {
                error = {kFareAttributes, r.line(),
                         QStringLiteral("運賃 '%1' は円単位の整数ではありません").arg(r[Price])};
                return false;
            }
            if (yen > std::numeric_limits<qint16>::max()) {
                error = {
                    kFareAttributes, r.line(),
                    QStringLiteral("運賃 %1 円は運賃データに書けません (上限 32767)").arg(yen)};
                return false;
            }
            feed.farePrice.insert(id, yen);
            return true;
        },
        error, &header);
}

bool LoadFareRules(const QByteArray& bytes, GtfsFeed& feed, GtfsError& error, QStringList& header)
{
    enum { Id, Route, Origin, Destination, Contains };
    const bool ok = ReadGtfsTable(
        bytes, kFareRules,
        {{"fare_id", true}, {"route_id"}, {"origin_id"}, {"destination_id"}, {"contains_id"}},
        [&](const GtfsRow& r) {
            feed.fareRules << GtfsFareRule{r[Id],          r[Route],    r[Origin],
                                           r[Destination], r[Contains], r.line()};
            return true;
        },
        error, &header);
    if (!ok)
        return false;
    // A rule read without one of its columns (a misspelt origin_id, two
    // names joined by a tab) would price every pair wrongly: such a header
    // is as unreadable as one without fare_id.
    static const QStringList known{"fare_id", "route_id", "origin_id", "destination_id",
                                   "contains_id"};
    for (const QString& name : std::as_const(header)) {
        const QString trimmed = name.trimmed();
        if (!trimmed.isEmpty() && !known.contains(trimmed)) {
            error = {kFareRules, 1, QStringLiteral("わからない列 '%1' があります").arg(name), true};
            return false;
        }
    }
    return true;
}

// Fares are left out, with a warning that shows the header as it was found.
void DropFares(GtfsFeed& feed, const GtfsError& e, const QStringList& header)
{
    feed.faresUnreadable = true;
    feed.farePrice.clear();
    feed.fareRules.clear();
    feed.warnings << QStringLiteral("%1: 見出しが読めないため運賃を使いません。運賃はすべて0に"
                                    "なります (%2。見つかった見出し: %3)")
                         .arg(Where(e), e.message,
                              header.isEmpty() ? QStringLiteral("なし") : ShowGtfsHeader(header));
}

bool LoadTranslations(const QByteArray& bytes, GtfsFeed& feed, GtfsError& error)
{
    // The form shows in the header; read it once with every column either form has.
    enum { TransId, Lang, Table, Field, Language, Translation, RecordId, FieldValue };
    bool jpForm = false;
    bool decided = false;
    auto keep = [](QHash<QString, QString>& map, const QString& key, const QString& reading) {
        if (!key.isEmpty() && !reading.isEmpty() && !map.contains(key))
            map.insert(key, reading);
    };
    const bool ok = ReadGtfsTable(
        bytes, kTranslations,
        {{"trans_id"},
         {"lang"},
         {"table_name"},
         {"field_name"},
         {"language"},
         {"translation"},
         {"record_id"},
         {"field_value"}},
        [&](const GtfsRow& r) {
            if (!decided) {
                decided = true;
                jpForm = r.has(TransId) && r.has(Lang);
                if (!jpForm && !(r.has(Table) && r.has(Field) && r.has(Language))) {
                    error = {
                        kTranslations, 1,
                        QStringLiteral("trans_id,lang,translation の形式でも table_name,"
                                       "field_name,language,translation の形式でもありません")};
                    return false;
                }
                if (!r.has(Translation)) {
                    error = {kTranslations, 1, QStringLiteral("列 translation がありません")};
                    return false;
                }
            }
            if (jpForm) {
                if (IsReadingLanguage(r[Lang]))
                    keep(feed.readingOfText, r[TransId], r[Translation]);
                return true;
            }
            if (!IsReadingLanguage(r[Language]))
                return true;
            const QString table = r[Table];
            const QString field = r[Field];
            if (table == QLatin1String("stops") && field == QLatin1String("stop_name"))
                keep(feed.readingOfStop, r[RecordId], r[Translation]);
            else if (table == QLatin1String("trips") && field == QLatin1String("trip_headsign"))
                keep(feed.readingOfHeadsign, r[RecordId], r[Translation]);
            else if (table == QLatin1String("routes") && !r[RecordId].isEmpty())
                keep(feed.readingOfRoute, r[RecordId] + u'/' + field, r[Translation]);
            keep(feed.readingOfText, r[FieldValue], r[Translation]);
            return true;
        },
        error);
    feed.hasTranslations = ok;
    return ok;
}

bool LoadCalendar(const QByteArray& bytes, GtfsFeed& feed, GtfsError& error)
{
    enum { Id, Mon, Tue, Wed, Thu, Fri, Sat, Sun };
    return ReadGtfsTable(
        bytes, kCalendar,
        {{"service_id", true},
         {"monday", true},
         {"tuesday", true},
         {"wednesday", true},
         {"thursday", true},
         {"friday", true},
         {"saturday", true},
         {"sunday", true}},
        [&](const GtfsRow& r) {
            GtfsService& s = feed.services[r[Id]];
            if (s.inCalendar)
                return true;
            s.inCalendar = true;
            for (int day = Mon; day <= Sun; ++day)
                if (r[day] == QLatin1String("1"))
                    s.weekdays |= quint8(1 << (day - Mon));
            return true;
        },
        error);
}

bool LoadCalendarDates(const QByteArray& bytes, GtfsFeed& feed, GtfsError& error)
{
    enum { Id, Date, Exception };
    return ReadGtfsTable(
        bytes, kCalendarDates, {{"service_id", true}, {"date", true}, {"exception_type", true}},
        [&](const GtfsRow& r) {
            const QString type = r[Exception];
            if (type == QLatin1String("1"))
                ++feed.services[r[Id]].added;
            else if (type == QLatin1String("2"))
                ++feed.services[r[Id]].removed;
            return true;
        },
        error);
}

// Service days only help to choose a trip: a fault leaves them unknown.
void LoadServices(const GtfsFiles& files, GtfsFeed& feed)
{
    bool any = false;
    for (const QString& table : {kCalendar, kCalendarDates}) {
        if (!files.tables.contains(table))
            continue;
        any = true;
        GtfsError e;
        const bool ok = table == kCalendar ? LoadCalendar(files.tables[table], feed, e)
                                           : LoadCalendarDates(files.tables[table], feed, e);
        if (!ok) {
            feed.services.clear();
            feed.warnings
                << QStringLiteral("%1: %2 (運行日は表示しません)").arg(Where(e), e.message);
            return;
        }
    }
    feed.hasCalendar = any;
}

} // namespace

QStringList GtfsTableNames()
{
    // New tables go at the end: the fuzzers' seeds name tables by position.
    return {kStops,     kRoutes,       kTrips,    kStopTimes,    kFareAttributes,
            kFareRules, kTranslations, kCalendar, kCalendarDates};
}

GtfsFeedResult OpenGtfsFeed(const QString& path, const GtfsLimits& limits)
{
    const GtfsFiles files = ReadGtfsFeed(path, GtfsTableNames(), limits);
    if (!files.ok) {
        GtfsFeedResult r;
        r.ok = false;
        r.error = files.error;
        return r;
    }
    return LoadGtfsFeed(files);
}

QString GtfsServiceDays(const GtfsFeed& feed, const QString& serviceId)
{
    if (!feed.hasCalendar)
        return QStringLiteral("-");
    const auto at = feed.services.constFind(serviceId);
    if (at == feed.services.cend())
        return QStringLiteral("不明");
    const GtfsService& s = *at;
    if (!s.inCalendar)
        return QStringLiteral("指定日 %1日").arg(s.added);
    QString days;
    switch (s.weekdays) {
    case 0x7F:
        days = QStringLiteral("毎日");
        break;
    case 0x1F:
        days = QStringLiteral("月～金");
        break;
    case 0x3F:
        days = QStringLiteral("月～土");
        break;
    case 0x60:
        days = QStringLiteral("土日");
        break;
    case 0:
        days = QStringLiteral("なし");
        break;
    default: {
        const QString names = QStringLiteral("月火水木金土日");
        for (int day = 0; day < 7; ++day)
            if (s.weekdays & (1 << day))
                days += names[day];
    }
    }
    if (s.added > 0)
        days += QStringLiteral(" +%1日").arg(s.added);
    if (s.removed > 0)
        days += QStringLiteral(" -%1日").arg(s.removed);
    return days;
}

GtfsFeedResult LoadGtfsFeed(const GtfsFiles& files)
{
    GtfsFeedResult res;
    GtfsFeed& feed = res.feed;
    auto fail = [&res](const GtfsError& e) {
        res.ok = false;
        res.error = e;
        return res;
    };
    for (const QString& table : {kStops, kRoutes, kTrips, kStopTimes})
        if (!files.tables.contains(table))
            return fail({table, 0, QStringLiteral("フィードにありません")});
    GtfsError e;
    if (!LoadStops(files.tables[kStops], feed, e) || !LoadRoutes(files.tables[kRoutes], feed, e) ||
        !LoadTrips(files.tables[kTrips], feed, e))
        return fail(e);
    for (const QString& table : {kFareAttributes, kFareRules})
        if (!files.tables.contains(table))
            feed.missingFareTables << table;
    if (feed.missingFareTables.isEmpty()) {
        // A fare table that cannot be placed is no reason to refuse the
        // stops and trips: the feed goes on without fares, as one without
        // fare tables does. A fault in a row still names its line.
        QStringList header;
        if (!LoadFares(files.tables[kFareAttributes], feed, e, header) ||
            !LoadFareRules(files.tables[kFareRules], feed, e, header)) {
            if (!e.header)
                return fail(e);
            DropFares(feed, e, header);
        }
    }
    if (files.tables.contains(kTranslations) &&
        !LoadTranslations(files.tables[kTranslations], feed, e))
        return fail(e);
    LoadServices(files, feed);
    feed.stopTimes = files.tables[kStopTimes];
    return res;
}

namespace {

enum StopTimeColumn { StTrip, StStop, StSequence, StDeparture, StArrival };

// Reads stop_times.txt; row gets trip_id, stop_id, stop_sequence and the time.
bool ScanStopTimes(const GtfsFeed& feed,
                   const std::function<bool(const QString& trip, const GtfsTripStop&)>& row,
                   GtfsError& error)
{
    return ReadGtfsTable(
        feed.stopTimes, kStopTimes,
        {{"trip_id", true},
         {"stop_id", true},
         {"stop_sequence", true},
         {"departure_time"},
         {"arrival_time"}},
        [&](const GtfsRow& r) {
            bool ok = false;
            const QString seqText = r[StSequence];
            const int seq = seqText.toInt(&ok);
            if (!ok || seq < 0) {
                error = {kStopTimes, r.line(),
                         QStringLiteral("stop_sequence '%1' は0以上の整数では"
                                        "ありません")
                             .arg(seqText)};
                return false;
            }
            QString departure = r[StDeparture];
            QString arrival = r[StArrival];
            if (departure.isEmpty())
                departure = arrival;
            if (arrival.isEmpty())
                arrival = departure;
            return row(r[StTrip], GtfsTripStop{r[StStop], seq, departure, r.line(), arrival});
        },
        error);
}

} // namespace

bool GtfsTripStops(const GtfsFeed& feed, const QString& tripId, QList<GtfsTripStop>& stops,
                   GtfsError& error)
{
    stops.clear();
    if (!ScanStopTimes(
            feed,
            [&](const QString& trip, const GtfsTripStop& s) {
                if (trip == tripId)
                    stops << s;
                return true;
            },
            error))
        return false;
    std::stable_sort(stops.begin(), stops.end(), [](const GtfsTripStop& a, const GtfsTripStop& b) {
        return a.sequence < b.sequence;
    });
    for (qsizetype i = 1; i < stops.size(); ++i) {
        if (stops[i].sequence == stops[i - 1].sequence) {
            error = {kStopTimes, stops[i].line,
                     QStringLiteral("便 '%1' の stop_sequence %2 が重複しています")
                         .arg(tripId, QString::number(stops[i].sequence))};
            return false;
        }
    }
    return true;
}

bool SummariseGtfsTrips(const GtfsFeed& feed, QHash<QString, GtfsTripSummary>& summaries,
                        GtfsError& error)
{
    summaries.clear();
    return ScanStopTimes(
        feed,
        [&](const QString& trip, const GtfsTripStop& s) {
            if (!feed.tripById.contains(trip))
                return true;
            GtfsTripSummary& sum = summaries[trip];
            if (sum.stops == 0 || s.sequence < sum.firstSequence) {
                sum.firstSequence = s.sequence;
                sum.firstDeparture = s.departure;
            }
            if (sum.stops == 0 || s.sequence > sum.lastSequence) {
                sum.lastSequence = s.sequence;
                sum.lastStopId = s.stopId;
            }
            ++sum.stops;
            return true;
        },
        error);
}

int GtfsSeconds(const QString& time)
{
    const QStringList parts = time.split(u':');
    if (parts.size() != 3)
        return -1;
    int values[3] = {};
    for (int i = 0; i < 3; ++i) {
        const QString& p = parts[i];
        if (p.isEmpty() || p.size() > (i == 0 ? 3 : 2))
            return -1;
        for (QChar c : p)
            if (c < u'0' || c > u'9')
                return -1;
        values[i] = p.toInt();
    }
    if (values[1] > 59 || values[2] > 59)
        return -1;
    return values[0] * 3600 + values[1] * 60 + values[2];
}

namespace {

// Earlier trips first; trips without a time after those with one.
bool DepartsEarlier(const GtfsTripSummary& a, const GtfsTripSummary& b)
{
    const int sa = GtfsSeconds(a.firstDeparture);
    const int sb = GtfsSeconds(b.firstDeparture);
    if ((sa < 0) != (sb < 0))
        return sa >= 0;
    return sa < sb;
}

} // namespace

QList<GtfsRouteTrips> ListGtfsRoutes(const GtfsFeed& feed,
                                     const QHash<QString, GtfsTripSummary>& summaries)
{
    QList<GtfsRouteTrips> out;
    QHash<QString, qsizetype> at;
    for (const GtfsRoute& r : feed.routes) {
        at.insert(r.id, out.size());
        out << GtfsRouteTrips{r, {}};
    }
    for (const GtfsTrip& t : feed.trips) {
        if (!at.contains(t.routeId)) {
            at.insert(t.routeId, out.size());
            out << GtfsRouteTrips{GtfsRoute{t.routeId, {}, {}}, {}};
        }
        out[at[t.routeId]].trips << &t;
    }
    for (GtfsRouteTrips& r : out) {
        std::stable_sort(r.trips.begin(), r.trips.end(),
                         [&summaries](const GtfsTrip* a, const GtfsTrip* b) {
                             if (a->direction != b->direction)
                                 return a->direction < b->direction;
                             return DepartsEarlier(summaries.value(a->id), summaries.value(b->id));
                         });
    }
    return out;
}

bool ListGtfsTrips(const GtfsFeed& feed, QList<GtfsRouteListing>& routes, GtfsError& error)
{
    routes.clear();
    QHash<QString, GtfsTripSummary> summaries;
    if (!SummariseGtfsTrips(feed, summaries, error))
        return false;
    for (const GtfsRouteTrips& r : ListGtfsRoutes(feed, summaries)) {
        GtfsRouteListing listing{r.route, {}};
        for (const GtfsTrip* t : r.trips) {
            const GtfsTripSummary s = summaries.value(t->id);
            // Without a headsign the bus goes to its last stop, as the export announces.
            QString destination = t->headsign;
            if (destination.isEmpty()) {
                if (const auto at = feed.stopById.constFind(s.lastStopId);
                    at != feed.stopById.cend())
                    destination = feed.stops[*at].name;
            }
            listing.trips << GtfsTripListing{*t, destination, s.stops, s.firstDeparture,
                                             GtfsServiceDays(feed, t->serviceId)};
        }
        routes << listing;
    }
    return true;
}

QString FindGtfsRoute(const GtfsFeed& feed, const QString& route, GtfsError& error)
{
    if (!route.isEmpty() && feed.routeById.contains(route))
        return route;
    QStringList byName;
    for (const GtfsRoute& r : feed.routes)
        if (!route.isEmpty() && r.shortName == route)
            byName << r.id;
    if (byName.size() > 1) {
        error = {kRoutes, 0,
                 QStringLiteral("路線番号 '%1' の路線が複数あります (route_id: %2)。"
                                "route_id で指定してください")
                     .arg(route, byName.join(QStringLiteral("、")))};
        return {};
    }
    if (!byName.isEmpty())
        return byName.first();
    // A route that only trips.txt names is listed too, so it can be chosen.
    for (const GtfsTrip& t : feed.trips)
        if (!route.isEmpty() && t.routeId == route)
            return route;
    error = {kRoutes, 0, QStringLiteral("路線 '%1' がありません").arg(route)};
    return {};
}

QString PickGtfsTrip(const GtfsFeed& feed, const QHash<QString, GtfsTripSummary>& summaries,
                     const QString& route, const QString& direction, GtfsError& error)
{
    const QString routeId = FindGtfsRoute(feed, route, error);
    if (routeId.isEmpty())
        return {};
    const GtfsTrip* best = nullptr;
    for (const GtfsTrip& t : feed.trips) {
        if (t.routeId != routeId || (!direction.isEmpty() && t.direction != direction) ||
            summaries.value(t.id).stops == 0)
            continue;
        if (!best || DepartsEarlier(summaries.value(t.id), summaries.value(best->id)))
            best = &t;
    }
    if (!best) {
        error = {
            kTrips, 0,
            direction.isEmpty()
                ? QStringLiteral("路線 '%1' の便がありません").arg(route)
                : QStringLiteral("路線 '%1' の方向 %2 の便がありません").arg(route, direction)};
        return {};
    }
    return best->id;
}
