// SPDX-License-Identifier: GPL-3.0-or-later
// Reading outside files only when they are regular files, and saving the
// user's files whole or not at all: through the fault seams, and through the
// kernel refusing writes as a full disk does.

#include "companion/LTM4Res.h"
#include "companion/RegularFile.h"
#include "companion/SaveSet.h"
#include "companion/SeiriPlugin.h"
#include "panel/PanelPicture.h"
#include "run/Timetable.h"
#include "sound/TapeData.h"
#include "tests/FileLimit.h"
#include "tools/FareCsv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace ltm4;

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

// Restores the seams whatever a test does.
struct Seams {
    ~Seams()
    {
        SetSaveFaultHook({});
        SetReadFaultHook({});
    }
};

} // namespace

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    void readsOnlyRegularFiles_data();
    void readsOnlyRegularFiles();
    void readCap_data();
    void readCap();
    void readFaultSeam();
    void tapeListFromAPipe();
    void panelPictures_data();
    void panelPictures();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void fullDiskForReal();
    void savedFileStaysReadable();
    void keepsAnUnreadFileAside();
    void setIsAllOrNothing_data();
    void setIsAllOrNothing();
    void textIsUtf8ElseCp932_data();
    void textIsUtf8ElseCp932();
};

void TestFiles::readsOnlyRegularFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("error");
    QTest::newRow("file") << "file" << int(ReadFileError::None);
    QTest::newRow("link to a file") << "link" << int(ReadFileError::None);
    QTest::newRow("missing") << "missing" << int(ReadFileError::Missing);
    QTest::newRow("empty name") << "empty" << int(ReadFileError::Missing);
    QTest::newRow("folder") << "folder" << int(ReadFileError::Folder);
    QTest::newRow("named pipe") << "fifo" << int(ReadFileError::NotRegular);
    QTest::newRow("link to a named pipe") << "fifo link" << int(ReadFileError::NotRegular);
    QTest::newRow("device") << "device" << int(ReadFileError::NotRegular);
}

void TestFiles::readsOnlyRegularFiles()
{
    QFETCH(QString, kind);
    QFETCH(int, error);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"a.hy3"_qs);
    QVERIFY(write(file, "data"));
    const QString fifo = dir.filePath(u"p.hy3"_qs);
    QVERIFY(MakeFifo(fifo));
    QVERIFY(QFile::link(file, dir.filePath(u"link"_qs)));
    QVERIFY(QFile::link(fifo, dir.filePath(u"fifo link"_qs)));
    const QMap<QString, QString> paths{{u"file"_qs, file},
                                       {u"link"_qs, dir.filePath(u"link"_qs)},
                                       {u"missing"_qs, dir.filePath(u"none"_qs)},
                                       {u"empty"_qs, QString()},
                                       {u"folder"_qs, dir.path()},
                                       {u"fifo"_qs, fifo},
                                       {u"fifo link"_qs, dir.filePath(u"fifo link"_qs)},
                                       {u"device"_qs, u"/dev/zero"_qs}};
    QElapsedTimer t;
    t.start();
    const FileBytes read = ReadRegularFile(paths.value(kind), 1024);
    // Nobody writes into the pipe: a reader that opened it would wait for good.
    QVERIFY(t.elapsed() < 2000);
    QCOMPARE(int(read.error), error);
    QCOMPARE(read.ok(), error == int(ReadFileError::None));
    QCOMPARE(read.bytes, read.ok() ? QByteArray("data") : QByteArray());
    QCOMPARE(read.reason.isEmpty(), read.ok());
}

void TestFiles::readCap_data()
{
    QTest::addColumn<int>("cap");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("truncated");
    const QByteArray ten = "0123456789";
    QTest::newRow("below") << 4 << QByteArray("0123") << true;
    QTest::newRow("exactly") << 10 << ten << false;
    QTest::newRow("above") << 11 << ten << false;
    QTest::newRow("nothing") << 0 << QByteArray() << true;
    // Larger than one read of the reader.
    QTest::newRow("large, cut") << 100000 << QByteArray(100000, 'x') << true;
}

void TestFiles::readCap()
{
    QFETCH(int, cap);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, truncated);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"f"_qs);
    QVERIFY(write(path, bytes.size() == 100000 ? QByteArray(200000, 'x') : "0123456789"));
    const FileBytes read = ReadRegularFile(path, cap);
    QVERIFY(read.ok());
    QCOMPARE(read.bytes, bytes);
    QCOMPARE(read.truncated, truncated);
}

void TestFiles::readFaultSeam()
{
    Seams seams;
    QTemporaryDir dir;
    const QString path = dir.filePath(u"517.in4"_qs);
    QVERIFY(write(path, "x"));
    SetReadFaultHook([&path](const QString& p) { return p == path; });
    const FileBytes refused = ReadRegularFile(path, 10);
    QCOMPARE(int(refused.error), int(ReadFileError::Denied));
    QCOMPARE(refused.reason, u"読み取りの許可がありません"_qs);
    QVERIFY(ReadRegularFile(dir.filePath(u"other"_qs), 10).error == ReadFileError::Missing);
    SetReadFaultHook({});
    QVERIFY(ReadRegularFile(path, 10).ok());
}

void TestFiles::tapeListFromAPipe()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(u"7tp.csv"_qs);
    QVERIFY(MakeFifo(fifo));
    QElapsedTimer t;
    t.start();
    const TapeParseResult r = ReadTapeFile(fifo);
    QVERIFY(t.elapsed() < 2000);
    QVERIFY(!r.ok());
    QVERIFY(FindTapeFile(dir.path() + u'/', u"7"_qs).isEmpty());

    const QString list = dir.filePath(u"8tp.csv"_qs);
    QVERIFY(write(list, "\"次は、駅前です。\",1,0\r\n"));
    const TapeParseResult read = ReadTapeFile(list);
    QVERIFY(read.ok());
    QCOMPARE(read.entries.size(), 1);
    QCOMPARE(read.entries[0].TapeText, u"次は、駅前です。"_qs);

    // The timetable beside the fare data likewise; its name in any usual case.
    const QString times = dir.filePath(u"7time.csv"_qs);
    QVERIFY(MakeFifo(times));
    t.restart();
    QVERIFY(!ReadTimetableFile(times).ok());
    QVERIFY(t.elapsed() < 2000);
    QVERIFY(FindTimetableFile(dir.path() + u'/', u"7"_qs).isEmpty());
    QVERIFY(write(dir.filePath(u"8Time.csv"_qs), "07:00,\n"));
    QCOMPARE(FindTimetableFile(dir.path() + u'/', u"8"_qs), dir.filePath(u"8Time.csv"_qs));
    QVERIFY(ReadTimetableFile(dir.filePath(u"8Time.csv"_qs)).ok());
}

void TestFiles::panelPictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::newRow("picture") << "on1.png" << 0;
    QTest::newRow("not a picture") << "text.bmp" << 481;
    QTest::newRow("missing: quiet") << "gone.png" << PanelPicture::kMissingQuietly;
    QTest::newRow("folder") << "folder" << 75;
    QTest::newRow("named pipe") << "pipe.png" << 75;
    QTest::newRow("unreadable") << "locked.png" << 75;
}

void TestFiles::panelPictures()
{
    QFETCH(QString, name);
    QFETCH(int, code);
    Seams seams;
    QTemporaryDir dir;
    QImage picture(8, 4, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    QVERIFY(picture.save(dir.filePath(u"on1.png"_qs)));
    QVERIFY(picture.save(dir.filePath(u"locked.png"_qs)));
    QVERIFY(write(dir.filePath(u"text.bmp"_qs), "not a picture"));
    QVERIFY(QDir(dir.path()).mkdir(u"folder"_qs));
    QVERIFY(MakeFifo(dir.filePath(u"pipe.png"_qs)));
    SetReadFaultHook([&](const QString& p) { return p == dir.filePath(u"locked.png"_qs); });
    QElapsedTimer t;
    t.start();
    const PanelPicture::Loaded loaded = PanelPicture::Load(dir.filePath(name));
    QVERIFY(t.elapsed() < 2000);
    QCOMPARE(loaded.code, code);
    QCOMPARE(loaded.image.isNull(), code != 0);
    if (code == 0)
        QCOMPARE(loaded.image.pixelColor(1, 1), QColor(Qt::darkBlue));
}

void TestFiles::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<qint64>("writeLimit");
    QTest::addColumn<bool>("replaceFails");
    QTest::addColumn<QString>("reason"); // the start of it
    QTest::newRow("disk full at once") << qint64(0) << false << u"200000 バイトのうち 0 バイト"_qs;
    QTest::newRow("disk full after a part")
        << qint64(70000) << false << u"200000 バイトのうち 70000 バイト"_qs;
    QTest::newRow("rename refused")
        << qint64(-1) << true << u"新しいファイルに置き換えられません"_qs;
}

void TestFiles::failedSaveKeepsTheOldFile()
{
    QFETCH(qint64, writeLimit);
    QFETCH(bool, replaceFails);
    QFETCH(QString, reason);
    Seams seams;
    QTemporaryDir dir;
    const QString path = dir.filePath(u"31.hy3"_qs);
    const QByteArray old = "old contents";
    QVERIFY(write(path, old));
    SetSaveFaultHook([&](const QString& p) {
        return p == path ? SaveFault{writeLimit, replaceFails} : SaveFault{};
    });
    const SaveResult r = SaveWhole(path, QByteArray(200000, 'n'));
    QVERIFY(!r.ok);
    QVERIFY2(r.reason.startsWith(reason), qPrintable(r.reason));
    QCOMPARE(contents(path), old);
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"31.hy3"_qs});

    // Without the fault the same save goes through.
    SetSaveFaultHook({});
    QVERIFY(SaveWhole(path, "new").ok);
    QCOMPARE(contents(path), QByteArray("new"));
}

void TestFiles::fullDiskForReal()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"517.in4"_qs);
    const QByteArray old(600, 'o');
    QVERIFY(write(path, old));
    SaveResult r;
    {
        FileSizeLimit limit(4096);
        QVERIFY(limit.ok());
        r = SaveWhole(path, QByteArray(100000, 'n'));
    }
    QVERIFY(!r.ok);
    QVERIFY2(r.reason.contains(u"100000 バイトのうち 4096 バイト"_qs), qPrintable(r.reason));
    QCOMPARE(contents(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"517.in4"_qs});
    // A file that fits under the same limit is saved.
    {
        FileSizeLimit limit(4096);
        r = SaveWhole(path, QByteArray(1000, 'n'));
    }
    QVERIFY(r.ok);
    QCOMPARE(contents(path), QByteArray(1000, 'n'));
}

void TestFiles::savedFileStaysReadable()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"517.in4"_qs);
    QVERIFY(write(path, "old"));
    QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    QVERIFY(SaveWhole(path, "new").ok);
    QVERIFY(QFile::permissions(path) & QFile::ReadOwner);
    QCOMPARE(contents(path), QByteArray("new"));
}

void TestFiles::keepsAnUnreadFileAside()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"517.in4"_qs);
    const QString bak = path + u".bak"_qs;
    QVERIFY(write(path, "first"));
    QVERIFY(write(bak, "an older backup"));
    // Write-only, as a file that could not be read at start-up: kept without
    // being read.
    QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    QVERIFY(SaveWhole(path, "second", bak).ok);
    QVERIFY(QFile::setPermissions(bak, QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(contents(bak), QByteArray("first"));
    QCOMPARE(contents(path), QByteArray("second"));
    // Nothing to keep when there was no file.
    QVERIFY(QFile::remove(path) && QFile::remove(bak));
    QVERIFY(SaveWhole(path, "third", bak).ok);
    QVERIFY(!QFile::exists(bak));
}

void TestFiles::setIsAllOrNothing_data()
{
    QTest::addColumn<int>("failing"); // index of the file that fails
    QTest::addColumn<bool>("atReplace");
    QTest::addColumn<bool>("ok");
    QTest::newRow("first cannot be written") << 0 << false << false;
    QTest::newRow("announcements cannot be written") << 1 << false << false;
    QTest::newRow("last cannot replace its old file") << 2 << true << false;
    QTest::newRow("second cannot replace its old file") << 1 << true << false;
    QTest::newRow("all well") << -1 << false << true;
}

void TestFiles::setIsAllOrNothing()
{
    QFETCH(int, failing);
    QFETCH(bool, atReplace);
    QFETCH(bool, ok);
    Seams seams;
    QTemporaryDir dir;
    // The first two exist, the third is new.
    const QStringList paths{dir.filePath(u"31.hy3"_qs), dir.filePath(u"31tp.csv"_qs),
                            dir.filePath(u"31yomi.csv"_qs)};
    QVERIFY(write(paths[0], "old fares"));
    QVERIFY(write(paths[1], "old announcements"));
    SetSaveFaultHook([&](const QString& p) {
        if (failing < 0 || p != paths[failing])
            return SaveFault{};
        return atReplace ? SaveFault{-1, true} : SaveFault{3, false};
    });
    SaveSet set;
    bool staged = true;
    for (const QString& p : paths)
        staged = staged && set.add(p, "new " + QFileInfo(p).fileName().toUtf8());
    QCOMPARE(staged && set.commit(), ok);
    if (ok) {
        QCOMPARE(contents(paths[0]), QByteArray("new 31.hy3"));
        QCOMPARE(contents(paths[1]), QByteArray("new 31tp.csv"));
        QCOMPARE(contents(paths[2]), QByteArray("new 31yomi.csv"));
    } else {
        QCOMPARE(set.errorFile(), paths[failing]);
        QVERIFY(!set.errorReason().isEmpty());
        QCOMPARE(contents(paths[0]), QByteArray("old fares"));
        QCOMPARE(contents(paths[1]), QByteArray("old announcements"));
        QVERIFY(!QFile::exists(paths[2]));
    }
    // Neither temporary files nor the old contents kept while replacing are left.
    QStringList expected{u"31.hy3"_qs, u"31tp.csv"_qs};
    if (ok)
        expected << u"31yomi.csv"_qs;
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), expected);
}

void TestFiles::textIsUtf8ElseCp932_data()
{
    QTest::addColumn<QByteArray>("text"); // a stop name, an announcement, a company
    QTest::addColumn<int>("reading");     // 0 UTF-8, 1 CP932, 2 neither
    QTest::addColumn<int>("badAt");       // first byte neither encoding takes, in text
    const QByteArray ekimae = QByteArray::fromHex("8977914f"); // 駅前 in CP932
    QTest::newRow("UTF-8") << QByteArray("駅前") << 0 << -1;
    QTest::newRow("CP932") << ekimae << 1 << -1;
    QTest::newRow("CP932 with ～ and ①") << ekimae + QByteArray::fromHex("81608740") << 1 << -1;
    QTest::newRow("UTF-8 cut, CP932 whole") << QByteArray("あい").left(4) << 1 << -1;
    QTest::newRow("0xFF") << ekimae + "\xFF" << 2 << 4;
    QTest::newRow("0x80") << "\x80" + ekimae << 2 << 0;
    QTest::newRow("0xA0") << ekimae + "\xA0" << 2 << 4;
    QTest::newRow("lead byte at the end") << ekimae + "\x89" << 2 << 4;
    QTest::newRow("lead byte before a line end") << ekimae + "\x89\n" << 2 << 4;
}

// One rule for every text file the program and its tools read: a fare CSV,
// an announcement list and a ticket plugin take the same bytes, or all
// refuse them.
void TestFiles::textIsUtf8ElseCp932()
{
    QFETCH(QByteArray, text);
    QFETCH(int, reading);
    QFETCH(int, badAt);
    const ltm4::DecodedText d = ltm4::DecodeUtf8OrCp932(text);
    QCOMPARE(d.ok(), reading != 2);
    QCOMPARE(d.utf8, reading == 0);
    QCOMPARE(d.badCp932, qsizetype(badAt));

    const FareCsvResult csv = ParseFareCsv("\"" + text + "\",1\n");
    QCOMPARE(csv.ok, reading != 2);
    if (csv.ok)
        QCOMPARE(csv.records.value(0).StopName, d.text);
    const TapeParseResult tape = ParseTapeCsv("\"" + text + "\",0,0\r\n");
    QCOMPARE(tape.ok(), reading != 2);
    if (tape.ok())
        QCOMPARE(tape.entries.value(0).TapeText, d.text);
    const TimetableResult times = ParseTimetableCsv("07:00,,\"" + text + "\"\n");
    QCOMPARE(times.ok(), reading != 2);
    if (times.ok())
        QCOMPARE(times.rows.value(0).memo, d.text);
    const SeiriPluginResult ticket = ReadSeiriPlugin("[info]\nName=" + text + "\n[end]\n");
    QCOMPARE(ticket.error == SeiriPluginError::NotText, reading == 2);
    // The place is counted in the bytes as given, a BOM included.
    const ltm4::DecodedText withBom = ltm4::DecodeUtf8OrCp932("\xEF\xBB\xBF" + text);
    QCOMPARE(withBom.ok(), reading != 2);
    QCOMPARE(withBom.badCp932, badAt < 0 ? qsizetype(-1) : qsizetype(badAt + 3));
}

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
