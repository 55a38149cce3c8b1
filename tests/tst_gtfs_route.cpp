// SPDX-License-Identifier: GPL-3.0-or-later
// A route exported from a GTFS feed and saved, loaded by the real control
// panel and announcement list: the board shows the feed's fares, the readings
// apply, and the exported entries step the board onto the stop they name.

#include "board/ChimeiCtl_A.h"
#include "companion/SysWait.h"
#include "sound/mdlM_Tape.h"
#include "tests/TestSupport.h"
#include "tools/GtfsExport.h"
#include "tools/GtfsFeed.h"

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

// The panel with the announcement list as the program wires it, without a voice.
struct Fixture : Windows {
    QTemporaryDir dir;
    mdlM_Tape tape{mdlM_Tape::Hooks{}};
    MessageRecorder messages;
    std::function<void(int)> previousWait;

    Fixture() : Windows(false)
    {
        frmCtl::Services s;
        s.TapeLoad = [this](const QString& folder, const QString& key) {
            tape.TapeLoad(folder, key);
        };
        s.TapeNext = [this] { tape.TapeNext(); };
        s.TapeBack = [this] { tape.TapeBack(); };
        s.GetTapeIndex = [this] { return tape.GetTapeIndex(); };
        s.GetTapeStepFlag = [this](qint32 i) { return tape.GetTapeStepFlag(i); };
        ctl.setServices(s);
        Load();
        option.Text2(0)->setText(dir.path());
        option.Text2(1)->setText(dir.path());
        previousWait = ltm4::SetWaitOverride([](int) {});
    }
    ~Fixture() { ltm4::SetWaitOverride(previousWait); }

    int row() const { return ctl.Route().CurIndex + 1; }
    QString stopName() const { return board.ChimeiCtl()->Text(); }
};

const QStringList kStops = {"登別駅前", "富岸", "鷲別", "若草町", "登別温泉"};

} // namespace

class tst_GtfsRoute final : public QObject {
    Q_OBJECT
private slots:
    void exportedRouteRunsOnThePanel();
};

void tst_GtfsRoute::exportedRouteRunsOnThePanel()
{
    Fixture f;
    const GtfsFeedResult feed = LoadGtfsFeed(Feed());
    QVERIFY(feed.ok);
    const GtfsExport data = ExportGtfsTrip(feed.feed, QStringLiteral("T1"));
    QVERIFY(data.ok && data.warnings.isEmpty());
    const GtfsSaveResult saved =
        SaveGtfsExport(f.dir.path(), QStringLiteral("31"), data, GtfsSaveMode::NewFilesOnly);
    QVERIFY2(saved.ok, qPrintable(saved.error));
    keyRoute(f.ctl, QStringLiteral("31"));
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.ctl.Route().DataCount, 5);
    QCOMPARE(f.tape.GetTapeCount(), 5);
    // The readings were saved beside the list and are read with it.
    QCOMPARE(f.tape.SpokenText(u"次は、富岸です。"_qs), u"次は、とんけしです。"_qs);

    f.ctl.cmdTapeNext_Click(); // the welcome: the bus is still at the first stop
    QCOMPARE(f.row(), 1);
    for (int t = 1; t <= 5; ++t) {
        if (t > 1)
            f.ctl.cmdTapeNext_Click(); // each later entry steps onto its stop
        QCOMPARE(f.row(), t);
        QCOMPARE(f.stopName(), kStops[t - 1]);
        // Every ticket issued so far shows the feed's fare to here; the next, nothing.
        for (int boarding = 1; boarding <= t; ++boarding)
            QVERIFY(f.board.Degit(boarding)->Value() == DegitValue(Fare(boarding, t)));
        QVERIFY(f.board.Degit(t + 1)->Value() == DegitValue(0));
    }
    // Going back steps back with the entries.
    f.ctl.cmdTapeBack_Click();
    QCOMPARE(f.row(), 4);
    QCOMPARE(f.stopName(), kStops[3]);
}

QTEST_MAIN(tst_GtfsRoute)
#include "tst_gtfs_route.moc"
