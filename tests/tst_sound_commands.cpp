// SPDX-License-Identifier: GPL-3.0-or-later
// The sound module's command strings, their reading, and the interpreter's
// handling of devices, over a mixer that only records what it is asked; and
// the readers of sound file headers that decide what a file is and how long.

#include "SoundTestSupport.h"
#include "companion/SysWait.h"
#include "sound/MciCommand.h"
#include "sound/MciInterpreter.h"
#include "sound/MidiInfo.h"
#include "sound/WavInfo.h"
#include "sound/mdlSndAPI.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <future>
#include <map>
#include <thread>

namespace {

// A mixer that decodes every file whose name does not contain "broken" and
// plays each sound for as many questions as `length` says.
class RecordingMixer final : public MixerBackend {
public:
    QStringList calls;
    int length = 0;
    int warmUps = 0;
    std::map<Voice, int> left; // questions until the sound has ended

    QString DriverName() const override { return u"recording"_qs; }
    Format OutputFormat() const override { return {48000, 2, 512}; }
    Voice OpenFile(const QString& path) override
    {
        calls << u"open "_qs + QFileInfo(path).fileName();
        return path.contains(u"broken") ? kNoVoice : next++;
    }
    void Play(Voice v) override
    {
        calls << u"play %1"_qs.arg(v);
        left[v] = length;
    }
    void Stop(Voice v) override
    {
        calls << u"stop %1"_qs.arg(v);
        left[v] = 0;
    }
    bool IsPlaying(Voice v) const override
    {
        auto& n = const_cast<RecordingMixer*>(this)->left[v];
        return n > 0 && n--;
    }
    void Close(Voice v) override
    {
        calls << u"close %1"_qs.arg(v);
        left.erase(v);
    }
    void SetPostMixTap(PostMixTap) override {}
    void WarmUp() override { ++warmUps; }

private:
    Voice next = 0;
};

// Replaces the program's wait while alive, recording the waits asked for,
// also into log when one is given.
struct WaitRecorder {
    QList<int> waits;
    QStringList* log = nullptr;
    std::function<void(int)> previous;
    WaitRecorder()
    {
        previous = ltm4::SetWaitOverride([this](int ms) {
            waits << ms;
            if (log)
                *log << u"wait %1"_qs.arg(ms);
        });
    }
    ~WaitRecorder() { ltm4::SetWaitOverride(previous); }
};

// The command as read, for comparing: verb|alias[|path|type][|from 0][|wait].
QString Read(const MciCommand& c)
{
    static const char* const kVerbs[] = {"open", "play", "stop", "close"};
    static const char* const kTypes[] = {"waveaudio", "mpegvideo", "sequencer"};
    QStringList parts{QLatin1String(kVerbs[int(c.verb)]), c.alias};
    if (c.verb == MciVerb::Open)
        parts << c.path << QLatin1String(kTypes[int(c.type)]);
    if (c.fromStart)
        parts << u"from 0"_qs;
    if (c.wait)
        parts << u"wait"_qs;
    return parts.join(u'|');
}

} // namespace

class TestSoundCommands final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString file(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.exists() && f.open(QIODevice::WriteOnly))
            f.write("RIFF");
        return path;
    }

private slots:
    void commands_data();
    void commands();
    void aliasesAndWhatIsNotPlayed();
    void parse_data();
    void parse();
    void interpreterDevices();
    void blockingPlayWaitsForTheEnd();
    void warmUpWaitsForNoMixer();
    void midiLength_data();
    void midiLength();
    void waveHeader_data();
    void waveHeader();
};

// Every command SndPlay sends for a file, and the waits, in order; "%1" is
// the quoted path. Opening a file named "broken" fails.
void TestSoundCommands::commands_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("sync");
    QTest::addColumn<int>("delay");
    QTest::addColumn<QStringList>("sent");

    const QString close = u"close 517S2"_qs;
    const QStringList async{u"stop 517S2"_qs, u"play 517S2 from 0"_qs};
    const QStringList sync{u"play 517S2 from 0 wait"_qs};
    const auto open = [&close](const char* device) {
        return QStringList{close,
                           u"open %1 type "_qs + QLatin1String(device) + u" alias 517S2 wait"_qs};
    };
    QTest::newRow("wav") << "tone.wav" << 0 << 0 << open("waveaudio") + async;
    QTest::newRow("mp3") << "tone.mp3" << 0 << 0 << open("mpegvideo") + async;
    QTest::newRow("Mp3") << "tone.Mp3" << 0 << 0 << open("mpegvideo") + async;
    QTest::newRow("mid") << "tone.mid" << 0 << 0 << open("sequencer") + async;
    // Blocking, the delay is a pause after the sound; a negative one is none,
    // not one of days. In the background the delay is not used.
    QTest::newRow("sync -1, 40 ms")
        << "tone.wav" << -1 << 40 << open("waveaudio") + sync + QStringList{"wait 40"};
    QTest::newRow("sync 1") << "tone.mid" << 1 << 0 << open("sequencer") + sync;
    QTest::newRow("sync, negative delay") << "tone.wav" << -1 << -5 << open("waveaudio") + sync;
    QTest::newRow("async, 40 ms") << "tone.wav" << 0 << 40 << open("waveaudio") + async;
    // Only the last three characters count: this closes the channel and stops.
    QTest::newRow(".wave") << "tone.wave" << 0 << 0 << QStringList{close};
    QTest::newRow("open fails") << "broken.wav" << -1 << 40 << open("waveaudio");
}

void TestSoundCommands::commands()
{
    QFETCH(QString, name);
    QFETCH(int, sync);
    QFETCH(int, delay);
    QFETCH(QStringList, sent);

    const QString path = file(name);
    QStringList got;
    WaitRecorder waits;
    waits.log = &got;
    mdlSndAPI snd(u"517"_qs, [&](const QString& c) {
        got << c;
        return c.startsWith(u"open ") && name.contains(u"broken") ? 263 : 0;
    });
    snd.SndPlay(path, u"S2"_qs, qint16(sync), qint16(delay));

    for (QString& s : sent)
        s.replace(u"%1"_qs, u'"' + path + u'"');
    QCOMPARE(got, sent);
}

void TestSoundCommands::aliasesAndWhatIsNotPlayed()
{
    QStringList got;
    MciInterpreter mci(std::make_unique<RecordingMixer>());
    mdlSndAPI snd(u"my board"_qs, [&](const QString& c) {
        got << c;
        return mci.SendString(c);
    });
    // No file, no command; a folder is not a sound file, whatever its name.
    QVERIFY(QDir(m_dir.path()).mkpath(u"folder.wav"_qs));
    for (const QString& name :
         {QString(), m_dir.filePath(u"missing.wav"_qs), m_dir.filePath(u"folder.wav"_qs)})
        snd.SndPlay(name, u"S1"_qs, 0, 0);
    QCOMPARE(got, QStringList());

    // The alias is the base name and the channel, a blank in the name made
    // part of the one word, so the sound opens.
    snd.SndPlay(file(u"a.wav"_qs), u"S3"_qs, 0, 0);
    QCOMPARE(got.value(0), u"close my_boardS3"_qs);
    QVERIFY(got.value(1).endsWith(u"\" type waveaudio alias my_boardS3 wait"));
    QVERIFY(mci.IsOpen(u"my_boardS3"_qs));
    got.clear();
    snd.SndCloseAll();
    QCOMPARE(got, (QStringList{"close my_boardS1", "close my_boardS2", "close my_boardS3",
                               "close my_boardS4"}));
    QVERIFY(!mci.IsOpen(u"my_boardS3"_qs));
}

// Commands as read; an empty reading is a refused command. A path with
// blanks, Japanese and quotes is read in blockingPlayWaitsForTheEnd.
void TestSoundCommands::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("read");

    const auto row = [](const char* name, const char* text, const char* read = "") {
        QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(read);
    };
    row("open", R"(open "/s/a.wav" type waveaudio alias 517S1 wait)",
        "open|517S1|/s/a.wav|waveaudio|wait");
    row("open mp3, no wait", R"(open "/s/a.mp3" type mpegvideo alias X)",
        "open|X|/s/a.mp3|mpegvideo");
    row("keywords in capitals", R"(OPEN "/s/a.mid" TYPE Sequencer ALIAS 517S3 WAIT)",
        "open|517S3|/s/a.mid|sequencer|wait");
    // A program renamed with a quote in its name puts one in every alias.
    row("quote inside the alias", R"(open "/s/a.wav" type waveaudio alias 5"17S1 wait)",
        R"(open|5"17S1|/s/a.wav|waveaudio|wait)");
    row("unquoted", "open /s/a.wav type waveaudio alias A", "open|A|/s/a.wav|waveaudio");
    row("play from 0 wait", "play 517S2 from 0 wait", "play|517S2|from 0|wait");
    row("stop", "stop 517S2", "stop|517S2");
    row("close, extra blanks", "  close   517S4  ", "close|517S4");

    row("unknown verb", "pause 517S1");
    row("close without alias", "close");
    row("empty quotes", R"(open "" type waveaudio alias A)");
    row("unterminated", R"(open "/s/a.wav type waveaudio alias A)");
    row("no type", R"(open "/s/a.wav" alias A)");
    row("unknown type", R"(open "/s/a.ogg" type vorbis alias A)");
    row("open without alias", R"(open "/s/a.wav" type waveaudio)");
    row("play from 5", "play A from 5");
    row("unknown word", "close A now");
}

void TestSoundCommands::parse()
{
    QFETCH(QString, text);
    const MciParseResult r = ParseMciCommand(text);
    QTEST(r.ok() ? Read(r.command) : QString(), "read");
}

void TestSoundCommands::interpreterDevices()
{
    auto owned = std::make_unique<RecordingMixer>();
    RecordingMixer& mixer = *owned;
    MciInterpreter mci(std::move(owned));
    const QString a = file(u"a.wav"_qs);
    const QString broken = file(u"broken.wav"_qs);
    const auto open = [](const QString& path, const char* alias) {
        return u"open \"%1\" type waveaudio alias %2 wait"_qs.arg(path, alias);
    };

    QCOMPARE(mci.SendString(u"close 517S1"_qs), int(MciInterpreter::UnknownAlias));
    QCOMPARE(mci.SendString(u"play 517S1 from 0"_qs), int(MciInterpreter::UnknownAlias));
    QCOMPARE(mci.SendString(u"launch 517S1"_qs), int(MciInterpreter::Unrecognized));
    QCOMPARE(mci.SendString(open(m_dir.filePath(u"none.wav"_qs), "517S1")),
             int(MciInterpreter::FileNotFound));
    QCOMPARE(mci.SendString(open(broken, "517S1")), int(MciInterpreter::CannotDecode));
    QVERIFY(!mci.IsOpen(u"517S1"_qs));

    QCOMPARE(mci.SendString(open(a, "517S1")), 0);
    QCOMPARE(mci.SendString(open(a, "517s1")), int(MciInterpreter::AliasInUse));
    QCOMPARE(mci.SendString(open(a, "517S2")), 0);
    QCOMPARE(mci.SendString(u"play 517S1 from 0"_qs), 0);
    QCOMPARE(mci.SendString(u"STOP 517s1"_qs), 0);
    QCOMPARE(mci.SendString(u"close 517S1"_qs), 0);
    QVERIFY(!mci.IsOpen(u"517S1"_qs));
    QVERIFY(mci.IsOpen(u"517S2"_qs));
    QCOMPARE(mixer.calls, (QStringList{"open broken.wav", "open a.wav", "open a.wav", "play 0",
                                       "stop 0", "close 0"}));
}

void TestSoundCommands::blockingPlayWaitsForTheEnd()
{
    auto owned = std::make_unique<RecordingMixer>();
    RecordingMixer& mixer = *owned;
    mixer.length = 7;
    MciInterpreter mci(std::move(owned));
    mdlSndAPI snd(u"517"_qs, [&](const QString& c) { return mci.SendString(c); });
    WaitRecorder waits;
    // What the module sends, the interpreter reads back, quotes in the name and all.
    snd.SndPlay(file(u"バス 停 \"案内\".wav"_qs), u"S2"_qs, -1, 0);
    QCOMPARE(mixer.calls.value(0), u"open バス 停 \"案内\".wav"_qs);
    // One short wait per time the sound was still playing; it has ended now.
    QCOMPARE(waits.waits.size(), 7);
    for (int ms : waits.waits)
        QVERIFY(ms > 0 && ms <= 20);
    QVERIFY(!mixer.IsPlaying(0));

    // In the background nothing waits.
    mixer.length = 100;
    snd.SndPlay(file(u"w.wav"_qs), u"S2"_qs, 0, 0);
    QCOMPARE(waits.waits.size(), 7);
    QVERIFY(mixer.IsPlaying(1));
}

// The program asks for the warm-up after its first paint, perhaps while the
// sound device is still opening: the warm-up then waits for the device,
// the program does not.
void TestSoundCommands::warmUpWaitsForNoMixer()
{
    std::promise<std::unique_ptr<MixerBackend>> opening;
    MciInterpreter mci(opening.get_future());
    auto owned = std::make_unique<RecordingMixer>();
    RecordingMixer& mixer = *owned;
    std::thread device([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        opening.set_value(std::move(owned));
    });
    QElapsedTimer clock;
    clock.start();
    mci.WarmUp();
    QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
    device.join();
    QCOMPARE(mixer.warmUps, 0);
    mci.Backend();
    QCOMPARE(mixer.warmUps, 1);
    // Once it is open, at once.
    mci.WarmUp();
    QCOMPARE(mixer.warmUps, 2);
}

namespace {

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray Le32(quint32 v)
{
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    return QByteArray(b, 4);
}

QByteArray Le16(quint16 v)
{
    const char b[2] = {char(v), char(v >> 8)};
    return QByteArray(b, 2);
}

// A RIFF chunk, padded to an even size.
QByteArray Chunk(const char* id, const QByteArray& body)
{
    return id + Le32(quint32(body.size())) + body + (body.size() % 2 ? QByteArray(1, 0) : "");
}

QByteArray Riff(const char* form, const QByteArray& chunks)
{
    return "RIFF" + Le32(quint32(4 + chunks.size())) + form + chunks;
}

QByteArray Fmt(quint16 tag, quint16 channels, quint32 rate, quint16 bits, quint16 blockAlign,
               quint32 byteRate)
{
    return Chunk("fmt ", Le16(tag) + Le16(channels) + Le32(rate) + Le32(byteRate) +
                             Le16(blockAlign) + Le16(bits));
}

QByteArray Pcm(quint16 channels, quint32 rate, quint16 bits)
{
    const quint16 block = quint16(channels * bits / 8);
    return Fmt(1, channels, rate, bits, block, rate * block);
}

} // namespace

// Lengths through the tempo map, and what is not a MIDI file. A delta of
// 480 ticks is 83 60, 960 is 87 40, 2500 is 93 44.
void TestSoundCommands::midiLength_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("error");
    QTest::addColumn<double>("seconds");

    const auto ok = [](const char* name, const QByteArray& bytes, double seconds) {
        QTest::newRow(name) << bytes << int(MidiError::None) << seconds;
    };
    const auto bad = [](const char* name, const QByteArray& bytes, MidiError error) {
        QTest::newRow(name) << bytes << int(error) << 0.0;
    };
    const QByteArray end = Hex("00FF2F00");
    const QByteArray note480 = Hex("00903C64 8360 803C00");

    ok("four eighth notes at 120", MidiNotes(4), 1.0);
    ok("quarter note at 60", MidiFile(0, 480, {Hex("00FF51030F4240") + note480 + end}), 1.0);
    // Tracks play together: the second track's change times the first's notes.
    ok("tempo change in another track",
       MidiFile(1, 480, {Hex("00903C64 8740 803C00") + end, Hex("8360 FF51030F4240") + end}),
       0.5 + 1.0);
    // Running status, a system-exclusive message and a long text event.
    ok("running status, sysex, long meta",
       MidiFile(0, 480,
                {Hex("00903C64 60 3C00 00F0037E7F09 00FF018148") + QByteArray(200, 'x') +
                 Hex("8360 903E64 00 803E00") + end}),
       (96 + 480) / 960.0);
    ok("SMPTE 25 fps, 40 ticks a frame", MidiFile(0, 0xE728, {Hex("00903C64 9344 803C00") + end}),
       2.5);
    ok("RIFF RMID", Riff("RMID", Chunk("data", MidiNotes(4))), 1.0);
    ok("chunk of another kind skipped",
       MidiFile(0, 480, {note480 + end}).insert(14, "XFIH" + Be32(4) + "abcd"), 0.5);
    ok("no end-of-track event", MidiFile(0, 480, {note480}), 0.5);
    // Short files that would play for days or hours: their length is what
    // the player refuses them by.
    ok("end 2^28 ticks away", FarEndMidi(), double((1 << 28) - 1) / 960);
    ok("one-hour note", HourNoteMidi(), 3600);

    bad("text", "not a MIDI file at all", MidiError::NotMidi);
    bad("header only", "MThd", MidiError::Truncated);
    bad("track cut short", MidiNotes(4).chopped(1), MidiError::Truncated);
    bad("meta longer than its track", MidiFile(0, 480, {Hex("00FF0140 41") + end}),
        MidiError::Truncated);
    bad("data byte with no status", MidiFile(0, 480, {Hex("003C64") + end}), MidiError::BadEvent);
    bad("five-byte delta", MidiFile(0, 480, {Hex("8181818101 903C64") + end}), MidiError::BadEvent);
    bad("system common message", MidiFile(0, 480, {Hex("00F2 0000") + end}), MidiError::BadEvent);
    bad("division 0", MidiFile(0, 0, {end}), MidiError::BadHeader);
    bad("SMPTE 23 fps", MidiFile(0, 0xE928, {end}), MidiError::BadHeader);
    QByteArray twoCounted = MidiFile(0, 480, {end});
    twoCounted[11] = 2;
    bad("two tracks counted, one there", twoCounted, MidiError::MissingTrack);
    bad("RIFF RMID without data", Riff("RMID", Chunk("LIST", "xy")), MidiError::NotMidi);
}

void TestSoundCommands::midiLength()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, error);
    QFETCH(double, seconds);
    const MidiInfo info = ReadMidiInfo(bytes);
    QCOMPARE(int(info.error), error);
    if (info.ok()) {
        QVERIFY2(std::abs(info.seconds - seconds) < 1e-6 * std::max(1.0, seconds),
                 qPrintable(QString::number(info.seconds)));
        QVERIFY(!info.smf.isEmpty() && info.smf.startsWith("MThd"));
    }
}

void TestSoundCommands::waveHeader_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<qint64>("fileSize"); // -1: the head is the whole file
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<int>("channels");
    QTest::addColumn<qint64>("frames");
    QTest::addColumn<double>("seconds");

    const auto ok = [](const char* name, const QByteArray& head, qint64 fileSize,
                       WavEncoding encoding, int channels, qint64 frames, double seconds) {
        QTest::newRow(name) << head << fileSize << int(WavError::None) << int(encoding) << channels
                            << frames << seconds;
    };
    const auto bad = [](const char* name, const QByteArray& head, WavError error) {
        QTest::newRow(name) << head << qint64(-1) << int(error) << 0 << 0 << qint64(0) << 0.0;
    };

    ok("16-bit mono", QuietToneWav(440, 0.5), -1, WavEncoding::Pcm, 1, 24000, 0.5);
    const QByteArray extensible =
        Chunk("fmt ", Le16(0xFFFE) + Le16(2) + Le32(8000) + Le32(48000) + Le16(6) + Le16(24) +
                          Le16(22) + Le16(24) + Le32(3) + Le16(1) + QByteArray(14, 'g'));
    ok("24-bit stereo, extensible", Riff("WAVE", extensible + Chunk("data", QByteArray(6000, 0))),
       -1, WavEncoding::Pcm, 2, 1000, 0.125);
    ok("float stereo",
       Riff("WAVE", Fmt(3, 2, 44100, 32, 8, 352800) + Chunk("data", QByteArray(8 * 4410, 0))), -1,
       WavEncoding::Float, 2, 4410, 0.1);
    // Only what the file holds counts, whatever the chunk claims.
    const QByteArray claims = Riff("WAVE", Pcm(1, 8000, 16)) + "data" + Le32(1000000);
    ok("data longer than the file", claims, claims.size() + 1600, WavEncoding::Pcm, 1, 800, 0.1);
    ok("odd LIST chunk first",
       Riff("WAVE", Chunk("LIST", "abc") + Pcm(1, 8000, 8) + Chunk("data", QByteArray(800, 0))), -1,
       WavEncoding::Pcm, 1, 800, 0.1);
    ok("mu-law timed by fact",
       Riff("WAVE", Fmt(7, 1, 8000, 8, 1, 8000) + Chunk("fact", Le32(16000)) +
                        Chunk("data", QByteArray(16000, 0))),
       -1, WavEncoding::Compressed, 1, 16000, 2.0);
    ok("ADPCM timed by byte rate",
       Riff("WAVE", Fmt(2, 1, 22050, 4, 512, 11155) + Chunk("data", QByteArray(11155 * 3, 0))), -1,
       WavEncoding::Compressed, 1, 22050 * 3, 3.0);

    bad("RIFF but not WAVE", Riff("AVI ", Chunk("data", "xx")), WavError::NotWave);
    bad("data before fmt", Riff("WAVE", Chunk("data", "xx") + Pcm(1, 8000, 16)),
        WavError::BadFormat);
    bad("no channels", Riff("WAVE", Fmt(1, 0, 8000, 16, 2, 16000) + Chunk("data", "xx")),
        WavError::BadFormat);
    bad("12-bit samples", Riff("WAVE", Fmt(1, 1, 8000, 12, 2, 16000) + Chunk("data", "xx")),
        WavError::BadFormat);
    bad("block not the sample size",
        Riff("WAVE", Fmt(1, 2, 8000, 16, 2, 16000) + Chunk("data", "xx")), WavError::BadFormat);
    bad("rate of 0", Riff("WAVE", Fmt(1, 1, 0, 16, 2, 0) + Chunk("data", "xx")),
        WavError::BadFormat);
    bad("fmt cut short", Riff("WAVE", Pcm(1, 8000, 16)).chopped(3), WavError::Truncated);
    bad("no data chunk", Riff("WAVE", Pcm(1, 8000, 16)), WavError::Truncated);
}

void TestSoundCommands::waveHeader()
{
    QFETCH(QByteArray, head);
    QFETCH(qint64, fileSize);
    const WavInfo info = ReadWavInfo(head, fileSize < 0 ? head.size() : fileSize);
    QTEST(int(info.error), "error");
    if (!info.ok())
        return;
    QTEST(int(info.encoding), "encoding");
    QTEST(info.channels, "channels");
    QTEST(info.frames, "frames");
    QFETCH(double, seconds);
    QVERIFY(std::abs(info.seconds - seconds) < 1e-9);
    QVERIFY(info.dataOffset + info.dataBytes <= (fileSize < 0 ? head.size() : fileSize));
}

QTEST_GUILESS_MAIN(TestSoundCommands)
#include "tst_sound_commands.moc"
