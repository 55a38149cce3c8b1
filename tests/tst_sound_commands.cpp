// SPDX-License-Identifier: GPL-3.0-or-later
// The sound module's command strings, their reading, and the interpreter's
// handling of devices, over a mixer that only records what it is asked.

#include "companion/SysWait.h"
#include "sound/MciCommand.h"
#include "sound/MciInterpreter.h"
#include "sound/mdlSndAPI.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <map>

namespace {

// A mixer that decodes every file whose name does not contain "broken" and
// plays each sound for as many questions as `length` says.
class RecordingMixer final : public MixerBackend {
public:
    QStringList calls;
    int length = 0;
    std::map<Voice, int> left; // questions until the sound has ended

    QString DriverName() const override { return QStringLiteral("recording"); }
    Format OutputFormat() const override { return {48000, 2, 512}; }
    Voice OpenFile(const QString& path) override
    {
        calls << QStringLiteral("open ") + QFileInfo(path).fileName();
        return path.contains(u"broken") ? kNoVoice : next++;
    }
    void Play(Voice v) override
    {
        calls << QStringLiteral("play %1").arg(v);
        left[v] = length;
    }
    void Stop(Voice v) override
    {
        calls << QStringLiteral("stop %1").arg(v);
        left[v] = 0;
    }
    bool IsPlaying(Voice v) const override
    {
        auto& n = const_cast<RecordingMixer*>(this)->left[v];
        return n > 0 && n--;
    }
    void Close(Voice v) override
    {
        calls << QStringLiteral("close %1").arg(v);
        left.erase(v);
    }
    void SetPostMixTap(PostMixTap) override {}

private:
    Voice next = 0;
};

// Replaces the program's wait while alive, recording the waits asked for.
struct WaitRecorder {
    QList<int> waits;
    std::function<void(int)> previous;
    WaitRecorder()
    {
        previous = ltm4::SetWaitOverride([this](int ms) { waits << ms; });
    }
    ~WaitRecorder() { ltm4::SetWaitOverride(previous); }
};

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
    void blockingPlayPausesDelayAfterwards_data();
    void blockingPlayPausesDelayAfterwards();
    void parse_data();
    void parse();
    void interpreterDevices();
    void blockingPlayWaitsForTheEnd();
    void waitUntilUnderOverride();
};

// Every command SndPlay sends for a file, as sent; "%1" is the quoted path.
void TestSoundCommands::commands_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("sync");
    QTest::addColumn<int>("openResult");
    QTest::addColumn<QStringList>("sent");

    const QString close = QStringLiteral("close 517S2");
    const QStringList async{QStringLiteral("stop 517S2"), QStringLiteral("play 517S2 from 0")};
    const QStringList sync{QStringLiteral("play 517S2 from 0 wait")};
    const auto open = [](const char* device) {
        return QStringLiteral("open %1 type ") + QLatin1String(device) +
               QStringLiteral(" alias 517S2 wait");
    };
    QTest::newRow("wav") << "tone.wav" << 0 << 0 << (QStringList{close, open("waveaudio")} + async);
    QTest::newRow("mp3") << "tone.mp3" << 0 << 0 << (QStringList{close, open("mpegvideo")} + async);
    QTest::newRow("Mp3") << "tone.Mp3" << 0 << 0 << (QStringList{close, open("mpegvideo")} + async);
    QTest::newRow("mid") << "tone.mid" << 0 << 0 << (QStringList{close, open("sequencer")} + async);
    QTest::newRow("sync -1") << "tone.wav" << -1 << 0
                             << (QStringList{close, open("waveaudio")} + sync);
    QTest::newRow("sync 1") << "tone.mid" << 1 << 0
                            << (QStringList{close, open("sequencer")} + sync);
    // Only the last three characters count: these close the channel and stop.
    QTest::newRow(".wave") << "tone.wave" << 0 << 0 << QStringList{close};
    QTest::newRow(".ogg") << "tone.ogg" << 0 << 0 << QStringList{close};
    // A failed open ends the call.
    QTest::newRow("open fails") << "tone.wav" << 0 << 263 << QStringList{close, open("waveaudio")};
    QTest::newRow("open fails, sync")
        << "tone.mp3" << -1 << 1 << QStringList{close, open("mpegvideo")};
    QTest::newRow("blanks and Japanese")
        << "発車 チャイム 1.wav" << 0 << 0 << (QStringList{close, open("waveaudio")} + async);
}

void TestSoundCommands::commands()
{
    QFETCH(QString, name);
    QFETCH(int, sync);
    QFETCH(int, openResult);
    QFETCH(QStringList, sent);

    const QString path = file(name);
    QStringList got;
    mdlSndAPI snd(QStringLiteral("517"), [&](const QString& c) {
        got << c;
        return c.startsWith(u"open ") ? openResult : 0;
    });
    WaitRecorder waits;
    snd.SndPlay(path, QStringLiteral("S2"), qint16(sync), 0);

    for (QString& s : sent)
        s.replace(QStringLiteral("%1"), u'"' + path + u'"');
    QCOMPARE(got, sent);
    QVERIFY(waits.waits.isEmpty());
}

void TestSoundCommands::aliasesAndWhatIsNotPlayed()
{
    QStringList got;
    mdlSndAPI snd(QStringLiteral("my board"), [&](const QString& c) {
        got << c;
        return 1; // results are not looked at but for the open
    });
    // No file, no command; a folder is not a sound file, whatever its name.
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.wav")));
    for (const QString& name : {QString(), m_dir.filePath(QStringLiteral("missing.wav")),
                                m_dir.filePath(QStringLiteral("folder.wav"))})
        snd.SndPlay(name, QStringLiteral("S1"), 0, 0);
    QCOMPARE(got, QStringList());

    // The alias is the base name and the channel.
    snd.SndPlay(file(QStringLiteral("a.wav")), QStringLiteral("S3"), 0, 0);
    QCOMPARE(got.value(0), QStringLiteral("close my boardS3"));
    QVERIFY(got.value(1).endsWith(u"\" type waveaudio alias my boardS3 wait"));
    got.clear();
    snd.SndCloseAll();
    QCOMPARE(got, (QStringList{"close my boardS1", "close my boardS2", "close my boardS3",
                               "close my boardS4"}));
}

void TestSoundCommands::blockingPlayPausesDelayAfterwards_data()
{
    QTest::addColumn<int>("sync");
    QTest::addColumn<int>("delay");
    QTest::addColumn<QList<int>>("waits");
    QTest::newRow("sync, 40 ms") << -1 << 40 << QList<int>{40};
    QTest::newRow("sync, no delay") << -1 << 0 << QList<int>{};
    // A negative delay is no pause at all, not one of days.
    QTest::newRow("sync, negative") << -1 << -5 << QList<int>{};
    // In the background the delay is not used.
    QTest::newRow("async, 40 ms") << 0 << 40 << QList<int>{};
}

void TestSoundCommands::blockingPlayPausesDelayAfterwards()
{
    QFETCH(int, sync);
    QFETCH(int, delay);
    QFETCH(QList<int>, waits);
    QStringList got;
    WaitRecorder recorder;
    mdlSndAPI snd(QStringLiteral("517"), [&](const QString& c) {
        got << c + QStringLiteral(" @%1").arg(recorder.waits.size());
        return 0;
    });
    snd.SndPlay(file(QStringLiteral("d.wav")), QStringLiteral("S2"), qint16(sync), qint16(delay));
    QCOMPARE(recorder.waits, waits);
    // The pause comes after the play, never before it.
    QVERIFY(got.last().endsWith(u" @0"));
}

void TestSoundCommands::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("verb");
    QTest::addColumn<QString>("alias");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("wait");
    QTest::addColumn<bool>("fromStart");

    const int ok = int(MciParseError::None);
    const int open = int(MciVerb::Open);
    const int wave = int(MciDeviceType::WaveAudio);
    QTest::newRow("open") << "open \"/s/a.wav\" type waveaudio alias 517S1 wait" << ok << open
                          << "517S1"
                          << "/s/a.wav" << wave << true << false;
    QTest::newRow("open mp3, no wait")
        << "open \"/s/a.mp3\" type mpegvideo alias X" << ok << open << "X"
        << "/s/a.mp3" << int(MciDeviceType::MpegVideo) << false << false;
    QTest::newRow("open, keywords in capitals")
        << "OPEN \"/s/a.mid\" TYPE Sequencer ALIAS 517S3 WAIT" << ok << open << "517S3"
        << "/s/a.mid" << int(MciDeviceType::Sequencer) << true << false;
    QTest::newRow("open, blanks and Japanese")
        << "open \"/home/利用者/音 ファイル/発車 1.wav\" type waveaudio alias 517S2 wait" << ok
        << open << "517S2"
        << "/home/利用者/音 ファイル/発車 1.wav" << wave << true << false;
    QTest::newRow("open, quote inside the name")
        << "open \"/s/say \"hi\".wav\" type waveaudio alias A wait" << ok << open << "A"
        << "/s/say \"hi\".wav" << wave << true << false;
    // A program renamed with a quote in its name puts one in every alias.
    QTest::newRow("open, quote inside the alias")
        << "open \"/s/a.wav\" type waveaudio alias 5\"17S1 wait" << ok << open << "5\"17S1"
        << "/s/a.wav" << wave << true << false;
    QTest::newRow("open, unquoted") << "open /s/a.wav type waveaudio alias A" << ok << open << "A"
                                    << "/s/a.wav" << wave << false << false;
    QTest::newRow("play from 0 wait")
        << "play 517S2 from 0 wait" << ok << int(MciVerb::Play) << "517S2"
        << "" << wave << true << true;
    QTest::newRow("play") << "play 517S2" << ok << int(MciVerb::Play) << "517S2"
                          << "" << wave << false << false;
    QTest::newRow("stop") << "stop 517S2" << ok << int(MciVerb::Stop) << "517S2"
                          << "" << wave << false << false;
    QTest::newRow("close, extra blanks")
        << "  close   517S4  " << ok << int(MciVerb::Close) << "517S4"
        << "" << wave << false << false;

    const auto bad = [](const char* row, const char* text, MciParseError e) {
        QTest::newRow(row) << QString::fromUtf8(text) << int(e) << 0 << ""
                           << "" << 0 << false << false;
    };
    bad("empty", "   ", MciParseError::Empty);
    bad("unknown verb", "pause 517S1", MciParseError::UnknownVerb);
    bad("close without alias", "close", MciParseError::MissingAlias);
    bad("open without path", "open", MciParseError::MissingPath);
    bad("open, empty quotes", "open \"\" type waveaudio alias A", MciParseError::MissingPath);
    bad("open, unterminated", "open \"/s/a.wav type waveaudio alias A",
        MciParseError::UnterminatedQuote);
    bad("open without type", "open \"/s/a.wav\" alias A", MciParseError::MissingType);
    bad("open, unknown type", "open \"/s/a.ogg\" type vorbis alias A", MciParseError::UnknownType);
    bad("open without alias", "open \"/s/a.wav\" type waveaudio", MciParseError::MissingAlias);
    bad("open, glued after quote", "open \"/s/a.wav\"type waveaudio alias A",
        MciParseError::UnknownKeyword);
    bad("play from 5", "play A from 5", MciParseError::BadPosition);
    bad("play from nothing", "play A from", MciParseError::BadPosition);
    bad("stop from 0", "stop A from 0", MciParseError::UnknownKeyword);
    bad("wait twice", "play A wait wait", MciParseError::UnknownKeyword);
    bad("unknown word", "close A now", MciParseError::UnknownKeyword);
}

void TestSoundCommands::parse()
{
    QFETCH(QString, text);
    QFETCH(int, error);
    const MciParseResult r = ParseMciCommand(text);
    QCOMPARE(int(r.error), error);
    if (!r.ok())
        return;
    QFETCH(int, verb);
    QFETCH(QString, alias);
    QFETCH(QString, path);
    QFETCH(int, type);
    QFETCH(bool, wait);
    QFETCH(bool, fromStart);
    QCOMPARE(int(r.command.verb), verb);
    QCOMPARE(r.command.alias, alias);
    QCOMPARE(r.command.path, path);
    if (r.command.verb == MciVerb::Open)
        QCOMPARE(int(r.command.type), type);
    QCOMPARE(r.command.wait, wait);
    QCOMPARE(r.command.fromStart, fromStart);
}

void TestSoundCommands::interpreterDevices()
{
    auto owned = std::make_unique<RecordingMixer>();
    RecordingMixer& mixer = *owned;
    MciInterpreter mci(std::move(owned));
    const QString a = file(QStringLiteral("a.wav"));
    const QString broken = file(QStringLiteral("broken.wav"));
    const auto open = [](const QString& path, const char* alias) {
        return QStringLiteral("open \"%1\" type waveaudio alias %2 wait").arg(path, alias);
    };

    QCOMPARE(mci.SendString(QStringLiteral("close 517S1")), int(MciInterpreter::UnknownAlias));
    QCOMPARE(mci.SendString(QStringLiteral("play 517S1 from 0")),
             int(MciInterpreter::UnknownAlias));
    QCOMPARE(mci.SendString(QStringLiteral("launch 517S1")), int(MciInterpreter::Unrecognized));
    QCOMPARE(mci.SendString(open(m_dir.filePath(QStringLiteral("none.wav")), "517S1")),
             int(MciInterpreter::FileNotFound));
    QCOMPARE(mci.SendString(open(broken, "517S1")), int(MciInterpreter::CannotDecode));
    QVERIFY(!mci.IsOpen(QStringLiteral("517S1")));

    QCOMPARE(mci.SendString(open(a, "517S1")), 0);
    QCOMPARE(mci.SendString(open(a, "517s1")), int(MciInterpreter::AliasInUse));
    QCOMPARE(mci.SendString(open(a, "517S2")), 0);
    QCOMPARE(mci.SendString(QStringLiteral("play 517S1 from 0")), 0);
    QCOMPARE(mci.SendString(QStringLiteral("STOP 517s1")), 0);
    QCOMPARE(mci.SendString(QStringLiteral("close 517S1")), 0);
    QVERIFY(!mci.IsOpen(QStringLiteral("517S1")));
    QVERIFY(mci.IsOpen(QStringLiteral("517S2")));
    QCOMPARE(mixer.calls, (QStringList{"open broken.wav", "open a.wav", "open a.wav", "play 0",
                                       "stop 0", "close 0"}));
}

void TestSoundCommands::blockingPlayWaitsForTheEnd()
{
    auto owned = std::make_unique<RecordingMixer>();
    RecordingMixer& mixer = *owned;
    mixer.length = 7;
    MciInterpreter mci(std::move(owned));
    mdlSndAPI snd(QStringLiteral("517"), [&](const QString& c) { return mci.SendString(c); });
    WaitRecorder waits;
    // What the module sends, the interpreter reads back, quotes in the name and all.
    snd.SndPlay(file(u"バス 停 \"案内\".wav"_qs), QStringLiteral("S2"), -1, 0);
    QCOMPARE(mixer.calls.value(0), u"open バス 停 \"案内\".wav"_qs);
    // One short wait per time the sound was still playing; it has ended now.
    QCOMPARE(waits.waits.size(), 7);
    QVERIFY(!mixer.IsPlaying(0));

    // In the background nothing waits; a missing file leaves the sound be.
    mixer.length = 100;
    snd.SndPlay(file(QStringLiteral("w.wav")), QStringLiteral("S2"), 0, 0);
    QCOMPARE(waits.waits.size(), 7);
    snd.SndPlay(m_dir.filePath(QStringLiteral("gone.wav")), QStringLiteral("S2"), 0, 0);
    QCOMPARE(mixer.left.at(1), 100);
    // An ending the module does not play closes the channel.
    snd.SndPlay(file(QStringLiteral("w.wave")), QStringLiteral("S2"), 0, 0);
    QVERIFY(!mci.IsOpen(QStringLiteral("517S2")));
    QCOMPARE(mixer.calls.last(), QStringLiteral("close 1"));
}

void TestSoundCommands::waitUntilUnderOverride()
{
    WaitRecorder waits;
    int asked = 0;
    ltm4::WaitUntil([&] { return ++asked > 3; });
    QCOMPARE(asked, 4);
    QCOMPARE(waits.waits.size(), 3);
    for (int ms : waits.waits)
        QVERIFY(ms > 0 && ms <= 20);
    // Already done: no wait at all.
    ltm4::WaitUntil([] { return true; });
    QCOMPARE(waits.waits.size(), 3);
}

QTEST_GUILESS_MAIN(TestSoundCommands)
#include "tst_sound_commands.moc"
