// SPDX-License-Identifier: GPL-3.0-or-later
// The run: the timetable file, the schedule made from it, and the executor on
// a fake monotonic clock against a host that steps as the panel and the tape
// do, so that an hour's trip takes milliseconds.

#include "companion/LTM4Res.h"
#include "companion/SysClock.h"
#include "run/RunExecutor.h"
#include "run/RunSchedule.h"
#include "run/Timetable.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>

namespace {

int Sec(const char* time)
{
    return ParseTimetableTime(QString::fromLatin1(time)).value_or(-1);
}

TimetableRow Row(const char* arrival, const char* departure, const QString& memo = {})
{
    TimetableRow r;
    if (*arrival)
        r.arrival = Sec(arrival);
    if (*departure)
        r.departure = Sec(departure);
    r.memo = memo;
    return r;
}

TapeEntry Entry(const QString& text, qint16 step)
{
    return {text, step, 0};
}

QString Clock(qint64 ms)
{
    return FormatTimetableTime(int(ms / 1000));
}

// "07:10 送り r2 t3": when, what, and where the run then stands.
QString Describe(const RunAction& a)
{
    static const char* const kinds[] = {"送り", "データ送り", "系統設定"};
    return QStringLiteral("%1 %2 r%3 t%4")
        .arg(Clock(a.simMs), QString::fromUtf8(kinds[int(a.kind)]))
        .arg(a.row)
        .arg(a.tape);
}

QStringList Describe(const QList<RunAction>& actions)
{
    QStringList out;
    for (const RunAction& a : actions)
        out << Describe(a);
    return out;
}

QStringList Times(const QList<StopTime>& stops)
{
    QStringList out;
    for (const StopTime& s : stops)
        out << Clock(s.arrivalMs) + u'-' + Clock(s.departureMs);
    return out;
}

// The panel and the tape as the run sees them, on a clock the test moves.
class FakeHost final : public RunHost {
public:
    struct Done {
        RunActionKind kind;
        qint64 at; // fake clock
        int row;
        int tape;
    };

    void pressTapeNext() override
    {
        if (deaf)
            return;
        if (tape < entries.size()) {
            ++tape;
            speechEnd = now + speechMs;
            if (entries[tape - 1].TapeStepFlag == 1 && row < rows)
                ++row;
        }
        log.push_back({RunActionKind::TapeNext, now, row, tape});
    }
    void pressDataNext() override
    {
        if (deaf)
            return;
        if (row < rows)
            ++row;
        log.push_back({RunActionKind::DataNext, now, row, tape});
    }
    bool setRoute(int startRow) override
    {
        row = startRow;
        tape = 0;
        waitUntil = now + lampTestMs;
        log.push_back({RunActionKind::SetRoute, now, row, tape});
        return !refuseRoute;
    }
    bool speaking() const override { return now < speechEnd; }
    bool waiting() const override { return now < waitUntil; }
    int currentRow() const override { return row; }
    int tapePosition() const override { return tape; }

    qint64 now = 1000000; // not zero, so that no time is right by accident
    int rows = 0;
    int row = 1;
    int tape = 0;
    QList<TapeEntry> entries;
    qint64 speechMs = 0;
    qint64 speechEnd = 0;
    qint64 lampTestMs = 0;
    qint64 waitUntil = 0;
    bool deaf = false;
    bool refuseRoute = false;
    QList<Done> log;
};

// Moves the fake clock from timeout to timeout, as the event loop would,
// until the run stops or `until` (fake clock) is reached.
void Drive(RunExecutor& run, FakeHost& host, qint64 until)
{
    for (int turns = 0; turns < 100000; ++turns) {
        const qint64 due = run.timerDueMs();
        if (!run.isRunning() || due < 0)
            return;
        if (due > until) {
            host.now = until;
            return;
        }
        host.now = std::max(host.now, due);
        run.fireTimer();
    }
    QFAIL("the run does not come to rest");
}

// Real milliseconds after t0 of each logged action.
QList<qint64> LoggedTimes(const FakeHost& host, qint64 t0)
{
    QList<qint64> out;
    for (const FakeHost::Done& d : host.log)
        out << d.at - t0;
    return out;
}

RunPlan Plan(const QList<TimetableRow>& rows, const QList<TapeEntry>& tape = {})
{
    RunPlan p;
    p.rowCount = int(rows.size());
    p.timetable = rows;
    p.tape = tape;
    return p;
}

} // namespace

class tst_Run final : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_host = FakeHost{};
        ltm4::SetMonotonicOverride([this] { return m_host.now; });
    }
    void cleanup() { ltm4::SetMonotonicOverride({}); }

    void parse_data();
    void parse();
    void errors_data();
    void errors();
    void writeReadsBack();
    void demoRoutes_data();
    void demoRoutes();
    void stopTimes_data();
    void stopTimes();
    void schedule_data();
    void schedule();
    void hourTripAt60();
    void speechOutlastsTheNextAction();
    void actionsDuringAWaitRunAfterIt();
    void pauseAndResume();
    void speedChangeMidRun();
    void manualMoves_data();
    void manualMoves();
    void loopWithLayover();
    void refusals_data();
    void refusals();
    void realClock();

private:
    FakeHost m_host;
};

void tst_Run::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<TimetableRow>>("rows");
    QTest::newRow("comments, blank lines, CR LF, h:mm:ss")
        << QByteArray("# 到着,発車\r\n07:00,07:01\r\n\r\n  # 注釈\r\n7:05:30,\r\n,\r\n")
        << QList<TimetableRow>{Row("07:00", "07:01"), Row("07:05:30", ""), Row("", "")};
    QTest::newRow("past midnight") << QByteArray("23:50,23:51\n24:10,\n")
                                   << QList<TimetableRow>{Row("23:50", "23:51"), Row("24:10", "")};
    QTest::newRow("quoted memo with a comma and a quote")
        << QByteArray(",07:00,\"駅前, \"\"北口\"\"\"\n")
        << QList<TimetableRow>{Row("", "07:00", QStringLiteral("駅前, \"北口\""))};
    QTest::newRow("CP932 memo, BOM-less")
        << ltm4::ToCp932(QStringLiteral("07:00,07:00,駅前\n"))
        << QList<TimetableRow>{Row("07:00", "07:00", QStringLiteral("駅前"))};
    QTest::newRow("UTF-8 BOM, blanks around") << QByteArray("\xEF\xBB\xBF 07:00 , 07:02 \n")
                                              << QList<TimetableRow>{Row("07:00", "07:02")};
}

void tst_Run::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<TimetableRow>, rows);
    const TimetableResult r = ParseTimetableCsv(bytes);
    QVERIFY2(r.ok(), qPrintable(FormatTimetableError(QStringLiteral("t"), r.error)));
    QCOMPARE(r.rows, rows);
}

void tst_Run::errors_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("message"); // a part of it
    QTest::addColumn<QString>("hint");    // a part of it; empty: none

    const auto row = [](const char* name, QByteArray bytes, int line, int column, const char* msg,
                        const char* hint = "") {
        QTest::newRow(name) << bytes << line << column << QString::fromUtf8(msg)
                            << QString::fromUtf8(hint);
    };
    row("not a time", "07:00,07:01\n7時,\n", 2, 1, "「7時」が読めません");
    row("header without #", "到着,発車\n07:00,\n", 1, 1, "読めません", "見出し");
    row("full-width digits", "# x\n０７：００,\n", 2, 1, "読めません", "半角");
    row("no colon", "0705,\n", 1, 1, "読めません", "「:」で区切ります");
    row("minutes beyond 59", "07:00,07:60\n", 1, 2, "00〜59");
    row("one-digit minutes", "07:5,\n", 1, 1, "2桁");
    row("hour 48", "48:00,\n", 1, 1, "0〜47", "24:10");
    row("back across midnight", "23:50,23:55\n00:10,\n", 2, 1, "1行目の 23:55 より前",
        "00:10 なら 24:10");
    row("departure before arrival", "07:05,07:00\n", 1, 2, "発車 07:00 が到着 07:05 より前");
    row("too many fields", "07:00,07:01,駅前,1\n", 1, 4, "多すぎます", "\" で囲みます");
    row("one field", "07:00\n", 1, 0, "足りません", "「,」だけの行");
    row("tab separated", "07:00\t07:01\n", 1, 0, "足りません", "タブ");
    row("unclosed quote", "07:00,07:01,\"駅前\n", 1, 3, "閉じていません");
    row("no rows", "# 注釈だけ\n\n", 0, 0, "停留所の行がありません");
    row("neither UTF-8 nor CP932", "07:00,\n\x82\xa0\xff,\n", 2, 0, "UTF-8でもCP932でも");
    row("more rows than a route has", QByteArray("07:00,\n").repeated(302), 302, 0, "301");
}

void tst_Run::errors()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(QString, message);
    QFETCH(QString, hint);
    const TimetableResult r = ParseTimetableCsv(bytes);
    QVERIFY(!r.ok());
    QVERIFY(r.rows.isEmpty());
    QCOMPARE(r.error.line, line);
    QCOMPARE(r.error.column, column);
    QVERIFY2(r.error.message.contains(message), qPrintable(r.error.message));
    if (hint.isEmpty())
        QVERIFY2(r.error.hint.isEmpty(), qPrintable(r.error.hint));
    else
        QVERIFY2(r.error.hint.contains(hint), qPrintable(r.error.hint));
    // As hy3tool words it: file, line, column, and the hint on a line of its own.
    const QStringList shown =
        FormatTimetableError(QStringLiteral("12time.csv"), r.error).split(u'\n');
    QString place = QStringLiteral("12time.csv:");
    if (line > 0)
        place += QString::number(line) + QStringLiteral(": ");
    QVERIFY2(
        shown[0].startsWith(
            place + (column > 0 ? QString::number(column) + QStringLiteral("列目: ") : QString())),
        qPrintable(shown[0]));
    QCOMPARE(shown.size(), hint.isEmpty() ? 1 : 2);
}

void tst_Run::writeReadsBack()
{
    const QList<TimetableRow> rows = {
        Row("", "07:00", QStringLiteral("駅前ターミナル")),
        Row("07:05:30", "07:06", QStringLiteral("a, \"b\" ")),
        Row("", "", QStringLiteral("改行\nのある名")),
        Row("07:07", "", QStringLiteral("\"北口\"行き")),
        Row("23:59:59", ""),
        Row("24:10", "24:10:05"),
    };
    const QByteArray bytes = WriteTimetableCsv(rows);
    QVERIFY(bytes.startsWith("# 到着,発車,メモ"));
    const TimetableResult back = ParseTimetableCsv(bytes);
    QVERIFY2(back.ok(), qPrintable(back.error.message));
    QList<TimetableRow> expected = rows;
    expected[2].memo = QStringLiteral("改行 のある名"); // a memo is one line
    QCOMPARE(back.rows, expected);
}

void tst_Run::demoRoutes_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<int>("stops");
    QTest::addColumn<QString>("first"); // the first and the last press
    QTest::addColumn<QString>("last");
    QTest::newRow("route 1") << "1" << 12 << "07:30 送り r1 t1"
                             << "08:05 送り r12 t23";
    QTest::newRow("route 2, past midnight") << "2" << 8 << "23:40 送り r1 t1"
                                            << "24:12 送り r8 t15";
}

// The demo's timetables fit its routes, and with its announcement lists make
// a run from the first stop to the last.
void tst_Run::demoRoutes()
{
    QFETCH(QString, route);
    QFETCH(int, stops);
    QFETCH(QString, first);
    QFETCH(QString, last);
    const QString demo = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/demo/") + route;
    const TimetableResult times = ReadTimetableFile(demo + QStringLiteral("time.csv"));
    QVERIFY2(times.ok(), qPrintable(FormatTimetableError(route, times.error)));
    QCOMPARE(times.rows.size(), stops);
    const TapeParseResult tape = ReadTapeFile(demo + QStringLiteral("tp.csv"));
    QVERIFY(tape.ok());
    RunPlan plan = Plan(times.rows, tape.entries);
    const RunSchedule s(plan);
    const QList<RunAction> actions = s.actionsFrom(s.start(0));
    QCOMPARE(actions.size(), tape.entries.size());
    QCOMPARE(Describe(actions.front()), first);
    QCOMPARE(Describe(actions.back()), last);
}

void tst_Run::stopTimes_data()
{
    QTest::addColumn<RunPlan>("plan");
    QTest::addColumn<QStringList>("times"); // arrival-departure per row

    RunPlan p = Plan({Row("23:50", "23:51"), Row("", ""), Row("24:10", "")});
    QTest::newRow("across midnight, one row between")
        << p << QStringList{"23:50-23:51", "24:00:30-24:00:30", "24:10-24:10"};
    p = Plan({Row("07:00", ""), Row("", ""), Row("", ""), Row("", ""), Row("07:08", "07:09")});
    QTest::newRow("three rows spread evenly")
        << p
        << QStringList{"07:00-07:00", "07:02-07:02", "07:04-07:04", "07:06-07:06", "07:08-07:09"};
    p = Plan({Row("", ""), Row("", "07:10"), Row("", "")});
    p.rowCount = 4; // a timetable shorter than the route
    QTest::newRow("before the first and after the last timed row")
        << p << QStringList{"07:09-07:09", "07:10-07:10", "07:11-07:11", "07:12-07:12"};
    p = Plan({Row("07:00", ""), Row("07:05", "07:06"), Row("07:10", "")});
    p.rowCount = 2; // longer than the route
    QTest::newRow("extra timetable rows unused") << p << QStringList{"07:00-07:00", "07:05-07:06"};
    p = RunPlan{};
    p.rowCount = 3;
    p.intervalSec = 90;
    p.startRow = 2;
    p.untimedStartMs = Sec("08:00") * 1000LL;
    QTest::newRow("no timetable: the start row departs at the start")
        << p << QStringList{"07:58:30-07:58:30", "08:00-08:00", "08:01:30-08:01:30"};
}

void tst_Run::stopTimes()
{
    QFETCH(RunPlan, plan);
    QFETCH(QStringList, times);
    QCOMPARE(Times(ResolveStopTimes(plan)), times);
}

void tst_Run::schedule_data()
{
    QTest::addColumn<RunPlan>("plan");
    QTest::addColumn<QStringList>("actions");

    const QList<TimetableRow> abc = {Row("", "07:00"), Row("07:05", "07:06"), Row("07:10", "")};
    const TapeEntry go = Entry(QStringLiteral("発車します。"), 0);
    QTest::newRow("departures press through the step entry; the rest on arrival")
        << Plan(abc, {go, Entry(QStringLiteral("次は、B。"), 1), go,
                      Entry(QStringLiteral("次は、C。"), 1),
                      Entry(QStringLiteral("ご乗車ありがとうございました。"), 0)})
        << QStringList{"07:00 送り r1 t1", "07:00 送り r2 t2", "07:06 送り r2 t3",
                       "07:06 送り r3 t4", "07:10 送り r3 t5"};
    RunPlan soon = Plan(
        abc, {Entry(QStringLiteral("次は、B。"), 1), Entry(QStringLiteral("まもなく、B。"), 0),
              Entry(QStringLiteral("次は、C。"), 1), Entry(QStringLiteral("間もなく、C。"), 0)});
    QTest::newRow("まもなく 30 s before arriving")
        << soon
        << QStringList{"07:00 送り r2 t1", "07:04:30 送り r2 t2", "07:06 送り r3 t3",
                       "07:09:30 送り r3 t4"};
    soon.preArrivalSec = 600;
    QTest::newRow("まもなく sooner than the press before it: right after it")
        << soon
        << QStringList{"07:00 送り r2 t1", "07:00 送り r2 t2", "07:06 送り r3 t3",
                       "07:06 送り r3 t4"};
    QTest::newRow("the last stop has no departure: what is left on arrival")
        << Plan({Row("", "07:00"), Row("07:10", "07:12")},
                {Entry(QStringLiteral("次は、終点B。"), 1),
                 Entry(QStringLiteral("ご乗車ありがとうございました。"), 0)})
        << QStringList{"07:00 送り r2 t1", "07:10 送り r2 t2"};
    QTest::newRow("no announcement list: データ送り at each departure")
        << Plan(abc) << QStringList{"07:00 データ送り r2 t0", "07:06 データ送り r3 t0"};
    QTest::newRow("the list runs out before the route")
        << Plan(abc, {Entry(QStringLiteral("次は、B。"), 1)})
        << QStringList{"07:00 送り r2 t1", "07:06 データ送り r3 t1"};
    RunPlan loop = Plan(abc);
    loop.loop = true;
    loop.layoverSec = 300;
    QTest::newRow("loop: the route set again after the layover")
        << loop
        << QStringList{"07:00 データ送り r2 t0", "07:06 データ送り r3 t0", "07:15 系統設定 r1 t0"};
    RunPlan mid = Plan(abc, {go, Entry(QStringLiteral("次は、C。"), 1)});
    mid.startRow = 2;
    QTest::newRow("start row 2: the clock starts at its departure")
        << mid << QStringList{"07:06 送り r2 t1", "07:06 送り r3 t2"};
}

void tst_Run::schedule()
{
    QFETCH(RunPlan, plan);
    QFETCH(QStringList, actions);
    const RunSchedule s(plan);
    const QList<RunAction> list = s.actionsFrom(s.start(0));
    QCOMPARE(Describe(list), actions);
    for (const RunAction& a : list) // scaled from the first moment at the plan's speed
        QCOMPARE(a.scaledMs, a.simMs - list.front().simMs);
}

void tst_Run::hourTripAt60()
{
    // Seven stops 07:00 to 08:00; C and F have no times of their own.
    const QList<TimetableRow> rows = {Row("", "07:00"),      Row("07:10", "07:11"), Row("", ""),
                                      Row("07:31", "07:31"), Row("07:40", "07:41"), Row("", ""),
                                      Row("08:00", "")};
    const QList<TapeEntry> tape = {Entry(QStringLiteral("発車します。"), 0),
                                   Entry(QStringLiteral("次は、B。"), 1),
                                   Entry(QStringLiteral("まもなく、B。"), 0),
                                   Entry(QStringLiteral("次は、C。"), 1),
                                   Entry(QStringLiteral("次は、D。"), 1),
                                   Entry(QStringLiteral("まもなく、D。"), 0),
                                   Entry(QStringLiteral("次は、E。"), 1),
                                   Entry(QStringLiteral("次は、F。"), 1),
                                   Entry(QStringLiteral("次は、終点G。"), 1),
                                   Entry(QStringLiteral("まもなく、終点G。"), 0),
                                   Entry(QStringLiteral("ご乗車ありがとうございました。"), 0)};
    RunPlan plan = Plan(rows, tape);
    plan.speed = 60;
    m_host.rows = 7;
    m_host.entries = tape;
    RunExecutor run(m_host);
    QSignalSpy finished(&run, &RunExecutor::finished);
    const qint64 t0 = m_host.now;
    QVERIFY(run.start(plan));
    QCOMPARE(run.clockText(), QStringLiteral("07:00:00"));
    Drive(run, m_host, t0 + 3600 * 1000);

    // Real milliseconds at ×60: a minute of the timetable is a second.
    const QList<qint64> at = {0, 0, 9500, 11000, 21000, 30500, 31000, 41000, 50500, 59500, 60000};
    const QList<int> rowAfter = {1, 2, 2, 3, 4, 4, 5, 6, 7, 7, 7};
    QCOMPARE(m_host.log.size(), at.size());
    for (qsizetype i = 0; i < at.size(); ++i) {
        QCOMPARE(m_host.log[i].kind, RunActionKind::TapeNext);
        QCOMPARE(m_host.log[i].at - t0, at[i]);
        QCOMPARE(m_host.log[i].row, rowAfter[i]);
        QCOMPARE(m_host.log[i].tape, int(i) + 1);
        QCOMPARE(run.actions()[i].scaledMs, at[i]);
    }
    QCOMPARE(finished.size(), 1);
    QVERIFY(!run.isRunning());
    QCOMPARE(run.clockText(), QStringLiteral("08:00:00"));
}

void tst_Run::speechOutlastsTheNextAction()
{
    // Each announcement speaks 15 s; presses are due at 0, 0, 10 s, 10 s, 60 s.
    const QList<TapeEntry> tape = {
        Entry(QStringLiteral("発車します。"), 0), Entry(QStringLiteral("次は、B。"), 1),
        Entry(QStringLiteral("発車します。"), 0), Entry(QStringLiteral("次は、C。"), 1),
        Entry(QStringLiteral("次は、D。"), 1)};
    m_host.rows = 4;
    m_host.entries = tape;
    m_host.speechMs = 15000;
    RunExecutor run(m_host);
    // A host that reports every step, the run's own too, moves nothing.
    connect(&run, &RunExecutor::performed, &run, &RunExecutor::hostMoved);
    const qint64 t0 = m_host.now;
    run.start(Plan({Row("", "07:00:00"), Row("07:00:10", "07:00:10"), Row("07:01:00", "07:01:00"),
                    Row("07:02:00", "")},
                   tape));
    Drive(run, m_host, t0 + 200000);
    // Each waits for the speech before it; the clock runs on meanwhile, so
    // the press due at 60 s is on time again.
    QCOMPARE(LoggedTimes(m_host, t0), (QList<qint64>{0, 15000, 30000, 45000, 60000}));
    QCOMPARE(Clock(run.clockMs()), QStringLiteral("07:01"));
}

void tst_Run::actionsDuringAWaitRunAfterIt()
{
    m_host.rows = 4;
    m_host.waitUntil = m_host.now + 20000; // a lamp test, say
    RunExecutor run(m_host);
    const qint64 t0 = m_host.now;
    run.start(
        Plan({Row("", "07:00:00"), Row("", "07:00:05"), Row("", "07:00:10"), Row("07:00:30", "")}));
    Drive(run, m_host, t0 + 19999);
    QVERIFY(m_host.log.isEmpty());
    Drive(run, m_host, t0 + 60000);
    QCOMPARE(m_host.log.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(m_host.log[i].row, i + 2); // in order
        QVERIFY(m_host.log[i].at - t0 >= 20000);
        QVERIFY(m_host.log[i].at - t0 < 20000 + RunExecutor::kWaitPollMs);
    }
}

void tst_Run::pauseAndResume()
{
    m_host.rows = 3;
    RunExecutor run(m_host);
    const qint64 t0 = m_host.now;
    run.start(Plan({Row("", "07:00"), Row("", "07:01"), Row("07:02", "")}));
    Drive(run, m_host, t0 + 30000);
    run.pause();
    QCOMPARE(run.timerDueMs(), -1);
    m_host.now += 100000;
    QCOMPARE(run.clockText(), QStringLiteral("07:00:30"));
    run.resume();
    Drive(run, m_host, t0 + 400000);
    QCOMPARE(LoggedTimes(m_host, t0), (QList<qint64>{0, 160000})); // 30 s left after resuming
}

void tst_Run::speedChangeMidRun()
{
    m_host.rows = 4;
    RunExecutor run(m_host);
    const qint64 t0 = m_host.now;
    run.start(Plan({Row("", "07:00"), Row("", "07:01"), Row("", "07:02"), Row("07:03", "")}));
    Drive(run, m_host, t0 + 30000);
    run.setSpeed(10); // 30 s of the timetable left to 07:01: 3 s
    QCOMPARE(run.clockText(), QStringLiteral("07:00:30"));
    Drive(run, m_host, t0 + 33000);
    run.setSpeed(60);
    Drive(run, m_host, t0 + 100000);
    QCOMPARE(LoggedTimes(m_host, t0), (QList<qint64>{0, 33000, 34000}));
    QCOMPARE(run.speed(), 60.0);
}

void tst_Run::manualMoves_data()
{
    QTest::addColumn<int>("row"); // where the user puts the board and tape at 07:01
    QTest::addColumn<int>("tape");
    QTest::addColumn<bool>("told"); // the host calls hostMoved()
    QTest::addColumn<QString>("clock");
    QTest::addColumn<qint64>("first");      // real ms of the run's next press
    QTest::addColumn<QStringList>("after"); // what the run does next

    // Tape: 発車(0) 次はB(1) 発車(0) 次はC(1) 発車(0) 次はD(1); B, C, D at 07:10, 07:20, 07:30.
    QTest::newRow("送り on a plain entry: the clock runs on")
        << 2 << 3 << true << "07:01:00" << qint64(600000)
        << QStringList{"07:10 送り r3 t4", "07:20 送り r3 t5", "07:20 送り r4 t6"};
    QTest::newRow("送り on a step entry: at that row's time")
        << 3 << 4 << true << "07:10:00" << qint64(660000)
        << QStringList{"07:20 送り r3 t5", "07:20 送り r4 t6"};
    // Found when the timer comes for 07:10: the clock is set to 07:10 then.
    QTest::newRow("データ送り, found before the next action")
        << 3 << 2 << false << "" << qint64(1200000)
        << QStringList{"07:20 送り r3 t3", "07:20 送り r4 t4", "07:30 送り r4 t5",
                       "07:30 送り r4 t6"};
    QTest::newRow("データ戻し to the first row")
        << 1 << 2 << true << "07:00:00" << qint64(60000)
        << QStringList{"07:00 送り r1 t3", "07:00 送り r2 t4", "07:10 送り r2 t5",
                       "07:10 送り r3 t6", "07:20 データ送り r4 t6"};
}

void tst_Run::manualMoves()
{
    QFETCH(int, row);
    QFETCH(int, tape);
    QFETCH(bool, told);
    QFETCH(QString, clock);
    QFETCH(qint64, first);
    QFETCH(QStringList, after);

    const TapeEntry go = Entry(QStringLiteral("発車します。"), 0);
    const QList<TapeEntry> entries = {go, Entry(QStringLiteral("次は、B。"), 1),
                                      go, Entry(QStringLiteral("次は、C。"), 1),
                                      go, Entry(QStringLiteral("次は、D。"), 1)};
    m_host.rows = 4;
    m_host.entries = entries;
    RunExecutor run(m_host);
    const qint64 t0 = m_host.now;
    run.start(
        Plan({Row("", "07:00"), Row("07:10", ""), Row("07:20", ""), Row("07:30", "")}, entries));
    Drive(run, m_host, t0 + 60000);
    QCOMPARE(m_host.log.size(), 2);
    m_host.row = row;
    m_host.tape = tape;
    if (told) {
        run.hostMoved();
        QCOMPARE(run.clockText(), clock);
    }
    Drive(run, m_host, t0 + 10000000);
    QCOMPARE(Describe(run.actions()), after);
    // Nothing skipped is pressed afterwards: the log goes on with `after` only.
    QStringList done;
    for (qsizetype i = 2; i < m_host.log.size(); ++i)
        done << QStringLiteral("r%1 t%2").arg(m_host.log[i].row).arg(m_host.log[i].tape);
    QStringList expected;
    for (const QString& a : after)
        expected << a.section(u' ', 2);
    QCOMPARE(done, expected);
    QCOMPARE(m_host.log[2].at - t0, first);
    // The list counts from the moment the run followed the move.
    QCOMPARE(run.actions().front().scaledMs, first - (told ? 60000 : 600000));
}

void tst_Run::loopWithLayover()
{
    m_host.rows = 2;
    m_host.lampTestMs = 3000; // the route set's lamp test holds the next press
    RunPlan plan = Plan({Row("", "07:00"), Row("07:10", "")});
    plan.loop = true;
    plan.layoverSec = 300;
    plan.speed = 60;
    RunExecutor run(m_host);
    const qint64 t0 = m_host.now;
    run.start(plan);
    Drive(run, m_host, t0 + 31000);
    QStringList done;
    for (const FakeHost::Done& d : m_host.log)
        done << QStringLiteral("%1 %2 r%3").arg(d.at - t0).arg(int(d.kind)).arg(d.row);
    // Trip 1 at 0, route set at 07:15 (15 s at ×60), trip 2 after the lamp
    // test, route set again at 07:30.
    QCOMPARE(done, (QStringList{"0 1 r2", "15000 2 r1", "18000 1 r2", "30000 2 r1"}));
    QCOMPARE(run.clockText(), QStringLiteral("07:31:00")); // the clock runs on over trips
    QVERIFY(run.isRunning());
}

void tst_Run::refusals_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a press that does nothing") << 0 << "ボタンが効かない";
    QTest::newRow("another route set by hand") << 1 << "系統が変わった";
    QTest::newRow("the loop's route set refused") << 2 << "系統をもう一度設定できなかった";
}

void tst_Run::refusals()
{
    QFETCH(int, fault);
    QFETCH(QString, reason);
    m_host.rows = 3;
    m_host.deaf = fault == 0;
    m_host.refuseRoute = fault == 2;
    RunPlan plan = Plan({Row("", "07:00"), Row("", "07:01"), Row("07:02", "")});
    plan.loop = true;
    RunExecutor run(m_host);
    QSignalSpy refused(&run, &RunExecutor::refused);
    const qint64 t0 = m_host.now;
    run.start(plan);
    if (fault == 1) {
        m_host.row = 9; // a longer route now
        run.hostMoved();
    }
    Drive(run, m_host, t0 + 3600 * 1000);
    QVERIFY(!run.isRunning());
    QCOMPARE(refused.size(), 1);
    QVERIFY2(refused[0][0].toString().contains(reason), qPrintable(refused[0][0].toString()));
}

void tst_Run::realClock()
{
    // The real timer on the real clock: stops 10 min apart at ×6000 are 100 ms apart.
    ltm4::SetMonotonicOverride({});
    FakeHost host;
    host.rows = 4;
    RunPlan plan = Plan({Row("", "07:00"), Row("", "07:10"), Row("", "07:20"), Row("07:30", "")});
    plan.speed = 6000;
    RunExecutor run(host);
    QList<qint64> at;
    connect(&run, &RunExecutor::performed, this, [&] { at << ltm4::MonotonicMs(); });
    QSignalSpy finished(&run, &RunExecutor::finished);
    const qint64 t0 = ltm4::MonotonicMs();
    run.start(plan);
    QVERIFY(finished.wait(5000));
    QCOMPARE(at.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const qint64 late = at[i] - t0 - 100 * i;
        QVERIFY2(late >= 0 && late < 50, qPrintable(QString::number(late)));
    }
}

QTEST_GUILESS_MAIN(tst_Run)
#include "tst_run.moc"
