// SPDX-License-Identifier: GPL-3.0-or-later
// The control panel: keypad and list entry, the entry-frame swap, sliders,
// version text, preview pane, backlight pictures and the exit question.
#include "board/BoardFace.h"
#include "board/ChimeiCtl_A.h"
#include "companion/ColorRef.h"
#include "companion/ModalSeam.h"
#include "companion/SysWait.h"
#include "options/ColorButton.h"
#include "options/VbCheckBox.h"
#include "options/VbOptionButton.h"
#include "panel/FareData.h"
#include "panel/PanelPicture.h"
#include "settings/SettingsRecord.h"
#include "tests/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <qpa/qwindowsysteminterface.h>

namespace {

// Input as the window system hands it over: queued, delivered by the event
// loop in order, and held back during a blocking wait, as a real keyboard's
// and mouse's is (QTest's events are delivered on the spot instead).
using Queued = QWindowSystemInterface::AsynchronousDelivery;

void queueKey(QWidget& window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWindow* w = window.windowHandle();
    QWindowSystemInterface::handleKeyEvent<Queued>(w, QEvent::KeyPress, key, modifiers);
    QWindowSystemInterface::handleKeyEvent<Queued>(w, QEvent::KeyRelease, key, modifiers);
}

void queueClick(QWidget& button)
{
    QWidget* window = button.window();
    const QPointF local = button.mapTo(window, button.rect().center());
    const QPointF global = window->mapToGlobal(local);
    QWindow* w = window->windowHandle();
    QWindowSystemInterface::handleMouseEvent<Queued>(w, local, global, Qt::LeftButton,
                                                     Qt::LeftButton, QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent<Queued>(w, local, global, Qt::NoButton, Qt::LeftButton,
                                                     QEvent::MouseButtonRelease);
}

void showActive(Windows& p)
{
    p.ctl.show();
    p.board.show();
    p.ctl.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.ctl));
}

} // namespace

class TestPanel : public QObject {
    Q_OBJECT
private slots:
    void initialState();
    void keypadEntry();
    void listsPlayTheirSounds();
    void slidersSendBothValues();
    void versionText();
    void previewPaneWidth();
    void keysPressTheirButtons();
    void keysActInOrderAtAnySpeed();
    void keysWithModifiersDoNothing_data();
    void keysWithModifiersDoNothing();
    void clicksDuringBlockingSound();
    void panelStateRoundTrip();
    void backlightPictures();
    void builtInLitFaces_data();
    void builtInLitFaces();
    void pictureErrorTexts_data();
    void pictureErrorTexts();
    void exitQuestion();
    void settingsDialogDisablesWindows();
};

void TestPanel::initialState()
{
    Windows p;
    QCOMPARE(p.ctl.windowTitle(), QStringLiteral("集中操作盤"));
    QVERIFY(p.board.windowTitle().startsWith(QStringLiteral("ルトミア - 型番:")));
    QCOMPARE(p.ctl.width(), 359);
    QVERIFY(!p.ctl.Command2(0)->isEnabled());
    QVERIFY(!p.ctl.Command2(1)->isEnabled());
    QVERIFY(!p.ctl.Check1()->isEnabled());
    QVERIFY(!p.ctl.grpM_Tape()->isEnabled());
    QCOMPARE(p.ctl.grpM_Tape()->title(), QStringLiteral("音合使用不可"));
    QVERIFY(p.ctl.Option4(0)->isChecked());
    QCOMPARE(p.ctl.Label1(0)->text(), QStringLiteral("1"));
    QCOMPARE(p.ctl.Label1(1)->text(), QStringLiteral("0"));
    QCOMPARE(p.ctl.HScroll1(0)->minimum(), 1);
    QCOMPARE(p.ctl.HScroll1(0)->maximum(), 2000);
    QCOMPARE(p.ctl.HScroll1(1)->maximum(), 3000);
    // Keys are rounded; the keypad is in front before any saved state.
    QVERIFY(!p.ctl.CommandButton1(5)->mask().isEmpty());
    QVERIFY(!p.ctl.CommandButton1(5)->mask().contains(QPoint(2, 2)));
    QVERIFY(p.ctl.CommandButton1(5)->mask().contains(QPoint(3, 3)));
    QCOMPARE(p.ctl.CtrlPanelMode(), 0);
    QVERIFY(!p.ctl.Frame1(1)->isHidden());
    QVERIFY(p.ctl.Frame1(0)->isHidden());
}

void TestPanel::keypadEntry()
{
    Windows p;
    // Before any mode key the digits go to the section display.
    p.keys({1, 2});
    QCOMPARE(p.ctl.Label2(2)->text(), QStringLiteral("12"));
    QCOMPARE(p.ctl.Label2(0)->text(), QString());
    p.keys({3, 4}); // the fourth section digit is ignored
    QCOMPARE(p.ctl.Label2(2)->text(), QStringLiteral("123"));
    p.keys({10, 0, 0, 0, 1, 2, 9}); // route 00012, sixth digit ignored
    QCOMPARE(p.ctl.Label2(0)->text(), QStringLiteral("00012"));
    QVERIFY(p.ctl.IsRouteEntry());
    // Every press sounds the reset sound on S1, ignored ones too.
    QCOMPARE(p.sounds, (QList<QPair<QString, QString>>(11, {"/snd/key.wav", "S1"})));
    p.keys({10}); // clears a full route display
    QCOMPARE(p.ctl.Label2(0)->text(), QString());
    p.keys({11});
    QCOMPARE(p.ctl.Label2(2)->text(), QString());
    QVERIFY(!p.ctl.IsRouteEntry());
    p.keys({7});
    QCOMPARE(p.ctl.Label2(2)->text(), QStringLiteral("7"));
}

void TestPanel::listsPlayTheirSounds()
{
    Windows p;
    p.ctl.Frame1_DblClick(1);
    p.ctl.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p.ctl));
    // Focus alone makes a row current without choosing it: no sound.
    p.ctl.List2(0)->setFocus();
    p.ctl.List2(0)->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    QVERIFY(p.sounds.isEmpty());
    const auto clickRow = [](QListWidget* l, int row) {
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(l->item(row)).center());
    };
    clickRow(p.ctl.List2(3), 2);
    clickRow(p.ctl.List3(0), 1);
    QCOMPARE(p.sounds,
             (QList<QPair<QString, QString>>{{"/snd/key.wav", "S1"}, {"/snd/route.wav", "S1"}}));
    QCOMPARE(p.ctl.List2(0)->count(), 10);
    QCOMPARE(p.ctl.List3(2)->item(9)->text(), QStringLiteral("9"));
}

void TestPanel::slidersSendBothValues()
{
    Windows p;
    ChimeiCtl_A* name = p.board.ChimeiCtl();
    p.ctl.HScroll1(1)->setValue(2500);
    QCOMPARE(p.ctl.Label1(1)->text(), QStringLiteral("2500"));
    QCOMPARE(name->ScrollStartWait(), 2500);
    QCOMPARE(name->Speed(), 1); // the other slider's value is sent too
    p.ctl.HScroll1(0)->setValue(700);
    QCOMPARE(p.ctl.Label1(0)->text(), QStringLiteral("700"));
    QCOMPARE(name->Speed(), 700);
    QCOMPARE(name->ScrollStartWait(), 2500);
}

void TestPanel::versionText()
{
    QCOMPARE(frmCtl::VersionText(QStringLiteral("517"), 2026),
             QStringLiteral("型番：517\r\nバージョン：4.0.0\r\n\r\n配布元：ホロテ交通\r\n"
                            "制作：ルトミア開発チーム　GPL-3.0-or-later　©2026\r\n"));
    Windows p;
    QString shownText;
    bool boardDisabled = false;
    const auto previous = ltm4::SetModalHandler([&](QDialog& dlg) {
        boardDisabled = !p.board.isEnabled();
        for (const QLabel* l : dlg.findChildren<QLabel*>())
            shownText += l->text();
        return int(QDialog::Accepted);
    });
    p.ctl.Command8()->click();
    ltm4::SetModalHandler(previous);
    QVERIFY(boardDisabled);
    QVERIFY(p.board.isEnabled());
    QVERIFY(shownText.contains(QStringLiteral("バージョン：4.0.0")));
}

void TestPanel::previewPaneWidth()
{
    Windows p;
    p.ctl.Check4()->setValue(1);
    QCOMPARE(p.ctl.width(), 600); // 9000 twips
    QCOMPARE(p.ctl.Check4()->text(), QStringLiteral("<<"));
    QCOMPARE(p.ctl.Check4()->toolTip(), QStringLiteral("整理券プレビューを隠します"));
    p.ctl.Check4()->setValue(0);
    QCOMPARE(p.ctl.width(), 359); // 5385 twips
    QCOMPARE(p.ctl.Check4()->toolTip(), QStringLiteral("整理券プレビューを開きます"));

    // In the screen's bottom-right corner the pane opens leftwards, and the
    // panel goes back to its place when it closes.
    p.ctl.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p.ctl));
    const QRect area = p.ctl.screen()->availableGeometry();
    const QPoint corner(area.right() + 1 - p.ctl.frameGeometry().width(),
                        area.bottom() + 1 - p.ctl.frameGeometry().height());
    p.ctl.move(corner);
    p.ctl.Check4()->setValue(1);
    QCOMPARE(p.ctl.width(), 600);
    QCOMPARE(p.ctl.frameGeometry().right(), area.right());
    p.ctl.Check4()->setValue(0);
    QCOMPARE(p.ctl.pos(), corner);
}

void TestPanel::keysPressTheirButtons()
{
    Windows p;
    QTemporaryDir dir;
    QVERIFY(WriteFareFile(dir.filePath(QStringLiteral("12.hy3")), MakeStops(3)));
    p.option.Text2(0)->setText(dir.path());
    QStringList tape;
    frmCtl::Services s;
    s.TapeNext = [&] { tape << QStringLiteral("next"); };
    s.TapeBack = [&] { tape << QStringLiteral("back"); };
    s.TapeStop = [&] { tape << QStringLiteral("stop"); };
    p.ctl.setServices(s);
    MessageRecorder messages;
    const auto previousWait = ltm4::SetWaitOverride([](int) {});
    p.ctl.show();
    p.board.show();
    p.ctl.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.ctl));
    const auto row = [&p] { return p.ctl.Route().CurIndex + 1; };

    // 深夜料金 takes no key, and Space is no click of it.
    QTest::keyClick(&p.ctl, Qt::Key_Space);
    QTest::qWait(150);
    QCOMPARE(p.ctl.Check2()->Value(), 0);

    // R 1 2 S 1 Enter: the route set as the keypad does it.
    for (int key : {Qt::Key_R, Qt::Key_1, Qt::Key_2, Qt::Key_S, Qt::Key_1, Qt::Key_Return}) {
        QTest::keyClick(&p.ctl, Qt::Key(key));
    }
    QCOMPARE(p.ctl.Route().RouteNo, QStringLiteral("12"));
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(row(), 1);
    // Stepping from the panel and from the board.
    QTest::keyClick(&p.ctl, Qt::Key_Right);
    QTRY_COMPARE(row(), 2);
    QTest::keyClick(&p.board, Qt::Key_PageDown);
    QTRY_COMPARE(row(), 3);
    QTest::keyClick(&p.ctl, Qt::Key_Left);
    QTRY_COMPARE(row(), 2);
    // Held down, a key steps once.
    QTest::keyPress(&p.ctl, Qt::Key_Right);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(&p.ctl, &repeat);
    QTest::keyRelease(&p.ctl, Qt::Key_Right);
    QTest::qWait(250);
    QCOMPARE(row(), 3);

    QTest::keyClick(&p.ctl, Qt::Key_C);
    QTRY_COMPARE(p.ctl.Check1()->Value(), 1);
    QTest::keyClick(&p.ctl, Qt::Key_Delete);
    QTRY_COMPARE(p.ctl.Check1()->Value(), 0);

    // The announcement buttons, once the group takes clicks.
    p.ctl.grpM_Tape()->setEnabled(true);
    for (QPushButton* b : {p.ctl.cmdTapeNext(), p.ctl.cmdTapeBack(), p.ctl.cmdTapeStop()})
        b->setEnabled(true);
    for (int key : {Qt::Key_N, Qt::Key_B, Qt::Key_Space})
        QTest::keyClick(&p.ctl, Qt::Key(key));
    QTRY_COMPARE(tape, (QStringList{"next", "back", "stop"}));

    // Nothing while a dialog is open.
    QDialog dlg;
    dlg.setWindowModality(Qt::ApplicationModal);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::keyClick(&p.ctl, Qt::Key_Left);
    QTest::keyClick(&p.board, Qt::Key_Left);
    QTest::qWait(250);
    QCOMPARE(row(), 3);
    dlg.close();

    QCOMPARE(p.ctl.Command2(1)->toolTip(), QStringLiteral("キー: → / PageDown"));
    QCOMPARE(p.ctl.CommandButton1(10)->toolTip(), QStringLiteral("キー: R / テンキーの /"));
    QCOMPARE(p.ctl.cmdTapeStop()->toolTip(), QStringLiteral("キー: Space / ."));
    ltm4::SetWaitOverride(previousWait);

    // The digit lists show every digit with at most a short scroll, none sideways.
    p.ctl.Frame1_DblClick(1);
    for (QListWidget* list : {p.ctl.List2(0), p.ctl.List3(2)}) {
        QVERIFY(!list->horizontalScrollBar()->isVisible());
        QVERIFY2(list->verticalScrollBar()->maximum() <= 3,
                 qPrintable(QString::number(list->verticalScrollBar()->maximum())));
    }
}

void TestPanel::keysActInOrderAtAnySpeed()
{
    Windows p;
    showActive(p);
    // Typed with no time between the keys (a macro pad): every key acts, in
    // order, the same key twice in a row included.
    for (int key : {Qt::Key_R, Qt::Key_9, Qt::Key_8, Qt::Key_7, Qt::Key_6, Qt::Key_5, Qt::Key_S,
                    Qt::Key_4, Qt::Key_3, Qt::Key_2})
        queueKey(p.ctl, key);
    QTest::qWait(20);
    QCOMPARE(p.ctl.Label2(0)->text(), QStringLiteral("98765"));
    QCOMPARE(p.ctl.Label2(2)->text(), QStringLiteral("432"));
    for (int key : {Qt::Key_R, Qt::Key_1, Qt::Key_7, Qt::Key_S, Qt::Key_1, Qt::Key_8, Qt::Key_R,
                    Qt::Key_0, Qt::Key_0})
        queueKey(p.ctl, key);
    QTest::qWait(20);
    QCOMPARE(p.ctl.Label2(0)->text(), QStringLiteral("00"));
    QCOMPARE(p.ctl.Label2(2)->text(), QStringLiteral("18"));
    QCOMPARE(p.sounds.size(), 19); // each key sounded once
    // The pressed look follows the action.
    QTest::keyClick(&p.ctl, Qt::Key_3);
    QCOMPARE(p.ctl.Label2(0)->text(), QStringLiteral("003"));
    QVERIFY(p.ctl.CommandButton1(3)->isDown());
    QTRY_VERIFY(!p.ctl.CommandButton1(3)->isDown());
}

void TestPanel::keysWithModifiersDoNothing_data()
{
    QTest::addColumn<int>("modifier");
    QTest::newRow("Ctrl") << int(Qt::ControlModifier);
    QTest::newRow("Alt") << int(Qt::AltModifier);
    QTest::newRow("Meta") << int(Qt::MetaModifier);
}

void TestPanel::keysWithModifiersDoNothing()
{
    QFETCH(int, modifier);
    Windows p;
    showActive(p);
    p.keys({11, 4});
    const auto mods = Qt::KeyboardModifiers(modifier);
    for (int key :
         {Qt::Key_R, Qt::Key_5, Qt::Key_S, Qt::Key_9, Qt::Key_0, Qt::Key_Return, Qt::Key_C})
        queueKey(p.ctl, key, mods);
    QTest::qWait(20);
    QCOMPARE(p.ctl.Label2(2)->text(), QStringLiteral("4"));
    QCOMPARE(p.ctl.Label2(0)->text(), QString());
    QCOMPARE(p.sounds.size(), 2);
}

void TestPanel::clicksDuringBlockingSound()
{
    Windows p;
    QTemporaryDir dir;
    const QList<StopRecord> stops = MakeStops(8);
    QVERIFY(WriteFareFile(dir.filePath(QStringLiteral("3.hy3")), stops));
    p.option.Text2(0)->setText(dir.path());
    p.option.txtSelectSound(7)->setText(QStringLiteral("/snd/step.wav"));
    p.option.Option2(0)->setValue(-1); // the step sound at every step
    p.option.Option6(0)->setValue(-1); // and played to its end
    frmCtl::Services s;
    int waits = 0;
    s.SndPlay = [&](const QString&, const QString&, qint16 sync, qint16) {
        if (sync) {
            ++waits;
            ltm4::Wait(120); // a real blocking wait: input stays queued
        }
    };
    p.ctl.setServices(s);
    showActive(p);
    {
        const auto previousWait = ltm4::SetWaitOverride([](int) {});
        keyRoute(p.ctl, QStringLiteral("3"));
        ltm4::SetWaitOverride(previousWait);
    }
    QCOMPARE(p.ctl.Route().DataCount, 8);

    // Three clicks and two keys while the first step's sound still plays.
    for (int i = 0; i < 3; ++i)
        queueClick(*p.ctl.Command2(1));
    queueKey(p.ctl, Qt::Key_Right);
    queueKey(p.ctl, Qt::Key_Left);
    QTRY_COMPARE_WITH_TIMEOUT(waits, 5, 5000);
    QTest::qWait(20);
    const int row = p.ctl.Route().CurIndex + 1;
    QCOMPARE(row, 4);
    QCOMPARE(p.board.ChimeiCtl()->Text(), stops[row - 1].StopName);
    QCOMPARE(p.board.Degit(2)->Value(), DegitValue(int(stops[row - 1].Fare[2])));
}

void TestPanel::panelStateRoundTrip()
{
    Windows p;
    p.ctl.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p.ctl));
    // A double-click on the frame in front sends it back.
    QTest::mouseDClick(p.ctl.Frame1(1), Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(p.ctl.Frame1(1)->isHidden());
    QVERIFY(!p.ctl.Frame1(0)->isHidden());
    p.ctl.move(150, 90);
    p.ctl.HScroll1(0)->setValue(40);
    p.ctl.HScroll1(1)->setValue(1200);
    p.ctl.Check2()->setValue(1);
    p.ctl.Check4()->setValue(1);
    CtrlDataInfo info;
    p.ctl.GetCtrlDataInfo(info);
    QCOMPARE(info.CtrlPanelMode, 1);
    QCOMPARE(info.CtrlLeft, 2250);
    QCOMPARE(info.CtrlTop, 1350);
    QCOMPARE(info.ScrollSpeed, 40);
    QCOMPARE(info.ScrollInterval, 1200);
    QCOMPARE(info.LateNight, 1);
    QCOMPARE(info.PreviewOpen, 1);

    Windows q;
    q.ctl.SetCtrlDataInfo(info);
    QCOMPARE(q.ctl.CtrlPanelMode(), 1);
    QVERIFY(!q.ctl.Frame1(0)->isHidden()); // the lists are in front
    QCOMPARE(q.ctl.pos(), QPoint(150, 90));
    QCOMPARE(q.ctl.HScroll1(0)->value(), 40);
    QCOMPARE(q.board.ChimeiCtl()->Speed(), 40); // change handlers ran
    QCOMPARE(q.board.ChimeiCtl()->ScrollStartWait(), 1200);
    QCOMPARE(q.ctl.Check2()->Value(), 1);
    QCOMPARE(q.ctl.width(), 600); // the preview pane opened
    info.CtrlPanelMode = 0;
    q.ctl.SetCtrlDataInfo(info);
    QVERIFY(!q.ctl.Frame1(1)->isHidden());
    q.ctl.Frame1_DblClick(2); // not a frame: nothing happens
    QCOMPARE(q.ctl.CtrlPanelMode(), 0);
}

void TestPanel::backlightPictures()
{
    Windows p;
    QTemporaryDir dir;
    QImage user(704, 249, QImage::Format_RGB32);
    user.fill(Qt::darkBlue);
    const QString userFile = dir.filePath(QStringLiteral("on1.png"));
    QVERIFY(user.save(userFile));
    const QString notPicture = dir.filePath(QStringLiteral("on2.bmp"));
    {
        QFile f(notPicture);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
    }
    p.option.Command5(1)->setBackColor(ltm4::Rgb(10, 200, 30));
    p.option.txtSelectPanel(1)->setText(userFile);
    p.option.Option3(2)->setValue(-1); // ON1 from a user file

    // Built-in pictures while panels are not set one by one.
    QImage on1(704, 249, QImage::Format_RGB32);
    on1.fill(Qt::darkGreen);
    p.board.setImgRes(1, on1);
    MessageRecorder ok(ltm4::vbOK);
    p.ctl.Option4(1)->click();
    QCOMPARE(p.board.Picture(), on1);
    QCOMPARE(p.board.lblSeiriNum(7)->palette().color(QPalette::WindowText), QColor(10, 200, 30));

    p.option.Option3(1)->setValue(-1); // 個別に設定する
    p.ctl.Option4(1)->click();
    QCOMPARE(p.board.Picture().pixelColor(5, 5), QColor(Qt::darkBlue));

    // A missing user file keeps the picture and still recolours the labels.
    p.option.txtSelectPanel(1)->setText(dir.filePath(QStringLiteral("gone.png")));
    p.option.Command5(1)->setBackColor(ltm4::Rgb(1, 2, 3));
    p.ctl.Option4(1)->click();
    QCOMPARE(p.board.Picture().pixelColor(5, 5), QColor(Qt::darkBlue));
    QCOMPARE(p.board.lblSeiriNum(50)->palette().color(QPalette::WindowText), QColor(1, 2, 3));
    QVERIFY(ok.shown.isEmpty());

    // A file that is not a picture: the error message, picture unchanged.
    p.option.Option3(5)->setValue(-1);
    p.option.txtSelectPanel(2)->setText(notPicture);
    p.ctl.Option4(2)->click();
    QCOMPARE(ok.shown.size(), 1);
    QCOMPARE(ok.shown[0].title, QStringLiteral("エラー"));
    QCOMPARE(ok.shown[0].style, int(ltm4::vbCritical));
    QVERIFY(ok.shown[0].text.contains(QStringLiteral("エラーコード：481")));
    QCOMPARE(p.board.Picture().pixelColor(5, 5), QColor(Qt::darkBlue));
    QCOMPARE(p.ctl.SelectedBacklight(), 2);
}

void TestPanel::builtInLitFaces_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("userOption"); // Option3 index of the state's "user panel"
    QTest::newRow("OFF") << 0 << 6;
    QTest::newRow("ON1") << 1 << 2;
    QTest::newRow("ON2") << 2 << 5;
}

void TestPanel::builtInLitFaces()
{
    QFETCH(int, state);
    QFETCH(int, userOption);
    Windows p;
    MessageRecorder ok(ltm4::vbOK);
    const quint32 colours[3] = {ltm4::Rgb(250, 250, 250), ltm4::Rgb(180, 255, 180),
                                ltm4::Rgb(120, 230, 255)};
    for (int i = 0; i < 3; ++i)
        p.option.Command5(i)->setBackColor(colours[i]);

    // Every state has its own built-in face.
    p.ctl.Option4(state)->click();
    QCOMPARE(p.board.Picture(), BoardFace::Draw(state));
    QCOMPARE(p.board.lblSeiriNum(1)->palette().color(QPalette::WindowText),
             ltm4::FromColorRef(colours[state]));

    // A user picture set for the state still wins over it.
    QTemporaryDir dir;
    QImage user(704, 249, QImage::Format_RGB32);
    user.fill(Qt::darkMagenta);
    const QString file = dir.filePath(QStringLiteral("user.png"));
    QVERIFY(user.save(file));
    p.option.Option3(1)->setValue(-1); // 個別に設定する
    p.option.Option3(userOption)->setValue(-1);
    p.option.txtSelectPanel(state)->setText(file);
    p.ctl.Option4((state + 1) % 3)->click();
    p.ctl.Option4(state)->click();
    QCOMPARE(p.board.Picture().pixelColor(100, 100), QColor(Qt::darkMagenta));
    QCOMPARE(p.board.lblSeiriNum(50)->palette().color(QPalette::WindowText),
             ltm4::FromColorRef(colours[state]));
    QVERIFY(ok.shown.isEmpty());
}

void TestPanel::pictureErrorTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");
    const QString head = QStringLiteral("エラーです。\r\n\r\nエラーコード：");
    QTest::newRow("481") << 481
                         << head + "481　指定した画像の内容が不正です。この部分では扱えません。";
    QTest::newRow("76") << 76
                        << head + "76　画像ファイルが見つからないか、指定している場所が不正です。";
    QTest::newRow("68") << 68 << head + "68　デバイスエラーもしくは準備が出来ていません。";
    QTest::newRow("28") << 28
                        << head + "28　内部的なエラーです。ホロテ交通へ報告してください。"
                                  "エラー場所：frmCtl.Option4_Click()";
    QTest::newRow("other") << 5 << head + "5";
}

void TestPanel::pictureErrorTexts()
{
    QFETCH(int, code);
    QFETCH(QString, expected);
    QCOMPARE(PanelPicture::ErrorText(code), expected);
}

void TestPanel::exitQuestion()
{
    Windows p;
    p.ctl.show();
    {
        MessageRecorder no(ltm4::vbNo);
        QVERIFY(!p.ctl.close());
        QCOMPARE(no.shown.size(), 1);
        QCOMPARE(no.shown[0].text, QStringLiteral("ルトミアを終了しますか？"));
        QCOMPARE(no.shown[0].title, QStringLiteral("ルトミアの終了確認"));
        QCOMPARE(no.shown[0].style, int(ltm4::vbYesNo + ltm4::vbQuestion));
        QVERIFY(p.calls.isEmpty());
        QVERIFY(p.ctl.isVisible());
        QVERIFY(!p.ctl.BtnRgn(0).isEmpty());
    }
    MessageRecorder yes(ltm4::vbYes);
    p.board.ChimeiCtl()->SetChimei(QStringLiteral("駅前"));
    QString nameAtSave = QStringLiteral("not saved");
    p.onSave = [&] { nameAtSave = p.board.ChimeiCtl()->Text(); };
    QVERIFY(p.ctl.close());
    QCOMPARE(nameAtSave, QString()); // the stop name was cleared first
    QCOMPARE(p.calls, (QStringList{"SndCloseAll", "TapeRelease", "SaveIni", "Quit"}));
    QVERIFY(p.ctl.BtnRgn(0).isEmpty());
}

void TestPanel::settingsDialogDisablesWindows()
{
    Windows p;
    bool bothDisabled = false;
    const auto previous = ltm4::SetModalHandler([&](QDialog& dlg) {
        bothDisabled = !p.board.isEnabled() && !p.ctl.isEnabled() && &dlg == &p.option;
        return int(QDialog::Accepted);
    });
    p.ctl.Command4()->click();
    ltm4::SetModalHandler(previous);
    QVERIFY(bothDisabled);
    QVERIFY(p.board.isEnabled());
    QVERIFY(p.ctl.isEnabled());
}

QTEST_MAIN(TestPanel)
#include "tst_panel.moc"
