// SPDX-License-Identifier: GPL-3.0-or-later
// The fare data reader, its file-name rules and the fare table, over files
// built byte by byte here rather than by our own encoder.

#include "panel/FareData.h"

#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

template <typename T> void Put(QByteArray& b, T v)
{
    char c[sizeof(T)];
    qToLittleEndian(v, c);
    b.append(c, sizeof(T));
}

// One record as the file holds it; fares not given are 0.
QByteArray RecordBytes(const QByteArray& cp932Name, qint16 seiriNo, const QList<qint16>& fares = {})
{
    QByteArray b;
    Put(b, quint16(cp932Name.size()));
    b += cp932Name;
    Put(b, seiriNo);
    for (int k = 1; k <= kFareColumns; ++k)
        Put(b, k <= fares.size() ? fares[k - 1] : qint16(0));
    return b;
}

QByteArray FileBytes(qint16 count, const QList<QByteArray>& records)
{
    QByteArray b;
    Put(b, count);
    for (const QByteArray& r : records)
        b += r;
    return b;
}

StopRecord Stop(const QString& name, qint16 seiriNo, const QList<qint16>& fares = {})
{
    StopRecord r;
    r.StopName = name;
    r.SeiriNo = seiriNo;
    for (int k = 1; k <= fares.size(); ++k)
        r.Fare[size_t(k)] = fares[k - 1];
    return r;
}

// Parses a copy that sits in a buffer of exactly its size, so that the address
// sanitizer sees any read past the end.
FareFileResult ParseExact(const QByteArray& bytes)
{
    std::vector<char> buf(bytes.begin(), bytes.end());
    return ParseFareFile(QByteArray::fromRawData(buf.data(), qsizetype(buf.size())));
}

// Three records of different name lengths: none, CP932 kanji, NEC extension.
const QList<QByteArray> kSmallRecords = {
    RecordBytes({}, 1, {160}), RecordBytes("\x89\x77\x91\x4f", 2, {190, 160}), // 駅前
    RecordBytes("\x87\x40\x94\xd4\x81\x60", 3, {-1, 190, 160}),                // ①番～
};
const QList<StopRecord> kSmallStops = {
    Stop({}, 1, {160}),
    Stop(QStringLiteral("駅前"), 2, {190, 160}),
    Stop(QStringLiteral("①番～"), 3, {-1, 190, 160}),
};

} // namespace

class tst_FareData final : public QObject {
    Q_OBJECT
private slots:
    void fileName_data();
    void fileName();
    void leadingNumberAndSection_data();
    void leadingNumberAndSection();
    void checkSection();
    void readsRecords();
    void countDecidesTheFile_data();
    void countDecidesTheFile();
    void truncatedAtEveryOffset();
    void errorTexts();
    void encoder();
    void fillAndClear();
};

void tst_FareData::fileName_data()
{
    // A plain folder and route "012" are how every route test finds its file.
    QTest::addColumn<QStringList>("names"); // folder, route, file name
    using L = QStringList;
    QTest::newRow("empty route") << L{"", "", "0.hy3"};
    QTest::newRow("all zeros") << L{"", "00000", "0.hy3"};
    QTest::newRow("digits then text") << L{"", "12ab", "12.hy3"};
    QTest::newRow("beyond any integer")
        << L{"", "00000000000000000000123456789012345678901234567890",
             "123456789012345678901234567890.hy3"};
    QTest::newRow("folder with slash") << L{"/srv/運賃/", "007", "/srv/運賃/7.hy3"};
    QTest::newRow("folder with backslash") << L{"D:\\運賃\\", "7", "D:\\運賃\\7.hy3"};
}

void tst_FareData::fileName()
{
    QFETCH(QStringList, names);
    QCOMPARE(FareFileName(names[0], names[1]), names[2]);
}

void tst_FareData::leadingNumberAndSection_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("section");
    QTest::newRow("digits then letters") << "12ab" << 12 << 12;
    QTest::newRow("leading blanks") << "  42" << 42 << 42;
    QTest::newRow("no leading number") << "ab12" << 0 << 1;
    QTest::newRow("sign is not a digit") << "-5" << 0 << 1;
    QTest::newRow("full-width digits") << "１２" << 0 << 1;
    QTest::newRow("last row") << "300" << 300 << 300;
    QTest::newRow("one past") << "301" << 301 << 300;
    const int max = std::numeric_limits<int>::max();
    QTest::newRow("int max") << "2147483647" << max << 300;
    QTest::newRow("int max + 1") << "2147483648" << max << 300;
}

void tst_FareData::leadingNumberAndSection()
{
    QFETCH(QString, text);
    QFETCH(int, number);
    QFETCH(int, section);
    QCOMPARE(LeadingNumber(text), number);
    QCOMPARE(ClampSection(LeadingNumber(text)), qint16(section));
}

void tst_FareData::checkSection()
{
    // The edges; a route without records and a section too far are tst_route's refusals.
    QCOMPARE(CheckSection(5, 4), RouteSetCheck::Ok);
    QCOMPARE(CheckSection(5, 5), RouteSetCheck::SectionBeyondData);
    QCOMPARE(CheckSection(-32768, 1), RouteSetCheck::SectionBeyondData);
    QCOMPARE(CheckSection(301, 300), RouteSetCheck::Ok);
}

void tst_FareData::readsRecords()
{
    // Fares at both ends of the row and of the 16-bit range, -1 kept as a code,
    // and bytes after the last record left alone.
    QList<qint16> fares(kFareColumns, 0);
    fares.first() = -1;
    fares[1] = std::numeric_limits<qint16>::min();
    fares[2] = std::numeric_limits<qint16>::max();
    fares.last() = -1;
    const QByteArray bytes = FileBytes(2, {RecordBytes("\x8e\x73\x97\xa7\x91\x8d\x8d\x87\x88\xe3"
                                                       "\x97\xc3\x83\x5a\x83\x93\x83\x5e\x81\x5b"
                                                       "\x91\x4f",
                                                       -7, fares),
                                           kSmallRecords[1]}) +
                             "tail";
    const FareFileResult res = ParseExact(bytes);
    QVERIFY(res.ok());
    QCOMPARE(res.count, qint16(2));
    QCOMPARE(res.trailingBytes, 4);
    QCOMPARE(res.records.size(), 2);
    QCOMPARE(res.records[0], Stop(QStringLiteral("市立総合医療センター前"), -7, fares));
    QCOMPARE(res.records[1], kSmallStops[1]);

    // The largest legal file reads.
    QList<QByteArray> records;
    for (int r = 1; r <= kFareTableRows; ++r)
        records << RecordBytes(QByteArray::number(r), qint16(r), {qint16(r * 10)});
    const FareFileResult largest = ParseExact(FileBytes(kFareTableRows, records));
    QVERIFY(largest.ok());
    QCOMPARE(largest.records.last(), Stop(QStringLiteral("301"), 301, {3010}));
}

void tst_FareData::countDecidesTheFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<FareFileError>("error");
    QTest::addColumn<int>("recordsRead");
    using E = FareFileError;
    // No records at all: read, and refused by route set from the count.
    QTest::newRow("empty file") << QByteArray() << 0 << E::None << 0;
    QTest::newRow("one byte") << QByteArray("\x05", 1) << 0 << E::None << 0;
    QTest::newRow("count 0 with a record after it")
        << FileBytes(0, {kSmallRecords[1]}) << 0 << E::None << 0;
    // Counts no file can match.
    QTest::newRow("count -32768") << QByteArray("\0\x80", 2) << -32768 << E::NotFareData << 0;
    QList<QByteArray> records(kFareTableRows + 1, kSmallRecords[0]);
    QTest::newRow("302 records, all there")
        << FileBytes(kFareTableRows + 1, records) << 302 << E::TooManyRecords << 0;
    QTest::newRow("32767 with 302 records")
        << FileBytes(32767, records) << 32767 << E::NotFareData << 0;
    // A name length that runs past the end cuts the file inside record 2.
    QByteArray longName = FileBytes(3, {kSmallRecords[1]});
    Put(longName, quint16(0xFFFF));
    QTest::newRow("name of 65535 bytes, 100 there")
        << longName + QByteArray(100, '\x82') << 3 << E::Truncated << 1;
}

void tst_FareData::countDecidesTheFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    QFETCH(FareFileError, error);
    QFETCH(int, recordsRead);
    const FareFileResult res = ParseExact(bytes);
    QCOMPARE(res.count, qint16(count));
    QCOMPARE(res.error, error);
    QCOMPARE(res.recordsRead, recordsRead);
    QVERIFY(res.records.isEmpty());
}

void tst_FareData::truncatedAtEveryOffset()
{
    const QByteArray whole = FileBytes(3, kSmallRecords);
    QList<qsizetype> recordEnds;
    qsizetype end = 2;
    for (const QByteArray& r : kSmallRecords)
        recordEnds << (end += r.size());

    for (qsizetype n = 2; n < whole.size(); ++n) {
        const FareFileResult res = ParseExact(whole.left(n));
        QCOMPARE(res.error, FareFileError::Truncated);
        QCOMPARE(res.count, qint16(3));
        QCOMPARE(res.recordsRead, int(std::count_if(recordEnds.begin(), recordEnds.end(),
                                                    [n](qsizetype e) { return e <= n; })));
        QVERIFY(res.records.isEmpty());
    }
    const FareFileResult res = ParseExact(whole);
    QVERIFY(res.ok());
    QCOMPARE(res.records, kSmallStops);
}

void tst_FareData::errorTexts()
{
    // The other refusals' texts are shown in tst_route's refusedFilesKeepThePreviousRoute.
    FareFileResult res;
    res.count = 302;
    res.error = FareFileError::TooManyRecords;
    QCOMPARE(FareFileErrorText(res, u"/d/1.hy3"_qs),
             u"運賃データ「/d/1.hy3」のレコード数(302)が上限(301)を超えています。"_qs);
    QVERIFY(FareFileErrorText({}, u"x"_qs).isEmpty());
}

void tst_FareData::encoder()
{
    // Byte for byte the file built by hand, and it reads back.
    FareEncodeResult enc = EncodeFareFile(kSmallStops);
    QVERIFY(enc.ok());
    QVERIFY(!enc.lossy);
    QCOMPARE(enc.bytes, FileBytes(3, kSmallRecords));
    QCOMPARE(EncodeFareFile({}).bytes, QByteArray("\0\0", 2));

    // The longest name the length word can carry, and one byte more.
    const StopRecord longest = Stop(QString(int(kFareNameMaxBytes), u'a'), 1, {-1});
    enc = EncodeFareFile({kSmallStops[0], longest});
    QVERIFY(enc.ok());
    QCOMPARE(enc.bytes.size(), 2 + 2 * 304 + 65535);
    QCOMPARE(ParseExact(enc.bytes).records, (QList<StopRecord>{kSmallStops[0], longest}));
    // Two bytes a character in CP932: 32768 of them are one byte too many.
    enc = EncodeFareFile({kSmallStops[0], kSmallStops[1], Stop(QString(32768, u'あ'), 1)});
    QCOMPARE(enc.error, FareEncodeError::NameTooLong);
    QCOMPARE(enc.errorRecord, 3);
    QVERIFY(enc.bytes.isEmpty());

    enc = EncodeFareFile(QList<StopRecord>(kFareTableRows + 1));
    QCOMPARE(enc.error, FareEncodeError::TooManyRecords);
    QVERIFY(enc.bytes.isEmpty());
    QVERIFY(EncodeFareFile(QList<StopRecord>(kFareTableRows)).ok());

    // A character CP932 lacks is written as "?" and reported.
    enc = EncodeFareFile({kSmallStops[1], Stop(QStringLiteral("停留所😀"), 2)});
    QVERIFY(enc.ok());
    QVERIFY(enc.lossy);
    QCOMPARE(enc.firstLossyRecord, 2);
    QCOMPARE(ParseExact(enc.bytes).records[1].StopName, u"停留所?");
}

void tst_FareData::fillAndClear()
{
    FareTable t;
    QVERIFY(!t.Row(0));
    QVERIFY(!t.Row(302));
    for (int k : {0, 151})
        QCOMPARE(t.Fare(1, k), std::nullopt);
    QCOMPARE(t.Fare(302, 1), std::nullopt);

    // A longer route, then a shorter one: the rows beyond it are cleared.
    QVERIFY(t.Fill(QList<StopRecord>(5, kSmallStops[2])));
    QVERIFY(t.Fill(kSmallStops.mid(0, 2)));
    QCOMPARE(*t.Row(2), kSmallStops[1]);
    QCOMPARE(*t.Row(3), StopRecord{});
    QCOMPARE(t.Fare(2, 1), std::optional<qint16>(190));

    // More rows than the table: fails at row 302 with rows 1..301 filled.
    QList<StopRecord> tooMany(kFareTableRows + 1, kSmallStops[1]);
    tooMany.last() = kSmallStops[2];
    QVERIFY(!t.Fill(tooMany));
    QCOMPARE(*t.Row(kFareTableRows), kSmallStops[1]);

    t.Clear();
    for (int r : {1, 150, 301})
        QCOMPARE(*t.Row(r), StopRecord{});
}

QTEST_APPLESS_MAIN(tst_FareData)
#include "tst_faredata.moc"
