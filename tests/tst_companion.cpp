// SPDX-License-Identifier: GPL-3.0-or-later
// The companion library's dialogs, driven through the modal seam, and its
// text helpers.

#include "companion/LTM4Res.h"
#include "companion/ModalSeam.h"
#include "companion/SysWait.h"
#include "companion/MsgBox.h"
#include "companion/SysClock.h"
#include "companion/UiLanguage.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QSpinBox>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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

QList<int> fields(const SystemTime& t)
{
    return {t.wYear, t.wMonth,  t.wDayOfWeek, t.wDay,
            t.wHour, t.wMinute, t.wSecond,    t.wMilliseconds};
}

} // namespace

class TestCompanion final : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void dlg100_data();
    void dlg100();
    void dlg110();
    void dlg111();
    void fileDlg();
    void cp932Forms();
    void cp932DecodesAsTheConverter();
    void realMessageBox_data();
    void realMessageBox();
    void qtDialogsSpeakJapanese();
    void idleWaitsForTheHandler();
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

    using L = QList<int>;
    QTest::newRow("ok writes choices")
        << qint16(4) << L{0, 0, 0} << L{0, 0, 0} << L{2, 1, 3} << true;
    QTest::newRow("too large clamped")
        << qint16(4) << L{5, 9, 6} << L{0, 3, 4} << L{0, 3, 4} << true;
    QTest::newRow("cancel keeps out of range")
        << qint16(4) << L{5, 9, -3} << L{0, 3, 0} << L{1, 1, 1} << false;
    QTest::newRow("one cell") << qint16(1) << L{3, 2, 2} << L{3, 0, 1} << L{3, 0, 1} << true;
}

void TestCompanion::dlg100()
{
    QFETCH(qint16, keta);
    QFETCH(QList<int>, incoming);
    QFETCH(QList<int>, shown);
    QFETCH(QList<int>, chosen);
    QFETCH(bool, accept);

    // The preview's size encodes its arguments, so the shown picture can be
    // traced back to the call that made it.
    const auto picture = [](int z, int s, int f) {
        return QImage(10 + z, 10 + 10 * s + f, QImage::Format_RGB32);
    };
    QList<QList<int>> calls;
    const DigitPreview preview = [&](qint16 z, qint16 s, qint16 f) {
        calls << QList<int>{z, s, f};
        return picture(z, s, f);
    };

    QWidget owner;
    QList<QList<int>> previewed; // after opening, then after each change
    int modes = 0;
    int maxShift = -1;
    int maxFill = -1;
    QWidget* parentSeen = nullptr;
    QSize pictureShown;
    SetModalHandler([&](QDialog& dlg) {
        parentSeen = dlg.parentWidget();
        auto* zero = child<QComboBox>(dlg, "cboZeroMode");
        auto* shift = child<QSpinBox>(dlg, "spnShift");
        auto* fill = child<QSpinBox>(dlg, "spnFillZero");
        auto* label = child<QLabel>(dlg, "lblPreview");
        if (!zero || !shift || !fill || !label || calls.isEmpty())
            return int(QDialog::Rejected);
        modes = zero->count();
        maxShift = shift->maximum();
        maxFill = fill->maximum();
        previewed << calls.last();
        zero->setCurrentIndex(zero->findData(chosen[0]));
        previewed << calls.last();
        shift->setValue(chosen[1]);
        previewed << calls.last();
        fill->setValue(chosen[2]);
        previewed << calls.last();
        pictureShown = label->pixmap().size();
        return codeFor(accept);
    });

    qint16 zeroMode = qint16(incoming[0]);
    qint16 shift = qint16(incoming[1]);
    qint16 fillZero = qint16(incoming[2]);
    const qint32 r = Call_dlg100(&owner, keta, zeroMode, shift, fillZero, preview);

    QCOMPARE(parentSeen, &owner);
    QCOMPARE(modes, 4);
    QCOMPARE(maxShift, keta - 1);
    QCOMPARE(maxFill, int(keta));
    const QList<QList<int>> expected{shown,
                                     {chosen[0], shown[1], shown[2]},
                                     {chosen[0], chosen[1], shown[2]},
                                     chosen};
    QCOMPARE(previewed, expected);
    QCOMPARE(pictureShown, picture(chosen[0], chosen[1], chosen[2]).size());
    QCOMPARE(r, accept ? 1 : 0);
    QCOMPARE((QList<int>{zeroMode, shift, fillZero}), accept ? chosen : incoming);
}

// --- About text ---------------------------------------------------------------

void TestCompanion::dlg110()
{
    QWidget owner;
    QString shown;
    QWidget* parentSeen = nullptr;
    SetModalHandler([&](QDialog& dlg) {
        parentSeen = dlg.parentWidget();
        if (auto* label = child<QLabel>(dlg, "lblText"))
            shown = label->text();
        return int(QDialog::Accepted);
    });
    Call_dlg110(&owner, 1, QStringLiteral("ルトミア\r\n型番:517\r\n配布元：ホロテ交通"));
    QCOMPARE(parentSeen, &owner);
    QCOMPARE(shown.split(QLatin1Char('\n')),
             (QStringList{"ルトミア", "型番:517", "配布元：ホロテ交通"}));
}

// --- date picker --------------------------------------------------------------

void TestCompanion::dlg111()
{
    // The options dialog asks with an all-zero record: the calendar starts
    // today. The chosen date and its day of the week come back, nothing else.
    SetNowOverride([] { return QDateTime(QDate(2024, 3, 5), QTime(10, 30)); });
    QDate startSeen;
    SetModalHandler([&](QDialog& dlg) {
        auto* cal = child<QCalendarWidget>(dlg, "calendar");
        if (!cal)
            return int(QDialog::Rejected);
        startSeen = cal->selectedDate();
        cal->setSelectedDate(QDate(2023, 12, 31));
        return int(QDialog::Accepted);
    });
    SystemTime date;
    date.wHour = 7;
    QCOMPARE(Call_dlg111(nullptr, date), 1);
    QCOMPARE(startSeen, QDate(2024, 3, 5));
    const SystemTime sunday{2023, 12, 0, 31, 7};
    QCOMPARE(fields(date), fields(sunday));
}

// --- file and folder choosers -------------------------------------------------

void TestCompanion::fileDlg()
{
    // Titles, the sound and picture filters and the chosen paths show in the
    // options dialog's choosers; here, how the choosers open.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("運賃データ"));
    QVERIFY(QDir().mkpath(folder));

    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool native = true;
    bool dirsOnly = false;
    QString opensIn;
    QStringList filters;
    SetModalHandler([&](QDialog& dlg) {
        auto* fd = qobject_cast<QFileDialog*>(&dlg);
        if (!fd)
            return int(QDialog::Rejected);
        filters = fd->nameFilters();
        mode = fd->fileMode();
        native = !fd->testOption(QFileDialog::DontUseNativeDialog);
        dirsOnly = fd->testOption(QFileDialog::ShowDirsOnly);
        opensIn = fd->directory().absolutePath();
        return int(QDialog::Rejected);
    });

    // Plugin names are matched in either case.
    Lt3FileDlg(nullptr, 0, QStringLiteral("整理券プラグイン(*.4SP)\0*.4SP\0\0"), dir.path(),
               QStringLiteral("プラグインの選択"));
    QCOMPARE(filters, QStringList{QStringLiteral("整理券プラグイン(*.4SP *.4sp)")});
    QCOMPARE(mode, QFileDialog::ExistingFile);
    QVERIFY(!native);
    QCOMPARE(opensIn, QDir(dir.path()).absolutePath());

    Lt3FolderDlg(nullptr, QStringLiteral("フォルダーを選択してください"), folder);
    QCOMPARE(mode, QFileDialog::Directory);
    QVERIFY(!native);
    QVERIFY(dirsOnly);
    QCOMPARE(opensIn, folder);
}

// --- CP932 ----------------------------------------------------------------------

void TestCompanion::cp932Forms()
{
    // Input methods type the JIS forms; they are stored as CP932's own.
    bool lossy = true;
    QCOMPARE(ToCp932(QStringLiteral("〜−"), &lossy), QByteArray("\x81\x60\x81\x7c"));
    QVERIFY(!lossy);
    // A zero-width no-break space inside a name is a character like any other.
    QCOMPARE(ToCp932(QStringLiteral("駅\uFEFF前"), &lossy), QByteArray("\x89\x77?\x91\x4f"));
    QVERIFY(lossy);
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

// --- message boxes ------------------------------------------------------------

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
    // Japanese has no blanks to wrap at: the long line must fit unbroken.
    const QString longLine =
        QStringLiteral("設定の FareDataDir に、設定ファイルに保存できない文字が含まれています。");
    QString shownText;
    QString shownTitle;
    QString shownDetail;
    int shownIcon = -1;
    int shownButtons = -1;
    int labelWidth = 0;
    int lineWidth = 0;
    SetModalHandler([&](QDialog& dlg) {
        auto& box = static_cast<QMessageBox&>(dlg);
        shownText = box.text();
        shownTitle = box.windowTitle();
        shownDetail = box.informativeText();
        shownIcon = int(box.icon());
        shownButtons = int(box.standardButtons());
        const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        labelWidth = label ? label->minimumWidth() : 0;
        lineWidth = box.fontMetrics().horizontalAdvance(longLine);
        box.button(QMessageBox::StandardButton(press))->click();
        return int(QDialog::Accepted);
    });
    const int r = MsgBox(nullptr, longLine + QStringLiteral("\r\n二行目"), style, {},
                         QStringLiteral("詳細"));
    QCOMPARE(r, answer);
    QCOMPARE(shownText, longLine + QStringLiteral("\n二行目"));
    QCOMPARE(shownTitle, QStringLiteral("ルトミア"));
    QCOMPARE(shownDetail, QStringLiteral("詳細"));
    QCOMPARE(shownIcon, icon);
    QCOMPARE(shownButtons, buttons);
    QVERIFY2(labelWidth >= lineWidth,
             qPrintable(QStringLiteral("%1 < %2").arg(labelWidth).arg(lineWidth)));
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

// What comes from elsewhere than the user (a run's timer, a web page's
// press) during a blocking wait acts after the handler that waited, in the
// order it came, never inside it.
void TestCompanion::idleWaitsForTheHandler()
{
    QStringList done;
    WhenIdle([&] { done << QStringLiteral("idle at once"); });
    QCOMPARE(done, QStringList{QStringLiteral("idle at once")});
    done.clear();

    QTimer::singleShot(10, [&] {
        QVERIFY(IsBusy());
        WhenIdle([&] { done << QStringLiteral("first"); });
        WhenIdle([&] { done << QStringLiteral("second"); });
    });
    // A handler: a blocking wait, then more of its work with events let run.
    Wait(60);
    done << QStringLiteral("after the wait");
    DoEvents();
    done << QStringLiteral("handler ends");
    QVERIFY(!IsBusy());
    QTRY_COMPARE(done.size(), 4);
    QCOMPARE(done, (QStringList{QStringLiteral("after the wait"), QStringLiteral("handler ends"),
                                QStringLiteral("first"), QStringLiteral("second")}));
    // Asked for while others still wait: behind them.
    done.clear();
    {
        const BusyScope busy;
        WhenIdle([&] { done << QStringLiteral("A"); });
    }
    WhenIdle([&] { done << QStringLiteral("B"); });
    QCOMPARE(done, QStringList{});
    QTRY_COMPARE(done, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

QTEST_MAIN(TestCompanion)
#include "tst_companion.moc"
