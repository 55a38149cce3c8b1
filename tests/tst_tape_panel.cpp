// SPDX-License-Identifier: GPL-3.0-or-later
// The announcement buttons on the real program: a route set with its
// announcement list, "送り" speaking with the fares stepping for marked
// entries, "■" silencing, and "調整" adjusting the voice.
#include "app/Rutomia.h"
#include "companion/LTM4Res.h"
#include "companion/ModalSeam.h"
#include "companion/MsgBox.h"
#include "companion/SysWait.h"
#include "options/VbOptionButton.h"
#include "panel/FareData.h"
#include "panel/frmVoice.h"
#include "tests/SoundTestSupport.h"
#include "tests/TestSupport.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Program {
    QTemporaryDir dir;
    std::unique_ptr<Rutomia> p;
    std::function<void(int)> previousWait;

    Program()
    {
        previousWait = ltm4::SetWaitOverride([](int) {});
        p = std::make_unique<Rutomia>();
        p->ini().setFolders(dir.filePath(u"prog"_qs), dir.filePath(u"config"_qs));
        p->Start();
        p->options().Text2(0)->setText(dir.path());
        p->options().Text2(1)->setText(dir.path());
    }
    ~Program()
    {
        p.reset();
        ltm4::SetWaitOverride(previousWait);
    }
};

} // namespace

class TestTapePanel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void nextSpeaksAndStepsMarkedEntries();
    void voiceDialogAdjustsAndKeeps();
};

void TestTapePanel::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(VoiceSettings::DefaultFile());
}

void TestTapePanel::nextSpeaksAndStepsMarkedEntries()
{
    Program g;
    QGroupBox* group = g.p->panel().grpM_Tape();
    // The engine is made in the background; the group says so once it is known.
    QTRY_COMPARE(group->title(), u"音合使用可"_qs);
    QVERIFY(WriteFareFile(g.dir.filePath(u"4.hy3"_qs), MakeStops(3)));
    QVERIFY(WriteFile(g.dir.filePath(u"4tp.csv"_qs),
                      ltm4::ToCp932(u"\"発車します。お立ちの方は、おつかまりください。\",0,0\r\n"
                                    "\"次は、停留所2です。\",1,0\r\n"_qs)));
    keyRoute(g.p->panel(), u"4"_qs);
    QVERIFY(group->isEnabled());
    QVERIFY(g.p->panel().cmdTapeNext()->isEnabled());

    MixerBackend& mixer = g.p->mci().Backend();
    TapRecorder tap(mixer);
    const int rate = mixer.OutputFormat().rate;
    SpeechEngine* engine = g.p->tape().Engine();
    QVERIFY(engine);

    // Entry 1 is not marked: it speaks, the fares stay.
    size_t from = tap.Frames();
    g.p->panel().cmdTapeNext()->click();
    QCOMPARE(g.p->panel().Route().CurIndex, qint16(0));
    QTRY_VERIFY_WITH_TIMEOUT(engine->Status() == SpeechEngine::kIdle, 15000);
    QVERIFY2(LoudFrames(tap.Since(from)) > size_t(rate / 2),
             qPrintable(QString::number(LoudFrames(tap.Since(from)))));

    // Entry 2 is marked: the fares step with it; "■" silences it.
    g.p->panel().cmdTapeNext()->click();
    QCOMPARE(g.p->panel().Route().CurIndex, qint16(1));
    QTRY_VERIFY_WITH_TIMEOUT(
        LoudFrames(tap.Since(tap.Frames() - std::min<size_t>(tap.Frames(), 512))) > 0, 10000);
    g.p->panel().cmdTapeStop()->click();
    QTest::qWait(60);
    from = tap.Frames();
    QTest::qWait(300);
    QCOMPARE(Peak(tap.Since(from)), 0);
    QCOMPARE(engine->Status(), SpeechEngine::kIdle);

    // "戻し" onto entry 1, unmarked: spoken, no step back.
    g.p->panel().cmdTapeBack()->click();
    QCOMPARE(g.p->panel().Route().CurIndex, qint16(1));
    g.p->panel().cmdTapeStop()->click();

    // A route without a list disables the group.
    MessageRecorder noRoute;
    keyRoute(g.p->panel(), u"5"_qs);
    QVERIFY(!group->isEnabled());
}

void TestTapePanel::voiceDialogAdjustsAndKeeps()
{
    Program g;
    QTRY_VERIFY(g.p->tape().Engine());
    int tried = 0;
    const ltm4::ModalHandler previous = ltm4::SetModalHandler([&](QDialog& d) {
        auto* dlg = qobject_cast<frmVoice*>(&d);
        if (!dlg || dlg->windowTitle() != u"音声の調節"_qs || dlg->cboEngine()->count() < 1)
            return int(QDialog::Rejected);
        dlg->sldRate()->setValue(150);
        dlg->sldVolume()->setValue(60);
        dlg->cmdTest()->click();
        ++tried;
        return int(QDialog::Accepted);
    });
    g.p->panel().cmdTapeSet()->setEnabled(true);
    g.p->panel().cmdTapeSet()->click();
    ltm4::SetModalHandler(previous);
    QCOMPARE(tried, 1);
    // The try-out spoke the sample sentence.
    QCOMPARE(g.p->tape().Engine()->Status(), SpeechEngine::kSpeaking);
    const VoiceSettings kept = VoiceSettings::Load(VoiceSettings::DefaultFile());
    QCOMPARE(kept.rate, 150);
    QCOMPARE(kept.volume, 60);
    QCOMPARE(kept.engine, u"openjtalk"_qs);

    // Cancel brings back what was kept.
    int shownRate = 0;
    const ltm4::ModalHandler again = ltm4::SetModalHandler([&](QDialog& d) {
        if (auto* dlg = qobject_cast<frmVoice*>(&d)) {
            shownRate = dlg->sldRate()->value();
            dlg->cboEngine()->setCurrentIndex(dlg->cboEngine()->count() - 1);
            dlg->cmdTest()->click();
        }
        return int(QDialog::Rejected);
    });
    g.p->panel().cmdTapeSet()->click();
    ltm4::SetModalHandler(again);
    QCOMPARE(shownRate, 150);
    QCOMPARE(g.p->tape().Engine()->Name(), u"openjtalk"_qs);
    QCOMPARE(VoiceSettings::Load(VoiceSettings::DefaultFile()).rate, 150);
    QFile::remove(VoiceSettings::DefaultFile());
}

QTEST_MAIN(TestTapePanel)
#include "tst_tape_panel.moc"
