// SPDX-License-Identifier: GPL-3.0-or-later
// Sound through SDL's mixer on its dummy driver, heard through the post-mix
// tap: every kind of file plays, channels overlap whatever the sounds' length
// and kind, a new sound on a channel cuts the old one, a blocking play lasts
// as long as its sound while timers keep running, long sounds start without
// holding the caller, a repeated sound is decoded once, what is not a
// sound, or is far too long to be one, fails to open at once, and a sound
// whose samples come too late for the mix is counted as a gap.

#include "SoundTestSupport.h"
#include "sound/MciInterpreter.h"
#include "sound/MixerBackendSdl.h"
#include "sound/StreamVoice.h"
#include "sound/mdlSndAPI.h"

#include "companion/SysWait.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <bit>
#include <condition_variable>
#include <mutex>

namespace {

// One frame at 60 Hz: no play may hold the caller longer (a play takes 1-3 ms
// here). The sanitizers slow our own code a few times over.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kFrameMs = 16 * 2;
#else
constexpr qint64 kFrameMs = 16;
#endif

// A wave file of a sine tone at amplitude 0.3 in any of the encodings the
// mixer reads: "u8", "s16", "s24", "s32", "f32", "f64", "mulaw" (the
// compressed one, which SDL decodes). Every channel carries the tone.
QByteArray EncodedToneWav(const QString& encoding, int channels, int rate, double hz,
                          double seconds)
{
    const auto le = [](quint64 v, int bytes) {
        QByteArray b;
        for (int i = 0; i < bytes; ++i)
            b += char(v >> (8 * i));
        return b;
    };
    const bool isFloat = encoding.startsWith(u'f');
    const bool mulaw = encoding == u"mulaw";
    const int bits = mulaw ? 8 : encoding.mid(1).toInt();
    const int bytes = bits / 8;
    QByteArray data;
    const int frames = int(seconds * rate);
    for (int i = 0; i < frames; ++i) {
        const double v = 0.3 * std::sin(2 * std::numbers::pi * hz * i / rate);
        QByteArray sample;
        if (mulaw) {
            // G.711: sign, then a logarithmic magnitude, all bits inverted.
            const int magnitude = std::min(int(std::abs(v) * 32635) + 132, 32767);
            int exponent = 7;
            while (exponent > 0 && !(magnitude & (0x4000 >> (7 - exponent))))
                --exponent;
            const int mantissa = (magnitude >> (exponent + 3)) & 0x0F;
            sample = le(quint8(~((v < 0 ? 0x80 : 0) | exponent << 4 | mantissa)), 1);
        } else if (isFloat && bits == 32) {
            sample = le(std::bit_cast<quint32>(float(v)), 4);
        } else if (isFloat) {
            sample = le(std::bit_cast<quint64>(v), 8);
        } else if (bits == 8) {
            sample = le(quint8(128 + std::lround(v * 127)), 1);
        } else {
            sample = le(quint64(qint64(std::lround(v * double((1LL << (bits - 1)) - 1)))), bytes);
        }
        for (int c = 0; c < channels; ++c)
            data += sample;
    }
    const quint16 tag = mulaw ? 7 : isFloat ? 3 : 1;
    const QByteArray fmt = le(tag, 2) + le(quint64(channels), 2) + le(quint64(rate), 4) +
                           le(quint64(rate * channels * bytes), 4) +
                           le(quint64(channels * bytes), 2) + le(quint64(bits), 2);
    QByteArray chunks = "fmt " + le(quint64(fmt.size()), 4) + fmt;
    if (mulaw)
        chunks += "fact" + le(4, 4) + le(quint64(frames), 4);
    chunks += "data" + le(quint64(data.size()), 4) + data;
    return "RIFF" + le(quint64(4 + chunks.size()), 4) + "WAVE" + chunks;
}

// A decoder that hands out only the frames the test allows: the test plays a
// decoder falling behind the mixer, mix by mix.
struct DecoderGate {
    std::mutex lock;
    std::condition_variable changed;
    int allowed = 0;    // frames Read may still give
    bool ended = false; // then Read gives 0: the end of the sound
    int reads = 0;      // Read calls begun

    // Lets `frames` through and waits until they are in the voice's buffer
    // (the decoder is asked again only after they were handed on).
    bool Allow(int frames)
    {
        std::unique_lock l(lock);
        const int before = reads;
        allowed += frames;
        changed.notify_all();
        return changed.wait_for(l, std::chrono::seconds(10),
                                [&] { return reads > before && allowed == 0; });
    }
    void End()
    {
        std::lock_guard l(lock);
        ended = true;
        changed.notify_all();
    }
};

class GatedDecoder final : public SoundDecoder {
public:
    explicit GatedDecoder(std::shared_ptr<DecoderGate> gate) : m_gate(std::move(gate)) {}
    bool Begin(const std::atomic<bool>&) override { return true; }
    int Rate() const override { return MixerBackendSdl::kRate; }
    int Channels() const override { return 2; }
    int Read(qint16* out, int maxFrames) override
    {
        std::unique_lock l(m_gate->lock);
        ++m_gate->reads;
        m_gate->changed.notify_all();
        m_gate->changed.wait(l, [this] { return m_gate->allowed > 0 || m_gate->ended; });
        const int n = std::min(maxFrames, m_gate->allowed);
        std::fill(out, out + 2 * n, qint16(800));
        m_gate->allowed -= n;
        return n;
    }

private:
    std::shared_ptr<DecoderGate> m_gate;
};

} // namespace

class TestSoundMixer final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<MciInterpreter> m_mci;
    std::unique_ptr<mdlSndAPI> m_snd;
    std::unique_ptr<TapRecorder> m_tap;
    MixerBackendSdl* m_sdl = nullptr;
    int m_rate = 0;
    // Made with lame when it is installed; empty otherwise.
    QString m_longMp3;    // 2 MB, 130 s at 1000 Hz
    QString m_hostileMp3; // 33 minutes at 8 kbps

    QString path(const QString& name) const { return m_dir.filePath(name); }
    // What left the mixer in the last `ms` milliseconds.
    std::vector<qint16> lastMs(int ms) const
    {
        const size_t n = m_tap->Frames();
        const size_t want = size_t(m_rate) * size_t(ms) / 1000;
        return m_tap->Since(n > want ? n - want : 0);
    }
    bool hears(double hz, int ms = 60, double level = 0.05) const
    {
        return ToneLevel(lastMs(ms), hz, m_rate) > level;
    }
    // The long MIDI file's organ: A4 and the C#5 above it, in turns.
    bool hearsOrgan() const { return hears(440, 60, 0.02) || hears(554.37, 60, 0.02); }
    bool loudNow(int ms = 60) const { return Peak(lastMs(ms)) > 1000; }

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void everyKindPlays_data();
    void everyKindPlays();
    void everyWaveEncodingPlaysItsTone_data();
    void everyWaveEncodingPlaysItsTone();
    void channelsOverlapAndANewSoundCutsTheOld();
    void blockingPlayLastsTheSound();
    void notAudioIsAFailedOpen_data();
    void notAudioIsAFailedOpen();
    void tooLongIsAFailedOpenAtOnce_data();
    void tooLongIsAFailedOpenAtOnce();
    void longSoundsStartAtOnceAndPlayTogether();
    void blockingPlayOfAStreamedSound();
    void aRepeatedSoundIsDecodedOnce_data();
    void aRepeatedSoundIsDecodedOnce();
    void aDecoderFallingBehindIsCounted();
    void aSpeechStreamRunningDryIsCounted();
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
    m_sdl = sdl.get();
    m_mci = std::make_unique<MciInterpreter>(std::move(sdl));
    m_snd = std::make_unique<mdlSndAPI>(u"517"_qs,
                                        [this](const QString& c) { return m_mci->SendString(c); });
    m_tap = std::make_unique<TapRecorder>(m_mci->Backend());

    QVERIFY(WriteFile(path(u"440.wav"_qs), SteadyToneWav(440, 3.0)));
    QVERIFY(WriteFile(path(u"1000.wav"_qs), SteadyToneWav(1000, 3.0)));
    QVERIFY(WriteFile(path(u"short.wav"_qs), SteadyToneWav(700, 0.6)));
    QVERIFY(WriteFile(path(u"chime.mid"_qs), MidiNotes(4)));
    // Past what was once decoded whole: five minutes of organ.
    QVERIFY(WriteFile(path(u"long.mid"_qs), MidiNotes(4500, 64, 69, 19)));
    QVERIFY(QFileInfo(path(u"long.mid"_qs)).size() > 32 * 1024);
    QVERIFY(WriteFile(path(u"long.wav"_qs), QuietToneWav(700, 40, 8000)));

    const QByteArray longMp3 = RepeatedMp3(QuietToneWav(1000, 10), 128, 13);
    if (!longMp3.isEmpty()) {
        QVERIFY(longMp3.size() > 2'000'000);
        m_longMp3 = path(u"long.mp3"_qs);
        QVERIFY(WriteFile(m_longMp3, longMp3));
        m_hostileMp3 = path(u"33min.mp3"_qs);
        QVERIFY(WriteFile(m_hostileMp3, RepeatedMp3(QuietToneWav(500, 60, 8000), 8, 33)));
    }
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

void TestSoundMixer::everyWaveEncodingPlaysItsTone_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("rate");
    QTest::newRow("8-bit") << "u8" << 1 << 22050;
    QTest::newRow("16-bit stereo") << "s16" << 2 << 44100;
    QTest::newRow("24-bit") << "s24" << 1 << 48000;
    QTest::newRow("32-bit, four channels") << "s32" << 4 << 48000;
    QTest::newRow("32-bit float") << "f32" << 2 << 32000;
    QTest::newRow("64-bit float") << "f64" << 1 << 48000;
    QTest::newRow("mu-law") << "mulaw" << 1 << 8000;
}

// Each encoding as the tone it holds, at its level: bytes read in the wrong
// order or scaled wrongly would be noise, or the tone too loud or too soft.
void TestSoundMixer::everyWaveEncodingPlaysItsTone()
{
    QFETCH(QString, encoding);
    QFETCH(int, channels);
    QFETCH(int, rate);
    const QString file = path(encoding + u".wav"_qs);
    QVERIFY(WriteFile(file, EncodedToneWav(encoding, channels, rate, 700, 1.0)));
    m_snd->SndPlay(file, u"S1"_qs, 0, 0);
    QTRY_VERIFY_WITH_TIMEOUT(hears(700), 2000);
    // Well into the second-long sound: the window is all tone.
    QTest::qWait(100);
    const double level = ToneLevel(lastMs(60), 700, m_rate);
    QVERIFY2(level > 0.25 && level < 0.35, qPrintable(QString::number(level)));
    QVERIFY2(LoudFrames(lastMs(60)) > 0 && Peak(lastMs(60)) < 0.36 * 32768,
             qPrintable(QString::number(Peak(lastMs(60)))));
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
    // Format 0x55: MP3 frames in a wave file, which nothing here decodes.
    QByteArray mp3InWave = EncodedToneWav(u"mulaw"_qs, 1, 8000, 700, 0.1);
    mp3InWave[20] = 0x55;
    QTest::newRow("MP3 inside a wave file") << "mp3.wav" << mp3InWave;
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

// Files that would play for far longer than any sound may: their headers say
// so, and the open fails before anything is decoded.
void TestSoundMixer::tooLongIsAFailedOpenAtOnce_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("MIDI, end 2^28 ticks away") << path(u"far.mid"_qs) << FarEndMidi();
    QTest::newRow("MIDI, one-hour note") << path(u"hour.mid"_qs) << HourNoteMidi();
    // Not too long to play (two and a half minutes), but too large to measure
    // on the caller's thread.
    QTest::newRow("MIDI over 1 MB") << path(u"large.mid"_qs) << MidiNotes(150000, 1);
    QTest::newRow("MP3, 33 minutes at 8 kbps") << m_hostileMp3 << QByteArray();
}

void TestSoundMixer::tooLongIsAFailedOpenAtOnce()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    if (file.isEmpty())
        QSKIP("lame is not installed");
    if (!bytes.isEmpty())
        QVERIFY(WriteFile(file, bytes));
    const qint64 residentKb = ResidentKb();
    QElapsedTimer clock;
    clock.start();
    const int result =
        m_mci->SendString(u"open \""_qs + file + u"\" type mpegvideo alias 517S1 wait"_qs);
    const qint64 ms = clock.elapsed();
    QCOMPARE(result, int(MciInterpreter::CannotDecode));
    QVERIFY2(ms < 50, qPrintable(u"%1 ms"_qs.arg(ms)));
    QVERIFY2(ResidentKb() - residentKb < 16 * 1024,
             qPrintable(u"%1 kB more"_qs.arg(ResidentKb() - residentKb)));
}

// A 2 MB MP3 and a five-minute MIDI file start without holding the caller
// for a frame, and they, a long wave file and the speech stream are all
// heard at the same time, each on its own channel.
void TestSoundMixer::longSoundsStartAtOnceAndPlayTogether()
{
    if (m_longMp3.isEmpty())
        QSKIP("lame is not installed");
    // The longest gap between ticks of a 1 ms timer is the longest the
    // thread was held; only reported, as a busy machine stretches it too.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longestGap = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    connect(&tick, &QTimer::timeout, this, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start(1);
    ltm4::Wait(20);
    longestGap = 0;

    qint64 longestPlay = 0;
    for (const auto& [file, channel] : {std::pair{m_longMp3, "S1"}, {path(u"long.mid"_qs), "S2"}}) {
        QElapsedTimer call;
        call.start();
        m_snd->SndPlay(file, QLatin1String(channel), 0, 0);
        longestPlay = std::max(longestPlay, call.elapsed());
        ltm4::Wait(20);
    }
    qInfo("longest play call %lld ms, longest timer gap %lld ms", longestPlay, longestGap);
    QVERIFY2(longestPlay < kFrameMs, qPrintable(u"%1 ms"_qs.arg(longestPlay)));
    QTRY_VERIFY_WITH_TIMEOUT(hears(1000) && hearsOrgan(), 5000);

    m_snd->SndPlay(path(u"long.wav"_qs), u"S3"_qs, 0, 0);
    const std::shared_ptr<MixerBackend::PcmStream> speech = m_mci->Backend().OpenPcmStream();
    QVERIFY(speech);
    std::vector<qint16> sine(size_t(m_rate) * 3);
    for (size_t i = 0; i < sine.size(); ++i)
        sine[i] = qint16(5000 * std::sin(2 * std::numbers::pi * 1250 * double(i) / m_rate));
    speech->Append(sine.data(), int(sine.size()), m_rate, 1);
    QTRY_VERIFY_WITH_TIMEOUT(hears(1000) && hearsOrgan() && hears(700) && hears(1250), 3000);
    m_mci->Backend().ClosePcmStream(speech);

    // Closing while a decoder is at work does not wait for it.
    QElapsedTimer call;
    call.start();
    m_snd->SndPlay(path(u"long.mid"_qs), u"S2"_qs, 0, 0);
    m_snd->SndCloseAll();
    QVERIFY2(call.elapsed() < kFrameMs, qPrintable(u"%1 ms"_qs.arg(call.elapsed())));
}

// A blocking play of a streamed sound lasts as long as the sound, and ends
// when the channel is closed meanwhile (the program ending).
void TestSoundMixer::blockingPlayOfAStreamedSound()
{
    const QByteArray twoSeconds = RepeatedMp3(QuietToneWav(880, 2.0), 64, 1);
    if (twoSeconds.isEmpty())
        QSKIP("lame is not installed");
    const QString file = path(u"two.mp3"_qs);
    QVERIFY(WriteFile(file, twoSeconds));
    QElapsedTimer clock;
    clock.start();
    m_snd->SndPlay(file, u"S2"_qs, -1, 0);
    QVERIFY2(clock.elapsed() >= 1900 && clock.elapsed() < 4000,
             qPrintable(QString::number(clock.elapsed())));
    QTRY_VERIFY_WITH_TIMEOUT(!loudNow(30), 500);

    QTimer::singleShot(300, this, [this] { m_mci->SendString(u"close 517S2"_qs); });
    clock.restart();
    m_snd->SndPlay(m_longMp3, u"S2"_qs, -1, 0);
    QVERIFY2(clock.elapsed() >= 250 && clock.elapsed() < 1500,
             qPrintable(QString::number(clock.elapsed())));
    QTRY_VERIFY_WITH_TIMEOUT(!loudNow(30), 500);
}

void TestSoundMixer::aRepeatedSoundIsDecodedOnce_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("WAV") << "again.wav" << QuietToneWav(600, 0.3);
    QTest::newRow("MP3") << "again.mp3" << RepeatedMp3(QuietToneWav(600, 0.3), 64, 1);
    QTest::newRow("MIDI") << "again.mid" << MidiNotes(1, 120);
}

void TestSoundMixer::aRepeatedSoundIsDecodedOnce()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    if (bytes.isEmpty())
        QSKIP("lame is not installed");
    const QString file = path(name);
    QVERIFY(WriteFile(file, bytes));
    const int decodes = m_sdl->DecodeCount();
    for (int play = 1; play <= 2; ++play) {
        const size_t from = m_tap->Frames();
        m_snd->SndPlay(file, u"S2"_qs, -1, 0);
        const std::vector<qint16> heard = m_tap->Since(from);
        QVERIFY2(LoudFrames(heard) > 0, qPrintable(u"play %1"_qs.arg(play)));
        QCOMPARE(m_sdl->DecodeCount(), decodes + 1);
    }
    // An edited file is decoded afresh.
    QVERIFY(WriteFile(file, bytes + QByteArray(2, 0)));
    m_snd->SndPlay(file, u"S2"_qs, -1, 0);
    QCOMPARE(m_sdl->DecodeCount(), decodes + 2);
}

void TestSoundMixer::aDecoderFallingBehindIsCounted()
{
    auto gate = std::make_shared<DecoderGate>();
    std::atomic<qint64> gaps = 0;
    StreamVoice::Options o;
    o.rate = MixerBackendSdl::kRate;
    o.channels = 2;
    o.bufferFrames = o.rate;
    o.maxFrames = 10 * o.rate;
    o.underruns = &gaps;
    StreamVoice voice([gate] { return std::make_unique<GatedDecoder>(gate); }, o);
    // However the test ends, the decoder thread is let go.
    const std::unique_ptr<DecoderGate, void (*)(DecoderGate*)> release(
        gate.get(), [](DecoderGate* g) { g->End(); });
    voice.Start();
    std::vector<qint16> buffer(512 * 2);
    const auto mix = [&] {
        StreamVoice::Effect(0, buffer.data(), int(buffer.size() * sizeof(qint16)), &voice);
    };
    const auto heard = [&] { return std::count(buffer.begin(), buffer.end(), qint16(800)) / 2; };

    mix(); // before the first samples: the sound starts later, no gap
    QCOMPARE(heard(), 0);
    QCOMPARE(gaps.load(), 0);
    QVERIFY(gate->Allow(1024)); // ahead of the mixer
    mix();
    mix();
    QCOMPARE(heard(), 512);
    QCOMPARE(gaps.load(), 0);
    mix(); // nothing decoded in time
    QCOMPARE(heard(), 0);
    QCOMPARE(gaps.load(), 1);
    QVERIFY(gate->Allow(300)); // part of a mix
    mix();
    QCOMPARE(heard(), 300);
    QCOMPARE(gaps.load(), 2);
    QVERIFY(gate->Allow(512)); // caught up
    mix();
    QCOMPARE(heard(), 512);
    QCOMPARE(gaps.load(), 2);
    gate->End(); // the end of the sound is no gap
    QTRY_VERIFY_WITH_TIMEOUT(voice.Exited(), 5000);
    mix();
    QCOMPARE(heard(), 0);
    QCOMPARE(gaps.load(), 2);
}

// The speech stream: samples appended after it ran dry, with no Clear between
// (a new utterance), came too late: the silence before them was a gap.
void TestSoundMixer::aSpeechStreamRunningDryIsCounted()
{
    const std::shared_ptr<MixerBackend::PcmStream> stream = m_sdl->OpenPcmStream();
    QVERIFY(stream);
    const qint64 before = m_sdl->Underruns();
    const std::vector<qint16> tenth(size_t(m_rate) / 10 * 2, 800);
    const auto append = [&] { stream->Append(tenth.data(), m_rate / 10, m_rate, 2); };
    const auto playOut = [&] {
        QTRY_COMPARE_WITH_TIMEOUT(stream->QueuedFrames(), qint64(0), 3000);
        QTest::qWait(40); // a few mixes of silence after it
    };

    QTest::qWait(40); // silence before the first samples is no gap
    append();
    append(); // appended while playing
    QCOMPARE(m_sdl->Underruns(), before);
    playOut();
    QCOMPARE(m_sdl->Underruns(), before); // the end, or late: not known yet
    append();
    QCOMPARE(m_sdl->Underruns(), before + 1);
    playOut();
    stream->Clear(); // something new begins
    append();
    QCOMPARE(m_sdl->Underruns(), before + 1);
    playOut();
    m_sdl->ClosePcmStream(stream);
}

QTEST_GUILESS_MAIN(TestSoundMixer)
#include "tst_sound_mixer.moc"
