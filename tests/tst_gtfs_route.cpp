// SPDX-License-Identifier: GPL-3.0-or-later
// A route exported from a GTFS feed, loaded by the real control panel: the
// board shows the feed's fares, "データ送り" steps them, and the exported
// announcement entries step the board onto the stop they name.

#include "board/ChimeiCtl_A.h"
#include "board/Form1.h"
#include "board/M_Degit.h"
#include "companion/LTM4Res.h"
#include "companion/MsgBox.h"
#include "companion/SysWait.h"
#include "options/frmOption.h"
#include "panel/frmCtl.h"
#include "tools/GtfsExport.h"
#include "tools/GtfsFeed.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Five stops in three zones; the fare grows by 50 yen a zone from 150.
GtfsFiles Feed()
{
    GtfsFiles f;
    f.tables["stops.txt"] = "stop_id,stop_name,zone_id\n"
                            "S1,登別駅前,A\nS2,富岸,A\nS3,鷲別,B\nS4,若草町,B\nS5,登別温泉,C\n";
    f.tables["routes.txt"] = "route_id,route_short_name\nR31,31\n";
    f.tables["trips.txt"] = "route_id,service_id,trip_id,trip_headsign\nR31,W,T1,登別温泉\n";
    f.tables["stop_times.txt"] = "trip_id,departure_time,stop_id,stop_sequence\n"
                                 "T1,7:00:00,S1,1\nT1,7:05:00,S2,2\nT1,7:10:00,S3,3\n"
                                 "T1,7:15:00,S4,4\nT1,7:30:00,S5,5\n";
    f.tables["fare_attributes.txt"] = "fare_id,price\nF150,150\nF200,200\nF250,250\n";
    f.tables["fare_rules.txt"] = "fare_id,route_id,origin_id,destination_id\n"
                                 "F150,R31,A,A\nF200,R31,A,B\nF250,R31,A,C\n"
                                 "F150,R31,B,B\nF200,R31,B,C\nF150,R31,C,C\n";
    f.tables["translations.txt"] =
        "trans_id,lang,translation\n登別駅前,ja-Hrkt,のぼりべつえきまえ\n"
        "富岸,ja-Hrkt,とんけし\n鷲別,ja-Hrkt,わしべつ\n"
        "若草町,ja-Hrkt,わかくさちょう\n登別温泉,ja-Hrkt,のぼりべつおんせん\n";
    return f;
}

// The zone of each stop, 1-based, and the fare between two zones.
int Zone(int stop)
{
    return stop <= 2 ? 0 : stop <= 4 ? 1 : 2;
}
int Fare(int from, int to)
{
    return 150 + 50 * (Zone(to) - Zone(from));
}

struct TapeEntry {
    QString text;
    qint16 step = 0;
};

// Enough of the announcement list's reading to drive the panel: "text",step,pre.
QList<TapeEntry> ReadTape(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<TapeEntry> out;
    const QStringList lines = ltm4::FromCp932(f.readAll()).split(QStringLiteral("\r\n"));
    for (const QString& line : lines) {
        const qsizetype close = line.lastIndexOf(u'"');
        if (line.startsWith(u'"') && close > 0)
            out << TapeEntry{line.mid(1, close - 1),
                             qint16(line.mid(close + 2).section(u',', 0, 0).toInt())};
    }
    return out;
}

struct Fixture {
    QTemporaryDir dir;
    frmOption option;
    Form1 board;
    frmCtl ctl;
    QStringList messages;
    QList<TapeEntry> tape;
    qint32 tapeIndex = 0;
    ltm4::MsgBoxHandler previousBox;
    std::function<void(int)> previousWait;

    Fixture()
    {
        board.setOptionDialog(&option);
        board.setControlPanel(&ctl);
        ctl.setBoard(&board);
        ctl.setOptionDialog(&option);
        option.setLinks(&board, &ctl);
        // The announcement module's stepping, as the panel uses it.
        frmCtl::Services s;
        s.TapeLoad = [this](const QString& folder, const QString& key) {
            tape = ReadTape(folder + key + QStringLiteral("tp.csv"));
            tapeIndex = 0;
        };
        s.TapeNext = [this] { tapeIndex = qMin<qint32>(tapeIndex + 1, qint32(tape.size())); };
        s.TapeBack = [this] { tapeIndex = qMax(tapeIndex - 1, 1); };
        s.GetTapeIndex = [this] { return tapeIndex; };
        s.GetTapeStepFlag = [this](qint32 i) {
            return i >= 1 && i <= tape.size() ? tape[i - 1].step : qint16(0);
        };
        ctl.setServices(s);
        board.Form_Load();
        ctl.Form_Load();
        option.Text2(0)->setText(dir.path());
        option.Text2(1)->setText(dir.path());
        previousBox = ltm4::SetMsgBoxHandler([this](const ltm4::MsgBoxCall& c) {
            messages << c.text;
            return int(ltm4::vbOK);
        });
        previousWait = ltm4::SetWaitOverride([](int) {});
    }
    ~Fixture()
    {
        ltm4::SetMsgBoxHandler(previousBox);
        ltm4::SetWaitOverride(previousWait);
    }

    bool exportRoute(const QString& key)
    {
        const GtfsFeedResult feed = LoadGtfsFeed(Feed());
        const GtfsExport data = ExportGtfsTrip(feed.feed, QStringLiteral("T1"));
        QString error;
        return feed.ok && data.ok && data.warnings.isEmpty() &&
               SaveGtfsExport(dir.path(), key, data, error);
    }

    void set(const QString& route)
    {
        ctl.CommandButton1(10)->click();
        for (QChar c : route)
            ctl.CommandButton1(c.digitValue())->click();
        ctl.CommandButton1(11)->click();
        ctl.CommandButton1(1)->click();
        ctl.Command1(1)->click();
    }

    int row() const { return ctl.Route().CurIndex + 1; }
    QString stopName() const { return board.ChimeiCtl()->Text(); }
};

const QStringList kStops = {"登別駅前", "富岸", "鷲別", "若草町", "登別温泉"};

} // namespace

class tst_GtfsRoute final : public QObject {
    Q_OBJECT
private slots:
    void boardShowsTheFeedsFares_data();
    void boardShowsTheFeedsFares();
    void announcementsStepOntoTheirStop();
};

void tst_GtfsRoute::boardShowsTheFeedsFares_data()
{
    QTest::addColumn<int>("boarding");
    QTest::addColumn<int>("current");
    QTest::newRow("first stop") << 1 << 1;
    QTest::newRow("same zone") << 1 << 2;
    QTest::newRow("next zone") << 2 << 3;
    QTest::newRow("two zones") << 1 << 5;
    QTest::newRow("boarded in the middle") << 3 << 5;
}

void tst_GtfsRoute::boardShowsTheFeedsFares()
{
    QFETCH(int, boarding);
    QFETCH(int, current);
    Fixture f;
    QVERIFY(f.exportRoute(QStringLiteral("31")));
    f.set(QStringLiteral("31"));
    QVERIFY2(f.messages.isEmpty(), qPrintable(f.messages.join(u'|')));
    QCOMPARE(f.ctl.Route().DataCount, 5);
    QCOMPARE(f.row(), 1);
    for (int r = 1; r < current; ++r)
        f.ctl.Command2(1)->click(); // データ送り
    QCOMPARE(f.row(), current);
    QCOMPARE(f.stopName(), kStops[current - 1]);
    QVERIFY(f.board.Degit(boarding)->Value() == DegitValue(Fare(boarding, current)));
    // Tickets not issued yet show nothing to pay.
    QVERIFY(f.board.Degit(current + 1)->Value() == DegitValue(0));
}

void tst_GtfsRoute::announcementsStepOntoTheirStop()
{
    Fixture f;
    QVERIFY(f.exportRoute(QStringLiteral("7")));
    f.set(QStringLiteral("7"));
    QCOMPARE(f.tape.size(), 5);
    f.ctl.cmdTapeNext_Click(); // the welcome: the bus is still at the first stop
    QCOMPARE(f.row(), 1);
    QVERIFY(f.tape[0].text.contains(QStringLiteral("登別温泉行き")));
    for (int t = 2; t <= 5; ++t) {
        f.ctl.cmdTapeNext_Click();
        QCOMPARE(f.row(), t);
        QVERIFY2(f.tape[t - 1].text.contains(f.stopName()), qPrintable(f.tape[t - 1].text));
        QVERIFY(f.board.Degit(1)->Value() == DegitValue(Fare(1, t)));
    }
    // Past the last entry nothing moves; going back steps back with the entries.
    f.ctl.cmdTapeNext_Click();
    QCOMPARE(f.row(), 5);
    f.ctl.cmdTapeBack_Click();
    QCOMPARE(f.row(), 4);
    QCOMPARE(f.stopName(), kStops[3]);
}

QTEST_MAIN(tst_GtfsRoute)
#include "tst_gtfs_route.moc"
