// SPDX-License-Identifier: GPL-3.0-or-later
// The speech engines for real: Open JTalk and espeak-ng with MeCab, heard
// through SDL's dummy driver and the mixer's post-mix tap.
#include "sound/MixerBackend.h"
#include "sound/ReadingList.h"
#include "sound/SpeechEngineEspeak.h"
#include "sound/SpeechEngineOpenJTalk.h"
#include "sound/SpeechEngines.h"
#include "tests/SoundTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr char kSentence[] = "次は、市役所前です。お降りの方は、お知らせください。";

std::unique_ptr<SpeechEngineSynth> Make(const QString& id,
                                        SpeechEngineSynth::MixerSource mixer = {})
{
    if (id == u"openjtalk"_qs)
        return std::make_unique<SpeechEngineOpenJTalk>(std::move(mixer));
    return std::make_unique<SpeechEngineEspeak>(std::move(mixer));
}

} // namespace

class TestSpeech : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void engines_data();
    void synthesis_data() { engines_data(); }
    void synthesis();
    void speechIsHeardOnItsOwnChannel_data() { engines_data(); }
    void speechIsHeardOnItsOwnChannel();
    void preparedSpeechStartsAndStopsAtOnce_data() { engines_data(); }
    void preparedSpeechStartsAndStopsAtOnce();
    void espeakIsGivenMeCabsKana();
    void missingPartsMakeAnEngineUnavailable();
    void factoryPicksWhatWorks();

private:
    std::unique_ptr<MixerBackend> m_mixer;
};

void TestSpeech::initTestCase()
{
    m_mixer = MixerBackend::Create();
    QVERIFY(m_mixer);
    if (m_mixer->DriverName() == u"none"_qs)
        QSKIP("no SDL audio, not even the dummy driver");
}

void TestSpeech::cleanupTestCase()
{
    m_mixer.reset();
}

void TestSpeech::engines_data()
{
    QTest::addColumn<QString>("engine");
    QTest::newRow("openjtalk") << u"openjtalk"_qs;
    QTest::newRow("espeak") << u"espeak"_qs;
}

void TestSpeech::synthesis()
{
    QFETCH(QString, engine);
    auto e = Make(engine);
    QVERIFY2(e->Available(), "engine missing: scripts/setup.sh installs it");
    const Pcm pcm = e->SynthesizeAll(QString::fromUtf8(kSentence));
    // 26 morae of speech: a couple of seconds, not milliseconds.
    QVERIFY2(pcm.Seconds() > 1.5 && pcm.Seconds() < 12, qPrintable(QString::number(pcm.Seconds())));
    QVERIFY(LoudFrames(pcm.samples) > size_t(pcm.rate / 2));
    // Kanji are spoken, not skipped or spelled out as foreign letters: the
    // sentence takes about as long as its kana.
    const Pcm kana =
        e->SynthesizeAll(u"つぎは、しやくしょまえです。おおりのかたは、おしらせください。"_qs);
    QVERIFY2(std::abs(pcm.Seconds() - kana.Seconds()) < 0.35 * kana.Seconds(),
             qPrintable(u"%1 s against %2 s"_qs.arg(pcm.Seconds()).arg(kana.Seconds())));

    // The voice settings change the speech: faster is shorter, quieter softer.
    const QString text = u"発車します。"_qs;
    const Pcm normal = e->SynthesizeAll(text);
    VoiceSettings fast;
    fast.rate = 200;
    e->SetVoiceSettings(fast);
    const Pcm quick = e->SynthesizeAll(text);
    QVERIFY2(quick.Seconds() < 0.8 * normal.Seconds(),
             qPrintable(u"%1 s against %2 s"_qs.arg(quick.Seconds()).arg(normal.Seconds())));
    VoiceSettings quiet;
    quiet.volume = 25;
    e->SetVoiceSettings(quiet);
    QVERIFY(Peak(e->SynthesizeAll(text).samples) * 3 < Peak(normal.samples));
}

void TestSpeech::speechIsHeardOnItsOwnChannel()
{
    QFETCH(QString, engine);
    TapRecorder tap(*m_mixer);
    auto e = Make(engine, [this] { return m_mixer.get(); });
    // A chime on a channel of its own plays along and cuts nothing off.
    QTemporaryDir dir;
    const QString chime = dir.filePath(u"chime.wav"_qs);
    QVERIFY(WriteFile(chime, SteadyToneWav(3000, 0.3)));
    const MixerBackend::Voice v = m_mixer->OpenFile(chime);
    QVERIFY(v != MixerBackend::kNoVoice);

    const size_t from = tap.Frames();
    e->Speak(QString::fromUtf8(kSentence));
    QCOMPARE(e->Status(), SpeechEngine::kSpeaking);
    m_mixer->Play(v);
    QTRY_VERIFY_WITH_TIMEOUT(e->Status() == SpeechEngine::kIdle, 20000);
    m_mixer->Close(v);
    const std::vector<qint16> heard = tap.Since(from);
    const int rate = m_mixer->OutputFormat().rate;
    QVERIFY2(LoudFrames(heard) > size_t(rate), qPrintable(QString::number(LoudFrames(heard))));
    QVERIFY(ToneLevel({heard.begin(), heard.begin() + std::min<qsizetype>(heard.size(), rate / 4)},
                      3000, rate) > 0.05);
}

void TestSpeech::preparedSpeechStartsAndStopsAtOnce()
{
    QFETCH(QString, engine);
    TapRecorder tap(*m_mixer);
    auto e = Make(engine, [this] { return m_mixer.get(); });
    const QString text = u"次は、運動公園です。お降りの方は、お知らせください。"_qs;
    e->Prepare(text);
    QTRY_VERIFY_WITH_TIMEOUT(e->Prepared(text), 10000);
    QCOMPARE(e->Status(), SpeechEngine::kIdle);
    tap.ArmFirstLoud(1000);
    const auto start = TapRecorder::Clock::now();
    e->Speak(text);
    QTRY_VERIFY_WITH_TIMEOUT(tap.FirstLoud().has_value(), 5000);
    const double ms = std::chrono::duration<double, std::milli>(*tap.FirstLoud() - start).count();
    // A few mixer buffers at most, however slow synthesis is on this machine.
    QVERIFY2(ms < 200, qPrintable(QString::number(ms)));
    e->Stop();
    // The buffer being mixed when Stop came may still carry speech; none after it.
    const size_t after = tap.BufferStarts().size() + 1;
    QTRY_VERIFY_WITH_TIMEOUT(tap.BufferStarts().size() > after + 10, 5000);
    QCOMPARE(Peak(tap.Since(tap.BufferStarts()[after])), 0);
    QCOMPARE(e->Status(), SpeechEngine::kIdle);
}

void TestSpeech::espeakIsGivenMeCabsKana()
{
    // espeak-ng reads no kanji: it is given MeCab's pronunciation in
    // hiragana, and kana a reading put in stay as they are.
    SpeechEngineEspeak espeak{SpeechEngineSynth::MixerSource{}};
    QCOMPARE(espeak.ToKana(u"次は、市役所前です。"_qs), u"つぎわ、しやくしょまえです。"_qs);
    const ReadingList readings = ReadingList::Parse(u"緑町,みどりまち\n"_qs.toUtf8());
    QCOMPARE(espeak.ToKana(readings.Apply(u"次は、緑町です。"_qs)), u"つぎわ、みどりまちです。"_qs);
}

void TestSpeech::missingPartsMakeAnEngineUnavailable()
{
    QTemporaryDir dir;
    SpeechEngineOpenJTalk::Paths good = SpeechEngineOpenJTalk::DefaultPaths();
    QVERIFY(SpeechEngineOpenJTalk({}, good).Available());
    SpeechEngineOpenJTalk::Paths p = good;
    p.program = dir.filePath(u"open_jtalk"_qs);
    QVERIFY(!SpeechEngineOpenJTalk({}, p).Available());
    p = good;
    p.dictionary = dir.path();
    QVERIFY(!SpeechEngineOpenJTalk({}, p).Available());
    p = good;
    p.voiceFolders = {dir.path()};
    SpeechEngineOpenJTalk noVoice({}, p);
    QVERIFY(!noVoice.Available());
    QVERIFY(noVoice.SynthesizeAll(u"テスト"_qs).samples.empty());

    // A voice dropped into a folder of its own is found.
    const QStringList system = SpeechEngineOpenJTalk::FindVoices(good.voiceFolders);
    QVERIFY(!system.isEmpty());
    QVERIFY(QFile::copy(system.first(), dir.filePath(u"mine.htsvoice"_qs)));
    p.voiceFolders = {dir.path()};
    QVERIFY(SpeechEngineOpenJTalk({}, p).Available());
    QCOMPARE(SpeechEngineOpenJTalk::ChooseVoice(SpeechEngineOpenJTalk::FindVoices(p.voiceFolders),
                                                u"/nowhere.htsvoice"_qs),
             QFileInfo(dir.filePath(u"mine.htsvoice"_qs)).canonicalFilePath());

    SpeechEngineEspeak::Paths e = SpeechEngineEspeak::DefaultPaths();
    e.mecabDictionary = dir.path();
    QVERIFY(!SpeechEngineEspeak({}, e).Available());
    e = SpeechEngineEspeak::DefaultPaths();
    e.voice = u"no-such-voice"_qs;
    QVERIFY(!SpeechEngineEspeak({}, e).Available());
}

void TestSpeech::factoryPicksWhatWorks()
{
    VoiceSettings v;
    QCOMPARE(SpeechEngines::Create(v, {})->Name(), u"openjtalk"_qs);
    v.engine = u"espeak"_qs;
    QCOMPARE(SpeechEngines::Create(v, {})->Name(), u"espeak"_qs);
    v.engine = u"gone"_qs;
    QCOMPARE(SpeechEngines::Create(v, {})->Name(), u"openjtalk"_qs);
    const QList<SpeechEngineInfo> all = SpeechEngines::Available();
    QCOMPARE(all.size(), 2);
    QCOMPARE(all[0].id, u"openjtalk"_qs);
    QVERIFY(!all[0].voices.isEmpty());
    QCOMPARE(all[0].voices.size(), all[0].voiceLabels.size());
}

QTEST_GUILESS_MAIN(TestSpeech)
#include "tst_speech.moc"
