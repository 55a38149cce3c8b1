// SPDX-License-Identifier: GPL-3.0-or-later
// Stop-name display: layout rules, glyph dots, the control's drawing,
// persistence and the timer-driven scroll (with a clock the tests move).

#include "board/ChimeiCtl_A.h"
#include "board/ChimeiGlyph.h"
#include "board/ChimeiLayout.h"
#include "board/PropertyBag.h"
#include "companion/ColorRef.h"
#include "companion/LTM4Res.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;
using chimei::DotGrid;

namespace {

const QString kGothic = u"Unifont-JP"_s;
const QString kMincho = u"IPAMincho"_s;
const QString kFour = u"バス停前"_s;
const QString kSeven = u"市役所前駅東口"_s;
const QString kTen = u"県立総合運動公園北口"_s;

QByteArray cp(const QString& s)
{
    return ltm4::ToCp932(s);
}

// A glyph as the installed face prints it, drawn here with a plain QFont rather
// than through the display's own font and scratch code.
DotGrid printedDots(const QString& family, const QString& text, QPoint pos = {})
{
    QFont f(family);
    f.setPixelSize(16);
    f.setStyleStrategy(QFont::NoAntialias);
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setFont(f);
    p.drawText(pos.x(), pos.y() + QFontMetrics(f).ascent(), text);
    p.end();
    DotGrid g;
    for (int row = 0; row < 16; ++row)
        for (int col = 0; col < 16; ++col)
            if (img.pixel(col, row) == qRgb(0, 0, 0))
                g.set(col, row);
    return g;
}

// The 16 x 16 cell of the strip whose top-left dot is at (2, top).
DotGrid cellDots(const ChimeiCtl_A& c, int top)
{
    DotGrid g;
    for (int row = 0; row < 16; ++row)
        for (int col = 0; col < 16; ++col)
            if (c.dotAt(2 + 2 * col, top + 2 * row))
                g.set(col, row);
    return g;
}

QRect dotBounds(const ChimeiCtl_A& c, int* count = nullptr)
{
    QRect r;
    int n = 0;
    for (int y = 0; y < c.stripHeight(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (c.dotAt(x, y)) {
                r |= QRect(x, y, 1, 1);
                ++n;
            }
    if (count)
        *count = n;
    return r;
}

DotGrid glyphOf(const QString& ch, qint16 fontMode = 0, bool bold = false)
{
    return chimei::MakeGlyph(cp(ch), fontMode, bold).dots;
}

struct FakeClock {
    qint64 ms = 1000;
};

// The control at the size the board gives it, on the test's clock when one is given.
std::unique_ptr<ChimeiCtl_A> boardControl(FakeClock* clock = nullptr)
{
    auto c = std::make_unique<ChimeiCtl_A>();
    c->resize(37, 196);
    if (clock)
        c->setClock([clock] { return clock->ms; });
    return c;
}

// Moves the clock on in frame-sized ticks, letting the control step each time.
void runFor(ChimeiCtl_A& c, FakeClock& clock, qint64 ms, qint64 frame = 16)
{
    const qint64 end = clock.ms + ms;
    while (clock.ms < end) {
        clock.ms = qMin(end, clock.ms + frame);
        c.advanceScroll();
    }
}

} // namespace

class TestChimei final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void unitCutting_data();
    void unitCutting();
    void faceByCode_data();
    void faceByCode();
    void treatments_data();
    void treatments();
    void boldThickens_data();
    void boldThickens();

    void cellTops_data();
    void cellTops();
    void stripDotsMatchGlyphs_data();
    void stripDotsMatchGlyphs();
    void verticalForms();
    void fontModeChoosesFace_data();
    void fontModeChoosesFace();
    void coloursAndBorder();
    void persistence();

    void scrollPosition_data();
    void scrollPosition();
    void wrapsAfterViewport_data();
    void wrapsAfterViewport();
    void newAndEmptyNamesDuringScroll();
    void speedChanges();
    void longestFrame_data();
    void longestFrame();
    void hundredLongNames();
    void realTimerScrollsAndDiesWithControl();
};

void TestChimei::initTestCase()
{
    const QStringList fams = QFontDatabase::families();
    // The dots come from these two faces; without them every glyph test is void.
    QVERIFY2(fams.contains(kGothic) && fams.contains(kMincho),
             "Unifont-JP and IPAMincho must be installed (scripts/setup.sh)");
}

// --- pure rules ---------------------------------------------------------------

void TestChimei::unitCutting_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<QByteArray>>("units");
    QTest::addColumn<QList<int>>("tops");
    QTest::newRow("two half-width share a unit")
        << u"ab"_s << QList<QByteArray>{"ab"} << QList<int>{80};
    // Cut by character: an odd half-width run ends in a unit of its own and
    // the double-byte characters after it stay whole.
    QTest::newRow("odd run before kana")
        << u"aバス"_s << QList<QByteArray>{"a", cp(u"バ"_s), cp(u"ス"_s)}
        << QList<int>{16, 80, 144};
    QTest::newRow("299番") << u"299番"_s << QList<QByteArray>{"29", "9", cp(u"番"_s)}
                           << QList<int>{16, 80, 144};
    QTest::newRow("ABC") << u"ABC"_s << QList<QByteArray>{"AB", "C"} << QList<int>{32, 128};
    QTest::newRow("full-width with a blank")
        << u"Ｊ Ｒ駅前"_s
        << QList<QByteArray>{cp(u"Ｊ"_s), " ", cp(u"Ｒ"_s), cp(u"駅"_s), cp(u"前"_s)}
        << QList<int>{4, 42, 80, 118, 156};
    QTest::newRow("even run") << u"JR駅"_s << QList<QByteArray>{"JR", cp(u"駅"_s)}
                              << QList<int>{32, 128};
    QTest::newRow("not in CP932") << u"駅😀"_s << QList<QByteArray>{cp(u"駅"_s), "?"}
                                  << QList<int>{32, 128};
}

void TestChimei::unitCutting()
{
    QFETCH(QString, name);
    QList<QByteArray> units;
    QList<int> tops;
    for (const chimei::Cell& c : chimei::LayOut(name, 0).cells) {
        units << c.unit;
        tops << c.top;
    }
    QTEST(units, "units");
    QTEST(tops, "tops");
}

void TestChimei::faceByCode_data()
{
    QTest::addColumn<int>("fontMode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("mincho");
    QTest::newRow("1 single-byte") << 1 << u"a"_s << true;
    QTest::newRow("2 first kanji 889F") << 2 << u"亜"_s << false;
    QTest::newRow("2 below kanji") << 2 << u"○"_s << true; // 819B
    QTest::newRow("2 single-byte") << 2 << u"a"_s << false;
    QTest::newRow("3 kana") << 3 << u"え"_s << false;
    QTest::newRow("3 single-byte") << 3 << u"a"_s << true;
    QTest::newRow("4 first 824F") << 4 << u"０"_s << false;
    QTest::newRow("4 last 829A") << 4 << u"ｚ"_s << false;
    QTest::newRow("4 past 829F") << 4 << u"ぁ"_s << true;
    QTest::newRow("4 single-byte") << 4 << u"A"_s << true;
    QTest::newRow("5 unknown") << 5 << u"え"_s << false;
}

void TestChimei::faceByCode()
{
    QFETCH(int, fontMode);
    QFETCH(QString, text);
    const chimei::Face f = chimei::ChooseFace(qint16(fontMode), chimei::UnitCode(cp(text)));
    QTEST(f == chimei::Face::Mincho, "mincho");
}

void TestChimei::treatments_data()
{
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<int>("fontMode");
    QTest::addColumn<QString>("printed");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<bool>("transposed");
    QTest::addColumn<bool>("turned");
    QTest::newRow("plain") << cp(u"駅"_s) << 0 << u"駅"_s << QPoint() << false << false;
    QTest::newRow("long vowel") << cp(u"ー"_s) << 0 << u"丨"_s << QPoint() << false << false;
    QTest::newRow("ten") << cp(u"、"_s) << 3 << u"、"_s << QPoint(10, -10) << false << false;
    QTest::newRow("lone lead byte")
        << QByteArray("\x83") << 0 << QString() << QPoint() << false << false;
    QTest::newRow("half-width paren")
        << QByteArray("(") << 0 << u"("_s << QPoint() << false << false;
    // 0x8160 prints as the mid-height wave dash, then turns vertical.
    QTest::newRow("wave") << QByteArray("\x81\x60") << 0 << u"〜"_s << QPoint() << true << false;
    for (const QChar ch : u"（）〔〕［］＜＞｛｝〈〉《》【】＝→←⇒⇔－"_s)
        QTest::newRow(qPrintable(QString(ch)))
            << cp(ch) << 0 << QString(ch) << QPoint() << true << false;
    for (const QChar ch : u"「」『』"_s)
        QTest::newRow(qPrintable(QString(ch)))
            << cp(ch) << 0 << QString(ch) << QPoint() << false << true;
}

void TestChimei::treatments()
{
    QFETCH(QByteArray, unit);
    QFETCH(int, fontMode);
    const chimei::Treatment t = chimei::TreatUnit(unit, qint16(fontMode));
    QTEST(t.text, "printed");
    QTEST(t.position, "position");
    QTEST(t.transposed, "transposed");
    QTEST(t.turned, "turned");
}

void TestChimei::boldThickens_data()
{
    QTest::addColumn<int>("fontMode");
    QTest::newRow("gothic") << 0;
    QTest::newRow("mincho") << 1;
}

void TestChimei::boldThickens()
{
    QFETCH(int, fontMode);
    const DotGrid regular = glyphOf(u"駅"_s, qint16(fontMode));
    const DotGrid bold = glyphOf(u"駅"_s, qint16(fontMode), true);
    QVERIFY2(bold.count() > regular.count() + 10,
             qPrintable(u"%1 -> %2"_s.arg(regular.count()).arg(bold.count())));
    auto c = boardControl();
    c->setFontMode(qint16(fontMode));
    c->setFontBold(true);
    c->SetChimei(u"駅"_s);
    QCOMPARE(cellDots(*c, 80), bold);
}

// --- the control's drawing ----------------------------------------------------

void TestChimei::cellTops_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("tops");
    QTest::addColumn<int>("strip");
    QTest::newRow("two") << u"本町"_s << 1 << QList<int>{32, 128} << 192;
    QTest::newRow("two, close") << u"本町"_s << 2 << QList<int>{48, 112} << 192;
    QTest::newRow("four") << kFour << 0 << QList<int>{8, 56, 104, 152} << 192;
    QTest::newRow("six fill the strip")
        << kSeven.left(6) << 0 << QList<int>{0, 32, 64, 96, 128, 160} << 192;
    QTest::newRow("seven scroll") << kSeven << 0 << QList<int>{0, 32, 64, 96, 128, 160, 192} << 224;
}

void TestChimei::cellTops()
{
    QFETCH(QString, name);
    QFETCH(int, mode);
    QFETCH(QList<int>, tops);
    auto c = boardControl();
    c->setMode(qint16(mode));
    c->SetChimei(name);
    QTEST(c->stripHeight(), "strip");
    QCOMPARE(c->stripImage().height(), c->stripHeight()); // at a device pixel ratio of 1
    int expectedDots = 0;
    for (qsizetype i = 0; i < tops.size(); ++i) {
        const DotGrid g = glyphOf(name.mid(i, 1));
        QCOMPARE(cellDots(*c, tops[i]), g);
        expectedDots += g.count();
    }
    int dots = 0;
    dotBounds(*c, &dots);
    QCOMPARE(dots, expectedDots); // nothing anywhere else
    QCOMPARE(c->isScrolling(), tops.size() > 6);
}

void TestChimei::stripDotsMatchGlyphs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("transposed");
    QTest::newRow("駅") << u"駅"_s << false;
    QTest::newRow("two half-width") << u"ab"_s << false;
    QTest::newRow("（") << u"（"_s << true;
}

// Each black pixel of the face's 1-bit glyph, printed here on its own,
// gives one amber dot; the pixels between dots and all others stay background.
void TestChimei::stripDotsMatchGlyphs()
{
    QFETCH(QString, text);
    QFETCH(bool, transposed);
    auto c = boardControl();
    c->SetChimei(text);
    const DotGrid glyph = printedDots(kGothic, text);
    QVERIFY(glyph.count() > 4);
    const QRgb amber = qRgb(255, 190, 0);
    const QRgb grey = qRgb(128, 128, 128);
    for (int row = 0; row < 16; ++row) {
        for (int col = 0; col < 16; ++col) {
            const int x = 2 + 2 * (transposed ? row : col);
            const int y = 80 + 2 * (transposed ? col : row);
            QCOMPARE(c->stripPixel(x, y), glyph.at(col, row) ? amber : grey);
            QCOMPARE(c->stripPixel(x + 1, y), grey);
            QCOMPARE(c->stripPixel(x, y + 1), grey);
        }
    }
}

void TestChimei::verticalForms()
{
    auto c = boardControl();

    // 。 and 、 sit whole in the upper right in both faces. The mincho face
    // prints them at the lower left, so there the move is exactly 10 right and
    // 10 up; the gothic face prints them higher, so its move starts from the ink.
    for (const int fontMode : {0, 1}) {
        c->setFontMode(qint16(fontMode));
        const QString family = fontMode == 0 ? kGothic : kMincho;
        for (const QString& mark : {u"。"_s, u"、"_s}) {
            c->SetChimei(mark);
            const QRect m = dotBounds(*c);
            QVERIFY2(!m.isEmpty() && m.left() >= 18 && m.bottom() < 96, qPrintable(mark));
            QCOMPARE(cellDots(*c, 80).count(), printedDots(family, mark).count());
            if (fontMode == 1)
                QCOMPARE(cellDots(*c, 80), printedDots(family, mark, {10, -10}));
        }
    }

    // 申 and 山 are centred by their ink in the gothic face, printed as they are otherwise.
    c->setFontMode(0);
    for (const QString& ch : {u"申"_s, u"山"_s}) {
        const DotGrid g = glyphOf(ch);
        QCOMPARE(g.count(), printedDots(kGothic, ch).count());
        const QRect ink = g.inkBounds();
        QVERIFY2(qAbs(ink.left() - (15 - ink.right())) <= 1, qPrintable(ch));
    }
    QCOMPARE(glyphOf(u"申"_s, 1), printedDots(kMincho, u"申"_s));

    // Small kana move to the upper right, whole.
    for (const QString& ch : {u"ゃ"_s, u"ッ"_s, u"ぁ"_s}) {
        const DotGrid g = glyphOf(ch);
        QCOMPARE(g.count(), printedDots(kGothic, ch).count());
        QCOMPARE(g.inkBounds().right(), 14);
        QCOMPARE(g.inkBounds().top(), 1);
    }

    // 「 turns into its vertical form: a stroke across the top whose right end
    // comes down (a diagonal mirror would leave it as it was). 」 likewise turns
    // into a stroke across the bottom whose left end goes up.
    c->SetChimei(u"「"_s);
    QRect b = dotBounds(*c);
    QVERIFY(b.width() > b.height());
    QVERIFY(c->dotAt(b.left(), b.top()) && c->dotAt(b.right(), b.top()));
    QVERIFY(c->dotAt(b.right(), b.bottom()) && !c->dotAt(b.left(), b.bottom()));
    c->SetChimei(u"」"_s);
    b = dotBounds(*c);
    QVERIFY(c->dotAt(b.left(), b.bottom()) && c->dotAt(b.right(), b.bottom()));
    QVERIFY(c->dotAt(b.left(), b.top()) && !c->dotAt(b.right(), b.top()));

    // ～ is the wave at mid-height, turned: its dots lie in the middle columns.
    c->SetChimei(u"～"_s);
    b = dotBounds(*c);
    QVERIFY2(b.left() >= 2 + 2 * 4 && b.right() <= 2 + 2 * 11,
             qPrintable(QString::number(b.left())));
    QVERIFY(b.height() > 20);
}

void TestChimei::fontModeChoosesFace_data()
{
    QTest::addColumn<int>("fontMode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("family");
    QTest::newRow("2: え mincho") << 2 << u"え"_s << kMincho;
    QTest::newRow("4: Ａ gothic") << 4 << u"Ａ"_s << kGothic;
    QTest::newRow("3: 駅 mincho") << 3 << u"駅"_s << kMincho;
    QTest::newRow("2: ー is a kanji stroke") << 2 << u"ー"_s << kGothic;
}

void TestChimei::fontModeChoosesFace()
{
    QFETCH(int, fontMode);
    QFETCH(QString, text);
    QFETCH(QString, family);
    const QString printed = text == u"ー"_s ? u"丨"_s : text;
    QVERIFY(printedDots(kGothic, printed) != printedDots(kMincho, printed));
    auto c = boardControl();
    c->setFontMode(qint16(fontMode));
    c->SetChimei(text);
    QCOMPARE(cellDots(*c, 80), printedDots(family, printed));
}

void TestChimei::coloursAndBorder()
{
    auto c = boardControl();
    c->SetChimei(kFour);
    int amberDots = 0;
    const QRect b = dotBounds(*c, &amberDots);
    QVERIFY(amberDots > 100);

    // A new foreground applies to the next name; a new background erases the dots.
    c->setForeColor(ltm4::Rgb(0, 255, 0));
    QCOMPARE(cellDots(*c, 8), glyphOf(u"バ"_s));
    QSignalSpy changed(c.get(), &ChimeiCtl_A::PropertyChanged);
    c->setBackColor(ltm4::Rgb(0, 0, 0));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), u"BackColor"_s);
    QVERIFY(dotBounds(*c).isEmpty());
    QCOMPARE(c->stripPixel(b.center().x(), b.center().y()), qRgb(0, 0, 0));

    // The widget shows exactly the strip's dots, in the new colour, inside a
    // 2-pixel sunken edge (its light side at the bottom right).
    c->SetChimei(kFour);
    QImage shot = c->grab().toImage();
    int green = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            green += shot.pixel(x, y) == qRgb(0, 255, 0);
    QCOMPARE(green, amberDots);
    QCOMPARE(shot.pixel(0, 50), qRgb(128, 128, 128));
    QCOMPARE(shot.pixel(36, 50), qRgb(255, 255, 255));
    QCOMPARE(shot.pixel(10, 195), qRgb(255, 255, 255));
    QCOMPARE(shot.pixel(2, 50), qRgb(0, 0, 0));

    // Appearance: flat 35 x 185 with a one-pixel line, 3-D 37 x 195; either
    // erases the dots.
    QCOMPARE(c->viewportSize(), QSize(37, 196));
    c->setAppearance(0);
    QCOMPARE(c->viewportSize(), QSize(35, 185));
    QVERIFY(dotBounds(*c).isEmpty());
    c->setBackColor(ltm4::Rgb(128, 128, 128));
    shot = c->grab().toImage();
    QCOMPARE(shot.pixel(34, 50), qRgb(0, 0, 0));
    QCOMPARE(shot.pixel(10, 184), qRgb(0, 0, 0));
    QCOMPARE(shot.pixel(33, 183), qRgb(128, 128, 128));
    c->setAppearance(1);
    QCOMPARE(c->viewportSize(), QSize(37, 195));
}

void TestChimei::persistence()
{
    PropertyBag bag;
    ChimeiCtl_A().WriteProperties(bag);
    QCOMPARE(bag.Keys(), QStringList()); // defaults are not written

    ChimeiCtl_A src;
    src.setBackColor(0x000010);
    src.setForeColor(0x00FF00);
    src.setSpeed(12);
    src.setScrollStartWait(250);
    src.setMode(2);
    src.setAppearance(0);
    src.setFontMode(4);
    src.setFontBold(true);
    src.WriteProperties(bag);
    QCOMPARE(bag.Keys(),
             (QStringList{u"BackColor"_s, u"ForeColor"_s, u"Speed"_s, u"ScrollStartWait"_s,
                          u"Mode"_s, u"Appearance"_s, u"FontMode"_s, u"FontBold"_s}));

    // Each key read into its own property, quietly: written again, the same bag.
    auto dst = boardControl();
    QSignalSpy changed(dst.get(), &ChimeiCtl_A::PropertyChanged);
    dst->ReadProperties(bag);
    QCOMPARE(changed.size(), 0);
    PropertyBag again;
    dst->WriteProperties(again);
    QCOMPARE(again.Keys(), bag.Keys());
    for (const QString& key : bag.Keys())
        QVERIFY2(PropertyBag::SameValue(again.ReadProperty(key, {}), bag.ReadProperty(key, {})),
                 qPrintable(key));
    QCOMPARE(dst->viewportSize(), QSize(37, 196)); // a stored appearance does not resize
    QCOMPARE(dst->stripPixel(5, 5), qRgb(0x10, 0, 0));

    // A missing key reads as its default; a default value is dropped again.
    PropertyBag partial;
    partial.WriteProperty(u"Speed"_s, 7, 5);
    dst->ReadProperties(partial);
    dst->WriteProperties(again);
    QCOMPARE(again.Keys(), QStringList{u"Speed"_s});
    QCOMPARE(dst->Speed(), qint16(7));
    dst->setSpeed(5);
    dst->WriteProperties(again);
    QCOMPARE(again.Keys(), QStringList());
}

// --- scrolling ------------------------------------------------------------------

void TestChimei::scrollPosition_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("wait");
    QTest::addColumn<QList<int>>("times"); // ms after SetChimei
    QTest::addColumn<QList<double>>("tops");
    QTest::addColumn<int>("frame");
    QTest::newRow("default: wait, then 1 px per 40 ms")
        << 5 << 1500 << QList<int>{1499, 1500, 1540, 1900} << QList<double>{0, 0, -1, -10} << 16;
    QTest::newRow("same in one jump")
        << 5 << 1500 << QList<int>{1900} << QList<double>{-10} << 5000;
    QTest::newRow("slow, no wait") << 1 << 0 << QList<int>{1000} << QList<double>{-5} << 16;
    QTest::newRow("odd speed and frames")
        << 37 << 100 << QList<int>{1100} << QList<double>{-185} << 33;
    QTest::newRow("negative wait is none")
        << 10 << -50 << QList<int>{200} << QList<double>{-10} << 16;
}

void TestChimei::scrollPosition()
{
    QFETCH(int, speed);
    QFETCH(int, wait);
    QFETCH(QList<int>, times);
    QFETCH(QList<double>, tops);
    QFETCH(int, frame);
    FakeClock clock;
    auto c = boardControl(&clock);
    c->setSpeed(qint16(speed));
    c->setScrollStartWait(wait);
    c->SetChimei(kSeven); // returns at once; a blocking wait would never end on this clock
    const qint64 t0 = clock.ms;
    for (qsizetype i = 0; i < times.size(); ++i) {
        runFor(*c, clock, t0 + times[i] - clock.ms, frame);
        QCOMPARE(c->stripTop(), tops[i]);
        QCOMPARE(c->isWaitingToScroll(), times[i] < wait);
    }
}

void TestChimei::wrapsAfterViewport_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("appearance"); // -1: the viewport fills the control
    QTest::addColumn<int>("distance");
    QTest::newRow("seven, initial viewport") << kSeven << -1 << 224 + 196;
    QTest::newRow("seven, 3-D viewport") << kSeven << 1 << 224 + 195;
    QTest::newRow("ten, flat viewport") << kTen << 0 << 320 + 185;
}

void TestChimei::wrapsAfterViewport()
{
    QFETCH(QString, name);
    QFETCH(int, appearance);
    QFETCH(int, distance);
    FakeClock clock;
    auto c = boardControl(&clock);
    if (appearance >= 0)
        c->setAppearance(qint16(appearance));
    c->SetChimei(name);
    const qint64 steps = qint64(distance) * 200 / 5; // default Speed 5
    runFor(*c, clock, 1500 + steps - 1);
    QCOMPARE(c->stripTop(), -(distance - 5.0 / 200));
    runFor(*c, clock, 1);
    QVERIFY(c->isWaitingToScroll());
    QCOMPARE(c->stripTop(), 0.0);
    QCOMPARE(cellDots(*c, 0), glyphOf(name.left(1)));
    runFor(*c, clock, 1500 + 400);
    QCOMPARE(c->stripTop(), -10.0);

    // A long gap (a suspended machine) lands in the right pass without
    // stepping through the passes in between.
    const qint64 cycle = 1500 + steps;
    runFor(*c, clock, 1000 * cycle, 1000 * cycle);
    QCOMPARE(c->stripTop(), -10.0);
}

void TestChimei::newAndEmptyNamesDuringScroll()
{
    FakeClock clock;
    auto c = boardControl(&clock);
    QTimer* timer = c->findChild<QTimer*>();
    c->SetChimei(kSeven);
    runFor(*c, clock, 2000);
    const double top = c->stripTop();
    QVERIFY(top < 0);

    // The empty name blanks the strip; the scroll carries on, blank.
    c->SetChimei(QString());
    QVERIFY(dotBounds(*c).isEmpty());
    QCOMPARE(c->stripTop(), top);
    QCOMPARE(c->stripHeight(), 224);
    runFor(*c, clock, 400);
    QCOMPARE(c->stripTop(), top - 10.0);

    // A long name starts over with its own wait; a short one ends the scroll.
    c->SetChimei(kTen);
    QVERIFY(c->isWaitingToScroll());
    QCOMPARE(c->stripTop(), 0.0);
    QCOMPARE(c->stripHeight(), 320);
    runFor(*c, clock, 1540);
    QCOMPARE(c->stripTop(), -1.0);
    c->SetChimei(kFour);
    QVERIFY(!c->isScrolling());
    QVERIFY(!timer->isActive());
    runFor(*c, clock, 5000);
    QCOMPARE(c->stripTop(), 0.0);
    QCOMPARE(cellDots(*c, 152), glyphOf(u"前"_s));
}

void TestChimei::speedChanges()
{
    FakeClock clock;
    auto c = boardControl(&clock);
    c->setSpeed(0);
    c->SetChimei(kFour);
    QCOMPARE(c->Speed(), qint16(0)); // only a scroll start mends it
    QSignalSpy changed(c.get(), &ChimeiCtl_A::PropertyChanged);
    c->SetChimei(kSeven);
    QCOMPARE(c->Speed(), qint16(1));
    QCOMPARE(changed.size(), 1);
    runFor(*c, clock, 1500 + 400);
    QCOMPARE(c->stripTop(), -2.0);

    // Steps already due keep the old speed; the new one applies from the next.
    clock.ms += 8;
    c->setSpeed(50);
    QCOMPARE(c->stripTop(), -2.04);
    runFor(*c, clock, 100);
    QCOMPARE(c->stripTop(), -27.04);
    // Speed 0 mid-pass holds the strip and stops the frames until it changes.
    c->setSpeed(0);
    QVERIFY(!c->findChild<QTimer*>()->isActive());
    runFor(*c, clock, 1000);
    c->setSpeed(200);
    runFor(*c, clock, 10);
    QCOMPARE(c->stripTop(), -37.04);
    // A fast strip moves at every display frame; a slow one wakes only as
    // often as it moves a pixel (Speed 5: a pixel every 40 ms).
    QCOMPARE(c->findChild<QTimer*>()->interval(), c->frameInterval());
    c->setSpeed(5);
    QCOMPARE(c->findChild<QTimer*>()->interval(), 40);
}

namespace {
enum Between { kSteady, kStall, kPause, kNewName };
}

void TestChimei::longestFrame_data()
{
    QTest::addColumn<int>("between"); // what comes between two frames, mid-pass
    QTest::addColumn<qint64>("longest");
    QTest::addColumn<qint64>("late");
    QTest::newRow("steady frames") << int(kSteady) << qint64(16) << qint64(0);
    QTest::newRow("the thread busy for 30 ms") << int(kStall) << qint64(46) << qint64(1);
    QTest::newRow("a pause at Speed 0") << int(kPause) << qint64(16) << qint64(0);
    QTest::newRow("a new name's wait") << int(kNewName) << qint64(16) << qint64(0);
}

void TestChimei::longestFrame()
{
    QFETCH(int, between);
    QFETCH(qint64, longest);
    QFETCH(qint64, late);
    FakeClock clock;
    auto c = boardControl(&clock);
    c->setScrollStartWait(0);
    c->setSpeed(50); // moves at every 16 ms frame
    QCOMPARE(c->tickInterval(), 16);
    c->SetChimei(kSeven);
    runFor(*c, clock, 200);
    QVERIFY(c->stripTop() < 0);
    c->resetFrameStats();
    switch (between) {
    case kStall:
        clock.ms += 30;
        break;
    case kPause:
        c->setSpeed(0);
        clock.ms += 1000;
        c->advanceScroll(); // a tick already queued
        c->setSpeed(50);
        break;
    case kNewName:
        c->setScrollStartWait(1500);
        c->SetChimei(kSeven);
        runFor(*c, clock, 1500);
        break;
    default:
        break;
    }
    runFor(*c, clock, 160);
    QVERIFY(c->isScrolling() && !c->isWaitingToScroll());
    const ChimeiCtl_A::FrameStats st = c->frameStats();
    QVERIFY(st.frames >= 9);
    QCOMPARE(st.longest, longest);
    QCOMPARE(st.late, late);
}

void TestChimei::hundredLongNames()
{
    FakeClock clock;
    auto c = boardControl(&clock);
    const auto children = c->children().size();
    const QString base = u"東西南北中央公園前通り停留所"_s;
    for (int i = 0; i < 100; ++i) {
        // Each call returns with its name drawn, waiting to scroll, on one strip
        // of its own size, leaving no other loop, timer or strip behind.
        const QString name = base.left(7 + i % 8);
        c->SetChimei(name);
        QVERIFY(c->isWaitingToScroll());
        QCOMPARE(c->stripImage().height(), int(name.size()) * 32);
        QCOMPARE(c->children().size(), children);
        runFor(*c, clock, 1500 + 200 + i);
        QVERIFY(c->stripTop() < 0);
    }
    QCOMPARE(c->findChildren<QTimer*>().size(), 1);
}

void TestChimei::realTimerScrollsAndDiesWithControl()
{
    auto c = boardControl();
    c->show();
    c->setScrollStartWait(0);
    c->setSpeed(200); // a pixel a millisecond
    c->SetChimei(kSeven);
    QTRY_VERIFY_WITH_TIMEOUT(c->stripTop() < -20, 2000);
    QVERIFY(c->frameStats().frames > 0);
    QPointer<QTimer> timer = c->findChild<QTimer*>();
    QVERIFY(timer && timer->isActive());
    c.reset();
    QVERIFY(timer.isNull());
    QTest::qWait(50); // nothing may step a destroyed control (the sanitizer build checks)
}

QTEST_MAIN(TestChimei)
#include "tst_chimei.moc"
