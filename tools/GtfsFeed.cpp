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

bool LoadStops(const QByteArray& bytes, GtfsFeed& feed, GtfsError& error)
{
    enum { Id, Name, Zone };
    return ReadGtfsTable(
        bytes, kStops, {{"stop_id", true}, {"stop_name", true}, {"zone_id"}},
        [&](const GtfsRow& r) {
            const QString id = r[Id];
            if (id.isEmpty()) {
                error = {kStops, r.line(), QStringLiteral("stop_id が空です")};
                return false;
            }
            if (feed.stopById.contains(id))
                return Duplicate(error, kStops, r.line(), QStringLiteral("stop_id"), id);
            feed.stopById.insert(id, feed.stops.size());
            feed.stops << GtfsStop{id, r[Name], r[Zone]};
            return true;
        },
        error);
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
    enum { Route, Trip, Headsign, Direction };
    return ReadGtfsTable(
        bytes, kTrips, {{"route_id", true}, {"trip_id", true}, {"trip_headsign"}, {"direction_id"}},
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
            feed.trips << GtfsTrip{id, r[Route], r[Headsign], r[Direction]};
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

bool LoadFares(const QByteArray& bytes, GtfsFeed& feed, GtfsError& error)
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
        error);
}

bool LoadFareRules(const QByteArray& bytes, GtfsFeed& feed, GtfsError& error)
{
    enum { Id, Route, Origin, Destination, Contains };
    return ReadGtfsTable(
        bytes, kFareRules,
        {{"fare_id", true}, {"route_id"}, {"origin_id"}, {"destination_id"}, {"contains_id"}},
        [&](const GtfsRow& r) {
            feed.fareRules << GtfsFareRule{r[Id],          r[Route],    r[Origin],
                                           r[Destination], r[Contains], r.line()};
            return true;
        },
        error);
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
            keep(feed.readingOfText, r[FieldValue], r[Translation]);
            return true;
        },
        error);
    feed.hasTranslations = ok;
    return ok;
}

} // namespace

QStringList GtfsTableNames()
{
    return {kStops, kRoutes, kTrips, kStopTimes, kFareAttributes, kFareRules, kTranslations};
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
    if (feed.missingFareTables.isEmpty() && (!LoadFares(files.tables[kFareAttributes], feed, e) ||
                                             !LoadFareRules(files.tables[kFareRules], feed, e)))
        return fail(e);
    if (files.tables.contains(kTranslations) &&
        !LoadTranslations(files.tables[kTranslations], feed, e))
        return fail(e);
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
            QString time = r[StDeparture];
            if (time.isEmpty())
                time = r[StArrival];
            return row(r[StTrip], GtfsTripStop{r[StStop], seq, time, r.line()});
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

QString PickGtfsTrip(const GtfsFeed& feed, const QHash<QString, GtfsTripSummary>& summaries,
                     const QString& route, const QString& direction, GtfsError& error)
{
    QString routeId = route;
    if (!feed.routeById.contains(route)) {
        QStringList byName;
        for (const GtfsRoute& r : feed.routes)
            if (r.shortName == route)
                byName << r.id;
        if (byName.size() > 1) {
            error = {kRoutes, 0,
                     QStringLiteral("路線番号 '%1' の路線が複数あります (route_id: %2)。"
                                    "route_id で指定してください")
                         .arg(route, byName.join(QStringLiteral("、")))};
            return {};
        }
        if (byName.isEmpty()) {
            error = {kRoutes, 0, QStringLiteral("路線 '%1' がありません").arg(route)};
            return {};
        }
        routeId = byName.first();
    }
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
