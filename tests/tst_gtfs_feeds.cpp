// SPDX-License-Identifier: GPL-3.0-or-later
// Three kinds of GTFS-JP feed, as operators publish them, listed and exported
// by hy3tool from a .zip, and the files it writes read back by the program's
// own readers: a zone-fare operator with translations, a city's flat-fare
// community bus on loops without translations, and a free university shuttle
// whose fare table has a broken header and whose poles stand under stations.

#include "panel/FareData.h"
#include "sound/ReadingList.h"
#include "sound/TapeData.h"
#include "tests/ZipSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Tables = QMap<QString, QByteArray>;
using FareRows = QList<QList<int>>; // row j: the fares of tickets 1..j

// Five stops in three zones; trips both ways, on weekdays and at weekends.
Tables ZoneFeed()
{
    Tables t;
    t["agency.txt"] = "agency_id,agency_name,agency_url,agency_timezone\n"
                      "A1,ホロテ交通,https://example.org/,Asia/Tokyo\n";
    t["stops.txt"] = "stop_id,stop_name,stop_lat,stop_lon,zone_id,location_type,parent_station\n"
                     "100,登別駅前,42.45,141.18,Z1,0,\n101,富岸,42.46,141.17,Z1,0,\n"
                     "102,鷲別,42.47,141.16,Z2,0,\n103,若草町,42.48,141.15,Z2,0,\n"
                     "104,登別温泉,42.49,141.14,Z3,0,\n";
    t["routes.txt"] = "route_id,agency_id,route_short_name,route_long_name,route_type\n"
                      "R31,A1,31,登別温泉線,3\n";
    t["trips.txt"] = "route_id,service_id,trip_id,trip_headsign,direction_id\n"
                     "R31,平日,31_1,登別温泉,0\nR31,平日,31_2,登別駅前,1\n"
                     "R31,土日祝,31_3,登別温泉,0\n";
    QByteArray times = "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n";
    for (int i = 0; i < 5; ++i) {
        const QByteArray stop = QByteArray::number(100 + i);
        const QByteArray seq = QByteArray::number(i + 1);
        const QByteArray minute = QByteArray::number(10 + i * 5);
        times += "31_1,07:" + minute + ":00,07:" + minute + ":00," + stop + "," + seq + "\n";
        times += "31_3,08:" + minute + ":00,08:" + minute + ":00," + stop + "," + seq + "\n";
        times += "31_2,09:" + minute + ":00,09:" + minute + ":00," + QByteArray::number(104 - i) +
                 "," + seq + "\n";
    }
    t["stop_times.txt"] = times;
    t["fare_attributes.txt"] = "fare_id,price,currency_type,payment_method,transfers\n"
                               "F1,210,JPY,0,0\nF2,340,JPY,0,0\nF3,500,JPY,0,0\n";
    t["fare_rules.txt"] = "fare_id,route_id,origin_id,destination_id,contains_id\n"
                          "F1,R31,Z1,Z1,\nF2,R31,Z1,Z2,\nF3,R31,Z1,Z3,\nF1,R31,Z2,Z2,\n"
                          "F2,R31,Z2,Z3,\nF1,R31,Z3,Z3,\nF2,R31,Z2,Z1,\nF3,R31,Z3,Z1,\n"
                          "F2,R31,Z3,Z2,\n";
    t["translations.txt"] =
        "table_name,field_name,language,translation,record_id,record_sub_id,field_value\n"
        "stops,stop_name,ja-Hrkt,のぼりべつえきまえ,100,,\nstops,stop_name,en,Noboribetsu,100,,\n"
        "stops,stop_name,ja-Hrkt,とんけし,101,,\nstops,stop_name,ja-Hrkt,わしべつ,102,,\n"
        "stops,stop_name,ja-Hrkt,わかくさちょう,103,,\n"
        "stops,stop_name,ja-Hrkt,のぼりべつおんせん,104,,\n"
        "trips,trip_headsign,ja-Hrkt,のぼりべつおんせん,31_1,,\n";
    t["calendar.txt"] = "service_id,monday,tuesday,wednesday,thursday,friday,saturday,sunday,"
                        "start_date,end_date\n"
                        "平日,1,1,1,1,1,0,0,20240401,20250331\n"
                        "土日祝,0,0,0,0,0,1,1,20240401,20250331\n";
    t["calendar_dates.txt"] = "service_id,date,exception_type\n"
                              "土日祝,20240429,1\n平日,20240429,2\n";
    return t;
}

// Two loops that start and end at 市役所, one flat fare, no readings.
Tables FlatFeed()
{
    Tables t;
    t["stops.txt"] = "stop_id,stop_name,stop_lat,stop_lon\n"
                     "C1,市役所,35.1,139.1\nC2,中央図書館,35.2,139.2\nC3,総合病院,35.3,139.3\n"
                     "C4,こみち公園,35.4,139.4\n";
    t["routes.txt"] = "route_id,route_short_name,route_long_name,route_type\n"
                      "ORANGE,こみちオレンジルート,,3\nGREEN,こみちグリーンルート,,3\n";
    t["trips.txt"] = "route_id,service_id,trip_id,trip_headsign\n"
                     "ORANGE,毎日,O1,こみちオレンジルート\nORANGE,毎日,O2,こみちオレンジルート\n"
                     "GREEN,毎日,G1,こみちグリーンルート\n";
    t["stop_times.txt"] = "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n"
                          "O2,10:00:00,10:00:00,C1,1\nO2,10:30:00,10:30:00,C1,5\n"
                          "O1,09:00:00,09:00:00,C1,1\nO1,09:05:00,09:05:00,C2,2\n"
                          "O1,09:10:00,09:10:00,C3,3\nO1,09:15:00,09:15:00,C4,4\n"
                          "O1,09:30:00,09:30:00,C1,5\n"
                          "G1,09:00:00,09:00:00,C1,1\nG1,09:20:00,09:20:00,C4,2\n"
                          "G1,09:40:00,09:40:00,C1,3\n";
    t["fare_attributes.txt"] = "fare_id,price,currency_type,payment_method,transfers\n"
                               "FLAT,100,JPY,0,0\n";
    t["fare_rules.txt"] = "fare_id,route_id\nFLAT,ORANGE\nFLAT,GREEN\n";
    t["calendar.txt"] = "service_id,monday,tuesday,wednesday,thursday,friday,saturday,sunday,"
                        "start_date,end_date\n毎日,1,1,1,1,1,1,1,20240401,20250331\n";
    return t;
}

// Poles whose names describe the platform, under stations; one pole's
// station is missing. No headsigns. The fare table joins its columns with a tab.
Tables ShuttleFeed()
{
    Tables t;
    t["stops.txt"] = "stop_id,stop_name,stop_lat,stop_lon,location_type,parent_station,"
                     "platform_code\n"
                     "STA,登別駅,,,1,,\nSTA_1,大学行バスのりば,,,0,STA,1\n"
                     "UNIV,北海道大学,,,1,,\nUNIV_2,バスおりば下,,,0,UNIV,2\n"
                     "GYM_1,体育館前,,,0,GYM,\n";
    t["routes.txt"] = "route_id,route_short_name,route_long_name,route_type\n"
                      "SHUTTLE,,学内シャトル,3\n";
    t["trips.txt"] = "route_id,service_id,trip_id,direction_id\n"
                     "SHUTTLE,授業日,S1,0\nSHUTTLE,授業日,S2,0\n";
    t["stop_times.txt"] = "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n"
                          "S2,09:00:00,09:00:00,STA_1,1\nS2,09:05:00,09:05:00,GYM_1,2\n"
                          "S2,09:10:00,09:10:00,UNIV_2,3\n"
                          "S1,08:00:00,08:00:00,STA_1,1\nS1,08:05:00,08:05:00,GYM_1,2\n"
                          "S1,08:10:00,08:10:00,UNIV_2,3\n";
    t["fare_attributes.txt"] = "fare_id,price,currency_type,payment_method,transfers\n"
                               "FREE,0,JPY,0,0\n";
    t["fare_rules.txt"] = "fare_id\troute_id\nFREE\tSHUTTLE\n";
    t["calendar.txt"] = "service_id,monday,tuesday,wednesday,thursday,friday,saturday,sunday,"
                        "start_date,end_date\n授業日,1,1,1,1,1,0,0,20240401,20250331\n";
    t["calendar_dates.txt"] = "service_id,date,exception_type\n授業日,20240815,2\n";
    return t;
}

QByteArray Zip(const Tables& t, const QByteArray& prefix)
{
    QList<ZipEntry> entries;
    for (auto it = t.begin(); it != t.end(); ++it)
        entries.append({prefix + it.key().toUtf8(), it.value()});
    return MakeZip(entries);
}

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run Hy3tool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(HY3TOOL), args);
    Run r;
    if (!p.waitForFinished(30000))
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray Contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Zone fares as the operator's table gives them: 210 within a zone, then
// 340 and 500 for one and two zones more.
FareRows ZoneFares()
{
    const int zone[] = {1, 1, 2, 2, 3};
    const int price[] = {210, 340, 500};
    FareRows rows;
    for (int j = 0; j < 5; ++j) {
        QList<int> row;
        for (int i = 0; i <= j; ++i)
            row << price[zone[j] - zone[i]];
        rows << row;
    }
    return rows;
}

FareRows Flat(int stops, int fare)
{
    FareRows rows;
    for (int j = 1; j <= stops; ++j)
        rows << QList<int>(j, fare);
    return rows;
}

} // namespace

class tst_GtfsFeeds final : public QObject {
    Q_OBJECT
private slots:
    void exportsLoadAndSpeak_data();
    void exportsLoadAndSpeak();
};

void tst_GtfsFeeds::exportsLoadAndSpeak_data()
{
    QTest::addColumn<Tables>("tables");
    QTest::addColumn<QString>("route");         // as the user names it to list and export
    QTest::addColumn<QStringList>("listed");    // lines (or their start) the listing shows
    QTest::addColumn<QString>("notListed");     // what the listing leaves out
    QTest::addColumn<QStringList>("warnings");  // each in what the tool says on stderr
    QTest::addColumn<QStringList>("names");     // the stops, as loaded
    QTest::addColumn<FareRows>("fares");        // as loaded
    QTest::addColumn<QStringList>("tape");      // the announcements, as loaded
    QTest::addColumn<QString>("spokenWelcome"); // the first, with the readings applied

    const QString welcome = "ご乗車ありがとうございます。";
    QTest::newRow("zone fares with translations")
        << ZoneFeed() << "31"
        << QStringList{"路線 R31  31  登別温泉線",
                       "  便 31_1  行先 登別温泉  方向 0  停留所 5  始発 07:10:00  "
                       "運行日 月～金 -1日 (平日)",
                       "  便 31_3  行先 登別温泉  方向 0  停留所 5  始発 08:10:00  "
                       "運行日 土日 +1日 (土日祝)"}
        << "行先 -" << QStringList{}
        << QStringList{"登別駅前", "富岸", "鷲別", "若草町", "登別温泉"} << ZoneFares()
        << QStringList{welcome + "このバスは登別温泉行きです。", "次は、富岸です。",
                       "次は、鷲別です。", "次は、若草町です。", "次は、終点、登別温泉です。"}
        << welcome + "このバスはのぼりべつおんせん行きです。";
    QTest::newRow("flat fare without translations")
        << FlatFeed() << "こみちオレンジルート"
        << QStringList{"路線 ORANGE  こみちオレンジルート  -",
                       "  便 O1  行先 こみちオレンジルート  方向 -  停留所 5  始発 09:00:00  "
                       "運行日 毎日 (毎日)"}
        << "GREEN" << QStringList{"translations.txt がないため、読みのリストは空です"}
        << QStringList{"市役所", "中央図書館", "総合病院", "こみち公園", "市役所"} << Flat(5, 100)
        << QStringList{welcome + "このバスは、こみちオレンジルートです。", "次は、中央図書館です。",
                       "次は、総合病院です。", "次は、こみち公園です。", "次は、終点、市役所です。"}
        << welcome + "このバスは、こみちオレンジルートです。";
    QTest::newRow("free shuttle with a broken header and poles")
        << ShuttleFeed() << "SHUTTLE"
        << QStringList{"路線 SHUTTLE  -  学内シャトル",
                       "  便 S1  行先 北海道大学  方向 0  停留所 3  始発 08:00:00  "
                       "運行日 月～金 -1日 (授業日)"}
        << "行先 -"
        << QStringList{"fare_rules.txt:1: 見出しが読めないため運賃を使いません",
                       "見つかった見出し: fare_id<タブ>route_id)", "'GYM_1'", "'GYM'",
                       "運賃の表の見出しが読めないため、運賃はすべて0です"}
        << QStringList{"登別駅", "体育館前", "北海道大学"} << Flat(3, 0)
        << QStringList{welcome + "このバスは北海道大学行きです。", "次は、体育館前です。",
                       "次は、終点、北海道大学です。"}
        << welcome + "このバスは北海道大学行きです。";
}

void tst_GtfsFeeds::exportsLoadAndSpeak()
{
    QFETCH(Tables, tables);
    QFETCH(QString, route);
    QFETCH(QStringList, listed);
    QFETCH(QString, notListed);
    QFETCH(QStringList, warnings);
    QFETCH(QStringList, names);
    QFETCH(FareRows, fares);
    QFETCH(QStringList, tape);
    QFETCH(QString, spokenWelcome);

    // As downloaded: a .zip whose tables sit in a folder of their own.
    QTemporaryDir dir;
    const QString feed = dir.filePath(QStringLiteral("feed.zip"));
    const QByteArray zip = Zip(tables, "gtfs-jp/");
    QFile f(feed);
    QVERIFY(!zip.isEmpty() && f.open(QIODevice::WriteOnly) && f.write(zip) == zip.size());
    f.close();

    const Run list = Hy3tool({u"gtfs"_qs, u"list"_qs, feed, u"--route"_qs, route});
    QCOMPARE(list.exitCode, 0);
    for (const QString& line : listed)
        QVERIFY2(list.out.contains(line), qPrintable(list.out));
    QVERIFY2(!list.out.contains(notListed), qPrintable(list.out));

    const QString out = dir.filePath(QStringLiteral("bus"));
    const Run exported = Hy3tool({u"gtfs"_qs, u"export"_qs, feed, u"--route"_qs, route,
                                  u"--number"_qs, u"0031"_qs, u"--out"_qs, out});
    QCOMPARE(exported.exitCode, 0);
    const QString said = list.err + exported.err;
    for (const QString& w : warnings)
        QVERIFY2(said.contains(w), qPrintable(said));
    if (warnings.isEmpty())
        QVERIFY2(said.isEmpty(), qPrintable(said));

    // What the control panel loads for route 31.
    const FareFileResult hy3 = ParseFareFile(Contents(FareFileName(out, u"00031"_qs)));
    QVERIFY(hy3.ok());
    QStringList loadedNames;
    FareRows loadedFares;
    for (qsizetype j = 0; j < hy3.records.size(); ++j) {
        const StopRecord& r = hy3.records[j];
        loadedNames << r.StopName;
        QCOMPARE(r.SeiriNo, qint16(j + 1));
        QList<int> row;
        for (qsizetype i = 1; i <= j + 1; ++i)
            row << r.Fare[size_t(i)];
        loadedFares << row;
        // Tickets not yet issued show nothing.
        for (qsizetype i = j + 2; i <= kFareColumns; ++i)
            QCOMPARE(r.Fare[size_t(i)], qint16(0));
    }
    QCOMPARE(loadedNames, names);
    QCOMPARE(loadedFares, fares);
    QCOMPARE(CheckSection(qint16(hy3.records.size()), 1), RouteSetCheck::Ok);

    const TapeParseResult announcements = ReadTapeFile(FindTapeFile(out + u'/', u"31"_qs));
    QVERIFY2(announcements.ok(), qPrintable(announcements.error));
    QStringList texts;
    for (const TapeEntry& e : announcements.entries) {
        texts << e.TapeText;
        // The welcome stays at the first stop; each later entry steps onto its stop.
        QCOMPARE(e.TapeStepFlag, qint16(texts.size() == 1 ? 0 : 1));
    }
    QCOMPARE(texts, tape);

    int skipped = -1;
    const ReadingList own = ReadingList::Parse(Contents(out + u"/31yomi.csv"_qs), &skipped);
    QCOMPARE(skipped, 0);
    const ReadingList readings = ReadingList::Load(out + u'/', u"31"_qs);
    QCOMPARE(readings.Entries().size(), own.Entries().size());
    QCOMPARE(readings.Apply(texts.first()), spokenWelcome);
    // Every stop a reading is given for is spoken by it, never by a pole's description.
    for (const ReadingList::Entry& e : readings.Entries())
        QVERIFY2(names.contains(e.written) || texts.first().contains(e.written),
                 qPrintable(e.written));
}

QTEST_GUILESS_MAIN(tst_GtfsFeeds)
#include "tst_gtfs_feeds.moc"
