// SPDX-License-Identifier: GPL-3.0-or-later
// Sound through SDL's mixer on its dummy driver, heard through the post-mix
// tap: every kind of file plays, channels overlap, a new sound on a channel
// cuts the old one, a blocking play lasts as long as its sound while timers
// keep running, and what is not a sound fails to open.

#include "SoundTestSupport.h"
#include "sound/MciInterpreter.h"
#include "sound/MixerBackendSdl.h"
#include "sound/mdlSndAPI.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestSoundMixer final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<MciInterpreter> m_mci;
    std::unique_ptr<mdlSndAPI> m_snd;
    std::unique_ptr<TapRecorder> m_tap;
    int m_rate = 0;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    // What left the mixer in the last `ms` milliseconds.
    std::vector<qint16> lastMs(int ms) const
    {
        const size_t n = m_tap->Frames();
        const size_t want = size_t(m_rate) * size_t(ms) / 1000;
        return m_tap->Since(n > want ? n - want : 0);
    }
    bool hears(double hz, int ms = 60) const { return ToneLevel(lastMs(ms), hz, m_rate) > 0.05; }
    bool loudNow(int ms = 60) const { return Peak(lastMs(ms)) > 1000; }

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void everyKindPlays_data();
    void everyKindPlays();
    void channelsOverlapAndANewSoundCutsTheOld();
    void blockingPlayLastsTheSound();
    void notAudioIsAFailedOpen_data();
    void notAudioIsAFailedOpen();
};

void TestSoundMixer::initTestCase()
{
    qputenv("SDL_AUDIODRIVER", "dummy");
    QVERIFY(m_dir.isValid());
    std::unique_ptr<MixerBackendSdl> sdl = MixerBackendSdl::Open();
    QVERIFY(sdl);
    QCOMPARE(sdl->DriverName(), u"dummy"_qs);
    // SDL's mixer is one per process: a second back end is refused.
    QVERIFY(!MixerBackendSdl::Open());
    m_rate = sdl->OutputFormat().rate;
    QCOMPARE(m_rate, MixerBackendSdl::kRate);
    m_mci = std::make_unique<MciInterpreter>(std::move(sdl));
    m_snd = std::make_unique<mdlSndAPI>(u"517"_qs,
                                        [this](const QString& c) { return m_mci->SendString(c); });
    m_tap = std::make_unique<TapRecorder>(m_mci->Backend());

    QVERIFY(WriteFile(path(u"440.wav"_qs), SteadyToneWav(440, 3.0)));
    QVERIFY(WriteFile(path(u"1000.wav"_qs), SteadyToneWav(1000, 3.0)));
    QVERIFY(WriteFile(path(u"short.wav"_qs), SteadyToneWav(700, 0.6)));
    QVERIFY(WriteFile(path(u"chime.mid"_qs), MidiNotes(4)));
    // Past what is decoded at once: this one streams as music.
    QVERIFY(WriteFile(path(u"long.mid"_qs), MidiNotes(4500, 20)));
    QVERIFY(QFileInfo(path(u"long.mid"_qs)).size() > 32 * 1024);
}

void TestSoundMixer::cleanup()
{
    m_snd->SndCloseAll();
    QTRY_VERIFY_WITH_TIMEOUT(!loudNow(), 2000);
}

void TestSoundMixer::cleanupTestCase()
{
    m_tap.reset();
    m_snd.reset();
    m_mci.reset();
    // Closed: SDL's mixer can be opened again.
    QVERIFY(MixerBackendSdl::Open());
}

void TestSoundMixer::everyKindPlays_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("channel");
    QTest::newRow("WAV") << path(u"440.wav"_qs) << "S1";
    QTest::newRow("MP3") << QStringLiteral(RUTOMIA_TEST_MP3) << "S2";
    QTest::newRow("MIDI") << path(u"chime.mid"_qs) << "S3";
    QTest::newRow("long MIDI, streamed") << path(u"long.mid"_qs) << "S2";
}

void TestSoundMixer::everyKindPlays()
{
    QFETCH(QString, file);
    QFETCH(QString, channel);
    if (file.isEmpty())
        QSKIP("no MP3 test file: lame was not found at configure time");
    QVERIFY(!loudNow());
    m_snd->SndPlay(file, channel, 0, 0);
    QVERIFY(m_mci->IsOpen(u"517"_qs + channel));
    QTRY_VERIFY_WITH_TIMEOUT(loudNow(), 3000);
}

void TestSoundMixer::channelsOverlapAndANewSoundCutsTheOld()
{
    m_snd->SndPlay(path(u"440.wav"_qs), u"S1"_qs, 0, 0);
    m_snd->SndPlay(path(u"1000.wav"_qs), u"S2"_qs, 0, 0);
    QTRY_VERIFY_WITH_TIMEOUT(hears(440) && hears(1000), 3000);
    m_snd->SndPlay(path(u"1000.wav"_qs), u"S1"_qs, 0, 0);
    QTRY_VERIFY_WITH_TIMEOUT(hears(1000) && !hears(440), 3000);
}

void TestSoundMixer::blockingPlayLastsTheSound()
{
    // A timer of the same thread goes on firing meanwhile: windows paint and
    // the stop name scrolls while a blocking sound plays.
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
    timer.start();
    QElapsedTimer clock;
    clock.start();
    m_snd->SndPlay(path(u"short.wav"_qs), u"S2"_qs, -1, 0);
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= 550 && took < 3000, qPrintable(QString::number(took)));
    QVERIFY2(ticks >= took / 10 / 3, qPrintable(u"%1 ticks"_qs.arg(ticks)));
    QTRY_VERIFY_WITH_TIMEOUT(!loudNow(30), 500);
}

void TestSoundMixer::notAudioIsAFailedOpen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray text = "これは音ではありません。\nnot a sound at all\n";
    QTest::newRow("text as WAV") << "text.wav" << text;
    QTest::newRow("text as MP3") << "text.mp3" << text;
    QTest::newRow("text as MIDI") << "text.mid" << text;
    QTest::newRow("MIDI header only") << "head.mid" << QByteArray("MThd");
}

void TestSoundMixer::notAudioIsAFailedOpen()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString file = path(name);
    QVERIFY(WriteFile(file, bytes));
    const QString word = mdlSndAPI::DeviceTypeWord(file);
    // The module plays nothing after a failed open (tst_sound_commands).
    QCOMPARE(m_mci->SendString(u"open \""_qs + file + u'"' + word + u"517S1 wait"_qs),
             int(MciInterpreter::CannotDecode));
}

QTEST_GUILESS_MAIN(TestSoundMixer)
#include "tst_sound_mixer.moc"
