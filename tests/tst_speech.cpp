// SPDX-License-Identifier: GPL-3.0-or-later
// The speech engines for real: Open JTalk and espeak-ng with MeCab, heard
// through SDL's dummy driver and the mixer's post-mix tap.
#include "sound/MixerBackend.h"
#include "sound/ReadingList.h"
#include "sound/SpeechEngineEspeak.h"
#include "sound/SpeechEngineOpenJTalk.h"
#include "sound/SpeechEngines.h"
#include "tests/SoundTestSupport.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "sound/mdlM_Tape.h"

namespace {

constexpr char kSentence[] = "次は、市役所前です。お降りの方は、お知らせください。";

// A mixer that plays nothing and keeps count: what its stream holds drains
// only when the test says so.
class CountingMixer final : public MixerBackend {
public:
    static constexpr int kRate = 48000;

    class Stream final : public PcmStream {
    public:
        void Append(const qint16* s, int frames, int rate, int channels) override
        {
            std::lock_guard lock(m);
            const qint64 out = qint64(frames) * kRate / rate;
            queued += out;
            appended += out;
            maxQueued = std::max(maxQueued, queued);
            if (firstSample == 0 && frames > 0)
                firstSample = s[0];
            if (draining)
                queued = 0;
            ++appends;
            (void)channels;
        }
        void Clear() override
        {
            std::lock_guard lock(m);
            queued = 0;
        }
        qint64 QueuedFrames() const override
        {
            std::lock_guard lock(m);
            return queued;
        }
        void Drain(bool on)
        {
            std::lock_guard lock(m);
            draining = on;
            if (on)
                queued = 0;
        }
        mutable std::mutex m;
        qint64 queued = 0, appended = 0, maxQueued = 0;
        int appends = 0;
        qint16 firstSample = 0; // of the first append since reset
        bool draining = false;
    };

    QString DriverName() const override { return u"counting"_qs; }
    Format OutputFormat() const override { return {kRate, 1, 512}; }
    Voice OpenFile(const QString&) override { return kNoVoice; }
    void Play(Voice) override {}
    void Stop(Voice) override {}
    bool IsPlaying(Voice) const override { return false; }
    void Close(Voice) override {}
    void SetPostMixTap(PostMixTap) override {}
    std::shared_ptr<PcmStream> OpenPcmStream() override { return stream; }

    std::shared_ptr<Stream> stream = std::make_shared<Stream>();
};

// An engine whose sentences are a steady level that names them, made as
// quickly or slowly as the test wants; it logs each sentence made in full.
class FakeSynth final : public SpeechEngineSynth {
public:
    explicit FakeSynth(MixerSource mixer = {}) : SpeechEngineSynth(std::move(mixer)) {}
    ~FakeSynth() override { StopWorker(); }
    QString Name() const override { return u"fake"_qs; }
    bool Available() const override { return true; }

    static qint16 Level(const QString& sentence) { return qint16(1000 + qHash(sentence) % 20000); }

    QStringList Made() const
    {
        std::lock_guard lock(m);
        return made;
    }
    std::atomic<double> seconds = 0.5; // of speech per sentence
    std::atomic<int> makeMs = 0;       // to make one
    std::atomic<bool> open = true;     // while false, nothing is finished
    std::atomic<bool> making = false;

protected:
    Pcm Synthesize(const QString& sentence, const VoiceSettings& settings,
                   const Cancelled& cancelled) override
    {
        making = true;
        QElapsedTimer t;
        t.start();
        // Asked before the gate, so a sentence given up before the gate
        // opens is never finished.
        while (!cancelled()) {
            if (open && t.elapsed() >= makeMs) {
                making = false;
                std::lock_guard lock(m);
                made << (settings.rate == 100 ? sentence
                                              : u"%1@%2"_qs.arg(sentence).arg(settings.rate));
                Pcm p;
                p.rate = 16000;
                p.channels = 1;
                p.samples.assign(size_t(seconds * p.rate), Level(sentence));
                return p;
            }
            QThread::msleep(1);
        }
        making = false;
        return {};
    }

private:
    mutable std::mutex m;
    QStringList made;
};

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
    void hugeTextNeitherWaitsNorFloods();
    void stopAndEndNeverWaitForSynthesis();
    void readingsAreAppliedByTheWorker();
    void tapeIsMadeAheadInOrder();
    void speakOfAnEntryNotMadeGoesFirst();

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
    e->Prepare({text});
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

void TestSpeech::hugeTextNeitherWaitsNorFloods()
{
    CountingMixer mixer;
    FakeSynth e([&] { return &mixer; });
    e.seconds = 1.0;
    const QString text = u"あ。"_qs.repeated(1'000'000);
    QElapsedTimer t;
    t.start();
    e.Speak(text);
    // Bounds wide enough for a sanitizer build on a busy machine; what they
    // guard against takes seconds.
    QVERIFY2(t.elapsed() < 100, qPrintable(QString::number(t.elapsed())));
    // Two minutes ahead of what plays, and no more.
    const qint64 cap = qint64(CountingMixer::kRate) * SpeechEngineSynth::kQueuedSeconds;
    QTRY_VERIFY(mixer.stream->QueuedFrames() > cap - CountingMixer::kRate / 5);
    QTest::qWait(100);
    QVERIFY(mixer.stream->maxQueued <= cap);
    QCOMPARE(e.Status(), SpeechEngine::kSpeaking);
    // As it plays the rest follows: the sentences of the first 4000
    // characters, each made once.
    mixer.stream->Drain(true);
    QTRY_COMPARE(e.Status(), SpeechEngine::kIdle);
    QCOMPARE(mixer.stream->appended,
             qint64(SpeechEngine::kMaxTextChars / 2) * CountingMixer::kRate);
    QCOMPARE(e.Made(), QStringList{u"あ。"_qs});
    QVERIFY(e.CachedBytes() <= SpeechEngineSynth::kCacheBytes);
}

void TestSpeech::stopAndEndNeverWaitForSynthesis()
{
    CountingMixer mixer;
    auto e = std::make_unique<FakeSynth>([&] { return &mixer; });
    // A sentence that would take a minute to make.
    e->makeMs = 60000;
    e->Speak(u"長い長い文です。"_qs);
    QTRY_VERIFY(e->making);
    QElapsedTimer t;
    t.start();
    e->Stop();
    QVERIFY2(t.elapsed() < 50, qPrintable(QString::number(t.elapsed())));
    QTRY_VERIFY_WITH_TIMEOUT(!e->making, 200);
    QCOMPARE(e->Status(), SpeechEngine::kIdle);

    // A sentence longer than the stream holds: the worker waits for room,
    // and Stop ends that too.
    e->makeMs = 0;
    e->seconds = 150;
    e->Speak(u"とても長い文です。"_qs);
    const qint64 cap = qint64(CountingMixer::kRate) * SpeechEngineSynth::kQueuedSeconds;
    QTRY_VERIFY(mixer.stream->QueuedFrames() > cap - CountingMixer::kRate / 5);
    t.restart();
    e->Stop();
    QVERIFY2(t.elapsed() < 50, qPrintable(QString::number(t.elapsed())));
    QTRY_COMPARE_WITH_TIMEOUT(e->Status(), SpeechEngine::kIdle, 200);

    // The engine goes at once, whatever it is making.
    e->makeMs = 60000;
    e->Speak(u"別の文です。"_qs);
    QTRY_VERIFY(e->making);
    t.restart();
    e.reset();
    QVERIFY2(t.elapsed() < 200, qPrintable(QString::number(t.elapsed())));
}

void TestSpeech::readingsAreAppliedByTheWorker()
{
    FakeSynth e;
    QByteArray lines;
    for (int i = 0; i < kReadingMaxEntries; ++i)
        lines += u"停留所%1番のりば前,ていりゅうじょ%1ばんのりばまえ\n"_qs.arg(i).toUtf8();
    e.SetReadings(std::make_shared<const ReadingList>(ReadingList::Parse(lines)));
    const QString text = u"次は停留所123番のりば前です。"_qs.repeated(300);
    QElapsedTimer t;
    t.start();
    e.Speak(text);
    // Returns at once: the readings go in on the worker. (Wide enough for a
    // sanitizer build on a busy machine; substituting here as text × entries
    // took seconds.)
    QVERIFY2(t.elapsed() < 50, qPrintable(QString::number(t.elapsed())));
    QTRY_VERIFY(!e.Made().isEmpty());
    QCOMPARE(e.Made().first(), u"次はていりゅうじょ123ばんのりばまえです。"_qs);
}

namespace {

// The tape module on a fake engine and a counting mixer.
struct FakeTape {
    CountingMixer mixer;
    FakeSynth* synth = nullptr;
    QTemporaryDir dir;
    mdlM_Tape tape{hooks()};

    mdlM_Tape::Hooks hooks()
    {
        mdlM_Tape::Hooks h;
        h.CreateEngine = [this]() -> std::unique_ptr<SpeechEngine> {
            auto e = std::make_unique<FakeSynth>([this] { return &mixer; });
            synth = e.get();
            return e;
        };
        return h;
    }
    bool init()
    {
        tape.TapeInit();
        return QTest::qWaitFor([this] { return tape.EngineKnown(); }, 5000) && synth;
    }
    // Entries "<word>1。" .. "<word>n。"; their texts.
    QStringList load(const QString& word, int n)
    {
        QStringList texts;
        QByteArray list;
        for (int i = 1; i <= n; ++i) {
            texts << u"%1%2。"_qs.arg(word).arg(i);
            list += u"\"%1\",0,0\r\n"_qs.arg(texts.last()).toUtf8();
        }
        WriteFile(dir.filePath(u"1tp.csv"_qs), list);
        tape.TapeLoad(dir.path() + u'/', u"1"_qs);
        return texts;
    }
};

} // namespace

void TestSpeech::tapeIsMadeAheadInOrder()
{
    FakeTape f;
    QVERIFY(f.init());
    const QStringList texts = f.load(u"案内"_qs, 6);
    QTRY_COMPARE(f.synth->Made(), texts);
    for (const QString& text : texts)
        QVERIFY(f.synth->Prepared(text));
    // Spoken from what was made: nothing is made again, and all of it is
    // heard (none cleared by the Speak that started it).
    f.tape.TapeNext();
    QTRY_COMPARE(f.mixer.stream->QueuedFrames(), qint64(CountingMixer::kRate / 2));
    QCOMPARE(f.mixer.stream->firstSample, FakeSynth::Level(texts[0]));
    QCOMPARE(f.synth->Made().size(), 6);
    // Another voice: the tape again, from the entry 送り reaches next.
    VoiceSettings v;
    v.rate = 150;
    f.synth->SetVoiceSettings(v);
    QStringList again;
    for (const QString& text : texts.mid(1) + texts.first(1))
        again << text + u"@150"_qs;
    QTRY_COMPARE(f.synth->Made().mid(6), again);
    // The volume is applied as speech plays: nothing to make again.
    v.volume = 50;
    f.synth->SetVoiceSettings(v);
    QTest::qWait(100);
    QCOMPARE(f.synth->Made().size(), 12);
}

void TestSpeech::speakOfAnEntryNotMadeGoesFirst()
{
    FakeTape f;
    QVERIFY(f.init());
    f.synth->open = false;
    const QStringList texts = f.load(u"便"_qs, 6);
    QTRY_VERIFY(f.synth->making);
    // 送り three times while entry 1 is still being made ahead.
    f.tape.TapeNext();
    f.tape.TapeNext();
    f.tape.TapeNext();
    f.synth->open = true;
    // Entry 3 first, then the rest in the order 送り and 戻し reach them.
    QTRY_COMPARE(f.synth->Made(),
                 (QStringList{texts[2], texts[3], texts[4], texts[5], texts[1], texts[0]}));
    QCOMPARE(f.mixer.stream->firstSample, FakeSynth::Level(texts[2]));
}

QTEST_GUILESS_MAIN(TestSpeech)
#include "tst_speech.moc"
