// SPDX-License-Identifier: GPL-3.0-or-later
// The stop request (降車ボタン) through the real windows: the board's lamp,
// the panel's button and its keys light 「つぎ止まります」 and chime once on
// a channel of their own; the next row or a cleared board puts it out.
#include "board/BoardFace.h"
#include "board/ChimeiCtl_A.h"
#include "board/StopLampCtl.h"
#include "board/StopLampFace.h"
#include "companion/SysWait.h"
#include "options/VbCheckBox.h"
#include "panel/StopRequestSettings.h"
#include "tests/TestSupport.h"

#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kChime = QStringLiteral("/snd/stop.wav");

// The windows wired as the program wires them, a three-stop route set, the
// backlight on, waits instant; sounds and tape steps recorded.
struct Fixture : BoardWindows {
    QTemporaryDir dir;
    MessageRecorder box;
    QList<QPair<QString, QString>> sounds; // path, channel
    qint32 tapeIndex = 0;
    QList<qint16> tapeFlags{0, 1, 0};
    std::function<void(int)> previousWait;

    Fixture()
    {
        previousWait = ltm4::SetWaitOverride([](int) {});
        frmCtl::Services s;
        s.SndPlay = [this](const QString& path, const QString& channel, qint16, qint16) {
            sounds << qMakePair(path, channel);
        };
        s.TapeNext = [this] { ++tapeIndex; };
        s.TapeBack = [this] { --tapeIndex; };
        s.GetTapeIndex = [this] { return tapeIndex; };
        s.GetTapeStepFlag = [this](qint32 i) { return tapeFlags.value(i); };
        ctl.setServices(s);
        board.setViewSettingsFile(dir.filePath(QStringLiteral("board.ini")));
        Load();
        ctl.setStopRequestSetup(StopRequestSettings{kChime, true});
        option.Text2(0)->setText(dir.path());
        if (!WriteFareFile(dir.filePath(QStringLiteral("1.hy3")), MakeStops(3)))
            qFatal("cannot write the fare data");
        keyRoute(ctl, QStringLiteral("1"));
        ctl.Option4(1)->click();
        sounds.clear();
    }
    ~Fixture() { ltm4::SetWaitOverride(previousWait); }

    QList<QPair<QString, QString>> chimes() const
    {
        QList<QPair<QString, QString>> out;
        for (const auto& s : sounds)
            if (s.first == kChime)
                out << s;
        return out;
    }
    int row() const { return ctl.Route().CurIndex + 1; }
};

QImage Grab(QWidget* w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestStopRequest : public QObject {
    Q_OBJECT
private slots:
    void eachWayLightsAndChimesOnce_data();
    void eachWayLightsAndChimesOnce();
    void theNextRowPutsItOut_data();
    void theNextRowPutsItOut();
    void lampLooks();
    void lampCoversNothing();
    void clearedBoardTakesNoRequest();
    void settings();
};

void TestStopRequest::eachWayLightsAndChimesOnce_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("click on the lamp") << "lamp";
    QTest::newRow("click on the zoomed lamp") << "zoomed";
    QTest::newRow("panel button") << "button";
    QTest::newRow("key T on the panel") << "T";
    QTest::newRow("numpad + on the board") << "+";
    QTest::newRow("from the program") << "call";
}

void TestStopRequest::eachWayLightsAndChimesOnce()
{
    QFETCH(QString, how);
    Fixture f;
    if (how == u"zoomed")
        f.board.setZoom(2.0);
    QSignalSpy changed(&f.ctl, &frmCtl::StopRequestChanged);
    const auto press = [&] {
        if (how == u"lamp")
            QTest::mouseClick(f.board.StopLamp(), Qt::LeftButton, {}, QPoint(10, 10));
        else if (how == u"zoomed")
            QTest::mouseClick(&f.board, Qt::LeftButton, {}, StopLampFace::Rect().center() * 2);
        else if (how == u"button")
            f.ctl.cmdStopRequest()->click();
        else if (how == u"T")
            QTest::keyClick(&f.ctl, Qt::Key_T);
        else if (how == u"+")
            QTest::keyClick(&f.board, Qt::Key_Plus);
        else
            f.ctl.RequestStop();
    };
    const QPoint boardAt = f.board.pos();
    press();
    QTRY_VERIFY(f.ctl.StopRequested());
    QVERIFY(f.board.StopLamp()->Requested());
    QVERIFY(f.board.StopLamp()->Glows());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().first().toBool(), true);
    const QList<QPair<QString, QString>> once{qMakePair(kChime, QStringLiteral("S5"))};
    QCOMPARE(f.sounds, once);
    // Nothing else happened: the board did not move, the row did not change.
    QCOMPARE(f.board.pos(), boardAt);
    QCOMPARE(f.row(), 1);

    // Lit already: a second press chimes no more.
    QTest::qWait(150); // past the key's pressed look
    press();
    QTest::qWait(20);
    QCOMPARE(f.sounds, once);
    QCOMPARE(changed.size(), 1);
    QVERIFY(!f.ctl.RequestStop());
    QVERIFY(f.ctl.StopRequested());
}

void TestStopRequest::theNextRowPutsItOut_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("putsOut");
    QTest::newRow("データ送り") << "forward" << true;
    QTest::newRow("データ戻し") << "back" << true;
    QTest::newRow("放送 送り onto a stepping entry") << "tape step" << true;
    QTest::newRow("route set") << "route" << true;
    QTest::newRow("リセット of a missing route") << "missing route" << true;
    QTest::newRow("表示消去") << "clear" << true;
    // What changes no row leaves it lit.
    QTest::newRow("放送 送り onto an entry without step") << "tape" << false;
    QTest::newRow("深夜料金") << "late" << false;
    QTest::newRow("backlight") << "backlight" << false;
    QTest::newRow("データ送り at the last stop") << "forward at the end" << false;
}

void TestStopRequest::theNextRowPutsItOut()
{
    QFETCH(QString, what);
    QFETCH(bool, putsOut);
    Fixture f;
    f.ctl.grpM_Tape()->setEnabled(true);
    f.ctl.cmdTapeNext()->setEnabled(true);
    if (what == u"back" || what == u"forward at the end") {
        f.ctl.Command2(1)->click();
        if (what != u"back")
            f.ctl.Command2(1)->click();
    }
    if (what == u"tape step")
        f.tapeIndex = 0; // the next entry steps
    if (what == u"tape")
        f.tapeIndex = 1; // the next entry does not
    QVERIFY(f.ctl.RequestStop());
    QSignalSpy changed(&f.ctl, &frmCtl::StopRequestChanged);
    const int rowBefore = f.row();

    if (what == u"forward" || what == u"forward at the end")
        f.ctl.Command2(1)->click();
    else if (what == u"back")
        f.ctl.Command2(0)->click();
    else if (what == u"tape step" || what == u"tape")
        f.ctl.cmdTapeNext()->click();
    else if (what == u"route")
        keyRoute(f.ctl, QStringLiteral("1"));
    else if (what == u"missing route")
        keyRoute(f.ctl, QStringLiteral("7"));
    else if (what == u"clear")
        f.ctl.Check1()->click();
    else if (what == u"late")
        f.ctl.Check2()->click();
    else if (what == u"backlight")
        f.ctl.Option4(2)->click();

    QCOMPARE(f.ctl.StopRequested(), !putsOut);
    QCOMPARE(f.board.StopLamp()->Requested(), !putsOut);
    QCOMPARE(changed.size(), putsOut ? 1 : 0);
    if (what == u"tape step")
        QCOMPARE(f.row(), rowBefore + 1);
    if (!putsOut || what == u"clear")
        return;
    // Out again: the next passenger's request chimes again.
    f.sounds.clear();
    QVERIFY(f.ctl.RequestStop());
    QCOMPARE(f.chimes().size(), 1);
}

void TestStopRequest::lampLooks()
{
    // Lit and unlit differ on a lit board; a dark board shows no glow.
    for (int backlight : {1, 2})
        QVERIFY(StopLampFace::Draw(true, backlight) != StopLampFace::Draw(false, backlight));
    QCOMPARE(StopLampFace::Draw(true, 0), StopLampFace::Draw(false, 0));
    QVERIFY(StopLampFace::Draw(false, 0) != StopLampFace::Draw(false, 1));

    // On the board itself.
    Fixture f;
    const QRect lamp = StopLampFace::Rect();
    const QImage unlit = Grab(&f.board).copy(lamp);
    f.ctl.RequestStop();
    const QImage lit = Grab(&f.board).copy(lamp);
    QVERIFY(lit != unlit);
    QCOMPARE(lit, StopLampFace::Draw(true, 1));
    // Backlight off: dark though requested, and lit again with the backlight.
    f.ctl.Option4(0)->click();
    QVERIFY(f.ctl.StopRequested());
    QVERIFY(!f.board.StopLamp()->Glows());
    QCOMPARE(Grab(&f.board).copy(lamp), StopLampFace::Draw(false, 0));
    f.ctl.Option4(2)->click();
    QVERIFY(f.board.StopLamp()->Glows());
    QCOMPARE(Grab(&f.board).copy(lamp), StopLampFace::Draw(true, 2));
    // The panel's button shows it too.
    QVERIFY(f.ctl.cmdStopRequest()->styleSheet() != QString());
    const QString litStyle = f.ctl.cmdStopRequest()->styleSheet();
    f.ctl.Command2(1)->click();
    QVERIFY(f.ctl.cmdStopRequest()->styleSheet() != litStyle);
}

void TestStopRequest::lampCoversNothing()
{
    Fixture f;
    const QRect lamp = f.board.StopLamp()->geometry();
    QCOMPARE(lamp, StopLampFace::Rect());
    QVERIFY(QRect(0, 0, BoardFace::kWidth, BoardFace::kHeight).contains(lamp));
    for (int k = 1; k <= Form1::kCells; ++k) {
        QVERIFY2(!lamp.intersects(BoardFace::CellRect(k)), qPrintable(QString::number(k)));
        QVERIFY2(!lamp.intersects(BoardFace::LabelRect(k)), qPrintable(QString::number(k)));
        QVERIFY(!lamp.intersects(f.board.Degit(k)->geometry()));
        QVERIFY(!lamp.intersects(f.board.lblSeiriNum(k)->geometry()));
    }
    QVERIFY(!lamp.intersects(BoardFace::ChimeiRect()));
    QVERIFY(!lamp.intersects(f.board.ChimeiCtl()->geometry()));
    // Nor the hidden clock, should a layout ever show it.
    for (int i = 0; i < 2; ++i)
        QVERIFY(!lamp.intersects(f.board.TimeDegit(i)->geometry()));

    // On the panel, the button covers no other control.
    const QRect button = f.ctl.cmdStopRequest()->geometry();
    for (QWidget* w : f.ctl.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w == f.ctl.cmdStopRequest() || w->isHidden() || w->isWindow())
            continue;
        QVERIFY2(!button.intersects(w->geometry()), qPrintable(w->objectName()));
    }
    QVERIFY(QRect(QPoint(0, 0), f.ctl.size()).contains(button));
}

void TestStopRequest::clearedBoardTakesNoRequest()
{
    Fixture f;
    f.ctl.Check1()->click();
    QVERIFY(!f.ctl.cmdStopRequest()->isEnabled());
    QVERIFY(!f.ctl.RequestStop());
    QTest::mouseClick(f.board.StopLamp(), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!f.ctl.StopRequested());
    QVERIFY(f.chimes().isEmpty());
    f.ctl.Check1()->click();
    QVERIFY(f.ctl.cmdStopRequest()->isEnabled());
    QVERIFY(f.ctl.RequestStop());
}

void TestStopRequest::settings()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("stop-request.ini"));
    const QString demo = QStringLiteral("sounds/stop-request.wav");
    // No file yet: the demo's chime, the lamp shown.
    QCOMPARE(StopRequestSettings::Load(file, demo), (StopRequestSettings{demo, true}));
    const StopRequestSettings own{QStringLiteral("/home/me/ピンポン.wav"), false};
    QVERIFY(own.Save(file));
    QCOMPARE(StopRequestSettings::Load(file, demo), own);
    // A chime set to nothing stays nothing (not the demo's).
    QVERIFY((StopRequestSettings{QString(), true}).Save(file));
    QCOMPARE(StopRequestSettings::Load(file, demo).chime, QString());
    QCOMPARE(StopRequestSettings::DemoChime(dir.path()), demo);

    // Without a chime or a lamp a request still counts, silently and unseen.
    Fixture f;
    f.ctl.setStopRequestSetup(StopRequestSettings{QString(), false});
    QVERIFY(f.board.StopLamp()->isHidden());
    QVERIFY(f.ctl.RequestStop());
    QVERIFY(f.sounds.isEmpty());
    QVERIFY(f.ctl.StopRequested());
    f.ctl.setStopRequestSetup(StopRequestSettings{kChime, true});
    QVERIFY(!f.board.StopLamp()->isHidden());
    QVERIFY(f.board.StopLamp()->Requested());
}

QTEST_MAIN(TestStopRequest)
#include "tst_stoprequest.moc"
