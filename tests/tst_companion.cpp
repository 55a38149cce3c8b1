// SPDX-License-Identifier: GPL-3.0-or-later
// The companion library's dialogs, driven through the modal seam, and its
// text helpers.

#include "companion/LTM4Res.h"
#include "companion/ModalSeam.h"
#include "companion/MsgBox.h"
#include "companion/SysClock.h"
#include "companion/UiLanguage.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QSpinBox>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>
#include <vector>

using namespace ltm4;

namespace {

template <typename T> T* child(QDialog& dlg, const char* name)
{
    auto* w = dlg.findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qWarning("no child %s in %s", name, qPrintable(dlg.objectName()));
    return w;
}

int codeFor(bool accept)
{
    return accept ? QDialog::Accepted : QDialog::Rejected;
}

} // namespace

class TestCompanion final : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void dlg100_data();
    void dlg100();
    void dlg100Preview();
    void dlg110();
    void dlg111_data();
    void dlg111();
    void fileDlg_data();
    void fileDlg();
    void parseFileFilter_data();
    void parseFileFilter();
    void midB_data();
    void midB();
    void cp932RoundTrip();
    void msgBox();
    void realMessageBox_data();
    void realMessageBox();
    void cp932DecodesAsTheConverter();
    void qtDialogsSpeakJapanese();
    void messageBoxWrapsWhereTheTextDoes();
};

void TestCompanion::cleanup()
{
    SetModalHandler({});
    SetMsgBoxHandler({});
    SetNowOverride({});
}

// --- digit settings ---------------------------------------------------------

void TestCompanion::dlg100_data()
{
    QTest::addColumn<qint16>("keta");
    QTest::addColumn<QList<int>>("incoming"); // zero mode, shift, fill zero
    QTest::addColumn<QList<int>>("shown");    // what the controls start with
    QTest::addColumn<QList<int>>("chosen");   // what the user sets
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("result");
    QTest::addColumn<QList<int>>("outgoing");

    using L = QList<int>;
    QTest::newRow("ok writes choices")
        << qint16(4) << L{0, 0, 0} << L{0, 0, 0} << L{2, 1, 3} << true << 1 << L{2, 1, 3};
    QTest::newRow("cancel leaves")
        << qint16(4) << L{1, 2, 3} << L{1, 2, 3} << L{3, 0, 0} << false << 0 << L{1, 2, 3};
    QTest::newRow("too large clamped")
        << qint16(4) << L{5, 9, 6} << L{0, 3, 4} << L{0, 3, 4} << true << 1 << L{0, 3, 4};
    QTest::newRow("negatives clamped")
        << qint16(4) << L{-1, -2, -3} << L{0, 0, 0} << L{0, 0, 0} << true << 1 << L{0, 0, 0};
    QTest::newRow("cancel keeps out of range")
        << qint16(4) << L{5, 9, -3} << L{0, 3, 0} << L{1, 1, 1} << false << 0 << L{5, 9, -3};
    QTest::newRow("one cell") << qint16(1) << L{3, 2, 2} << L{3, 0, 1} << L{3, 0, 1} << true << 1
                              << L{3, 0, 1};
}

void TestCompanion::dlg100()
{
    QFETCH(qint16, keta);
    QFETCH(QList<int>, incoming);
    QFETCH(QList<int>, shown);
    QFETCH(QList<int>, chosen);
    QFETCH(bool, accept);
    QFETCH(int, result);
    QFETCH(QList<int>, outgoing);

    QWidget owner;
    QList<int> seen;
    int modes = 0;
    int maxShift = -1;
    int maxFill = -1;
    QWidget* parentSeen = nullptr;
    QString nameSeen;
    SetModalHandler([&](QDialog& dlg) {
        parentSeen = dlg.parentWidget();
        nameSeen = dlg.objectName();
        auto* zero = child<QComboBox>(dlg, "cboZeroMode");
        auto* shift = child<QSpinBox>(dlg, "spnShift");
        auto* fill = child<QSpinBox>(dlg, "spnFillZero");
        if (!zero || !shift || !fill)
            return int(QDialog::Rejected);
        modes = zero->count();
        seen = {zero->currentData().toInt(), shift->value(), fill->value()};
        maxShift = shift->maximum();
        maxFill = fill->maximum();
        zero->setCurrentIndex(zero->findData(chosen[0]));
        shift->setValue(chosen[1]);
        fill->setValue(chosen[2]);
        return codeFor(accept);
    });

    qint16 zeroMode = qint16(incoming[0]);
    qint16 shift = qint16(incoming[1]);
    qint16 fillZero = qint16(incoming[2]);
    const qint32 r = Call_dlg100(&owner, keta, zeroMode, shift, fillZero);

    QCOMPARE(nameSeen, QStringLiteral("dlg100"));
    QCOMPARE(parentSeen, &owner);
    QCOMPARE(modes, 4);
    QCOMPARE(seen, shown);
    QCOMPARE(maxShift, keta - 1);
    QCOMPARE(maxFill, int(keta));
    QCOMPARE(r, result);
    QCOMPARE((QList<int>{zeroMode, shift, fillZero}), outgoing);
}

void TestCompanion::dlg100Preview()
{
    using Call = std::tuple<int, int, int>;
    std::vector<Call> calls;
    // The image's size encodes the arguments, so the shown picture can be
    // traced back to the call that made it.
    const DigitPreview preview = [&](qint16 z, qint16 s, qint16 f) {
        calls.emplace_back(z, s, f);
        return QImage(10 + z, 10 + 10 * s + f, QImage::Format_RGB32);
    };

    std::vector<Call> afterChange;
    QSize shownSize;
    SetModalHandler([&](QDialog& dlg) {
        auto* zero = child<QComboBox>(dlg, "cboZeroMode");
        auto* shift = child<QSpinBox>(dlg, "spnShift");
        auto* fill = child<QSpinBox>(dlg, "spnFillZero");
        auto* label = child<QLabel>(dlg, "lblPreview");
        if (!zero || !shift || !fill || !label)
            return int(QDialog::Rejected);
        // The incoming settings are previewed before anything changes.
        if (!calls.empty())
            afterChange.push_back(calls.back());
        zero->setCurrentIndex(zero->findData(3));
        afterChange.push_back(calls.back());
        shift->setValue(2);
        afterChange.push_back(calls.back());
        fill->setValue(4);
        afterChange.push_back(calls.back());
        shownSize = label->pixmap().size();
        return int(QDialog::Rejected);
    });

    qint16 zeroMode = 1;
    qint16 shift = 0;
    qint16 fillZero = 0;
    QCOMPARE(Call_dlg100(nullptr, 5, zeroMode, shift, fillZero, preview), 0);

    const std::vector<Call> expected{{1, 0, 0}, {3, 0, 0}, {3, 2, 0}, {3, 2, 4}};
    QCOMPARE(afterChange, expected);
    QCOMPARE(shownSize, QSize(13, 34));
    QCOMPARE((QList<int>{zeroMode, shift, fillZero}), (QList<int>{1, 0, 0}));
}

// --- About text ---------------------------------------------------------------

void TestCompanion::dlg110()
{
    QWidget owner;
    QString shown;
    int runs = 0;
    QWidget* parentSeen = nullptr;
    SetModalHandler([&](QDialog& dlg) {
        ++runs;
        parentSeen = dlg.parentWidget();
        if (auto* label = child<QLabel>(dlg, "lblText"))
            shown = label->text();
        return int(QDialog::Accepted);
    });
    Call_dlg110(&owner, 1, QStringLiteral("ルトミア\r\n型番:517\r\n配布元：ホロテ交通"));
    QCOMPARE(runs, 1);
    QCOMPARE(parentSeen, &owner);
    QCOMPARE(shown.split(QLatin1Char('\n')),
             (QStringList{"ルトミア", "型番:517", "配布元：ホロテ交通"}));
}

// --- date picker --------------------------------------------------------------

void TestCompanion::dlg111_data()
{
    QTest::addColumn<QDate>("incoming"); // invalid: an all-zero record
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("pick");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("dayOfWeek");

    const QDate today(2024, 3, 5);
    QTest::newRow("zero record starts today, pick Sunday")
        << QDate() << today << QDate(2023, 12, 31) << true << 0;
    QTest::newRow("record date, pick Saturday")
        << QDate(2020, 2, 29) << QDate(2020, 2, 29) << QDate(2020, 3, 7) << true << 6;
    QTest::newRow("cancel") << QDate(2019, 5, 1) << QDate(2019, 5, 1) << QDate(2019, 6, 2) << false
                            << 0;
}

void TestCompanion::dlg111()
{
    QFETCH(QDate, incoming);
    QFETCH(QDate, start);
    QFETCH(QDate, pick);
    QFETCH(bool, accept);
    QFETCH(int, dayOfWeek);

    SetNowOverride([] { return QDateTime(QDate(2024, 3, 5), QTime(10, 30)); });
    QDate startSeen;
    SetModalHandler([&](QDialog& dlg) {
        auto* cal = child<QCalendarWidget>(dlg, "calendar");
        if (!cal)
            return int(QDialog::Rejected);
        startSeen = cal->selectedDate();
        cal->setSelectedDate(pick);
        return codeFor(accept);
    });

    SystemTime date;
    if (incoming.isValid()) {
        date.wYear = qint16(incoming.year());
        date.wMonth = qint16(incoming.month());
        date.wDay = qint16(incoming.day());
    }
    date.wHour = 7; // fields other than the date are not the picker's
    date.wMilliseconds = 123;
    const SystemTime before = date;

    const qint32 r = Call_dlg111(nullptr, date);

    QCOMPARE(startSeen, start);
    QCOMPARE(r != 0, accept);
    if (accept) {
        QCOMPARE(QDate(date.wYear, date.wMonth, date.wDay), pick);
        QCOMPARE(date.wDayOfWeek, dayOfWeek);
    } else {
        QCOMPARE(date.wYear, before.wYear);
        QCOMPARE(date.wMonth, before.wMonth);
        QCOMPARE(date.wDay, before.wDay);
        QCOMPARE(date.wDayOfWeek, before.wDayOfWeek);
    }
    QCOMPARE(date.wHour, before.wHour);
    QCOMPARE(date.wMilliseconds, before.wMilliseconds);
}

// --- file and folder choosers -------------------------------------------------

void TestCompanion::fileDlg_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("withInitialDir");
    QTest::newRow("ok") << true << false;
    QTest::newRow("ok from initial folder") << true << true;
    QTest::newRow("cancel") << false << true;
}

void TestCompanion::fileDlg()
{
    QFETCH(bool, accept);
    QFETCH(bool, withInitialDir);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("発車ベル.wav"));
    const QString folder = dir.filePath(QStringLiteral("運賃データ"));
    QVERIFY(QDir().mkpath(folder));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString filter = QStringLiteral("Waveサウンド(*.wav)") + QChar(u'\0') +
                           QStringLiteral("*.wav") + QChar(u'\0') + QChar(u'\0');

    QString titleSeen;
    QFileDialog::FileMode modeSeen = QFileDialog::AnyFile;
    bool nativeSeen = true;
    bool dirsOnly = false;
    QStringList filtersSeen;
    QString dirSeen;
    SetModalHandler([&](QDialog& dlg) {
        auto* fd = qobject_cast<QFileDialog*>(&dlg);
        if (!fd)
            return int(QDialog::Rejected);
        titleSeen = fd->windowTitle();
        modeSeen = fd->fileMode();
        nativeSeen = !fd->testOption(QFileDialog::DontUseNativeDialog);
        dirsOnly = fd->testOption(QFileDialog::ShowDirsOnly);
        filtersSeen = fd->nameFilters();
        dirSeen = fd->directory().absolutePath();
        fd->selectFile(modeSeen == QFileDialog::Directory ? folder : path);
        return codeFor(accept);
    });

    const QString result = Lt3FileDlg(nullptr, 0, filter, withInitialDir ? dir.path() : QString(),
                                      QStringLiteral("サウンドの選択"));
    QCOMPARE(titleSeen, QStringLiteral("サウンドの選択"));
    QCOMPARE(modeSeen, QFileDialog::ExistingFile);
    QVERIFY(!nativeSeen);
    QCOMPARE(filtersSeen, QStringList{QStringLiteral("Waveサウンド(*.wav *.WAV)")});
    if (withInitialDir)
        QCOMPARE(dirSeen, QDir(dir.path()).absolutePath());
    QCOMPARE(result, accept ? path : QString());

    titleSeen.clear();
    // The folder chooser opens in the folder already set.
    const QString chosen =
        Lt3FolderDlg(nullptr, QStringLiteral("フォルダーを選択してください"), folder);
    QCOMPARE(dirSeen, folder);
    QCOMPARE(titleSeen, QStringLiteral("フォルダーを選択してください"));
    QCOMPARE(modeSeen, QFileDialog::Directory);
    QVERIFY(dirsOnly);
    QCOMPARE(chosen, accept ? folder : QString());
}

void TestCompanion::parseFileFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");

    // Builds a filter text the way callers do: every text followed by one NUL.
    const auto nul = [](std::initializer_list<const char*> texts, bool closed = true) {
        QString s;
        for (const char* t : texts)
            s += QString::fromUtf8(t) + QChar(u'\0');
        if (closed)
            s += QChar(u'\0');
        else
            s.chop(1);
        return s;
    };

    QTest::newRow("sound") << nul({"Waveサウンド(*.wav)", "*.wav", "MP3サウンド(*.mp3)", "*.mp3",
                                   "MIDIシーケンス(*.mid)", "*.mid"})
                           << QStringList{"Waveサウンド(*.wav *.WAV)", "MP3サウンド(*.mp3 *.MP3)",
                                          "MIDIシーケンス(*.mid *.MID)"};
    QTest::newRow("plugin") << nul({"整理券プラグイン(*.4SP)", "*.4SP"})
                            << QStringList{"整理券プラグイン(*.4SP *.4sp)"};
    QTest::newRow("description without pattern shown")
        << nul({"テキスト", "*.txt"}) << QStringList{"テキスト (*.txt *.TXT)"};
    QTest::newRow("several patterns") << nul({"JPEG画像", "*.jpg;*.Jpeg"})
                                      << QStringList{"JPEG画像 (*.jpg *.JPG *.Jpeg *.jpeg *.JPEG)"};
    QTest::newRow("odd count") << nul({"Waveサウンド(*.wav)", "*.wav", "説明だけ"})
                               << QStringList{"Waveサウンド(*.wav *.WAV)"};
    QTest::newRow("missing final NUL")
        << nul({"MIDI", "*.mid"}, false) << QStringList{"MIDI (*.mid *.MID)"};
    QTest::newRow("stops at double NUL")
        << nul({"A", "*.a"}) + nul({"B", "*.b"}) << QStringList{"A (*.a *.A)"};
    QTest::newRow("any file") << nul({"すべて", "*"}) << QStringList{"すべて (*)"};
    QTest::newRow("empty") << QString() << QStringList{};
    QTest::newRow("only terminator") << nul({}) << QStringList{};
}

void TestCompanion::parseFileFilter()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(ParseFileFilter(filter), expected);
}

// --- CP932 byte helpers -------------------------------------------------------

void TestCompanion::midB_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("expected");

    // "バスa停" in CP932: 83 6F | 83 58 | 61 | 92 E2
    QTest::newRow("first kana") << 1 << 2 << QByteArray("\x83\x6F");
    QTest::newRow("odd split") << 2 << 2 << QByteArray("\x6F\x83");
    QTest::newRow("half-width") << 5 << 1 << QByteArray("a");
    QTest::newRow("mixed") << 5 << 3 << QByteArray("a\x92\xE2");
    QTest::newRow("count past end") << 6 << 10 << QByteArray("\x92\xE2");
    QTest::newRow("last byte") << 7 << 2 << QByteArray("\xE2");
    QTest::newRow("end plus one") << 8 << 2 << QByteArray();
    QTest::newRow("far past end") << 1000 << 2 << QByteArray();
    QTest::newRow("count zero") << 1 << 0 << QByteArray();
    QTest::newRow("count negative") << 3 << -1 << QByteArray();
    QTest::newRow("start zero") << 0 << 2 << QByteArray("\x83\x6F");
    QTest::newRow("start negative") << -4 << 4 << QByteArray("\x83\x6F\x83\x58");
}

void TestCompanion::midB()
{
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(QByteArray, expected);

    const QByteArray text = ToCp932(QStringLiteral("バスa停"));
    QCOMPARE(LenB_ASCII(text), 7);
    QCOMPARE(MidB_ASCII(text, start, count), expected);
}

void TestCompanion::cp932RoundTrip()
{
    // Microsoft extensions: circled digit, full-width tilde, NEC/IBM kanji.
    const QString extended = QStringLiteral("①～髙");
    bool lossy = true;
    const QByteArray bytes = ToCp932(extended, &lossy);
    QVERIFY(!lossy);
    QCOMPARE(bytes.size(), 6);
    QCOMPARE(bytes.left(4), QByteArray("\x87\x40\x81\x60"));
    QCOMPARE(FromCp932(bytes), extended);

    const QString withEmoji =
        QStringLiteral("停留所") + QString::fromUcs4(U"\U0001F68F") + QStringLiteral("a");
    lossy = false;
    const QByteArray replaced = ToCp932(withEmoji, &lossy);
    QVERIFY(lossy);
    QCOMPARE(FromCp932(replaced), QStringLiteral("停留所?a"));
    // A zero-width no-break space inside a name is a character like any other.
    lossy = false;
    QCOMPARE(ToCp932(QStringLiteral("駅\uFEFF前"), &lossy), QByteArray("\x89\x77?\x91\x4f"));
    QVERIFY(lossy);

    // Input methods type the JIS forms; they are stored as CP932's own.
    lossy = true;
    QCOMPARE(ToCp932(QStringLiteral("〜−"), &lossy), QByteArray("\x81\x60\x81\x7c"));
    QVERIFY(!lossy);
}

// --- message boxes ------------------------------------------------------------

void TestCompanion::msgBox()
{
    QWidget owner;
    std::vector<MsgBoxCall> calls;
    const MsgBoxHandler previous = SetMsgBoxHandler([&](const MsgBoxCall& c) {
        calls.push_back(c);
        return int(vbNo);
    });
    const QString text = QStringLiteral("ルトミアを終了しますか？\r\n二行目");
    const int r = MsgBox(&owner, text, vbYesNo + vbQuestion);
    SetMsgBoxHandler(previous);

    QCOMPARE(r, int(vbNo));
    QCOMPARE(calls.size(), size_t(1));
    QCOMPARE(calls[0].owner, &owner);
    QCOMPARE(calls[0].text, text);
    QCOMPARE(calls[0].style, vbYesNo + vbQuestion);
    QCOMPARE(calls[0].title, QStringLiteral("ルトミア")); // a box that sets no title
}

void TestCompanion::realMessageBox_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("answer");
    QTest::newRow("yes/no question, yes")
        << int(vbYesNo + vbQuestion) << int(QMessageBox::Question)
        << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::Yes) << int(vbYes);
    QTest::newRow("yes/no question, no")
        << int(vbYesNo + vbQuestion) << int(QMessageBox::Question)
        << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::No) << int(vbNo);
    QTest::newRow("ok, error") << int(vbCritical) << int(QMessageBox::Critical)
                               << int(QMessageBox::Ok) << int(QMessageBox::Ok) << int(vbOK);
    QTest::newRow("ok/cancel, warning")
        << int(vbOKCancel + vbExclamation) << int(QMessageBox::Warning)
        << int(QMessageBox::Ok | QMessageBox::Cancel) << int(QMessageBox::Cancel) << int(vbCancel);
    QTest::newRow("plain") << int(vbOKOnly) << int(QMessageBox::NoIcon) << int(QMessageBox::Ok)
                           << int(QMessageBox::Ok) << int(vbOK);
}

void TestCompanion::realMessageBox()
{
    QFETCH(int, style);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QFETCH(int, press);
    QFETCH(int, answer);
    // The real box, shown through the modal seam: its look, then a button press.
    QString shownText;
    QString shownTitle;
    int shownIcon = -1;
    int shownButtons = -1;
    const MsgBoxHandler noRecorder = SetMsgBoxHandler({});
    const auto previous = SetModalHandler([&](QDialog& dlg) {
        auto& box = static_cast<QMessageBox&>(dlg);
        shownText = box.text();
        shownTitle = box.windowTitle();
        shownIcon = int(box.icon());
        shownButtons = int(box.standardButtons());
        box.button(QMessageBox::StandardButton(press))->click();
        return int(QDialog::Accepted);
    });
    const int r = MsgBox(nullptr, QStringLiteral("一行目\r\n二行目"), style);
    SetModalHandler(previous);
    SetMsgBoxHandler(noRecorder);
    QCOMPARE(r, answer);
    QCOMPARE(shownText, QStringLiteral("一行目\n二行目"));
    QCOMPARE(shownTitle, QStringLiteral("ルトミア"));
    QCOMPARE(shownIcon, icon);
    QCOMPARE(shownButtons, buttons);
}

void TestCompanion::cp932DecodesAsTheConverter()
{
    // Every one- and two-byte sequence, valid or not, and a few runs mixing
    // them, read exactly as the system's converter reads them.
    const auto converter = [](const QByteArray& b) {
        QStringDecoder dec("windows-31j", QStringDecoder::Flag::Stateless);
        return QString(dec(b));
    };
    QByteArray b(2, '\0');
    for (int lead = 0; lead < 256; ++lead) {
        const QByteArray one(1, char(lead));
        QCOMPARE(FromCp932(one), converter(one));
        b[0] = char(lead);
        for (int trail = 0; trail < 256; ++trail) {
            b[1] = char(trail);
            if (FromCp932(b) != converter(b))
                QFAIL(qPrintable(QStringLiteral("%1 %2").arg(lead, 2, 16).arg(trail, 2, 16)));
        }
    }
    for (const QByteArray& mixed :
         {QByteArray("A\x89\x77\x91\x4f B"), QByteArray("\x89\x77\x7f\x82"),
          QByteArray("\x87\x40\xa0\xfd\x81"), QByteArray()})
        QCOMPARE(FromCp932(mixed), converter(mixed));
}

void TestCompanion::qtDialogsSpeakJapanese()
{
    // The tests run under a C locale, as a machine set to English would.
    QVERIFY(SpeakJapanese());
    QCOMPARE(QLocale().monthName(3), QStringLiteral("3月"));
    QFileDialog dlg(nullptr, QStringLiteral("x"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    QStringList texts;
    for (const QAbstractButton* b : dlg.findChildren<QAbstractButton*>())
        texts << b->text();
    for (const QLabel* l : dlg.findChildren<QLabel*>())
        texts << l->text();
    QVERIFY2(texts.contains(QStringLiteral("キャンセル")), qPrintable(texts.join(u'|')));
}

void TestCompanion::messageBoxWrapsWhereTheTextDoes()
{
    const QString line =
        QStringLiteral("設定の FareDataDir に、設定ファイルに保存できない文字が含まれています。");
    int labelWidth = 0;
    int lineWidth = 0;
    QString detail;
    const MsgBoxHandler noRecorder = SetMsgBoxHandler({});
    const auto previous = SetModalHandler([&](QDialog& dlg) {
        auto& box = static_cast<QMessageBox&>(dlg);
        const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        labelWidth = label ? label->minimumWidth() : 0;
        lineWidth = box.fontMetrics().horizontalAdvance(line);
        detail = box.informativeText();
        return int(QDialog::Accepted);
    });
    MsgBox(nullptr, line + QStringLiteral("\r\n短い行"), vbOKOnly, {}, QStringLiteral("詳細"));
    SetModalHandler(previous);
    SetMsgBoxHandler(noRecorder);
    QVERIFY2(labelWidth >= lineWidth,
             qPrintable(QStringLiteral("%1 < %2").arg(labelWidth).arg(lineWidth)));
    QCOMPARE(detail, QStringLiteral("詳細"));
}

QTEST_MAIN(TestCompanion)
#include "tst_companion.moc"
