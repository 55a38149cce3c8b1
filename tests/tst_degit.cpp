// SPDX-License-Identifier: GPL-3.0-or-later
// Digit cells: formatting rules, setter bounds, drawing and persistence.
#include "board/DegitFormat.h"
#include "board/M_Degit.h"
#include "board/PropertyBag.h"
#include "companion/ColorRef.h"
#include "companion/ModalSeam.h"

#include <QDialog>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

namespace {

constexpr int kCell = 13; // pixels per cell of size class 0

// Whether each cell of the drawn face has a pixel of exactly the lit colour.
QList<bool> litCells(const M_Degit& d)
{
    const QImage img = d.Picture().convertToFormat(QImage::Format_RGB32);
    const QRgb lit = ltm4::FromColorRef(d.DegitForeColor()).rgb();
    const int cell = img.width() / d.Keta();
    QList<bool> out(d.Keta(), false);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == lit)
                out[x / cell] = true;
    return out;
}

} // namespace

class TestDegit : public QObject {
    Q_OBJECT
private slots:
    void displayText_data();
    void displayText();
    void setterBounds();
    void sizeFollowsKetaAndSizeClass();
    void formattingAloneDoesNotRedraw();
    void litCellsFollowValue();
    void lampTestLightsEverySegment();
    void resetDegitRestoresFormatting();
    void settersReportTheirKey();
    void persistenceRoundTrip();
    void settingsDialogTakesValuesQuietly();
};

void TestDegit::displayText_data()
{
    QTest::addColumn<DegitValue>("value");
    QTest::addColumn<int>("zeroMode");
    QTest::addColumn<int>("fillZero");
    QTest::addColumn<int>("shift");
    QTest::addColumn<int>("keta");
    QTest::addColumn<QString>("expected");

    // The worked examples of the board's cells.
    QTest::newRow("230") << DegitValue(230) << 0 << 0 << 0 << 4 << "230";
    QTest::newRow("230 shifted") << DegitValue(230) << 0 << 0 << 1 << 4 << "230 ";
    QTest::newRow("5 filled to 3") << DegitValue(5) << 0 << 3 << 0 << 4 << "005";
    QTest::newRow("0 blank") << DegitValue(0) << 0 << 0 << 0 << 4 << "";
    QTest::newRow("0 shown") << DegitValue(0) << 1 << 0 << 0 << 4 << "0";
    QTest::newRow("overflow cut left") << DegitValue(12345) << 0 << 0 << 0 << 4 << "2345";
    QTest::newRow("shift pushes out") << DegitValue(12345) << 0 << 0 << 2 << 4 << "45  ";
    // Zero modes: a text is never a number.
    QTest::newRow("m0 empty") << DegitValue(u"") << 0 << 0 << 0 << 4 << "";
    QTest::newRow("m0 text 0") << DegitValue(u"0") << 0 << 0 << 0 << 4 << "0";
    QTest::newRow("m1 empty") << DegitValue(u"") << 1 << 0 << 0 << 4 << "0";
    QTest::newRow("m2 -1") << DegitValue(-1) << 2 << 0 << 0 << 4 << "0";
    QTest::newRow("m2 0") << DegitValue(0) << 2 << 0 << 0 << 4 << "";
    QTest::newRow("m2 empty stays") << DegitValue(u"") << 2 << 0 << 0 << 4 << "";
    QTest::newRow("m3 -1") << DegitValue(-1) << 3 << 0 << 0 << 4 << "0";
    QTest::newRow("m3 empty") << DegitValue(u"") << 3 << 0 << 0 << 4 << "0";
    QTest::newRow("m0 -1 shown") << DegitValue(-1) << 0 << 0 << 0 << 4 << "-1";
    QTest::newRow("negative mode matches none") << DegitValue(0) << -1 << 0 << 0 << 4 << "0";
    // Zero filling of numbers and numeric texts only.
    QTest::newRow("numeric text filled") << DegitValue(u"12") << 0 << 4 << 0 << 4 << "0012";
    QTest::newRow("route text kept") << DegitValue(u"00012") << 0 << 0 << 0 << 5 << "00012";
    QTest::newRow("blank text not numeric") << DegitValue(u" ") << 0 << 4 << 0 << 4 << " ";
    QTest::newRow("word not filled") << DegitValue(u"ab") << 0 << 3 << 0 << 4 << "ab";
    QTest::newRow("negative filled") << DegitValue(-5) << 0 << 3 << 0 << 4 << "-005";
    QTest::newRow("fraction rounded") << DegitValue(2.5) << 0 << 2 << 0 << 4 << "03";
    QTest::newRow("fraction shown") << DegitValue(2.5) << 0 << 0 << 0 << 4 << "2.5";
    QTest::newRow("negative fill pads nothing") << DegitValue(7) << 0 << -3 << 0 << 4 << "7";
    QTest::newRow("no cells") << DegitValue(7) << 0 << 0 << 0 << 0 << "";
}

void TestDegit::displayText()
{
    QFETCH(DegitValue, value);
    QFETCH(int, zeroMode);
    QFETCH(int, fillZero);
    QFETCH(int, shift);
    QFETCH(int, keta);
    QFETCH(QString, expected);
    QCOMPARE(DegitFormat::DisplayText(value, qint16(zeroMode), qint16(fillZero), qint16(shift),
                                      qint16(keta)),
             expected);
}

void TestDegit::setterBounds()
{
    M_Degit d;
    d.setFillZero(6);
    QCOMPARE(d.FillZero(), 4);
    d.setFillZero(-2); // no lower bound
    QCOMPARE(d.FillZero(), -2);
    d.setShift(9);
    QCOMPARE(d.Shift(), 3);
    d.setShift(-2);
    QCOMPARE(d.Shift(), 0);
    d.setZeroMode(5);
    QCOMPARE(d.ZeroMode(), 0);
    d.setZeroMode(4);
    QCOMPARE(d.ZeroMode(), 0);
    d.setZeroMode(-3);
    QCOMPARE(d.ZeroMode(), -3);
    d.setZeroMode(3);
    QCOMPARE(d.ZeroMode(), 3);
    d.setKeta(0);
    QCOMPARE(d.Keta(), 4);
    d.setKeta(16);
    QCOMPARE(d.Keta(), 4);
    d.setKeta(15);
    QCOMPARE(d.Keta(), 15);
    d.setKeta(2);
    d.setShift(5); // bounded by the current cell count
    QCOMPARE(d.Shift(), 1);
    d.setDegitSize(7);
    QCOMPARE(d.DegitSize(), 0);
    d.setDegitSize(-1);
    QCOMPARE(d.DegitSize(), 0);
}

void TestDegit::sizeFollowsKetaAndSizeClass()
{
    M_Degit d;
    QCOMPARE(d.size(), QSize(52, 20)); // 780 x 300 twips
    d.setKeta(16);
    QCOMPARE(d.size(), QSize(4 * kCell, 20));
    d.setDegitSize(1);
    d.setKeta(3);
    QCOMPARE(d.size(), QSize(3 * 17, 26));
    d.setDegitSize(2);
    QCOMPARE(d.size(), QSize(3 * 19, 29));
    d.setDegitSize(3);
    QCOMPARE(d.size(), QSize(3 * 11, 15));
    QCOMPARE(d.Picture().size(), d.size() * d.devicePixelRatioF());
}

void TestDegit::formattingAloneDoesNotRedraw()
{
    M_Degit d;
    d.setValue(5);
    const QImage before = d.Picture();
    d.setFillZero(3);
    d.setShift(1);
    d.setZeroMode(1);
    QCOMPARE(d.Picture(), before);
    d.setValue(5); // the next redraw shows "005" moved one cell left
    QVERIFY(d.Picture() != before);
    QCOMPARE(litCells(d), (QList<bool>{true, true, true, false}));
}

void TestDegit::litCellsFollowValue()
{
    // Right-aligned, and a blank inside a text stays dark.
    M_Degit d;
    d.setValue(230);
    QCOMPARE(litCells(d), (QList<bool>{false, true, true, true}));
    d.setValue(DegitValue(u"1 1"));
    QCOMPARE(litCells(d), (QList<bool>{false, true, false, true}));
}

void TestDegit::lampTestLightsEverySegment()
{
    M_Degit d;
    d.setKeta(3);
    d.ResetDegit(0);
    const QImage blank = d.Picture().convertToFormat(QImage::Format_RGB32);
    d.ResetDegit(-1);
    const QImage lamp = d.Picture().convertToFormat(QImage::Format_RGB32);

    // Wherever an unlit segment shows, the lamp test shows a lit one.
    const QRgb unlit = ltm4::FromColorRef(d.BaseForeColor()).rgb();
    const QRgb lit = ltm4::FromColorRef(d.DegitForeColor()).rgb();
    int segments = 0;
    for (int y = 0; y < blank.height(); ++y) {
        for (int x = 0; x < blank.width(); ++x) {
            if (blank.pixel(x, y) == unlit) {
                ++segments;
                // Edge pixels may differ by a rounding step of the blending.
                const QRgb got = lamp.pixel(x, y);
                QVERIFY2(qAbs(qRed(got) - qRed(lit)) <= 2 && qAbs(qGreen(got) - qGreen(lit)) <= 2 &&
                             qAbs(qBlue(got) - qBlue(lit)) <= 2,
                         qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
        }
    }
    QVERIFY(segments > 30);
}

void TestDegit::resetDegitRestoresFormatting()
{
    for (qint16 mode : {qint16(-1), qint16(0), qint16(1)}) {
        M_Degit d;
        d.setShift(2);
        d.setZeroMode(3);
        d.setFillZero(3);
        d.ResetDegit(mode);
        QCOMPARE(d.Shift(), 2);
        QCOMPARE(d.ZeroMode(), 3);
        QCOMPARE(d.FillZero(), 3);
        // Only -1 is the lamp test; every other mode blanks.
        const QList<bool> expected(4, mode == -1);
        QCOMPARE(litCells(d), expected);
    }
}

void TestDegit::settersReportTheirKey()
{
    M_Degit d;
    QSignalSpy spy(&d, &M_Degit::PropertyChanged);
    d.setKeta(3);
    d.setValue(1);
    d.setUserSet(false);
    d.setBackColor(0x102030);
    QStringList keys;
    for (const QList<QVariant>& signal : spy)
        keys << signal.at(0).toString();
    QCOMPARE(keys, (QStringList{"Keta", "Value", "UserSet", "BackColor"}));
}

void TestDegit::persistenceRoundTrip()
{
    M_Degit fresh;
    PropertyBag defaults;
    fresh.WriteProperties(defaults);
    QVERIFY(defaults.Keys().isEmpty());

    M_Degit d;
    d.setBaseForeColor(0x010203);
    d.setKeta(6);
    d.setFillZero(5);
    d.setZeroMode(2);
    d.setShift(1);
    d.setDegitStyle(1);
    d.setValue(DegitValue(u"0"));
    d.setUserSet(false);
    d.setBackColor(0x404040);
    PropertyBag bag;
    d.WriteProperties(bag);
    // Only what differs from the defaults, in the controls' own order; the
    // text "0" is not the default number 0.
    QCOMPARE(bag.Keys(), (QStringList{"BaseForeColor", "FillZero", "ZeroMode", "Shift", "Keta",
                                      "DegitStyle", "Value", "UserSet", "BackColor"}));

    // Each key read into its own property, a missing one as its default: the
    // control read back writes the same bag again.
    M_Degit back;
    back.ReadProperties(bag);
    PropertyBag again;
    back.WriteProperties(again);
    QCOMPARE(again.Keys(), bag.Keys());
    for (const QString& key : bag.Keys())
        QVERIFY2(PropertyBag::SameValue(again.ReadProperty(key, {}), bag.ReadProperty(key, {})),
                 qPrintable(key));
    QCOMPARE(back.width(), 6 * kCell);
}

void TestDegit::settingsDialogTakesValuesQuietly()
{
    M_Degit d;
    d.setValue(5);
    QSignalSpy changed(&d, &M_Degit::PropertyChanged);
    const auto previous = ltm4::SetModalHandler([](QDialog& dlg) {
        dlg.findChild<QSpinBox*>(QStringLiteral("spnShift"))->setValue(1);
        dlg.findChild<QSpinBox*>(QStringLiteral("spnFillZero"))->setValue(2);
        return int(QDialog::Accepted);
    });
    QCOMPARE(d.ShowSetDlg(), 1);
    ltm4::SetModalHandler(previous);
    // Taken over without a property-changed report, and drawn at once.
    QCOMPARE(changed.size(), 0);
    QCOMPARE(d.Shift(), 1);
    QCOMPARE(d.FillZero(), 2);
    QCOMPARE(litCells(d), (QList<bool>{false, true, true, false}));
}

QTEST_MAIN(TestDegit)
#include "tst_degit.moc"
