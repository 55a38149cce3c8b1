// SPDX-License-Identifier: GPL-3.0-or-later
// A route's three files through the editor's document: opened and saved
// unchanged byte for byte (the demo routes, a GTFS-JP export), edited without
// disturbing the lines nobody touched, written as hy3tool writes them, whole
// or not at all; and hy3tool and the document judging fare data alike.

#include "companion/LTM4Res.h"
#include "companion/SaveSet.h"
#include "route/RouteDocument.h"
#include "route/RouteFiles.h"
#include "route/RouteImport.h"
#include "run/Timetable.h"
#include "sound/ReadingList.h"
#include "tools/FareCsv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

QByteArray Contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// hy3tool's exit code; its messages in *out.
int Hy3tool(const QStringList& args, QString* out = nullptr)
{
    QProcess p;
    p.start(QStringLiteral(HY3TOOL), args);
    if (!p.waitForFinished(30000))
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitCode();
}

// The demo route as the program's data folder holds it: hy3tool's .hy3 and
// the demo's own lists.
bool DemoRoute(int route, const QString& folder)
{
    const QString demo = QStringLiteral(RUTOMIA_DEMO_DIR "/%1").arg(route);
    return QDir().mkpath(folder) &&
           Hy3tool({QStringLiteral("encode"), demo + QStringLiteral(".csv"),
                    QStringLiteral("%1/%2.hy3").arg(folder).arg(route)}) == 0 &&
           QFile::copy(demo + QStringLiteral("tp.csv"),
                       QStringLiteral("%1/%2tp.csv").arg(folder).arg(route)) &&
           QFile::copy(demo + QStringLiteral("yomi.csv"),
                       QStringLiteral("%1/%2yomi.csv").arg(folder).arg(route));
}

const QStringList kSuffixes{".hy3", "tp.csv", "yomi.csv", "time.csv"};

// A small GTFS-JP feed: zones, translations, a headsign with 行.
bool WriteFeed(const QString& folder)
{
    const QList<std::pair<const char*, QByteArray>> tables{
        {"stops.txt",
         "stop_id,stop_name,zone_id\nS1,駅前,Z1\nS2,富岸,Z2\nS3,\"市役所\"\"前\"\"\",Z2\n"
         "S4,温泉〜,Z3\n"},
        {"routes.txt", "route_id,route_short_name,route_long_name\nR1,31,温泉線\n"},
        {"trips.txt", "route_id,service_id,trip_id,trip_headsign\nR1,W,T1,温泉行\n"},
        {"stop_times.txt", "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n"
                           "T1,8:00:00,8:00:00,S1,1\nT1,8:10:00,8:10:00,S2,2\n"
                           "T1,8:20:00,8:20:00,S3,3\nT1,8:30:00,8:30:00,S4,4\n"},
        {"fare_attributes.txt", "fare_id,price\nA,160\nB,250\n"},
        {"fare_rules.txt", "fare_id,route_id,origin_id,destination_id\nA,R1,Z1,Z1\nA,R1,Z2,Z2\n"
                           "A,R1,Z3,Z3\nB,R1,,\n"},
        {"translations.txt", "trans_id,lang,translation\n富岸,ja-Hrkt,とんけし\n"
                             "駅前,ja-Hrkt,えきまえ\n"},
    };
    bool ok = true;
    for (const auto& [name, bytes] : tables)
        ok = ok && WriteFile(folder + u'/' + QLatin1String(name), bytes);
    return ok;
}

QList<RouteStop> TwoStops()
{
    QList<RouteStop> stops(2);
    stops[0].record.StopName = QStringLiteral("駅前");
    stops[0].record.SeiriNo = 1;
    stops[0].record.Fare[1] = 160;
    stops[1].record.StopName = QStringLiteral("車庫");
    stops[1].record.SeiriNo = 2;
    return stops;
}

} // namespace

class tst_RouteFiles final : public QObject {
    Q_OBJECT
private slots:
    void demoRoutes_data();
    void demoRoutes();
    void editsKeepOtherLines();
    void otherCodesAndTail();
    void gtfsImport();
    void rulesAgreeWithTool_data();
    void rulesAgreeWithTool();
    void unreadableList();
    void refusedAndFailedSaves();
    void newRoute();
    void timetableRoundTrip();
    void timetableKeptRefusedAndLeftAlone();
};

void tst_RouteFiles::demoRoutes_data()
{
    QTest::addColumn<int>("route");
    QTest::newRow("route 1") << 1;
    QTest::newRow("route 2") << 2;
}

void tst_RouteFiles::demoRoutes()
{
    QFETCH(int, route);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in"));
    QVERIFY(DemoRoute(route, in));
    const RouteOpenResult opened = OpenRoute(in, in, route);
    QVERIFY2(opened.ok, qPrintable(opened.error));
    QVERIFY(opened.warnings.isEmpty());
    QCOMPARE(opened.data.tapeForm.state, RouteFileState::Read);
    QCOMPARE(opened.data.readingForm.state, RouteFileState::Read);

    // Edited and put back through the document, saved elsewhere.
    RouteDocument doc;
    doc.reset(opened.data);
    QVERIFY(doc.setFare(2, 1, 999));
    QVERIFY(doc.setTapeText(0, QStringLiteral("ようこそ")));
    QVERIFY(doc.setReading(QStringLiteral("駅前"), QStringLiteral("えきまえ")));
    QVERIFY(doc.moveStops(0, 1, 3));
    while (doc.undoStack()->canUndo())
        doc.undoStack()->undo();
    const QString fares = dir.filePath(QStringLiteral("fares"));
    const QString tape = dir.filePath(QStringLiteral("tape"));
    const RouteSaveResult saved = SaveRoute(doc.data(), fares, tape, route);
    QVERIFY2(saved.ok, qPrintable(saved.error));
    QVERIFY(saved.kept.isEmpty());
    QCOMPARE(Contents(QStringLiteral("%1/%2.hy3").arg(fares).arg(route)),
             Contents(QStringLiteral("%1/%2.hy3").arg(in).arg(route)));
    for (const char* list : {"tp.csv", "yomi.csv"})
        QCOMPARE(Contents(QStringLiteral("%1/%2%3").arg(tape).arg(route).arg(list)),
                 Contents(QStringLiteral("%1/%2%3").arg(in).arg(route).arg(list)));

    // Saved over itself: the same bytes, the previous files kept beside them.
    const RouteSaveResult again = SaveRoute(opened.data, in, in, route);
    QVERIFY(again.ok);
    QCOMPARE(again.kept.size(), 3);
    for (const QString& bak : again.kept)
        QCOMPARE(Contents(bak), Contents(bak.chopped(4)));

    // The CSV's stops in a new route give the file hy3tool wrote.
    const FareCsvResult csv =
        ParseFareCsv(Contents(QStringLiteral(RUTOMIA_DEMO_DIR "/%1.csv").arg(route)));
    QVERIFY(csv.ok);
    RouteData fresh;
    for (const StopRecord& r : csv.records)
        fresh.stops << RouteStop{r, {}, {}, {}};
    QCOMPARE(EncodeRoute(fresh, route).fares,
             Contents(QStringLiteral("%1/%2.hy3").arg(in).arg(route)));
}

void tst_RouteFiles::editsKeepOtherLines()
{
    QTemporaryDir dir;
    QVERIFY(DemoRoute(1, dir.path()));
    const QByteArray tapeBefore = Contents(dir.filePath(QStringLiteral("1tp.csv")));
    const QByteArray yomiBefore = Contents(dir.filePath(QStringLiteral("1yomi.csv")));
    RouteDocument doc;
    doc.reset(OpenRoute(dir.path(), dir.path(), 1).data);
    QVERIFY(doc.setTapeStepFlag(1, 0));
    QVERIFY(doc.setReading(QStringLiteral("中央通り"), QStringLiteral("ちゅうおうどおり")));
    QVERIFY(SaveRoute(doc.data(), dir.path(), dir.path(), 1).ok);

    // The announcement list stays CP932 with CR LF; only line 2 is new.
    QList<QByteArray> lines = tapeBefore.split('\n');
    lines[1] = ltm4::ToCp932(QStringLiteral("\"%1\",0,1\r").arg(doc.tapeLine(1).text));
    QCOMPARE(Contents(dir.filePath(QStringLiteral("1tp.csv"))), lines.join('\n'));
    QCOMPARE(Contents(dir.filePath(QStringLiteral("1yomi.csv"))),
             yomiBefore + "中央通り,ちゅうおうどおり\n");

    // A CP932 reading list that cannot hold a new reading becomes UTF-8 whole.
    const QByteArray cp932 = ltm4::ToCp932(QStringLiteral("# 読み\r\n緑町,みどりまち\r\n"));
    QVERIFY(WriteFile(dir.filePath(QStringLiteral("1yomi.csv")), cp932));
    doc.reset(OpenRoute(dir.path(), dir.path(), 1).data);
    QVERIFY(doc.setReading(QStringLiteral("鷗町"), QStringLiteral("かもめまち")));
    QVERIFY(SaveRoute(doc.data(), dir.path(), dir.path(), 1).ok);
    QCOMPARE(Contents(dir.filePath(QStringLiteral("1yomi.csv"))),
             QStringLiteral("# 読み\r\n緑町,みどりまち\r\n鷗町,かもめまち\r\n").toUtf8());
    const RouteOpenResult back = OpenRoute(dir.path(), dir.path(), 1);
    QVERIFY(back.data.readingForm.utf8);
    QCOMPARE(ReadingMap(back.data.readings), doc.readings());
}

// Names in CP932's other codes, and bytes after the last record, stay while
// nothing of them changes.
void tst_RouteFiles::otherCodesAndTail()
{
    const QString name = QStringLiteral("纊");
    const QByteArray canonical = ltm4::ToCp932(name);
    const QByteArray other = canonical == "\xED\x40" ? QByteArray("\xFA\x5C") : "\xED\x40";
    QCOMPARE(ltm4::FromCp932(other), name);
    QList<StopRecord> records = StopRecords(TwoStops());
    records[0].StopName = name;
    QByteArray file = EncodeFareFile(records).bytes;
    QCOMPARE(file.mid(4, 2), canonical);
    file.replace(4, 2, other);
    const QByteArray tail = "tail";
    const RouteOpenResult opened = ReadRoute(file + tail, QStringLiteral("3.hy3"), {}, {});
    QVERIFY(opened.ok);
    QCOMPARE(EncodeRoute(opened.data, 3).fares, file + tail);

    RouteDocument doc;
    doc.reset(opened.data);
    QVERIFY(doc.setFare(1, 1, 170));
    QByteArray edited = file;
    // Record 2 begins after record 1's 306 bytes; its first fare after its
    // name's length, the 4 bytes of 車庫 and its ticket number.
    qToLittleEndian<qint16>(170, edited.data() + 2 + 306 + 2 + 4 + 2);
    QCOMPARE(EncodeRoute(doc.data(), 3).fares, edited);
    QVERIFY(doc.setStopName(0, QStringLiteral("纊町")));
    QCOMPARE(EncodeRoute(doc.data(), 3).fares.mid(4, 4), ltm4::ToCp932(QStringLiteral("纊町")));
}

// The same trip made into a route by the editor's import and by hy3tool
// gives the same three files, and those open and save unchanged.
void tst_RouteFiles::gtfsImport()
{
    QTemporaryDir dir;
    const QString feed = dir.filePath(QStringLiteral("feed"));
    QVERIFY(WriteFeed(feed));
    const QString tool = dir.filePath(QStringLiteral("tool"));
    QString out;
    QCOMPARE(
        Hy3tool({"gtfs", "export", feed, "--trip", "T1", "--number", "31", "--out", tool}, &out),
        0);

    const GtfsFeedResult loaded = OpenGtfsFeed(feed);
    QVERIFY(loaded.ok);
    QList<GtfsRouteListing> routes;
    GtfsError error;
    QVERIFY(ListGtfsTrips(loaded.feed, routes, error));
    QCOMPARE(routes.size(), 1);
    QCOMPARE(routes[0].trips.size(), 1);
    QCOMPARE(routes[0].trips[0].destination, u"温泉行"_qs);
    QCOMPARE(routes[0].trips[0].stops, 4);
    QCOMPARE(routes[0].trips[0].firstDeparture, u"8:00:00"_qs);
    const RouteImport imported = ImportGtfsTrip(loaded.feed, routes[0].trips[0].trip.id);
    QVERIFY(imported.ok);
    QCOMPARE(imported.warnings,
             QStringList{"読み (ja-Hrkt) のない停留所があります: 市役所前、温泉～"});

    RouteDocument doc;
    doc.reset(imported.data);
    const QString editor = dir.filePath(QStringLiteral("editor"));
    QVERIFY(SaveRoute(doc.data(), editor, editor, 31).ok);
    for (const QString& s : kSuffixes)
        QCOMPARE(Contents(editor + QStringLiteral("/31") + s),
                 Contents(tool + QStringLiteral("/31") + s));

    // The feed's times, as the tool's timetable holds them.
    const QList<std::optional<int>> times{8 * 3600, 8 * 3600 + 600, 8 * 3600 + 1200,
                                          8 * 3600 + 1800};
    for (int r = 0; r < 4; ++r) {
        QCOMPARE(doc.stopTime(r, false), times[r]);
        QCOMPARE(doc.stopTime(r, true), times[r]);
    }
    const RouteOpenResult opened = OpenRoute(tool, tool, 31);
    QVERIFY(opened.ok);
    QCOMPARE(StopRecords(opened.data.stops), StopRecords(imported.data.stops));
    QCOMPARE(opened.data.stops[3].arrival, times[3]);
    const QString again = dir.filePath(QStringLiteral("again"));
    QVERIFY(SaveRoute(opened.data, again, again, 31).ok);
    for (const QString& s : kSuffixes)
        QCOMPARE(Contents(again + QStringLiteral("/31") + s),
                 Contents(tool + QStringLiteral("/31") + s));
}

void tst_RouteFiles::rulesAgreeWithTool_data()
{
    QTest::addColumn<QString>("csv");
    QTest::newRow("fares at the edges") << "A,1,-1,-2,4999,5000,9999,10000\nB,2\n";
    QTest::newRow("ticket used twice") << "A,1\nB,2\nC,1\n";
    QTest::newRow("name CP932 cannot hold") << "A,1\n駅😀,2\n";
    QTest::newRow("one stop") << "A,1,160\n";
}

// Whatever hy3tool says of a table, the document finds of the same stops.
void tst_RouteFiles::rulesAgreeWithTool()
{
    QFETCH(QString, csv);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.csv"));
    QVERIFY(WriteFile(in, csv.toUtf8()));
    QString said;
    Hy3tool({"encode", in, dir.filePath(QStringLiteral("1.hy3"))}, &said);
    QStringList toolSays;
    for (const QString& line : said.split(u'\n', Qt::SkipEmptyParts))
        if (line.startsWith(in))
            toolSays << line.mid(line.lastIndexOf(QStringLiteral(": ")) + 2);

    QList<StopRecord> stops;
    for (const QString& line : csv.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList f = line.split(u',');
        StopRecord s;
        s.StopName = f[0];
        s.SeiriNo = qint16(f[1].toInt());
        for (qsizetype k = 2; k < f.size(); ++k)
            s.Fare[size_t(k - 1)] = qint16(f[k].toInt());
        stops << s;
    }
    QStringList docSays;
    for (const RouteFinding& f : CheckRoute(
             stops, [](int stop) { return QStringLiteral("%1 行目の停留所").arg(stop + 1); }))
        docSays << f.message;
    QVERIFY(!docSays.isEmpty());
    QCOMPARE(toolSays, docSays);
}

// A list the program cannot read is left alone until it is given entries.
void tst_RouteFiles::unreadableList()
{
    QTemporaryDir dir;
    QVERIFY(WriteFile(dir.filePath(QStringLiteral("5.hy3")),
                      EncodeFareFile(StopRecords(TwoStops())).bytes));
    const QByteArray bad = "\"ようこそ\",0,0\r\nnot a line\r\n";
    QVERIFY(WriteFile(dir.filePath(QStringLiteral("5Tp.csv")), bad));
    const RouteOpenResult opened = OpenRoute(dir.path(), dir.path(), 5);
    QVERIFY(opened.ok);
    QCOMPARE(opened.data.tapeForm.state, RouteFileState::Unreadable);
    QCOMPARE(opened.warnings.size(), 1);
    QVERIFY2(opened.warnings[0].contains(u"2行目: 項目が足りません"),
             qPrintable(opened.warnings[0]));
    QVERIFY(SaveRoute(opened.data, dir.path(), dir.path(), 5).ok);
    QCOMPARE(Contents(dir.filePath(QStringLiteral("5Tp.csv"))), bad);
    // No reading list was there and none is made for an empty one.
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("5yomi.csv"))));

    RouteDocument doc;
    doc.reset(opened.data);
    QVERIFY(doc.makeStopAnnouncements());
    QVERIFY(doc.save(dir.path(), dir.path(), 5).ok);
    QVERIFY(doc.undoStack()->isClean());
    // Under the name the panel finds it by, the old one kept.
    QCOMPARE(Contents(dir.filePath(QStringLiteral("5Tp.csv.bak"))), bad);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("5tp.csv"))));
    QCOMPARE(ParseTapeCsv(Contents(dir.filePath(QStringLiteral("5Tp.csv")))).entries.size(), 2);
    // The list saved is the route's own now: emptied, it is emptied on disk too.
    QVERIFY(doc.removeTape(0, 2));
    QVERIFY(doc.save(dir.path(), dir.path(), 5).ok);
    QCOMPARE(Contents(dir.filePath(QStringLiteral("5Tp.csv"))), QByteArray());
}

void tst_RouteFiles::refusedAndFailedSaves()
{
    QTemporaryDir dir;
    RouteData data;
    data.stops = TwoStops();
    data.stops[1].record.StopName = QStringLiteral("車庫😀");
    RouteSaveResult r = SaveRoute(data, dir.path(), dir.path(), 7);
    QVERIFY(!r.ok);
    QCOMPARE(r.error, QStringLiteral("2番目の停留所: 停留所名 '車庫😀' にCP932で表せない文字があり"
                                     "ます。どのファイルも書き換えていません"));
    QVERIFY(QDir(dir.path()).isEmpty());
    QVERIFY(!SaveRoute(RouteData{}, dir.path(), dir.path(), 7).ok);
    QVERIFY(!SaveRoute(data, dir.path(), dir.path(), 100000).ok);

    // All or none: the reading list cannot be written, so no file changes.
    data.stops = TwoStops();
    QVERIFY(SaveRoute(data, dir.path(), dir.path(), 7).ok);
    const QByteArray fares = Contents(dir.filePath(QStringLiteral("7.hy3")));
    data.stops[0].record.Fare[1] = 170;
    data.readings << RouteReadingLine{QStringLiteral("駅前"), QStringLiteral("えきまえ"), {}};
    const ltm4::SaveFaultHook old = ltm4::SetSaveFaultHook([](const QString& path) {
        return ltm4::SaveFault{path.endsWith(u"yomi.csv") ? 3 : -1, false};
    });
    r = SaveRoute(data, dir.path(), dir.path(), 7);
    ltm4::SetSaveFaultHook(old);
    QVERIFY(!r.ok);
    QVERIFY2(r.error.startsWith(dir.filePath(QStringLiteral("7yomi.csv"))), qPrintable(r.error));
    QCOMPARE(Contents(dir.filePath(QStringLiteral("7.hy3"))), fares);
}

// A new route's lists are written as hy3tool writes them; an empty
// announcement list not at all.
void tst_RouteFiles::newRoute()
{
    QTemporaryDir dir;
    RouteData data;
    data.stops = TwoStops();
    data.readings << RouteReadingLine{QStringLiteral("#駅前"), QStringLiteral("えき, まえ"), {}};
    QVERIFY(SaveRoute(data, dir.path(), dir.path(), 7).ok);
    QCOMPARE(Contents(dir.filePath(QStringLiteral("7yomi.csv"))),
             QByteArray("# 表記,読み (系統7)\n\"#駅前\",\"えき, まえ\"\n"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("7tp.csv"))));
    // A text CP932 cannot hold makes the new list UTF-8 rather than "?".
    data.tape << RouteTapeLine{QStringLiteral("次は鷗町です。"), 1, 1, {}};
    QVERIFY(SaveRoute(data, dir.path(), dir.path(), 7).ok);
    QCOMPARE(Contents(dir.filePath(QStringLiteral("7tp.csv"))),
             QStringLiteral("\"次は鷗町です。\",1,1\r\n").toUtf8());
    // Emptied again: the file there is emptied, not left with the old entries.
    data.tape.clear();
    QVERIFY(SaveRoute(data, dir.path(), dir.path(), 7).ok);
    QCOMPARE(Contents(dir.filePath(QStringLiteral("7tp.csv"))), QByteArray());
}

// Times saved with the route are in its timetable, and read back with it.
void tst_RouteFiles::timetableRoundTrip()
{
    QTemporaryDir dir;
    RouteData data;
    data.stops = TwoStops();
    data.stops[0].departure = 23 * 3600 + 59 * 60;
    data.stops[1].arrival = 24 * 3600 + 10 * 60 + 5; // after midnight, with seconds
    QVERIFY(SaveRoute(data, dir.path(), dir.path(), 7).ok);
    const QString path = dir.filePath(QStringLiteral("7time.csv"));
    const QByteArray bytes = Contents(path);
    QVERIFY2(bytes.endsWith(",23:59,駅前\n24:10:05,,車庫\n"), bytes.constData());
    const TimetableResult read = ReadTimetableFile(path);
    QVERIFY2(read.ok(), qPrintable(read.error.message));
    QCOMPARE(read.rows.size(), 2);
    QCOMPARE(read.rows[0].arrival, std::nullopt);
    QCOMPARE(read.rows[0].departure, data.stops[0].departure);
    QCOMPARE(read.rows[1].arrival, data.stops[1].arrival);
    QCOMPARE(read.rows[1].departure, std::nullopt);

    const RouteOpenResult opened = OpenRoute(dir.path(), dir.path(), 7);
    QVERIFY(opened.ok);
    QVERIFY(opened.warnings.isEmpty());
    QCOMPARE(opened.data.stops.size(), 2);
    for (int r = 0; r < 2; ++r) {
        QCOMPARE(opened.data.stops[r].arrival, data.stops[r].arrival);
        QCOMPARE(opened.data.stops[r].departure, data.stops[r].departure);
    }

    // A route without times writes no timetable.
    QTemporaryDir other;
    RouteData plain;
    plain.stops = TwoStops();
    QVERIFY(SaveRoute(plain, other.path(), other.path(), 7).ok);
    QVERIFY(!QFile::exists(other.filePath(QStringLiteral("7time.csv"))));
}

void tst_RouteFiles::timetableKeptRefusedAndLeftAlone()
{
    QTemporaryDir dir;
    QVERIFY(WriteFile(dir.filePath(QStringLiteral("5.hy3")),
                      EncodeFareFile(StopRecords(TwoStops())).bytes));
    // A hand-written timetable, under the other name the run finds.
    const QString path = dir.filePath(QStringLiteral("5Time.csv"));
    const QByteArray own = "# mine\r\n8:00,8:01\r\n\"8:30\",\r\n";
    QVERIFY(WriteFile(path, own));
    RouteOpenResult opened = OpenRoute(dir.path(), dir.path(), 5);
    QVERIFY(opened.ok);
    QCOMPARE(opened.data.stops[1].arrival, 8 * 3600 + 1800);
    // Unchanged times: the file as it was.
    opened.data.stops[0].record.Fare[1] = 170;
    QVERIFY(SaveRoute(opened.data, dir.path(), dir.path(), 5).ok);
    QCOMPARE(Contents(path), own);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("5time.csv"))));
    // Changed: written anew, the old one kept.
    opened.data.stops[1].departure = 8 * 3600 + 1860;
    QVERIFY(SaveRoute(opened.data, dir.path(), dir.path(), 5).ok);
    QCOMPARE(Contents(path + QStringLiteral(".bak")), own);
    QCOMPARE(ReadTimetableFile(path).rows.value(1).departure, 8 * 3600 + 1860);

    // Time going back is refused before any file changes.
    const QByteArray fares = Contents(dir.filePath(QStringLiteral("5.hy3")));
    const QByteArray times = Contents(path);
    opened.data.stops[0].record.Fare[1] = 180;
    opened.data.stops[1].arrival = 7 * 3600;
    const RouteSaveResult back = SaveRoute(opened.data, dir.path(), dir.path(), 5);
    QVERIFY(!back.ok);
    QVERIFY2(back.error.startsWith(QStringLiteral("時刻表の2番目の停留所: ")),
             qPrintable(back.error));
    QCOMPARE(Contents(dir.filePath(QStringLiteral("5.hy3"))), fares);
    QCOMPARE(Contents(path), times);

    // Every time cleared: the timetable there is left as it is.
    for (RouteStop& s : opened.data.stops)
        s.arrival = s.departure = std::nullopt;
    QVERIFY(SaveRoute(opened.data, dir.path(), dir.path(), 5).ok);
    QCOMPARE(Contents(path), times);

    // One the program cannot read: a warning, and left alone while no stop has a time.
    const QByteArray bad = "8:00,7:00\n";
    QVERIFY(WriteFile(path, bad));
    opened = OpenRoute(dir.path(), dir.path(), 5);
    QVERIFY(opened.ok);
    QCOMPARE(opened.data.timetableForm.state, RouteFileState::Unreadable);
    QCOMPARE(opened.warnings.size(), 1);
    QVERIFY2(opened.warnings[0].startsWith(path + QStringLiteral(": 読み込めないため、時刻を空に")),
             qPrintable(opened.warnings[0]));
    QVERIFY2(opened.warnings[0].contains(QStringLiteral("1行目: 2列目: ")),
             qPrintable(opened.warnings[0]));
    QVERIFY(SaveRoute(opened.data, dir.path(), dir.path(), 5).ok);
    QCOMPARE(Contents(path), bad);

    // A timetable longer than the route: its rows as far as the stops go, and a warning.
    QVERIFY(WriteFile(path, "8:00,\n8:10,\n8:20,\n"));
    opened = OpenRoute(dir.path(), dir.path(), 5);
    QVERIFY(opened.ok);
    QCOMPARE(opened.data.stops[1].arrival, 8 * 3600 + 600);
    QCOMPARE(opened.warnings.size(), 1);
    QVERIFY2(opened.warnings[0].contains(QStringLiteral("余った行")),
             qPrintable(opened.warnings[0]));
}

QTEST_GUILESS_MAIN(tst_RouteFiles)
#include "tst_routefiles.moc"
