// SPDX-License-Identifier: GPL-3.0-or-later
// The demo's first settings: what the file holds, that the writer never
// replaces a user's settings, and that an installed program starts on its
// installed demo data unless the user has settings of their own. The demo
// heard end to end is scripts/demo_audio_check.sh.

#include "SoundTestSupport.h"
#include "app/Rutomia.h"
#include "panel/BoardWindows.h"
#include "options/VbCheckBox.h"
#include "panel/FareData.h"
#include "settings/DemoProfile.h"
#include "settings/SettingsCodec.h"
#include "tests/TestSupport.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// What the options dialog holds at a start without settings.
SettingsRecord InitialRecord()
{
    BoardWindows windows;
    windows.Load();
    SettingsRecord rec;
    windows.option.GetOptionInfo(rec);
    return rec;
}

} // namespace

class TestDemoProfile final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void fileHoldsTheDialogsSettingsOnly();
    void writerNeverReplacesSettings();
    void anchoredPaths_data();
    void anchoredPaths();
    void installedProgramStartsOnItsData();

private:
    QByteArray m_profile;
    SettingsRecord m_initial;
};

void TestDemoProfile::initTestCase()
{
    m_initial = InitialRecord();
    m_profile = EncodeDemoProfile(m_initial);
    QVERIFY(!m_profile.isEmpty());
}

void TestDemoProfile::fileHoldsTheDialogsSettingsOnly()
{
    SettingsRecord rec;
    rec.CtrlData.CtrlLeft = 4321;
    rec.Form.BoardTop = 1234;
    const SettingsDecodeResult r = DecodeSettings(m_profile, rec);
    QCOMPARE(r.fieldsRead, DemoProfileLastField());
    QCOMPARE(r.bytesRead, m_profile.size());
    QCOMPARE(SettingsFieldName(r.fieldsRead), QStringLiteral("FixedDate"));
    // The demo's sounds, the rest as the dialog starts.
    QCOMPARE(rec.Sound.RouteSetSound, QStringLiteral("sounds/route-set.wav"));
    QCOMPARE(rec.Sound.StepSound, QStringLiteral("sounds/step.wav"));
    QCOMPARE(rec.Sound.StepSoundAlways, qint16(-1));
    QCOMPARE(rec.Sound.StepSoundAsync, qint16(-1));
    QCOMPARE(rec.Sound.ResetSound, QString());
    QCOMPARE(rec.Degit.DegitForeColor, m_initial.Degit.DegitForeColor);
    QCOMPARE(rec.Chimei.ChimeiBackColor, m_initial.Chimei.ChimeiBackColor);
    QCOMPARE(rec.SeiriPrev.DateSystemEachPrint, m_initial.SeiriPrev.DateSystemEachPrint);
    // The windows' positions are not in it.
    QCOMPARE(rec.CtrlData.CtrlLeft, 4321);
    QCOMPARE(rec.Form.BoardTop, 1234);
}

void TestDemoProfile::writerNeverReplacesSettings()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("prog")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("xdg/ルトミア")));
    const QString program = dir.filePath(QStringLiteral("prog/517"));
    const QString file = dir.filePath(QStringLiteral("prog/517.in4"));
    const auto run = [&](const QString& configHome) {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral(RUTOMIA_DEMOPROFILE), {program});
        return tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit
                   ? tool.exitCode()
                   : -1;
    };

    // Settings in the configuration folder count as the user's too.
    QVERIFY(WriteFile(dir.filePath(QStringLiteral("xdg/ルトミア/517.in4")), "user's"));
    QCOMPARE(run(dir.filePath(QStringLiteral("xdg"))), 0);
    QVERIFY(!QFile::exists(file));

    QCOMPARE(run(dir.filePath(QStringLiteral("empty-xdg"))), 0);
    QCOMPARE(ReadAll(file), m_profile);

    QVERIFY(WriteFile(file, "the user's own settings"));
    QCOMPARE(run(dir.filePath(QStringLiteral("empty-xdg"))), 0);
    QCOMPARE(ReadAll(file), QByteArray("the user's own settings"));
}

void TestDemoProfile::anchoredPaths_data()
{
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    const QString root = QStringLiteral("/opt/r/share/rutomia");
    QTest::newRow("sound in the data") << false << "sounds/a.wav" << root + "/sounds/a.wav";
    QTest::newRow("sound outside") << false << "../x/b.wav"
                                   << "/opt/r/share/x/b.wav";
    QTest::newRow("absolute sound") << false << "/home/u/c.wav"
                                    << "/home/u/c.wav";
    QTest::newRow("no sound") << false << ""
                              << "";
    QTest::newRow("working folder") << true << "" << root;
}

void TestDemoProfile::anchoredPaths()
{
    QFETCH(bool, folder);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    SettingsRecord rec;
    const QList<QString*> fields =
        folder ? QList<QString*>{&rec.DataDir.FareDataDir, &rec.DataDir.TapeDataDir}
               : QList<QString*>{&rec.Panel.PanelFile[2], &rec.Sound.ResetSound,
                                 &rec.Sound.PreSoundFlag[3], &rec.SeiriPrev.SeiriPlgPath};
    for (QString* f : fields)
        *f = value;
    AnchorDemoProfile(rec, QStringLiteral("/opt/r/share/rutomia/"));
    for (const QString* f : fields)
        QCOMPARE(*f, expected);
}

void TestDemoProfile::installedProgramStartsOnItsData()
{
    // An installation: bin/ beside share/rutomia/ with a route, the sounds
    // and the plugin; the program started from somewhere else.
    QTemporaryDir prefix;
    QDir root(prefix.path());
    QVERIFY(root.mkpath(QStringLiteral("bin")) && root.mkpath(QStringLiteral("elsewhere/bin")));
    QVERIFY(root.mkpath(QStringLiteral("share/rutomia/sounds")));
    QVERIFY(root.mkpath(QStringLiteral("share/rutomia/plugins")));
    const QString data = root.filePath(QStringLiteral("share/rutomia"));
    QVERIFY(WriteFareFile(data + QStringLiteral("/1.hy3"), MakeStops(3)));
    QVERIFY(WriteFile(data + QStringLiteral("/sounds/route-set.wav"), RouteSetChimeWav()));
    QVERIFY(WriteFile(data + QStringLiteral("/sounds/step.wav"), StepChimeWav()));
    QVERIFY(QFile::copy(QStringLiteral(RUTOMIA_SAMPLE_PLUGIN),
                        data + QStringLiteral("/plugins/horote.4SP")));
    const QString bin = root.filePath(QStringLiteral("bin"));
    const QString cfg = root.filePath(QStringLiteral("cfg"));
    QCOMPARE(InstalledDemoFolder(bin), data);
    QVERIFY(InstalledDemoFolder(root.filePath(QStringLiteral("elsewhere/bin"))).isEmpty());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root.filePath(QStringLiteral("elsewhere"))));

    MessageRecorder messages;
    {
        Rutomia p;
        p.ini().setFolders(bin, cfg);
        p.Start();
        QCOMPARE(p.options().Text2(0)->text(), data);
        QCOMPARE(p.options().txtSelectSound(0)->text(),
                 data + QStringLiteral("/sounds/route-set.wav"));
        // The sample ticket in the preview pane.
        QCOMPARE(p.options().chkUseSeiriPrev()->Value(), qint16(1));
        QCOMPARE(p.options().txtSeiriPlgDir()->text(),
                 data + QStringLiteral("/plugins/horote.4SP"));
        QVERIFY(!p.ini().PositionsLoaded());
        keyRoute(p.panel(), QStringLiteral("1"));
        QCOMPARE(shown(p.board().Degit(1)).trimmed(), QStringLiteral("101"));
        // Nothing is written before the exit.
        QVERIFY(p.ini().LoadPath().isEmpty());
    }
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.shown.value(0).text));

    // A user's own settings win over the demo's, read as they are; a profile
    // holds no window positions.
    const QString base = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    QVERIFY(QDir().mkpath(cfg));
    QVERIFY(WriteFile(SettingsFileName(cfg, base), m_profile));
    {
        Rutomia p;
        p.ini().setFolders(bin, cfg);
        p.Start();
        QCOMPARE(p.options().Text2(0)->text(), QString());
        QCOMPARE(p.options().txtSelectSound(0)->text(), QStringLiteral("sounds/route-set.wav"));
        QVERIFY(!p.ini().PositionsLoaded());
    }
    QDir::setCurrent(previous);
}

QTEST_MAIN(TestDemoProfile)
#include "tst_demo_profile.moc"
