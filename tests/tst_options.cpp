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
#include "settings/SettingsRecord.h"

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
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

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

QString num(qint32 v)
{
    return QString::number(v);
}

// Every option setting of a record, by name, so two records compare field by
// field and a failure names the field.
QMap<QString, QString> flatten(const SettingsRecord& r)
{
    QMap<QString, QString> m;
    m[u"FareDataDir"_qs] = r.DataDir.FareDataDir;
    m[u"TapeDataDir"_qs] = r.DataDir.TapeDataDir;
    const PanelInfo& p = r.Panel;
    m[u"AutoSeiriNum"_qs] = num(p.AutoSeiriNum);
    for (int i = 0; i < 3; ++i) {
        m[u"SeiriNumColor"_qs + num(i)] = num(p.SeiriNumColor[size_t(i)]);
        m[u"PanelFile"_qs + num(i)] = p.PanelFile[size_t(i)];
    }
    m[u"SeiriNumStyle"_qs] = num(p.SeiriNumStyle);
    m[u"SeiriNumZero"_qs] = num(p.SeiriNumZero);
    m[u"PanelAuto"_qs] = num(p.PanelAuto);
    m[u"PanelIndividual"_qs] = num(p.PanelIndividual);
    m[u"PanelOffBuiltin"_qs] = num(p.PanelOffBuiltin);
    m[u"PanelOffUser"_qs] = num(p.PanelOffUser);
    m[u"PanelOn1Builtin"_qs] = num(p.PanelOn1Builtin);
    m[u"PanelOn1User"_qs] = num(p.PanelOn1User);
    m[u"PanelOn2Builtin"_qs] = num(p.PanelOn2Builtin);
    m[u"PanelOn2User"_qs] = num(p.PanelOn2User);
    const DegitInfo& d = r.Degit;
    m[u"DegitBackColor"_qs] = num(d.DegitBackColor);
    m[u"DegitBaseForeColor"_qs] = num(d.DegitBaseForeColor);
    m[u"DegitForeColor"_qs] = num(d.DegitForeColor);
    m[u"InfoStopOrderOn"_qs] = num(d.InfoStopOrderOn);
    m[u"InfoStopOrderCell"_qs] = num(d.InfoStopOrderCell);
    m[u"InfoCountFromZero"_qs] = num(d.InfoCountFromZero);
    m[u"InfoSeiriNoOn"_qs] = num(d.InfoSeiriNoOn);
    m[u"InfoSeiriNoCell"_qs] = num(d.InfoSeiriNoCell);
    m[u"InfoRouteNoOn"_qs] = num(d.InfoRouteNoOn);
    m[u"InfoRouteNoCell"_qs] = num(d.InfoRouteNoCell);
    m[u"InfoColumnOn"_qs] = num(d.InfoColumnOn);
    m[u"InfoColumn"_qs] = num(d.InfoColumn);
    m[u"InfoColumnCell"_qs] = num(d.InfoColumnCell);
    const ChimeiInfo& c = r.Chimei;
    m[u"ChimeiBackColor"_qs] = num(c.ChimeiBackColor);
    m[u"ChimeiForeColor"_qs] = num(c.ChimeiForeColor);
    m[u"ChimeiFontMode"_qs] = num(c.ChimeiFontMode);
    m[u"ChimeiFontBold"_qs] = num(c.ChimeiFontBold);
    const SoundInfo& s = r.Sound;
    m[u"RouteSetSound"_qs] = s.RouteSetSound;
    m[u"ResetSound"_qs] = s.ResetSound;
    m[u"StepSoundAlways"_qs] = num(s.StepSoundAlways);
    m[u"StepSoundByColumn"_qs] = num(s.StepSoundByColumn);
    m[u"StepSoundSync"_qs] = num(s.StepSoundSync);
    m[u"StepSoundAsync"_qs] = num(s.StepSoundAsync);
    m[u"StepSound"_qs] = s.StepSound;
    m[u"StepSoundColumn"_qs] = num(s.StepSoundColumn);
    m[u"PreSoundAlways"_qs] = num(s.PreSoundAlways);
    m[u"PreSoundByFlag"_qs] = num(s.PreSoundByFlag);
    m[u"PreSoundSync"_qs] = num(s.PreSoundSync);
    m[u"PreSoundAsync"_qs] = num(s.PreSoundAsync);
    m[u"PreSound"_qs] = s.PreSound;
    for (int i = 1; i <= 3; ++i) {
        m[u"StepSoundFlag"_qs + num(i)] = s.StepSoundFlag[size_t(i)];
        m[u"PreSoundFlag"_qs + num(i)] = s.PreSoundFlag[size_t(i)];
    }
    const SeiriPrevInfo& t = r.SeiriPrev;
    m[u"UseSeiriPrev"_qs] = num(t.UseSeiriPrev);
    m[u"SeiriPlgPath"_qs] = t.SeiriPlgPath;
    m[u"DateSystemEachPrint"_qs] = num(t.DateSystemEachPrint);
    m[u"DateHoldAtRouteSet"_qs] = num(t.DateHoldAtRouteSet);
    m[u"DateFixed"_qs] = num(t.DateFixed);
    m[u"FixedDate"_qs] = t.FixedDate;
    return m;
}

// A record in which every option setting differs from the dialog's start.
SettingsRecord distinctRecord()
{
    SettingsRecord r;
    r.DataDir = {u"/data/fare"_qs, u"/data/tape"_qs};
    PanelInfo& p = r.Panel;
    p.AutoSeiriNum = 1;
    p.SeiriNumColor = {0x010203, 0x040506, 0x070809};
    p.SeiriNumStyle = 11;
    p.SeiriNumZero = 1;
    p.PanelAuto = 0;
    p.PanelIndividual = -1;
    p.PanelOffBuiltin = 0;
    p.PanelOffUser = -1;
    p.PanelOn1Builtin = 0;
    p.PanelOn1User = -1;
    p.PanelOn2Builtin = 0;
    p.PanelOn2User = -1;
    p.PanelFile = {u"off.bmp"_qs, u"on1.gif"_qs, u"on2.jpg"_qs};
    DegitInfo& d = r.Degit;
    d.DegitBackColor = 0x112233;
    d.DegitBaseForeColor = 0x445566;
    d.DegitForeColor = 0x778899;
    d.InfoStopOrderOn = 1;
    d.InfoStopOrderCell = 49;
    d.InfoCountFromZero = 1;
    d.InfoSeiriNoOn = 2;
    d.InfoSeiriNoCell = 10;
    d.InfoRouteNoOn = 1;
    d.InfoRouteNoCell = 20;
    d.InfoColumnOn = 1;
    d.InfoColumn = 149;
    d.InfoColumnCell = 30;
    r.Chimei = {0x0A0B0C, 0x0D0E0F, 4, 1};
    SoundInfo& s = r.Sound;
    s.RouteSetSound = u"route.wav"_qs;
    s.ResetSound = u"reset.mp3"_qs;
    s.StepSoundSync = -1;
    s.StepSoundAsync = 0;
    s.StepSoundAlways = 0;
    s.StepSoundByColumn = -1;
    s.StepSound = u"step.wav"_qs;
    s.StepSoundColumn = 99;
    s.StepSoundFlag = {QString(), u"s1.wav"_qs, u"s2.wav"_qs, u"s3.mid"_qs};
    s.PreSoundSync = 0;
    s.PreSoundAsync = -1;
    s.PreSoundAlways = 0;
    s.PreSoundByFlag = -1;
    s.PreSound = u"pre.wav"_qs;
    s.PreSoundFlag = {QString(), u"p1.wav"_qs, u"p2.wav"_qs, u"p3.mid"_qs};
    SeiriPrevInfo& t = r.SeiriPrev;
    t.UseSeiriPrev = 1;
    t.SeiriPlgPath = u"/plugins/ticket.4SP"_qs;
    t.DateSystemEachPrint = 0;
    t.DateHoldAtRouteSet = 0;
    t.DateFixed = -1;
    t.FixedDate = u"2001/02/03"_qs;
    return r;
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

QString soundFilter()
{
    return QStringLiteral("Waveサウンド(*.wav)\0*.wav\0MP3サウンド(*.mp3)\0*.mp3\0"
                          "MIDIシーケンス(*.mid)\0*.mid\0\0");
}

QString pictureFilter()
{
    return QStringLiteral(
        "ビットマップ(*.bmp)\0*.bmp\0GIF画像(*.gif)\0*.gif\0JPEG画像(*.jpg)\0*.jpg\0\0");
}

const QList<int> kSoundIndices{0, 1, 3, 4, 5, 6, 7, 8, 9, 10};

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
    void numberingList();
    void pageSelection();
    void keyboardAndSize();
    void unstorableTextOfferedForMending();

    // Enabling rules.
    void checkRules_data();
    void checkRules();
    void stopOrderGovernsCountFromZero();
    void panelPictureFrames();
    void optionGroups();

    // Transfer.
    void roundTrip();
    void pairBothOff_data();
    void pairBothOff();
    void backlightReappliedAfterPanelRows_data();
    void backlightReappliedAfterPanelRows();
    void refusedValueSkipsOnlyItself_data();
    void refusedValueSkipsOnlyItself();

    // Applying to the board.
    void setPropAppliesToBoard();
    void okHidesLabelsOnlyThen();
    void closeBoxHidesWithoutApplying();

    // Commands.
    void soundChooser_data();
    void soundChooser();
    void pictureChooser_data();
    void pictureChooser();
    void folderChooser_data();
    void folderChooser();
    void colourButtons_data();
    void colourButtons();
    void digitColourCancelStillRecolours();
    void colourReachesBoardOnlyOnOk();
    void customColoursKept();
    void fixedDate_data();
    void fixedDate();
    void openFolder();
    void clearPlugin();

private:
    std::unique_ptr<frmOption> makeDialog();
};

std::unique_ptr<frmOption> TestOptions::makeDialog()
{
    return std::make_unique<frmOption>();
}

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

    const auto row = [](const char* name, const QString& caption) {
        QTest::newRow(name) << QString::fromLatin1(name) << caption;
    };
    row("Option1_0", u"運賃データと\u3000放送用データ"_qs);
    row("Option1_5", u"\u3000\u3000整理券\u3000\u3000\u3000プレビュー"_qs);
    row("Frame1_0", u"運賃データと放送用データ"_qs);
    row("Frame1_4", u"サウンド（鳴らさなくてもいい項目にはファイル名を入れないで下さい）"_qs);
    row("Frame1_5", u"整理券プレビュー"_qs);
    row("Command4", u"OK"_qs);
    row("Label3_1", u"放送用データ(*****Tp.csv)のあるフォルダー："_qs);
    row("Command10_0", u"上記運賃データの場所をエクスプローラで開く"_qs);
    row("Command3_1", u"..."_qs);
    row("Check1", u"整理券番号自動表示機能を使用"_qs);
    row("Option3_0", u"内蔵しているパネルを自動で割り当てる"_qs);
    row("Option3_1", u"個別に設定する"_qs);
    row("Frame6_0", u"バックライトOFF時の画像："_qs);
    row("Option3_7", u"内蔵"_qs);
    row("Option3_2", u"ユーザーパネル"_qs);
    row("Frame6_2", u"ON2の画像："_qs);
    row("Label4_3", u"ON1："_qs);
    row("Check2", u"数字が1桁の番号は頭に0を付け足す"_qs);
    row("Check3_0",
        u"停留所の順番（区間・個数）を、\u3000\u3000\u3000\u3000\u3000\u3000  コマ目に表示する。"_qs);
    row("Check3_3", u"データの\u3000\u3000\u3000  \u3000\u3000\u3000\u3000\u3000列目の値を、  "
                    u"\u3000\u3000\u3000\u3000\u3000\u3000コマ目に表示する。"_qs);
    row("Check3_4", u"0から数える"_qs);
    row("Label6_1", u"未発光時の文字色："_qs);
    row("Check4", u"太字（表示の不具合はサポート対象外）"_qs);
    row("Label1_2", u"運賃データの                        \u3000\u3000\u3000\u3000\u3000\u3000"
                    u"\u3000\u3000\u3000列目                     のデータが、"_qs);
    row("Label1_10", u"「2」の場合"_qs);
    row("Option5_1", u"送り・戻し時のサウンド..."_qs);
    row("Option6_1", u"非同期再生(サウンドを再生しながら運賃切り替え)"_qs);
    row("Option7_0", u"同期再生(サウンドが完全に再生された後で放送開始)"_qs);
    row("Option2_3", u"放送データ(*.Tp.csv)内のフラグから判断して、以下の指定したサウンドを鳴らす（"
                     u"フラグの内容が1～3以外の場合はサウンドは鳴りません）"_qs);
    row("chkUseSeiriPrev", u"整理券プレビュー機能を使用する"_qs);
    row("Option4_2", u"右記の日付に固定"_qs);
    row("Command7", u"日付選択..."_qs);
    row("Command1", u"..."_qs);
}

void TestOptions::captions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    auto dlg = makeDialog();
    QObject* control = dlg->findChild<QObject*>(name);
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
    auto dlg = makeDialog();
    QCOMPARE(dlg->windowTitle(), u"オプション"_qs);
    QVERIFY(!(dlg->windowFlags() & Qt::WindowMinMaxButtonsHint));
    QVERIFY(dlg->isHidden());

    // The accessors and the object names name the same controls.
    QCOMPARE(dlg->findChild<QLineEdit*>(u"txtSelectSound_9"_qs), dlg->txtSelectSound(9));
    QCOMPARE(dlg->findChild<VbComboBox*>(u"Combo4_3"_qs), dlg->Combo4(3));
    QCOMPARE(dlg->findChild<VbOptionButton*>(u"Option3_6"_qs), dlg->Option3(6));
    QVERIFY(!dlg->txtSelectSound(2) && !dlg->cmdSelectSound(2) && !dlg->txtSelectSound(11));

    const QList<int> onAtStart{0, 7, 3, 4};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(dlg->Option3(i)->Value(), onAtStart.contains(i) ? -1 : 0);
    QCOMPARE(dlg->Option6(0)->Value(), 0);
    QCOMPARE(dlg->Option6(1)->Value(), -1);
    QCOMPARE((QList<int>{dlg->Option2(0)->Value(), dlg->Option2(1)->Value(),
                         dlg->Option2(2)->Value(), dlg->Option2(3)->Value()}),
             (QList<int>{-1, 0, -1, 0}));
    QCOMPARE(dlg->Option7(0)->Value(), -1);
    QCOMPARE(dlg->Option7(1)->Value(), 0);
    QCOMPARE(dlg->Option4(0)->Value(), -1);
    QCOMPARE(dlg->Option4(2)->Value(), 0);
    QCOMPARE(dlg->Check1()->Value(), 0);

    QCOMPARE(dlg->Command8(0)->BackColor(), Rgb(128, 128, 128));
    QCOMPARE(dlg->Command8(1)->BackColor(), Rgb(150, 150, 150));
    QCOMPARE(dlg->Command8(2)->BackColor(), Rgb(248, 210, 114));
    QCOMPARE(dlg->Command9(0)->BackColor(), Rgb(128, 128, 128));
    QCOMPARE(dlg->Command9(1)->BackColor(), Rgb(255, 255, 0));

    // First start: style 0, every cell and column list on "1", no font mode.
    QCOMPARE(dlg->Combo2()->ListIndex(), 0);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(dlg->Combo4(i)->count(), 50);
        QCOMPARE(dlg->Combo4(i)->currentText(), u"1"_qs);
    }
    for (VbComboBox* list : {dlg->Combo4(4), dlg->Combo1()}) {
        QCOMPARE(list->count(), 150);
        QCOMPARE(list->ListIndex(), 0);
        QCOMPARE(list->itemText(149), u"150"_qs);
    }
    QCOMPARE(dlg->Combo3()->count(), 5);
    QCOMPARE(dlg->Combo3()->ListIndex(), -1);
    QCOMPARE(dlg->Combo3()->itemText(4), u"英数字はゴシック、それ以外は明朝"_qs);

    QCOMPARE(dlg->Label10()->text(), u"2024/03/05"_qs);
    QCOMPARE(dlg->M_Degit1()->DegitSize(), 0);
    QCOMPARE(dlg->M_Degit1()->Value().ToString(), u"123"_qs);
    QVERIFY(!dlg->M_Degit1()->UserSet());

    // Dependent controls start disabled, the picture and plugin frames hidden.
    QVERIFY(!dlg->Frame3()->isEnabled());
    for (int i = 0; i < 5; ++i)
        QVERIFY(!dlg->Combo4(i)->isEnabled());
    QVERIFY(!dlg->Check3(4)->isEnabled());
    for (QWidget* w : {static_cast<QWidget*>(dlg->Frame6(0)), static_cast<QWidget*>(dlg->Frame6(2)),
                       static_cast<QWidget*>(dlg->Frame10()), static_cast<QWidget*>(dlg->Frame7())})
        QVERIFY(!w->isEnabled() && w->isHidden());
}

void TestOptions::numberingList()
{
    auto dlg = makeDialog();
    VbComboBox* list = dlg->Combo2();
    QCOMPARE(list->count(), 12);
    QCOMPARE(list->itemText(0), u"1,2,3...50 （既定の表示）"_qs);
    QCOMPARE(list->itemText(3), u"「なし」、2,3...50"_qs);
    QCOMPARE(list->itemText(8), u"「券無し」、1,2...49"_qs);
    QCOMPARE(list->itemText(10), u"(無地)、1,2...49"_qs);
    QCOMPARE(list->itemText(11), u"(無地)、2,3...50"_qs);
}

void TestOptions::pageSelection()
{
    auto dlg = makeDialog();
    QCOMPARE(dlg->Frame1Stack()->currentWidget(), dlg->Frame1(0));
    QVERIFY(dlg->Option1(0)->isChecked());
    for (int i : {4, 2, 5, 0}) {
        dlg->Option1(i)->click();
        QCOMPARE(dlg->Frame1Stack()->currentWidget(), dlg->Frame1(i));
        QVERIFY(dlg->Option1(i)->isChecked());
    }

    QCOMPARE(dlg->Frame2Stack()->currentWidget(), dlg->Frame2(1));
    dlg->Option5(0)->click();
    QCOMPARE(dlg->Frame2Stack()->currentWidget(), dlg->Frame2(0));
    QVERIFY(!dlg->Option5(1)->isChecked());
    dlg->Option5(1)->click();
    QCOMPARE(dlg->Frame2Stack()->currentWidget(), dlg->Frame2(1));
}

void TestOptions::keyboardAndSize()
{
    auto dlg = makeDialog();
    // The selectors wrap at their full-width blanks; their captions stay whole.
    QCOMPARE(SelectorButton::ShownCaption(dlg->Option1(0)->text()),
             u"運賃データと\n放送用データ"_qs);
    QCOMPARE(SelectorButton::ShownCaption(dlg->Option1(5)->text()), u"整理券\nプレビュー"_qs);
    QCOMPARE(SelectorButton::ShownCaption(dlg->Option1(1)->text()), dlg->Option1(1)->text());

    // Enter in a text box is OK: no chooser opens, the dialog closes.
    int dialogs = 0;
    SetModalHandler([&](QDialog&) {
        ++dialogs;
        return int(QDialog::Rejected);
    });
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    const QSize size = dlg->size();
    dlg->Text2(0)->setFocus();
    QTest::keyClick(dlg->Text2(0), Qt::Key_Return);
    QCOMPARE(dialogs, 0);
    QVERIFY(dlg->isHidden());
    for (QPushButton* b : dlg->findChildren<QPushButton*>())
        QCOMPARE(b->isDefault() || b->autoDefault(), b == dlg->Command4());

    // A fixed size, whichever frames a page shows.
    dlg->show();
    dlg->Option3(1)->click();
    dlg->chkUseSeiriPrev()->setValue(1);
    QCoreApplication::processEvents();
    QCOMPARE(dlg->size(), size);
    QCOMPARE(dlg->txtSelectSound(3)->maxLength(), 65535);
}

void TestOptions::unstorableTextOfferedForMending()
{
    auto dlg = makeDialog();
    dlg->show();
    dlg->txtSelectSound(9)->setText(u"/snd/鐘😀.wav"_qs);
    dlg->Text2(0)->setText(u"/home/bus/路線〜A"_qs); // the wave dash reads back as ～
    QList<MsgBoxCall> asked;
    int answer = vbYes;
    const auto previous = SetMsgBoxHandler([&](const MsgBoxCall& c) {
        asked << c;
        return answer;
    });
    dlg->Command4()->click();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].text, u"「運賃データ(*.hy3)のあるフォルダー」には、設定ファイルにそのままでは"
                            u"保存できない文字が含まれています。\r\n次に起動したときは次のように"
                            u"読み込まれます：\r\n/home/bus/路線～A\r\n\r\n直しますか？"
                            u"（「いいえ」でこのまま閉じます）"_qs);
    QCOMPARE(asked[0].style, vbYesNo + vbExclamation);
    // Yes: the dialog stays, on the page with the text selected.
    QVERIFY(dlg->isVisible());
    QVERIFY(dlg->Option1(0)->isChecked());
    QCOMPARE(dlg->Text2(0)->selectedText(), dlg->Text2(0)->text());

    dlg->Text2(0)->setText(u"/home/bus/路線～A"_qs);
    dlg->Option1(2)->click();
    dlg->Command4()->click();
    QCOMPARE(asked.size(), 2);
    QVERIFY(asked[1].text.startsWith(u"「送り・戻し時のサウンド（「2」の場合）」には"_qs));
    QVERIFY(asked[1].text.contains(u"/snd/鐘?.wav"_qs));
    QVERIFY(dlg->Option1(4)->isChecked() && dlg->Option5(1)->isChecked());
    // No: closes as it stands.
    answer = vbNo;
    dlg->Command4()->click();
    QVERIFY(dlg->isHidden());
    SetMsgBoxHandler(previous);
}

// --- enabling rules -------------------------------------------------------------

void TestOptions::checkRules_data()
{
    QTest::addColumn<QString>("governing");
    QTest::addColumn<QStringList>("dependents");

    QTest::newRow("Check1") << u"Check1"_qs << QStringList{u"Frame3"_qs};
    QTest::newRow("Check3(0)") << u"Check3_0"_qs << QStringList{u"Combo4_0"_qs, u"Check3_4"_qs};
    QTest::newRow("Check3(1)") << u"Check3_1"_qs << QStringList{u"Combo4_1"_qs};
    QTest::newRow("Check3(2)") << u"Check3_2"_qs << QStringList{u"Combo4_2"_qs};
    QTest::newRow("Check3(3)") << u"Check3_3"_qs << QStringList{u"Combo4_3"_qs, u"Combo4_4"_qs};
    QTest::newRow("chkUseSeiriPrev")
        << u"chkUseSeiriPrev"_qs << QStringList{u"Frame10"_qs, u"Frame7"_qs};
}

void TestOptions::checkRules()
{
    QFETCH(QString, governing);
    QFETCH(QStringList, dependents);
    auto dlg = makeDialog();
    auto* box = dlg->findChild<VbCheckBox*>(governing);
    QVERIFY(box);
    QList<QWidget*> deps;
    for (const QString& name : dependents) {
        deps << dlg->findChild<QWidget*>(name);
        QVERIFY2(deps.last(), qPrintable(name));
    }
    QList<QWidget*> all;
    for (const char* name : {"Frame3", "Combo4_0", "Check3_4", "Combo4_1", "Combo4_2", "Combo4_3",
                             "Combo4_4", "Frame10", "Frame7"})
        all << dlg->findChild<QWidget*>(QString::fromLatin1(name));

    const auto enabledSet = [&] {
        QList<QWidget*> on;
        for (QWidget* w : all) {
            if (w->isEnabled())
                on << w;
        }
        return on;
    };

    // A user's click and a value from code both count; nothing else moves.
    box->click();
    QCOMPARE(enabledSet(), deps);
    box->setValue(0);
    QCOMPARE(enabledSet(), QList<QWidget*>{});
    box->setValue(1);
    QCOMPARE(enabledSet(), deps);
    box->click();
    QCOMPARE(enabledSet(), QList<QWidget*>{});
    if (governing == u"chkUseSeiriPrev"_qs) {
        for (QWidget* w : deps)
            QVERIFY(w->isHidden());
        box->setValue(1);
        for (QWidget* w : deps)
            QVERIFY(!w->isHidden());
    }
}

void TestOptions::stopOrderGovernsCountFromZero()
{
    auto dlg = makeDialog();
    dlg->Check3(0)->setValue(1);
    dlg->Check3(4)->setValue(1);
    dlg->Check3(0)->setValue(0);
    QVERIFY(!dlg->Check3(4)->isEnabled());
    QCOMPARE(dlg->Check3(4)->Value(), 1);
    // Its own clicks govern nothing.
    dlg->Check3(0)->setValue(1);
    dlg->Check3(4)->click();
    QVERIFY(dlg->Combo4(0)->isEnabled());
    QVERIFY(dlg->Check3(4)->isEnabled());
}

void TestOptions::panelPictureFrames()
{
    auto dlg = makeDialog();
    const auto framesShown = [&](bool shown) {
        for (int i = 0; i < 3; ++i) {
            if (dlg->Frame6(i)->isEnabled() != shown || dlg->Frame6(i)->isHidden() == shown)
                return false;
        }
        return true;
    };
    dlg->Option3(1)->click();
    QVERIFY(framesShown(true));
    dlg->Option3(0)->click();
    QVERIFY(framesShown(false));
    // A pair of zeros from the settings leaves the automatic choice off.
    dlg->Option3(0)->setValue(0);
    QVERIFY(framesShown(true));
    dlg->Option3(0)->setValue(-1);
    QVERIFY(framesShown(false));
}

void TestOptions::optionGroups()
{
    auto dlg = makeDialog();
    // Within a frame: one on turns its partner off, other frames untouched.
    dlg->Option3(6)->setValue(-1);
    QCOMPARE(dlg->Option3(7)->Value(), 0);
    QCOMPARE(dlg->Option3(3)->Value(), -1);
    QCOMPARE(dlg->Option3(4)->Value(), -1);
    QCOMPARE(dlg->Option3(0)->Value(), -1);
    // Option2(0, 1) and (2, 3) are separate groups on separate frames.
    dlg->Option2(1)->click();
    QCOMPARE(dlg->Option2(0)->Value(), 0);
    QCOMPARE(dlg->Option2(2)->Value(), -1);
    // Clicking the one that is on keeps it on.
    dlg->Option2(1)->click();
    QCOMPARE(dlg->Option2(1)->Value(), -1);
    // The date-source buttons form a group of three (their frame shows with the preview).
    dlg->chkUseSeiriPrev()->setValue(1);
    dlg->Option4(2)->click();
    QCOMPARE(
        (QList<int>{dlg->Option4(0)->Value(), dlg->Option4(1)->Value(), dlg->Option4(2)->Value()}),
        (QList<int>{0, 0, -1}));
    // Off from code may leave a group with none on.
    dlg->Option4(2)->setValue(0);
    QCOMPARE(
        (QList<int>{dlg->Option4(0)->Value(), dlg->Option4(1)->Value(), dlg->Option4(2)->Value()}),
        (QList<int>{0, 0, 0}));
}

// --- transfer -------------------------------------------------------------------

void TestOptions::roundTrip()
{
    const SettingsRecord wanted = distinctRecord();
    {
        // The test record is only worth something if every value is new.
        auto fresh = makeDialog();
        const auto start = flatten(readBack(*fresh));
        const auto want = flatten(wanted);
        QCOMPARE(start.keys(), want.keys());
        // Of a group of three, one button is off at start and stays off
        // whichever other one the record turns on.
        for (auto it = start.cbegin(); it != start.cend(); ++it) {
            if (it.key() != u"DateHoldAtRouteSet"_qs)
                QVERIFY2(it.value() != want.value(it.key()), qPrintable(it.key()));
        }
    }

    auto a = makeDialog();
    const auto failure = a->SetOptionInfo(wanted);
    QVERIFY(!failure);
    const SettingsRecord got = readBack(*a);
    QCOMPARE(flatten(got), flatten(wanted));

    // Read back and restored into a fresh dialog: nothing changes.
    auto b = makeDialog();
    QVERIFY(!b->SetOptionInfo(got));
    QCOMPARE(flatten(readBack(*b)), flatten(got));

    // So does a dialog at its start values.
    auto c = makeDialog();
    const SettingsRecord startRec = readBack(*c);
    auto d = makeDialog();
    d->Combo3()->setListIndex(2);
    QVERIFY(!d->SetOptionInfo(startRec));
    QCOMPARE(flatten(readBack(*d)), flatten(startRec));
    QCOMPARE(d->Combo3()->ListIndex(), -1);

    // Restored values drive the enabling rules as clicks would.
    QVERIFY(a->Frame3()->isEnabled());
    QVERIFY(a->Check3(4)->isEnabled() && a->Combo4(4)->isEnabled());
    QVERIFY(!a->Frame6(1)->isHidden() && !a->Frame10()->isHidden());
}

namespace {

struct OptionPair {
    const char* name;
    std::function<void(SettingsRecord&)> zero;
    std::function<QList<VbOptionButton*>(frmOption&)> buttons;
};

const std::vector<OptionPair>& optionPairs()
{
    static const std::vector<OptionPair> pairs{
        {"panel auto/individual",
         [](SettingsRecord& r) { r.Panel.PanelAuto = r.Panel.PanelIndividual = 0; },
         [](frmOption& o) {
             return QList<VbOptionButton*>{o.Option3(0), o.Option3(1)};
         }},
        {"OFF picture",
         [](SettingsRecord& r) { r.Panel.PanelOffBuiltin = r.Panel.PanelOffUser = 0; },
         [](frmOption& o) {
             return QList<VbOptionButton*>{o.Option3(7), o.Option3(6)};
         }},
        {"ON2 picture",
         [](SettingsRecord& r) { r.Panel.PanelOn2Builtin = r.Panel.PanelOn2User = 0; },
         [](frmOption& o) {
             return QList<VbOptionButton*>{o.Option3(4), o.Option3(5)};
         }},
        {"step sync", [](SettingsRecord& r) { r.Sound.StepSoundSync = r.Sound.StepSoundAsync = 0; },
         [](frmOption& o) {
             return QList<VbOptionButton*>{o.Option6(0), o.Option6(1)};
         }},
        {"step mode",
         [](SettingsRecord& r) { r.Sound.StepSoundAlways = r.Sound.StepSoundByColumn = 0; },
         [](frmOption& o) {
             return QList<VbOptionButton*>{o.Option2(0), o.Option2(1)};
         }},
        {"pre sync", [](SettingsRecord& r) { r.Sound.PreSoundSync = r.Sound.PreSoundAsync = 0; },
         [](frmOption& o) {
             return QList<VbOptionButton*>{o.Option7(0), o.Option7(1)};
         }},
        {"pre mode", [](SettingsRecord& r) { r.Sound.PreSoundAlways = r.Sound.PreSoundByFlag = 0; },
         [](frmOption& o) {
             return QList<VbOptionButton*>{o.Option2(2), o.Option2(3)};
         }},
        {"date source",
         [](SettingsRecord& r) {
             r.SeiriPrev.DateSystemEachPrint = r.SeiriPrev.DateHoldAtRouteSet =
                 r.SeiriPrev.DateFixed = 0;
         },
         [](frmOption& o) {
             return QList<VbOptionButton*>{o.Option4(0), o.Option4(1), o.Option4(2)};
         }},
    };
    return pairs;
}

} // namespace

void TestOptions::pairBothOff_data()
{
    QTest::addColumn<int>("pair");
    for (size_t i = 0; i < optionPairs().size(); ++i)
        QTest::newRow(optionPairs()[i].name) << int(i);
}

void TestOptions::pairBothOff()
{
    QFETCH(int, pair);
    const OptionPair& p = optionPairs()[size_t(pair)];
    auto dlg = makeDialog();
    SettingsRecord rec = readBack(*dlg);
    p.zero(rec);
    QVERIFY(!dlg->SetOptionInfo(rec));
    for (VbOptionButton* b : p.buttons(*dlg))
        QCOMPARE(b->Value(), 0);
    QCOMPARE(flatten(readBack(*dlg)), flatten(rec));
}

void TestOptions::backlightReappliedAfterPanelRows_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("applied");
    QTest::newRow("OFF") << 0 << 0;
    QTest::newRow("ON1") << 1 << 1;
    QTest::newRow("ON2") << 2 << 2;
}

void TestOptions::backlightReappliedAfterPanelRows()
{
    QFETCH(int, selected);
    QFETCH(int, applied);
    auto dlg = makeDialog();
    FakePanel panel;
    panel.selected = selected;
    panel.dialog = dlg.get();
    dlg->setLinks(nullptr, &panel);
    const quint32 startBack = dlg->Command8(0)->BackColor();

    QVERIFY(!dlg->SetOptionInfo(distinctRecord()));
    QCOMPARE(panel.clicks, QList<int>{applied});
    // After the last panel picture (row 19), before the digit colours (row 20).
    QCOMPARE(panel.panelFileAtClick, u"on2.jpg"_qs);
    QCOMPARE(panel.digitBackAtClick, startBack);
    QCOMPARE(dlg->Command8(0)->BackColor(), 0x112233u);
}

void TestOptions::refusedValueSkipsOnlyItself_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("key");
    QTest::newRow("check value 3") << 0 << 3 << u"AutoSeiriNum"_qs;
    QTest::newRow("style past the list") << 1 << 7 << u"SeiriNumStyle"_qs;
    QTest::newRow("cell 51") << 2 << 24 << u"InfoStopOrderCell"_qs;
    QTest::newRow("font mode -2") << 3 << 35 << u"ChimeiFontMode"_qs;
    QTest::newRow("column 151") << 4 << 44 << u"StepSoundColumn"_qs;
    QTest::newRow("preview value -1") << 5 << 56 << u"UseSeiriPrev"_qs;
}

void TestOptions::refusedValueSkipsOnlyItself()
{
    QFETCH(int, field);
    QFETCH(int, row);
    QFETCH(QString, key);
    SettingsRecord rec = distinctRecord();
    switch (field) {
    case 0:
        rec.Panel.AutoSeiriNum = 3;
        break;
    case 1:
        rec.Panel.SeiriNumStyle = 12;
        break;
    case 2:
        rec.Degit.InfoStopOrderCell = 50;
        break;
    case 3:
        rec.Chimei.ChimeiFontMode = -2;
        break;
    case 4:
        rec.Sound.StepSoundColumn = 150;
        break;
    case 5:
        rec.SeiriPrev.UseSeiriPrev = -1;
        break;
    }

    auto dlg = makeDialog();
    const auto startValues = flatten(readBack(*dlg));
    FakePanel panel;
    dlg->setLinks(nullptr, &panel);
    const auto failure = dlg->SetOptionInfo(rec);
    QVERIFY(failure.has_value());
    QCOMPARE(failure->row, row);
    QCOMPARE(failure->code, 380);
    QCOMPARE(failure->description, u"プロパティの値が不正です。"_qs);

    // The refused control keeps its start value; every other row is applied.
    auto want = flatten(distinctRecord());
    want[key] = startValues.value(key);
    QCOMPARE(flatten(readBack(*dlg)), want);
    QCOMPARE(panel.clicks.size(), 1);
}

// --- applying to the board --------------------------------------------------------

void TestOptions::setPropAppliesToBoard()
{
    Form1 board;
    FakePanel panel;
    panel.selected = 1;
    auto dlg = makeDialog();
    dlg->setLinks(&board, &panel);

    dlg->Check1()->setValue(1);
    dlg->Combo2()->setListIndex(3); // 「なし」、2,3...
    dlg->Check2()->setValue(1);
    dlg->Command5(0)->setBackColor(Rgb(1, 1, 1));
    dlg->Command5(1)->setBackColor(Rgb(10, 200, 30));
    dlg->Command8(0)->setBackColor(0x102030);
    dlg->Command8(1)->setBackColor(0x405060);
    dlg->Command8(2)->setBackColor(0x708090);
    dlg->Command9(0)->setBackColor(0x0000AA);
    dlg->Command9(1)->setBackColor(0x00BB00);
    dlg->Combo3()->setListIndex(2);
    dlg->Check4()->setValue(1);

    dlg->show();
    dlg->Command4()->click();
    QVERIFY(dlg->isHidden());

    QCOMPARE(board.lblSeiriNum(1)->text(), u"な し"_qs);
    QCOMPARE(board.lblSeiriNum(2)->text(), u"02"_qs);
    QCOMPARE(board.lblSeiriNum(50)->text(), u"50"_qs);
    for (int k : {1, 25, 50}) {
        QLabel* label = board.lblSeiriNum(k);
        QVERIFY(!label->isHidden());
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(10, 200, 30));
    }
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
    dlg->Check4()->setValue(2);
    panel.selected = 7; // anything past ON1 is ON2
    dlg->SetProp();
    QVERIFY(!chimei->FontBold());
    QCOMPARE(board.lblSeiriNum(3)->palette().color(QPalette::WindowText),
             FromColorRef(dlg->Command5(2)->BackColor()));
    QCOMPARE(panel.clicks, (QList<int>{1, 2}));
}

void TestOptions::okHidesLabelsOnlyThen()
{
    Form1 board;
    auto dlg = makeDialog();
    dlg->setLinks(&board, nullptr);
    dlg->Check1()->setValue(1);
    dlg->Command4()->click();
    QVERIFY(!board.lblSeiriNum(7)->isHidden());

    dlg->Check1()->click();
    QVERIFY(!dlg->Frame3()->isEnabled());
    QVERIFY(!board.lblSeiriNum(7)->isHidden());
    dlg->Command4()->click();
    for (int k : {1, 7, 50})
        QVERIFY(board.lblSeiriNum(k)->isHidden());
    QVERIFY(!board.lblSeiriNum(0) || board.lblSeiriNum(0)->isHidden());
}

void TestOptions::closeBoxHidesWithoutApplying()
{
    Form1 board;
    FakePanel panel;
    QPointer<frmOption> dlg = new frmOption;
    dlg->setLinks(&board, &panel);
    dlg->Command9(0)->setBackColor(0x123456);
    dlg->show();
    QVERIFY(dlg->close());
    QVERIFY(dlg);
    QVERIFY(dlg->isHidden());
    QVERIFY(panel.clicks.isEmpty());
    QVERIFY(board.ChimeiCtl()->BackColor() != 0x123456u);
    delete dlg;
}

// --- commands -------------------------------------------------------------------

void TestOptions::soundChooser_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("accept");
    for (int i : kSoundIndices)
        QTest::addRow("sound %d", i) << i << true;
    QTest::newRow("cancel") << 8 << false;
}

void TestOptions::soundChooser()
{
    QFETCH(int, index);
    QFETCH(bool, accept);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"発車ベル.wav"_qs);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    auto dlg = makeDialog();
    for (int i : kSoundIndices)
        dlg->txtSelectSound(i)->setText(u"before"_qs);

    QString title;
    QString name;
    QStringList filters;
    QWidget* owner = nullptr;
    SetModalHandler([&](QDialog& d) {
        name = d.objectName();
        owner = d.parentWidget();
        auto* fd = qobject_cast<QFileDialog*>(&d);
        if (!fd)
            return int(QDialog::Rejected);
        title = fd->windowTitle();
        filters = fd->nameFilters();
        fd->selectFile(path);
        return codeFor(accept);
    });
    dlg->cmdSelectSound(index)->click();

    QCOMPARE(name, u"lt3FileDlg"_qs);
    QCOMPARE(owner, dlg.get());
    QCOMPARE(title, u"サウンドの選択"_qs);
    QCOMPARE(filters, ParseFileFilter(soundFilter()));
    for (int i : kSoundIndices) {
        const bool chosen = accept && i == index;
        QCOMPARE(dlg->txtSelectSound(i)->text(), chosen ? path : u"before"_qs);
    }
}

void TestOptions::pictureChooser_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("accept");
    QTest::newRow("OFF") << 0 << true;
    QTest::newRow("ON1") << 1 << true;
    QTest::newRow("ON2") << 2 << true;
    QTest::newRow("cancel") << 1 << false;
}

void TestOptions::pictureChooser()
{
    QFETCH(int, index);
    QFETCH(bool, accept);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"panel.bmp"_qs);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    auto dlg = makeDialog();
    // The picture frames only take clicks with individual panels chosen.
    dlg->Option3(1)->click();
    QString title;
    QStringList filters;
    SetModalHandler([&](QDialog& d) {
        auto* fd = qobject_cast<QFileDialog*>(&d);
        if (!fd || d.objectName() != u"lt3FileDlg"_qs)
            return int(QDialog::Rejected);
        title = fd->windowTitle();
        filters = fd->nameFilters();
        fd->selectFile(path);
        return codeFor(accept);
    });
    dlg->Command6(index)->click();
    QCOMPARE(title, u"パネル画像の選択"_qs);
    QCOMPARE(filters, ParseFileFilter(pictureFilter()));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(dlg->txtSelectPanel(i)->text(), accept && i == index ? path : QString());
}

void TestOptions::folderChooser_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("accept");
    QTest::newRow("fare data") << 0 << true;
    QTest::newRow("announcements") << 1 << true;
    QTest::newRow("cancel") << 0 << false;
}

void TestOptions::folderChooser()
{
    QFETCH(int, index);
    QFETCH(bool, accept);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(u"運賃データ"_qs);
    QVERIFY(QDir().mkpath(folder));

    auto dlg = makeDialog();
    dlg->Text2(0)->setText(u"old0"_qs);
    dlg->Text2(1)->setText(u"old1"_qs);
    QString name;
    QString title;
    SetModalHandler([&](QDialog& d) {
        name = d.objectName();
        title = d.windowTitle();
        auto* fd = qobject_cast<QFileDialog*>(&d);
        if (!fd)
            return int(QDialog::Rejected);
        fd->setDirectory(dir.path());
        fd->selectFile(folder);
        return codeFor(accept);
    });
    dlg->Command3(index)->click();
    QCOMPARE(name, u"lt3FolderDlg"_qs);
    QCOMPARE(title, u"フォルダーを選択してください"_qs);
    for (int i = 0; i < 2; ++i) {
        const QString old = u"old"_qs + QString::number(i);
        QCOMPARE(dlg->Text2(i)->text(), accept && i == index ? folder : old);
    }
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
    auto dlg = makeDialog();
    dlg->Check1()->setValue(1); // the label colours are live with the numbers only
    auto* target = dlg->findChild<ColorButton*>(button);
    QVERIFY(target);
    target->setBackColor(Rgb(1, 2, 3));
    const QList<ColorButton*> all = dlg->findChildren<ColorButton*>();
    QList<quint32> before;
    for (ColorButton* b : all)
        before << b->BackColor();

    QColor startSeen;
    QString name;
    SetModalHandler([&](QDialog& d) {
        name = d.objectName();
        auto* cd = qobject_cast<QColorDialog*>(&d);
        if (!cd)
            return int(QDialog::Rejected);
        startSeen = cd->currentColor();
        cd->setCurrentColor(QColor(200, 100, 50));
        return codeFor(accept);
    });
    target->click();
    QCOMPARE(name, u"lt3ChooseColor"_qs);
    QCOMPARE(startSeen, QColor(1, 2, 3));
    for (int i = 0; i < all.size(); ++i) {
        const quint32 expected = (all[i] == target && accept) ? Rgb(200, 100, 50) : before[i];
        QCOMPARE(all[i]->BackColor(), expected);
    }
}

void TestOptions::digitColourCancelStillRecolours()
{
    auto dlg = makeDialog();
    // Changed without a click, so the sample still shows the old colours.
    dlg->Command8(0)->setBackColor(0x010101);
    dlg->Command8(1)->setBackColor(0x020202);
    dlg->Command8(2)->setBackColor(0x030303);
    QVERIFY(dlg->M_Degit1()->BaseForeColor() != 0x020202u);

    SetModalHandler([](QDialog&) { return int(QDialog::Rejected); });
    dlg->Command8(2)->click();
    QCOMPARE(dlg->Command8(2)->BackColor(), 0x030303u);
    QCOMPARE(dlg->M_Degit1()->BackColor(), 0x010101u);
    QCOMPARE(dlg->M_Degit1()->BaseForeColor(), 0x020202u);
    QCOMPARE(dlg->M_Degit1()->DegitForeColor(), 0x030303u);
}

void TestOptions::colourReachesBoardOnlyOnOk()
{
    Form1 board;
    FakePanel panel;
    auto dlg = makeDialog();
    dlg->setLinks(&board, &panel);
    dlg->Check1()->setValue(1);
    const quint32 chimeiBefore = board.ChimeiCtl()->BackColor();
    const quint32 digitBefore = board.Degit(5)->DegitForeColor();
    const QColor labelBefore = board.lblSeiriNum(5)->palette().color(QPalette::WindowText);

    SetModalHandler([](QDialog& d) {
        if (auto* cd = qobject_cast<QColorDialog*>(&d))
            cd->setCurrentColor(QColor(9, 99, 199));
        return int(QDialog::Accepted);
    });
    dlg->Command9(0)->click();
    dlg->Command8(2)->click();
    dlg->Command5(0)->click();
    QCOMPARE(board.ChimeiCtl()->BackColor(), chimeiBefore);
    QCOMPARE(board.Degit(5)->DegitForeColor(), digitBefore);
    QCOMPARE(board.lblSeiriNum(5)->palette().color(QPalette::WindowText), labelBefore);
    QVERIFY(panel.clicks.isEmpty());

    dlg->Command4()->click();
    QCOMPARE(board.ChimeiCtl()->BackColor(), Rgb(9, 99, 199));
    QCOMPARE(board.Degit(5)->DegitForeColor(), Rgb(9, 99, 199));
    QCOMPARE(board.lblSeiriNum(5)->palette().color(QPalette::WindowText), QColor(9, 99, 199));
}

void TestOptions::customColoursKept()
{
    auto dlg = makeDialog();
    CustColorTable table{};
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = Rgb(int(i) * 7, 3, 250 - int(i));
    dlg->setCustColors(table);

    QList<quint32> wellsSeen;
    SetModalHandler([&](QDialog&) {
        for (int i = 0; i < QColorDialog::customCount(); ++i)
            wellsSeen << ToColorRef(QColorDialog::customColor(i));
        QColorDialog::setCustomColor(2, QColor(5, 6, 7));
        return int(QDialog::Rejected);
    });
    dlg->Command9(1)->click();
    QCOMPARE(wellsSeen, QList<quint32>(table.begin(), table.begin() + 16));
    CustColorTable expected = table;
    expected[2] = Rgb(5, 6, 7);
    QCOMPARE(dlg->CustColors(), expected);
}

void TestOptions::fixedDate_data()
{
    QTest::addColumn<QDate>("pick");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("shown");
    QTest::newRow("5th of March") << QDate(2025, 3, 5) << true << u"2025/03/05"_qs;
    QTest::newRow("end of year") << QDate(2023, 12, 31) << true << u"2023/12/31"_qs;
    QTest::newRow("cancel") << QDate(2025, 3, 5) << false << u"2024/03/05"_qs;
}

void TestOptions::fixedDate()
{
    QFETCH(QDate, pick);
    QFETCH(bool, accept);
    QFETCH(QString, shown);
    auto dlg = makeDialog();
    dlg->chkUseSeiriPrev()->setValue(1);
    QString name;
    SetModalHandler([&](QDialog& d) {
        name = d.objectName();
        auto* cal = d.findChild<QCalendarWidget*>();
        if (!cal)
            return int(QDialog::Rejected);
        cal->setSelectedDate(pick);
        return codeFor(accept);
    });
    dlg->Command7()->click();
    QCOMPARE(name, u"dlg111"_qs);
    QCOMPARE(dlg->Label10()->text(), shown);
}

void TestOptions::openFolder()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(u"file"_qs, &catcher, "open");
    auto dlg = makeDialog();
    dlg->Text2(0)->setText(u"/srv/運賃"_qs);
    dlg->Text2(1)->setText(u"/srv/放送"_qs);
    dlg->Command10(1)->click();
    dlg->Command10(0)->click();
    QDesktopServices::unsetUrlHandler(u"file"_qs);
    QCOMPARE(catcher.urls, (QList<QUrl>{QUrl::fromLocalFile(u"/srv/放送"_qs),
                                        QUrl::fromLocalFile(u"/srv/運賃"_qs)}));
}

void TestOptions::clearPlugin()
{
    auto dlg = makeDialog();
    SettingsRecord rec = readBack(*dlg);
    rec.SeiriPrev.UseSeiriPrev = 1;
    rec.SeiriPrev.SeiriPlgPath = u"/plugins/ticket.4SP"_qs;
    QVERIFY(!dlg->SetOptionInfo(rec));
    dlg->List1()->addItem(u"日付の印字 ---> 可能"_qs);
    dlg->txtPlginComment()->setPlainText(u"注意"_qs);
    QCOMPARE(dlg->txtSeiriPlgDir()->text(), u"/plugins/ticket.4SP"_qs);

    dlg->Command11()->click();
    QVERIFY(dlg->txtSeiriPlgDir()->text().isEmpty());
    QCOMPARE(dlg->List1()->count(), 0);
    QVERIFY(dlg->txtPlginComment()->toPlainText().isEmpty());
    QVERIFY(!dlg->Command11()->text().isEmpty());
    QCOMPARE(dlg->SetPlgin(QString()), 0);
}

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
