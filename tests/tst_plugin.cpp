// SPDX-License-Identifier: GPL-3.0-or-later
// The ticket plugin reader of *.4SP files (every field, both encodings,
// placeholders, barcodes, refusals) and the drawing of the sample ticket. The
// host operations are driven through the options dialog in tst_seiriprev.

#define ZX_USE_UTF8 1

#include "companion/LTM4Res.h"
#include "companion/PlgInfo.h"
#include "companion/SeiriPlugin.h"
#include "companion/SeiriPluginWarnings.h"
#include "companion/SeiriTicket.h"
#include "companion/TicketCost.h"
#include "options/PlgInfoLines.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <vector>

using namespace ltm4;

namespace {

using Error = SeiriPluginError;

// A plugin with a preview size, the given sections and the end mark.
QByteArray plugin(const QString& body, const QString& info = {})
{
    return (u"4SP 1\n[info]\nPrevWidth = 3000\nPrevHeight = 1500\n"_qs + info + body +
            u"[end]\n"_qs)
        .toUtf8();
}

TicketValues values(const QString& date = u"03-05-2025"_qs, qint16 corp = -1)
{
    return TicketValues{u"駅前"_qs, date, u"08:07:09"_qs, 12, 3, 4, corp};
}

QImage draw(const SeiriPlugin& p, const TicketValues& v)
{
    QImage img(p.info.PrevWidth / 15, p.info.PrevHeight / 15, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    DrawSeiriTicket(painter, p, v);
    return img;
}

// What ZXing reads in a part of the picture; empty when nothing.
QString decode(const QImage& picture, ZXing::BarcodeFormat format, const QRect& part = {})
{
    const QImage gray =
        (part.isNull() ? picture : picture.copy(part)).convertToFormat(QImage::Format_Grayscale8);
    ZXing::DecodeHints hints;
    hints.setFormats(format);
    const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(),
                                ZXing::ImageFormat::Lum, int(gray.bytesPerLine()));
    const ZXing::Result r = ZXing::ReadBarcode(view, hints);
    return r.isValid() ? QString::fromStdString(r.text()) : QString();
}

// The smallest rectangle holding every pixel that differs.
QRect difference(const QImage& a, const QImage& b)
{
    QRect out;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                out |= QRect(x, y, 1, 1);
    return out;
}

bool uses(const TicketItem& item, TicketField f)
{
    for (const TicketTextPart& p : item.text)
        if (p.field == f)
            return true;
    return false;
}

} // namespace

class TestPlugin final : public QObject {
    Q_OBJECT

private slots:
    void everyField();
    void record();
    void encodings_data();
    void encodings();
    void placeholders_data();
    void placeholders();
    void verdicts_data();
    void verdicts();
    void errorText();
    void fileReading();
    void barcodes_data();
    void barcodes();
    void barcodesAtTheirLongest_data();
    void barcodesAtTheirLongest();
    void codabarStartAndStop();
    void barcodeTheSymbologyCannotHold();
    void sampleTicket();
    void drawCost_data();
    void drawCost();
    void warnings_data();
    void warnings();
    void plgtool_data();
    void plgtool();
    void documentedSample();
    void valuesAreCut();
    void worstCaseDrawsWithinAFrame_data();
    void worstCaseDrawsWithinAFrame();
};

void TestPlugin::everyField()
{
    const QByteArray text =
        u"# a comment before the header\n4SP 1\n[info]\n"
        "PrevWidth = 3015\nPrevHeight=1995\nCanDate = 1\nCanTime = 0\nCanRouteNo = 1\n"
        "CanStopName = 2\nCanBarcode = 1\nBarcodeCount = 3\nRouteMax = 999\n"
        "BarcodeRouteMode = 2\nStopRangeFrom = -5\nStopRangeTo = 2147483647\n"
        "CorpSwitch = -2147483648\n"
        "[notes]\n\n一行目\n# 注釈ではなく本文\n\n  四行目  \n\n"
        "[companies]\n# comment\n  ホロテ交通  \n\nホロテ観光\n"
        "[draw]\n"
        "paper color=#fFeE01\n"
        "box x=-3 y=4 w=50 h=60 pen=0 color=#102030 fill=#A0B0C0 radius=7\n"
        "line x1=1 y1=2 x2=-30 y2=40 pen=3 color=#000001 style=dash\n"
        "text x=5 y=6 w=70 h=80 value=\"No.{ticket:2} \\\"{stop}\\\\\" "
        "face=\"ＭＳ 明朝\" size=40 bold=1 color=#FFFFFF align=right "
        "valign=bottom spacing=-2 fit=0\n"
        "\ttext\tx=0 y=0 w=1 h=1 value=plain\n"
        "barcode x=9 y=8 w=7 h=6 type=itf value=\"{route:4}{row}\" color=#123456\n"
        "[end]\n\n"_qs.toUtf8();
    const SeiriPluginResult r = ReadSeiriPlugin(text);
    QVERIFY2(r.ok(), qPrintable(SeiriPluginErrorText(r)));
    const SeiriPlugin& p = *r.plugin;

    constexpr auto max = std::numeric_limits<qint32>::max();
    constexpr auto min = std::numeric_limits<qint32>::min();
    const PlgInfo info{PlgInfo::kHead, 3015, 1995, 1, 0, 1, 2, 1, 3, 999, 2, -5, max, min};
    QVERIFY(p.info == info);
    QCOMPARE(p.notes, u"一行目\n# 注釈ではなく本文\n\n四行目"_qs);
    QCOMPARE(p.companies, (QStringList{u"ホロテ交通"_qs, u"ホロテ観光"_qs}));
    QVERIFY(p.utf8);

    using F = TicketField;
    QList<TicketItem> expected(6);
    for (qsizetype i = 0; i < expected.size(); ++i) {
        expected[i].face = u"ＭＳ Ｐゴシック"_qs;
        expected[i].line = 30 + int(i); // where [draw] writes it
    }
    expected[0].color = 0xFFFFEE01;
    TicketItem& box = expected[1];
    box.kind = TicketItemKind::Box, box.x = -3, box.y = 4, box.w = 50, box.h = 60, box.pen = 0;
    box.radius = 7, box.color = 0xFF102030, box.fill = 0xFFA0B0C0;
    TicketItem& line = expected[2];
    line.kind = TicketItemKind::Line, line.x = 1, line.y = 2, line.x2 = -30, line.y2 = 40;
    line.pen = 3, line.color = 0xFF000001, line.style = TicketLineStyle::Dash;
    TicketItem& text1 = expected[3];
    text1.kind = TicketItemKind::Text, text1.x = 5, text1.y = 6, text1.w = 70, text1.h = 80;
    text1.face = u"ＭＳ 明朝"_qs, text1.size = 40, text1.bold = true, text1.color = 0xFFFFFFFF;
    text1.align = TicketAlign::Right, text1.valign = TicketVAlign::Bottom;
    text1.spacing = -2, text1.fit = false;
    text1.text = {{F::Literal, u"No."_qs, 0},
                  {F::SeiriNo, {}, 2},
                  {F::Literal, u" \""_qs, 0},
                  {F::StopName, {}, 0},
                  {F::Literal, u"\\"_qs, 0}};
    TicketItem& text2 = expected[4];
    text2.kind = TicketItemKind::Text, text2.w = 1, text2.h = 1;
    text2.text = {{F::Literal, u"plain"_qs, 0}};
    TicketItem& bar = expected[5];
    bar.kind = TicketItemKind::Barcode, bar.x = 9, bar.y = 8, bar.w = 7, bar.h = 6;
    bar.barcode = TicketBarcode::Itf, bar.color = 0xFF123456;
    bar.text = {{F::RouteNo, {}, 4}, {F::Row, {}, 0}};
    QCOMPARE(p.items.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        QVERIFY2(p.items[i] == expected[i], qPrintable(QString::number(i)));
}

void TestPlugin::record()
{
    PlgInfo info;
    qint32 v = 0;
    for (qint32* f :
         {&info.PlgHead, &info.PrevWidth, &info.PrevHeight, &info.CanDate, &info.CanTime,
          &info.CanRouteNo, &info.CanStopName, &info.CanBarcode, &info.BarcodeCount, &info.RouteMax,
          &info.BarcodeRouteMode, &info.StopRangeFrom, &info.StopRangeTo, &info.CorpSwitch})
        *f = 0x01020300 + v++;
    info.CorpSwitch = -2;
    const QByteArray rec = info.ToRecord();
    QCOMPARE(rec.size(), 56);
    for (int i = 0; i < 13; ++i)
        QCOMPARE(qFromLittleEndian<qint32>(rec.constData() + 4 * i), 0x01020300 + i);
    QCOMPARE(rec.mid(52), QByteArray("\xFE\xFF\xFF\xFF", 4));
    QVERIFY(PlgInfo::FromRecord(rec) == info);
    QVERIFY(!PlgInfo::FromRecord(rec.left(55)));
    QVERIFY(!PlgInfo::FromRecord(rec + '\0'));

    // The host's mark reads "4SP" and the format version.
    const SeiriPluginResult r = ReadSeiriPlugin(plugin({}));
    QVERIFY(r.ok());
    QCOMPARE(r.plugin->info.ToRecord().left(4), QByteArray("4SP\x01", 4));
}

void TestPlugin::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    const QString text =
        u"4SP 1\n[info]\nPrevWidth = 1500\nPrevHeight = 1500\nCorpSwitch = 1\n"
        "[notes]\n整理券は～①まで、〝見本〟です。\n"
        "[companies]\nホロテ交通\n髙島バス\n"
        "[draw]\ntext x=0 y=0 w=10 h=10 face=\"ＭＳ 明朝\" value=\"{company}様 №{ticket}\"\n"
        "[end]\n"_qs;
    const QString crlf = QString(text).replace(u"\n"_qs, u"\r\n"_qs);
    QTest::newRow("UTF-8") << text.toUtf8() << true;
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << true;
    QTest::newRow("CP932, CR LF") << ToCp932(crlf) << false;
    // As old Mac editors save them: CR alone ends each line.
    const QString cr = QString(text).replace(u"\n"_qs, u"\r"_qs);
    QTest::newRow("UTF-8, CR only") << cr.toUtf8() << true;
    QTest::newRow("CP932, CR only") << ToCp932(cr) << false;
}

void TestPlugin::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf8);
    const SeiriPluginResult r = ReadSeiriPlugin(bytes);
    QVERIFY2(r.ok(), qPrintable(SeiriPluginErrorText(r)));
    QCOMPARE(r.plugin->utf8, utf8);
    QCOMPARE(r.plugin->notes, u"整理券は～①まで、〝見本〟です。"_qs);
    QCOMPARE(r.plugin->companies, (QStringList{u"ホロテ交通"_qs, u"髙島バス"_qs}));
    QCOMPARE(r.plugin->items.size(), 1);
    QCOMPARE(r.plugin->items[0].face, u"ＭＳ 明朝"_qs);
    QCOMPARE(ExpandTicketText(r.plugin->items[0].text, values(u"x"_qs, 1), r.plugin->companies),
             u"髙島バス様 №3"_qs);
}

void TestPlugin::placeholders_data()
{
    QTest::addColumn<QString>("tmpl");
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("corp");
    QTest::addColumn<QStringList>("companies");
    QTest::addColumn<QString>("expected");
    const QStringList three{u"ホロテ交通"_qs, u"ホロテ観光"_qs, u"ホロテ市営"_qs};
    const QString sys = u"03-05-2025"_qs;
    QTest::newRow("every value") << u"{stop}|{date}|{time}|{route}|{ticket}|{row}|{company}"_qs
                                 << sys << 1 << three
                                 << u"駅前|03-05-2025|08:07:09|12|3|4|ホロテ観光"_qs;
    QTest::newRow("zero-padded numbers")
        << u"{route:4}{row:3}{ticket:2}"_qs << sys << 0 << three << u"001200403"_qs;
    QTest::newRow("padding never cuts") << u"{route:1}"_qs << sys << 0 << three << u"12"_qs;
    QTest::newRow("date parts, system form")
        << u"{year}/{month:2}/{day:2} {hour}:{minute:2}:{second:2}"_qs << sys << 0 << three
        << u"2025/03/05 8:07:09"_qs;
    QTest::newRow("date parts, fixed form")
        << u"{year}年{month}月{day}日"_qs << u"2025/03/05"_qs << 0 << three << u"2025年3月5日"_qs;
    // The first year of an era is 元年, padded or not.
    QTest::newRow("Reiwa's first day")
        << u"{era}{eyear:2}年"_qs << u"05-01-2019"_qs << 0 << three << u"令和元年"_qs;
    QTest::newRow("Reiwa's second year")
        << u"{era}{eyear:2}年"_qs << u"2020/01/01"_qs << 0 << three << u"令和02年"_qs;
    QTest::newRow("Heisei's first year")
        << u"{era}{eyear}年"_qs << u"12-31-1989"_qs << 0 << three << u"平成元年"_qs;
    QTest::newRow("Showa's first days")
        << u"{era}{eyear}年"_qs << u"1926/12/25"_qs << 0 << three << u"昭和元年"_qs;
    QTest::newRow("Heisei's last day")
        << u"{era}{eyear}"_qs << u"2019/04/30"_qs << 0 << three << u"平成31"_qs;
    QTest::newRow("Showa") << u"{era}{eyear}"_qs << u"01-07-1989"_qs << 0 << three << u"昭和64"_qs;
    QTest::newRow("unreadable date") << u"[{date}][{year}][{era}][{day:2}]"_qs << u"someday"_qs << 0
                                     << three << u"[someday][][][]"_qs;
    QTest::newRow("impossible date has no era")
        << u"{era}{year}"_qs << u"02-30-2025"_qs << 0 << three << u"2025"_qs;
    QTest::newRow("no company chosen") << u"{company}"_qs << sys << -1 << three << u"ホロテ交通"_qs;
    QTest::newRow("stale company index")
        << u"{company}"_qs << sys << 3 << three << u"ホロテ交通"_qs;
    QTest::newRow("no companies") << u"[{company}]"_qs << sys << 0 << QStringList() << u"[]"_qs;
    QTest::newRow("braces") << u"{{{ticket}}}}}{{"_qs << sys << 0 << three << u"{3}}{"_qs;
}

void TestPlugin::placeholders()
{
    QFETCH(QString, tmpl);
    QFETCH(QString, date);
    QFETCH(int, corp);
    QFETCH(QStringList, companies);
    QFETCH(QString, expected);
    const QString line = u"text x=0 y=0 w=1 h=1 value=\""_qs + tmpl + u"\"\n"_qs;
    const SeiriPluginResult r = ReadSeiriPlugin(plugin(u"[draw]\n"_qs + line));
    QVERIFY2(r.ok(), qPrintable(SeiriPluginErrorText(r)));
    QCOMPARE(ExpandTicketText(r.plugin->items[0].text, values(date, qint16(corp)), companies),
             expected);
}

void TestPlugin::verdicts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("line");
    const auto row = [](const char* name, const QByteArray& b, Error e, int line) {
        QTest::newRow(name) << b << int(e) << line;
    };
    const auto draw = [](const QString& item) { return plugin(u"[draw]\n"_qs + item + u"\n"_qs); };
    row("no last line break", plugin({}).chopped(1), Error::None, 0);
    const auto lineEnds = [](QByteArray b, const char* end) { return b.replace("\n", end); };
    const QByteArray unknownOn5 = plugin({}, u"colour = 1\n"_qs);
    row("CR only: the line counted", lineEnds(unknownOn5, "\r"), Error::UnknownKey, 5);
    row("CR LF: one line end", lineEnds(unknownOn5, "\r\n"), Error::UnknownKey, 5);
    row("blank lines, CR only", lineEnds(plugin({}, u"\n\ncolour = 1\n"_qs), "\r"),
        Error::UnknownKey, 7);

    // The draw item is on line 6 of plugin().
    row("empty file", {}, Error::NoHeader, 0);
    row("no header", "[info]\nPrevWidth = 15\n", Error::NoHeader, 1);
    row("other version", "# x\n4SP 2\n", Error::UnknownVersion, 2);
    row("header with more words", "4SP 1 x\n", Error::NoHeader, 1);
    row("unknown section", plugin(u"[fares]\n"_qs), Error::BadSection, 5);
    row("section twice", plugin(u"[info]\n"_qs), Error::BadSection, 5);
    row("line outside a section", "4SP 1\nPrevWidth = 1500\n[end]\n", Error::BadSection, 2);
    row("unknown info key", plugin({}, u"PlgHead = 1\n"_qs), Error::UnknownKey, 5);
    row("info key twice", plugin({}, u"CanDate = 1\nCanDate = 0\n"_qs), Error::DuplicateKey, 6);
    row("info line without =", plugin({}, u"CanDate 1\n"_qs), Error::BadLine, 5);
    row("number too large", plugin({}, u"RouteMax = 2147483648\n"_qs), Error::BadNumber, 5);
    row("number far too large", plugin({}, u"RouteMax = 99999999999999999999999\n"_qs),
        Error::BadNumber, 5);
    row("number too small", plugin({}, u"RouteMax = -2147483649\n"_qs), Error::BadNumber, 5);
    row("not a number", plugin({}, u"CanTime = yes\n"_qs), Error::BadNumber, 5);
    row("preview too narrow", "4SP 1\n[info]\nPrevWidth = 14\n", Error::BadNumber, 3);
    row("preview too tall", "4SP 1\n[info]\nPrevWidth = 15\nPrevHeight = 15001\n", Error::BadNumber,
        4);
    row("no preview size", "4SP 1\n[info]\nPrevWidth = 1500\n[end]\n", Error::MissingValue, 0);
    row("no end", QByteArray(plugin({})).chopped(6), Error::NoEnd, 0);
    row("text after end", plugin({}) + "x\n", Error::AfterEnd, 6);
    row("line too long", plugin({}, u"# "_qs + QString(1100, u'x') + u"\n"_qs), Error::LineTooLong,
        5);
    row("unknown item", draw(u"circle x=1"_qs), Error::BadWord, 6);
    row("key of another item", draw(u"line x1=0 y1=0 x2=1 y2=1 fill=#000000"_qs), Error::UnknownKey,
        6);
    row("item key twice", draw(u"box x=1 y=1 w=1 h=1 x=2"_qs), Error::DuplicateKey, 6);
    row("item key missing", draw(u"text x=1 y=1 w=1 value=a"_qs), Error::MissingValue, 6);
    row("pair without =", draw(u"box x=1 y=1 w=1 h"_qs), Error::BadLine, 6);
    row("unclosed quote", draw(u"text x=0 y=0 w=1 h=1 value=\"abc"_qs), Error::BadLine, 6);
    row("text glued to a quote", draw(u"text x=0 y=0 w=1 h=1 value=\"a\"b"_qs), Error::BadLine, 6);
    row("huge coordinate", draw(u"box x=1000000000000 y=1 w=1 h=1"_qs), Error::BadNumber, 6);
    row("negative width", draw(u"box x=1 y=1 w=-1 h=1"_qs), Error::BadNumber, 6);
    row("colour not in hex", draw(u"paper color=#00000G"_qs), Error::BadColor, 6);
    row("short colour", draw(u"paper color=#FFF"_qs), Error::BadColor, 6);
    row("bad align", draw(u"text x=0 y=0 w=1 h=1 align=middle value=a"_qs), Error::BadWord, 6);
    row("empty face", draw(u"text x=0 y=0 w=1 h=1 face=\"\" value=a"_qs), Error::BadWord, 6);
    row("unknown placeholder", draw(u"text x=0 y=0 w=1 h=1 value={fare}"_qs), Error::BadText, 6);
    row("unclosed placeholder", draw(u"text x=0 y=0 w=1 h=1 value={stop"_qs), Error::BadText, 6);
    row("lone closing brace", draw(u"text x=0 y=0 w=1 h=1 value=a}b"_qs), Error::BadText, 6);
    row("width on a name", draw(u"text x=0 y=0 w=1 h=1 value={stop:3}"_qs), Error::BadText, 6);
    row("width 0", draw(u"text x=0 y=0 w=1 h=1 value={ticket:0}"_qs), Error::BadText, 6);
    row("width 10", draw(u"text x=0 y=0 w=1 h=1 value={ticket:10}"_qs), Error::BadText, 6);
    row("text too long", draw(u"text x=0 y=0 w=1 h=1 value="_qs + QString(201, u'a')),
        Error::BadText, 6);
    const QString bar = u"barcode x=0 y=0 w=100 h=20 "_qs;
    row("barcode while CanBarcode is 0", draw(bar + u"type=code128 value={ticket}"_qs),
        Error::BarcodeNotAllowed, 6);
    const QString can = u"CanBarcode = 1\n"_qs;
    const auto barcode = [&](const QString& rest) {
        return plugin(u"[draw]\n"_qs + bar + rest + u"\n"_qs, can);
    };
    row("unknown symbology", barcode(u"type=qr value=1"_qs), Error::BadWord, 7);
    row("stop name in Code 128", barcode(u"type=code128 value={stop}"_qs), Error::BadText, 7);
    row("kanji in Code 128", barcode(u"type=code128 value=駅"_qs), Error::BadText, 7);
    row("date in ITF", barcode(u"type=itf value={date}"_qs), Error::BadText, 7);
    row("letter in ITF", barcode(u"type=itf value=A1"_qs), Error::BadText, 7);
    row("letter in Codabar", barcode(u"type=codabar value=1X"_qs), Error::BadText, 7);
    // A to D are Codabar's start and stop characters, never in the value.
    row("start character in Codabar", barcode(u"type=codabar value=A12A"_qs), Error::BadText, 7);
    // What each symbology carries, with its placeholders at their longest:
    // {date} and {time} 16, {ticket} 6 with its sign, {route} 10 digits in ITF.
    const QString longest128 = u"{date}{time}{date}{time}{ticket}ABCDEFGHIJ"_qs; // 80
    row("Code 128 at 80", barcode(u"type=code128 value="_qs + longest128), Error::None, 0);
    row("Code 128 at 81", barcode(u"type=code128 value=K"_qs + longest128), Error::BarcodeTooLong,
        7);
    row("Code 128, 81 written", barcode(u"type=code128 value="_qs + QString(81, u'x')),
        Error::BarcodeTooLong, 7);
    const QString routes = u"{route}"_qs.repeated(8); // 80 digits without a sign
    row("ITF, 80 digits", barcode(u"type=itf value="_qs + routes), Error::None, 0);
    row("ITF, 79 digits padded to 80",
        barcode(u"type=itf value="_qs + routes.chopped(7) + u"123456789"_qs), Error::None, 0);
    row("ITF, 81 digits", barcode(u"type=itf value=1"_qs + routes), Error::BarcodeTooLong, 7);
    row("ITF, a padding wider than the number",
        barcode(u"type=itf value="_qs + routes.chopped(7) + u"{row:9}{ticket:9}"_qs),
        Error::BarcodeTooLong, 7);
    row("Codabar has no limit of its own", barcode(u"type=codabar value="_qs + QString(190, u'1')),
        Error::None, 0);
    row("empty barcode", barcode(u"type=code128 value=\"\""_qs), Error::BadText, 7);
    row("company name too long", plugin(u"[companies]\n"_qs + QString(65, u'社') + u"\n"_qs),
        Error::BadText, 6);
    QString companies = u"[companies]\n"_qs;
    for (int i = 0; i < 65; ++i)
        companies += u"社%1\n"_qs.arg(i);
    row("too many companies", plugin(companies), Error::TooMany, 70);
    row("too many note lines", plugin(u"[notes]\n"_qs + QString(65, u'\n')), Error::TooMany, 70);
    QByteArray items = plugin(u"[draw]\n"_qs).chopped(6);
    for (qsizetype i = 0; i <= kPluginMaxItems; ++i)
        items += "line x1=0 y1=0 x2=1 y2=1\n";
    row("too many items", items + "[end]\n", Error::TooMany, 6 + int(kPluginMaxItems));

    // What a drawing may cost: a stop name (40 characters at most) costs
    // 15 + 40 × 40 = 1615, so four fit and five do not.
    QString stops = u"[draw]\n"_qs;
    for (int i = 0; i < 4; ++i)
        stops += u"text x=0 y=0 w=100 h=20 value={stop}\n"_qs;
    row("four stop names", plugin(stops), Error::None, 0);
    stops += u"text x=0 y=0 w=100 h=20 value={stop}\n"_qs;
    row("five stop names", plugin(stops), Error::TooCostly, 0);
    // Within the other caps, yet 14 s a step under the sanitizers before.
    QByteArray fitted = plugin(u"[draw]\n"_qs).chopped(6);
    for (qsizetype i = 0; i < kPluginMaxItems; ++i)
        fitted += "text x=0 y=0 w=200 h=20 fit=1 value={stop}\n";
    row("every item a fitted stop name", fitted + "[end]\n", Error::TooCostly, 0);

    // The size cap, and bytes that are no text.
    QByteArray largest = plugin({});
    largest.insert(6, QByteArray(kPluginMaxFileBytes - largest.size(), '\n'));
    row("largest file", largest, Error::None, 0);
    row("one byte too large", largest + '\n', Error::TooLarge, 0);
    const QByteArray notes = plugin(u"[notes]\nab\n"_qs);
    row("NUL byte", QByteArray(notes).replace("ab", QByteArray("a\0", 2)), Error::NotText, 0);
    row("0xFF, no CP932 byte", QByteArray(notes).replace("ab", "a\xFF"), Error::NotText, 0);
    row("lead byte at the end", notes + "\x82", Error::NotText, 0);
}

void TestPlugin::verdicts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, error);
    QFETCH(int, line);
    const SeiriPluginResult r = ReadSeiriPlugin(bytes);
    QCOMPARE(r.ok(), error == int(Error::None));
    QCOMPARE(int(r.error), error);
    QCOMPARE(r.line, line);
}

void TestPlugin::errorText()
{
    QCOMPARE(SeiriPluginErrorText(ReadSeiriPlugin(plugin({}, u"RouteMax = 2147483648\n"_qs))),
             u"5行目: 数値が正しくないか、範囲外です（RouteMax）"_qs);
    QCOMPARE(SeiriPluginErrorText(ReadSeiriPlugin(plugin({}) + "x\n")),
             u"6行目: [end] の後に内容があります"_qs);
    QCOMPARE(SeiriPluginErrorText(ReadSeiriPlugin(plugin({}).chopped(6))),
             u"[end] がありません（ファイルが途中で切れています）"_qs);
    QCOMPARE(
        SeiriPluginErrorText(ReadSeiriPlugin(
            plugin(u"[draw]\nbarcode x=0 y=0 w=9 h=9 type=code128 value={time}{time}{time}{time}"
                   u"{date}{route}{route}\n"_qs,
                   u"CanBarcode = 1\n"_qs))),
        u"7行目: バーコードに入りきりません（value は最長 102 文字、code128 は 80 文字まで）"_qs);
    QVERIFY(SeiriPluginErrorText(ReadSeiriPlugin(plugin({}))).isEmpty());
}

void TestPlugin::fileReading()
{
    QTemporaryDir dir;
    QFile big(dir.filePath(u"big.4SP"_qs));
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(kPluginMaxFileBytes + 100, '#'));
    big.close();
    QCOMPARE(int(ReadSeiriPluginFile(big.fileName()).error), int(Error::TooLarge));
    for (const QString& path : {dir.filePath(u"gone.4SP"_qs), dir.path(), QString()})
        QCOMPARE(int(ReadSeiriPluginFile(path).error), int(Error::Unreadable));
}

void TestPlugin::barcodes_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("tmpl");
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("expected");
    const int code128 = int(ZXing::BarcodeFormat::Code128);
    const int itf = int(ZXing::BarcodeFormat::ITF);
    const int codabar = int(ZXing::BarcodeFormat::Codabar);
    const QString sys = u"03-05-2025"_qs;
    QTest::newRow("Code 128, date and time") << u"code128"_qs << u"R{route}-{date} {time}"_qs << sys
                                             << code128 << u"R12-03-05-2025 08:07:09"_qs;
    QTest::newRow("ITF") << u"itf"_qs << u"{route:4}{row:3}{ticket:3}"_qs << sys << itf
                         << u"0012004003"_qs;
    QTest::newRow("ITF, odd digit count")
        << u"itf"_qs << u"{row}{ticket}{route}0"_qs << sys << itf << u"043120"_qs;
    QTest::newRow("Codabar") << u"codabar"_qs << u"{year}/{month:2}/{day:2}-{ticket}"_qs << sys
                             << codabar << u"2025/03/05-3"_qs;
    // A barcode carries the era's first year as the number, not as 元.
    QTest::newRow("first year of an era")
        << u"code128"_qs << u"R{eyear:2}{eyear}"_qs << u"05-01-2019"_qs << code128 << u"R011"_qs;
}

void TestPlugin::barcodes()
{
    QFETCH(QString, type);
    QFETCH(QString, tmpl);
    QFETCH(QString, date);
    QFETCH(int, format);
    QFETCH(QString, expected);
    const SeiriPluginResult r = ReadSeiriPlugin(
        u"4SP 1\n[info]\nPrevWidth = 6000\nPrevHeight = 1500\nCanBarcode = 1\n[draw]\n"
        "barcode x=10 y=10 w=380 h=60 type=%1 value=\"%2\"\n[end]\n"_qs.arg(type, tmpl)
            .toUtf8());
    QVERIFY2(r.ok(), qPrintable(SeiriPluginErrorText(r)));
    const QImage img = draw(*r.plugin, values(date));
    QCOMPARE(decode(img, ZXing::BarcodeFormat(format)), expected);
    // Bars only inside the item's box.
    QImage blank = img;
    blank.fill(Qt::white);
    QVERIFY(QRect(10, 10, 380, 60).contains(difference(img, blank)));
}

void TestPlugin::barcodesAtTheirLongest_data()
{
    // Values a plugin at its symbology's limit is accepted with: at their
    // longest, every one still draws bars that read back.
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("tmpl");
    QTest::addColumn<bool>("negative"); // the numbers at their most negative
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("expected");
    const QString d16 = QString(16, u'1');
    const QString t16 = QString(16, u'2');
    QTest::newRow("Code 128, 80 characters")
        << u"code128"_qs << u"{date}{time}{date}{time}{ticket}ABCDEFGHIJ"_qs << true
        << int(ZXing::BarcodeFormat::Code128) << d16 + t16 + d16 + t16 + u"-32768ABCDEFGHIJ"_qs;
    QTest::newRow("ITF, 80 digits")
        << u"itf"_qs << u"{route}"_qs.repeated(8) << false << int(ZXing::BarcodeFormat::ITF)
        << u"2147483647"_qs.repeated(8);
    QTest::newRow("ITF, 79 digits and its padding")
        << u"itf"_qs << u"{route}"_qs.repeated(7) + u"{row:9}"_qs << false
        << int(ZXing::BarcodeFormat::ITF)
        << u"0"_qs + u"2147483647"_qs.repeated(7) + u"000032767"_qs;
    QTest::newRow("Codabar, beyond 80 characters")
        << u"codabar"_qs << u"{date}{time}{date}{time}{ticket}-$:/.+01234"_qs << true
        << int(ZXing::BarcodeFormat::Codabar) << d16 + t16 + d16 + t16 + u"-32768-$:/.+01234"_qs;
}

void TestPlugin::barcodesAtTheirLongest()
{
    QFETCH(QString, type);
    QFETCH(QString, tmpl);
    QFETCH(bool, negative);
    QFETCH(int, format);
    QFETCH(QString, expected);
    const SeiriPluginResult r = ReadSeiriPlugin(
        u"4SP 1\n[info]\nPrevWidth = 15000\nPrevHeight = 1500\nCanBarcode = 1\n[draw]\n"
        "barcode x=0 y=10 w=1000 h=80 type=%1 value=\"%2\"\n[end]\n"_qs.arg(type, tmpl)
            .toUtf8());
    QVERIFY2(r.ok(), qPrintable(SeiriPluginErrorText(r)));
    const TicketValues v{
        {},
        QString(30, u'1'),
        QString(30, u'2'),
        negative ? std::numeric_limits<qint32>::min() : std::numeric_limits<qint32>::max(),
        negative ? std::numeric_limits<qint16>::min() : std::numeric_limits<qint16>::max(),
        std::numeric_limits<qint16>::max(),
        -1};
    QCOMPARE(decode(draw(*r.plugin, v), ZXing::BarcodeFormat(format)), expected);
}

void TestPlugin::codabarStartAndStop()
{
    // The bars begin and end with Codabar's start/stop character A, which a
    // scanner set to pass them on sends around the value.
    const SeiriPluginResult r =
        ReadSeiriPlugin(plugin(u"[draw]\nbarcode x=0 y=0 w=200 h=40 type=codabar value=12-34\n"_qs,
                               u"CanBarcode = 1\n"_qs));
    QVERIFY(r.ok());
    const QImage gray = draw(*r.plugin, values()).convertToFormat(QImage::Format_Grayscale8);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Codabar);
    hints.setReturnCodabarStartEnd(true);
    const ZXing::Result read =
        ZXing::ReadBarcode(ZXing::ImageView(gray.constBits(), gray.width(), gray.height(),
                                            ZXing::ImageFormat::Lum, int(gray.bytesPerLine())),
                           hints);
    QCOMPARE(QString::fromStdString(read.text()), u"A12-34A"_qs);
}

void TestPlugin::barcodeTheSymbologyCannotHold()
{
    // A negative ticket number has a sign ITF cannot carry: no bars, no failure.
    const SeiriPluginResult r =
        ReadSeiriPlugin(plugin(u"[draw]\nbarcode x=0 y=0 w=200 h=20 type=itf value={ticket:4}\n"_qs,
                               u"CanBarcode = 1\n"_qs));
    QVERIFY(r.ok());
    TicketValues v = values();
    v.seiriNo = -5;
    const QImage img = draw(*r.plugin, v);
    QImage blank = img;
    blank.fill(Qt::white);
    QVERIFY(img == blank);
    QVERIFY(BarcodeModules(TicketBarcode::Itf, u"-0005"_qs).empty());
    QVERIFY(BarcodeModules(TicketBarcode::Code128, QString(81, u'1')).empty());
    QVERIFY(!BarcodeModules(TicketBarcode::Code128, QString(80, u'1')).empty());
}

void TestPlugin::sampleTicket()
{
    const SeiriPluginResult r = ReadSeiriPluginFile(QStringLiteral(RUTOMIA_SAMPLE_PLUGIN));
    QVERIFY2(r.ok(), qPrintable(SeiriPluginErrorText(r)));
    const SeiriPlugin& p = *r.plugin;
    QCOMPARE(p.companies.value(0), u"ホロテ交通"_qs);
    QCOMPARE(p.info.CanBarcode, 1);
    QVERIFY(p.info.CorpSwitch >= 1);
    // It fits the control panel's preview pane.
    QVERIFY(p.info.PrevWidth / 15 <= 226 && p.info.PrevHeight / 15 <= 188);

    const TicketValues v{u"駅前ターミナル"_qs, u"03-05-2025"_qs, u"08:15:30"_qs, 1, 12, 7, 1};
    QStringList texts;
    QRect barcodeBox;
    for (const TicketItem& item : p.items) {
        if (item.kind == TicketItemKind::Text)
            texts << ExpandTicketText(item.text, v, p.companies);
        if (item.kind == TicketItemKind::Barcode)
            barcodeBox = QRect(item.x, item.y, item.w, item.h);
    }
    const QStringList expected{u"ホロテ観光バス"_qs, u"整理券"_qs,         u"12"_qs,
                               u"乗車"_qs,           u"駅前ターミナル"_qs, u"令和7年3月5日"_qs,
                               u"08:15"_qs,          u"系統 1"_qs};
    QCOMPARE(texts.mid(0, expected.size()), expected);

    // The barcode carries route, stop order and ticket number, and reads back.
    const QImage img = draw(p, v);
    QVERIFY(!barcodeBox.isNull());
    QCOMPARE(decode(img, ZXing::BarcodeFormat::Code128, barcodeBox.adjusted(-8, -4, 8, 4)),
             u"0001007012"_qs);

    // Each value changed in turn shows, and only inside the items that print it.
    const std::pair<TicketField, std::function<void(TicketValues&)>> changes[] = {
        {TicketField::StopName, [](TicketValues& c) { c.stopName = u"市役所前"_qs; }},
        {TicketField::SeiriNo, [](TicketValues& c) { c.seiriNo = 48; }},
        {TicketField::Day, [](TicketValues& c) { c.dateText = u"03-06-2025"_qs; }},
        {TicketField::Minute, [](TicketValues& c) { c.timeText = u"08:16:30"_qs; }},
        {TicketField::RouteNo, [](TicketValues& c) { c.routeNo = 205; }},
        {TicketField::Company, [](TicketValues& c) { c.corpIndex = 2; }},
    };
    for (const auto& [field, change] : changes) {
        QRegion allowed;
        for (const TicketItem& item : p.items)
            if (uses(item, field))
                allowed += QRect(item.x, item.y, item.w, item.h).adjusted(-2, -3, 2, 3);
        TicketValues changed = v;
        change(changed);
        const QImage after = draw(p, changed);
        int changedPixels = 0;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                if (img.pixel(x, y) == after.pixel(x, y))
                    continue;
                ++changedPixels;
                QVERIFY2(allowed.contains(QPoint(x, y)),
                         qPrintable(u"field %1 at %2,%3"_qs.arg(int(field)).arg(x).arg(y)));
            }
        }
        QVERIFY2(changedPixels > 0, qPrintable(QString::number(int(field))));
    }
}

void TestPlugin::drawCost_data()
{
    // Items on the 200 × 100 picture of plugin(); the cost of the drawing.
    QTest::addColumn<QString>("items");
    QTest::addColumn<QString>("companies");
    QTest::addColumn<qint64>("cost");
    // Only what lies on the picture is filled.
    QTest::newRow("box off the picture") << "box x=300 y=0 w=4000 h=4000 pen=0 fill=#000000"
                                         << "" << qint64(15);
    QTest::newRow("box over the picture") << "box x=-50 y=-50 w=4000 h=4000 pen=0 fill=#000000"
                                          << "" << qint64(15 + 2);
    QTest::newRow("text: numbers at their widest") << "text x=0 y=0 w=1 h=1 value={route}{ticket:9}"
                                                   << "" << qint64(15 + (11 + 10) * 40);
    QTest::newRow("text: the longest company") << "text x=0 y=0 w=1 h=1 value={company}"
                                               << "ホロテ交通\nA" << qint64(15 + 5 * 40);
}

void TestPlugin::drawCost()
{
    QFETCH(QString, items);
    QFETCH(QString, companies);
    QFETCH(qint64, cost);
    const QString body =
        (companies.isEmpty() ? QString() : u"[companies]\n"_qs + companies + u"\n"_qs) +
        u"[draw]\n"_qs + items + u"\n"_qs;
    const SeiriPluginResult r = ReadSeiriPlugin(plugin(body));
    QVERIFY2(r.ok(), qPrintable(SeiriPluginErrorText(r)));
    QCOMPARE(TicketDrawCost(*r.plugin), cost);
}

void TestPlugin::warnings_data()
{
    // A picture (in twips) and items from line 7; each warning expected as
    // "line:part of its text".
    QTest::addColumn<QSize>("twips");
    QTest::addColumn<QString>("items");
    QTest::addColumn<QStringList>("expected");
    const QSize small(3000, 1500); // 200 x 100 pixels
    QTest::newRow("all on the picture")
        << small
        << u"box x=0 y=0 w=200 h=100\nline x1=0 y1=0 x2=200 y2=100\nline x1=0 y1=0 x2=200 y2=0\n"
           "text x=199 y=99 w=1 h=1 value=a\nbox x=500 y=0 w=0 h=0\npaper color=#FFFFFF\n"_qs
        << QStringList();
    QTest::newRow("the pane's size") << QSize(3390, 2820) << QString() << QStringList();
    QTest::newRow("wider than the pane")
        << QSize(3405, 1500) << QString()
        << QStringList{u"0:プレビューの絵 (227 x 100 ピクセル) が操作盤のプレビュー欄 (226 x 188 "
                       u"ピクセル) より大きく"_qs};
    QTest::newRow("taller than the pane")
        << QSize(1500, 2835) << QString() << QStringList{u"0:(100 x 189 ピクセル)"_qs};
    QTest::newRow("partly off")
        << small
        << u"box x=150 y=0 w=51 h=10\ntext x=0 y=-1 w=10 h=10 value=a\n"
           "line x1=10 y1=10 x2=10 y2=101\nbarcode x=-5 y=0 w=200 h=10 type=itf value=1\n"_qs
        << QStringList{u"7:box は絵 (200 x 100 ピクセル) からはみ出しています"_qs,
                       u"8:text は絵 (200 x 100 ピクセル) からはみ出し"_qs,
                       u"9:line は絵 (200 x 100 ピクセル) からはみ出し"_qs,
                       u"10:barcode は絵 (200 x 100 ピクセル) からはみ出し"_qs};
    QTest::newRow("wholly off")
        << small
        << u"box x=200 y=0 w=10 h=10\ntext x=0 y=-10 w=10 h=10 value=a\n"
           "line x1=0 y1=-5 x2=10 y2=-1\nline x1=-9 y1=0 x2=-1 y2=50\n"
           "box x=-10 y=0 w=10 h=10\n"_qs
        << QStringList{u"7:box は絵 (200 x 100 ピクセル) の外にあり、描かれません"_qs,
                       u"8:text は絵 (200 x 100 ピクセル) の外にあり"_qs,
                       u"9:line は絵 (200 x 100 ピクセル) の外にあり"_qs,
                       u"10:line は絵 (200 x 100 ピクセル) の外にあり"_qs,
                       u"11:box は絵 (200 x 100 ピクセル) の外にあり"_qs};
    // The sample's ten digits at their widest ordinary values: a five-digit
    // route makes eleven, 112 bars in Code 128, 117 in ITF (padded to twelve).
    const QString digits = u"value={route:4}{row:3}{ticket:3}\n"_qs;
    QTest::newRow("barcode wide enough")
        << small << u"barcode x=0 y=0 w=132 h=20 type=code128 "_qs + digits << QStringList();
    QTest::newRow("barcode without its quiet zones")
        << small << u"barcode x=0 y=0 w=131 h=20 type=code128 "_qs + digits
        << QStringList{u"7:バーコードの枠の幅 131 ピクセルでは、値が最も長いとき (99999301150) の"
                       u"バー 112 本の両側に余白"_qs};
    QTest::newRow("barcode narrower than its bars")
        << small << u"barcode x=0 y=0 w=116 h=20 type=itf "_qs + digits
        << QStringList{u"7:バー 117 本より狭く、バーが 1 ピクセルより細くなって読み取れません。"
                       u"幅を 137 ピクセル以上"_qs};
}

void TestPlugin::warnings()
{
    QFETCH(QSize, twips);
    QFETCH(QString, items);
    QFETCH(QStringList, expected);
    const SeiriPluginResult r = ReadSeiriPlugin(
        u"4SP 1\n[info]\nPrevWidth = %1\nPrevHeight = %2\nCanBarcode = 1\n[draw]\n%3[end]\n"_qs
            .arg(twips.width())
            .arg(twips.height())
            .arg(items)
            .toUtf8());
    QVERIFY2(r.ok(), qPrintable(SeiriPluginErrorText(r)));
    const QList<SeiriPluginWarning> found = SeiriPluginWarnings(*r.plugin);
    QStringList shown;
    for (const SeiriPluginWarning& w : found)
        shown << QString::number(w.line) + u':' + w.text;
    QCOMPARE(shown.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const QString line = expected[i].section(u':', 0, 0);
        QVERIFY2(shown[i].startsWith(line + u':') &&
                     shown[i].contains(expected[i].mid(line.size() + 1)),
                 qPrintable(shown[i]));
    }
    if (!found.isEmpty() && found.first().line > 0)
        QCOMPARE(SeiriPluginWarningText(found.first()),
                 u"%1行目: %2"_qs.arg(found.first().line).arg(found.first().text));
}

void TestPlugin::plgtool_data()
{
    // A command line ("$p" the plugin written from "file", "$o" a picture);
    // the exit code and texts its output must hold.
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QStringList>("err");
    const QString sample = u"<sample>"_qs;
    QTest::newRow("check the sample")
        << QStringList{u"check"_qs, u"$p"_qs} << sample << 0
        << QStringList{u"プラグインです（UTF-8）"_qs,
                       u"オプションの「上記プラグインのプロパティ」:"_qs}
        << QStringList();
    QTest::newRow("check with warnings")
        << QStringList{u"check"_qs, u"$p"_qs}
        << u"4SP 1\r[info]\rPrevWidth = 3000\rPrevHeight = 1500\r[draw]\r"
           "box x=190 y=0 w=20 h=5\r[end]\r"_qs
        << 0 << QStringList{u"  社名切り替え:---> 不可"_qs}
        << QStringList{
               u"p.4SP: 警告: 6行目: box は絵 (200 x 100 ピクセル) からはみ出しています"_qs};
    QTest::newRow("check a refusal")
        << QStringList{u"check"_qs, u"$p"_qs}
        << u"4SP 1\n[info]\nPrevWidth = 3000\nPrevHeight = 1500\ncolour = 1\n[end]\n"_qs << 1
        << QStringList() << QStringList{u"p.4SP: 5行目: 不明な項目名です（colour）"_qs};
    QTest::newRow("check with one too many")
        << QStringList{u"check"_qs, u"$p"_qs, u"extra"_qs} << sample << 2 << QStringList()
        << QStringList{u"「extra」は使えません"_qs, u"使い方:"_qs};
    QTest::newRow("draw") << QStringList{u"draw"_qs,      u"$p"_qs,       u"$o"_qs,
                                         u"ticket=-5"_qs, u"stop=a=b"_qs, u"company=1"_qs}
                          << sample << 0 << QStringList() << QStringList();
    QTest::newRow("draw, a number it cannot take")
        << QStringList{u"draw"_qs, u"$p"_qs, u"$o"_qs, u"route=1"_qs, u"ticket=40000"_qs} << sample
        << 2 << QStringList()
        << QStringList{u"「ticket=40000」は使えません: ticket は -32768 ～ 32767 の整数です"_qs};
    QTest::newRow("draw, an unknown name")
        << QStringList{u"draw"_qs, u"$p"_qs, u"$o"_qs, u"colour=1"_qs} << sample << 2
        << QStringList()
        << QStringList{u"「colour=1」は使えません: colour という項目はありません"_qs};
    QTest::newRow("draw, no value")
        << QStringList{u"draw"_qs, u"$p"_qs, u"$o"_qs, u"ticket"_qs} << sample << 2 << QStringList()
        << QStringList{u"「ticket」は使えません: 項目=値 の形で"_qs};
    QTest::newRow("an unknown command")
        << QStringList{u"show"_qs, u"$p"_qs} << sample << 2 << QStringList()
        << QStringList{u"「show」は使えません: コマンドは check か draw です"_qs};
}

void TestPlugin::plgtool()
{
    QFETCH(QStringList, args);
    QFETCH(QString, file);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QStringList, err);
    QTemporaryDir dir;
    QString plugin = QStringLiteral(RUTOMIA_SAMPLE_PLUGIN);
    if (file != u"<sample>") {
        plugin = dir.filePath(u"p.4SP"_qs);
        QFile f(plugin);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file.toUtf8());
    }
    const QString picture = dir.filePath(u"out.png"_qs);
    args.replaceInStrings(u"$p"_qs, plugin).replaceInStrings(u"$o"_qs, picture);
    QProcess tool;
    tool.start(QStringLiteral(PLGTOOL), args);
    QVERIFY(tool.waitForFinished(60000));
    const QString stdOut = QString::fromUtf8(tool.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(tool.readAllStandardError());
    QCOMPARE(tool.exitCode(), exitCode);
    for (const QString& o : out)
        QVERIFY2(stdOut.contains(o), qPrintable(stdOut));
    for (const QString& e : err)
        QVERIFY2(stdErr.contains(e), qPrintable(stdErr));
    if (exitCode != 0 || args[0] != u"check")
        return;
    // The capability lines by the options page's own rule; the sample has
    // nothing to warn of.
    const SeiriPluginResult r = ReadSeiriPluginFile(plugin);
    QVERIFY(r.ok());
    for (const QString& line : PlgInfoLines(r.plugin->info))
        QVERIFY2(stdOut.contains(u"\n  "_qs + line + u'\n'), qPrintable(line));
    if (file == u"<sample>")
        QVERIFY2(!stdErr.contains(u"警告"_qs), qPrintable(stdErr));
}

void TestPlugin::documentedSample()
{
    // The documentation's picture of the sample ticket is what the demo route
    // shows: its barcode carries route, row and ticket number (4, 3 and 3
    // digits), which must be the first demo stop's and the captions'.
    const QString root = QStringLiteral(RUTOMIA_SOURCE_DIR);
    const QImage picture(root + u"/docs/plugin-sample.png"_qs);
    QVERIFY(!picture.isNull());
    const QString carried = decode(picture, ZXing::BarcodeFormat::Code128);
    QCOMPARE(carried.size(), 10);
    const int route = carried.left(4).toInt();
    const int row = carried.mid(4, 3).toInt();
    const int ticket = carried.mid(7).toInt();

    QFile demo(root + u"/data/demo/%1.csv"_qs.arg(route));
    QVERIFY2(demo.open(QIODevice::ReadOnly), qPrintable(demo.fileName()));
    QStringList stops;
    for (const QByteArray& line : demo.readAll().split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            stops << QString::fromUtf8(line);
    QVERIFY(row >= 1 && row <= stops.size());
    const QStringList stop = stops[row - 1].split(u',');
    QCOMPARE(stop.value(1).toInt(), ticket);

    const std::pair<const char16_t*, const char16_t*> captions[] = {
        {u"/docs/plugin-format.md", u"ticket for the stop (\\S+), ticket (\\d+), route (\\d+)"},
        {u"/docs/ja/format-4sp.md", u"停留所 (\\S+)、整理券 (\\d+)、系統 (\\d+)"},
    };
    for (const auto& [file, pattern] : captions) {
        QFile doc(root + QString::fromUtf16(file));
        QVERIFY(doc.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(doc.readAll()).simplified();
        const QRegularExpressionMatch m =
            QRegularExpression(QString::fromUtf16(pattern)).match(text);
        QVERIFY2(m.hasMatch(), qPrintable(QString::fromUtf16(file)));
        QCOMPARE(m.captured(1), stop.value(0));
        QCOMPARE(m.captured(2).toInt(), ticket);
        QCOMPARE(m.captured(3).toInt(), route);
    }
}

void TestPlugin::valuesAreCut()
{
    const SeiriPluginResult r = ReadSeiriPlugin(plugin(u"[draw]\ntext x=0 y=0 w=1 h=1 "
                                                       u"value=\"{stop}|{date}|{time}\"\n"_qs));
    QVERIFY(r.ok());
    const TicketText& text = r.plugin->items[0].text;
    TicketValues v = values();
    v.stopName = QString(39, u'停') + u"𠮷"_qs + u"先"_qs; // the 40th character is a pair
    v.dateText = QString(30, u'1');
    v.timeText = QString(30, u'2');
    const QString expanded = ExpandTicketText(text, v, {});
    QCOMPARE(expanded, QString(39, u'停') + u'|' + QString(16, u'1') + u'|' + QString(16, u'2'));
    QVERIFY(expanded.size() <= TicketTextMaxChars(text, {}));
    v.stopName = QString(38, u'停') + u"𠮷"_qs + u"先"_qs;
    QCOMPARE(ExpandTicketText(text, v, {}).section(u'|', 0, 0), QString(38, u'停') + u"𠮷"_qs);
}

void TestPlugin::worstCaseDrawsWithinAFrame_data()
{
    // One drawing item, repeated on a 1000 × 1000 picture for as long as the
    // plugin stays within its cost: "$i" counts the items, "$s" makes every
    // text a size of its own and "$w" a squeeze of its own, so no glyph is
    // drawn from a cache.
    QTest::addColumn<QString>("item");
    QTest::newRow("fitted stop names")
        << "text x=0 y=$i w=$w h=64 size=$s fit=1 bold=1 value={stop}";
    QTest::newRow("literal text") << "text x=0 y=$i w=$w h=30 size=$s fit=1 "
                                     "value=あいうえおかきくけこさしすせそたちつてとなにぬねの";
    QTest::newRow("outlined glyphs") << "text x=0 y=$i w=$w h=400 size=400 fit=1 value=整理券番号";
    QTest::newRow("papers") << "paper color=#F0F0F0";
    QTest::newRow("rounded boxes")
        << "box x=-100 y=-100 w=4000 h=4000 pen=50 radius=4000 fill=#808080";
    QTest::newRow("lines") << "line x1=0 y1=$i x2=4000 y2=4000 pen=50 style=dash";
    QTest::newRow("barcodes")
        << "barcode x=0 y=0 w=1000 h=1000 type=codabar value={route:9}{ticket:9}{row:9}";
}

void TestPlugin::worstCaseDrawsWithinAFrame()
{
#if defined(__SANITIZE_ADDRESS__) || !defined(QT_NO_DEBUG)
    QSKIP("drawing times are those of the normal build");
#endif
    QFETCH(QString, item);
    const QString head = u"4SP 1\n[info]\nPrevWidth = 15000\nPrevHeight = 15000\n"
                         u"CanBarcode = 1\n[draw]\n"_qs;
    QString items;
    int count = 0;
    for (; count < kPluginMaxItems; ++count) {
        QString line = item;
        line.replace(u"$i"_qs, QString::number(count))
            .replace(u"$s"_qs, QString::number(64 - count % 40))
            .replace(u"$w"_qs, QString::number(600 - count * 7 % 97));
        const SeiriPluginResult r =
            ReadSeiriPlugin((head + items + line + u"\n[end]\n"_qs).toUtf8());
        if (!r.ok())
            break;
        items += line + u'\n';
    }
    QVERIFY(count > 0);
    QTemporaryDir dir;
    QFile file(dir.filePath(u"worst.4SP"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write((head + items + u"[end]\n"_qs).toUtf8());
    file.close();

    // As the board update draws it: the plugin read afresh, then drawn, with a
    // new stop name of forty characters not drawn before at every step.
    QImage picture(1000, 1000, QImage::Format_RGB32);
    std::vector<double> ms;
    for (int step = 0; step < 9; ++step) {
        QString stop;
        for (int c = 0; c < 60; ++c)
            stop += QChar(char16_t(0x4E00 + (step * 60 + c) * 13 % 20000));
        picture.fill(Qt::white);
        QElapsedTimer t;
        t.start();
        {
            QPainter painter(&picture);
            LT4_DrawSeiriken(file.fileName(), painter, stop, u"03-05-2025"_qs,
                             u"08:15:%1"_qs.arg(step, 2, 10, QLatin1Char('0')), 1234 + step,
                             qint16(step), qint16(step + 1), -1);
        }
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    qInfo("%d items: median %.1f ms, slowest %.1f ms", count, ms[ms.size() / 2], ms.back());
    QImage white(picture.size(), picture.format());
    white.fill(Qt::white);
    QVERIFY(!difference(picture, white).isEmpty()); // the items were drawn
    QVERIFY2(ms[ms.size() / 2] < 16.0, qPrintable(QString::number(ms[ms.size() / 2])));
}

QTEST_MAIN(TestPlugin)
#include "tst_plugin.moc"
