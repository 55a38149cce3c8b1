// SPDX-License-Identifier: GPL-3.0-or-later
// GTFS feeds to route data: small feeds built here, as folders and as zips
// made with libzip, read into fare rows, announcement lines and readings.

#include "companion/LTM4Res.h"
#include "panel/FareData.h"
#include "run/RunSchedule.h"
#include "run/Timetable.h"
#include "sound/ReadingList.h"
#include "sound/TapeData.h"
#include "tests/FileLimit.h"
#include "tests/ZipSupport.h"
#include "tools/GtfsExport.h"
#include "tools/GtfsFeed.h"
#include "tools/GtfsSource.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Tables = QMap<QString, QByteArray>;

// Four stops in four zones on route R1 ("31"); trip T1 runs them in order
// (stop_sequence 10..40, written out of order), T2 runs back, T3 is earlier.
Tables BaseFeed()
{
    Tables t;
    t["stops.txt"] = "stop_id,stop_name,zone_id\n"
                     "S1,駅前,Z1\nS2,富岸,Z2\nS3,市役所前,Z3\nS4,温泉,Z4\n";
    t["routes.txt"] = "route_id,route_short_name,route_long_name\nR1,31,温泉線\nR2,32,\n";
    t["trips.txt"] = "route_id,service_id,trip_id,trip_headsign,direction_id\n"
                     "R1,W,T1,温泉行,0\nR1,W,T2,駅前,1\nR1,W,T3,,0\n";
    t["stop_times.txt"] = "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n"
                          "T1,08:00:00,08:00:00,S1,10\nT1,08:20:00,08:20:00,S3,30\n"
                          "T1,08:10:00,08:10:00,S2,20\nT1,08:30:00,08:30:00,S4,40\n"
                          "T2,09:00:00,09:00:00,S4,1\nT2,09:30:00,09:30:00,S1,2\n"
                          "T3,07:00:00,,S1,1\nT3,07:30:00,,S4,2\n";
    t["fare_attributes.txt"] = "fare_id,price,currency_type\nA,160,JPY\nB,200.0,JPY\nC,250,JPY\n";
    t["fare_rules.txt"] = "fare_id,route_id,origin_id,destination_id\n"
                          "A,R1,Z1,Z1\nA,R1,Z1,Z2\nB,R1,Z1,Z3\nC,R1,Z1,Z4\n"
                          "A,R1,Z2,Z3\nB,R1,Z2,Z4\nA,R1,Z3,Z4\n";
    t["translations.txt"] = "trans_id,lang,translation\n富岸,ja-Hrkt,とんけし\n"
                            "駅前,ja-Hrkt,えきまえ\n富岸,en,Tonkeshi\n";
    return t;
}

GtfsFiles Files(const Tables& t)
{
    return {QHash<QString, QByteArray>(t.begin(), t.end()), true, {}};
}

GtfsFeed Load(const Tables& t)
{
    GtfsFeedResult r = LoadGtfsFeed(Files(t));
    if (!r.ok)
        qWarning("%s", qPrintable(FormatGtfsError(QStringLiteral("feed"), r.error)));
    return r.feed;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray Contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The tables as files in folder; stops.txt as "Stops.txt", which is found as well.
bool WriteFolder(const QString& folder, const Tables& t)
{
    bool ok = QDir().mkpath(folder);
    for (auto it = t.begin(); it != t.end(); ++it) {
        QFile f(folder + u'/' + (it.key() == u"stops.txt" ? u"Stops.txt"_qs : it.key()));
        ok = ok && f.open(QIODevice::WriteOnly) && f.write(it.value()) == it.value().size();
    }
    return ok;
}

// A zip of the tables under prefix, compressed as libzip does by default.
QByteArray Zip(const Tables& t, const QByteArray& prefix = {})
{
    QList<ZipEntry> entries;
    for (auto it = t.begin(); it != t.end(); ++it)
        entries.append({prefix + it.key().toUtf8(), it.value()});
    return MakeZip(entries);
}

StopRecord Row(const QString& name, int seiri, const QList<int>& fares)
{
    StopRecord r;
    r.StopName = name;
    r.SeiriNo = qint16(seiri);
    for (int k = 1; k <= fares.size(); ++k)
        r.Fare[size_t(k)] = qint16(fares[k - 1]);
    return r;
}

const QList<StopRecord> kBaseRows = {
    Row(QStringLiteral("駅前"), 1, {160}),
    Row(QStringLiteral("富岸"), 2, {160, 0}),
    Row(QStringLiteral("市役所前"), 3, {200, 160, 0}),
    Row(QStringLiteral("温泉"), 4, {250, 200, 160, 0}),
};

} // namespace

Q_DECLARE_METATYPE(GtfsLimits)

class tst_Gtfs final : public QObject {
    Q_OBJECT
private slots:
    void exportedTripRunsAtSixty();
    void sources_data();
    void sources();
    void csvForms();
    void fareRules_data();
    void fareRules();
    void fareHeaders_data();
    void fareHeaders();
    void poles();
    void welcome_data();
    void welcome();
    void loopReadAsItsRoute();
    void serviceDays_data();
    void serviceDays();
    void mergeReadings_data();
    void mergeReadings();
    void announcements();
    void announcementsKeepPercentSigns();
    void timetable_data();
    void timetable();
    void readings_data();
    void readings();
    void errors_data();
    void errors();
    void zipLimits_data();
    void zipLimits();
    void folderTableLimit_data();
    void folderTableLimit();
    void listAndPick();
    void commandLine_data();
    void commandLine();
    void toolFiles_data();
    void toolFiles();
    void forceKeepsTheUsersReadings();
    void toolWritesTheTimetable();
};

void tst_Gtfs::sources_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("zip") << "zip";
    QTest::newRow("zip of a folder") << "subfolder";
}

void tst_Gtfs::sources()
{
    QFETCH(QString, kind);
    const Tables t = BaseFeed();
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("feed"));
    if (kind == u"folder") {
        QVERIFY(WriteFolder(path, t));
    } else {
        Tables withNoise = t;
        withNoise["shapes.txt"] = "not asked for";
        const QByteArray zip = Zip(withNoise, kind == u"zip" ? "" : "feed_2024/");
        path += QStringLiteral(".zip");
        QFile f(path);
        QVERIFY(!zip.isEmpty() && f.open(QIODevice::WriteOnly) && f.write(zip) == zip.size());
    }
    const GtfsFiles files = ReadGtfsFeed(path, GtfsTableNames(), GtfsLimits{});
    QVERIFY2(files.ok, qPrintable(files.error.message));
    QCOMPARE(files.tables.size(), 7);
    QCOMPARE(files.tables.value("stop_times.txt"), t["stop_times.txt"]);
    const GtfsExport e = ExportGtfsTrip(LoadGtfsFeed(files).feed, QStringLiteral("T1"));
    QVERIFY(e.ok);
    QCOMPARE(e.records, kBaseRows);
    // Only the stop's own ticket lacks a rule, and that is quiet.
    QCOMPARE(e.warnings.join(u'|'),
             QStringLiteral("読み (ja-Hrkt) のない停留所があります: 市役所前、温泉"));
}

void tst_Gtfs::csvForms()
{
    Tables t = BaseFeed();
    // BOM, CRLF, columns in another order, an unknown column, quoted fields.
    t["stops.txt"] = "\xEF\xBB\xBFzone_id,platform_code,stop_name,stop_id\r\n"
                     "Z1,1,\"駅前\",S1\r\nZ2,,\"富岸, 北\",S2\r\nZ3,,\"市役所\"\"前\"\"\",S3\r\n"
                     "Z4,,\" 温泉〜 \",\"S4\"\r\n";
    const GtfsExport e = ExportGtfsTrip(Load(t), QStringLiteral("T1"));
    QVERIFY(e.ok);
    QStringList names;
    for (const StopRecord& r : e.records)
        names << r.StopName;
    // "〜" is kept as CP932 gives it back, the same in every file.
    QCOMPARE(names, (QStringList{"駅前", "富岸, 北", "市役所\"前\"", "温泉～"}));
    QCOMPARE(e.tape[3].text, QStringLiteral("次は、終点、温泉～です。"));
    QCOMPARE(e.records[3].Fare[1], qint16(250));
    // tp.csv has no escape for quotes: the spoken text leaves them out.
    QCOMPARE(e.tape[2].text, QStringLiteral("次は、市役所前です。"));
}

void tst_Gtfs::fareRules_data()
{
    QTest::addColumn<QByteArray>("attributes");
    QTest::addColumn<QByteArray>("rules");
    QTest::addColumn<QList<int>>("lastRow"); // fares of row 4 (温泉) for tickets 1..4
    QTest::addColumn<QList<int>>("row2");    // fares of row 2 (富岸) for tickets 1..2
    QTest::addColumn<QString>("warning");    // expected in the warnings, empty for none

    const QByteArray attrs = "fare_id,price\nA,160\nB,200\nC,250\nD,300\n";
    const QByteArray head = "fare_id,route_id,origin_id,destination_id\n";
    // Every pair of the trip but the one from 駅前 to 温泉.
    const QByteArray cover = "A,R1,Z1,Z2\nB,R1,Z1,Z3\nA,R1,Z2,Z3\nB,R1,Z2,Z4\nA,R1,Z3,Z4\n";
    QByteArray generic = head + cover + "C,R1,Z1,Z4\n";
    generic.replace(",R1,", ",,");
    // Rules without route_id apply, but the route's own rule wins even when
    // dearer; a zone pair wins over a flat fare.
    QTest::newRow("route rule wins over one without")
        << attrs << generic + "D,R1,Z1,Z4\nD,R2,Z2,Z4\nD,,,\n"
        << QList<int>{300, 200, 160, 300} << QList<int>{160, 300} << QString();
    // Even a rule naming fewer zones, or none, as long as it names the route.
    QTest::newRow("route flat fare beats a general zone pair")
        << attrs << generic + "D,R1,,\n"
        << QList<int>{300, 300, 300, 300} << QList<int>{300, 300} << QString();
    QTest::newRow("route rule naming one zone beats a general pair")
        << attrs << generic + "D,R1,Z1,\n"
        << QList<int>{300, 200, 160, 0} << QList<int>{300, 0} << QString();
    QTest::newRow("zone pair beats the flat fare")
        << attrs << head + "B,R1,,\nD,R1,Z1,Z4\n"
        << QList<int>{300, 200, 200, 200} << QList<int>{200, 200} << QString();
    QTest::newRow("missing pair")
        << attrs << head + cover << QList<int>{0, 200, 160, 0} << QList<int>{160, 0}
        << QStringLiteral(
               "'駅前' (整理券1) から '温泉' (4番目) までの運賃ルールがないため0にします "
               "(ゾーン 'Z1' → 'Z4')");
    QTest::newRow("contains_id")
        << attrs
        << "fare_id,route_id,origin_id,destination_id,contains_id\nD,R1,Z1,Z4,Z2\n" + cover +
               "C,R1,Z1,Z4,\n"
        << QList<int>{250, 200, 160, 0} << QList<int>{160, 0}
        << QStringLiteral("contains_id のある運賃ルールには対応していないため使いません "
                          "(fare_rules.txt:2 など 1 件)");
    QTest::newRow("two prices for a pair")
        << attrs << head + cover + "D,R1,Z1,Z4\nC,R1,Z1,Z4\n"
        << QList<int>{250, 200, 160, 0} << QList<int>{160, 0}
        << QStringLiteral(
               "'駅前' (整理券1) から '温泉' (4番目) までの運賃ルールが複数あり運賃が違う"
               "ため、安い 250 円にします (fare_id: D、C)");
    QTest::newRow("unknown fare_id")
        << attrs << QByteArray("fare_id,route_id\nX,R1\nA,R1\n") << QList<int>{160, 160, 160, 160}
        << QList<int>{160, 160}
        << QStringLiteral("fare_rules.txt:2: 運賃 'X' が fare_attributes.txt にないため、"
                          "このルールは使いません");
    QTest::newRow("rules for other routes only")
        << attrs << QByteArray("fare_id,route_id\nA,R2\n") << QList<int>{0, 0, 0, 0}
        << QList<int>{0, 0}
        << QStringLiteral("路線 'R1' に当てはまる運賃ルールがないため、運賃はすべて0です");
    QTest::newRow("no fare tables")
        << QByteArray() << QByteArray() << QList<int>{0, 0, 0, 0} << QList<int>{0, 0}
        << QStringLiteral("運賃の表 (fare_attributes.txt、"
                          "fare_rules.txt) がないため、運賃はすべて0です");
}

void tst_Gtfs::fareRules()
{
    QFETCH(QByteArray, attributes);
    QFETCH(QByteArray, rules);
    QFETCH(QList<int>, lastRow);
    QFETCH(QList<int>, row2);
    QFETCH(QString, warning);
    Tables t = BaseFeed();
    t.remove("fare_attributes.txt");
    t.remove("fare_rules.txt");
    if (!attributes.isEmpty()) {
        t["fare_attributes.txt"] = attributes;
        t["fare_rules.txt"] = rules;
    }
    const GtfsExport e = ExportGtfsTrip(Load(t), QStringLiteral("T1"));
    QVERIFY(e.ok);
    QCOMPARE(e.records.size(), 4);
    QCOMPARE(e.records[3], Row(QStringLiteral("温泉"), 4, lastRow));
    QCOMPARE(e.records[1], Row(QStringLiteral("富岸"), 2, row2));
    QStringList fareWarnings = e.warnings;
    fareWarnings.removeIf([](const QString& w) { return w.startsWith(QStringLiteral("読み")); });
    QCOMPARE(fareWarnings.join(u'|'), warning);
}

void tst_Gtfs::fareHeaders_data()
{
    QTest::addColumn<QByteArray>("attributes");
    QTest::addColumn<QByteArray>("rules");
    QTest::addColumn<QString>("warning"); // the feed's warning
    const QByteArray attrs = "fare_id,price\nA,160\n";
    const QString dropped = "見出しが読めないため運賃を使いません。運賃はすべて0になります ";
    QTest::newRow("stray tab") << attrs << QByteArray("fare_id\troute_id,origin_id\nA\tR1,Z1\n")
                               << "fare_rules.txt:1: " + dropped +
                                      "(列 fare_id がありません。見つかった見出し: "
                                      "fare_id<タブ>route_id,origin_id)";
    // Read without its origin_id, every rule would price every pair.
    QTest::newRow("misspelt column")
        << attrs << QByteArray("fare_id,route_id,orgin_id,destination_id\nA,R1,Z1,Z2\n")
        << "fare_rules.txt:1: " + dropped +
               "(わからない列 'orgin_id' があります。見つかった見出し: "
               "fare_id,route_id,orgin_id,destination_id)";
    QTest::newRow("empty rules") << attrs << QByteArray()
                                 << "fare_rules.txt: " + dropped +
                                        "(列 fare_id がありません。見つかった見出し: なし)";
    QTest::newRow("misspelt price")
        << QByteArray("fare_id,prise\nA,160\n") << QByteArray("fare_id\nA\n")
        << "fare_attributes.txt:1: " + dropped +
               "(列 price がありません。見つかった見出し: fare_id,prise)";
}

void tst_Gtfs::fareHeaders()
{
    QFETCH(QByteArray, attributes);
    QFETCH(QByteArray, rules);
    QFETCH(QString, warning);
    Tables t = BaseFeed();
    t["fare_attributes.txt"] = attributes;
    t["fare_rules.txt"] = rules;
    // The stops and trips are still read: the fares are what is left out.
    const GtfsFeedResult loaded = LoadGtfsFeed(Files(t));
    QVERIFY2(loaded.ok, qPrintable(loaded.error.message));
    QCOMPARE(loaded.feed.warnings, QStringList{warning});
    const GtfsExport e = ExportGtfsTrip(loaded.feed, QStringLiteral("T1"));
    QVERIFY(e.ok);
    QCOMPARE(e.records.size(), 4);
    for (const StopRecord& r : e.records)
        QVERIFY(std::all_of(r.Fare.begin(), r.Fare.end(), [](qint16 f) { return f == 0; }));
    QVERIFY(e.warnings.contains(u"運賃の表の見出しが読めないため、運賃はすべて0です"_qs));
}

void tst_Gtfs::poles()
{
    Tables t = BaseFeed();
    // 駅前 and 富岸 are stations with poles; S3's station is missing from the feed.
    t["stops.txt"] = "stop_id,stop_name,zone_id,location_type,parent_station\n"
                     "ST1,駅前,,1,\nS1,駅前 1番のりば,Z1,0,ST1\n"
                     "ST2,富岸,Z2,1,\nS2,大学行バスのりば,,,ST2\n"
                     "S3,バスおりば下,Z3,0,ST9\nS4,温泉,Z4,,\n";
    t["translations.txt"] = "table_name,field_name,language,translation,record_id\n"
                            "stops,stop_name,ja-Hrkt,とんけし,ST2\n"
                            "stops,stop_name,ja-Hrkt,だいがくゆきばすのりば,S2\n";
    const GtfsFeed feed = Load(t);
    QCOMPARE(feed.warnings.size(), 1);
    const QString& w = feed.warnings.first();
    QVERIFY2(w.startsWith(u"stops.txt:6: "_qs) && w.contains(u"'S3'"_qs) &&
                 w.contains(u"'ST9'"_qs) && w.contains(u"'バスおりば下'"_qs),
             qPrintable(w));
    const GtfsExport e = ExportGtfsTrip(feed, QStringLiteral("T1"));
    QVERIFY(e.ok);
    QStringList names;
    for (const StopRecord& r : e.records)
        names << r.StopName;
    QCOMPARE(names, (QStringList{"駅前", "富岸", "バスおりば下", "温泉"}));
    // 富岸's pole has no zone of its own: its station's applies.
    QCOMPARE(e.records[1].Fare[1], qint16(160));
    QCOMPARE(e.tape[1].text, QStringLiteral("次は、富岸です。"));
    // Read as the station, not as the platform's description.
    QCOMPARE(e.readings.size(), 1);
    QCOMPARE(e.readings.first().written, QStringLiteral("富岸"));
    QCOMPARE(e.readings.first().reading, QStringLiteral("とんけし"));
}

void tst_Gtfs::welcome_data()
{
    QTest::addColumn<QByteArray>("stops"); // stop_ids of the trip
    QTest::addColumn<QByteArray>("headsign");
    QTest::addColumn<QByteArray>("routeNames"); // short,long
    QTest::addColumn<QString>("welcome");
    const QString to = "ご乗車ありがとうございます。このバスは%1行きです。";
    const QString loop = "ご乗車ありがとうございます。このバスは、%1です。";
    QTest::newRow("headsign") << QByteArray("S1 S2 S4") << QByteArray("温泉")
                              << QByteArray("31,温泉線") << to.arg("温泉");
    QTest::newRow("headsign with 行") << QByteArray("S1 S2 S4") << QByteArray("温泉行")
                                      << QByteArray("31,温泉線") << to.arg("温泉");
    QTest::newRow("headsign with 行き") << QByteArray("S1 S2 S4") << QByteArray("温泉行き")
                                        << QByteArray("31,温泉線") << to.arg("温泉");
    QTest::newRow("last stop") << QByteArray("S1 S2 S4") << QByteArray() << QByteArray("31,温泉線")
                               << to.arg("温泉");
    QTest::newRow("loop named by its headsign")
        << QByteArray("S1 S2 S3 S1") << QByteArray("こみちオレンジルート")
        << QByteArray("31,温泉線") << loop.arg("こみちオレンジルート");
    QTest::newRow("headsign naming the route") << QByteArray("S1 S2 S4") << QByteArray("温泉線")
                                               << QByteArray("31,温泉線") << loop.arg("温泉線");
    QTest::newRow("headsign naming the route's number")
        << QByteArray("S1 S2 S4") << QByteArray("31") << QByteArray("31,") << loop.arg("31系統");
    QTest::newRow("circular headsign") << QByteArray("S1 S4") << QByteArray("市内循環")
                                       << QByteArray("31,温泉線") << loop.arg("市内循環");
    QTest::newRow("loop without headsign")
        << QByteArray("S1 S2 S1") << QByteArray() << QByteArray("31,温泉線") << loop.arg("温泉線");
    QTest::newRow("loop headsign naming where it begins")
        << QByteArray("S1 S2 S1") << QByteArray("駅前") << QByteArray("31,温泉線")
        << loop.arg("温泉線");
    QTest::newRow("loop by number only")
        << QByteArray("S1 S2 S1") << QByteArray() << QByteArray("31,") << loop.arg("31系統");
    QTest::newRow("loop without names")
        << QByteArray("S1 S2 S1") << QByteArray() << QByteArray(",") << loop.arg("駅前循環");
    // Where a loop turns is where it goes.
    QTest::newRow("loop turning at its headsign")
        << QByteArray("S1 S3 S1") << QByteArray("市役所前") << QByteArray("31,温泉線")
        << to.arg("市役所前");
    QTest::newRow("loop headsign with 行") << QByteArray("S1 S3 S1") << QByteArray("駅前行")
                                           << QByteArray("31,温泉線") << to.arg("駅前");
}

void tst_Gtfs::welcome()
{
    QFETCH(QByteArray, stops);
    QFETCH(QByteArray, headsign);
    QFETCH(QByteArray, routeNames);
    QFETCH(QString, welcome);
    Tables t = BaseFeed();
    t["routes.txt"] = "route_id,route_short_name,route_long_name\nR1," + routeNames + "\n";
    t["trips.txt"] = "route_id,trip_id,trip_headsign\nR1,T1," + headsign + "\n";
    QByteArray times = "trip_id,stop_id,stop_sequence\n";
    int seq = 0;
    for (const QByteArray& stop : stops.split(' '))
        times += "T1," + stop + "," + QByteArray::number(++seq) + "\n";
    t["stop_times.txt"] = times;
    const GtfsExport e = ExportGtfsTrip(Load(t), QStringLiteral("T1"));
    QVERIFY(e.ok);
    QCOMPARE(e.tape.first().text, welcome);
    QCOMPARE(e.tape.size(), seq);
}

void tst_Gtfs::loopReadAsItsRoute()
{
    Tables t = BaseFeed();
    t["trips.txt"] = "route_id,trip_id,trip_headsign\nR1,T1,温泉線\n";
    t["translations.txt"] = "table_name,field_name,language,translation,record_id\n"
                            "routes,route_long_name,ja-Hrkt,おんせんせん,R1\n"
                            "routes,route_short_name,ja-Hrkt,さんじゅういち,R1\n";
    const GtfsExport e = ExportGtfsTrip(Load(t), QStringLiteral("T1"));
    QVERIFY(e.ok);
    QCOMPARE(e.tape.first().text,
             QStringLiteral("ご乗車ありがとうございます。このバスは、温泉線です。"));
    QCOMPARE(WriteYomiCsv(e.readings, {}), QByteArray("# 表記,読み\n温泉線,おんせんせん\n"));
}

void tst_Gtfs::serviceDays_data()
{
    QTest::addColumn<QByteArray>("calendar"); // "-": no table
    QTest::addColumn<QByteArray>("dates");    // "-": no table
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("days");
    QTest::addColumn<QString>("warning");
    const QByteArray head = "service_id,monday,tuesday,wednesday,thursday,friday,saturday,sunday,"
                            "start_date,end_date\n";
    const QByteArray datesHead = "service_id,date,exception_type\n";
    const QByteArray calendar = head + "W,1,1,1,1,1,0,0,20240401,20250331\n"
                                       "H,0,0,0,0,0,1,1,20240401,20250331\n"
                                       "O,1,0,1,0,1,0,0,20240401,20250331\n"
                                       "A,1,1,1,1,1,1,1,20240401,20250331\n";
    const QByteArray dates = datesHead + "H,20240429,1\nW,20240429,2\nW,20240503,2\nX,20240815,1\n"
                                         "X,20240816,1\n";
    QTest::newRow("weekdays") << calendar << dates << "W"
                              << "月～金 -2日" << QString();
    QTest::newRow("weekends") << calendar << dates << "H"
                              << "土日 +1日" << QString();
    QTest::newRow("some days") << calendar << QByteArray("-") << "O"
                               << "月水金" << QString();
    QTest::newRow("every day") << calendar << dates << "A"
                               << "毎日" << QString();
    QTest::newRow("dates only") << calendar << dates << "X"
                                << "指定日 2日" << QString();
    QTest::newRow("unknown service") << calendar << dates << "Z"
                                     << "不明" << QString();
    QTest::newRow("no calendar") << QByteArray("-") << QByteArray("-") << "W"
                                 << "-" << QString();
    QTest::newRow("broken header")
        << QByteArray("service_id,mon,tue\nW,1,1\n") << dates << "W"
        << "-"
        << "calendar.txt:1: 列 monday がありません (運行日は表示しません)";
}

void tst_Gtfs::serviceDays()
{
    QFETCH(QByteArray, calendar);
    QFETCH(QByteArray, dates);
    QFETCH(QString, service);
    QFETCH(QString, days);
    QFETCH(QString, warning);
    Tables t = BaseFeed();
    if (calendar != "-")
        t["calendar.txt"] = calendar;
    if (dates != "-")
        t["calendar_dates.txt"] = dates;
    const GtfsFeedResult loaded = LoadGtfsFeed(Files(t));
    QVERIFY(loaded.ok);
    QCOMPARE(GtfsServiceDays(loaded.feed, service), days);
    QCOMPARE(loaded.feed.warnings.join(u'|'), warning);
    QCOMPARE(loaded.feed.trips.first().serviceId, QStringLiteral("W"));
}

void tst_Gtfs::mergeReadings_data()
{
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QByteArray>("merged");
    QTest::addColumn<int>("kept");
    QTest::addColumn<int>("added");
    // The feed's readings, in every row: 富岸 とんけし, 温泉 おんせん, 駅前 えきまえ.
    const QByteArray added = "# GTFS から追加 (系統31)\n温泉,おんせん\n";
    const QByteArray users = "# 表記,読み (系統31)\n富岸,とみきし\n# 自分で直した\n駅前,えきまえ\n";
    QTest::newRow("the user's reading wins") << users << users + added << 1 << 1;
    const QByteArray all = users + added;
    QTest::newRow("nothing new") << all << all << 1 << 0;
    QTest::newRow("CRLF without a last line break")
        << QByteArray("富岸,とみきし\r\n駅前,えきまえ")
        << QByteArray(
               "富岸,とみきし\r\n駅前,えきまえ\r\n# GTFS から追加 (系統31)\r\n温泉,おんせん\r\n")
        << 1 << 1;
    QTest::newRow("BOM") << "\xEF\xBB\xBF" + users << "\xEF\xBB\xBF" + users + added << 1 << 1;
    QTest::newRow("CP932 stays CP932") << ltm4::ToCp932(u"富岸,とみきし\n駅前,えきまえ\n"_qs)
                                       << ltm4::ToCp932(u"富岸,とみきし\n駅前,えきまえ\n"_qs) +
                                              ltm4::ToCp932(QString::fromUtf8(added))
                                       << 1 << 1;
    QTest::newRow("empty") << QByteArray()
                           << QByteArray("# GTFS から追加 (系統31)\n富岸,とんけし\n温泉,おんせん\n"
                                         "駅前,えきまえ\n")
                           << 0 << 3;
}

void tst_Gtfs::mergeReadings()
{
    QFETCH(QByteArray, existing);
    QFETCH(QByteArray, merged);
    QFETCH(int, kept);
    QFETCH(int, added);
    const QList<GtfsReading> fromFeed{
        {u"富岸"_qs, u"とんけし"_qs}, {u"温泉"_qs, u"おんせん"_qs}, {u"駅前"_qs, u"えきまえ"_qs}};
    const YomiMerge m = MergeYomiCsv(existing, fromFeed, QStringLiteral("(系統31)"));
    QCOMPARE(m.bytes, merged);
    QCOMPARE(m.kept, kept);
    QCOMPARE(m.added, added);
    // The program reads every written form once, the user's reading first.
    const ReadingList read = ReadingList::Parse(m.bytes);
    QCOMPARE(read.Entries().size(), 3);
    QCOMPARE(read.Apply(u"富岸"_qs), existing.isEmpty() ? u"とんけし"_qs : u"とみきし"_qs);
    QCOMPARE(read.Apply(u"温泉"_qs), u"おんせん"_qs);
}

void tst_Gtfs::announcements()
{
    Tables t = BaseFeed();
    const GtfsExport e = ExportGtfsTrip(Load(t), QStringLiteral("T1"));
    QVERIFY(e.ok);
    // The welcome stays on the first stop; each later entry steps onto its stop.
    const QByteArray expected = ltm4::ToCp932(
        QStringLiteral("\"ご乗車ありがとうございます。このバスは温泉行きです。\",0,0\r\n"
                       "\"次は、富岸です。\",1,1\r\n"
                       "\"次は、市役所前です。\",1,1\r\n"
                       "\"次は、終点、温泉です。\",1,1\r\n"));
    QCOMPARE(WriteTapeCsv(e.tape), expected);
    // Without a headsign the last stop names the destination.
    const GtfsExport noHeadsign = ExportGtfsTrip(Load(t), QStringLiteral("T3"));
    QCOMPARE(noHeadsign.tape.first().text,
             QStringLiteral("ご乗車ありがとうございます。このバスは温泉行きです。"));
    QCOMPARE(noHeadsign.tape.size(), 2);
    // A headsign CP932 cannot hold is replaced by the last stop, with a warning.
    t["trips.txt"] = "route_id,trip_id,trip_headsign\nR1,T1,𠮷野\n";
    const GtfsExport odd = ExportGtfsTrip(Load(t), QStringLiteral("T1"));
    QCOMPARE(odd.tape.first().text,
             QStringLiteral("ご乗車ありがとうございます。このバスは温泉行きです。"));
    QVERIFY(odd.warnings.first().contains(QStringLiteral("U+20BB7")));
}

void tst_Gtfs::timetable_data()
{
    // stop_times.txt of trip T1 (S1..S4 in order) and the timetable rows it
    // gives, as "arrival/departure" ("-" for none), with the warnings expected.
    QTest::addColumn<QByteArray>("stopTimes");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("warnings");
    const QByteArray head = "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n";
    QTest::newRow("arrival and departure")
        << head + "T1,8:00:00,8:00:00,S1,1\nT1,08:09:00,08:10:30,S2,2\n"
                  "T1,08:20:00,08:20:00,S3,3\nT1,08:30:00,08:31:00,S4,4\n"
        << QStringList{u"08:00/08:00"_qs, u"08:09/08:10:30"_qs, u"08:20/08:20"_qs,
                       u"08:30/08:31"_qs}
        << QStringList{};
    QTest::newRow("after midnight")
        << head + "T1,23:50:00,23:50:00,S1,1\nT1,23:59:30,24:00:00,S2,2\n"
                  "T1,24:10:00,24:10:00,S3,3\nT1,25:05:00,25:05:00,S4,4\n"
        << QStringList{u"23:50/23:50"_qs, u"23:59:30/24:00"_qs, u"24:10/24:10"_qs,
                       u"25:05/25:05"_qs}
        << QStringList{};
    // One time stands for both; a stop that is no timepoint has none.
    QTest::newRow("one time or none")
        << head + "T1,,07:00:00,S1,1\nT1,,,S2,2\nT1,07:20:00,,S3,3\nT1,07:30:00,,S4,4\n"
        << QStringList{u"07:00/07:00"_qs, u"-/-"_qs, u"07:20/07:20"_qs, u"07:30/07:30"_qs}
        << QStringList{};
    // A time written as a day's clock after midnight goes back: left out, so
    // that the file is still read.
    QTest::newRow("back in time")
        << head + "T1,23:50:00,23:50:00,S1,1\nT1,00:10:00,00:10:00,S2,2\n"
                  "T1,24:20:00,24:20:00,S3,3\nT1,24:30:00,24:25:00,S4,4\n"
        << QStringList{u"23:50/23:50"_qs, u"-/-"_qs, u"24:20/24:20"_qs, u"24:30/-"_qs}
        << QStringList{u"stop_times.txt:3: arrival_time '00:10:00' が前の時刻 '23:50:00' より前"_qs,
                       u"stop_times.txt:3: departure_time '00:10:00' が前の時刻"_qs,
                       u"stop_times.txt:5: departure_time '24:25:00' が前の時刻 '24:30:00'"_qs};
    QTest::newRow("times the timetable cannot hold")
        << head + "T1,8時,08:00:00,S1,1\nT1,08:10,08:10,S2,2\n"
                  "T1,47:59:59,47:59:59,S3,3\nT1,48:00:00,48:00:00,S4,4\n"
        << QStringList{u"-/08:00"_qs, u"08:10/08:10"_qs, u"47:59:59/47:59:59"_qs, u"-/-"_qs}
        << QStringList{u"stop_times.txt:2: arrival_time '8時' は時刻表に書けない時刻"_qs,
                       u"stop_times.txt:5: arrival_time '48:00:00'"_qs,
                       u"stop_times.txt:5: departure_time '48:00:00'"_qs};
}

void tst_Gtfs::timetable()
{
    QFETCH(QByteArray, stopTimes);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, warnings);
    Tables t = BaseFeed();
    t["stop_times.txt"] = stopTimes;
    const GtfsExport e = ExportGtfsTrip(Load(t), QStringLiteral("T1"));
    QVERIFY(e.ok);
    QCOMPARE(e.timetable.size(), e.records.size());
    const auto text = [](const std::optional<int>& s) {
        return s ? FormatTimetableTime(*s) : QStringLiteral("-");
    };
    QStringList got;
    for (qsizetype k = 0; k < e.timetable.size(); ++k) {
        got << text(e.timetable[k].arrival) + u'/' + text(e.timetable[k].departure);
        QCOMPARE(e.timetable[k].memo, e.records[k].StopName);
    }
    QCOMPARE(got, rows);
    const QString said = e.warnings.join(u'\n');
    for (const QString& w : warnings)
        QVERIFY2(said.contains(w), qPrintable(said));
    // Only these: the feed's other warnings are about its readings.
    QCOMPARE(e.warnings.filter(QStringLiteral("stop_times.txt:")).size(), warnings.size());
    // What is written reads back as it is: the run takes the file whole or not at all.
    const TimetableResult back = ParseTimetableCsv(WriteTimetableCsv(e.timetable));
    QVERIFY2(back.ok(), qPrintable(FormatTimetableError(u"time.csv"_qs, back.error)));
    QCOMPARE(back.rows, e.timetable);
}

void tst_Gtfs::announcementsKeepPercentSigns()
{
    // Names are text, not templates: "%1" in one is printed as it stands.
    Tables t = BaseFeed();
    t["stops.txt"] = "stop_id,stop_name,zone_id\n"
                     "S1,駅前,Z1\nS2,第%1乗り場,Z2\nS3,%2丁目,Z3\nS4,100%,Z4\n";
    t["trips.txt"] = "route_id,service_id,trip_id,trip_headsign,direction_id\nR1,W,T1,%3行,0\n";
    const GtfsExport e = ExportGtfsTrip(Load(t), QStringLiteral("T1"));
    QVERIFY(e.ok);
    const QByteArray written = WriteTapeCsv(e.tape);
    QCOMPARE(written, ltm4::ToCp932(QStringLiteral(
                          "\"ご乗車ありがとうございます。このバスは%3行きです。\",0,0\r\n"
                          "\"次は、第%1乗り場です。\",1,1\r\n"
                          "\"次は、%2丁目です。\",1,1\r\n"
                          "\"次は、終点、100%です。\",1,1\r\n")));
    // The program's own reader takes the list whole.
    const TapeParseResult read = ParseTapeCsv(written);
    QVERIFY2(read.ok(), qPrintable(read.error));
    QCOMPARE(read.entries.size(), 4);
    QCOMPARE(read.entries[1].TapeText, QStringLiteral("次は、第%1乗り場です。"));
    QCOMPARE(read.entries[1].TapeStepFlag, qint16(1));
    QCOMPARE(read.entries[1].TapePreFlag, qint16(1));
}

void tst_Gtfs::readings_data()
{
    QTest::addColumn<QByteArray>("translations");
    QTest::addColumn<QString>("trip");
    QTest::addColumn<QByteArray>("yomi");
    QTest::newRow("GTFS-JP form")
        << QByteArray("trans_id,lang,translation\n富岸,ja-Hrkt,とんけし\n富岸,en,Tonkeshi\n"
                      "温泉行,ja-Hrkt,おんせんゆき\n温泉,JA-HRKT,\"おん,せん\"\n")
        << "T1" << QByteArray("# 表記,読み (系統31)\n富岸,とんけし\n温泉,\"おん,せん\"\n");
    QTest::newRow("GTFS form by record_id and by field_value")
        << QByteArray("table_name,field_name,language,translation,record_id,record_sub_id,"
                      "field_value\n"
                      "stops,stop_name,ja-Hrkt,えきまえ,S1,,\n"
                      "stops,stop_name,en,Ekimae,S1,,\n"
                      "stops,stop_name,ja-Hrkt,しやくしょまえ,,,市役所前\n"
                      "stops,stop_name,ja-Hrkt,ちがう,S9,,\n")
        << "T1" << QByteArray("# 表記,読み (系統31)\n駅前,えきまえ\n市役所前,しやくしょまえ\n");
    // The headsign is read only where it is spoken as written: "温泉行" is cut to "温泉".
    const QByteArray headsigns = "table_name,field_name,language,translation,record_id\n"
                                 "trips,trip_headsign,ja-Hrkt,おんせんゆき,T1\n"
                                 "trips,trip_headsign,ja-Hrkt,えきまえ,T2\n";
    QTest::newRow("cut headsign") << headsigns << "T1" << QByteArray("# 表記,読み (系統31)\n");
    QTest::newRow("headsign as written")
        << headsigns << "T2" << QByteArray("# 表記,読み (系統31)\n駅前,えきまえ\n");
    QTest::newRow("no translations")
        << QByteArray() << "T1" << QByteArray("# 表記,読み (系統31)\n");
}

void tst_Gtfs::readings()
{
    QFETCH(QByteArray, translations);
    QFETCH(QString, trip);
    QFETCH(QByteArray, yomi);
    Tables t = BaseFeed();
    t.remove("translations.txt");
    if (!translations.isEmpty())
        t["translations.txt"] = translations;
    const GtfsExport e = ExportGtfsTrip(Load(t), trip);
    QVERIFY(e.ok);
    QCOMPARE(WriteYomiCsv(e.readings, QStringLiteral("(系統31)")), yomi);
    if (translations.isEmpty())
        QVERIFY(e.warnings.contains(
            QStringLiteral("translations.txt がないため、読みのリストは空です")));
}

void tst_Gtfs::errors_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QByteArray>("content"); // empty: the table is left out
    QTest::addColumn<QString>("message");
    const auto row = [](const char* name, const char* table, const QByteArray& content,
                        const QString& message) {
        QTest::newRow(name) << QString::fromLatin1(table) << content << message;
    };
    const QByteArray times = "trip_id,stop_id,stop_sequence\n";

    row("missing stops", "stops.txt", {}, "feed: stops.txt: フィードにありません");
    row("missing column", "stops.txt", "stop_id,zone_id\nS1,Z1\n",
        "feed: stops.txt:1: 列 stop_name がありません");
    row("unclosed quote", "routes.txt", "route_id\nR1\n\"R2\n",
        "feed: routes.txt:3: 引用符が閉じていません");
    row("duplicate stop", "stops.txt", "stop_id,stop_name\nS1,A\nS1,B\n",
        "feed: stops.txt:3: stop_id 'S1' が重複しています");
    row("trip without id", "trips.txt", "route_id,trip_id\nR1,T1\nR1,\n",
        "feed: trips.txt:3: trip_id が空です");
    row("bad price", "fare_attributes.txt", "fare_id,price\nA,160.5\n",
        "feed: fare_attributes.txt:2: 運賃 '160.5' は円単位の整数ではありません");
    row("price too large", "fare_attributes.txt", "fare_id,price\nA,40000\n",
        "feed: fare_attributes.txt:2: 運賃 40000 円は運賃データに書けません (上限 32767)");
    row("unknown trip", "trips.txt", "route_id,trip_id\nR1,T2\n",
        "feed: trips.txt: 便 'T1' がありません");
    row("unknown stop", "stop_times.txt", times + "T1,S1,1\nT1,S8,2\n",
        "feed: stop_times.txt:3: 停留所 'S8' が stops.txt にありません");
    row("repeated sequence", "stop_times.txt", times + "T1,S1,1\nT1,S2,1\n",
        "feed: stop_times.txt:3: 便 'T1' の stop_sequence 1 が重複しています");
    row("bad sequence", "stop_times.txt", times + "T1,S1,x\n",
        "feed: stop_times.txt:2: stop_sequence 'x' は0以上の整数ではありません");
    row("one stop", "stop_times.txt", times + "T1,S1,1\n",
        "feed: stop_times.txt: 便 'T1' の停留所が 1 つしかありません");
    row("not CP932", "stops.txt", "stop_id,stop_name\nS1,A\nS2,𠮷野家前\nS3,C\nS4,D\n",
        "feed: stops.txt: 停留所 '𠮷野家前' (stop_id S2) の文字 '𠮷' (U+20BB7) "
        "はCP932で表せません");
    // The converter drops U+FEFF without calling it lost.
    row("dropped character", "stops.txt", "stop_id,stop_name\nS1,A\nS2,B\uFEFFC\nS3,C\nS4,D\n",
        "feed: stops.txt: 停留所 'B\uFEFFC' (stop_id S2) の文字 '\uFEFF' (U+FEFF) "
        "はCP932で表せません");
    row("translations form", "translations.txt", "id,text\n1,a\n",
        "feed: translations.txt:1: trans_id,lang,translation の形式でも table_name,"
        "field_name,language,translation の形式でもありません");

    // Long trips: 151 stops need ticket 151, 302 stops row 302.
    QByteArray longTrip = times;
    for (int i = 1; i <= 302; ++i) {
        longTrip += "T1,S" + QByteArray::number(1 + i % 4) + "," + QByteArray::number(i) + "\n";
        if (i == 151)
            row("151 stops", "stop_times.txt", longTrip,
                "feed: stop_times.txt: 便 'T1' は停留所が 151 あり、整理券番号が上限 150 "
                "を超えます");
    }
    row("302 stops", "stop_times.txt", longTrip,
        "feed: stop_times.txt: 便 'T1' は停留所が 302 あり、運賃データの上限 301 を超えます");
}

void tst_Gtfs::errors()
{
    QFETCH(QString, table);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    Tables t = BaseFeed();
    t.remove(table);
    if (!content.isEmpty())
        t[table] = content;
    const GtfsFeedResult feed = LoadGtfsFeed(Files(t));
    GtfsError error = feed.error;
    if (feed.ok) {
        const GtfsExport e = ExportGtfsTrip(feed.feed, QStringLiteral("T1"));
        QVERIFY(!e.ok);
        QVERIFY(e.records.isEmpty());
        error = e.error;
    }
    QCOMPARE(FormatGtfsError(QStringLiteral("feed"), error), message);
}

void tst_Gtfs::zipLimits_data()
{
    QTest::addColumn<QByteArray>("zip");
    QTest::addColumn<GtfsLimits>("limits");
    QTest::addColumn<QString>("message");

    // A table of 2 MiB of one byte packs to a few KiB: a small zip bomb.
    Tables bomb = BaseFeed();
    bomb["stop_times.txt"] = QByteArray(2 << 20, ' ');
    QTest::newRow("table too large") << Zip(bomb) << GtfsLimits{.maxTableBytes = 1 << 20}
                                     << "stop_times.txt: 大きすぎます (上限 1 MiB)";
    bomb["translations.txt"] = QByteArray(2 << 20, ' ');
    QTest::newRow("total too large")
        << Zip(bomb) << GtfsLimits{.maxTotalBytes = 3 << 20}
        << "translations.txt: 読み込む表の合計が大きすぎます (上限 3 MiB)";
    QTest::newRow("too many entries")
        << Zip(BaseFeed()) << GtfsLimits{.maxEntries = 5} << "ZIPの項目が多すぎます (7、上限 5)";
    QTest::newRow("archive too large") << Zip(BaseFeed()) << GtfsLimits{.maxArchiveBytes = 100}
                                       << "ZIPファイルが大きすぎます (上限 100 バイト)";
    QTest::newRow("not a zip") << QByteArray("stop_id,stop_name\n") << GtfsLimits{}
                               << "ZIPとして読めません (Not a zip archive)";
    const Tables base = BaseFeed();
    Tables twice;
    for (auto it = base.cbegin(); it != base.cend(); ++it) {
        twice["a/" + it.key()] = it.value();
        twice["b/" + it.key()] = it.value();
    }
    QTest::newRow("two feeds") << Zip(twice) << GtfsLimits{}
                               << "ZIPの中に stops.txt が同じ深さで複数あり、"
                                  "どれがフィードか決められません";
}

void tst_Gtfs::zipLimits()
{
    QFETCH(QByteArray, zip);
    QFETCH(GtfsLimits, limits);
    QFETCH(QString, message);
    QVERIFY(!zip.isEmpty());
    const GtfsFiles files = ReadGtfsZip(zip, GtfsTableNames(), limits);
    QVERIFY(!files.ok);
    QCOMPARE(FormatGtfsError(QStringLiteral("feed.zip"), files.error),
             QStringLiteral("feed.zip: ") + message);
}

void tst_Gtfs::folderTableLimit_data()
{
    QTest::addColumn<int>("over"); // bytes the largest table has beyond the limit
    QTest::newRow("at the limit") << 0;
    QTest::newRow("one byte over") << 1;
}

void tst_Gtfs::folderTableLimit()
{
    QFETCH(int, over);
    Tables t = BaseFeed();
    t["stop_times.txt"] += QByteArray(4096, '\n'); // now the largest table
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("feed"));
    QVERIFY(WriteFolder(folder, t));
    const qint64 size = t["stop_times.txt"].size();
    const GtfsFiles files =
        ReadGtfsFolder(folder, GtfsTableNames(), GtfsLimits{.maxTableBytes = size - over});
    if (over == 0) {
        QVERIFY2(files.ok, qPrintable(files.error.message));
        QCOMPARE(files.tables.value("stop_times.txt"), t["stop_times.txt"]);
    } else {
        // Never a table cut short, which would lose its last trips quietly.
        QVERIFY(!files.ok);
        QCOMPARE(files.error.file, QStringLiteral("stop_times.txt"));
        QVERIFY(files.error.message.startsWith(u"大きすぎます"_qs));
    }
}

void tst_Gtfs::listAndPick()
{
    Tables t = BaseFeed();
    // T6 has no times; T7 counts its stops from 0.
    t["trips.txt"] += "R1,W,T4,温泉,0\nR9,W,T5,,0\nR1,W,T6,,0\nR1,W,T7,,0\n";
    t["stop_times.txt"] += "T4,25:10:00,25:10:00,S1,1\nT4,25:20:00,25:20:00,S4,2\n"
                           "T5,x,x,S1,1\nT6,,,S1,1\nT6,,,S3,2\n"
                           "T7,06:00:00,06:00:00,S2,0\nT7,06:10:00,06:10:00,S3,1\n";
    const GtfsFeed feed = Load(t);
    QHash<QString, GtfsTripSummary> sums;
    GtfsError e;
    QVERIFY(SummariseGtfsTrips(feed, sums, e));
    QCOMPARE(sums["T1"].stops, 4);
    QCOMPARE(sums["T1"].firstDeparture, QStringLiteral("08:00:00"));
    QCOMPARE(sums["T3"].firstDeparture, QStringLiteral("07:00:00")); // arrival when no departure
    QCOMPARE(sums["T1"].lastStopId, QStringLiteral("S4")); // stop_sequence 40, not the last line
    QCOMPARE(sums["T7"].firstSequence, 0);
    QCOMPARE(sums["T7"].firstDeparture, QStringLiteral("06:00:00"));
    QCOMPARE(sums["T6"].stops, 2);
    QList<GtfsTripStop> stops;
    QVERIFY(GtfsTripStops(feed, QStringLiteral("T7"), stops, e));
    QCOMPARE(stops.size(), 2);
    QCOMPARE(stops.first().stopId, QStringLiteral("S2"));
    const QList<GtfsRouteTrips> routes = ListGtfsRoutes(feed, sums);
    QStringList seen;
    for (const GtfsRouteTrips& r : routes) {
        seen << r.route.id;
        for (const GtfsTrip* trip : r.trips)
            seen << trip->id;
    }
    // By direction, then departure (25:10 after 08:00, no time last); a route
    // only trips.txt names comes last.
    QCOMPARE(seen, (QStringList{"R1", "T7", "T3", "T1", "T4", "T6", "T2", "R2", "R9", "T5"}));

    QCOMPARE(PickGtfsTrip(feed, sums, QStringLiteral("R1"), QString(), e), QStringLiteral("T7"));
    QCOMPARE(FindGtfsRoute(feed, QStringLiteral("R9"), e), QStringLiteral("R9"));
    QCOMPARE(PickGtfsTrip(feed, sums, QStringLiteral("31"), QStringLiteral("1"), e),
             QStringLiteral("T2"));
    QVERIFY(PickGtfsTrip(feed, sums, QStringLiteral("R2"), QString(), e).isEmpty());
    QCOMPARE(e.message, QStringLiteral("路線 'R2' の便がありません"));
    t["routes.txt"] += "R3,31,\n";
    QVERIFY(PickGtfsTrip(Load(t), sums, QStringLiteral("31"), QString(), e).isEmpty());
    QCOMPARE(e.message, QStringLiteral("路線番号 '31' の路線が複数あります (route_id: R1、R3)。"
                                       "route_id で指定してください"));
    QCOMPARE(GtfsSeconds(QStringLiteral("7:05:09")), 7 * 3600 + 5 * 60 + 9);
    QCOMPARE(GtfsSeconds(QStringLiteral("07:60:00")), -1);
}

void tst_Gtfs::commandLine_data()
{
    QTest::addColumn<QString>("args"); // "FEED" and "OUT" stand for the folders
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // expected in stdout + stderr
    QTest::addColumn<QString>("absent"); // not in stdout + stderr; empty for none
    QTest::newRow("list") << "list FEED" << 0
                          << "  便 T1  行先 温泉行  方向 0  停留所 4  始発 08:00:00  運行日 - (W)"
                          << "行先 -";
    QTest::newRow("list gives the last stop without a headsign")
        << "list FEED" << 0 << "  便 T3  行先 温泉  方向 0  停留所 2  始発 07:00:00"
        << "";
    QTest::newRow("list of a route by its number")
        << "list FEED --route 32" << 0 << "路線 R2  32  -\n"
        << "便 T1";
    QTest::newRow("list of an unknown route")
        << "list FEED --route R7" << 1 << "FEED: routes.txt: 路線 'R7' がありません"
        << "";
    QTest::newRow("forgotten value")
        << "export FEED --trip T1 --number 31 --out --force" << 2 << "--out のあとに値がありません"
        << "";
    QTest::newRow("export by route")
        << "export FEED --route R1 --direction 0 --number 0031 --out OUT" << 0
        << "便 T3 (始発 07:00:00) を使います"
        << "";
    QTest::newRow("export by trip")
        << "export FEED --trip T1 --number 31 --out OUT" << 0 << "OUT/31tp.csv: 放送 4 件"
        << "";
    QTest::newRow("unknown route")
        << "export FEED --route R7 --number 31" << 1 << "FEED: routes.txt: 路線 'R7' がありません"
        << "";
    QTest::newRow("bad number") << "export FEED --trip T1 --number 123456" << 2
                                << "系統番号 (--number) は1～5桁の数字で指定してください"
                                << "";
    QTest::newRow("trip and route") << "export FEED --trip T1 --route R1 --number 1" << 2
                                    << "--trip か --route のどちらか一つを指定してください"
                                    << "";
    QTest::newRow("no such feed") << "list FEED/none" << 1 << "FEED/none: 見つかりません"
                                  << "";
}

void tst_Gtfs::commandLine()
{
    QFETCH(QString, args);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, absent);
    QTemporaryDir dir;
    const QString feed = dir.filePath(QStringLiteral("feed"));
    const QString out = dir.filePath(QStringLiteral("out"));
    Tables t = BaseFeed();
    t["trips.txt"].replace("R1,W,T2,駅前,1\n", "R1,W,T2,駅前,1\nR2,W,T8,,0\n");
    t["stop_times.txt"] += "T8,10:00:00,10:00:00,S2,1\nT8,10:10:00,10:10:00,S3,2\n";
    QVERIFY(WriteFolder(feed, t));
    QStringList words = args.split(u' ');
    for (QString& a : words)
        a.replace(QLatin1String("FEED"), feed).replace(QLatin1String("OUT"), out);
    QProcess p;
    p.start(QStringLiteral(HY3TOOL), QStringList{QStringLiteral("gtfs")} + words);
    QVERIFY(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    QCOMPARE(p.exitCode(), exitCode);
    QString expected = output;
    expected.replace(QLatin1String("FEED"), feed).replace(QLatin1String("OUT"), out);
    QVERIFY2(text.contains(expected), qPrintable(text));
    QVERIFY2(absent.isEmpty() || !text.contains(absent), qPrintable(text));
    if (exitCode == 0 && args.startsWith(u"export"))
        QVERIFY(QFile::exists(out + QStringLiteral("/31.hy3")));
}

void tst_Gtfs::toolFiles_data()
{
    // "FEED", "FEEDPIPE", "PIPE", "CSV" and "OUT" stand for the paths; "limited:" runs the
    // tool where no file may grow beyond 512 bytes, as on a full disk.
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("output"); // each expected in stdout + stderr
    const QStringList pipe{QStringLiteral(
        "PIPE: 読み込めません (通常のファイルではありません（名前付きパイプやデバイスなど）)")};
    QTest::newRow("gtfs list of a pipe") << "gtfs list PIPE" << 1 << pipe;
    QTest::newRow("gtfs export of a pipe") << "gtfs export PIPE --trip T1 --number 31" << 1 << pipe;
    QTest::newRow("gtfs list of a folder with a pipe for stops.txt")
        << "gtfs list FEEDPIPE" << 1
        << QStringList{u"FEEDPIPE: stops.txt: 読み込めません (通常のファイルではありません"_qs};
    QTest::newRow("decode a pipe") << "decode PIPE OUT/x.csv" << 1 << pipe;
    QTest::newRow("encode a pipe") << "encode PIPE OUT/x.hy3" << 1 << pipe;
    QTest::newRow("encode on a full disk")
        << "limited: encode CSV OUT/31.hy3" << 3
        << QStringList{u"OUT/31.hy3: 書き込めません (2490 バイトのうち 512 バイトしか"_qs,
                       u"File too large)。元のファイルはそのままです"_qs};
    QTest::newRow("gtfs export on a full disk")
        << "limited: gtfs export FEED --trip T1 --number 31 --out OUT --force" << 3
        << QStringList{u"OUT/31.hy3: 書き込めません ("_qs,
                       u"File too large)。どのファイルも書き換えていません"_qs};
    // What an earlier export wrote may hold the user's edits.
    QTest::newRow("gtfs export over earlier files")
        << "gtfs export FEED --trip T1 --number 31 --out OUT" << 3
        << QStringList{u"OUT/31.hy3、OUT/31yomi.csv がすでにあります。"_qs, u"--force"_qs};
    QTest::newRow("gtfs export beside a folder named 31tp.csv")
        << "gtfs export FEED --trip T1 --number 31 --out OUT --force" << 3
        << QStringList{u"OUT/31tp.csv: 書き込めません (同じ名前のフォルダーがあります)。"
                       u"どのファイルも書き換えていません"_qs};
}

void tst_Gtfs::toolFiles()
{
    QFETCH(QString, args);
    QFETCH(int, exitCode);
    QFETCH(QStringList, output);
    QTemporaryDir dir;
    const QString feed = dir.filePath(QStringLiteral("feed"));
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    const QString csv = dir.filePath(QStringLiteral("fares.csv"));
    QVERIFY(WriteFolder(feed, BaseFeed()));
    QVERIFY(MakeFifo(pipe));
    // A feed folder whose stops table is a pipe.
    const QString feedPipe = dir.filePath(QStringLiteral("feedpipe"));
    Tables noStops = BaseFeed();
    noStops.remove("stops.txt");
    QVERIFY(WriteFolder(feedPipe, noStops));
    QVERIFY(MakeFifo(feedPipe + QStringLiteral("/stops.txt")));
    QVERIFY(QDir().mkpath(out));
    QString fares;
    for (int i = 1; i <= 8; ++i)
        fares += QStringLiteral("停留所%1,%1,160\n").arg(i);
    QVERIFY(WriteFile(csv, fares.toUtf8()));
    // What an earlier run left, which a failed run must not touch.
    const QByteArray oldFares = EncodeFareFile(kBaseRows).bytes;
    const QByteArray oldReadings = "# 表記,読み\n駅前,えきまえ\n";
    QVERIFY(WriteFile(out + QStringLiteral("/31.hy3"), oldFares));
    QVERIFY(WriteFile(out + QStringLiteral("/31yomi.csv"), oldReadings));
    if (QByteArray(QTest::currentDataTag()).contains("folder"))
        QVERIFY(QDir().mkpath(out + QStringLiteral("/31tp.csv")));

    QString command = args;
    const bool limited = command.startsWith(u"limited: "_qs);
    if (limited)
        command = command.mid(9);
    QStringList words = command.split(u' ');
    for (QString& a : words)
        a.replace(QLatin1String("FEEDPIPE"), feedPipe)
            .replace(QLatin1String("FEED"), feed)
            .replace(QLatin1String("PIPE"), pipe)
            .replace(QLatin1String("CSV"), csv)
            .replace(QLatin1String("OUT"), out);
    QProcess p;
    if (limited)
        // dash counts "ulimit -f" in 512-byte blocks; with SIGXFSZ ignored the
        // write past the limit fails as on a full disk.
        p.start(QStringLiteral("/bin/sh"),
                QStringList{QStringLiteral("-c"),
                            QStringLiteral("trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\""),
                            QStringLiteral(HY3TOOL)} +
                    words);
    else
        p.start(QStringLiteral(HY3TOOL), words);
    // A tool that opened the pipe would wait for a writer for good.
    QVERIFY(p.waitForFinished(10000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    QCOMPARE(p.exitCode(), exitCode);
    for (QString expected : output) {
        expected.replace(QLatin1String("FEEDPIPE"), feedPipe)
            .replace(QLatin1String("PIPE"), pipe)
            .replace(QLatin1String("OUT"), out);
        QVERIFY2(text.contains(expected), qPrintable(text));
    }
    QVERIFY2(!text.contains(u"書き込みました"_qs), qPrintable(text));
    // Nothing written, nothing replaced, nothing left behind.
    QCOMPARE(Contents(out + QStringLiteral("/31.hy3")), oldFares);
    QCOMPARE(Contents(out + QStringLiteral("/31yomi.csv")), oldReadings);
    QCOMPARE(QDir(out).entryList(QDir::Files), (QStringList{u"31.hy3"_qs, u"31yomi.csv"_qs}));
}

void tst_Gtfs::forceKeepsTheUsersReadings()
{
    QTemporaryDir dir;
    const QString feed = dir.filePath(QStringLiteral("feed"));
    const QString out = dir.filePath(QStringLiteral("out"));
    QVERIFY(WriteFolder(feed, BaseFeed()));
    QVERIFY(QDir().mkpath(out));
    const QByteArray oldFares = EncodeFareFile(kBaseRows.mid(0, 2)).bytes;
    const QByteArray users = "# 表記,読み\n富岸,とみきし\n# 自分で直した\n";
    QVERIFY(WriteFile(out + QStringLiteral("/31.hy3"), oldFares));
    QVERIFY(WriteFile(out + QStringLiteral("/31yomi.csv"), users));
    QProcess p;
    p.start(QStringLiteral(HY3TOOL), {u"gtfs"_qs, u"export"_qs, feed, u"--trip"_qs, u"T1"_qs,
                                      u"--number"_qs, u"31"_qs, u"--force"_qs, u"--out"_qs, out});
    QVERIFY(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    QCOMPARE(p.exitCode(), 0);
    QVERIFY2(text.contains(u"読み 1 件を書き足しました (同じ表記の 1 件は前の読みのまま)"_qs),
             qPrintable(text));
    // The replaced files are kept; the announcement list was new and has none.
    QCOMPARE(Contents(out + QStringLiteral("/31.hy3.bak")), oldFares);
    QCOMPARE(Contents(out + QStringLiteral("/31yomi.csv.bak")), users);
    QVERIFY(!QFile::exists(out + QStringLiteral("/31tp.csv.bak")));
    QCOMPARE(ParseFareFile(Contents(out + QStringLiteral("/31.hy3"))).records, kBaseRows);
    const QByteArray merged = Contents(out + QStringLiteral("/31yomi.csv"));
    QVERIFY(merged.startsWith(users));
    const ReadingList read = ReadingList::Parse(merged);
    QCOMPARE(read.Apply(u"富岸から駅前"_qs), u"とみきしからえきまえ"_qs);
}

void tst_Gtfs::toolWritesTheTimetable()
{
    QTemporaryDir dir;
    const QString feed = dir.filePath(QStringLiteral("feed"));
    const QString out = dir.filePath(QStringLiteral("out"));
    Tables t = BaseFeed();
    t["stop_times.txt"] = "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n"
                          "T1,23:55:00,23:55:00,S1,1\nT1,24:02:00,24:03:00,S2,2\n"
                          "T1,,,S3,3\nT1,24:10:00,24:10:00,S4,4\n";
    QVERIFY(WriteFolder(feed, t));
    QVERIFY(QDir().mkpath(out));
    const QString time = out + QStringLiteral("/31time.csv");
    const QByteArray users = "# 自分で直した\n,23:56\n";
    QVERIFY(WriteFile(time, users));
    const auto run = [&](bool force, QString& text) {
        QProcess p;
        QStringList args{u"gtfs"_qs,     u"export"_qs, feed,        u"--trip"_qs, u"T1"_qs,
                         u"--number"_qs, u"31"_qs,     u"--out"_qs, out};
        if (force)
            args << QStringLiteral("--force");
        p.start(QStringLiteral(HY3TOOL), args);
        if (!p.waitForFinished(30000))
            return -1;
        text = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitCode();
    };
    // A timetable the user may have edited is not replaced unasked, and
    // nothing else is written beside it.
    QString text;
    QCOMPARE(run(false, text), 3);
    QVERIFY2(text.contains(time + QStringLiteral(" がすでにあります")), qPrintable(text));
    QCOMPARE(Contents(time), users);
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{u"31time.csv"_qs});

    QCOMPARE(run(true, text), 0);
    QVERIFY2(text.contains(time + QStringLiteral(": 時刻のある停留所 3 / 4")), qPrintable(text));
    QCOMPARE(Contents(time + QStringLiteral(".bak")), users);
    const TimetableResult read = ReadTimetableFile(time);
    QVERIFY2(read.ok(), qPrintable(FormatTimetableError(time, read.error)));
    const QList<TimetableRow> expected{
        {23 * 3600 + 55 * 60, 23 * 3600 + 55 * 60, u"駅前"_qs},
        {24 * 3600 + 2 * 60, 24 * 3600 + 3 * 60, u"富岸"_qs},
        {std::nullopt, std::nullopt, u"市役所前"_qs},
        {24 * 3600 + 10 * 60, 24 * 3600 + 10 * 60, u"温泉"_qs},
    };
    QCOMPARE(read.rows, expected);
    QVERIFY(Contents(time).contains("24:02,24:03,"));
}

QTEST_GUILESS_MAIN(tst_Gtfs)

// A trip exported from a feed runs as the run would run it: its timetable
// and announcement list give the steps and entries, in order, at the feed's
// times scaled by x60.
void tst_Gtfs::exportedTripRunsAtSixty()
{
    Tables t = BaseFeed();
    QByteArray stops = "stop_id,stop_name\n";
    QByteArray times = "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n";
    for (int i = 1; i <= 10; ++i) {
        stops += "P" + QByteArray::number(i) + ",停留所" + QByteArray::number(i) + "\n";
        // Three minutes apart, a minute standing at stop 5.
        const int arrive = 8 * 60 + 3 * (i - 1) + (i > 5 ? 1 : 0);
        const int leave = arrive + (i == 5 ? 1 : 0);
        const auto hhmm = [](int m) {
            return QStringLiteral("%1:%2:00")
                .arg(m / 60, 2, 10, QChar(u'0'))
                .arg(m % 60, 2, 10, QChar(u'0'))
                .toLatin1();
        };
        times += "T9," + hhmm(arrive) + "," + hhmm(leave) + ",P" + QByteArray::number(i) + "," +
                 QByteArray::number(i) + "\n";
    }
    t["stops.txt"] = stops;
    t["stop_times.txt"] = times;
    t["trips.txt"] = "route_id,service_id,trip_id,trip_headsign\nR1,W,T9,停留所10行\n";
    t.remove("fare_rules.txt");
    t.remove("fare_attributes.txt");
    t.remove("translations.txt");
    const GtfsExport e = ExportGtfsTrip(Load(t), QStringLiteral("T9"));
    QVERIFY(e.ok);
    QCOMPARE(e.timetable.size(), 10);

    RunPlan plan;
    plan.rowCount = int(e.records.size());
    plan.timetable = e.timetable;
    for (const GtfsTapeLine& line : e.tape)
        plan.tape << TapeEntry{line.text, line.stepFlag, line.preFlag};
    plan.speed = 60;
    const RunSchedule schedule(plan);
    const QList<RunAction> actions = schedule.actionsFrom(schedule.start(0));

    // Every entry once, in order; the board steps onto row r as the bus
    // leaves row r - 1, at that departure's scaled time.
    int tape = 0;
    int row = 1;
    for (const RunAction& a : actions) {
        QCOMPARE(a.kind, RunActionKind::TapeNext);
        QCOMPARE(a.tape, tape + 1);
        tape = a.tape;
        if (a.row != row) {
            QCOMPARE(a.row, row + 1);
            QCOMPARE(e.tape[a.tape - 1].stepFlag, qint16(1));
            const qint64 leftMs = qint64(*e.timetable[row - 1].departure - 8 * 3600) * 1000;
            QCOMPARE(a.scaledMs, leftMs / 60);
            row = a.row;
        }
    }
    QCOMPARE(row, 10);
    QCOMPARE(tape, int(e.tape.size()));
}

#include "tst_gtfs.moc"
