// SPDX-License-Identifier: GPL-3.0-or-later
// The ticket preview end to end: choosing a plugin on page 5 of the options
// dialog (capability lines, notes, company names, refusal, cancel), a stored
// plugin at settings load, and the ticket each board update draws. Which
// date each date rule gives is tst_route's.

#include "board/Form1.h"
#include "companion/LTM4Res.h"
#include "companion/ModalSeam.h"
#include "companion/SysClock.h"
#include "companion/SysWait.h"
#include "options/VbCheckBox.h"
#include "options/frmOption.h"
#include "panel/FareData.h"
#include "panel/frmCtl.h"
#include "settings/SettingsRecord.h"
#include "tests/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kInfo = QStringLiteral("PrevWidth = 3000\nPrevHeight = 1800\n");

// Draws every value the board update passes, each in a box of its own.
const QString kValuesDrawn =
    QStringLiteral("[draw]\n"
                   "paper color=#FFFFF0\n"
                   "text x=2 y=0 w=190 h=16 value=\"{stop}\" size=14\n"
                   "text x=2 y=18 w=190 h=16 value=\"{date}\" size=14\n"
                   "text x=2 y=36 w=190 h=16 value=\"{time}\" size=14\n"
                   "text x=2 y=54 w=190 h=16 value=\"{route}/{ticket}/{row}\" size=14\n"
                   "text x=2 y=72 w=190 h=16 value=\"[{company}]\" size=14\n");

struct Fixture : Windows {
    QTemporaryDir dir;
    MessageRecorder messages;
    QDateTime now{QDate(2025, 3, 5), QTime(8, 15, 30)};
    std::function<void(int)> previousWait;
    std::function<QDateTime()> previousNow;

    Fixture() : Windows(false)
    {
        option.setSeiriPrevHost(&ctl);
        Load();
        option.Text2(0)->setText(dir.path());
        // Page 5's plugin frame is usable only with the preview ticked.
        option.chkUseSeiriPrev()->setValue(1);
        previousWait = ltm4::SetWaitOverride([](int) {});
        previousNow = ltm4::SetNowOverride([this] { return now; });

        QList<StopRecord> stops;
        for (const QString& name : {u"駅前ターミナル"_qs, u"中央通り"_qs, u"市役所前"_qs}) {
            StopRecord s;
            s.StopName = name;
            s.SeiriNo = qint16(stops.size() + 5); // ticket numbers apart from rows
            stops << s;
        }
        WriteFareFile(dir.filePath(u"12.hy3"_qs), stops);
    }
    ~Fixture()
    {
        ltm4::SetWaitOverride(previousWait);
        ltm4::SetNowOverride(previousNow);
        ltm4::SetModalHandler({});
    }

    QString write(const QString& name, const QString& text)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(text.toUtf8());
        return path;
    }

    QString plugin(const QString& name, const QString& info, const QString& rest = {})
    {
        return write(name, u"4SP 1\n[info]\n"_qs + info + rest + u"[end]\n"_qs);
    }

    // "..." on page 5, with the file dialog answered.
    void choose(const QString& path, bool accept = true)
    {
        ltm4::SetModalHandler([&](QDialog& d) {
            auto* fd = qobject_cast<QFileDialog*>(&d);
            if (!fd || fd->windowTitle() != u"プラグインの選択"_qs ||
                fd->nameFilters() !=
                    ltm4::ParseFileFilter(u"整理券プラグイン(*.4SP)\0*.4SP\0\0"_qs))
                return int(QDialog::Rejected);
            fd->selectFile(path);
            return int(accept ? QDialog::Accepted : QDialog::Rejected);
        });
        option.Command1()->click();
        ltm4::SetModalHandler({});
    }

    // What the plugin draws for these values on a picture of the preview's size.
    QImage expected(const QString& stop, const QString& date, qint16 ticket, qint16 row,
                    qint16 company = -1) const
    {
        QImage img(ctl.PreviewImage().size(), QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter dc(&img);
        ltm4::LT4_DrawSeiriken(option.txtSeiriPlgDir()->text(), dc, stop, date,
                               now.time().toString(u"HH:mm:ss"_qs), 12, ticket, row, company);
        return img;
    }

    QStringList companies() const
    {
        QStringList out;
        for (int i = 0; i < ctl.Combo1()->count(); ++i)
            out << ctl.Combo1()->itemText(i);
        return out;
    }
};

QStringList lines(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

bool allWhite(const QImage& img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != qRgb(255, 255, 255))
                return false;
    return true;
}

} // namespace

class TestSeiriPrev final : public QObject {
    Q_OBJECT

private slots:
    void capabilityLines_data();
    void capabilityLines();
    void cancelOrRefusalKeepsThePreviousPlugin();
    void refusalSaysWhy_data();
    void refusalSaysWhy();
    void storedPluginAtSettingsLoad_data();
    void storedPluginAtSettingsLoad();
    void previewRedrawnAtEachUpdate();
    void previewSwitchAndCopy();
};

void TestSeiriPrev::capabilityLines_data()
{
    QTest::addColumn<QString>("info");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("companies");
    const QString yes = u"---> 可能"_qs;
    const QString no = u"---> 不可"_qs;
    const QStringList names{u"ホロテ交通"_qs, u"ホロテ観光"_qs};
    QTest::newRow("no barcode, no company switch")
        << u"CanDate = 1\nCanTime = 2\nCanRouteNo = 1\nCanStopName = 0\nCanBarcode = 0\n"
           "BarcodeCount = 4\nRouteMax = 50\nCorpSwitch = 0\n"_qs
        << QStringList{u"日付の印字 "_qs + yes,     u"時刻の印字 "_qs + no,
                       u"系統番号の印字 "_qs + yes, u"停名の印字 "_qs + no,
                       u"バーコード印字 "_qs + no,  u"社名切り替え:"_qs + no}
        << QStringList();
    QTest::newRow("CanBarcode 2 is no barcode")
        << u"CanBarcode = 2\nCorpSwitch = 1\n"_qs
        << QStringList{u"日付の印字 "_qs + no,     u"時刻の印字 "_qs + no,
                       u"系統番号の印字 "_qs + no, u"停名の印字 "_qs + no,
                       u"バーコード印字 "_qs + no, u"社名切り替え:"_qs + yes}
        << names;
    const auto barcode = [&](const QString& shown, const QString& corp) {
        return QStringList{u"日付の印字 "_qs + yes,
                           u"時刻の印字 "_qs + yes,
                           u"系統番号の印字 "_qs + yes,
                           u"停名の印字 "_qs + yes,
                           u"バーコード印字 "_qs + yes,
                           u"バーコード本数 ---> 2"_qs,
                           u"バーコード系統方式 ---> "_qs + shown,
                           u"設定可能な系統範囲 ---> 1 ～ 999"_qs,
                           u"停留所認識範囲 ---> 0 ～ 120"_qs,
                           u"社名切り替え:"_qs + corp};
    };
    const QString all = u"CanDate = 1\nCanTime = 1\nCanRouteNo = 1\nCanStopName = 1\n"
                        "CanBarcode = 1\nBarcodeCount = 2\nRouteMax = 999\n"
                        "StopRangeFrom = 0\nStopRangeTo = 120\n"_qs;
    QTest::newRow("barcode, mode 1")
        << all + u"BarcodeRouteMode = 1\n"_qs << barcode(u"連番式"_qs, no) << QStringList();
    QTest::newRow("barcode, mode 2") << all + u"BarcodeRouteMode = 2\nCorpSwitch = -1\n"_qs
                                     << barcode(u"系統番号＋往復フラグ"_qs, no) << QStringList();
}

void TestSeiriPrev::capabilityLines()
{
    QFETCH(QString, info);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, companies);
    Fixture f;
    const QString path =
        f.plugin(u"p.4SP"_qs, kInfo + info,
                 u"[notes]\n特記事項の一行目\n二行目\n[companies]\nホロテ交通\nホロテ観光\n"_qs);
    f.choose(path);
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.option.txtSeiriPlgDir()->text(), path);
    QCOMPARE(lines(f.option.List1()), expected);
    QCOMPARE(f.option.txtPlginComment()->toPlainText(), u"特記事項の一行目\n二行目"_qs);
    QCOMPARE(f.companies(), companies);
    // The preview picture takes the plugin's size (3000 x 1800 twips).
    QCOMPARE(f.ctl.picSeirikenPrev()->contentsRect().size(), QSize(200, 120));
}

void TestSeiriPrev::cancelOrRefusalKeepsThePreviousPlugin()
{
    Fixture f;
    const QString good = f.plugin(u"good.4SP"_qs, kInfo + u"CorpSwitch = 1\n"_qs,
                                  u"[notes]\n注意\n[companies]\nA社\nB社\n"_qs);
    f.choose(good);
    f.ctl.Combo1()->setCurrentIndex(1);
    const QStringList before = lines(f.option.List1());
    const QSize size = f.ctl.picSeirikenPrev()->size();
    QVERIFY(!before.isEmpty());

    // Cancelled: nothing changes.
    const QString other = f.plugin(u"other.4SP"_qs, kInfo, u"[notes]\n別\n"_qs);
    f.choose(other, false);
    QCOMPARE(f.option.txtSeiriPlgDir()->text(), good);
    QCOMPARE(lines(f.option.List1()), before);
    QCOMPARE(f.option.txtPlginComment()->toPlainText(), u"注意"_qs);
    QCOMPARE(f.companies(), (QStringList{u"A社"_qs, u"B社"_qs}));
    QVERIFY(f.messages.shown.isEmpty());

    // Refused (cut short: no [end]): said so, and the choice stays.
    f.choose(f.write(u"bad.4SP"_qs, u"4SP 1\n[info]\nPrevWidth = 900\n"_qs));
    QCOMPARE(f.messages.shown.size(), 1);
    const ltm4::MsgBoxCall& m = f.messages.shown.first();
    QCOMPARE(m.text, u"指定したファイルはプラグインでないか、内容が不正です"_qs);
    QCOMPARE(m.title, u"プラグインロードエラー"_qs);
    QCOMPARE(m.style, int(ltm4::vbCritical + ltm4::vbOKOnly));
    QCOMPARE(m.detail, u"[end] がありません（ファイルが途中で切れています）"_qs);
    QCOMPARE(m.owner, &f.option);
    QCOMPARE(f.option.txtSeiriPlgDir()->text(), good);
    QCOMPARE(lines(f.option.List1()), before);
    QCOMPARE(f.option.txtPlginComment()->toPlainText(), u"注意"_qs);
    QCOMPARE(f.ctl.picSeirikenPrev()->size(), size);
    // The plugin still in use keeps its company names and the one chosen.
    QCOMPARE(f.companies(), (QStringList{u"A社"_qs, u"B社"_qs}));
    QCOMPARE(f.ctl.Combo1()->currentIndex(), 1);

    // Another plugin replaces what the first one showed.
    f.choose(other);
    QCOMPARE(f.option.txtPlginComment()->toPlainText(), u"別"_qs);
    QCOMPARE(f.option.List1()->count(), 6);
}

void TestSeiriPrev::refusalSaysWhy_data()
{
    // The file chosen ("<gone>": removed once chosen); what the message box
    // tells below its text.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("detail");
    QTest::newRow("a misspelt key")
        << QByteArray("4SP 1\n[info]\nPrevWidth = 3000\nPrevHeight = 1800\ncolour = 1\n[end]\n")
        << u"5行目: 不明な項目名です（colour）"_qs;
    QTest::newRow("a section after [end]")
        << QByteArray("4SP 1\r\n[info]\r\nPrevWidth = 3000\r\nPrevHeight = 1800\r\n[end]\r\n"
                      "[draw]\r\n")
        << u"6行目: [end] の後に内容があります"_qs;
    QTest::newRow("a barcode too long")
        << QByteArray("4SP 1\n[info]\nPrevWidth = 3000\nPrevHeight = 1800\nCanBarcode = 1\n"
                      "[draw]\nbarcode x=0 y=0 w=9 h=9 type=itf value=") +
               QByteArray(81, '1') + "\n[end]\n"
        << u"7行目: バーコードに入りきりません（value は最長 81 文字、itf は 80 文字まで）"_qs;
    QTest::newRow("not text")
        << QByteArray("MZ\x90\0\x03", 5)
        << u"テキストファイルではありません（UTF-8かShift_JISのテキストにしてく"
           u"ださい）"_qs;
    QTest::newRow("gone") << QByteArray("<gone>") << u"ファイルを開けません"_qs;
}

void TestSeiriPrev::refusalSaysWhy()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, detail);
    Fixture f;
    const QString path = f.dir.filePath(u"p.4SP"_qs);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    if (bytes == "<gone>") {
        // Chosen in the dialog, then gone before it is read.
        ltm4::SetModalHandler([&](QDialog& d) {
            auto* fd = qobject_cast<QFileDialog*>(&d);
            if (!fd)
                return int(QDialog::Rejected);
            fd->selectFile(path);
            QFile::remove(path);
            return int(QDialog::Accepted);
        });
        f.option.Command1()->click();
        ltm4::SetModalHandler({});
    } else {
        f.choose(path);
    }
    QCOMPARE(f.messages.shown.size(), 1);
    QCOMPARE(f.messages.shown.first().text,
             u"指定したファイルはプラグインでないか、内容が不正です"_qs);
    QCOMPARE(f.messages.shown.first().detail, detail);
    QVERIFY(f.option.txtSeiriPlgDir()->text().isEmpty());
}

void TestSeiriPrev::storedPluginAtSettingsLoad_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<int>("lineCount"); // none: nothing loaded, and nothing drawn
    QTest::addColumn<int>("companyCount");
    QTest::newRow("loads") << u"good.4SP"_qs << 6 << 2;
    QTest::newRow("no longer a plugin") << u"bad.4SP"_qs << 0 << 0;
    QTest::newRow("none") << QString() << 0 << 0;
}

void TestSeiriPrev::storedPluginAtSettingsLoad()
{
    QFETCH(QString, which);
    QFETCH(int, lineCount);
    QFETCH(int, companyCount);
    Fixture f;
    f.plugin(u"good.4SP"_qs, kInfo + u"CorpSwitch = 1\n"_qs,
             u"[notes]\n注意\n[companies]\nA社\nB社\n"_qs + kValuesDrawn);
    f.write(u"bad.4SP"_qs, u"MZ"_qs);
    // Left over from before the load: the load starts from an empty list.
    f.ctl.Combo1()->addItem(u"前の社名"_qs);
    f.option.List1()->addItem(u"前の行"_qs);

    SettingsRecord rec;
    f.option.GetOptionInfo(rec);
    rec.SeiriPrev.UseSeiriPrev = 1;
    rec.SeiriPrev.SeiriPlgPath = which.isEmpty() ? QString() : f.dir.filePath(which);
    QVERIFY(!f.option.SetOptionInfo(rec));
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.option.txtSeiriPlgDir()->text(), rec.SeiriPrev.SeiriPlgPath);
    QCOMPARE(f.option.List1()->count(), lineCount);
    QCOMPARE(f.option.txtPlginComment()->toPlainText().isEmpty(), lineCount == 0);
    QCOMPARE(f.ctl.Combo1()->count(), companyCount);
    keyRoute(f.ctl, u"012"_qs);
    QVERIFY(!f.ctl.PreviewImage().isNull());
    QCOMPARE(allWhite(f.ctl.PreviewImage()), lineCount == 0);
}

void TestSeiriPrev::previewRedrawnAtEachUpdate()
{
    Fixture f; // dated by the system date at each print
    f.choose(f.plugin(u"values.4SP"_qs, kInfo + u"CorpSwitch = 1\n"_qs,
                      u"[companies]\n本社\n支社\n"_qs + kValuesDrawn));
    keyRoute(f.ctl, u"012"_qs);
    QCOMPARE(f.ctl.PreviewImage().size(), QSize(200, 120));
    QCOMPARE(f.ctl.PreviewImage(), f.expected(u"駅前ターミナル"_qs, u"03-05-2025"_qs, 5, 1, 0));

    // Past midnight, one stop on, with the second company chosen.
    f.now = QDateTime(QDate(2025, 3, 6), QTime(0, 2, 5));
    f.ctl.Combo1()->setCurrentIndex(1);
    f.ctl.Command2(1)->click();
    const QImage shown = f.ctl.PreviewImage();
    QCOMPARE(shown, f.expected(u"中央通り"_qs, u"03-06-2025"_qs, 6, 2, 1));
    // The date and the company are on the ticket: others would show.
    QVERIFY(shown != f.expected(u"中央通り"_qs, u"03-05-2025"_qs, 6, 2, 1));
    QVERIFY(shown != f.expected(u"中央通り"_qs, u"03-06-2025"_qs, 6, 2, 0));
}

void TestSeiriPrev::previewSwitchAndCopy()
{
    Fixture f;
    f.choose(f.plugin(u"p.4SP"_qs, kInfo, kValuesDrawn));
    f.option.chkUseSeiriPrev()->setValue(0);
    keyRoute(f.ctl, u"012"_qs);
    QVERIFY(allWhite(f.ctl.PreviewImage()));
    f.option.chkUseSeiriPrev()->setValue(1);
    f.ctl.Command2(1)->click();
    QVERIFY(!allWhite(f.ctl.PreviewImage()));

    f.ctl.MnuHideCopy_Click();
    QCOMPARE(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
             f.ctl.PreviewImage());
}

QTEST_MAIN(TestSeiriPrev)
#include "tst_seiriprev.moc"
