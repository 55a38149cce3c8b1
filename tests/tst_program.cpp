// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program: start-up order, the settings file written at exit and
// read at the next start, damaged settings files.
#include "app/Rutomia.h"
#include "board/ChimeiCtl_A.h"
#include "board/M_Degit.h"
#include "companion/ColorRef.h"
#include "companion/ModalSeam.h"
#include "companion/MsgBox.h"
#include "companion/RegularFile.h"
#include "companion/SaveSet.h"
#include "options/ColorButton.h"
#include "options/VbCheckBox.h"
#include "options/VbComboBox.h"
#include "settings/SettingsCodec.h"
#include "tests/FileLimit.h"
#include "tests/TestSupport.h"

#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>

class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void init();
    void firstStartWithoutSettings();
    void slowPartsWaitForTheFirstPaint();
    void settingsSurviveARestart();
    void typedWaveDashFolderSurvivesARestart();
    void shortFileKeepsInitialValues();
    void refusedValueCostsOnlyItself();
    void brokenPanelPictureToldOnce();
    void placesOffEveryScreenComeBack();
    void unwritableProgramFolderUsesConfigFolder();
    void failedSaveKeepsThePreviousFile_data();
    void failedSaveKeepsThePreviousFile();
    void unreadFileIsKeptAsBak();

private:
    std::unique_ptr<Rutomia> start();
    QString settingsFile() const { return m_dir->filePath(QStringLiteral("prog/tst_program.in4")); }
    void writeSettings(const QByteArray& bytes) const
    {
        QFile f(settingsFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProgram::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QDir(m_dir->path()).mkpath(QStringLiteral("prog"));
}

std::unique_ptr<Rutomia> TestProgram::start()
{
    auto p = std::make_unique<Rutomia>();
    p->ini().setFolders(m_dir->filePath(QStringLiteral("prog")),
                        m_dir->filePath(QStringLiteral("config")));
    p->Start();
    return p;
}

void TestProgram::firstStartWithoutSettings()
{
    MessageRecorder messages(ltm4::vbYes);
    auto p = start();
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(p->board().pos(), QPoint(0, 0));
    QVERIFY(p->panel().isVisible());
    QCOMPARE(p->options().Combo2()->ListIndex(), 0);
    QCOMPARE(p->options().Combo4(3)->ListIndex(), 0);
    QCOMPARE(p->options().Combo3()->ListIndex(), -1);
    QVERIFY(!p->options().isVisible());
    for (int k = 1; k <= 50; ++k)
        QVERIFY(!anyLit(p->board().Degit(k)));
    QVERIFY(!QFile::exists(settingsFile()));
    // What the panel and the options show is what runs.
    QCOMPARE(p->board().ChimeiCtl()->Speed(), p->panel().HScroll1(0)->value());
    QCOMPARE(p->board().ChimeiCtl()->ScrollStartWait(), p->panel().HScroll1(1)->value());
    QCOMPARE(p->board().ChimeiCtl()->ForeColor(), p->options().Command9(1)->BackColor());
    QCOMPARE(p->board().ChimeiCtl()->BackColor(), p->options().Command9(0)->BackColor());
}

void TestProgram::slowPartsWaitForTheFirstPaint()
{
    MessageRecorder messages(ltm4::vbYes);
    auto p = start();
    // Started, not yet painted: no audio device, no speech engine, no voices
    // searched on the way to the first paint.
    QVERIFY(!p->mci().OpeningStarted());
    QVERIFY(!p->tape().EngineKnown());
    QVERIFY(QTest::qWaitForWindowExposed(&p->panel()));
    QTRY_VERIFY(p->mci().OpeningStarted());
    QTRY_VERIFY_WITH_TIMEOUT(p->tape().EngineKnown(), 10000);
    QCOMPARE(p->panel().grpM_Tape()->title(), p->tape().VoiceAvailable()
                                                  ? QStringLiteral("音合使用可")
                                                  : QStringLiteral("音合使用不可"));
}

void TestProgram::typedWaveDashFolderSurvivesARestart()
{
    // Linux input methods type 〜 (U+301C); the settings file keeps it as
    // CP932 0x8160, which reads back as ～ (U+FF5E), another folder name.
    const QString folder = m_dir->filePath(QStringLiteral("路線〜A"));
    QVERIFY(QDir().mkpath(folder));
    MessageRecorder messages(ltm4::vbNo); // keep the name as typed
    {
        auto p = start();
        p->options().Text2(0)->setText(folder);
        p->options().Command4()->click();
        messages.reply = ltm4::vbYes;
        QVERIFY(p->panel().close());
    }
    auto p = start();
    QCOMPARE(p->options().Text2(0)->text(), folder);
}

void TestProgram::settingsSurviveARestart()
{
    MessageRecorder messages(ltm4::vbYes);
    {
        auto p = start();
        frmOption& o = p->options();
        o.Text2(0)->setText(QStringLiteral("/運賃/data"));
        o.Combo2()->setListIndex(9);
        o.Command4_Click(); // OK applies to the board
        p->board().move(40, 30);
        p->panel().move(300, 200);
        // One cell's dialog formats every cell.
        const auto previous = ltm4::SetModalHandler([](QDialog& dlg) {
            dlg.findChild<QSpinBox*>(QStringLiteral("spnFillZero"))->setValue(3);
            return int(QDialog::Accepted);
        });
        QTest::mouseDClick(p->board().Degit(5), Qt::LeftButton);
        ltm4::SetModalHandler(previous);
        p->board().Degit(5)->setValue(42);
        QVERIFY(p->panel().close());
    }

    auto p = start();
    QVERIFY2(messages.shown.size() == 1, "only the exit question of the first run");
    QCOMPARE(p->options().Text2(0)->text(), QStringLiteral("/運賃/data"));
    // Applied to the board at start-up.
    QCOMPARE(p->board().lblSeiriNum(1)->text(), QStringLiteral("券無し"));
    QCOMPARE(p->board().pos(), QPoint(40, 30));
    QCOMPARE(p->panel().pos(), QPoint(300, 200));
    for (int k = 1; k <= 50; ++k) {
        QCOMPARE(p->board().Degit(k)->FillZero(), 3);
        QVERIFY(!anyLit(p->board().Degit(k))); // the fare cells come back blank
    }
}

void TestProgram::shortFileKeepsInitialValues()
{
    SettingsRecord rec;
    rec.DataDir.FareDataDir = QStringLiteral("fares");
    rec.Panel.AutoSeiriNum = 0;
    rec.Panel.SeiriNumStyle = 3;
    rec.Degit.DegitBackColor = qint32(ltm4::Rgb(1, 2, 3));
    const QByteArray whole = EncodeSettings(rec).bytes;
    // Ends after the panel item, as a release that knew no more wrote it.
    writeSettings(whole.left(2 + 5 + 2 + 40));
    {
        MessageRecorder messages(ltm4::vbYes);
        auto p = start();
        QVERIFY(messages.shown.isEmpty());
        QCOMPARE(p->options().Text2(0)->text(), QStringLiteral("fares"));
        QCOMPARE(p->options().Check1()->Value(), 0);
        QCOMPARE(p->options().Combo2()->ListIndex(), 3);
        // Not in the file: initial value.
        QCOMPARE(p->options().Command8(0)->BackColor(), ltm4::Rgb(128, 128, 128));
        QCOMPARE(p->board().Degit(1)->BackColor(), ltm4::Rgb(128, 128, 128));
        QVERIFY(!QFile::exists(settingsFile() + QStringLiteral(".bak")));
    }

    // Cut inside the panel item: damaged. What it holds is applied, the file
    // is kept before the exit save replaces it, and the user hears once.
    const QByteArray cut = whole.left(2 + 5 + 2 + 2 + 4);
    writeSettings(cut);
    MessageRecorder messages(ltm4::vbYes);
    auto p = start();
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text,
             QStringLiteral("設定ファイルの一部が壊れていたため、元のファイルを"
                            "「tst_program.in4.bak」として残しました。"));
    QCOMPARE(p->options().Check1()->Value(), 0);
    QCOMPARE(p->options().Combo2()->ListIndex(), 0);
    QCOMPARE(ReadAll(settingsFile() + QStringLiteral(".bak")), cut);
}

void TestProgram::refusedValueCostsOnlyItself()
{
    SettingsRecord rec;
    rec.DataDir.FareDataDir = QStringLiteral("x");
    rec.Panel.SeiriNumStyle = 40; // beyond the twelve styles
    rec.CtrlData.ScrollSpeed = 77;
    rec.CtrlData.CtrlLeft = 300 * 15;
    rec.CtrlData.CtrlTop = 200 * 15;
    const QByteArray original = EncodeSettings(rec).bytes;
    writeSettings(original);
    MessageRecorder messages(ltm4::vbYes);
    {
        auto p = start();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text,
                 QStringLiteral("エラー Code:380\r\n内容:プロパティの値が不正です。\r\n"
                                "モジュール:mdlIniIo.LoadIni()\r\n"
                                "元の設定ファイルを「tst_program.in4.bak」として残しました。"));
        QCOMPARE(p->options().Combo2()->ListIndex(), 0); // refused: initial value
        QCOMPARE(p->panel().HScroll1(0)->value(), 77);
        QCOMPARE(p->panel().pos(), QPoint(300, 200));
        QVERIFY(p->panel().close());
    }
    // The exit save writes the user's settings back, the refused one mended.
    SettingsRecord saved;
    QVERIFY(DecodeSettings(ReadAll(settingsFile()), saved).complete());
    QCOMPARE(saved.DataDir.FareDataDir, QStringLiteral("x"));
    QCOMPARE(saved.Panel.SeiriNumStyle, 0);
    QCOMPARE(saved.CtrlData.ScrollSpeed, 77);
    QCOMPARE(ReadAll(settingsFile() + QStringLiteral(".bak")), original);
}

void TestProgram::brokenPanelPictureToldOnce()
{
    const QString picture = m_dir->filePath(QStringLiteral("off.bmp"));
    {
        QFile f(picture);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
    }
    SettingsRecord rec;
    rec.Panel.PanelIndividual = -1;
    rec.Panel.PanelOffUser = -1; // OFF, the state the panel starts in, from a file
    rec.Panel.PanelOn1Builtin = rec.Panel.PanelOn2Builtin = -1;
    rec.Panel.PanelFile[0] = picture;
    writeSettings(EncodeSettings(rec).bytes);
    MessageRecorder messages(ltm4::vbOK);
    auto p = start();
    // Start-up applies the backlight with the panel's settings and again with
    // the options: one message.
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(messages.shown[0].text.contains(u"481"));
    p->options().Command4_Click();
    QCOMPARE(messages.shown.size(), 2);
    // The user choosing the state again is told again.
    p->panel().Option4(0)->click();
    QCOMPARE(messages.shown.size(), 3);
}

void TestProgram::placesOffEveryScreenComeBack()
{
    SettingsRecord rec;
    rec.CtrlData.CtrlLeft = std::numeric_limits<qint32>::max();
    rec.CtrlData.CtrlTop = std::numeric_limits<qint32>::max();
    rec.Form.BoardLeft = std::numeric_limits<qint32>::min();
    rec.Form.BoardTop = 40 * 15;
    writeSettings(EncodeSettings(rec).bytes);
    MessageRecorder messages(ltm4::vbYes);
    QPoint panelAt;
    {
        auto p = start();
        const QRect area = p->panel().screen()->availableGeometry();
        QVERIFY(area.contains(p->panel().frameGeometry()));
        QCOMPARE(p->board().pos(), QPoint(area.left(), 40)); // just inside, height kept
        panelAt = p->panel().pos();
        QVERIFY(p->panel().close());
    }
    SettingsRecord saved;
    QVERIFY(DecodeSettings(ReadAll(settingsFile()), saved).complete());
    QCOMPARE(saved.CtrlData.CtrlLeft, panelAt.x() * 15);
    QCOMPARE(saved.CtrlData.CtrlTop, panelAt.y() * 15);
}

void TestProgram::unwritableProgramFolderUsesConfigFolder()
{
    MessageRecorder messages(ltm4::vbYes);
    auto p = std::make_unique<Rutomia>();
    const QString config = m_dir->filePath(QStringLiteral("config"));
    p->ini().setFolders(m_dir->filePath(QStringLiteral("missing/folder")), config);
    p->Start();
    p->options().Text2(1)->setText(QStringLiteral("tape"));
    QVERIFY(p->panel().close());
    QVERIFY(QFile::exists(config + QStringLiteral("/tst_program.in4")));

    auto q = std::make_unique<Rutomia>();
    q->ini().setFolders(m_dir->filePath(QStringLiteral("missing/folder")), config);
    q->Start();
    QCOMPARE(q->options().Text2(1)->text(), QStringLiteral("tape"));
}

void TestProgram::failedSaveKeepsThePreviousFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("disk full") << "seam";
    // The kernel refuses to grow the file past 300 bytes, as a full disk does.
    QTest::newRow("disk full, for real") << "kernel";
    QTest::newRow("rename refused") << "rename";
}

void TestProgram::failedSaveKeepsThePreviousFile()
{
    QFETCH(QString, how);
    SettingsRecord rec;
    rec.DataDir.FareDataDir = QStringLiteral("/運賃");
    const QByteArray original = EncodeSettings(rec).bytes;
    writeSettings(original);
    MessageRecorder messages(ltm4::vbYes);
    auto p = start();
    QVERIFY(messages.shown.isEmpty());
    p->options().Text2(0)->setText(QStringLiteral("/別の運賃"));
    const QString path = settingsFile();
    ltm4::SetSaveFaultHook([&](const QString& file) {
        ltm4::SaveFault fault;
        if (QFileInfo(file) == QFileInfo(path)) {
            fault.writeLimit = how == u"seam" ? 100 : -1;
            fault.replaceFails = how == u"rename";
        }
        return fault;
    });
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (how == u"kernel")
            limit = std::make_unique<FileSizeLimit>(300);
        QVERIFY(p->panel().close());
    }
    ltm4::SetSaveFaultHook({});
    QCOMPARE(messages.shown.size(), 2); // the exit question, then the failure
    const QString text = messages.shown[1].text;
    QVERIFY2(text.startsWith(u"エラー Code:75\r\n内容:設定ファイルを書き込めません。("_qs),
             qPrintable(text));
    QVERIFY2(text.endsWith(u")\r\n前の設定ファイルはそのまま残っています。"_qs), qPrintable(text));
    QCOMPARE(ReadAll(path), original);
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("prog"))).entryList(QDir::Files),
             QStringList{QFileInfo(path).fileName()});
}

void TestProgram::unreadFileIsKeptAsBak()
{
    SettingsRecord rec;
    rec.DataDir.TapeDataDir = QStringLiteral("tape");
    const QByteArray original = EncodeSettings(rec).bytes;
    writeSettings(original);
    const QString path = settingsFile();
    // As a file without read permission (mode 0200) is for anyone but root.
    ltm4::SetReadFaultHook(
        [&path](const QString& file) { return QFileInfo(file) == QFileInfo(path); });
    MessageRecorder messages(ltm4::vbYes);
    auto p = start();
    ltm4::SetReadFaultHook({});
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text,
             QStringLiteral("エラー Code:75\r\n内容:設定ファイルを開けません。(読み取りの許可があり"
                            "ません)\r\nモジュール:mdlIniIo.LoadIni()\r\n元のファイルは、終了のとき"
                            "に「tst_program.in4.bak」として残します。"));
    QCOMPARE(p->options().Text2(1)->text(), QString()); // the initial value
    QVERIFY(p->panel().close());
    QCOMPARE(messages.shown.size(), 2);
    QCOMPARE(ReadAll(path + QStringLiteral(".bak")), original);
    SettingsRecord saved;
    QVERIFY(DecodeSettings(ReadAll(path), saved).complete());
    QCOMPARE(saved.DataDir.TapeDataDir, QString());
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
