// SPDX-License-Identifier: GPL-3.0-or-later
// The 運行 bar on a fake clock against a host that steps as the panel and
// the tape do: the run starts with the options chosen on the bar, its
// buttons pause, resume and stop it, the clock shows the simulated time, the
// settings keep in their file and the simulated passengers ask to stop.

#include "app/ScreenFit.h"
#include "companion/SysClock.h"
#include "run/RunExecutor.h"
#include "run/RunHost.h"
#include "runbar/PassengerRequests.h"
#include "runbar/RunBar.h"
#include "runbar/RunBarHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

TimetableRow Departs(const char* time)
{
    TimetableRow r;
    r.departure = ParseTimetableTime(QString::fromLatin1(time));
    return r;
}

// The program as the run and the bar see it: a route of named stops, the
// tape, and a log of every press with the fake clock's time after t0.
class FakeHost final : public RunHost, public RunBarHost {
public:
    void pressTapeNext() override
    {
        if (deaf)
            return;
        if (tape < entries.size()) {
            ++tape;
            if (entries[tape - 1].TapeStepFlag == 1 && row < names.size())
                ++row;
        }
        note(QStringLiteral("送り r%1 t%2").arg(row).arg(tape));
    }
    void pressDataNext() override
    {
        if (deaf)
            return;
        if (row < names.size())
            ++row;
        note(QStringLiteral("データ送り r%1").arg(row));
    }
    bool setRoute(int startRow) override { return setRouteAt(startRow); }
    bool setRouteAt(int startRow) override
    {
        if (refuseRoute)
            return false;
        row = startRow;
        tape = 0;
        note(QStringLiteral("系統設定 r%1").arg(row));
        return true;
    }
    bool speaking() const override { return false; }
    bool waiting() const override { return false; }
    int currentRow() const override { return row; }
    int tapePosition() const override { return tape; }

    QStringList stopNames() const override { return names; }
    QList<TimetableRow> timetable() const override { return times; }
    QList<TapeEntry> tapeEntries() const override { return entries; }
    void requestStop() override { requests << qMakePair(now - t0, row); }

    void note(const QString& what) { log << QStringLiteral("%1 ").arg(now - t0) + what; }

    qint64 t0 = 1000000; // not zero, so that no time is right by accident
    qint64 now = t0;
    QStringList names;
    QList<TimetableRow> times;
    QList<TapeEntry> entries;
    int row = 1;
    int tape = 0;
    bool deaf = false;
    bool refuseRoute = false;
    QStringList log;
    QList<QPair<qint64, int>> requests; // when, for which row
};

// Stops 停留所1… departing a minute apart from 07:00.
void MinuteRoute(FakeHost& host, int stops)
{
    static const char* const times[] = {"07:00", "07:01", "07:02", "07:03", "07:04", "07:05"};
    for (int i = 0; i < stops; ++i) {
        host.names << QStringLiteral("停留所%1").arg(i + 1);
        host.times << Departs(times[i]);
    }
}

template <class T> T* Child(QWidget& bar, const char* name)
{
    T* w = bar.findChild<T*>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

} // namespace

class tst_RunBar final : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsWithItsOptions_data();
    void startsWithItsOptions();
    void startStopList();
    void speedChangeMidRun();
    void pauseResumeStop();
    void clockShowsSimulatedTime();
    void settingsKeepInTheirFile();
    void refusals_data();
    void refusals();
    void passengers_data();
    void passengers();
    void placeClearOfTheBoard_data();
    void placeClearOfTheBoard();

private:
    // Moves the fake clock from timeout to timeout of the run and of the
    // passengers, as the event loop would, up to `until` after t0.
    void drive(RunExecutor& run, RunBar& bar, qint64 until);

    FakeHost m_host;
    QTemporaryDir m_dir;
    QString m_file;
};

void tst_RunBar::init()
{
    m_host = FakeHost{};
    ltm4::SetMonotonicOverride([this] { return m_host.now; });
    m_file = m_dir.filePath(QStringLiteral("run.ini"));
    QFile::remove(m_file);
}

void tst_RunBar::cleanup()
{
    ltm4::SetMonotonicOverride({});
}

void tst_RunBar::drive(RunExecutor& run, RunBar& bar, qint64 until)
{
    until += m_host.t0;
    for (int turns = 0; turns < 100000; ++turns) {
        const qint64 a = run.timerDueMs();
        const qint64 b = bar.passengers().timerDueMs();
        if (a < 0 && b < 0)
            return;
        const qint64 due = a < 0 ? b : b < 0 ? a : std::min(a, b);
        if (due > until) {
            m_host.now = until;
            return;
        }
        m_host.now = std::max(m_host.now, due);
        if (a == due)
            run.fireTimer();
        else
            bar.passengers().fireTimer();
    }
    QFAIL("the run does not come to rest");
}

void tst_RunBar::startsWithItsOptions_data()
{
    QTest::addColumn<bool>("byButton"); // the controls and 開始, or startRun()
    QTest::addColumn<bool>("timetable");
    QTest::addColumn<bool>("tape");
    QTest::addColumn<int>("startRow");
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("loop");
    QTest::addColumn<int>("layoverMin");
    QTest::addColumn<int>("intervalSec");
    QTest::addColumn<int>("preArrivalSec");
    QTest::addColumn<qint64>("until");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("status");

    QTest::newRow("開始 at ×1 from the first stop")
        << true << true << false << 1 << 1 << false << 0 << 60 << 30 << qint64(600000)
        << QStringList{"0 系統設定 r1", "0 データ送り r2", "60000 データ送り r3",
                       "120000 データ送り r4"}
        << "終点に着きました。";
    QTest::newRow("開始 at ×10 from the second stop")
        << true << true << false << 2 << 10 << false << 0 << 60 << 30 << qint64(600000)
        << QStringList{"0 系統設定 r2", "0 データ送り r3", "6000 データ送り r4"}
        << "終点に着きました。";
    QTest::newRow("開始 without a timetable: the interval")
        << true << false << false << 1 << 1 << false << 0 << 30 << 30 << qint64(600000)
        << QStringList{"0 系統設定 r1", "0 データ送り r2", "30000 データ送り r3",
                       "60000 データ送り r4"}
        << "終点に着きました。";
    QTest::newRow("開始 with announcements, まもなく 20 s before")
        << true << true << true << 1 << 1 << false << 0 << 60 << 20 << qint64(600000)
        << QStringList{"0 系統設定 r1",    "0 送り r2 t1",      "40000 送り r2 t2",
                       "60000 送り r3 t3", "100000 送り r3 t4", "120000 データ送り r4"}
        << "終点に着きました。";
    // 07:03 at the terminus, a minute's layover, then the route again.
    QTest::newRow("startRun at ×60 with a loop")
        << false << true << false << 1 << 60 << true << 1 << 60 << 30 << qint64(5500)
        << QStringList{"0 系統設定 r1",      "0 データ送り r2",  "1000 データ送り r3",
                       "2000 データ送り r4", "4000 系統設定 r1", "4000 データ送り r2",
                       "5000 データ送り r3"}
        << "時刻表で運行中";
}

void tst_RunBar::startsWithItsOptions()
{
    QFETCH(bool, byButton);
    QFETCH(bool, timetable);
    QFETCH(bool, tape);
    QFETCH(int, startRow);
    QFETCH(int, speed);
    QFETCH(bool, loop);
    QFETCH(int, layoverMin);
    QFETCH(int, intervalSec);
    QFETCH(int, preArrivalSec);
    QFETCH(qint64, until);
    QFETCH(QStringList, log);
    QFETCH(QString, status);

    MinuteRoute(m_host, 4);
    if (!timetable)
        m_host.times.clear();
    if (tape)
        m_host.entries = {{QStringLiteral("次は停留所2"), 1, 0},
                          {QStringLiteral("まもなく停留所2"), 0, 0},
                          {QStringLiteral("次は停留所3"), 1, 0},
                          {QStringLiteral("まもなく停留所3"), 0, 0}};
    RunExecutor run(m_host);
    RunBar bar(run, m_host, m_file);
    if (byButton) {
        Child<QComboBox>(bar, "cboStartStop")->setCurrentIndex(startRow - 1);
        auto* speeds = Child<QComboBox>(bar, "cboSpeed");
        speeds->setCurrentIndex(speeds->findData(speed));
        Child<QCheckBox>(bar, "chkLoop")->setChecked(loop);
        Child<QSpinBox>(bar, "spnLayover")->setValue(layoverMin);
        Child<QSpinBox>(bar, "spnInterval")->setValue(intervalSec);
        Child<QSpinBox>(bar, "spnPreArrival")->setValue(preArrivalSec);
        Child<QPushButton>(bar, "cmdStartPause")->click();
    } else {
        RunSettings s;
        s.speed = speed;
        s.loop = loop;
        s.layoverMin = layoverMin;
        s.intervalSec = intervalSec;
        s.preArrivalSec = preArrivalSec;
        QVERIFY(bar.startRun(s, startRow));
    }
    QVERIFY(run.isRunning());
    QCOMPARE(run.speed(), double(speed));
    drive(run, bar, until);
    QCOMPARE(m_host.log, log);
    QCOMPARE(bar.status(), status);
    QCOMPARE(run.isRunning(), loop);
    QCOMPARE(Child<QPushButton>(bar, "cmdStartPause")->text(),
             loop ? QStringLiteral("一時停止(&S)") : QStringLiteral("開始(&S)"));
}

void tst_RunBar::startStopList()
{
    MinuteRoute(m_host, 4);
    m_host.row = 2;
    RunExecutor run(m_host);
    RunBar bar(run, m_host, m_file);
    auto* stops = Child<QComboBox>(bar, "cboStartStop");
    // The terminus is no start.
    QCOMPARE(stops->count(), 3);
    QCOMPARE(stops->itemText(0), QStringLiteral("1  停留所1  07:00"));
    QCOMPARE(stops->currentIndex(), 1); // where the board stands

    // Another route set: the list follows it.
    m_host.names = {QStringLiteral("駅前"), QStringLiteral("市役所"), QStringLiteral("終点")};
    m_host.times.clear();
    m_host.row = 1;
    bar.refreshRoute();
    QCOMPARE(stops->count(), 2);
    QCOMPARE(stops->itemText(1), QStringLiteral("2  市役所"));
    QCOMPARE(stops->currentIndex(), 0);
}

void tst_RunBar::speedChangeMidRun()
{
    MinuteRoute(m_host, 4);
    RunExecutor run(m_host);
    RunBar bar(run, m_host, m_file);
    Child<QPushButton>(bar, "cmdStartPause")->click();
    drive(run, bar, 30000);
    auto* speeds = Child<QComboBox>(bar, "cboSpeed");
    QVERIFY(speeds->isEnabled());
    speeds->setCurrentIndex(speeds->findData(10)); // 30 s of the timetable left: 3 s
    QCOMPARE(run.speed(), 10.0);
    drive(run, bar, 33000);
    speeds->setCurrentIndex(speeds->findData(60)); // a minute to 07:02: 1 s
    drive(run, bar, 100000);
    QCOMPARE(m_host.log, (QStringList{"0 系統設定 r1", "0 データ送り r2", "33000 データ送り r3",
                                      "34000 データ送り r4"}));
    QCOMPARE(RunSettings::Load(m_file).speed, 60); // the user's choice is kept
}

void tst_RunBar::pauseResumeStop()
{
    MinuteRoute(m_host, 4);
    RunExecutor run(m_host);
    RunBar bar(run, m_host, m_file);
    auto* startPause = Child<QPushButton>(bar, "cmdStartPause");
    auto* stop = Child<QPushButton>(bar, "cmdStop");
    QVERIFY(!stop->isEnabled());
    startPause->click();
    QVERIFY(stop->isEnabled());
    QVERIFY(!Child<QComboBox>(bar, "cboStartStop")->isEnabled());
    drive(run, bar, 30000);

    startPause->click();
    QVERIFY(run.isPaused());
    QCOMPARE(startPause->text(), QStringLiteral("再開(&S)"));
    QCOMPARE(bar.status(), QStringLiteral("一時停止中"));
    m_host.now += 100000;
    QCOMPARE(run.clockText(), QStringLiteral("07:00:30"));

    startPause->click();
    QVERIFY(!run.isPaused());
    QCOMPARE(startPause->text(), QStringLiteral("一時停止(&S)"));
    drive(run, bar, 200000);
    QCOMPARE(m_host.log, (QStringList{"0 系統設定 r1", "0 データ送り r2", "160000 データ送り r3"}));

    stop->click();
    QVERIFY(!run.isRunning());
    QCOMPARE(startPause->text(), QStringLiteral("開始(&S)"));
    QCOMPARE(bar.status(), QStringLiteral("運行を止めました。"));
    QVERIFY(Child<QComboBox>(bar, "cboStartStop")->isEnabled());
    drive(run, bar, 1000000);
    QCOMPARE(m_host.log.size(), 3);
}

void tst_RunBar::clockShowsSimulatedTime()
{
    MinuteRoute(m_host, 4);
    RunExecutor run(m_host);
    RunBar bar(run, m_host, m_file);
    auto* clock = Child<QLabel>(bar, "lblClock");
    auto* tick = bar.findChild<QTimer*>(QStringLiteral("clockTick"));
    QVERIFY(tick);
    QCOMPARE(clock->text(), QStringLiteral("--:--:--"));
    bar.show();
    RunSettings s;
    s.speed = 10;
    QVERIFY(bar.startRun(s));
    QCOMPARE(clock->text(), QStringLiteral("07:00:00"));
    QVERIFY(tick->isActive());
    drive(run, bar, 0); // the first departure; the next is 6 s away
    // The label follows the clock by itself, a few times a second.
    m_host.now += 3000;
    QTRY_COMPARE_WITH_TIMEOUT(clock->text(), QStringLiteral("07:00:30"), 2000);
    // Nothing to tick for while hidden or paused.
    bar.hide();
    QVERIFY(!tick->isActive());
    bar.show();
    QVERIFY(tick->isActive());
    Child<QPushButton>(bar, "cmdStartPause")->click();
    QVERIFY(!tick->isActive());
    m_host.now += 3000;
    QTest::qWait(3 * tick->interval());
    QCOMPARE(clock->text(), QStringLiteral("07:00:30"));

    // The owner stops the run without the bar (the panel closed): the bar
    // finds out by itself.
    Child<QPushButton>(bar, "cmdStartPause")->click();
    run.stop();
    QTRY_COMPARE_WITH_TIMEOUT(bar.status(), QStringLiteral("運行を止めました。"), 2000);
    QCOMPARE(Child<QPushButton>(bar, "cmdStartPause")->text(), QStringLiteral("開始(&S)"));
    QVERIFY(!tick->isActive());
}

void tst_RunBar::settingsKeepInTheirFile()
{
    MinuteRoute(m_host, 4);
    RunExecutor run(m_host);
    RunSettings chosen;
    {
        RunBar bar(run, m_host, m_file);
        QCOMPARE(bar.settings(), RunSettings{});
        auto* speeds = Child<QComboBox>(bar, "cboSpeed");
        speeds->setCurrentIndex(speeds->findData(5));
        Child<QCheckBox>(bar, "chkLoop")->setChecked(true);
        Child<QSpinBox>(bar, "spnLayover")->setValue(7);
        Child<QSpinBox>(bar, "spnInterval")->setValue(45);
        Child<QSpinBox>(bar, "spnPreArrival")->setValue(20);
        Child<QSpinBox>(bar, "spnPassengers")->setValue(25);
        chosen = bar.settings();
        QCOMPARE(chosen.speed, 5);
        QCOMPARE(chosen.passengerPercent, 25);
    }
    RunBar again(run, m_host, m_file);
    QCOMPARE(again.settings(), chosen);
    QCOMPARE(Child<QSpinBox>(again, "spnLayover")->value(), 7);
    QCOMPARE(again.passengers().percent(), 25);

    // Options given to startRun (the command line's) are shown, not saved.
    RunSettings given = chosen;
    given.speed = 60;
    given.loop = false;
    QVERIFY(again.startRun(given));
    QCOMPARE(again.settings(), given);
    QCOMPARE(Child<QComboBox>(again, "cboSpeed")->currentData().toInt(), 60);
    QCOMPARE(RunSettings::Load(m_file), chosen);
    // A change by the user during that run saves just what was changed.
    Child<QSpinBox>(again, "spnPassengers")->setValue(50);
    RunSettings saved = chosen;
    saved.passengerPercent = 50;
    QCOMPARE(RunSettings::Load(m_file), saved);
}

void tst_RunBar::refusals_data()
{
    QTest::addColumn<int>("stops");
    QTest::addColumn<int>("boardRow");
    QTest::addColumn<bool>("refuseRoute");
    QTest::addColumn<bool>("deaf");
    QTest::addColumn<QString>("status"); // a part of it

    QTest::newRow("no route set") << 0 << 1 << false << false << "系統が設定されていません";
    QTest::newRow("the board at the terminus") << 4 << 4 << false << false << "終点からは";
    QTest::newRow("the route set refused") << 4 << 1 << true << false << "系統を設定できなかった";
    QTest::newRow("a button that does nothing") << 4 << 1 << false << true << "ボタンが効かない";
}

void tst_RunBar::refusals()
{
    QFETCH(int, stops);
    QFETCH(int, boardRow);
    QFETCH(bool, refuseRoute);
    QFETCH(bool, deaf);
    QFETCH(QString, status);
    MinuteRoute(m_host, stops);
    m_host.row = boardRow;
    m_host.refuseRoute = refuseRoute;
    m_host.deaf = deaf;
    RunExecutor run(m_host);
    RunBar bar(run, m_host, m_file);
    bar.startRun(RunSettings{});
    drive(run, bar, 600000);
    QVERIFY(!run.isRunning());
    QVERIFY2(bar.status().contains(status), qPrintable(bar.status()));
    QCOMPARE(Child<QPushButton>(bar, "cmdStartPause")->text(), QStringLiteral("開始(&S)"));
}

void tst_RunBar::passengers_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<QList<int>>("rows"); // the rows passengers asked for
    QTest::newRow("0 %: nobody") << 0 << QList<int>{};
    // Not at the terminus: everyone gets off there.
    QTest::newRow("100 %: every stop on the way") << 100 << QList<int>{2, 3, 4, 5};
}

void tst_RunBar::passengers()
{
    QFETCH(int, percent);
    QFETCH(QList<int>, rows);
    MinuteRoute(m_host, 6);
    // Arrivals half a minute before each departure: asked between the step
    // (the departure before) and the arrival.
    for (int i = 1; i < m_host.times.size(); ++i)
        m_host.times[i].arrival = *m_host.times[i].departure - 30;
    RunExecutor run(m_host);
    RunBar bar(run, m_host, m_file);
    bar.passengers().reseed(1);
    Child<QSpinBox>(bar, "spnPassengers")->setValue(percent);
    RunSettings s = bar.settings();
    s.loop = true; // the second trip's times count from its own start
    s.layoverMin = 2;
    QVERIFY(bar.startRun(s));
    // One trip: 5 min; layover 2 min after the 07:04:30 arrival; the second
    // trip departs 07:06:30.
    drive(run, bar, 390000 + 300000 - 1);
    QList<int> asked;
    for (const auto& [when, row] : m_host.requests) {
        asked << row;
        // Either trip: within [step, arrival) of that row.
        const qint64 trip = when >= 390000 ? 390000 : 0;
        const qint64 leave = trip + (row - 2) * 60000;
        // Not at once: the second trip's arrivals are its own, not the first's.
        QVERIFY2(when > leave && when < leave + 30000,
                 qPrintable(QStringLiteral("r%1 at %2").arg(row).arg(when)));
    }
    QCOMPARE(asked, rows + rows);
}

// Where the bar first opens: never over the fares when it can help it.
void tst_RunBar::placeClearOfTheBoard_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QRect>("board");
    QTest::addColumn<QRect>("panel");
    QTest::addColumn<QSize>("bar");
    QTest::addColumn<QPoint>("expected");
    const QRect screen(0, 0, 1280, 800);
    QTest::newRow("below the board") << screen << QRect(0, 0, 704, 250) << QRect(920, 550, 360, 250)
                                     << QSize(716, 93) << QPoint(0, 250);
    QTest::newRow("board at the bottom: above it")
        << screen << QRect(0, 550, 704, 250) << QRect(920, 0, 360, 250) << QSize(716, 93)
        << QPoint(0, 457);
    QTest::newRow("under the board lies the panel: a corner")
        << screen << QRect(200, 50, 704, 250) << QRect(0, 280, 360, 240) << QSize(716, 93)
        << QPoint(0, 707);
    QTest::newRow("small screen: over the panel rather than the board")
        << QRect(0, 0, 800, 600) << QRect(0, 0, 704, 250) << QRect(440, 350, 360, 250)
        << QSize(716, 150) << QPoint(0, 250);
    QTest::newRow("nowhere clear: below, kept on the screen")
        << QRect(0, 0, 800, 600) << QRect(0, 0, 800, 560) << QRect(440, 350, 360, 250)
        << QSize(716, 93) << QPoint(0, 507);
}

void tst_RunBar::placeClearOfTheBoard()
{
    QFETCH(QRect, area);
    QFETCH(QRect, board);
    QFETCH(QRect, panel);
    QFETCH(QSize, bar);
    QFETCH(QPoint, expected);
    QCOMPARE(ClearPlace(bar, board, panel, area), expected);
}

QTEST_MAIN(tst_RunBar)
#include "tst_runbar.moc"
