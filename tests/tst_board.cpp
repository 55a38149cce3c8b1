// SPDX-License-Identifier: GPL-3.0-or-later
// The display board window: layout, start-up state, clock, drag, the digit
// dialog on a double-click, and the numbering of the ticket-number labels.
#include "board/BoardFace.h"
#include "board/BoardZoom.h"
#include "board/ChimeiCtl_A.h"
#include "board/mdl517_000.h"
#include "companion/FontMap.h"
#include "companion/ModalSeam.h"
#include "companion/SysClock.h"
#include "options/ColorButton.h"
#include "options/VbCheckBox.h"
#include "settings/SettingsRecord.h"
#include "tests/TestSupport.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <limits>

class TestBoard : public QObject {
    Q_OBJECT
private slots:
    void layoutMatchesTheGrid();
    void startUpState();
    void litFaces();
    void clockShowsHoursAndMinutes();
    void positionInTwips();
    void dragMovesTheWindow();
    void zoomIsPixelForPixel();
    void fullScreenFillsAScreen();
    void menuOffersViewAndCommands();
    void fitAndSteps();
    void doubleClickFormatsAllCells();
    void numbering_data();
    void numbering();
    void numberingFailureReported();
};

void TestBoard::layoutMatchesTheGrid()
{
    Form1 f;
    QCOMPARE(f.size(), QSize(704, 249));
    QVERIFY(f.windowFlags() & Qt::FramelessWindowHint);
    // Cell k sits at 10 x (row - 1) + column; twips / 15.
    QCOMPARE(f.Degit(1)->geometry(), QRect(121, 45, 52, 20));
    QCOMPARE(f.Degit(37)->pos(), QPoint(461, 164));
    const int columnLeft[10] = {121, 178, 235, 291, 348, 404, 461, 518, 574, 631};
    for (int c = 0; c < 10; ++c)
        QCOMPARE(f.Degit(21 + c)->pos(), QPoint(columnLeft[c], 126));
    QCOMPARE(f.Degit(50)->pos(), QPoint(631, 205));
    for (int k = 1; k <= 50; ++k) {
        // Each label over its cell, same column, 255 twips above it in every row.
        QCOMPARE(f.lblSeiriNum(k)->geometry(),
                 QRect(f.Degit(k)->x(), f.Degit(k)->y() - 17, 52, 16));
    }
    QCOMPARE(f.ChimeiCtl()->geometry(), QRect(32, 27, 37, 196));
    QCOMPARE(f.TimeDegit(0)->geometry(), QRect(363, 2, 26, 20));
    QCOMPARE(f.TimeDegit(1)->geometry(), QRect(390, 2, 26, 20));
    QVERIFY(f.TimeDegit(0)->isHidden());
    QVERIFY(f.Degit(0)->isHidden());
    QVERIFY(f.lblSeiriNum(0)->isHidden());
    QVERIFY(f.Timer1()->isActive());
    QCOMPARE(f.Timer1()->interval(), 1000);
    QCOMPARE(f.Degit(51), nullptr);
    QCOMPARE(f.TimeDegit(2), nullptr);
}

void TestBoard::startUpState()
{
    Windows b(false);
    // Somewhere else first, and another picture, so start-up visibly places
    // the board and shows the OFF face.
    b.board.move(90, 70);
    QImage other(704, 249, QImage::Format_RGB32);
    other.fill(Qt::red);
    b.board.setPicture(other);
    b.Load();
    QCOMPARE(b.board.pos(), QPoint(0, 0));
    for (int k = 1; k <= 50; ++k) {
        QVERIFY2(!anyLit(b.board.Degit(k)), qPrintable(QString::number(k)));
        QCOMPARE(b.board.lblSeiriNum(k)->text(), QString::number(k));
        QCOMPARE(b.board.lblSeiriNum(k)->palette().color(QPalette::WindowText), QColor(Qt::white));
    }
    QCOMPARE(b.option.Check1()->Value(), 1);
    QCOMPARE(b.option.Command5(0)->BackColor(), 0xFFFFFFu);
    QCOMPARE(b.option.Command5(1)->BackColor(), 0xC0FFC0u);
    QCOMPARE(b.option.Command5(2)->BackColor(), 0xC0FFC0u);
    QCOMPARE(b.board.Picture(), BoardFace::Draw(0));
}

namespace {

double luminance(QColor c)
{
    const auto channel = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double contrast(QColor a, QColor b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

void TestBoard::litFaces()
{
    const QImage faces[3] = {BoardFace::Draw(0), BoardFace::Draw(1), BoardFace::Draw(2)};
    const QRect strip = BoardFace::LabelRect(23);
    const QRect cell = BoardFace::CellRect(23);
    const QPoint panel(8, BoardFace::kHeight - 8);
    const QPoint aboveFirstRow(BoardFace::LabelRect(5).center().x(),
                               BoardFace::LabelRect(5).top() - 2);
    double previousPanel = -1, previousStrip = -1, previousGlow = -1;
    for (int i = 0; i < 3; ++i) {
        const QImage& f = faces[i];
        QCOMPARE(f.size(), QSize(BoardFace::kWidth, BoardFace::kHeight));
        // Each state lights the face more than the one before it: the panel,
        // the ticket-number film and the glow just outside the strip row.
        const double panelLight = luminance(f.pixelColor(panel));
        const double stripLight = luminance(f.pixelColor(strip.center()));
        const double glow = luminance(f.pixelColor(aboveFirstRow)) - panelLight;
        QVERIFY2(panelLight > previousPanel && stripLight > previousStrip && glow > previousGlow,
                 qPrintable(QString::number(i)));
        previousPanel = panelLight, previousStrip = stripLight, previousGlow = glow;
        // The digit strips under the cells do not change.
        QCOMPARE(f.pixelColor(cell.left() + 1, cell.top() + 1), QColor(128, 128, 128));
        // No frame of another shade around the panel: every edge pixel is the panel's.
        for (const QPoint& edge :
             {QPoint(0, 0), QPoint(BoardFace::kWidth - 1, 120), QPoint(350, BoardFace::kHeight - 1),
              QPoint(BoardFace::kWidth - 1, BoardFace::kHeight - 1)})
            QCOMPARE(f.pixelColor(edge), f.pixelColor(panel));
    }
    QCOMPARE(luminance(faces[0].pixelColor(aboveFirstRow)),
             luminance(faces[0].pixelColor(panel))); // no glow while off
    // The default label colours stay readable on their state's film.
    const QColor labels[3] = {Qt::white, QColor(192, 255, 192), QColor(192, 255, 192)};
    for (int i = 0; i < 3; ++i)
        QVERIFY(contrast(labels[i], faces[i].pixelColor(strip.center())) >= 4.5);
}

void TestBoard::clockShowsHoursAndMinutes()
{
    Form1 f;
    QDateTime at(QDate(2026, 12, 6), QTime(9, 5, 30));
    const auto previous = ltm4::SetNowOverride([&at] { return at; });
    f.Timer1_Timer();
    QCOMPARE(shown(f.TimeDegit(0)), QStringLiteral("9")); // one unlit cell, then 9
    QVERIFY(!anyLitIn(f.TimeDegit(0), 0));
    QVERIFY(anyLitIn(f.TimeDegit(0), 1));
    QCOMPARE(shown(f.TimeDegit(1)), QStringLiteral("5"));
    at = QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0));
    f.Timer1_Timer();
    QCOMPARE(shown(f.TimeDegit(0)), QStringLiteral("10"));
    QCOMPARE(shown(f.TimeDegit(1)), QString()); // zero minutes show blank cells
    QVERIFY(!anyLit(f.TimeDegit(1)));
    QVERIFY(anyLit(f.TimeDegit(0)));
    ltm4::SetNowOverride(previous);
}

void TestBoard::positionInTwips()
{
    Form1 f;
    f.move(100, 50);
    FormInfo info;
    f.GetFormInfo(info);
    QCOMPARE(info.BoardLeft, 1500);
    QCOMPARE(info.BoardTop, 750);
    f.SetFormInfo(FormInfo{3000, 4500});
    QCOMPARE(f.pos(), QPoint(200, 300));
    f.SetFormInfo(FormInfo{3008, -3008}); // to the nearest pixel either way
    QCOMPARE(f.pos(), QPoint(201, -201));
    // Far beyond the 32-bit twips range: kept at its ends, never wrapped.
    f.move(200'000'000, -200'000'000);
    f.GetFormInfo(info);
    QCOMPARE(info.BoardLeft, std::numeric_limits<qint32>::max());
    QCOMPARE(info.BoardTop, std::numeric_limits<qint32>::min());
}

void TestBoard::dragMovesTheWindow()
{
    Windows b;
    b.board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b.board));
    const QPoint start = b.board.pos();
    // A press on a cell, a ticket number or the stop-name display is not a grab of the board.
    for (QWidget* w : std::initializer_list<QWidget*>{b.board.Degit(1), b.board.lblSeiriNum(4),
                                                      b.board.ChimeiCtl()}) {
        QTest::mousePress(w, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseMove(&b.board, QPoint(60, 60));
        QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(3, 3));
    }
    QCOMPARE(b.board.pos(), start);
    // Nor the second press of a double-click on a ticket number.
    QTest::mouseDClick(b.board.lblSeiriNum(4), Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseMove(&b.board, QPoint(90, 90));
    QCOMPARE(b.board.pos(), start);
    // A press on the face is: the board follows the mouse until release.
    QTest::mousePress(&b.board, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&b.board, QPoint(50, 30));
    QCOMPARE(b.board.pos(), start + QPoint(40, 20));
    QTest::mouseRelease(&b.board, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&b.board, QPoint(30, 30));
    QCOMPARE(b.board.pos(), start + QPoint(40, 20));
    QCOMPARE(b.board.size(), QSize(704, 249));
    // Other buttons do nothing.
    QTest::mousePress(&b.board, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseMove(&b.board, QPoint(90, 90));
    QCOMPARE(b.board.pos(), start + QPoint(40, 20));
}

void TestBoard::zoomIsPixelForPixel()
{
    Windows b;
    QTemporaryDir config;
    b.board.setViewSettingsFile(config.filePath(QStringLiteral("board.ini")));
    for (int k = 1; k <= 50; ++k)
        b.board.Degit(k)->setValue(k * 37);
    b.board.ChimeiCtl()->SetChimei(QStringLiteral("市役所前"));
    b.board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b.board));
    const QImage one = b.board.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(one.size(), QSize(704, 249));

    // Whole steps: exactly the 1x board with every pixel repeated.
    for (const qreal z : {2.0, 3.0}) {
        b.board.setZoom(z);
        QCOMPARE(b.board.size(), QSize(704, 249) * z);
        const QImage zoomed = b.board.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(zoomed, one.scaled(one.size() * z, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    // 1.5: no colour that the 1x board does not have, so nothing is blurred.
    b.board.setZoom(1.5);
    QCOMPARE(b.board.size(), QSize(1056, 374));
    QSet<QRgb> colours;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x)
            colours.insert(one.pixel(x, y));
    const QImage half = b.board.grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < half.height(); ++y)
        for (int x = 0; x < half.width(); ++x)
            if (!colours.contains(half.pixel(x, y)))
                QFAIL(qPrintable(QStringLiteral("new colour at %1, %2").arg(x).arg(y)));

    // A change while zoomed reaches the screen; only what changed is drawn
    // again, and the board is still the 1x board with every pixel repeated.
    b.board.setZoom(2.0);
    QCoreApplication::processEvents();
    b.board.Degit(37)->setValue(8888);
    b.board.ChimeiCtl()->SetChimei(QStringLiteral("本町"));
    QTest::qWait(50);
    const QImage onScreen = b.board.screen()
                                ->grabWindow(b.board.winId())
                                .toImage()
                                .convertToFormat(QImage::Format_RGB32);
    b.board.setZoom(1.0);
    const QImage changed = b.board.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(changed != one);
    QCOMPARE(onScreen,
             changed.scaled(changed.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    b.board.setZoom(2.0);

    // Zoomed, a drawn cell still takes its double-click, and a press on it is
    // no grab of the board; a press on the face is.
    int dialogs = 0;
    const auto previous = ltm4::SetModalHandler([&](QDialog&) {
        ++dialogs;
        return int(QDialog::Rejected);
    });
    const QPoint onCell = BoardFace::CellRect(37).center() * 2;
    QTest::mouseDClick(&b.board, Qt::LeftButton, {}, onCell);
    ltm4::SetModalHandler(previous);
    QCOMPARE(dialogs, 1);
    const QPoint start = b.board.pos();
    QTest::mousePress(&b.board, Qt::LeftButton, {}, onCell);
    QTest::mouseMove(&b.board, onCell + QPoint(30, 30));
    QTest::mouseRelease(&b.board, Qt::LeftButton, {}, onCell);
    QCOMPARE(b.board.pos(), start);
    QTest::mousePress(&b.board, Qt::LeftButton, {}, QPoint(6, 6));
    QTest::mouseMove(&b.board, QPoint(26, 16));
    QTest::mouseRelease(&b.board, Qt::LeftButton, {}, QPoint(26, 16));
    QCOMPARE(b.board.pos(), start + QPoint(20, 10));

    // The zoom is remembered in its own file, a damaged value brought to a step.
    Windows again;
    again.board.setViewSettingsFile(config.filePath(QStringLiteral("board.ini")));
    again.board.RestoreView();
    QCOMPARE(again.board.Zoom(), 2.0);
    QSettings(config.filePath(QStringLiteral("board.ini")), QSettings::IniFormat)
        .setValue(QStringLiteral("board/zoom"), 2.9);
    again.board.RestoreView();
    QCOMPARE(again.board.Zoom(), 3.0);
}

void TestBoard::fullScreenFillsAScreen()
{
    Windows b;
    QTemporaryDir config;
    b.board.setViewSettingsFile(config.filePath(QStringLiteral("board.ini")));
    b.board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b.board));
    b.board.setZoom(2.0);
    b.board.move(40, 30);
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen->geometry();
    b.board.EnterFullScreen(screen);
    QVERIFY(b.board.IsFullScreen());
    QCOMPARE(b.board.geometry(), area);
    // As large as fits, centred.
    const BoardZoom::Fit fit = BoardZoom::FitInto(area.size(), QSize(704, 249));
    QCOMPARE(b.board.Zoom(), fit.zoom);
    QCOMPARE(b.board.StageOrigin(), fit.origin);
    const QImage full = b.board.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The margins take the panel's shade: no frame shows around the board.
    QCOMPARE(full.pixel(area.width() / 2, fit.origin.y() / 2), BoardFace::Draw(0).pixel(8, 8));
    QCOMPARE(full.pixel(fit.origin.x() / 2, area.height() / 2), BoardFace::Draw(0).pixel(8, 8));
    // Its place in the settings stays the window's own.
    FormInfo info;
    b.board.GetFormInfo(info);
    QCOMPARE(QPoint(info.BoardLeft, info.BoardTop), QPoint(40, 30) * 15);
    // Esc goes back to the window, its zoom and its place.
    QTest::keyClick(&b.board, Qt::Key_Escape);
    QVERIFY(!b.board.IsFullScreen());
    QCOMPARE(b.board.Zoom(), 2.0);
    QCOMPARE(b.board.size(), QSize(1408, 498));
    QCOMPARE(b.board.pos(), QPoint(40, 30));
}

void TestBoard::menuOffersViewAndCommands()
{
    Windows b;
    QTemporaryDir config;
    b.board.setViewSettingsFile(config.filePath(QStringLiteral("board.ini")));
    int edited = 0;
    b.board.addMenuCommand(QStringLiteral("路線エディター…"), [&] { ++edited; });
    b.board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b.board));
    const auto openMenu = [&b] {
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(10, 10),
                            b.board.mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(&b.board, &e);
        return b.board.findChild<QMenu*>(QStringLiteral("BoardMenu"));
    };
    QMenu* menu = openMenu();
    QVERIFY(menu);
    QStringList captions;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            captions << a->text();
    QCOMPARE(captions,
             (QStringList{"表示倍率 1 倍", "表示倍率 1.5 倍", "表示倍率 2 倍", "表示倍率 3 倍",
                          "表示倍率 4 倍", "全画面表示", "路線エディター…"}));
    menu->actions().constLast()->trigger();
    QCOMPARE(edited, 1);
    menu->close();
    // In full screen the command is there too.
    b.board.EnterFullScreen(QGuiApplication::primaryScreen());
    QTRY_VERIFY(!b.board.findChild<QMenu*>(QStringLiteral("BoardMenu")));
    menu = openMenu();
    QVERIFY(menu);
    QCOMPARE(menu->actions().constLast()->text(), QStringLiteral("路線エディター…"));
    menu->close();
    b.board.LeaveFullScreen();
}

void TestBoard::fitAndSteps()
{
    using BoardZoom::FitInto;
    // Wide screens fit the height, tall ones the width; centred either way.
    BoardZoom::Fit f = FitInto(QSize(1920, 1080), QSize(704, 249));
    QCOMPARE(f.zoom, 1920.0 / 704);
    QCOMPARE(f.origin, QPoint(0, (1080 - 679) / 2));
    f = FitInto(QSize(1408, 300), QSize(704, 249));
    QCOMPARE(f.zoom, 300.0 / 249);
    QCOMPARE(f.origin, QPoint((1408 - 848) / 2, 0));
    QCOMPARE(FitInto(QSize(), QSize(704, 249)).zoom, 1.0);
    QCOMPARE(BoardZoom::NearestStep(0.2), 1.0);
    QCOMPARE(BoardZoom::NearestStep(1.6), 1.5);
    QCOMPARE(BoardZoom::NearestStep(100), 4.0);
    QCOMPARE(BoardZoom::NearestStep(std::nan("")), 1.0);
}

void TestBoard::doubleClickFormatsAllCells()
{
    Windows b;
    for (int k = 1; k <= 50; ++k)
        b.board.Degit(k)->setValue(k * 10);
    int dialogs = 0;
    bool panelDisabledDuringDialog = false;
    const auto previous = ltm4::SetModalHandler([&](QDialog& dlg) {
        ++dialogs;
        panelDisabledDuringDialog = !b.ctl.isEnabled();
        dlg.findChild<QComboBox*>(QStringLiteral("cboZeroMode"))->setCurrentIndex(1);
        dlg.findChild<QSpinBox*>(QStringLiteral("spnShift"))->setValue(1);
        dlg.findChild<QSpinBox*>(QStringLiteral("spnFillZero"))->setValue(3);
        return int(QDialog::Accepted);
    });
    QTest::mouseDClick(b.board.Degit(37), Qt::LeftButton);
    QCOMPARE(dialogs, 1);
    QVERIFY(panelDisabledDuringDialog);
    QVERIFY(b.ctl.isEnabled());
    for (int k = 1; k <= 50; ++k) {
        // Every cell shows its same value filled to three digits and moved
        // one cell left, so the rightmost cell, lit before, is dark.
        M_Degit* d = b.board.Degit(k);
        QCOMPARE(d->ZeroMode(), 1);
        QCOMPARE(shown(d), QString::number(k * 10).rightJustified(3, u'0') + u' ');
        QVERIFY(d->Value() == DegitValue(k * 10));
        QVERIFY(!anyLitIn(d, 3));
    }

    // A cell the user may not set, and the clock cells, open no dialog.
    b.board.Degit(12)->setUserSet(false);
    QTest::mouseDClick(b.board.Degit(12), Qt::LeftButton);
    QTest::mouseDClick(b.board.TimeDegit(0), Qt::LeftButton);
    ltm4::SetModalHandler(previous);
    QCOMPARE(dialogs, 1);
}

void TestBoard::numbering_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("zero");
    QTest::addColumn<QStringList>("captions"); // labels 1, 2, 10 and 50
    QTest::addColumn<bool>("wordFace");
    using L = QStringList;
    QTest::newRow("0") << 0 << 0 << L{"1", "2", "10", "50"} << false;
    QTest::newRow("0 padded") << 0 << 1 << L{"01", "02", "10", "50"} << false;
    QTest::newRow("1") << 1 << 0 << L{"0", "1", "9", "49"} << false;
    QTest::newRow("1 padded") << 1 << 1 << L{"00", "01", "09", "49"} << false;
    // The words carry an ordinary space, or none.
    QTest::newRow("2") << 2 << 0 << L{"な し", "1", "9", "49"} << true;
    QTest::newRow("3") << 3 << 0 << L{"な し", "2", "10", "50"} << true;
    QTest::newRow("4 padded") << 4 << 1 << L{"無 券", "01", "09", "49"} << true;
    QTest::newRow("5") << 5 << 0 << L{"無 券", "2", "10", "50"} << true;
    QTest::newRow("6") << 6 << 0 << L{"券なし", "1", "9", "49"} << true;
    QTest::newRow("7 padded") << 7 << 1 << L{"券なし", "02", "10", "50"} << true;
    QTest::newRow("8") << 8 << 0 << L{"券無し", "1", "9", "49"} << true;
    QTest::newRow("9") << 9 << 0 << L{"券無し", "2", "10", "50"} << true;
    QTest::newRow("10") << 10 << 0 << L{"", "1", "9", "49"} << true;
    QTest::newRow("11 padded") << 11 << 1 << L{"", "02", "10", "50"} << true;
    // Outside the list: the word face with no word, the numbers untouched.
    QTest::newRow("12") << 12 << 0 << L{"", "2", "10", "50"} << true;
}

void TestBoard::numbering()
{
    QFETCH(int, style);
    QFETCH(int, zero);
    QFETCH(QStringList, captions);
    QFETCH(bool, wordFace);
    Windows b;
    b.board.lblSeiriNum(0)->setText(QStringLiteral("spare"));
    mdl517_000::SeirikenNumSet(b.board, qint16(style), qint16(zero));
    QCOMPARE((QStringList{b.board.lblSeiriNum(1)->text(), b.board.lblSeiriNum(2)->text(),
                          b.board.lblSeiriNum(10)->text(), b.board.lblSeiriNum(50)->text()}),
             captions);
    const QString face = wordFace ? QStringLiteral("ＭＳ Ｐゴシック") : QStringLiteral("M_NumC1");
    QCOMPARE(b.board.lblSeiriNum(1)->font().family(), FontMap::ResolveFamily(face));
    QVERIFY(b.board.lblSeiriNum(1)->font().bold());
    QCOMPARE(b.board.lblSeiriNum(0)->text(), QStringLiteral("spare"));
    // Back from a word to the number face.
    mdl517_000::SeirikenNumSet(b.board, 0, 0);
    QCOMPARE(b.board.lblSeiriNum(1)->font().family(),
             FontMap::ResolveFamily(QStringLiteral("M_NumC1")));
}

void TestBoard::numberingFailureReported()
{
    Windows b;
    MessageRecorder messages;
    // A set that lacks its last label.
    const auto labels = [&b](int k) { return k == 50 ? nullptr : b.board.lblSeiriNum(k); };
    mdl517_000::SeirikenNumSet(labels, &b.board, 1, 1);
    const QList<ltm4::MsgBoxCall>& shownBoxes = messages.shown;

    QCOMPARE(shownBoxes.size(), 1);
    QCOMPARE(shownBoxes[0].title, QStringLiteral("エラー！"));
    QCOMPARE(shownBoxes[0].style, int(ltm4::vbCritical));
    QCOMPARE(shownBoxes[0].text,
             QStringLiteral("エラーです！\r\n\r\nコード：9\r\n\r\n内容：インデックスが有効範囲に"
                            "ありません。\r\n\r\nモジュール：IniIO-SeirikenNumSet( )"));
    // Labels numbered before the failure keep their new captions.
    QCOMPARE(b.board.lblSeiriNum(1)->text(), QStringLiteral("00"));
    QCOMPARE(b.board.lblSeiriNum(49)->text(), QStringLiteral("48"));
    QCOMPARE(b.board.lblSeiriNum(50)->text(), QStringLiteral("50"));
}

QTEST_MAIN(TestBoard)
#include "tst_board.moc"
