// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/GtfsExport.h"

#include "companion/LTM4Res.h"
#include "companion/SaveSet.h"

#include "companion/RegularFile.h"
#include "route/Announcements.h"
#include "route/RouteRules.h"
#include "sound/ReadingList.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>

namespace {

const QString kTrips = QStringLiteral("trips.txt");
const QString kStops = QStringLiteral("stops.txt");
const QString kStopTimes = QStringLiteral("stop_times.txt");

// Names go onto one line of the board and of the announcement list.
QString OneLine(QString text)
{
    for (QChar& c : text)
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    return text.trimmed();
}

// Text as the CP932 files give it back ("〜" is read back as "～"), so that
// the fare data, the announcements and the readings name a stop alike.
QString Cp932Form(const QString& text)
{
    return ltm4::FromCp932(ltm4::ToCp932(text));
}

QString CodePoint(const QString& c)
{
    return QStringLiteral("U+%1").arg(uint(c.toUcs4().value(0)), 4, 16, QChar(u'0')).toUpper();
}

// Pair warnings, the first few in full and the rest counted.
class PairWarnings final {
public:
    explicit PairWarnings(QStringList& out) : m_out(out) {}
    ~PairWarnings()
    {
        if (m_left > 0)
            m_out << QStringLiteral("停留所の組についての警告がほかに %1 件あります").arg(m_left);
    }
    PairWarnings(const PairWarnings&) = delete;
    PairWarnings& operator=(const PairWarnings&) = delete;

    void add(const QString& text)
    {
        if (m_shown < kGtfsPairWarnings) {
            m_out << text;
            ++m_shown;
        } else {
            ++m_left;
        }
    }

private:
    QStringList& m_out;
    int m_shown = 0;
    int m_left = 0;
};

using ZonePair = std::pair<QString, QString>;

void FillFares(const GtfsFeed& feed, const QString& routeId, const QList<const GtfsStop*>& stops,
               const QStringList& names, GtfsExport& out)
{
    if (!feed.missingFareTables.isEmpty()) {
        out.warnings << QStringLiteral("運賃の表 (%1) がないため、運賃はすべて0です")
                            .arg(feed.missingFareTables.join(QStringLiteral("、")));
        return;
    }
    if (feed.faresUnreadable) {
        out.warnings << QStringLiteral("運賃の表の見出しが読めないため、運賃はすべて0です");
        return;
    }
    // The rules that can apply to the route, by the zones they name ("" for any).
    QHash<ZonePair, QList<const GtfsFareRule*>> rules;
    int containsRules = 0;
    int containsLine = 0;
    QSet<QString> unknownFares;
    for (const GtfsFareRule& r : feed.fareRules) {
        if (!r.routeId.isEmpty() && r.routeId != routeId)
            continue;
        if (!r.contains.isEmpty()) {
            if (containsRules++ == 0)
                containsLine = r.line;
            continue;
        }
        if (!feed.farePrice.contains(r.fareId)) {
            if (!unknownFares.contains(r.fareId))
                out.warnings << QStringLiteral(
                                    "fare_rules.txt:%1: 運賃 '%2' が "
                                    "fare_attributes.txt にないため、このルールは使いません")
                                    .arg(QString::number(r.line), r.fareId);
            unknownFares.insert(r.fareId);
            continue;
        }
        rules[{r.origin, r.destination}] << &r;
    }
    if (containsRules > 0)
        out.warnings << QStringLiteral(
                            "contains_id のある運賃ルールには対応していないため使いません "
                            "(fare_rules.txt:%1 など %2 件)")
                            .arg(containsLine)
                            .arg(containsRules);
    if (rules.isEmpty()) {
        out.warnings << QStringLiteral(
                            "路線 '%1' に当てはまる運賃ルールがないため、運賃はすべて0です")
                            .arg(routeId);
        return;
    }

    PairWarnings pairWarnings(out.warnings);
    const qsizetype n = stops.size();
    for (qsizetype j = 0; j < n; ++j) {
        for (qsizetype i = 0; i <= j; ++i) {
            const QString& from = stops[i]->zone;
            const QString& to = stops[j]->zone;
            QList<const GtfsFareRule*> best;
            int bestScore = -1;
            QSet<ZonePair> looked;
            for (const ZonePair& key :
                 {ZonePair{from, to}, ZonePair{from, {}}, ZonePair{{}, to}, ZonePair{}}) {
                if (looked.contains(key))
                    continue;
                looked.insert(key);
                for (const GtfsFareRule* r : rules.value(key)) {
                    const int score = (r->routeId.isEmpty() ? 0 : 4) +
                                      (r->origin.isEmpty() ? 0 : 1) +
                                      (r->destination.isEmpty() ? 0 : 1);
                    if (score > bestScore) {
                        bestScore = score;
                        best.clear();
                    }
                    if (score == bestScore)
                        best << r;
                }
            }
            const QString pair =
                QStringLiteral("'%1' (整理券%2) から '%3' (%4番目) まで")
                    .arg(names[i], QString::number(i + 1), names[j], QString::number(j + 1));
            if (best.isEmpty()) {
                if (i != j)
                    pairWarnings.add(QStringLiteral("%1の運賃ルールがないため0にします "
                                                    "(ゾーン '%2' → '%3')")
                                         .arg(pair, from, to));
                continue;
            }
            int price = feed.farePrice.value(best.first()->fareId);
            QStringList fareIds;
            bool differ = false;
            for (const GtfsFareRule* r : best) {
                const int p = feed.farePrice.value(r->fareId);
                differ = differ || p != price;
                price = qMin(price, p);
                if (!fareIds.contains(r->fareId))
                    fareIds << r->fareId;
            }
            if (differ)
                pairWarnings.add(
                    QStringLiteral("%1の運賃ルールが複数あり運賃が違うため、"
                                   "安い %2 円にします (fare_id: %3)")
                        .arg(pair, QString::number(price), fareIds.join(QStringLiteral("、"))));
            out.records[j].Fare[size_t(i + 1)] = qint16(price);
        }
    }
}

bool IsDigits(const QString& text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// What the welcome calls the trip: where it goes ("温泉" of 温泉行き) or,
// for a loop, the loop's own name, which takes no 行き.
struct Heading {
    QString name; // as spoken
    bool loop = false;
    QString reading; // of name as a whole, when the feed gives one
};

Heading HeadingOf(const GtfsFeed& feed, const GtfsTrip& trip, const QString& headsign,
                  const QStringList& names)
{
    QStringList spoken;
    for (const QString& name : names)
        spoken << SpokenName(name);
    const QString first = spoken.first();
    const QString last = spoken.last();
    const QString sign = SpokenName(headsign);
    QString signReading = feed.readingOfHeadsign.value(trip.id);
    if (signReading.isEmpty())
        signReading = feed.readingOfText.value(trip.headsign);

    // "登別温泉行き" and "登別温泉行" both announce as "登別温泉行き".
    for (const QString& suffix : {QStringLiteral("行き"), QStringLiteral("行")})
        if (sign.endsWith(suffix) && sign.size() > suffix.size())
            return {sign.chopped(suffix.size()), false, {}};
    // A loop's headsign may name the stop where it turns: it goes there.
    if (!sign.isEmpty() && sign != first && spoken.mid(1).contains(sign))
        return {sign, false, signReading};

    QList<std::pair<QString, QString>> routeNames; // name, reading
    if (const auto at = feed.routeById.constFind(trip.routeId); at != feed.routeById.cend()) {
        const GtfsRoute& route = feed.routes[*at];
        const std::pair<QString, QString> fields[] = {
            {route.longName, QStringLiteral("route_long_name")},
            {route.shortName, QStringLiteral("route_short_name")}};
        for (const auto& [raw, field] : fields) {
            const QString name = SpokenName(OneLine(raw));
            if (name.isEmpty() || !FirstNotCp932(name).isEmpty())
                continue;
            QString reading = feed.readingOfRoute.value(trip.routeId + u'/' + field);
            if (reading.isEmpty())
                reading = feed.readingOfText.value(raw);
            routeNames.append({Cp932Form(name), reading});
        }
    }
    bool namesRoute = false;
    for (const auto& [name, reading] : std::as_const(routeNames)) {
        if (sign.isEmpty() || name != sign)
            continue;
        namesRoute = true;
        if (signReading.isEmpty())
            signReading = reading;
    }
    const bool loopSign = sign.endsWith(QStringLiteral("循環")) ||
                          sign.endsWith(QStringLiteral("回り")) ||
                          sign.endsWith(QStringLiteral("まわり"));
    if (first == last || namesRoute || loopSign) {
        // A headsign that only names where the loop begins and ends says nothing.
        Heading loop{first + QStringLiteral("循環"), true, {}};
        if (!sign.isEmpty() && sign != first)
            loop = {sign, true, signReading};
        else if (!routeNames.isEmpty())
            loop = {routeNames.first().first, true, routeNames.first().second};
        // "31" alone is no name to announce.
        if (IsDigits(loop.name))
            loop = {loop.name + QStringLiteral("系統"), true, {}};
        return loop;
    }
    if (sign.isEmpty())
        return {last, false, {}};
    return {sign, false, signReading};
}

// The trip's times as the timetable holds them. Times that cannot be kept
// are dropped one by one, so that one bad line of a feed costs one stop its
// time rather than the trip its timetable.
void FillTimetable(const QList<GtfsTripStop>& times, const QStringList& names, GtfsExport& out)
{
    int latest = 0;
    QString latestText;
    auto take = [&](const GtfsTripStop& t, const QString& text, const char* column) {
        std::optional<int> kept;
        if (text.isEmpty())
            return kept;
        const std::optional<int> seconds = ParseTimetableTime(text);
        if (!seconds) {
            out.warnings << QStringLiteral("%1:%2: %3 '%4' は時刻表に書けない時刻のため、"
                                           "使いません")
                                .arg(kStopTimes, QString::number(t.line), QLatin1String(column),
                                     text);
        } else if (*seconds < latest) {
            out.warnings << QStringLiteral("%1:%2: %3 '%4' が前の時刻 '%5' より前のため、"
                                           "使いません")
                                .arg(kStopTimes, QString::number(t.line), QLatin1String(column),
                                     text, latestText);
        } else {
            latest = *seconds;
            latestText = text;
            kept = seconds;
        }
        return kept;
    };
    for (qsizetype k = 0; k < times.size(); ++k) {
        TimetableRow row;
        row.arrival = take(times[k], times[k].arrival, "arrival_time");
        row.departure = take(times[k], times[k].departure, "departure_time");
        row.memo = names[k];
        out.timetable << row;
    }
}

void AddReading(GtfsExport& out, QSet<QString>& seen, const QString& written,
                const QString& reading)
{
    if (written.isEmpty() || reading.isEmpty() || seen.contains(written))
        return;
    seen.insert(written);
    out.readings << GtfsReading{written, OneLine(reading)};
}

} // namespace

GtfsExport ExportGtfsTrip(const GtfsFeed& feed, const QString& tripId)
{
    GtfsExport out;
    auto fail = [&out](const GtfsError& e) {
        out = GtfsExport{};
        out.ok = false;
        out.error = e;
        return out;
    };
    const auto tripAt = feed.tripById.constFind(tripId);
    if (tripAt == feed.tripById.cend())
        return fail({kTrips, 0, QStringLiteral("便 '%1' がありません").arg(tripId)});
    const GtfsTrip& trip = feed.trips[*tripAt];

    QList<GtfsTripStop> times;
    GtfsError e;
    if (!GtfsTripStops(feed, tripId, times, e))
        return fail(e);
    const qsizetype n = times.size();
    if (n < 2)
        return fail({kStopTimes, 0,
                     QStringLiteral("便 '%1' の停留所が %2 つしかありません")
                         .arg(tripId, QString::number(n))});
    if (n > kFareTableRows)
        return fail({kStopTimes, 0,
                     QStringLiteral("便 '%1' は停留所が %2 あり、運賃データの上限 %3 を超えます")
                         .arg(tripId, QString::number(n), QString::number(kFareTableRows))});
    if (n > kGtfsMaxTickets)
        return fail({kStopTimes, 0,
                     QStringLiteral("便 '%1' は停留所が %2 あり、整理券番号が上限 %3 を超えます")
                         .arg(tripId, QString::number(n), QString::number(kGtfsMaxTickets))});

    QList<const GtfsStop*> stops;
    QStringList names;
    for (const GtfsTripStop& t : times) {
        const auto at = feed.stopById.constFind(t.stopId);
        if (at == feed.stopById.cend())
            return fail({kStopTimes, t.line,
                         QStringLiteral("停留所 '%1' が stops.txt にありません").arg(t.stopId)});
        const GtfsStop& stop = feed.stops[*at];
        const QString name = OneLine(stop.name);
        if (name.isEmpty())
            return fail({kStops, 0, QStringLiteral("停留所 '%1' の名前が空です").arg(stop.id)});
        const QString bad = FirstNotCp932(name);
        if (!bad.isEmpty())
            return fail({kStops, 0,
                         QStringLiteral("停留所 '%1' (stop_id %2) の文字 '%3' (%4) は"
                                        "CP932で表せません")
                             .arg(name, stop.id, bad, CodePoint(bad))});
        if (ltm4::ToCp932(name).size() > kFareNameMaxBytes)
            return fail({kStops, 0, QStringLiteral("停留所 '%1' の名前が長すぎます").arg(stop.id)});
        stops << &stop;
        names << Cp932Form(name);
    }

    for (qsizetype k = 0; k < n; ++k) {
        StopRecord r;
        r.StopName = names[k];
        r.SeiriNo = qint16(k + 1);
        out.records << r;
    }
    FillFares(feed, trip.routeId, stops, names, out);
    FillTimetable(times, names, out);

    QString headsign = OneLine(trip.headsign);
    if (!headsign.isEmpty() && !FirstNotCp932(headsign).isEmpty()) {
        const QString bad = FirstNotCp932(headsign);
        out.warnings << QStringLiteral("行先 '%1' の文字 '%2' (%3) はCP932で表せないため、"
                                       "行先を使わずに案内します")
                            .arg(headsign, bad, CodePoint(bad));
        headsign.clear();
    }
    headsign = Cp932Form(headsign);
    const Heading heading = HeadingOf(feed, trip, headsign, names);
    for (const TapeEntry& e :
         StopAnnouncements(WelcomeAnnouncement(heading.name, heading.loop), names))
        out.tape << GtfsTapeLine{e.TapeText, e.TapeStepFlag, e.TapePreFlag};

    if (!feed.hasTranslations) {
        out.warnings << QStringLiteral("translations.txt がないため、読みのリストは空です");
        return out;
    }
    QSet<QString> seen;
    QStringList unread;
    for (qsizetype k = 0; k < n; ++k) {
        const GtfsStop& stop = *stops[k];
        // A pole under a station is read as the station it is named after.
        QString reading =
            feed.readingOfStop.value(stop.stationId.isEmpty() ? stop.id : stop.stationId);
        if (reading.isEmpty())
            reading = feed.readingOfText.value(stop.name);
        const QString written = SpokenName(names[k]);
        if (reading.isEmpty()) {
            if (!unread.contains(written))
                unread << written;
            continue;
        }
        AddReading(out, seen, written, reading);
    }
    AddReading(out, seen, heading.name, heading.reading);
    if (!unread.isEmpty())
        out.warnings << QStringLiteral("読み (ja-Hrkt) のない停留所があります: %1")
                            .arg(unread.join(QStringLiteral("、")));
    return out;
}

QString TapeCsvLine(const QString& text, qint16 stepFlag, qint16 preFlag)
{
    const QString flags = u',' + QString::number(stepFlag) + u',' + QString::number(preFlag);
    QString t = text;
    for (QChar& c : t)
        if (c == u'\r' || c == u'\n')
            c = u' ';
    if (!t.contains(u'"'))
        return u'"' + t + u'"' + flags;
    // The list has no escape for a quote: a text that needs no quotes keeps
    // its own, one that does loses them.
    if (!t.contains(u',') && t == t.trimmed() && !t.startsWith(u'"'))
        return t + flags;
    t.remove(u'"');
    return u'"' + t + u'"' + flags;
}

QByteArray WriteTapeCsv(const QList<GtfsTapeLine>& tape)
{
    QString text;
    for (const GtfsTapeLine& line : tape)
        text += TapeCsvLine(line.text, line.stepFlag, line.preFlag) + QStringLiteral("\r\n");
    return ltm4::ToCp932(text);
}

QString YomiCsvLine(const QString& written, const QString& reading)
{
    const auto field = [](QString text) {
        // One line each: a break would end the reading early.
        for (QChar& c : text)
            if (c == u'\r' || c == u'\n')
                c = u' ';
        const bool quote = text.contains(u',') || text.contains(u'"') || text.startsWith(u'#') ||
                           text != text.trimmed();
        if (!quote)
            return text;
        QString q = text;
        q.replace(u'"', QLatin1String("\"\""));
        return u'"' + q + u'"';
    };
    return field(written) + u',' + field(reading);
}

QByteArray WriteYomiCsv(const QList<GtfsReading>& readings, const QString& comment)
{
    QString text = QStringLiteral("# 表記,読み");
    if (!comment.isEmpty())
        text += u' ' + OneLine(comment);
    text += u'\n';
    for (const GtfsReading& r : readings)
        text += YomiCsvLine(r.written, r.reading) + u'\n';
    return text.toUtf8();
}

YomiMerge MergeYomiCsv(const QByteArray& existing, const QList<GtfsReading>& readings,
                       const QString& comment)
{
    YomiMerge out;
    const ltm4::DecodedText decoded = ltm4::DecodeUtf8OrCp932(existing);
    if (!decoded.ok()) {
        // Not a text file the program can read (it is kept as .bak when
        // replaced): the feed's readings, if any, make the list.
        out.bytes = readings.isEmpty() ? existing : WriteYomiCsv(readings, comment);
        out.added = int(readings.size());
        return out;
    }
    QHash<QString, QString> had;
    const ReadingList list = ReadingList::Parse(existing);
    for (const ReadingList::Entry& e : list.Entries())
        had.insert(e.written, e.reading);
    QList<GtfsReading> fresh;
    for (const GtfsReading& r : readings) {
        const auto at = had.constFind(r.written);
        if (at == had.cend())
            fresh << r;
        else if (*at != r.reading)
            ++out.kept;
    }
    out.added = int(fresh.size());
    out.bytes = existing;
    if (fresh.isEmpty())
        return out;

    // The user's bytes stay as they are; what is added follows their line
    // ends and their encoding, and a CP932 list that cannot hold the new
    // readings becomes UTF-8 as a whole (the reader takes either).
    const QString& text = decoded.text;
    const bool isUtf8 = decoded.utf8;
    const QString newline =
        text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString added;
    if (!text.isEmpty() && !text.endsWith(u'\n'))
        added += newline;
    added += QStringLiteral("# GTFS から追加");
    if (!comment.isEmpty())
        added += u' ' + OneLine(comment);
    added += newline;
    for (const GtfsReading& r : std::as_const(fresh))
        added += YomiCsvLine(r.written, r.reading) + newline;
    if (isUtf8) {
        out.bytes += added.toUtf8();
        return out;
    }
    bool lossy = false;
    const QByteArray joined = existing + ltm4::ToCp932(added, &lossy);
    // A file ending in half a character could take the line break as its other half.
    const bool keepsLines = !lossy && ltm4::FromCp932(joined) == text + added;
    out.bytes = keepsLines ? joined : (text + added).toUtf8();
    return out;
}

GtfsSaveResult SaveGtfsExport(const QString& folder, const QString& routeKey,
                              const GtfsExport& data, GtfsSaveMode mode)
{
    GtfsSaveResult result;
    auto fail = [&result](const QString& error) {
        result.ok = false;
        result.error = error;
        return result;
    };
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral(".")))
        return fail(folder + QStringLiteral(": フォルダを作れません"));
    const FareEncodeResult fares = EncodeFareFile(data.records);
    if (!fares.ok() || fares.lossy)
        return fail(QStringLiteral("運賃データにできません (レコード %1)")
                        .arg(fares.ok() ? fares.firstLossyRecord : fares.errorRecord));
    const QString hy3 = dir.filePath(routeKey + QStringLiteral(".hy3"));
    const QString tape = dir.filePath(routeKey + QStringLiteral("tp.csv"));
    const QString yomi = dir.filePath(routeKey + QStringLiteral("yomi.csv"));
    const QString time = dir.filePath(routeKey + QStringLiteral("time.csv"));
    for (const QString& path : {hy3, tape, yomi, time}) {
        const QFileInfo info(path);
        if (info.exists() || info.isSymLink())
            result.existing << path;
    }
    // What the user may have edited is never replaced unasked.
    if (mode == GtfsSaveMode::NewFilesOnly && !result.existing.isEmpty())
        return fail(result.existing.join(QStringLiteral("、")) +
                    QStringLiteral(" がすでにあります"));

    const QString comment = QStringLiteral("(系統%1)").arg(routeKey);
    QByteArray readings = WriteYomiCsv(data.readings, comment);
    if (result.existing.contains(yomi)) {
        const ltm4::FileBytes old = ltm4::ReadRegularFile(yomi, kReadingMaxFileBytes);
        if (!old.ok())
            return fail(yomi + QStringLiteral(": 読み込めません (") + old.reason +
                        QStringLiteral(")。どのファイルも書き換えていません"));
        if (old.truncated)
            return fail(yomi + QStringLiteral(": 大きすぎて読みを引き継げません (上限 %1 バイト)。"
                                              "どのファイルも書き換えていません")
                                   .arg(kReadingMaxFileBytes));
        const YomiMerge merged = MergeYomiCsv(old.bytes, data.readings, comment);
        readings = merged.bytes;
        result.readingsKept = merged.kept;
        result.readingsAdded = merged.added;
        result.readingsMerged = true;
    }
    const QList<std::pair<QString, QByteArray>> files{{hy3, fares.bytes},
                                                      {tape, WriteTapeCsv(data.tape)},
                                                      {yomi, readings},
                                                      {time, WriteTimetableCsv(data.timetable)}};
    // All or none: an announcement list or a timetable from another export
    // beside these fares would step the board wrongly.
    ltm4::SaveSet set;
    bool staged = true;
    for (const auto& [path, bytes] : files)
        staged = staged && set.add(path, bytes,
                                   result.existing.contains(path) ? path + QStringLiteral(".bak")
                                                                  : QString());
    if (staged && set.commit())
        return result;
    return fail(set.errorFile() + QStringLiteral(": 書き込めません (") + set.errorReason() +
                QStringLiteral(")。どのファイルも書き換えていません"));
}
