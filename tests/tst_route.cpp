// SPDX-License-Identifier: GPL-3.0-or-later
// Route operation through the real control panel: route set, its refusals,
// the lamp test, stepping, late-night fares, information digits, display clear.
#include "board/ChimeiCtl_A.h"
#include "board/DegitFormat.h"
#include "board/M_Degit.h"
#include "companion/SysClock.h"
#include "companion/SysWait.h"
#include "options/VbCheckBox.h"
#include "options/VbComboBox.h"
#include "options/VbOptionButton.h"
#include "panel/FareData.h"
#include "tests/FileLimit.h"
#include "tests/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// The windows with a fare data folder of their own, messages recorded and
// waits made instant.
struct Fixture : Windows {
    QTemporaryDir dir;
    MessageRecorder box;
    QList<int> waits;
    std::function<void(int)> previousWait;

    Fixture()
    {
        option.Text2(0)->setText(dir.path());
        previousWait = ltm4::SetWaitOverride([this](int ms) { waits << ms; });
    }
    ~Fixture() { ltm4::SetWaitOverride(previousWait); }

    void writeRoute(const QString& name, const QList<StopRecord>& stops)
    {
        QVERIFY(WriteFareFile(dir.filePath(name), stops));
    }

    void set(const QString& route, const QString& section) { keyRoute(ctl, route, section); }

    QStringList messages() const
    {
        QStringList texts;
        for (const ltm4::MsgBoxCall& c : box.shown)
            texts << c.text;
        return texts;
    }

    int row() const { return ctl.Route().CurIndex + 1; }
};

} // namespace

class TestRoute : public QObject {
    Q_OBJECT
private slots:
    void routeSetShowsStartingRow();
    void sectionClamps_data();
    void sectionClamps();
    void refusedSectionKeepsPreviousRoute();
    void routeFromMemory();
    void previewLeavesTheRouteAlone();
    void refusedFilesKeepThePreviousRoute_data();
    void refusedFilesKeepThePreviousRoute();
    void percentSignsInTheFileName();
    void listEntry();
    void steppingStopsAtBothEnds();
    void stepSounds();
    void lateNightDoubles();
    void informationDigits();
    void displayClearRoundTrip();
    void ticketDateFollowsTheDateSetting();
};

void TestRoute::routeSetShowsStartingRow()
{
    Fixture f;
    f.writeRoute(QStringLiteral("12.hy3"), MakeStops(6));
    QStringList names;
    QList<QString> duringLamp;
    ltm4::SetWaitOverride([&](int ms) {
        f.waits << ms;
        names << f.board.ChimeiCtl()->Text();
        duringLamp << shown(f.board.Degit(1)) << shown(f.board.Degit(50));
    });
    f.set(QStringLiteral("00012"), QStringLiteral("3"));
    QVERIFY(f.messages().isEmpty());
    QCOMPARE(f.waits, QList<int>{3000});
    QCOMPARE(names, QStringList{QStringLiteral("系統設定")});
    QCOMPARE(duringLamp, (QList<QString>{"8888", "8888"}));
    QCOMPARE(f.calls, QStringList{QStringLiteral("12")});
    QCOMPARE(f.ctl.Route().RouteNo, QStringLiteral("00012"));
    QCOMPARE(f.ctl.Route().DataCount, 6);
    QCOMPARE(f.row(), 3);
    QVERIFY(f.ctl.Command2(0)->isEnabled());
    QVERIFY(f.ctl.Command2(1)->isEnabled());
    QVERIFY(f.ctl.Check1()->isEnabled());
    // Cells before the section keep the 0 of route set (blank in zero mode 0).
    QVERIFY(f.board.Degit(2)->Value() == DegitValue(0));
    QVERIFY(f.board.Degit(3)->Value() == DegitValue(303));
    QVERIFY(f.board.Degit(50)->Value() == DegitValue(350));
    QCOMPARE(f.board.ChimeiCtl()->Text(), QStringLiteral("停留所3"));
    // The route-set sound on S1, after the keys' own.
    QCOMPARE(f.sounds.last(), qMakePair(QStringLiteral("/snd/route.wav"), QStringLiteral("S1")));
}

void TestRoute::sectionClamps_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<int>("row");
    QTest::newRow("empty") << "" << 1;
    QTest::newRow("999") << "999" << 300;
}

void TestRoute::sectionClamps()
{
    QFETCH(QString, section);
    QFETCH(int, row);
    Fixture f;
    f.writeRoute(QStringLiteral("7.hy3"), MakeStops(301));
    f.set(QStringLiteral("7"), section);
    QVERIFY2(f.messages().isEmpty(), qPrintable(f.messages().join('|')));
    QCOMPARE(f.row(), row);
}

void TestRoute::refusedSectionKeepsPreviousRoute()
{
    Fixture f;
    f.writeRoute(QStringLiteral("5.hy3"), MakeStops(5));
    f.writeRoute(QStringLiteral("3.hy3"), MakeStops(3));
    // The route number on an information digit shows which route is on the board.
    f.option.Check3(2)->setValue(1);
    f.option.Combo4(2)->setListIndex(49);
    f.set(QStringLiteral("5"), QStringLiteral("1"));
    f.set(QStringLiteral("3"), QStringLiteral("5"));
    QCOMPARE(f.messages(),
             QStringList{QStringLiteral("指定した区間はデータの数よりも多いです...\r\n"
                                        "  解決法：正しい区間を入力して下さい.")});
    // Nothing of the refused route is taken: one row across the whole board.
    QCOMPARE(f.ctl.Route().RouteNo, QStringLiteral("5"));
    QCOMPARE(f.ctl.Route().SectionNo, 1);
    f.ctl.Command2(1)->click();
    QCOMPARE(f.row(), 2);
    for (int k = 1; k < 50; ++k)
        QVERIFY2(f.board.Degit(k)->Value() == DegitValue(200 + k), qPrintable(QString::number(k)));
    QCOMPARE(shown(f.board.Degit(50)), QStringLiteral("5"));
    for (int i = 0; i < 5; ++i)
        f.ctl.Command2(1)->click();
    QCOMPARE(f.row(), 5); // the previous route's last row
}

void TestRoute::routeFromMemory()
{
    // A route the editor holds, set without any file: as リセット sets one.
    Fixture f;
    f.writeRoute(QStringLiteral("5.hy3"), MakeStops(5));
    f.set(QStringLiteral("5"), QStringLiteral("1"));
    const int routeSetSounds =
        int(f.sounds.count(qMakePair(QStringLiteral("/snd/route.wav"), QStringLiteral("S1"))));
    QList<StopRecord> stops = MakeStops(4);
    stops[1].StopName = QStringLiteral("未保存の停留所");
    f.waits.clear();
    QVERIFY(f.ctl.TryRoute(QStringLiteral("0031"), QStringLiteral("2"), stops));
    QCOMPARE(f.waits, QList<int>{3000}); // the lamp test
    QCOMPARE(f.sounds.count(qMakePair(QStringLiteral("/snd/route.wav"), QStringLiteral("S1"))),
             routeSetSounds + 1);
    QCOMPARE(f.ctl.Route().RouteNo, QStringLiteral("0031"));
    QCOMPARE(f.ctl.Route().DataCount, 4);
    QCOMPARE(f.ctl.Label2(0)->text(), QStringLiteral("0031"));
    QCOMPARE(f.ctl.Label2(2)->text(), QStringLiteral("2"));
    QCOMPARE(f.row(), 2);
    QCOMPARE(f.board.ChimeiCtl()->Text(), QStringLiteral("未保存の停留所"));
    QVERIFY(f.board.Degit(2)->Value() == DegitValue(202));
    // Refused as a file would be, and the route on the board stays.
    QVERIFY(!f.ctl.TryRoute(QStringLiteral("7"), QStringLiteral("1"), MakeStops(1)));
    QVERIFY(!f.ctl.TryRoute(QStringLiteral("7"), QStringLiteral("1"), MakeStops(302)));
    QCOMPARE(f.messages().size(), 2);
    QCOMPARE(f.messages().first(), QStringLiteral("指定した区間はデータの数よりも多いです...\r\n"
                                                  "  解決法：正しい区間を入力して下さい."));
    QCOMPARE(f.ctl.Route().RouteNo, QStringLiteral("0031"));
    QCOMPARE(f.ctl.Route().DataCount, 4);
}

void TestRoute::previewLeavesTheRouteAlone()
{
    Fixture f;
    // Without a route, the preview ends on a blank board.
    StopRecord edited = MakeStops(7)[6];
    edited.StopName = QStringLiteral("編集中の停留所");
    f.ctl.PreviewRow(edited, 7, QStringLiteral("42"));
    QCOMPARE(f.board.ChimeiCtl()->Text(), QStringLiteral("編集中の停留所"));
    QVERIFY(f.board.Degit(1)->Value() == DegitValue(701));
    f.ctl.EndPreview();
    QCOMPARE(f.board.ChimeiCtl()->Text(), QString());
    QVERIFY(!anyLit(f.board.Degit(1)));

    f.writeRoute(QStringLiteral("5.hy3"), MakeStops(5));
    f.set(QStringLiteral("5"), QStringLiteral("3"));
    f.ctl.Command2(1)->click();
    // The whole row, whatever section the panel's route started at, and the
    // route number the information digit shows is the previewed one's.
    f.option.Check3(2)->setValue(1);
    f.option.Combo4(2)->setListIndex(49);
    f.ctl.PreviewRow(edited, 7, QStringLiteral("42"));
    QVERIFY(f.board.Degit(1)->Value() == DegitValue(701));
    QCOMPARE(shown(f.board.Degit(50)), QStringLiteral("42"));
    QCOMPARE(f.ctl.Route().RouteNo, QStringLiteral("5"));
    QCOMPARE(f.row(), 4);
    f.ctl.EndPreview();
    QCOMPARE(f.board.ChimeiCtl()->Text(), QStringLiteral("停留所4"));
    QVERIFY(f.board.Degit(1)->Value() == DegitValue(0)); // before the section
    QVERIFY(f.board.Degit(3)->Value() == DegitValue(403));
    QCOMPARE(shown(f.board.Degit(50)), QStringLiteral("5"));
}

void TestRoute::refusedFilesKeepThePreviousRoute_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: no file at all; "/": a folder; "|": a pipe
    QTest::addColumn<QString>("message");  // %1: the file's full name
    const QByteArray twelve = EncodeFareFile(MakeStops(12)).bytes;
    QTest::newRow("missing") << QByteArray() << "指定した系統のデータがありません...";
    QTest::newRow("folder") << QByteArray("/") << "運賃データを開けません。(フォルダーです)";
    // Nobody writes into it: opening it would hold the panel for good.
    QTest::newRow("named pipe")
        << QByteArray("|")
        << "運賃データを開けません。(通常のファイルではありません（名前付きパイプやデバイスなど）)";
    QTest::newRow("no records") << QByteArray(2, '\0')
                                << "指定した系統はデータの数が0(未登録)の可能性があります...";
    // 301 declared, 12 there: refused rather than 289 blank stops.
    QTest::newRow("cut short") << QByteArray("\x2d\x01", 2) + twelve.mid(2)
                               << "運賃データ「%1」は途中で切れています。\r\n"
                                  "レコード数 301 のうち、完全なレコードは 12 件です。";
    QTest::newRow("text file") << QByteArray("# stops\n")
                               << "「%1」は運賃データではありません。\r\n"
                                  "(先頭のレコード数 8227 がファイルの大きさと合いません)";
}

void TestRoute::refusedFilesKeepThePreviousRoute()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    Fixture f;
    f.writeRoute(QStringLiteral("2.hy3"), MakeStops(4));
    f.set(QStringLiteral("2"), QStringLiteral("2"));
    if (bytes == "/") {
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("6.hy3")));
    } else if (bytes == "|") {
        QVERIFY(MakeFifo(f.dir.filePath(QStringLiteral("6.hy3"))));
    } else if (!bytes.isEmpty()) {
        QFile file(f.dir.filePath(QStringLiteral("6.hy3")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    f.waits.clear();
    f.set(QStringLiteral("6"), QStringLiteral("1"));
    const QString file = QDir::toNativeSeparators(f.dir.filePath("6.hy3"));
    QCOMPARE(f.messages(), QStringList{message.arg(file)});
    // A missing file names what was looked for in the details: the folder is
    // the likely mistake.
    QCOMPARE(f.box.shown.last().detail,
             bytes.isEmpty() ? QStringLiteral("探したファイル：") + file : QString());
    // Announcements follow the new route even so.
    QCOMPARE(f.calls.last(), QStringLiteral("6"));
    QVERIFY(f.waits.isEmpty()); // no lamp test
    QCOMPARE(f.ctl.Route().DataCount, 4);
    QCOMPARE(f.ctl.Route().RouteNo, QStringLiteral("2"));
    QCOMPARE(f.row(), 2);
    f.ctl.Command2(1)->click();
    QCOMPARE(f.board.ChimeiCtl()->Text(), QStringLiteral("停留所3"));
    QVERIFY(f.board.Degit(10)->Value() == DegitValue(310));
}

void TestRoute::percentSignsInTheFileName()
{
    Fixture f;
    // Texts are filled in one pass: the folder's "%2" stays, the count goes in.
    const QString folder = f.dir.filePath(QStringLiteral("運賃%2%1"));
    QVERIFY(QDir().mkpath(folder));
    f.option.Text2(0)->setText(folder);
    QFile file(folder + QStringLiteral("/6.hy3"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\x2d\x01", 2) + EncodeFareFile(MakeStops(12)).bytes.mid(2));
    file.close();
    f.set(QStringLiteral("6"), QStringLiteral("1"));
    QCOMPARE(f.messages(),
             QStringList{QStringLiteral("運賃データ「") +
                         QDir::toNativeSeparators(file.fileName()) +
                         QStringLiteral("」は途中で切れています。\r\nレコード数 301 のうち、"
                                        "完全なレコードは 12 件です。")});
}

void TestRoute::listEntry()
{
    Fixture f;
    f.writeRoute(QStringLiteral("120.hy3"), MakeStops(20));
    f.ctl.Frame1_DblClick(1);
    f.ctl.List2(2)->setCurrentRow(1);
    f.ctl.List2(3)->setCurrentRow(2);
    f.ctl.List2(4)->setCurrentRow(0); // lists 0 and 1 unselected: no digit
    // A row made current by focus alone is not a choice.
    f.ctl.List2(0)->setCurrentRow(3, QItemSelectionModel::NoUpdate);
    f.ctl.List3(0)->setCurrentRow(0);
    f.ctl.List3(1)->setCurrentRow(1);
    f.ctl.List3(2)->setCurrentRow(5);
    f.ctl.Command1(0)->click();
    QVERIFY(f.messages().isEmpty());
    QCOMPARE(f.ctl.Route().RouteNo, QStringLiteral("120"));
    QCOMPARE(f.row(), 15);
}

void TestRoute::steppingStopsAtBothEnds()
{
    Fixture f;
    f.writeRoute(QStringLiteral("1.hy3"), MakeStops(3));
    f.option.txtSelectSound(7)->setText(QStringLiteral("/step.wav"));
    f.set(QStringLiteral("1"), QStringLiteral("2"));
    f.sounds.clear();
    f.ctl.Command2(1)->click();
    QCOMPARE(f.row(), 3);
    QCOMPARE(f.sounds.size(), 1);
    f.board.Degit(20)->setValue(7); // a forward step on the last row redraws nothing
    f.ctl.Command2(1)->click();
    QCOMPARE(f.row(), 3);
    QCOMPARE(f.sounds.size(), 1);
    QVERIFY(f.board.Degit(20)->Value() == DegitValue(7));
    f.ctl.Command2(0)->click();
    f.ctl.Command2(0)->click();
    QCOMPARE(f.row(), 1);                                // back past the starting section, to row 1
    QVERIFY(f.board.Degit(1)->Value() == DegitValue(0)); // before the section: untouched
    QVERIFY(f.board.Degit(2)->Value() == DegitValue(102));
    f.ctl.Command2(0)->click();
    QCOMPARE(f.row(), 1);
    QCOMPARE(f.sounds.size(), 3);
    for (const auto& s : f.sounds) {
        QCOMPARE(s.first, QStringLiteral("/step.wav"));
        QCOMPARE(s.second, QStringLiteral("S2"));
    }
}

void TestRoute::stepSounds()
{
    Fixture f;
    QList<StopRecord> stops = MakeStops(4);
    stops[1].Fare[5] = 2; // column 5 of row 2 asks for the second sound
    stops[2].Fare[5] = 4; // no such sound
    f.writeRoute(QStringLiteral("1.hy3"), stops);
    f.option.Option2(1)->setValue(-1); // by column
    f.option.Combo1()->setListIndex(4);
    for (int i = 8; i <= 10; ++i)
        f.option.txtSelectSound(i)->setText(QStringLiteral("/flag%1.wav").arg(i - 7));
    f.set(QStringLiteral("1"), QStringLiteral("1"));
    f.sounds.clear();
    f.ctl.Command2(1)->click();
    f.ctl.Command2(1)->click();
    QCOMPARE(f.row(), 3);
    QCOMPARE(f.sounds.size(), 1);
    QCOMPARE(f.sounds[0].first, QStringLiteral("/flag2.wav"));
}

void TestRoute::lateNightDoubles()
{
    Fixture f;
    QList<StopRecord> stops = MakeStops(2);
    stops[0].Fare[1] = 120;
    stops[0].Fare[2] = -1;
    stops[0].Fare[3] = 30000; // too large to double in 16 bits
    f.writeRoute(QStringLiteral("1.hy3"), stops);
    f.ctl.Check2()->setValue(1);
    f.set(QStringLiteral("1"), QStringLiteral("1"));
    QVERIFY(f.board.Degit(1)->Value() == DegitValue(240));
    QVERIFY(f.board.Degit(2)->Value() == DegitValue(-1));
    QVERIFY(f.board.Degit(3)->Value() == DegitValue(60000));
    f.ctl.Check2()->setValue(0); // takes effect at the next update only
    QVERIFY(f.board.Degit(1)->Value() == DegitValue(240));
    f.ctl.DispData(1);
    QVERIFY(f.board.Degit(1)->Value() == DegitValue(120));
}

void TestRoute::informationDigits()
{
    Fixture f;
    f.writeRoute(QStringLiteral("12.hy3"), MakeStops(5));
    f.option.Check3(0)->setValue(1); // stop order, counted from 0, in cell 1
    f.option.Check3(4)->setValue(1);
    f.option.Combo4(0)->setListIndex(0);
    f.option.Check3(1)->setValue(1); // ticket number in cell 2
    f.option.Combo4(1)->setListIndex(1);
    f.option.Check3(2)->setValue(1); // route number in cell 50
    f.option.Combo4(2)->setListIndex(49);
    f.option.Check3(3)->setValue(1); // column 7 in cell 2: overwrites the ticket number
    f.option.Combo4(4)->setListIndex(6);
    f.option.Combo4(3)->setListIndex(1);
    f.board.Degit(50)->setKeta(5);
    f.set(QStringLiteral("00012"), QStringLiteral("1"));
    QVERIFY(f.board.Degit(1)->Value() == DegitValue(0));
    QCOMPARE(shown(f.board.Degit(50)), QStringLiteral("00012"));
    QVERIFY(f.board.Degit(2)->Value() == DegitValue(107));
    f.ctl.Command2(1)->click();
    QVERIFY(f.board.Degit(1)->Value() == DegitValue(1));
    QVERIFY(f.board.Degit(2)->Value() == DegitValue(207));
    QVERIFY(f.board.Degit(3)->Value() == DegitValue(203));
}

void TestRoute::displayClearRoundTrip()
{
    Fixture f;
    f.writeRoute(QStringLiteral("1.hy3"), MakeStops(4));
    f.set(QStringLiteral("1"), QStringLiteral("2"));
    f.ctl.Check1()->setValue(1);
    QCOMPARE(f.board.ChimeiCtl()->Text(), QString());
    QCOMPARE(shown(f.board.Degit(10)), QString());
    QVERIFY(!f.board.Timer1()->isActive());
    QVERIFY(!f.ctl.Command2(1)->isEnabled());
    QVERIFY(!f.ctl.Frame1(1)->isEnabled());
    QVERIFY(!f.ctl.Frame6()->isEnabled());
    f.ctl.Check1()->setValue(0);
    QCOMPARE(f.board.ChimeiCtl()->Text(), QStringLiteral("停留所2"));
    QVERIFY(f.board.Degit(10)->Value() == DegitValue(210));
    QVERIFY(f.ctl.Command2(1)->isEnabled());
    QVERIFY(!f.board.Timer1()->isActive());   // the clock cells are hidden in this layout
    QVERIFY(!f.ctl.grpM_Tape()->isEnabled()); // no speech available
}

void TestRoute::ticketDateFollowsTheDateSetting()
{
    Fixture f;
    f.writeRoute(QStringLiteral("1.hy3"), MakeStops(2));
    QDate today(2026, 3, 5);
    const auto previous = ltm4::SetNowOverride([&today] { return QDateTime(today, QTime(8, 0)); });
    f.set(QStringLiteral("1"), QStringLiteral("1"));
    QCOMPARE(f.ctl.HoldDate(), QStringLiteral("03-05-2026"));
    today = QDate(2026, 3, 6);
    QCOMPARE(f.ctl.TicketDateText(), QStringLiteral("03-06-2026")); // renewed at every print
    f.option.Option4(1)->setValue(-1);
    QCOMPARE(f.ctl.TicketDateText(), QStringLiteral("03-05-2026")); // held from route set
    f.option.Option4(2)->setValue(-1);
    f.option.Label10()->setText(QStringLiteral("2026/01/02"));
    QCOMPARE(f.ctl.TicketDateText(), QStringLiteral("2026/01/02"));
    f.set(QStringLiteral("1"), QStringLiteral("1"));
    QCOMPARE(f.ctl.HoldDate(), QStringLiteral("2026/01/02")); // a fixed date is held as is
    ltm4::SetNowOverride(previous);
}

QTEST_MAIN(TestRoute)
#include "tst_route.moc"
