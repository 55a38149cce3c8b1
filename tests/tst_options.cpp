// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog: its pages and start values, the enabling rules, the
// transfer to and from the settings record, applying the settings to the
// board, and the chooser commands (driven through the modal seam).

#include "board/ChimeiCtl_A.h"
#include "board/Form1.h"
#include "board/M_Degit.h"
#include "companion/ColorRef.h"
#include "companion/LTM4Res.h"
#include "companion/ModalSeam.h"
#include "companion/MsgBox.h"
#include "companion/SysClock.h"
#include "options/BacklightHost.h"
#include "options/ColorButton.h"
#include "options/SelectorButton.h"
#include "options/VbCheckBox.h"
#include "options/VbComboBox.h"
#include "options/VbOptionButton.h"
#include "options/frmOption.h"
#include "settings/SettingsCodec.h"
#include "settings/SettingsRecord.h"
#include "tests/TestSupport.h"

#include <QCalendarWidget>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace ltm4;

namespace {

const QDate kToday(2024, 3, 5);

// A control panel that records what the dialog asks of it.
class FakePanel final : public BacklightHost {
public:
    int SelectedBacklight() const override { return selected; }
    void Option4_Click(int index) override
    {
        clicks << index;
        if (dialog) {
            digitBackAtClick = dialog->Command8(0)->BackColor();
            panelFileAtClick = dialog->txtSelectPanel(2)->text();
        }
    }

    int selected = 0;
    QList<int> clicks;
    frmOption* dialog = nullptr;
    quint32 digitBackAtClick = 0;
    QString panelFileAtClick;
};

// Catches what the file manager would be asked to open.
class UrlCatcher final : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
    Q_INVOKABLE void open(const QUrl& url) { urls << url; }
};

// The option settings of a record (the settings file's first 61 fields), by
// field name and as the file's bytes, so two records compare field by field.
QMap<QString, QString> flatten(const SettingsRecord& r)
{
    constexpr int kOptionFields = 61;
    const QByteArray bytes = EncodeSettings(r).bytes;
    QMap<QString, QString> m;
    SettingsRecord scratch;
    qsizetype start = 0;
    for (qsizetype len = 0; len <= bytes.size() && m.size() < kOptionFields; ++len) {
        const int read = DecodeSettings(bytes.left(len), scratch).fieldsRead;
        if (read > m.size()) {
            m[SettingsFieldName(read)] = QString::fromLatin1(bytes.mid(start, len - start).toHex());
            start = len;
        }
    }
    return m;
}

// A record in which every option setting differs from the dialog's start.
SettingsRecord distinctRecord()
{
    SettingsRecord r;
    r.DataDir = {u"/data/fare"_qs, u"/data/tape"_qs};
    r.Panel = {.AutoSeiriNum = 1,
               .SeiriNumColor = {0x010203, 0x040506, 0x070809},
               .SeiriNumStyle = 11,
               .SeiriNumZero = 1,
               .PanelIndividual = -1,
               .PanelOffUser = -1,
               .PanelOn1User = -1,
               .PanelOn2User = -1,
               .PanelFile = {u"off.bmp"_qs, u"on1.gif"_qs, u"on2.jpg"_qs}};
    r.Degit = {0x112233, 0x445566, 0x778899, 1, 49, 1, 2, 10, 1, 20, 1, 149, 30};
    r.Chimei = {0x0A0B0C, 0x0D0E0F, 4, 1};
    SoundInfo& s = r.Sound;
    s.RouteSetSound = u"route.wav"_qs;
    s.ResetSound = u"reset.mp3"_qs;
    s.StepSoundSync = s.StepSoundByColumn = s.PreSoundAsync = s.PreSoundByFlag = -1;
    s.StepSound = u"step.wav"_qs;
    s.StepSoundColumn = 99;
    s.StepSoundFlag = {QString(), u"s1.wav"_qs, u"s2.wav"_qs, u"s3.mid"_qs};
    s.PreSound = u"pre.wav"_qs;
    s.PreSoundFlag = {QString(), u"p1.wav"_qs, u"p2.wav"_qs, u"p3.mid"_qs};
    r.SeiriPrev = {1, u"/plugins/ticket.4SP"_qs, 0, 0, -1, u"2001/02/03"_qs};
    return r;
}

// What a transfer control holds, as the settings store it.
QString held(const frmOption& dlg, const char* name)
{
    QObject* c = dlg.findChild<QObject*>(QString::fromLatin1(name));
    if (auto* b = qobject_cast<VbCheckBox*>(c))
        return QString::number(b->Value());
    if (auto* o = qobject_cast<VbOptionButton*>(c))
        return QString::number(o->Value());
    if (auto* l = qobject_cast<VbComboBox*>(c))
        return QString::number(l->ListIndex());
    if (auto* k = qobject_cast<ColorButton*>(c))
        return u"#%1"_qs.arg(k->BackColor(), 6, 16, QLatin1Char('0'));
    if (auto* e = qobject_cast<QLineEdit*>(c))
        return e->text();
    if (auto* t = qobject_cast<QLabel*>(c))
        return t->text();
    return u"no control "_qs + QString::fromLatin1(name);
}

// Each "name=value" of the blank-separated list: that control holds that value.
void expectHeld(const frmOption& dlg, const QString& expected)
{
    for (const QString& e : expected.split(u' ', Qt::SkipEmptyParts)) {
        const QString got = held(dlg, qPrintable(e.section(u'=', 0, 0)));
        QVERIFY2(got == e.section(u'=', 1), qPrintable(e + u", not "_qs + got));
    }
}

SettingsRecord readBack(const frmOption& dlg)
{
    SettingsRecord r;
    dlg.GetOptionInfo(r);
    return r;
}

int codeFor(bool accept)
{
    return accept ? QDialog::Accepted : QDialog::Rejected;
}

} // namespace

class TestOptions final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Pages and start values.
    void captions_data();
    void captions();
    void startValues();
    void pageSelection();
    void keyboardAndSize();
    void unstorableTextOfferedForMending();

    // Enabling rules.
    void checkRules_data();
    void checkRules();
    void countFromZeroKeptWhileDisabled();
    void panelPictureFrames();
    void optionGroups();

    // Transfer.
    void roundTrip();
    void pairsBothOff();
    void backlightReappliedAfterPanelRows();
    void refusedValueSkipsOnlyItself_data();
    void refusedValueSkipsOnlyItself();

    // Applying to the board.
    void setPropAppliesToBoard();

    // Commands.
    void choosers_data();
    void choosers();
    void colourButtons_data();
    void colourButtons();
    void fixedDate_data();
    void fixedDate();
    void openFolder();
    void clearPlugin();
};

void TestOptions::init()
{
    SetNowOverride([] { return QDateTime(kToday, QTime(9, 0)); });
}

void TestOptions::cleanup()
{
    SetModalHandler({});
    SetNowOverride({});
}

// --- pages and start values ---------------------------------------------------

void TestOptions::captions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");

    // Captions whose blanks make room for the controls laid over them, or
    // whose full-width blanks the page selectors wrap at.
    const auto row = [](const char* name, const QString& caption) {
        QTest::newRow(name) << QString::fromLatin1(name) << caption;
    };
    row("Option1_0", u"運賃データと\u3000放送用データ"_qs);
    row("Option1_5", u"\u3000\u3000整理券\u3000\u3000\u3000プレビュー"_qs);
    row("Frame1_4", u"サウンド（鳴らさなくてもいい項目にはファイル名を入れないで下さい）"_qs);
    row("Label3_1", u"放送用データ(*****Tp.csv)のあるフォルダー："_qs);
    row("Check3_0",
        u"停留所の順番（区間・個数）を、\u3000\u3000\u3000\u3000\u3000\u3000  コマ目に表示する。"_qs);
    row("Check3_3", u"データの\u3000\u3000\u3000  \u3000\u3000\u3000\u3000\u3000列目の値を、  "
                    u"\u3000\u3000\u3000\u3000\u3000\u3000コマ目に表示する。"_qs);
    row("Label1_2", u"運賃データの                        \u3000\u3000\u3000\u3000\u3000\u3000"
                    u"\u3000\u3000\u3000列目                     のデータが、"_qs);
    row("Option2_3", u"放送データ(*.Tp.csv)内のフラグから判断して、以下の指定したサウンドを鳴らす（"
                     u"フラグの内容が1～3以外の場合はサウンドは鳴りません）"_qs);
}

void TestOptions::captions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    frmOption dlg;
    QObject* control = dlg.findChild<QObject*>(name);
    QVERIFY2(control, qPrintable(name));
    QString text;
    if (auto* b = qobject_cast<QAbstractButton*>(control))
        text = b->text();
    else if (auto* g = qobject_cast<QGroupBox*>(control))
        text = g->title();
    else if (auto* l = qobject_cast<QLabel*>(control))
        text = l->text();
    QCOMPARE(text, caption);
}

void TestOptions::startValues()
{
    frmOption dlg;
    QCOMPARE(dlg.windowTitle(), u"オプション"_qs);
    QVERIFY(!(dlg.windowFlags() & Qt::WindowMinMaxButtonsHint));
    QVERIFY(dlg.isHidden());

    // First start: style 0, every cell and column list on "1", no font mode.
    expectHeld(dlg, u"Option3_0=-1 Option3_1=0 Option3_2=0 Option3_3=-1 Option3_4=-1 Option3_5=0 "
                    u"Option3_6=0 Option3_7=-1 Option6_0=0 Option6_1=-1 Option2_0=-1 Option2_1=0 "
                    u"Option2_2=-1 Option2_3=0 Option7_0=-1 Option7_1=0 Option4_0=-1 Option4_2=0 "
                    u"Check1=0 Command8_0=#808080 Command8_1=#969696 Command8_2=#72d2f8 "
                    u"Command9_0=#808080 Command9_1=#00ffff Combo2=0 Combo4_0=0 Combo4_3=0 "
                    u"Combo4_4=0 Combo1=0 Combo3=-1 Label10=2024/03/05"_qs);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(dlg.Combo4(i)->count(), 50);
        QCOMPARE(dlg.Combo4(i)->currentText(), u"1"_qs);
    }
    for (VbComboBox* list : {dlg.Combo4(4), dlg.Combo1()}) {
        QCOMPARE(list->count(), 150);
        QCOMPARE(list->itemText(149), u"150"_qs);
    }
    QCOMPARE(dlg.Combo3()->count(), 5);
    QCOMPARE(dlg.Combo2()->count(), 12);
    QCOMPARE(dlg.Combo2()->itemText(0), u"1,2,3...50 （既定の表示）"_qs);
    QCOMPARE(dlg.M_Degit1()->Value().ToString(), u"123"_qs);
    QVERIFY(!dlg.M_Degit1()->UserSet());
}

void TestOptions::pageSelection()
{
    frmOption dlg;
    QCOMPARE(dlg.Frame1Stack()->currentWidget(), dlg.Frame1(0));
    QVERIFY(dlg.Option1(0)->isChecked());
    for (int i : {4, 2, 5, 0}) {
        dlg.Option1(i)->click();
        QCOMPARE(dlg.Frame1Stack()->currentWidget(), dlg.Frame1(i));
        QVERIFY(dlg.Option1(i)->isChecked());
    }

    QCOMPARE(dlg.Frame2Stack()->currentWidget(), dlg.Frame2(1));
    dlg.Option5(0)->click();
    QCOMPARE(dlg.Frame2Stack()->currentWidget(), dlg.Frame2(0));
    QVERIFY(!dlg.Option5(1)->isChecked());
    dlg.Option5(1)->click();
    QCOMPARE(dlg.Frame2Stack()->currentWidget(), dlg.Frame2(1));
}

void TestOptions::keyboardAndSize()
{
    frmOption dlg;
    // The selectors wrap at their full-width blanks; their captions stay whole.
    QCOMPARE(SelectorButton::ShownCaption(dlg.Option1(0)->text()),
             u"運賃データと\n放送用データ"_qs);
    QCOMPARE(SelectorButton::ShownCaption(dlg.Option1(5)->text()), u"整理券\nプレビュー"_qs);
    QCOMPARE(SelectorButton::ShownCaption(dlg.Option1(1)->text()), dlg.Option1(1)->text());

    // Enter in a text box is OK: no chooser opens, the dialog closes.
    int dialogs = 0;
    SetModalHandler([&](QDialog&) {
        ++dialogs;
        return int(QDialog::Rejected);
    });
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QSize size = dlg.size();
    dlg.Text2(0)->setFocus();
    QTest::keyClick(dlg.Text2(0), Qt::Key_Return);
    QCOMPARE(dialogs, 0);
    QVERIFY(dlg.isHidden());

    // A fixed size, whichever frames a page shows.
    dlg.show();
    dlg.Option3(1)->click();
    dlg.chkUseSeiriPrev()->setValue(1);
    QCoreApplication::processEvents();
    QCOMPARE(dlg.size(), size);
    QCOMPARE(dlg.txtSelectSound(3)->maxLength(), 65535);
}

void TestOptions::unstorableTextOfferedForMending()
{
    frmOption dlg;
    dlg.show();
    dlg.txtSelectSound(9)->setText(u"/snd/鐘😀.wav"_qs);
    dlg.Text2(0)->setText(u"/home/bus/路線〜A"_qs); // the wave dash reads back as ～
    MessageRecorder messages(vbYes);
    const QList<MsgBoxCall>& asked = messages.shown;
    dlg.Command4()->click();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].text, u"「運賃データ(*.hy3)のあるフォルダー」には、設定ファイルにそのままでは"
                            u"保存できない文字が含まれています。\r\n次に起動したときは次のように"
                            u"読み込まれます：\r\n/home/bus/路線～A\r\n\r\n直しますか？"
                            u"（「いいえ」でこのまま閉じます）"_qs);
    QCOMPARE(asked[0].style, vbYesNo + vbExclamation);
    // Yes: the dialog stays, on the page with the text selected.
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.Option1(0)->isChecked());
    QCOMPARE(dlg.Text2(0)->selectedText(), dlg.Text2(0)->text());

    dlg.Text2(0)->setText(u"/home/bus/路線～A"_qs);
    dlg.Option1(2)->click();
    dlg.Command4()->click();
    QCOMPARE(asked.size(), 2);
    QVERIFY(asked[1].text.startsWith(u"「送り・戻し時のサウンド（「2」の場合）」には"_qs));
    QVERIFY(asked[1].text.contains(u"/snd/鐘?.wav"_qs));
    QVERIFY(dlg.Option1(4)->isChecked() && dlg.Option5(1)->isChecked());
    // The plugin path is chosen, not typed: Yes leads to its chooser.
    dlg.txtSelectSound(9)->setText(u"/snd/鐘.wav"_qs);
    dlg.chkUseSeiriPrev()->setValue(1);
    dlg.txtSeiriPlgDir()->setText(u"/p/券😀.4SP"_qs);
    dlg.Command4()->click();
    QCOMPARE(asked.size(), 3);
    QVERIFY(asked[2].text.startsWith(u"「整理券プラグイン」には"_qs));
    QVERIFY(dlg.Option1(5)->isChecked());
    QCOMPARE(dlg.focusWidget(), dlg.Command1());
    // No: closes as it stands.
    messages.reply = vbNo;
    dlg.Command4()->click();
    QVERIFY(dlg.isHidden());
}

void TestOptions::checkRules_data()
{
    QTest::addColumn<QString>("governing");
    QTest::addColumn<QStringList>("dependents");

    QTest::newRow("Check1") << u"Check1"_qs << QStringList{u"Frame3"_qs};
    QTest::newRow("Check3(0)") << u"Check3_0"_qs << QStringList{u"Combo4_0"_qs, u"Check3_4"_qs};
    QTest::newRow("Check3(1)") << u"Check3_1"_qs << QStringList{u"Combo4_1"_qs};
    QTest::newRow("Check3(2)") << u"Check3_2"_qs << QStringList{u"Combo4_2"_qs};
    QTest::newRow("Check3(3)") << u"Check3_3"_qs << QStringList{u"Combo4_3"_qs, u"Combo4_4"_qs};
    QTest::newRow("Check3(4) governs nothing") << u"Check3_4"_qs << QStringList();
    QTest::newRow("chkUseSeiriPrev")
        << u"chkUseSeiriPrev"_qs << QStringList{u"Frame10"_qs, u"Frame7"_qs};
}

void TestOptions::checkRules()
{
    QFETCH(QString, governing);
    QFETCH(QStringList, dependents);
    frmOption dlg;
    auto* box = dlg.findChild<VbCheckBox*>(governing);
    QVERIFY(box);
    QList<QWidget*> deps;
    for (const QString& name : dependents) {
        deps << dlg.findChild<QWidget*>(name);
        QVERIFY2(deps.last(), qPrintable(name));
    }
    QList<QWidget*> all;
    for (const char* name : {"Frame3", "Combo4_0", "Check3_4", "Combo4_1", "Combo4_2", "Combo4_3",
                             "Combo4_4", "Frame10", "Frame7"})
        all << dlg.findChild<QWidget*>(QString::fromLatin1(name));

    const auto enabledSet = [&] {
        QList<QWidget*> on;
        for (QWidget* w : all) {
            if (w->isEnabled())
                on << w;
        }
        return on;
    };

    // The preview's frames also hide while they are off.
    const bool hides = governing == u"chkUseSeiriPrev"_qs;
    const auto expectOn = [&](bool on) {
        QCOMPARE(enabledSet(), on ? deps : QList<QWidget*>{});
        for (QWidget* w : deps)
            QCOMPARE(w->isHidden(), hides && !on);
    };

    // All start off; a user's click and a value from code both count; nothing else moves.
    expectOn(false);
    box->click();
    expectOn(true);
    box->setValue(0);
    expectOn(false);
    box->setValue(1);
    expectOn(true);
    box->click();
    expectOn(false);
}

void TestOptions::countFromZeroKeptWhileDisabled()
{
    frmOption dlg;
    dlg.Check3(0)->setValue(1);
    dlg.Check3(4)->setValue(1);
    dlg.Check3(0)->setValue(0);
    QVERIFY(!dlg.Check3(4)->isEnabled());
    QCOMPARE(dlg.Check3(4)->Value(), 1);
}

void TestOptions::panelPictureFrames()
{
    frmOption dlg;
    const auto framesShown = [&](bool shown) {
        for (int i = 0; i < 3; ++i) {
            if (dlg.Frame6(i)->isEnabled() != shown || dlg.Frame6(i)->isHidden() == shown)
                return false;
        }
        return true;
    };
    QVERIFY(framesShown(false));
    dlg.Option3(1)->click();
    QVERIFY(framesShown(true));
    dlg.Option3(0)->click();
    QVERIFY(framesShown(false));
    // A pair of zeros from the settings leaves the automatic choice off.
    dlg.Option3(0)->setValue(0);
    QVERIFY(framesShown(true));
    dlg.Option3(0)->setValue(-1);
    QVERIFY(framesShown(false));
}

void TestOptions::optionGroups()
{
    frmOption dlg;
    // Within a frame: one on turns its partner off, other frames untouched.
    dlg.Option3(6)->setValue(-1);
    expectHeld(dlg, u"Option3_7=0 Option3_3=-1 Option3_4=-1 Option3_0=-1"_qs);
    // Option2(0, 1) and (2, 3) are separate groups on separate frames; clicking
    // the one that is on keeps it on.
    dlg.Option2(1)->click();
    dlg.Option2(1)->click();
    expectHeld(dlg, u"Option2_0=0 Option2_1=-1 Option2_2=-1"_qs);
    // The date-source buttons form a group of three (their frame shows with the preview).
    dlg.chkUseSeiriPrev()->setValue(1);
    dlg.Option4(2)->click();
    expectHeld(dlg, u"Option4_0=0 Option4_1=0 Option4_2=-1"_qs);
}

// --- transfer -------------------------------------------------------------------

void TestOptions::roundTrip()
{
    const SettingsRecord wanted = distinctRecord();
    frmOption a;
    QVERIFY(!a.SetOptionInfo(wanted));
    QCOMPARE(flatten(readBack(a)), flatten(wanted));
    // Each value in its own control: a swapped row would read back unchanged.
    expectHeld(a, u"Text2_0=/data/fare Text2_1=/data/tape Check1=1 Command5_0=#010203 "
                  u"Command5_1=#040506 Command5_2=#070809 Combo2=11 Check2=1 Option3_0=0 "
                  u"Option3_1=-1 Option3_7=0 Option3_6=-1 Option3_3=0 Option3_2=-1 Option3_4=0 "
                  u"Option3_5=-1 txtSelectPanel_0=off.bmp txtSelectPanel_1=on1.gif "
                  u"txtSelectPanel_2=on2.jpg Command8_0=#112233 Command8_1=#445566 "
                  u"Command8_2=#778899 Check3_0=1 Combo4_0=49 Check3_4=1 Check3_1=2 Combo4_1=10 "
                  u"Check3_2=1 Combo4_2=20 Check3_3=1 Combo4_4=149 Combo4_3=30 Command9_0=#0a0b0c "
                  u"Command9_1=#0d0e0f Combo3=4 Check4=1 txtSelectSound_0=route.wav "
                  u"txtSelectSound_1=reset.mp3 Option6_0=-1 Option6_1=0 Option2_0=0 Option2_1=-1 "
                  u"txtSelectSound_7=step.wav Combo1=99 txtSelectSound_8=s1.wav "
                  u"txtSelectSound_9=s2.wav txtSelectSound_10=s3.mid Option7_0=0 Option7_1=-1 "
                  u"Option2_2=0 Option2_3=-1 txtSelectSound_3=pre.wav txtSelectSound_4=p1.wav "
                  u"txtSelectSound_5=p2.wav txtSelectSound_6=p3.mid chkUseSeiriPrev=1 Option4_0=0 "
                  u"Option4_1=0 Option4_2=-1 Label10=2001/02/03 "
                  u"txtSeiriPlgDir=/plugins/ticket.4SP"_qs);

    // Restored values drive the enabling rules as clicks would.
    QVERIFY(a.Frame3()->isEnabled() && a.Check3(4)->isEnabled() && a.Combo4(4)->isEnabled());
    QVERIFY(!a.Frame6(1)->isHidden() && !a.Frame10()->isHidden());

    // A dialog's start values come back too, "no font mode" among them.
    const SettingsRecord startRec = readBack(frmOption());
    frmOption b;
    b.Combo3()->setListIndex(2);
    QVERIFY(!b.SetOptionInfo(startRec));
    QCOMPARE(flatten(readBack(b)), flatten(startRec));
    QCOMPARE(b.Combo3()->ListIndex(), -1);
}

void TestOptions::pairsBothOff()
{
    // Every group of option buttons with none on, as a damaged file may have it.
    frmOption dlg;
    SettingsRecord rec = readBack(dlg);
    PanelInfo& p = rec.Panel;
    p.PanelAuto = p.PanelIndividual = p.PanelOffBuiltin = p.PanelOffUser = 0;
    p.PanelOn2Builtin = p.PanelOn2User = 0;
    SoundInfo& s = rec.Sound;
    s.StepSoundSync = s.StepSoundAsync = s.StepSoundAlways = s.StepSoundByColumn = 0;
    s.PreSoundSync = s.PreSoundAsync = s.PreSoundAlways = s.PreSoundByFlag = 0;
    rec.SeiriPrev.DateSystemEachPrint = rec.SeiriPrev.DateHoldAtRouteSet = 0;
    rec.SeiriPrev.DateFixed = 0;
    QVERIFY(!dlg.SetOptionInfo(rec));
    QCOMPARE(flatten(readBack(dlg)), flatten(rec));
}

void TestOptions::backlightReappliedAfterPanelRows()
{
    frmOption dlg;
    FakePanel panel;
    panel.selected = 2;
    panel.dialog = &dlg;
    dlg.setLinks(nullptr, &panel);
    const quint32 startBack = dlg.Command8(0)->BackColor();

    QVERIFY(!dlg.SetOptionInfo(distinctRecord()));
    QCOMPARE(panel.clicks, QList<int>{2});
    // After the last panel picture (row 19), before the digit colours (row 20).
    QCOMPARE(panel.panelFileAtClick, u"on2.jpg"_qs);
    QCOMPARE(panel.digitBackAtClick, startBack);
    QCOMPARE(dlg.Command8(0)->BackColor(), 0x112233u);
}

void TestOptions::refusedValueSkipsOnlyItself_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("row");
    QTest::newRow("check value 3") << 0 << 3 << 3;
    QTest::newRow("style past the list") << 1 << 12 << 7;
    QTest::newRow("cell 51") << 2 << 50 << 24;
    QTest::newRow("font mode -2") << 3 << -2 << 35;
    QTest::newRow("column 151") << 4 << 150 << 44;
    QTest::newRow("preview value -1") << 5 << -1 << 56;
}

void TestOptions::refusedValueSkipsOnlyItself()
{
    QFETCH(int, field);
    QFETCH(int, value);
    QFETCH(int, row);
    using Field = qint16& (*)(SettingsRecord&);
    const Field at[] = {
        [](SettingsRecord& r) -> qint16& { return r.Panel.AutoSeiriNum; },
        [](SettingsRecord& r) -> qint16& { return r.Panel.SeiriNumStyle; },
        [](SettingsRecord& r) -> qint16& { return r.Degit.InfoStopOrderCell; },
        [](SettingsRecord& r) -> qint16& { return r.Chimei.ChimeiFontMode; },
        [](SettingsRecord& r) -> qint16& { return r.Sound.StepSoundColumn; },
        [](SettingsRecord& r) -> qint16& { return r.SeiriPrev.UseSeiriPrev; },
    };
    SettingsRecord rec = distinctRecord();
    at[field](rec) = qint16(value);

    frmOption dlg;
    SettingsRecord want = distinctRecord();
    SettingsRecord start = readBack(dlg);
    at[field](want) = at[field](start);
    FakePanel panel;
    dlg.setLinks(nullptr, &panel);
    const auto failure = dlg.SetOptionInfo(rec);
    QVERIFY(failure.has_value());
    QCOMPARE(failure->row, row);
    QCOMPARE(failure->code, 380);
    QCOMPARE(failure->description, u"プロパティの値が不正です。"_qs);

    // The refused control keeps its start value; every other row is applied.
    QCOMPARE(flatten(readBack(dlg)), flatten(want));
    QCOMPARE(panel.clicks.size(), 1);
}

// --- applying to the board --------------------------------------------------------

void TestOptions::setPropAppliesToBoard()
{
    Form1 board;
    FakePanel panel;
    panel.selected = 1;
    frmOption dlg;
    dlg.setLinks(&board, &panel);

    dlg.Check1()->setValue(1);
    dlg.Combo2()->setListIndex(3); // 「なし」、2,3...
    dlg.Check2()->setValue(1);
    dlg.Combo3()->setListIndex(2);
    dlg.Check4()->setValue(1);
    // Colours chosen with the buttons reach the board only with OK, not with
    // the close box (which hides the dialog and keeps it).
    QList<quint32> answers{Rgb(1, 1, 1), Rgb(10, 200, 30), 0x102030, 0x405060,
                           0x708090,     0x0000AA,         0x00BB00};
    SetModalHandler([&answers](QDialog& d) {
        static_cast<QColorDialog&>(d).setCurrentColor(FromColorRef(answers.takeFirst()));
        return int(QDialog::Accepted);
    });
    for (ColorButton* b : {dlg.Command5(0), dlg.Command5(1), dlg.Command8(0), dlg.Command8(1),
                           dlg.Command8(2), dlg.Command9(0), dlg.Command9(1)})
        b->click();
    QVERIFY(answers.isEmpty());
    dlg.show();
    QVERIFY(dlg.close());
    QVERIFY(dlg.isHidden());
    QCOMPARE(board.ChimeiCtl()->BackColor(), Form1().ChimeiCtl()->BackColor());
    QCOMPARE(board.Degit(5)->DegitForeColor(), Form1().Degit(5)->DegitForeColor());
    QCOMPARE(board.lblSeiriNum(5)->palette().color(QPalette::WindowText), QColor(Qt::white));
    QVERIFY(panel.clicks.isEmpty());

    dlg.show();
    dlg.Command4()->click();
    QVERIFY(dlg.isHidden());

    QCOMPARE(board.lblSeiriNum(1)->text(), u"な し"_qs);
    QCOMPARE(board.lblSeiriNum(2)->text(), u"02"_qs);
    QCOMPARE(board.lblSeiriNum(50)->text(), u"50"_qs);
    for (int k : {1, 25, 50}) {
        QLabel* label = board.lblSeiriNum(k);
        QVERIFY(!label->isHidden());
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(10, 200, 30));
    }
    QVERIFY(board.lblSeiriNum(0)->isHidden());
    for (M_Degit* digit :
         {board.Degit(1), board.Degit(50), board.TimeDegit(0), board.TimeDegit(1)}) {
        QCOMPARE(digit->BackColor(), 0x102030u);
        QCOMPARE(digit->BaseForeColor(), 0x405060u);
        QCOMPARE(digit->DegitForeColor(), 0x708090u);
    }
    ChimeiCtl_A* chimei = board.ChimeiCtl();
    QCOMPARE(chimei->BackColor(), 0x0000AAu);
    QCOMPARE(chimei->ForeColor(), 0x00BB00u);
    QCOMPARE(chimei->FontMode(), 2);
    QVERIFY(chimei->FontBold());
    QCOMPARE(panel.clicks, QList<int>{1});

    // Only a tick is bold; the grey state is not.
    dlg.Check4()->setValue(2);
    panel.selected = 7; // anything past ON1 is ON2
    dlg.SetProp();
    QVERIFY(!chimei->FontBold());
    QCOMPARE(board.lblSeiriNum(3)->palette().color(QPalette::WindowText),
             FromColorRef(dlg.Command5(2)->BackColor()));
    QCOMPARE(panel.clicks, (QList<int>{1, 2}));

    // Numbers turned off hide the labels, on OK only.
    dlg.Check1()->click();
    QVERIFY(!board.lblSeiriNum(7)->isHidden());
    dlg.Command4()->click();
    for (int k : {1, 7, 50})
        QVERIFY(board.lblSeiriNum(k)->isHidden());
}

// --- commands -------------------------------------------------------------------

void TestOptions::choosers_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box"); // the text box that takes the choice
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("filters"); // none for a folder
    QTest::addColumn<bool>("accept");
    const QStringList sounds{u"Waveサウンド(*.wav *.WAV)"_qs, u"MP3サウンド(*.mp3 *.MP3)"_qs,
                             u"MIDIシーケンス(*.mid *.MID)"_qs};
    const QStringList pictures{u"ビットマップ(*.bmp *.BMP)"_qs, u"GIF画像(*.gif *.GIF)"_qs,
                               u"JPEG画像(*.jpg *.JPG)"_qs};
    const QString folder = u"フォルダーを選択してください"_qs;
    for (int i : {0, 1, 3, 4, 5, 6, 7, 8, 9, 10})
        QTest::addRow("sound %d", i)
            << u"cmdSelectSound_%1"_qs.arg(i) << u"txtSelectSound_%1"_qs.arg(i)
            << u"サウンドの選択"_qs << sounds << true;
    QTest::newRow("sound cancel") << u"cmdSelectSound_8"_qs << u"txtSelectSound_8"_qs
                                  << u"サウンドの選択"_qs << sounds << false;
    for (int i = 0; i < 3; ++i)
        QTest::addRow("picture %d", i) << u"Command6_%1"_qs.arg(i) << u"txtSelectPanel_%1"_qs.arg(i)
                                       << u"パネル画像の選択"_qs << pictures << true;
    QTest::newRow("picture cancel") << u"Command6_1"_qs << u"txtSelectPanel_1"_qs
                                    << u"パネル画像の選択"_qs << pictures << false;
    QTest::newRow("fare data") << u"Command3_0"_qs << u"Text2_0"_qs << folder << QStringList()
                               << true;
    QTest::newRow("announcements")
        << u"Command3_1"_qs << u"Text2_1"_qs << folder << QStringList() << true;
    QTest::newRow("folder cancel")
        << u"Command3_0"_qs << u"Text2_0"_qs << folder << QStringList() << false;
}

void TestOptions::choosers()
{
    QFETCH(QString, button);
    QFETCH(QString, box);
    QFETCH(QString, title);
    QFETCH(QStringList, filters);
    QFETCH(bool, accept);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(u"発車ベル.wav"_qs);
    const QString folder = dir.filePath(u"運賃データ"_qs);
    QVERIFY(QDir().mkpath(folder));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    frmOption dlg;
    // The picture frames only take clicks with individual panels chosen.
    dlg.Option3(1)->click();
    const QList<QLineEdit*> boxes = dlg.findChildren<QLineEdit*>();
    for (QLineEdit* b : boxes)
        b->setText(u"before"_qs);

    QString titleSeen;
    QStringList filtersSeen;
    QWidget* owner = nullptr;
    SetModalHandler([&](QDialog& d) {
        owner = d.parentWidget();
        auto* fd = qobject_cast<QFileDialog*>(&d);
        if (!fd)
            return int(QDialog::Rejected);
        titleSeen = fd->windowTitle();
        const bool folders = fd->fileMode() == QFileDialog::Directory;
        if (!folders)
            filtersSeen = fd->nameFilters();
        fd->setDirectory(dir.path());
        fd->selectFile(folders ? folder : file);
        return codeFor(accept);
    });
    dlg.findChild<QPushButton*>(button)->click();

    QCOMPARE(owner, &dlg);
    QCOMPARE(titleSeen, title);
    QCOMPARE(filtersSeen, filters);
    const QString chosen = filters.isEmpty() ? folder : file;
    for (QLineEdit* b : boxes)
        QCOMPARE(b->text(), accept && b->objectName() == box ? chosen : u"before"_qs);
}

void TestOptions::colourButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("accept");
    for (const char* b : {"Command5_0", "Command5_2", "Command9_1", "Command8_1"}) {
        QTest::addRow("%s ok", b) << QString::fromLatin1(b) << true;
        QTest::addRow("%s cancel", b) << QString::fromLatin1(b) << false;
    }
}

void TestOptions::colourButtons()
{
    QFETCH(QString, button);
    QFETCH(bool, accept);
    frmOption dlg;
    dlg.Check1()->setValue(1); // the label colours are live with the numbers only
    auto* target = dlg.findChild<ColorButton*>(button);
    QVERIFY(target);
    target->setBackColor(Rgb(1, 2, 3));
    CustColorTable table{};
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = Rgb(int(i) * 7, 3, 250 - int(i));
    dlg.setCustColors(table);
    const QList<ColorButton*> all = dlg.findChildren<ColorButton*>();
    QList<quint32> before;
    for (ColorButton* b : all)
        before << b->BackColor();

    QColor startSeen;
    QString name;
    QList<quint32> wellsSeen;
    SetModalHandler([&](QDialog& d) {
        name = d.objectName();
        auto* cd = qobject_cast<QColorDialog*>(&d);
        if (!cd)
            return int(QDialog::Rejected);
        startSeen = cd->currentColor();
        for (int i = 0; i < QColorDialog::customCount(); ++i)
            wellsSeen << ToColorRef(QColorDialog::customColor(i));
        QColorDialog::setCustomColor(2, QColor(5, 6, 7));
        cd->setCurrentColor(QColor(200, 100, 50));
        return codeFor(accept);
    });
    target->click();
    QCOMPARE(name, u"lt3ChooseColor"_qs);
    QCOMPARE(startSeen, QColor(1, 2, 3));
    // The custom colours go in, and edited ones come back either way.
    QCOMPARE(wellsSeen, QList<quint32>(table.begin(), table.begin() + 16));
    table[2] = Rgb(5, 6, 7);
    QCOMPARE(dlg.CustColors(), table);
    for (int i = 0; i < all.size(); ++i) {
        const quint32 expected = (all[i] == target && accept) ? Rgb(200, 100, 50) : before[i];
        QCOMPARE(all[i]->BackColor(), expected);
    }
    // The digit sample shows the buttons' colours, even after a cancel.
    const M_Degit* sample = dlg.M_Degit1();
    QCOMPARE(
        (QList<quint32>{sample->BackColor(), sample->BaseForeColor(), sample->DegitForeColor()}),
        (QList<quint32>{dlg.Command8(0)->BackColor(), dlg.Command8(1)->BackColor(),
                        dlg.Command8(2)->BackColor()}));
}

void TestOptions::fixedDate_data()
{
    QTest::addColumn<QDate>("pick");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("shown");
    QTest::newRow("5th of March") << QDate(2025, 3, 5) << true << u"2025/03/05"_qs;
    QTest::newRow("cancel") << QDate(2025, 3, 5) << false << u"2024/03/05"_qs;
}

void TestOptions::fixedDate()
{
    QFETCH(QDate, pick);
    QFETCH(bool, accept);
    QFETCH(QString, shown);
    frmOption dlg;
    dlg.chkUseSeiriPrev()->setValue(1);
    QString name;
    SetModalHandler([&](QDialog& d) {
        name = d.objectName();
        auto* cal = d.findChild<QCalendarWidget*>();
        if (!cal)
            return int(QDialog::Rejected);
        cal->setSelectedDate(pick);
        return codeFor(accept);
    });
    dlg.Command7()->click();
    QCOMPARE(name, u"dlg111"_qs);
    QCOMPARE(dlg.Label10()->text(), shown);
}

void TestOptions::openFolder()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(u"file"_qs, &catcher, "open");
    frmOption dlg;
    dlg.Text2(0)->setText(u"/srv/運賃"_qs);
    dlg.Text2(1)->setText(u"/srv/放送"_qs);
    dlg.Command10(1)->click();
    dlg.Command10(0)->click();
    QDesktopServices::unsetUrlHandler(u"file"_qs);
    QCOMPARE(catcher.urls, (QList<QUrl>{QUrl::fromLocalFile(u"/srv/放送"_qs),
                                        QUrl::fromLocalFile(u"/srv/運賃"_qs)}));
}

void TestOptions::clearPlugin()
{
    frmOption dlg;
    SettingsRecord rec = readBack(dlg);
    rec.SeiriPrev.UseSeiriPrev = 1;
    rec.SeiriPrev.SeiriPlgPath = u"/plugins/ticket.4SP"_qs;
    QVERIFY(!dlg.SetOptionInfo(rec));
    dlg.List1()->addItem(u"日付の印字 ---> 可能"_qs);
    dlg.txtPlginComment()->setPlainText(u"注意"_qs);
    QCOMPARE(dlg.txtSeiriPlgDir()->text(), u"/plugins/ticket.4SP"_qs);

    dlg.Command11()->click();
    QVERIFY(dlg.txtSeiriPlgDir()->text().isEmpty());
    QCOMPARE(dlg.List1()->count(), 0);
    QVERIFY(dlg.txtPlginComment()->toPlainText().isEmpty());
}

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
