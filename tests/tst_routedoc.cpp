// SPDX-License-Identifier: GPL-3.0-or-later
// The route document: its rules, fills, spreadsheet text and paste, the cells
// nobody holds, where announcements lead, and undo and redo of every edit.

#include "route/Announcements.h"
#include "route/FareFill.h"
#include "route/RouteDocument.h"
#include "route/RouteFiles.h"
#include "route/RouteRules.h"
#include "route/SheetText.h"
#include "run/Timetable.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

Q_DECLARE_METATYPE(QList<QStringList>)

namespace {

// count stops S1, S2, ... issuing tickets 1, 2, ...; Fare[k] of stop r is 100 r + k.
QList<RouteStop> Stops(int count)
{
    QList<RouteStop> stops;
    for (int r = 0; r < count; ++r) {
        RouteStop s;
        s.record.StopName = QStringLiteral("S%1").arg(r + 1);
        s.record.SeiriNo = qint16(r + 1);
        for (int k = 1; k <= kFareColumns; ++k)
            s.record.Fare[size_t(k)] = qint16(100 * r + k);
        stops << s;
    }
    return stops;
}

QList<RouteStop> WithTickets(const QList<int>& tickets)
{
    QList<RouteStop> stops = Stops(int(tickets.size()));
    for (qsizetype i = 0; i < tickets.size(); ++i)
        stops[i].record.SeiriNo = qint16(tickets[i]);
    return stops;
}

QString Describe(const RouteFinding& f)
{
    static const char* const rules[] = {"NameNotCp932", "NameTooLong", "TooManyStops",
                                        "NoStops",      "OneStop",     "TicketUsedTwice",
                                        "NegativeFare", "FareTooWide", "LateFareTooWide"};
    QString s = QStringLiteral("%1 %2 %3 %4 %5")
                    .arg(f.stop)
                    .arg(QStringLiteral("RNTF")[int(f.field)])
                    .arg(f.ticket)
                    .arg(QLatin1String(rules[int(f.rule)]))
                    .arg(QChar(f.error ? u'E' : u'W'));
    if (f.otherStop >= 0)
        s += QStringLiteral(" of %1").arg(f.otherStop);
    if (!f.character.isEmpty())
        s += u' ' + f.character;
    return s;
}

// The demo's timetable: arrival and departure of 駅前, 中央, 市役所, 車庫.
const QByteArray kDemoTimes = "8:00,8:00\n8:05,8:06\n8:10,8:10\n8:20,\n";
constexpr int kEight = 8 * 3600;

// A route read from files, so that its lines carry the bytes they were read from.
RouteData ReadDemo()
{
    QList<StopRecord> records;
    const QStringList names{"駅前", "中央", "市役所", "車庫"};
    for (int r = 0; r < 4; ++r) {
        StopRecord s = Stops(4)[r].record;
        s.StopName = names[r];
        records << s;
    }
    const QByteArray tape = QStringLiteral("\"ご乗車ありがとうございます。\",0,0\r\n"
                                           "\"次は、中央です。\",1,1\r\n"
                                           "\"次は、市役所です。\",1,2\r\n")
                                .toUtf8();
    const QByteArray yomi = "# 表記,読み\n緑町,みどりまち\n";
    const RouteOpenResult r =
        ReadRoute(EncodeFareFile(records).bytes, QStringLiteral("1.hy3"),
                  {QStringLiteral("1tp.csv"), RouteFileState::Read, tape, {}},
                  {QStringLiteral("1yomi.csv"), RouteFileState::Read, yomi, {}},
                  {QStringLiteral("1time.csv"), RouteFileState::Read, kDemoTimes, {}});
    return r.data;
}

// What the document keeps beside its data agrees with the data.
bool Consistent(const RouteDocument& doc)
{
    const RouteData& d = doc.data();
    const QList<HeldTickets> held = HeldAtStops(d.stops);
    for (int r = 0; r < doc.stopCount(); ++r)
        for (int k = 1; k <= kFareColumns; ++k)
            if (doc.isHeld(r, k) != held[r].test(size_t(k)))
                return false;
    const QList<TapeStop> stops = TapeStops(d.tape, doc.stopCount());
    for (int i = 0; i < doc.tapeCount(); ++i)
        if (!(doc.tapeStop(i) == stops[i]))
            return false;
    QStringList a, b;
    for (const RouteFinding& f : doc.findings())
        a << Describe(f);
    for (const RouteFinding& f : CheckRoute(StopRecords(d.stops)))
        b << Describe(f);
    return a == b && doc.readings() == ReadingMap(d.readings);
}

QStringList Names(const RouteDocument& doc)
{
    QStringList out;
    for (int r = 0; r < doc.stopCount(); ++r)
        out << doc.stop(r).StopName;
    return out;
}

struct EditCase {
    const char* name;
    std::function<bool(RouteDocument&)> edit;
    std::function<bool(const RouteDocument&)> done; // what the edit did
};

const QList<EditCase>& EditCases()
{
    using D = RouteDocument;
    static const QList<EditCase> cases{
        {"stop name", [](D& d) { return d.setStopName(1, "中央\n通り〜"); },
         [](const D& d) { return d.stop(1).StopName == u"中央 通り～"; }},
        {"ticket number", [](D& d) { return d.setTicket(2, 9); },
         [](const D& d) { return d.stop(2).SeiriNo == 9 && d.isHeld(3, 9) && !d.isHeld(1, 9); }},
        {"stop reading", [](D& d) { return d.setStopReading(0, "えきまえ"); },
         [](const D& d) { return d.reading(0) == u"えきまえ"; }},
        {"insert stops", [](D& d) { return d.insertStops(1, 2); },
         [](const D& d) {
             return d.stopCount() == 6 && d.stop(1).SeiriNo == 5 && d.stop(2).SeiriNo == 6 &&
                    d.stop(1).Fare[1] == 0;
         }},
        {"remove stops", [](D& d) { return d.removeStops(1, 2); },
         [](const D& d) {
             return Names(d) == QStringList{"駅前", "車庫"} &&
                    d.stopTime(1, false) == kEight + 1200;
         }},
        {"arrival", [](D& d) { return d.setStopTime(1, false, kEight + 240); },
         [](const D& d) { return d.stopTime(1, false) == kEight + 240; }},
        {"departure removed", [](D& d) { return d.setStopTime(0, true, std::nullopt); },
         [](const D& d) { return !d.stopTime(0, true) && d.stopTime(0, false) == kEight; }},
        {"paste times",
         [](D& d) {
             const PasteResult r = d.pasteStops(1, 3, "8:04\t8:05:30\n8:61\t\n");
             return r.cells == 3 && r.refused.size() == 1 && r.refused[0].column == 3;
         },
         [](const D& d) {
             return d.stopTime(1, false) == kEight + 240 && d.stopTime(1, true) == kEight + 330 &&
                    d.stopTime(2, false) == kEight + 600 && !d.stopTime(2, true);
         }},
        {"move stops down", [](D& d) { return d.moveStops(0, 2, 4); },
         [](const D& d) {
             return Names(d) == QStringList{"市役所", "車庫", "駅前", "中央"} &&
                    d.fare(2, 1) == 1 && !d.isHeld(0, 1) && d.stopTime(3, false) == kEight + 300 &&
                    d.stopTime(3, true) == kEight + 360 && !d.stopTime(1, true);
         }},
        {"move stops up", [](D& d) { return d.moveStops(2, 2, 0); },
         [](const D& d) {
             return Names(d) == QStringList{"市役所", "車庫", "駅前", "中央"};
         }},
        {"fare", [](D& d) { return d.setFare(3, 150, -1); },
         [](const D& d) { return d.fare(3, 150) == -1; }},
        {"paste fares", [](D& d) { return d.pasteFares(0, 1, "1\t2\n3\t4\n").cells == 4; },
         [](const D& d) { return d.fare(0, 2) == 2 && d.fare(1, 1) == 3; }},
        {"paste stops",
         [](D& d) { return d.pasteStops(3, 0, "車庫前\t12\tしゃこまえ\n新車庫\t13\n").cells == 5; },
         [](const D& d) {
             return Names(d).last() == u"新車庫" && d.stop(3).SeiriNo == 12 &&
                    d.reading(3) == u"しゃこまえ";
         }},
        {"flat fill", [](D& d) { return d.fillFlat(210).isEmpty(); },
         [](const D& d) { return d.fare(3, 4) == 210 && d.fare(0, 2) == 2; }},
        {"zone fill",
         [](D& d) {
             return d.fillZones({1, 1, 2, 2}, {{100, 200}, {200, 100}}).isEmpty();
         },
         [](const D& d) { return d.fare(3, 1) == 200 && d.fare(3, 3) == 100; }},
        {"distance fill",
         [](D& d) {
             return d.fillDistance({0, 1, 2, 3}, {160, 1, 40, 1}).isEmpty();
         },
         [](const D& d) { return d.fare(3, 1) == 240 && d.fare(3, 3) == 160; }},
        {"announcement text", [](D& d) { return d.setTapeText(1, "次は\"中央\"です"); },
         [](const D& d) {
             return d.tapeLine(1).text == u"次は中央です" && d.tapeLine(1).raw.isEmpty();
         }},
        {"step flag", [](D& d) { return d.setTapeStepFlag(0, 1); },
         [](const D& d) { return d.tapeStop(0).row == 1 && d.tapeStop(2).row == 3; }},
        {"chime", [](D& d) { return d.setTapePreFlag(2, 3); },
         [](const D& d) { return d.tapeLine(2).preFlag == 3; }},
        {"insert announcements",
         [](D& d) {
             return d.insertTape(1, {TapeEntry{"x", 1, 0}});
         },
         [](const D& d) { return d.tapeCount() == 4 && d.tapeStop(3).row == 3; }},
        {"remove announcements", [](D& d) { return d.removeTape(0, 2); },
         [](const D& d) { return d.tapeCount() == 1 && d.tapeStop(0).row == 1; }},
        {"move announcements", [](D& d) { return d.moveTape(2, 1, 0); },
         [](const D& d) { return d.tapeLine(0).text == u"次は、市役所です。"; }},
        {"next-stop announcements", [](D& d) { return d.makeStopAnnouncements(); },
         [](const D& d) {
             return d.tapeCount() == 4 && d.tapeLine(3).text == u"次は、終点、車庫です。";
         }},
        {"reading", [](D& d) { return d.setReading("市役所", "しやくしょ"); },
         [](const D& d) { return d.reading(2) == u"しやくしょ"; }},
        {"remove reading", [](D& d) { return d.setReading("緑町", ""); },
         [](const D& d) { return d.readings().isEmpty() && d.data().readings.size() == 1; }},
    };
    return cases;
}

} // namespace

class tst_RouteDoc final : public QObject {
    Q_OBJECT
private slots:
    void rules_data();
    void rules();
    void held_data();
    void held();
    void tapeStops_data();
    void tapeStops();
    void distanceFare_data();
    void distanceFare();
    void fills();
    void fillRefusals_data();
    void fillRefusals();
    void sheetText_data();
    void sheetText();
    void sheetCaps();
    void sheetNumber_data();
    void sheetNumber();
    void paste();
    void undoRedo_data();
    void undoRedo();
    void typingMerges();
    void timeProblems_data();
    void timeProblems();
    void rowSignals();
    void announcements();
};

void tst_RouteDoc::rules_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("firstName");
    QTest::addColumn<QList<int>>("tickets"); // of the first stops
    QTest::addColumn<QList<int>>("fares");   // of the first stop, tickets 1..
    QTest::addColumn<QStringList>("findings");
    QTest::newRow("fares that are fine")
        << 2 << "" << QList<int>{} << QList<int>{-1, 0, 4999} << QStringList{};
    QTest::newRow("fares at the edges")
        << 2 << "" << QList<int>{} << QList<int>{-2, 5000, 9999, 10000, -32768, 32767}
        << QStringList{"0 F 1 NegativeFare W", "0 F 2 LateFareTooWide W", "0 F 3 LateFareTooWide W",
                       "0 F 4 FareTooWide W",  "0 F 5 NegativeFare W",    "0 F 6 FareTooWide W"};
    QTest::newRow("ticket used twice") << 3 << "" << QList<int>{1, 2, 1} << QList<int>{}
                                       << QStringList{"2 T 0 TicketUsedTwice W of 0"};
    QTest::newRow("not CP932") << 2 << "駅前😀" << QList<int>{} << QList<int>{}
                               << QStringList{"0 N 0 NameNotCp932 E 😀"};
    QTest::newRow("wave dash is CP932's")
        << 2 << "温泉〜" << QList<int>{} << QList<int>{} << QStringList{};
    QTest::newRow("name too long") << 2 << QString(kFareNameMaxBytes + 1, u'a') << QList<int>{}
                                   << QList<int>{} << QStringList{"0 N 0 NameTooLong E"};
    QTest::newRow("one stop") << 1 << "" << QList<int>{} << QList<int>{}
                              << QStringList{"-1 R 0 OneStop W"};
    QTest::newRow("no stops") << 0 << "" << QList<int>{} << QList<int>{}
                              << QStringList{"-1 R 0 NoStops E"};
    QTest::newRow("302 stops") << 302 << "" << QList<int>{} << QList<int>{}
                               << QStringList{"301 R 0 TooManyStops E"};
}

void tst_RouteDoc::rules()
{
    QFETCH(int, count);
    QFETCH(QString, firstName);
    QFETCH(QList<int>, tickets);
    QFETCH(QList<int>, fares);
    QFETCH(QStringList, findings);
    QList<StopRecord> stops = StopRecords(Stops(count));
    for (StopRecord& s : stops)
        s.Fare.fill(0);
    for (qsizetype i = 0; i < tickets.size(); ++i)
        stops[i].SeiriNo = qint16(tickets[i]);
    for (qsizetype k = 0; k < fares.size(); ++k)
        stops[0].Fare[size_t(k + 1)] = qint16(fares[k]);
    if (!firstName.isEmpty())
        stops[0].StopName = firstName;
    QStringList found;
    for (const RouteFinding& f : CheckRoute(stops))
        found << Describe(f);
    QCOMPARE(found, findings);
    if (QTest::currentDataTag() == QByteArray("ticket used twice"))
        QCOMPARE(CheckRoute(stops).first().message,
                 QStringLiteral("整理券番号 1 は 1番目の停留所「S1」と同じです"));
}

void tst_RouteDoc::held_data()
{
    QTest::addColumn<QList<int>>("tickets");
    QTest::addColumn<QStringList>("held");     // per stop
    QTest::addColumn<QStringList>("boarding"); // per stop: boarding stop of tickets 1..3
    QTest::newRow("one ticket a stop")
        << QList<int>{1, 2, 3} << QStringList{"1", "12", "123"} << QStringList{"0--", "01-", "012"};
    QTest::newRow("a number issued again")
        << QList<int>{1, 1, 2} << QStringList{"1", "1", "12"} << QStringList{"0--", "0--", "02-"};
    QTest::newRow("numbers beyond the columns")
        << QList<int>{0, 151, 3} << QStringList{"", "", "3"} << QStringList{"---", "---", "--2"};
}

void tst_RouteDoc::held()
{
    QFETCH(QList<int>, tickets);
    QFETCH(QStringList, held);
    QFETCH(QStringList, boarding);
    const QList<RouteStop> stops = WithTickets(tickets);
    const QList<HeldTickets> h = HeldAtStops(stops);
    const QList<FareRow> b = BoardingStops(stops);
    for (qsizetype r = 0; r < stops.size(); ++r) {
        QString bits;
        QString from;
        for (int k = 1; k <= kFareColumns; ++k)
            if (h[r].test(size_t(k)))
                bits += QString::number(k);
        for (int k = 1; k <= 3; ++k)
            from += b[r][size_t(k)] < 0 ? u"-"_qs : QString::number(b[r][size_t(k)]);
        QCOMPARE(bits, held[r]);
        QCOMPARE(from, boarding[r]);
    }
}

void tst_RouteDoc::tapeStops_data()
{
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<int>("stops");
    QTest::addColumn<QString>("rows"); // per entry; "!" after a step past the last row
    QTest::newRow("welcome then steps") << QList<int>{0, 1, 0, 1, 1, 1} << 3 << "0 1 1 2 2! 2!";
    QTest::newRow("only flag 1 steps") << QList<int>{2, -1, 1} << 3 << "0 0 1";
    QTest::newRow("one stop") << QList<int>{1, 0} << 1 << "0! 0";
}

void tst_RouteDoc::tapeStops()
{
    QFETCH(QList<int>, steps);
    QFETCH(int, stops);
    QFETCH(QString, rows);
    QList<RouteTapeLine> tape;
    for (int s : steps)
        tape << RouteTapeLine{{}, qint16(s), 0, {}};
    QStringList got;
    for (const TapeStop& t : TapeStops(tape, stops))
        got << QString::number(t.row) + (t.beyondEnd ? u"!"_qs : QString());
    QCOMPARE(got.join(u' '), rows);
}

void tst_RouteDoc::distanceFare_data()
{
    QTest::addColumn<qint64>("metres");
    QTest::addColumn<int>("base");
    QTest::addColumn<double>("baseKm");
    QTest::addColumn<int>("step");
    QTest::addColumn<double>("stepKm");
    QTest::addColumn<qint64>("fare");
    QTest::newRow("own stop") << qint64(0) << 160 << 2.0 << 30 << 1.0 << qint64(160);
    QTest::newRow("up to the base distance")
        << qint64(2000) << 160 << 2.0 << 30 << 1.0 << qint64(160);
    QTest::newRow("a metre into a step") << qint64(2001) << 160 << 2.0 << 30 << 1.0 << qint64(190);
    QTest::newRow("a whole step") << qint64(3000) << 160 << 2.0 << 30 << 1.0 << qint64(190);
    QTest::newRow("a second step begun") << qint64(3001) << 160 << 2.0 << 30 << 1.0 << qint64(220);
    QTest::newRow("rounded up to 10 yen") << qint64(2500) << 150 << 2.0 << 25 << 0.5 << qint64(180);
    QTest::newRow("base rounded up") << qint64(0) << 155 << 2.0 << 25 << 0.5 << qint64(160);
    QTest::newRow("steps of 1.3 km") << qint64(3301) << 200 << 2.0 << 40 << 1.3 << qint64(280);
}

void tst_RouteDoc::distanceFare()
{
    QFETCH(qint64, metres);
    QFETCH(int, base);
    QFETCH(double, baseKm);
    QFETCH(int, step);
    QFETCH(double, stepKm);
    QFETCH(qint64, fare);
    QCOMPARE(DistanceFare(metres, {base, baseKm, step, stepKm}), fare);
}

// Each fill gives the cells somebody holds their fare and leaves the others.
void tst_RouteDoc::fills()
{
    // Stop 2 issues ticket 1 again: its holders still pay from stop 0.
    QList<RouteStop> stops = WithTickets({1, 2, 1, 3});
    for (RouteStop& s : stops)
        s.record.Fare.fill(7);
    const auto rows = [](const FareFill& f) {
        QStringList out;
        for (const FareRow& r : f.rows)
            out << QStringLiteral("%1 %2 %3").arg(r[1]).arg(r[2]).arg(r[3]);
        return out.join(u" | ");
    };
    QCOMPARE(rows(FillFlat(stops, 180)), u"180 7 7 | 180 180 7 | 180 180 7 | 180 180 180"_qs);
    const FareFill zones = FillZones(stops, {1, 1, 2, 2}, {{100, 200}, {300, 150}});
    QCOMPARE(rows(zones), u"100 7 7 | 100 100 7 | 200 200 7 | 200 200 150"_qs);
    QCOMPARE(zones.cells, 8);
    // Positions need not run forwards; fares go by the distance between them.
    QCOMPARE(rows(FillDistance(stops, {10, 7.5, 6.4, 10.1}, {160, 2, 30, 1})),
             u"160 7 7 | 190 160 7 | 220 160 7 | 160 190 160"_qs);
    QCOMPARE(FillFlat(stops, 180).rows[0][0], qint16(0));
}

void tst_RouteDoc::fillRefusals_data()
{
    QTest::addColumn<int>("kind"); // 0 flat, 1 zones, 2 distance
    QTest::addColumn<QString>("error");
    QTest::newRow("flat beyond a cell") << 0 << "運賃 32768 は使えません (-1～32767)";
    QTest::newRow("zone not in the table")
        << 1 << "2番目の停留所のゾーン 3 は運賃表にありません (1～2)";
    QTest::newRow("distance fare too large")
        << 2 << "1番目から2番目の停留所までの運賃 32830 円は大きすぎます";
}

void tst_RouteDoc::fillRefusals()
{
    QFETCH(int, kind);
    QFETCH(QString, error);
    RouteData data;
    data.stops = Stops(2);
    RouteDocument doc;
    doc.reset(data);
    const QString got = kind == 0   ? doc.fillFlat(32768)
                        : kind == 1 ? doc.fillZones({1, 3}, {{1, 2}, {3, 4}})
                                    : doc.fillDistance({0, 100}, {160, 1, 330, 1});
    QCOMPARE(got, error);
    // Nothing changed, nothing to undo.
    QCOMPARE(doc.undoStack()->count(), 0);
    QVERIFY(doc.data() == data);
}

void tst_RouteDoc::sheetText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<QStringList>>("rows");
    using R = QList<QStringList>;
    QTest::newRow("empty") << "" << R{};
    QTest::newRow("rows ended by line breaks") << "a\tb\nc\td\n" << R{{"a", "b"}, {"c", "d"}};
    QTest::newRow("CR LF, last row unended") << "a\tb\r\nc" << R{{"a", "b"}, {"c"}};
    QTest::newRow("old Mac line ends") << "a\rb" << R{{"a"}, {"b"}};
    QTest::newRow("tab at the end") << "a\t" << R{{"a", ""}};
    QTest::newRow("one empty cell") << "\n" << R{{""}};
    QTest::newRow("empty row between") << "a\n\nb\n" << R{{"a"}, {""}, {"b"}};
    QTest::newRow("quoted tab, line break and quote")
        << "\"x\ty\"\t\"l1\nl2\"\t\"say \"\"hi\"\"\"\n"
        << R{{"x\ty", "l1\nl2", "say \"hi\""}};
    QTest::newRow("quote inside a cell is a character") << "5\"\tb" << R{{"5\"", "b"}};
    QTest::newRow("text after the closing quote") << "\"a\"b\tc" << R{{"ab", "c"}};
    // and, once one has not, no later one either
    QTest::newRow("quote that never closes") << "\"a\t\"\"b\nc" << R{{"\"a", "\"\"b"}, {"c"}};
}

void tst_RouteDoc::sheetText()
{
    QFETCH(QString, text);
    QFETCH(QList<QStringList>, rows);
    const SheetCells cells = ParseSheetText(text);
    QCOMPARE(cells.rows, rows);
    QCOMPARE(ParseSheetText(WriteSheetText(rows)).rows, rows);
}

void tst_RouteDoc::sheetCaps()
{
    const SheetCells cells = ParseSheetText(u"1\t2\t3\n4\t5\t6\t7\n8\n9\n", 2, 2);
    QCOMPARE(cells.rows, (QList<QStringList>{{"1", "2"}, {"4", "5"}}));
    QCOMPARE(cells.rowsBeyond, 2);
    QCOMPARE(cells.columnsBeyond, 2);
    QCOMPARE(WriteSheetText({{"a", "\"b"}, {"c\td"}}), u"a\t\"\"\"b\"\n\"c\td\"\n"_qs);
}

void tst_RouteDoc::sheetNumber_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<int>("value"); // -99999: not a number
    const int no = -99999;
    QTest::newRow("plain") << "160" << 160;
    QTest::newRow("blanks") << " 160 " << 160;
    QTest::newRow("full width") << "１６０" << 160;
    QTest::newRow("blank code") << "-1" << -1;
    QTest::newRow("full-width minus") << "－１" << -1;
    QTest::newRow("plus") << "+5" << 5;
    QTest::newRow("yen and comma") << "¥1,200" << 1200;
    QTest::newRow("yen after") << "12,345円" << 12345;
    QTest::newRow("largest") << "32767" << 32767;
    QTest::newRow("smallest") << "-32768" << -32768;
    QTest::newRow("too large") << "32768" << no;
    QTest::newRow("comma out of place") << "1,20" << no;
    QTest::newRow("comma after four digits") << "1234,567" << no;
    QTest::newRow("decimal") << "1.5" << no;
    QTest::newRow("empty") << "" << no;
    QTest::newRow("word") << "abc" << no;
    QTest::newRow("two signs") << "--1" << no;
}

void tst_RouteDoc::sheetNumber()
{
    QFETCH(QString, cell);
    QFETCH(int, value);
    const std::optional<qint16> n = SheetNumber(cell);
    QCOMPARE(n.has_value(), value != -99999);
    if (n)
        QCOMPARE(int(*n), value);
}

void tst_RouteDoc::paste()
{
    RouteData data;
    data.stops = Stops(3);
    RouteDocument doc;
    doc.reset(data);
    QSignalSpy fares(&doc, &RouteDocument::faresChanged);
    // Two rows and one column hang over the edge; "x" is no number.
    const PasteResult r = doc.pasteFares(1, 149, "10\t20\t30\n40\tx\t50\n60\t70\n90\n");
    QCOMPARE(r.cells, 3);
    QCOMPARE(r.refused.size(), 1);
    QCOMPARE(r.rowsCut, 2);
    QCOMPARE(r.columnsCut, 1);
    QCOMPARE(r.summary(), QStringLiteral("3 個の欄に貼り付けました。貼り付けられない 1 個の欄は"
                                         "そのままです (3行目 整理券150「x」)。表の外にはみ出した "
                                         "2 行 1 列は貼り付けていません。"));
    QCOMPARE(doc.fare(1, 149), qint16(10));
    QCOMPARE(doc.fare(1, 150), qint16(20));
    QCOMPARE(doc.fare(2, 149), qint16(40));
    QCOMPARE(doc.fare(2, 150), qint16(350));
    QCOMPARE(fares.count(), 1);
    QCOMPARE(fares.first(), (QVariantList{1, 2, 149, 150}));
    // What was copied pastes back where it came from.
    const QString copied = doc.copyFares(1, 2, 148, 150);
    QCOMPARE(copied, u"248\t10\t20\n348\t40\t350\n"_qs);
    doc.undoStack()->undo();
    QVERIFY(doc.data() == data);
    QCOMPARE(doc.pasteFares(0, 148, copied).cells, 6);
    QCOMPARE(doc.fare(1, 150), qint16(350));
    QCOMPARE(doc.copyStops(0, 1, 0, 2), u"S1\t1\t\nS2\t2\t\n"_qs);
    // Times copy as the table shows them and paste back; the reason a cell is refused is told.
    const PasteResult times = doc.pasteStops(0, 3, "8:00\t8:00:30\n24:10\t8:61\n");
    QCOMPARE(times.cells, 3);
    QVERIFY2(times.summary().contains(u"(2行目 発「8:61」)"), qPrintable(times.summary()));
    QCOMPARE(doc.copyStops(0, 2, 3, 4), u"08:00\t08:00:30\n24:10\t\n\t\n"_qs);
    // Only names make new stops: readings past the last stop are cut.
    const PasteResult readings = doc.pasteStops(2, 2, "えす\nなし\n");
    QCOMPARE(readings.cells, 1);
    QCOMPARE(readings.rowsCut, 1);
    QCOMPARE(doc.stopCount(), 3);
    QCOMPARE(doc.reading(2), u"えす"_qs);
}

void tst_RouteDoc::undoRedo_data()
{
    QTest::addColumn<int>("edit");
    for (qsizetype i = 0; i < EditCases().size(); ++i)
        QTest::newRow(EditCases()[i].name) << int(i);
}

void tst_RouteDoc::undoRedo()
{
    QFETCH(int, edit);
    const EditCase& c = EditCases()[edit];
    RouteDocument doc;
    doc.reset(ReadDemo());
    const RouteData before = doc.data();
    QVERIFY(c.edit(doc));
    QVERIFY(c.done(doc));
    QVERIFY(Consistent(doc));
    const RouteData after = doc.data();
    QVERIFY(!(after == before));
    QCOMPARE(doc.undoStack()->count(), 1);
    QVERIFY(!doc.undoStack()->isClean());
    doc.undoStack()->undo();
    // Back to the bytes each line was read from, too.
    QVERIFY(doc.data() == before);
    QVERIFY(Consistent(doc));
    QVERIFY(doc.undoStack()->isClean());
    doc.undoStack()->redo();
    QVERIFY(doc.data() == after);
    QVERIFY(Consistent(doc));
}

void tst_RouteDoc::typingMerges()
{
    RouteDocument doc;
    doc.reset(ReadDemo());
    const RouteData before = doc.data();
    QVERIFY(doc.setFare(0, 1, 5));
    QVERIFY(doc.setFare(0, 1, 6));
    QVERIFY(doc.setStopName(1, "中"));
    QVERIFY(doc.setStopName(1, "中央公園"));
    QVERIFY(doc.setStopTime(1, true, kEight + 420));
    QVERIFY(doc.setStopTime(1, true, kEight + 480));
    QCOMPARE(doc.undoStack()->count(), 3);
    doc.undoStack()->undo();
    QCOMPARE(doc.stopTime(1, true), kEight + 360);
    QCOMPARE(doc.undoStack()->count(), 3);
    doc.undoStack()->undo();
    QCOMPARE(doc.undoStack()->count(), 3);
    doc.undoStack()->redo();
    doc.undoStack()->redo();
    QCOMPARE(doc.stopTime(1, true), kEight + 480);
    // Past 47:59:59 is no time of the timetable.
    QVERIFY(!doc.setStopTime(1, true, 48 * 3600));
    doc.undoStack()->undo();
    QVERIFY(doc.setFare(0, 2, 1)); // another cell
    QCOMPARE(doc.undoStack()->count(), 3);
    doc.undoStack()->setClean();
    QVERIFY(doc.setFare(0, 2, 9)); // a save between: no merging across it
    QCOMPARE(doc.undoStack()->count(), 4);
    doc.undoStack()->undo();
    QCOMPARE(doc.fare(0, 2), qint16(1));
    doc.undoStack()->undo();
    doc.undoStack()->undo();
    QCOMPARE(doc.stop(1).StopName, u"中央"_qs);
    doc.undoStack()->undo();
    QVERIFY(doc.data() == before);
    // Redone, each merged command gives what was typed last.
    while (doc.undoStack()->canRedo())
        doc.undoStack()->redo();
    QCOMPARE(doc.fare(0, 1), qint16(6));
    QCOMPARE(doc.stop(1).StopName, u"中央公園"_qs);
    QCOMPARE(doc.fare(0, 2), qint16(9));
    while (doc.undoStack()->canUndo())
        doc.undoStack()->undo();
    // Setting what is there is no edit.
    QVERIFY(doc.setFare(0, 1, doc.fare(0, 1)));
    QCOMPARE(doc.undoStack()->index(), 0);
}

void tst_RouteDoc::timeProblems_data()
{
    // Times as "arrival,departure" per stop; the problems flagged as their indexes.
    QTest::addColumn<QStringList>("times");
    QTest::addColumn<QStringList>("problems");
    QTest::newRow("in order, gaps, past midnight")
        << QStringList{"8:00,8:00", ",", "23:59,24:10"} << QStringList{"", "", "", "", "", ""};
    QTest::newRow("arrival after departure")
        << QStringList{"8:10,8:05", "8:20,"}
        << QStringList{"", "08:05 が前の時刻 08:10 より前です", "", ""};
    QTest::newRow("later stops earlier, each against the latest time above")
        << QStringList{"8:10,8:10", "8:00:30,", ",8:05", ",8:11"}
        << QStringList{"", "", "08:00:30 が前の時刻 08:10 より前です",
                       "", "", "08:05 が前の時刻 08:10 より前です",
                       "", ""};
}

void tst_RouteDoc::timeProblems()
{
    QFETCH(QStringList, times);
    QFETCH(QStringList, problems);
    RouteData data;
    data.stops = Stops(int(times.size()));
    for (qsizetype i = 0; i < times.size(); ++i) {
        const QStringList pair = times[i].split(u',');
        data.stops[i].arrival = ParseTimetableTime(pair[0]);
        data.stops[i].departure = ParseTimetableTime(pair[1]);
    }
    RouteDocument doc;
    doc.reset(data);
    QStringList got;
    for (int r = 0; r < doc.stopCount(); ++r)
        got << doc.timeProblem(r, false) << doc.timeProblem(r, true);
    QCOMPARE(got, problems);
    // What is flagged is what the save refuses.
    QCOMPARE(EncodeRoute(doc.data(), 1).ok, problems.join(QString()).isEmpty());
}

void tst_RouteDoc::rowSignals()
{
    RouteDocument doc;
    doc.reset(ReadDemo());
    QStringList seen;
    connect(&doc, &RouteDocument::stopsAboutToBeInserted, this, [&](int first, int last) {
        seen << QStringLiteral("about %1-%2 of %3").arg(first).arg(last).arg(doc.stopCount());
    });
    // A model asks for the new rows as soon as they are in: all of them answer.
    connect(&doc, &RouteDocument::stopsInserted, this, [&](int first, int last) {
        seen << QStringLiteral("in %1-%2 of %3 held %4")
                    .arg(first)
                    .arg(last)
                    .arg(doc.stopCount())
                    .arg(doc.isHeld(last, doc.stop(last).SeiriNo));
    });
    connect(&doc, &RouteDocument::stopsAboutToBeMoved, this, [&](int first, int last, int to) {
        seen << QStringLiteral("move %1-%2 to %3").arg(first).arg(last).arg(to);
    });
    connect(&doc, &RouteDocument::stopsAboutToBeRemoved, this, [&](int first, int last) {
        seen << QStringLiteral("remove %1-%2").arg(first).arg(last);
    });
    QSignalSpy tapeStops(&doc, &RouteDocument::tapeStopsChanged);
    QVERIFY(doc.insertStops(4, 2));
    QVERIFY(doc.moveStops(4, 2, 1));
    doc.undoStack()->undo();
    doc.undoStack()->undo();
    QCOMPARE(seen, (QStringList{"about 4-5 of 4", "in 4-5 of 6 held 1", "move 4-5 to 1",
                                "move 1-2 to 6", "remove 4-5"}));
    // Where the announcements lead never changed.
    QCOMPARE(tapeStops.count(), 0);
    QVERIFY(!doc.moveStops(1, 2, 2)); // onto itself
    QVERIFY(!doc.insertStops(0, kRouteMaxStops));
}

void tst_RouteDoc::announcements()
{
    const auto texts = [](const QStringList& names) {
        QStringList out;
        for (const TapeEntry& e : StopAnnouncements(names))
            out << QStringLiteral("%1 %2 %3")
                       .arg(e.TapeText)
                       .arg(e.TapeStepFlag)
                       .arg(e.TapePreFlag);
        return out;
    };
    QCOMPARE(texts({"駅前", "中央", "車庫\"前\""}),
             (QStringList{"ご乗車ありがとうございます。このバスは車庫前行きです。 0 0",
                          "次は、中央です。 1 1", "次は、終点、車庫前です。 1 1"}));
    QCOMPARE(texts({"駅前", "中央", "駅前"}).first(),
             u"ご乗車ありがとうございます。このバスは、駅前循環です。 0 0"_qs);
    QVERIFY(texts({}).isEmpty());
}

QTEST_GUILESS_MAIN(tst_RouteDoc)
#include "tst_routedoc.moc"
