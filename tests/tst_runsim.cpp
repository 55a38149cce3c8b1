// SPDX-License-Identifier: GPL-3.0-or-later
// The 運行 bar's pure parts: the simulated passengers' decisions and the
// bar's settings file.

#include "run/RunSettings.h"
#include "run/StopRequestSim.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// 200 approaches, each leaving at r min and arriving 50 s later; the moment
// each passenger asks (-1: nobody asked).
QList<qint64> Passengers(quint32 seed, int percent)
{
    StopRequestSim sim(seed);
    sim.setPercent(percent);
    QList<qint64> out;
    for (int r = 0; r < 200; ++r) {
        const qint64 leave = r * 60000;
        const bool asked = sim.approach(r + 2, leave, leave + 50000);
        if (asked != sim.dueMs().has_value())
            return {};
        out << sim.dueMs().value_or(-1);
    }
    return out;
}

} // namespace

class tst_RunSim final : public QObject {
    Q_OBJECT
private slots:
    void passengers_data();
    void passengers();
    void seededIsDeterministic();
    void requestIsTakenOnce();
    void settingsRoundTrip();
    void settingsFromFile_data();
    void settingsFromFile();
    void settingsNotReadFromOddFiles();
    void settingsSaveFails();
};

void tst_RunSim::passengers_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("least"); // of 200 approaches
    QTest::addColumn<int>("most");
    QTest::newRow("0 %: never") << 0 << 0 << 0;
    QTest::newRow("100 %: every stop") << 100 << 200 << 200;
    QTest::newRow("50 %: about half") << 50 << 70 << 130;
    QTest::newRow("above 100 is 100") << 250 << 200 << 200;
    QTest::newRow("below 0 is 0") << -5 << 0 << 0;
}

void tst_RunSim::passengers()
{
    QFETCH(int, percent);
    QFETCH(int, least);
    QFETCH(int, most);
    for (quint32 seed : {1u, 2u, 12345u}) {
        const QList<qint64> due = Passengers(seed, percent);
        QCOMPARE(due.size(), 200);
        int asked = 0;
        for (int r = 0; r < due.size(); ++r) {
            if (due[r] < 0)
                continue;
            ++asked;
            // After leaving, before arriving.
            QVERIFY2(due[r] >= r * 60000 && due[r] < r * 60000 + 50000,
                     qPrintable(QString::number(due[r])));
        }
        QVERIFY2(asked >= least && asked <= most, qPrintable(QString::number(asked)));
    }
}

void tst_RunSim::seededIsDeterministic()
{
    const QList<qint64> a = Passengers(7, 50);
    QCOMPARE(Passengers(7, 50), a);
    QVERIFY(Passengers(8, 50) != a);
    // The moments do not all fall at the same point of the way.
    QList<qint64> offsets;
    for (int r = 0; r < a.size(); ++r)
        if (a[r] >= 0)
            offsets << a[r] - r * 60000;
    std::sort(offsets.begin(), offsets.end());
    QVERIFY(offsets.size() > 10);
    QVERIFY(offsets.front() < 15000 && offsets.back() > 35000);
}

void tst_RunSim::requestIsTakenOnce()
{
    StopRequestSim sim(3);
    sim.setPercent(100);
    QVERIFY(sim.approach(4, 10000, 70000));
    QCOMPARE(sim.dueRow(), 4);
    const qint64 due = *sim.dueMs();
    QVERIFY(!sim.take(due - 1));
    QVERIFY(sim.take(due));
    QVERIFY(!sim.take(due + 1));
    QVERIFY(!sim.dueMs());

    // A bus already late for its arrival: the passenger asks at once.
    QVERIFY(sim.approach(5, 90000, 80000));
    QCOMPARE(*sim.dueMs(), qint64(90000));
    // The next step ends the approach.
    sim.clear();
    QVERIFY(!sim.take(1000000));
}

void tst_RunSim::settingsRoundTrip()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sub/run.ini"));
    QCOMPARE(RunSettings::Load(file), RunSettings{}); // missing: the defaults
    RunSettings s;
    s.speed = 10;
    s.loop = true;
    s.layoverMin = 12;
    s.intervalSec = 45;
    s.preArrivalSec = 20;
    s.passengerPercent = 35;
    QVERIFY(s.Save(file));
    QCOMPARE(RunSettings::Load(file), s);
}

void tst_RunSim::settingsFromFile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<RunSettings>("expected");
    const auto with = [](auto set) {
        RunSettings s;
        set(s);
        return s;
    };
    QTest::newRow("speed 3: the nearest offered, ×2")
        << QByteArray("[Run]\nSpeed=3\n") << with([](RunSettings& s) { s.speed = 2; });
    QTest::newRow("speed 45: ×60")
        << QByteArray("[Run]\nSpeed=45\n") << with([](RunSettings& s) { s.speed = 60; });
    QTest::newRow("not a number: ×1") << QByteArray("[Run]\nSpeed=abc\n") << RunSettings{};
    QTest::newRow("out of range, each brought within")
        << QByteArray("[Run]\nLayoverMinutes=-3\nIntervalSeconds=0\nPreArrivalSeconds=99999\n"
                      "[Passengers]\nStopRequestPercent=150\n")
        << with([](RunSettings& s) {
               s.layoverMin = 0;
               s.intervalSec = RunSettings::kMinIntervalSec;
               s.preArrivalSec = RunSettings::kMaxPreArrivalSec;
               s.passengerPercent = 100;
           });
    QTest::newRow("not an ini file")
        << QByteArray("\x00\xff\xfe garbage\n[[[", 15) << RunSettings{};
}

void tst_RunSim::settingsFromFile()
{
    QFETCH(QByteArray, text);
    QFETCH(RunSettings, expected);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("run.ini"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    QCOMPARE(RunSettings::Load(file), expected);
}

void tst_RunSim::settingsNotReadFromOddFiles()
{
    QTemporaryDir dir;
    // A named pipe would block a reader for ever; a folder is no file.
    const QString fifo = dir.filePath(QStringLiteral("pipe.ini"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(RunSettings::Load(fifo), RunSettings{});
    QCOMPARE(RunSettings::Load(dir.path()), RunSettings{});
    QCOMPARE(RunSettings::Load(QString()), RunSettings{});
    // Far too big for a few settings: not read.
    const QString big = dir.filePath(QStringLiteral("big.ini"));
    QFile f(big);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Run]\nSpeed=60\n");
    f.write(QByteArray(100 * 1024, '#'));
    f.close();
    QCOMPARE(RunSettings::Load(big), RunSettings{});
}

void tst_RunSim::settingsSaveFails()
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("file"));
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    // Its folder would have to be where a file is.
    QVERIFY(!RunSettings{}.Save(blocker + QStringLiteral("/run.ini")));
    QVERIFY(!RunSettings{}.Save(QString()));
}

QTEST_GUILESS_MAIN(tst_RunSim)
#include "tst_runsim.moc"
