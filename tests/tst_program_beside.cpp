// SPDX-License-Identifier: GPL-3.0-or-later
// What stands beside the board and the panel, on the real program: the route
// editor set on the panel and saved for the keypad, and the web view serving
// the real board and pressing the real panel's buttons.
#include "app/CommandLine.h"
#include "app/Rutomia.h"
#include "board/ChimeiCtl_A.h"
#include "board/DegitFormat.h"
#include "board/M_Degit.h"
#include "companion/ModalSeam.h"
#include "companion/SysClock.h"
#include "companion/SysWait.h"
#include "editor/RouteEditor.h"
#include "run/RunExecutor.h"
#include "run/Timetable.h"
#include "runbar/RunBar.h"
#include "tests/KeySupport.h"
#include "tests/TestSupport.h"
#include "web/WebServer.h"
#include "web/WebSettings.h"

#include <QApplication>
#include <QDialog>
#include <QInputMethodEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Program {
    QTemporaryDir dir;
    std::unique_ptr<Rutomia> p;
    std::function<void(int)> previousWait;

    explicit Program(const CommandLine& options = {})
    {
        previousWait = ltm4::SetWaitOverride([](int) {});
        p = std::make_unique<Rutomia>();
        p->ini().setFolders(dir.filePath(u"prog"_qs), dir.filePath(u"config"_qs));
        // The folders before the command line's route is opened.
        p->options().Text2(0)->setText(dir.path());
        p->options().Text2(1)->setText(dir.path());
        p->Start(options);
    }
    ~Program()
    {
        QList<QPointer<RouteEditor>> editors;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* e = qobject_cast<RouteEditor*>(w))
                editors << e;
        qDeleteAll(editors);
        p.reset();
        ltm4::SetWaitOverride(previousWait);
    }
};

// The fare shown in cell k of the board, as text.
QString Cell(Rutomia& p, int k)
{
    return p.board().Degit(k)->Value().ToString();
}

// What cell k shows, as its digits draw it (a fare of 0 is a blank cell).
QString Shown(Rutomia& p, int k)
{
    const M_Degit& d = *p.board().Degit(k);
    return DegitFormat::DisplayText(d.Value(), d.ZeroMode(), d.FillZero(), d.Shift(), d.Keta())
        .trimmed();
}

struct Http {
    QNetworkAccessManager net;

    QByteArray send(const QByteArray& verb, const QUrl& url, int* status)
    {
        QNetworkRequest request(url);
        QNetworkReply* reply = net.sendCustomRequest(request, verb, QByteArray());
        QSignalSpy done(reply, &QNetworkReply::finished);
        if (!reply->isFinished() && !done.wait(10000))
            return {};
        *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QByteArray body = reply->readAll();
        reply->deleteLater();
        return body;
    }
};

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QUrl Api(const WebServer& web, const QString& path, const QByteArray& token)
{
    QUrl url = web.Url(path);
    url.setQuery(u"t="_qs + QString::fromLatin1(token));
    return url;
}

// A modal dialog shown for real, so its mnemonics, Tab and Enter work.
bool ShowActive(QDialog& dlg)
{
    dlg.show();
    dlg.activateWindow();
    return QTest::qWaitForWindowActive(&dlg);
}

// Its answer, as exec() would give it, with the window below active again.
int CloseShown(QDialog& dlg)
{
    dlg.hide();
    if (QWidget* below = dlg.parentWidget() ? dlg.parentWidget()->window() : nullptr) {
        below->activateWindow();
        if (!QTest::qWaitForWindowActive(below))
            qWarning("the window below the dialog did not become active");
    }
    return dlg.result();
}

} // namespace

class TestProgramBeside : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void editorRouteTriedSavedAndKeyed();
    void guideZoneRouteByKeyboard();
    void editOptionOpensTheRoute();
    void webViewShowsAndPressesThePanel();
    void runFromTheCommandLineFollowsTheTimetable();
    // Last: ending the program asks the application to leave its event loop.
    void closingTheProgramAsksAboutAnEditedRoute();
};

void TestProgramBeside::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // Any free port: tests run side by side.
    WebSettings web;
    web.port = 0;
    web.RenewToken();
    QVERIFY(web.Save(WebSettings::DefaultFile()));
}

void TestProgramBeside::editorRouteTriedSavedAndKeyed()
{
    Program g;
    RouteEditor* editor = g.p->OpenEditor();
    QVERIFY(editor);
    RouteDocument& doc = editor->document();
    QList<StopRecord> stops = MakeStops(3);
    for (StopRecord& s : stops)
        s.Fare.fill(0);
    QVERIFY(doc.insertStops(0, stops));
    QVERIFY(doc.fillFlat(210).isEmpty() || doc.stopCount() == 3);

    // 試す: unsaved, on the panel as a route set would put it.
    QVERIFY(editor->tryRoute());
    QCOMPARE(g.p->panel().Route().DataCount, qint16(3));
    QCOMPARE(g.p->board().ChimeiCtl()->Text(), u"停留所1"_qs);
    // A run from there runs what was tried: there is no file to key it from.
    QVERIFY(g.p->runBar().startRun(RunSettings{}, 1));
    QVERIFY(g.p->run().isRunning());
    QCOMPARE(g.p->panel().Route().DataCount, qint16(3));
    g.p->runBar().stopRun();
    g.p->panel().Command2(1)->click();
    QCOMPARE(g.p->board().ChimeiCtl()->Text(), u"停留所2"_qs);
    QCOMPARE(Cell(*g.p, 1), u"210"_qs);
    QVERIFY(editor->isWindowModified());

    // Saved under a number; the keypad then reads the same route from its file.
    const ltm4::ModalHandler previous = ltm4::SetModalHandler([](QDialog& dlg) {
        auto* number = dlg.findChild<QLineEdit*>(u"routeNumber"_qs);
        if (!number)
            return int(QDialog::Rejected);
        number->setText(u"8"_qs);
        dlg.accept();
        return dlg.result();
    });
    const bool saved = editor->save();
    ltm4::SetModalHandler(previous);
    QVERIFY(saved);
    QVERIFY(QFile::exists(g.dir.filePath(u"8.hy3"_qs)));
    editor->close();

    keyRoute(g.p->panel(), u"8"_qs, u"2"_qs);
    QCOMPARE(g.p->panel().Route().RouteNo, u"8"_qs);
    QCOMPARE(g.p->board().ChimeiCtl()->Text(), u"停留所2"_qs);
    g.p->panel().Command2(1)->click();
    QCOMPARE(Cell(*g.p, 2), u"210"_qs);
}

// The guide's worked example, key for key: six stops in two zones, fares by
// the zone fill, 「次は」 announcements, saved as route 21, keyed on the panel
// and stepped to the last stop.
void TestProgramBeside::guideZoneRouteByKeyboard()
{
    Program g;
    MessageRecorder box(ltm4::vbNo);
    RouteEditor* editor = g.p->OpenEditor(); // the board's menu 路線エディター…
    QVERIFY(editor);
    editor->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(editor));
    QCOMPARE(editor->document().stopCount(), 0);

    // 停留所: Ctrl+1, Insert six times, names then readings.
    const QStringList names{u"駅前"_qs, u"市役所前"_qs, u"中央通り"_qs,
                            u"緑町"_qs, u"学園前"_qs,   u"車庫前"_qs};
    const QStringList kana{u"えきまえ"_qs,     u"しやくしょまえ"_qs, u"ちゅうおうどおり"_qs,
                           u"みどりちょう"_qs, u"がくえんまえ"_qs,   u"しゃこまえ"_qs};
    Press(Qt::Key_1, Qt::ControlModifier);
    for (int i = 0; i < 6; ++i)
        Press(Qt::Key_Insert);
    Press(Qt::Key_Home, Qt::ControlModifier);
    for (const QString& name : names)
        TypeJapanese(name);
    Press(Qt::Key_Home, Qt::ControlModifier);
    Press(Qt::Key_Right);
    Press(Qt::Key_Right);
    for (const QString& reading : kana)
        TypeJapanese(reading);
    if (QTest::currentTestFailed())
        return;

    // 運賃 > ゾーン運賃で埋める… (Alt+R, Z): two zones, stops 4-6 in zone 2,
    // 180 yen within a zone and 230 across.
    QString fillError;
    ltm4::ModalHandler previous = ltm4::SetModalHandler([&](QDialog& dlg) {
        if (dlg.objectName() != u"fareFillDialog"_qs || !ShowActive(dlg))
            return int(QDialog::Rejected);
        QTest::keyClick(&dlg, Qt::Key_N, Qt::AltModifier); // ゾーンの数
        Press(Qt::Key_Up);
        QTest::keyClick(&dlg, Qt::Key_S, Qt::AltModifier); // 停留所のゾーン
        Press(Qt::Key_Right);
        for (int i = 0; i < 3; ++i)
            Press(Qt::Key_Down);
        for (int i = 0; i < 3; ++i) {
            TypeKeys(u"2"_qs);
            Press(Qt::Key_Down);
        }
        QTest::keyClick(&dlg, Qt::Key_T, Qt::AltModifier); // 運賃の表
        for (const QString& fare : {u"180"_qs, u"230"_qs, u"230"_qs}) {
            TypeKeys(fare);
            Press(Qt::Key_Tab);
        }
        TypeKeys(u"180"_qs);
        Press(Qt::Key_Return); // the cell's value
        Press(Qt::Key_Return); // 埋める
        if (auto* error = dlg.findChild<QLabel*>(u"fillError"_qs); error && !error->isHidden())
            fillError = error->text();
        return CloseShown(dlg);
    });
    Press(Qt::Key_R, Qt::AltModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QTest::keyClick(menu, Qt::Key_Z);
    ltm4::SetModalHandler(previous);
    QVERIFY2(fillError.isEmpty(), qPrintable(fillError));
    if (QTest::currentTestFailed())
        return;

    // 放送 > 停留所名から「次は」の放送を作る (Alt+A, N).
    Press(Qt::Key_A, Qt::AltModifier);
    menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QTest::keyClick(menu, Qt::Key_N);
    QCOMPARE(editor->document().tapeCount(), 6);

    // 名前を付けて保存 (Ctrl+Shift+S): 21, Enter.
    previous = ltm4::SetModalHandler([](QDialog& dlg) {
        auto* number = dlg.findChild<QLineEdit*>(u"routeNumber"_qs);
        if (!number || !ShowActive(dlg))
            return int(QDialog::Rejected);
        TypeKeys(u"21"_qs); // the number has the focus as the dialog opens
        Press(Qt::Key_Return);
        return CloseShown(dlg);
    });
    Press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ltm4::SetModalHandler(previous);
    QCOMPARE(editor->routeNumber(), 21);
    QVERIFY(QFile::exists(g.dir.filePath(u"21.hy3"_qs)));
    QVERIFY(QFile::exists(g.dir.filePath(u"21tp.csv"_qs)));
    QVERIFY(QFile::exists(g.dir.filePath(u"21yomi.csv"_qs)));
    Press(Qt::Key_W, Qt::ControlModifier);
    QVERIFY(box.shown.isEmpty()); // saved: closing asks nothing

    // 系統 21 区間 1 リセット, then データ送り to 車庫前. At each stop ticket k
    // (taken at stop k) pays 180 within its zone, 230 across, and nothing
    // before it is issued.
    keyRoute(g.p->panel(), u"21"_qs, u"1"_qs);
    QCOMPARE(g.p->panel().Route().RouteNo, u"21"_qs);
    const auto zone = [](int stop) { return stop <= 3 ? 1 : 2; };
    for (int stop = 1; stop <= 6; ++stop) {
        if (stop > 1)
            g.p->panel().Command2(1)->click();
        QCOMPARE(g.p->board().ChimeiCtl()->Text(), names[stop - 1]);
        for (int k = 1; k <= 8; ++k) {
            const QString want = k > stop                ? QString()
                                 : zone(k) == zone(stop) ? u"180"_qs
                                                         : u"230"_qs;
            QVERIFY2(
                Shown(*g.p, k) == want,
                qPrintable(u"停留所 %1 整理券 %2: 「%3」"_qs.arg(stop).arg(k).arg(Shown(*g.p, k))));
        }
    }
}

void TestProgramBeside::editOptionOpensTheRoute()
{
    // --edit with a file: the editor opens on it as the program starts.
    QTemporaryDir elsewhere;
    const QString file = elsewhere.filePath(u"9.hy3"_qs);
    QVERIFY(WriteFareFile(file, MakeStops(4)));
    const CommandLine options = ParseCommandLine({u"--edit"_qs, file});
    QCOMPARE(options.action, CommandLine::Action::Start);
    Program g(options);
    RouteEditor* editor = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* e = qobject_cast<RouteEditor*>(w))
            editor = e;
    QVERIFY(editor);
    QCOMPARE(editor->routeNumber(), 9);
    QCOMPARE(editor->document().stopCount(), 4);
    QCOMPARE(QDir(editor->fareFolder()), QDir(elsewhere.path()));
}

void TestProgramBeside::closingTheProgramAsksAboutAnEditedRoute()
{
    QTemporaryDir elsewhere;
    const QString file = elsewhere.filePath(u"6.hy3"_qs);
    QVERIFY(WriteFareFile(file, MakeStops(3)));
    Program g;
    RouteEditor* editor = g.p->OpenEditor(file);
    QVERIFY(editor);
    QVERIFY(editor->document().setStopName(0, u"新しい名前"_qs));
    // Yes to ending the program, and 保存 to the editor's question.
    MessageRecorder messages(ltm4::vbYes);
    QVERIFY(g.p->panel().close());
    QCOMPARE(messages.shown.size(), 2);
    const FareFileResult saved = ParseFareFile(ReadAll(file));
    QVERIFY(saved.ok());
    QCOMPARE(saved.records.first().StopName, u"新しい名前"_qs);
}

void TestProgramBeside::webViewShowsAndPressesThePanel()
{
    Program g;
    QVERIFY(WriteFareFile(g.dir.filePath(u"3.hy3"_qs), MakeStops(4)));
    keyRoute(g.p->panel(), u"3"_qs);
    QString error;
    QVERIFY2(g.p->Serve(&error), qPrintable(error));
    const WebServer& web = g.p->webServer();
    const QByteArray token = web.Token();
    QVERIFY(!token.isEmpty());
    Http http;
    int status = 0;

    // The state as the panel shows it.
    QJsonObject state =
        QJsonDocument::fromJson(http.send("GET", Api(web, u"api/state"_qs, token), &status))
            .object();
    QCOMPARE(status, 200);
    QCOMPARE(state.value(u"route"_qs).toString(), u"3"_qs);
    QCOMPARE(state.value(u"row"_qs).toInt(), 1);

    // A press acts as the panel's own button; a wrong token acts on nothing.
    http.send("POST", Api(web, u"api/press/next"_qs, "x" + token.mid(1)), &status);
    QCOMPARE(status, 403);
    QCOMPARE(g.p->panel().Route().CurIndex, qint16(0));
    http.send("POST", Api(web, u"api/press/next"_qs, token), &status);
    QCOMPARE(status, 202); // queued for the user-interface thread
    QTRY_COMPARE(g.p->panel().Route().CurIndex, qint16(1));
    QCOMPARE(g.p->board().ChimeiCtl()->Text(), u"停留所2"_qs);
    // The state follows within a moment.
    QTRY_COMPARE((state = QJsonDocument::fromJson(
                              http.send("GET", Api(web, u"api/state"_qs, token), &status))
                              .object())
                     .value(u"row"_qs)
                     .toInt(),
                 2);
    QCOMPARE(state.value(u"stopName"_qs).toString(), u"停留所2"_qs);

    // The picture served is the board's own at 1x, and a step reports the
    // stop name's part of it as changed.
    WebHost& host = g.p->webHost();
    QCOMPARE(host.BoardSize(), g.p->board().size());
    const QImage served = host.BoardImage(QRect(QPoint(0, 0), host.BoardSize()));
    const QImage shown = g.p->board().grab().toImage().convertToFormat(served.format());
    QCOMPARE(served, shown);
    QSignalSpy changed(&host, &WebHost::BoardChanged);
    http.send("POST", Api(web, u"api/press/next"_qs, token), &status);
    QTRY_COMPARE(g.p->panel().Route().CurIndex, qint16(2));
    QRegion painted;
    QTRY_VERIFY((painted =
                     [&] {
                         QRegion r;
                         for (const QList<QVariant>& args : changed)
                             r += args.at(0).value<QRegion>();
                         return r;
                     }())
                    .intersects(g.p->board().ChimeiCtl()->geometry()));
}

void TestProgramBeside::runFromTheCommandLineFollowsTheTimetable()
{
    qint64 now = 1'000'000;
    const std::function<qint64()> previousClock = ltm4::SetMonotonicOverride([&] { return now; });
    const CommandLine options = ParseCommandLine({u"--run"_qs, u"3:2"_qs, u"--speed"_qs, u"60"_qs});
    QVERIFY(options.run);
    {
        // The route and its timetable where the settings look, before the start.
        QTemporaryDir folder;
        QVERIFY(WriteFareFile(folder.filePath(u"3.hy3"_qs), MakeStops(4)));
        QList<TimetableRow> times;
        for (int minute : {0, 4, 10, 11})
            times << TimetableRow{8 * 3600 + minute * 60, 8 * 3600 + minute * 60, {}};
        QVERIFY(WriteFile(folder.filePath(u"3time.csv"_qs), WriteTimetableCsv(times)));
        Program g;
        g.p->options().Text2(0)->setText(folder.path());
        // U on the panel opens the bar, as 運行… does.
        g.p->panel().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&g.p->panel()));
        QTest::keyClick(&g.p->panel(), Qt::Key_U);
        QTRY_VERIFY(g.p->runBar().isVisible());
        QVERIFY(!g.p->runBar().frameGeometry().intersects(g.p->board().frameGeometry()));
        g.p->runBar().hide();
        const QSignalSpy routeSets(&g.p->panel(), &frmCtl::routeSet);
        g.p->StartRun(*options.run);
        RunExecutor& run = g.p->run();
        QTRY_VERIFY_WITH_TIMEOUT(run.isRunning(), 15000);
        // Keyed once: the run starts from that set, without a second lamp test.
        QCOMPARE(routeSets.count(), 1);
        // Set at stop 2 as the keypad would; the bus leaves it at once, at
        // its departure, and the board shows the next stop.
        QCOMPARE(g.p->panel().Route().RouteNo, u"3"_qs);
        QCOMPARE(g.p->panel().Route().SectionNo, qint16(2));
        QCOMPARE(g.p->panel().Route().CurIndex + 1, 3);
        QCOMPARE(run.clockText(), u"08:04:00"_qs);
        QVERIFY(g.p->runBar().isVisible());

        // It leaves stop 3 at 08:10, six minutes of timetable later: six
        // seconds at x60, and not before.
        const qint64 t0 = now;
        qint64 steppedAt = -1;
        for (int turns = 0; turns < 100 && run.timerDueMs() >= 0 && steppedAt < 0; ++turns) {
            now = std::max(now, run.timerDueMs());
            run.fireTimer();
            if (g.p->panel().Route().CurIndex + 1 == 4)
                steppedAt = now - t0;
        }
        QCOMPARE(steppedAt, qint64(6000));
        QCOMPARE(run.clockText(), u"08:10:00"_qs);

        // A route the user sets ends the run.
        QVERIFY(WriteFareFile(folder.filePath(u"5.hy3"_qs), MakeStops(3)));
        RunPlan plan;
        plan.rowCount = 4;
        run.start(plan);
        keyRoute(g.p->panel(), u"5"_qs);
        QVERIFY(!run.isRunning());

        // A kiosk's full-screen board: the run goes without the bar over it.
        g.p->runBar().hide();
        g.p->board().EnterFullScreen(g.p->board().screen());
        g.p->StartRun(*options.run);
        QTRY_VERIFY_WITH_TIMEOUT(run.isRunning(), 15000);
        QVERIFY(!g.p->runBar().isVisible());
        g.p->board().LeaveFullScreen();
    }
    ltm4::SetMonotonicOverride(previousClock);
}

QTEST_MAIN(TestProgramBeside)
#include "tst_program_beside.moc"
