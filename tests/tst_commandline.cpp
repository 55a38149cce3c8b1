// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: one parser for --edit, --run and --serve.
#include "app/CommandLine.h"

#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void TestCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("action"); // 0 start, 1 help, 2 error
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("run"); // route:section:speed:loop
    QTest::addColumn<bool>("serve");
    const auto row = [](const char* name, QStringList args, int action, QString edit = {},
                        QString run = {}, bool serve = false) {
        QTest::newRow(name) << args << action << edit << run << serve;
    };
    row("nothing", {}, 0);
    row("help", {"--help"}, 1);
    row("help among others", {"--serve", "-h"}, 1);
    row("edit a number", {"--edit", "0031"}, 0, "0031");
    row("edit a file", {"--edit", "/data/路線/12.hy3"}, 0, "/data/路線/12.hy3");
    row("edit with =", {"--edit=12"}, 0, "12");
    row("edit no value", {"--edit"}, 2);
    row("edit followed by an option", {"--edit", "--serve"}, 2);
    row("edit not a route", {"--edit", "123456"}, 2);
    row("edit a csv", {"--edit", "12.csv"}, 2);
    row("run", {"--run", "12"}, 0, {}, "12:1:1:0");
    row("run with section, speed, loop", {"--run", "012:3", "--speed", "60", "--loop"}, 0, {},
        "012:3:60:1");
    row("speed before run", {"--loop", "--speed=10", "--run=5"}, 0, {}, "5:1:10:1");
    row("speed not offered", {"--run", "5", "--speed", "3"}, 2);
    row("speed without run", {"--speed", "2"}, 2);
    row("loop without run", {"--loop"}, 2);
    row("section too long", {"--run", "5:1000"}, 2);
    row("route not digits", {"--run", "a5"}, 2);
    row("serve", {"--serve"}, 0, {}, {}, true);
    row("everything", {"--serve", "--edit", "7", "--run", "7"}, 0, "7", "7:1:1:0", true);
    row("unknown option", {"--fullscreen"}, 2);
    row("stray argument", {"12"}, 2);
    // Qt's own options are Qt's, their values too.
    row("Qt's options", {"-platform", "offscreen", "-reverse", "--serve"}, 0, {}, {}, true);
}

void TestCommandLine::parse()
{
    QFETCH(QStringList, args);
    QFETCH(int, action);
    const CommandLine c = ParseCommandLine(args);
    QCOMPARE(int(c.action), action);
    if (action == 2) {
        QVERIFY(!c.error.isEmpty());
        return;
    }
    if (action == 1)
        return;
    QFETCH(QString, edit);
    QFETCH(QString, run);
    QFETCH(bool, serve);
    QCOMPARE(c.edit.value_or(QString()), edit);
    const QString shownRun =
        c.run ? QStringLiteral("%1:%2:%3:%4")
                    .arg(c.run->route, c.run->section, QString::number(c.run->speed),
                         QString::number(int(c.run->loop)))
              : QString();
    QCOMPARE(shownRun, run);
    QCOMPARE(c.serve, serve);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
