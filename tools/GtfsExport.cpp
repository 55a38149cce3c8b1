// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/GtfsExport.h"

#include "companion/LTM4Res.h"
#include "companion/SaveSet.h"

#include <QDir>
#include <QSet>

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

// Announcement texts are quoted whole in tp.csv, which has no escape for a quote.
QString Spoken(const QString& name)
{
    QString s = name;
    s.remove(u'"');
    return s;
}

// The first character of text that CP932 cannot hold; empty when it holds all.
// The converter drops some characters (U+FEFF) without calling them lost.
QString FirstNotCp932(const QString& text)
{
    for (char32_t cp : text.toUcs4()) {
        // Not QString::fromUcs4, which takes a lone U+FEFF for a byte-order mark.
        const QChar pair[2] = {QChar(QChar::highSurrogate(cp)), QChar(QChar::lowSurrogate(cp))};
        const QString one =
            QChar::requiresSurrogates(cp) ? QString(pair, 2) : QString(QChar(char16_t(cp)));
        bool lossy = false;
        if (ltm4::ToCp932(one, &lossy).isEmpty() || lossy)
            return one;
    }
    return {};
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

// "登別温泉行き" and "登別温泉行" both announce as "登別温泉行き".
QString Destination(const QString& headsign)
{
    for (const QString& suffix : {QStringLiteral("行き"), QStringLiteral("行")})
        if (headsign.endsWith(suffix) && headsign.size() > suffix.size())
            return headsign.chopped(suffix.size());
    return headsign;
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

    QString headsign = OneLine(trip.headsign);
    if (!headsign.isEmpty() && !FirstNotCp932(headsign).isEmpty()) {
        const QString bad = FirstNotCp932(headsign);
        out.warnings << QStringLiteral("行先 '%1' の文字 '%2' (%3) はCP932で表せないため、"
                                       "終点の名前で案内します")
                            .arg(headsign, bad, CodePoint(bad));
        headsign.clear();
    }
    headsign = Cp932Form(headsign);
    const QString destination = Destination(Spoken(headsign.isEmpty() ? names.last() : headsign));
    out.tape << GtfsTapeLine{
        QStringLiteral("ご乗車ありがとうございます。このバスは%1行きです。").arg(destination), 0,
        0};
    for (qsizetype k = 1; k < n; ++k) {
        const QString text =
            k + 1 < n ? QStringLiteral("次は、%1です。") : QStringLiteral("次は、終点、%1です。");
        out.tape << GtfsTapeLine{text.arg(Spoken(names[k])), 1, 1};
    }

    if (!feed.hasTranslations) {
        out.warnings << QStringLiteral("translations.txt がないため、読みのリストは空です");
        return out;
    }
    QSet<QString> seen;
    QStringList unread;
    for (qsizetype k = 0; k < n; ++k) {
        const GtfsStop& stop = *stops[k];
        QString reading = feed.readingOfStop.value(stop.id);
        if (reading.isEmpty())
            reading = feed.readingOfText.value(stop.name);
        const QString written = Spoken(names[k]);
        if (reading.isEmpty()) {
            if (!unread.contains(written))
                unread << written;
            continue;
        }
        AddReading(out, seen, written, reading);
    }
    // The headsign is spoken as written only when nothing was cut from it.
    if (!headsign.isEmpty() && destination == Spoken(headsign)) {
        QString reading = feed.readingOfHeadsign.value(trip.id);
        if (reading.isEmpty())
            reading = feed.readingOfText.value(trip.headsign);
        AddReading(out, seen, destination, reading);
    }
    if (!unread.isEmpty())
        out.warnings << QStringLiteral("読み (ja-Hrkt) のない停留所があります: %1")
                            .arg(unread.join(QStringLiteral("、")));
    return out;
}

QByteArray WriteTapeCsv(const QList<GtfsTapeLine>& tape)
{
    QString text;
    for (const GtfsTapeLine& line : tape)
        text += u'"' + line.text + QStringLiteral("\",") + QString::number(line.stepFlag) + u',' +
                QString::number(line.preFlag) + QStringLiteral("\r\n");
    return ltm4::ToCp932(text);
}

namespace {

QString YomiField(const QString& text)
{
    const bool quote = text.contains(u',') || text.contains(u'"') || text.startsWith(u'#') ||
                       text != text.trimmed();
    if (!quote)
        return text;
    QString q = text;
    q.replace(u'"', QLatin1String("\"\""));
    return u'"' + q + u'"';
}

} // namespace

QByteArray WriteYomiCsv(const QList<GtfsReading>& readings, const QString& comment)
{
    QString text = QStringLiteral("# 表記,読み");
    if (!comment.isEmpty())
        text += u' ' + OneLine(comment);
    text += u'\n';
    for (const GtfsReading& r : readings)
        text += YomiField(r.written) + u',' + YomiField(r.reading) + u'\n';
    return text.toUtf8();
}

bool SaveGtfsExport(const QString& folder, const QString& routeKey, const GtfsExport& data,
                    QString& error)
{
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("."))) {
        error = folder + QStringLiteral(": フォルダを作れません");
        return false;
    }
    const FareEncodeResult fares = EncodeFareFile(data.records);
    if (!fares.ok() || fares.lossy) {
        error = QStringLiteral("運賃データにできません (レコード %1)")
                    .arg(fares.ok() ? fares.firstLossyRecord : fares.errorRecord);
        return false;
    }
    const QList<std::pair<QString, QByteArray>> files{
        {routeKey + QStringLiteral(".hy3"), fares.bytes},
        {routeKey + QStringLiteral("tp.csv"), WriteTapeCsv(data.tape)},
        {routeKey + QStringLiteral("yomi.csv"),
         WriteYomiCsv(data.readings, QStringLiteral("(系統%1)").arg(routeKey))},
    };
    // All three or none: an announcement list from another export beside
    // these fares would step the board wrongly.
    ltm4::SaveSet set;
    bool staged = true;
    for (const auto& [name, bytes] : files)
        staged = staged && set.add(dir.filePath(name), bytes);
    if (staged && set.commit())
        return true;
    error = set.errorFile() + QStringLiteral(": 書き込めません (") + set.errorReason() +
            QStringLiteral(")。どのファイルも書き換えていません");
    return false;
}
