// SPDX-License-Identifier: GPL-3.0-or-later
// The announcement list and the tape: reading tp.csv, reading lists, the tape
// position, the chimes before entries and the calls into the speech engine.
#include "sound/ReadingList.h"
#include "sound/SpeechCache.h"
#include "sound/SpeechText.h"
#include "sound/TapeData.h"
#include "sound/mdlM_Tape.h"

#include "companion/LTM4Res.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The last element, or an empty one when there is none: a test that finds
// nothing fails its comparison instead of crashing and hiding the tests after it.
template <typename List> typename List::value_type Last(const List& list)
{
    return list.isEmpty() ? typename List::value_type{} : list.last();
}

QByteArray Cp932(const QString& s)
{
    return ltm4::ToCp932(s);
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Records what the tape asks of its engine.
class FakeEngine final : public SpeechEngine {
public:
    QStringList* calls;
    qint32 status = kSpeaking;
    bool available = true;

    explicit FakeEngine(QStringList* log) : calls(log) {}
    QString Name() const override { return u"fake"_qs; }
    bool Available() const override { return available; }
    void SetVoiceSettings(const VoiceSettings&) override {}
    void SetReadings(std::shared_ptr<const ReadingList> r) override { readings = std::move(r); }
    // Logged as heard: with the readings put in.
    void Speak(const QString& text) override
    {
        *calls << u"speak:"_qs + (readings ? readings->Apply(text) : text);
    }
    void Prepare(const QStringList& texts) override { prepared << texts; }
    QList<QStringList> prepared;
    std::shared_ptr<const ReadingList> readings;
    void Stop() override { *calls << u"stop"_qs; }
    qint32 Status() const override { return status; }
};

struct Tape {
    QStringList engine; // stop / speak:text
    QStringList sounds; // channel path sync
    QStringList group;  // caption enabled / controls
    mdlM_Tape::PreSoundOptions options;
    QString os = u"Debian GNU/Linux 12 (bookworm)"_qs;
    qint32 engineStatus = SpeechEngine::kSpeaking;
    bool engineWorks = true;
    std::atomic<int> created = 0;
    // Engine making waits for this when set, as a slow machine would.
    QSemaphore* slowMaking = nullptr;
    mdlM_Tape tape{hooks()};
    QTemporaryDir dir;

    // TapeInit, and the engine known.
    bool init()
    {
        tape.TapeInit();
        return QTest::qWaitFor([this] { return tape.EngineKnown(); }, 5000);
    }

    QString folder() const { return dir.path() + u'/'; }
    // Writes the route's announcement list and loads the route.
    void load(const QByteArray& list, const QString& key = u"1"_qs)
    {
        Write(folder() + key + u"tp.csv"_qs, list);
        tape.TapeLoad(folder(), key);
    }

    mdlM_Tape::Hooks hooks()
    {
        mdlM_Tape::Hooks h;
        h.GetOsInfo = [this] { return os; };
        h.CreateEngine = [this]() -> std::unique_ptr<SpeechEngine> {
            if (slowMaking)
                slowMaking->tryAcquire(1, 10000);
            ++created;
            auto e = std::make_unique<FakeEngine>(&engine);
            e->status = engineStatus;
            e->available = engineWorks;
            return e;
        };
        h.PreSound = [this] { return options; };
        h.SndPlay = [this](const QString& p, const QString& c, qint16 sync, qint16 delay) {
            sounds << u"%1 %2 %3 %4"_qs.arg(c, p).arg(sync).arg(delay);
        };
        h.SetGroup = [this](const QString& caption, bool enabled) {
            group << caption + (enabled ? u" on"_qs : u" off"_qs);
        };
        h.EnableControls = [this] { group << u"controls"_qs; };
        return h;
    }
};

// n entries "案内i", marked with step flag i % 2 and chime flag i % 4.
QByteArray Lines(int n)
{
    QString text;
    for (int i = 1; i <= n; ++i)
        text += u"\"案内%1\",%2,%3\r\n"_qs.arg(i).arg(i % 2).arg(i % 4);
    return Cp932(text);
}

// Readings as the list first put them in: at each position the longest
// written form that starts there, tried entry by entry. The oracle for Apply.
QString ApplyOneByOne(const ReadingList& list, const QString& text)
{
    QList<ReadingList::Entry> entries = list.Entries();
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.written.size() > b.written.size();
    });
    QString out;
    qsizetype at = 0;
    while (at < text.size()) {
        const ReadingList::Entry* hit = nullptr;
        for (const ReadingList::Entry& e : entries) {
            if (QStringView(text).mid(at).startsWith(e.written)) {
                hit = &e;
                break;
            }
        }
        if (hit) {
            out += hit->reading;
            at += hit->written.size();
        } else {
            out += text[at++];
        }
    }
    return out;
}

// Random text over a few letters, so that forms overlap and repeat often.
QString RandomText(QRandomGenerator& g, qsizetype length, int letters)
{
    QString s;
    for (qsizetype i = 0; i < length; ++i)
        s += QChar(char16_t(u'あ' + g.bounded(letters)));
    return s;
}

} // namespace

class TestTape : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void findsTheList();
    void initTellsWhetherSpeechWorks_data();
    void initTellsWhetherSpeechWorks();
    void positionStaysOnTheTape();
    void chimes_data();
    void chimes();
    void speakAndStop();
    void listHeldInMemory();
    void handsTheTapeAheadInOrder();
    void engineArrivesLate_data();
    void engineArrivesLate();
    void releasedWhileTheEngineIsMade();
    void readings_data();
    void readings();
    void readingFilesRouteWins();
    void readingsAsBefore();
    void readingsInLinearTime();
    void sentenceCache_data();
    void sentenceCache();
    void sentences_data();
    void sentences();
    void wavSamples_data();
    void wavSamples();
    void gainClips();
    void trimSilence_data();
    void trimSilence();
};

void TestTape::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");    // -1: refused
    QTest::addColumn<QString>("text"); // of the last entry
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("pre");

    const auto row = [](const char* name, const QString& s, int n, const QString& t = {}, int a = 0,
                        int b = 0) { QTest::newRow(name) << Cp932(s) << n << t << a << b; };
    const QString quoted = u"\"次は、市役所前,本庁舎です～①\",1,2\r\n"_qs;
    row("quoted comma", quoted, 1, u"次は、市役所前,本庁舎です～①"_qs, 1, 2);
    QTest::newRow("UTF-8") << quoted.toUtf8() << 1 << u"次は、市役所前,本庁舎です～①"_qs << 1 << 2;
    QTest::newRow("UTF-8 with BOM")
        << "\xEF\xBB\xBF" + quoted.toUtf8() << 1 << u"次は、市役所前,本庁舎です～①"_qs << 1 << 2;
    row("plain", u"発車します,0,0\n"_qs, 1, u"発車します"_qs, 0, 0);
    row("no final break", u"a,1,1\r\nb,0,3"_qs, 2, u"b"_qs, 0, 3);
    row("blanks around", u"  \"x\" ,  -1 , 32767 \r\n"_qs, 1, u"x"_qs, -1, 32767);
    row("empty text", u"\"\",1,0\n"_qs, 1, {}, 1, 0);
    row("missing field", u"a,1\r\n"_qs, -1);
    row("text only", u"\"a\"\r\n"_qs, -1);
    row("extra field", u"a,1,2,3\r\n"_qs, -1);
    row("non-numeric", u"a,x,1\r\n"_qs, -1);
    row("beyond 16 bits", u"a,1,40000\r\n"_qs, -1);
    row("unclosed quote", u"\"a,1,1\r\n"_qs, -1);
    row("junk after quote", u"\"a\"b,1,1\r\n"_qs, -1);
    row("bad line late", u"a,1,1\r\nb,1,1\r\nc,1\r\n"_qs, -1);
    row("blank line inside", u"a,1,1\r\n\r\nb,1,1\r\n"_qs, -1);
    row("empty file", {}, -1);
}

void TestTape::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    const TapeParseResult r = ParseTapeCsv(bytes);
    if (count < 0) {
        QVERIFY(!r.ok());
        QVERIFY(r.entries.isEmpty());
        return;
    }
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.entries.size(), count);
    if (count == 0)
        return;
    QTEST(r.entries.last().TapeText, "text");
    QTEST(int(r.entries.last().TapeStepFlag), "step");
    QTEST(int(r.entries.last().TapePreFlag), "pre");
}

void TestTape::findsTheList()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    QVERIFY(FindTapeFile(folder, u"7"_qs).isEmpty());
    QVERIFY(Write(folder + u"7Tp.csv"_qs, "a,0,0\r\n"));
    QCOMPARE(FindTapeFile(folder, u"7"_qs), folder + u"7Tp.csv"_qs);
    QVERIFY(Write(folder + u"7tp.csv"_qs, "a,0,0\r\n"));
    QCOMPARE(FindTapeFile(folder, u"7"_qs), folder + u"7tp.csv"_qs);
    // A folder of that name is no list.
    QVERIFY(QDir(folder).mkdir(u"8tp.csv"_qs));
    QVERIFY(FindTapeFile(folder, u"8"_qs).isEmpty());
    // An empty folder is the working folder.
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder));
    Tape t;
    QVERIFY(t.init());
    t.tape.TapeLoad({}, u"7"_qs);
    QDir::setCurrent(before);
    QCOMPARE(t.tape.GetTapeCount(), 1);
}

void TestTape::initTellsWhetherSpeechWorks_data()
{
    QTest::addColumn<QString>("os");
    QTest::addColumn<bool>("works");
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("available");
    const QString debian = u"Debian GNU/Linux 12 (bookworm)"_qs;
    QTest::newRow("engine") << debian << true << u"音合使用可 on"_qs << -1;
    QTest::newRow("no engine") << debian << false << u"音合使用不可 off"_qs << 0;
    QTest::newRow("vista") << u"Windows Vista"_qs << true << u"音合使用不可 off"_qs << 0;
}

void TestTape::initTellsWhetherSpeechWorks()
{
    QFETCH(QString, os);
    QFETCH(bool, works);
    QFETCH(QString, group);
    Tape t;
    t.os = os;
    t.engineWorks = works;
    QVERIFY(t.init());
    QCOMPARE(t.group, QStringList{group});
    QTEST(int(t.tape.VoiceAvailable()), "available");
    const bool vista = os == u"Windows Vista"_qs;
    QCOMPARE(t.tape.Engine() != nullptr, works && !vista);
    t.group.clear();
    t.load(Lines(3));
    if (vista) {
        // Route sets leave the tape alone.
        QVERIFY(t.group.isEmpty());
        QCOMPARE(t.tape.GetTapeCount(), 0);
        QCOMPARE(t.created.load(), 0);
        return;
    }
    QCOMPARE(t.tape.GetTapeCount(), 3);
    QCOMPARE(t.group, works ? QStringList{u"controls"_qs} : QStringList{});
    // Without an engine the buttons, if ever reached, speak nothing.
    t.tape.TapeNext();
    QCOMPARE(t.engine.size(), works ? 2 : 0);
}

void TestTape::positionStaysOnTheTape()
{
    Tape t;
    t.options.PreSoundAlways = true;
    t.options.PreSound = u"pre.wav"_qs;
    QVERIFY(t.init());
    t.load(Lines(5));
    t.tape.TapeNext();
    t.tape.TapeNext();
    // Another list starts from its beginning, with its own flags.
    t.load(Lines(3), u"3"_qs);
    QCOMPARE(t.tape.GetTapeCount(), 3);
    QCOMPARE(t.tape.GetTapeIndex(), 0);
    for (int i = 0; i <= 4; ++i) {
        QCOMPARE(int(t.tape.GetTapeStepFlag(i)), i >= 1 && i <= 3 ? i % 2 : 0);
        QCOMPARE(int(t.tape.GetTapePreFlag(i)), i >= 1 && i <= 3 ? i : 0);
    }
    t.engine.clear();
    t.sounds.clear();
    // Back before the first entry: position 1, silence.
    t.tape.TapeBack();
    QCOMPARE(t.tape.GetTapeIndex(), 1);
    QVERIFY(t.engine.isEmpty() && t.sounds.isEmpty());
    // Past the last entry: it stays there, silent.
    for (int i = 0; i < 4; ++i)
        t.tape.TapeNext();
    QCOMPARE(t.tape.GetTapeIndex(), 3);
    QCOMPARE(t.sounds.size(), 2);
    QCOMPARE(t.engine.filter(u"speak:"_qs), (QStringList{u"speak:案内2"_qs, u"speak:案内3"_qs}));
    for (int i = 0; i < 3; ++i)
        t.tape.TapeBack();
    QCOMPARE(t.tape.GetTapeIndex(), 1);
    QCOMPARE(t.engine.filter(u"speak:"_qs).mid(2),
             (QStringList{u"speak:案内2"_qs, u"speak:案内1"_qs}));

    // A route without a list: the group is disabled, and nothing of the
    // previous route is left to speak should it be enabled again.
    t.group.clear();
    t.engine.clear();
    t.sounds.clear();
    t.tape.TapeLoad(t.folder(), u"2"_qs);
    QCOMPARE(t.group, QStringList{u"音合使用可 off"_qs});
    QCOMPARE(t.tape.GetTapeCount(), 0);
    t.tape.TapeNext();
    t.tape.TapeBack();
    QVERIFY(t.engine.isEmpty());
    QVERIFY(t.sounds.isEmpty());
}

void TestTape::chimes_data()
{
    QTest::addColumn<bool>("always");
    QTest::addColumn<int>("sync");
    QTest::addColumn<int>("flag");
    QTest::addColumn<QString>("next"); // the sound played before entry 1 by 送り
    QTest::addColumn<QString>("back"); // and by 戻し coming back to it from entry 2

    QTest::newRow("flag 1") << false << -1 << 1 << u"S3 f1.wav -1 0"_qs << u"S2 f1.wav -1 0"_qs;
    QTest::newRow("flag 3") << false << 0 << 3 << u"S3 f3.mid 0 0"_qs << u"S2 f3.mid 0 0"_qs;
    QTest::newRow("flag 0") << false << 0 << 0 << QString() << QString();
    QTest::newRow("flag 4") << false << 0 << 4 << QString() << QString();
    QTest::newRow("always, flag 0") << true << -1 << 0 << u"S3 pre.wav -1 0"_qs << QString();
    QTest::newRow("always, flag 2")
        << true << 0 << 2 << u"S3 pre.wav 0 0"_qs << u"S2 f2.wav 0 0"_qs;
}

void TestTape::chimes()
{
    QFETCH(bool, always);
    QFETCH(int, sync);
    QFETCH(int, flag);
    QFETCH(QString, next);
    QFETCH(QString, back);
    Tape t;
    t.options.PreSoundAlways = always;
    t.options.PreSoundSync = qint16(sync);
    t.options.PreSound = u"pre.wav"_qs;
    t.options.PreSoundFlag = {u"unused.wav"_qs, u"f1.wav"_qs, u"f2.wav"_qs, u"f3.mid"_qs};
    QVERIFY(t.init());
    t.load(Cp932(u"\"一\",0,%1\r\n\"二\",0,0\r\n"_qs.arg(flag)));

    t.tape.TapeNext();
    QCOMPARE(t.sounds, next.isEmpty() ? QStringList{} : QStringList{next});
    QCOMPARE(t.engine, (QStringList{u"stop"_qs, u"speak:一"_qs}));
    t.tape.TapeNext();
    t.sounds.clear();
    t.tape.TapeBack();
    QCOMPARE(t.sounds, back.isEmpty() ? QStringList{} : QStringList{back});
}

void TestTape::speakAndStop()
{
    Tape t;
    t.engineStatus = SpeechEngine::kFailed;
    QVERIFY(t.init());
    t.load(Lines(1));
    // Speaking stops what went before, and stops again after a failure.
    t.tape.TapeSpeak(1);
    QCOMPARE(t.engine, (QStringList{u"stop"_qs, u"speak:案内1"_qs, u"stop"_qs}));
    t.engine.clear();
    t.tape.TapeSpeak(2); // no such entry
    QVERIFY(t.engine.isEmpty());
    // Stop is the engine's stop, at any time; released, there is none.
    t.tape.TapeStop();
    QCOMPARE(t.engine, QStringList{u"stop"_qs});
    t.tape.TapeRelease();
    QVERIFY(!t.tape.Engine());
    t.tape.TapeSpeak(1);
    t.tape.TapeStop();
    QCOMPARE(t.engine, QStringList{u"stop"_qs});
}

void TestTape::listHeldInMemory()
{
    // The route editor's list, not saved: loaded as a file's would be.
    Tape t;
    QVERIFY(t.init());
    t.load(Lines(3));
    ReadingList readings;
    readings.Add(u"緑町"_qs, u"みどりちょう"_qs);
    t.tape.TapeLoadList({{u"次は緑町です。"_qs, 1, 0}, {u"終点です。"_qs, 0, 2}}, readings);
    QCOMPARE(t.tape.GetTapeCount(), 2);
    QCOMPARE(t.tape.GetTapeIndex(), 0);
    QCOMPARE(t.tape.GetTapeStepFlag(1), qint16(1));
    QCOMPARE(t.tape.GetTapePreFlag(2), qint16(2));
    QCOMPARE(t.tape.SpokenText(u"緑町"_qs), u"みどりちょう"_qs);
    // An empty list is a route without announcements: the group goes off.
    t.group.clear();
    t.tape.TapeLoadList({}, {});
    QCOMPARE(t.tape.GetTapeCount(), 0);
    QCOMPARE(Last(t.group), u"音合使用可 off"_qs);
}

void TestTape::handsTheTapeAheadInOrder()
{
    Tape t;
    QVERIFY(t.init());
    auto* engine = static_cast<FakeEngine*>(t.tape.Engine());
    QVERIFY(Write(t.folder() + u"1yomi.csv"_qs, u"案内2,あんない2\n"_qs.toUtf8()));
    t.load(Lines(3));
    // The whole tape, soonest wanted first, and the route's readings with it.
    QCOMPARE(Last(engine->prepared), (QStringList{u"案内1"_qs, u"案内2"_qs, u"案内3"_qs}));
    QCOMPARE(engine->readings->Apply(u"案内2"_qs), u"あんない2"_qs);
    // After each entry: what 送り reaches next, then this one and what 戻し does.
    t.tape.TapeNext();
    QCOMPARE(Last(engine->prepared), (QStringList{u"案内2"_qs, u"案内3"_qs, u"案内1"_qs}));
    t.tape.TapeNext();
    t.tape.TapeNext();
    QCOMPARE(Last(engine->prepared), (QStringList{u"案内3"_qs, u"案内2"_qs, u"案内1"_qs}));
    const qsizetype handed = engine->prepared.size();
    t.tape.TapeNext(); // past the end: nothing new
    QCOMPARE(engine->prepared.size(), handed);
    t.tape.TapeBack();
    QCOMPARE(Last(engine->prepared), (QStringList{u"案内3"_qs, u"案内2"_qs, u"案内1"_qs}));
    // A route without a list leaves nothing of the last one to make.
    t.tape.TapeLoad(t.folder(), u"2"_qs);
    QVERIFY(Last(engine->prepared).isEmpty());
}

void TestTape::engineArrivesLate_data()
{
    QTest::addColumn<bool>("withList");
    QTest::addColumn<QStringList>("group");
    QTest::newRow("route with a list") << true << QStringList{u"音合使用可 on"_qs, u"controls"_qs};
    QTest::newRow("route without")
        << false << QStringList{u"音合使用不可 off"_qs, u"音合使用可 off"_qs};
}

void TestTape::engineArrivesLate()
{
    QFETCH(bool, withList);
    QFETCH(QStringList, group);
    QSemaphore making;
    Tape t;
    t.slowMaking = &making;
    QVERIFY(Write(t.folder() + u"1yomi.csv"_qs, u"案内1,あんない1\n"_qs.toUtf8()));
    // TapeInit returns while the engine is still being made.
    QElapsedTimer took;
    took.start();
    t.tape.TapeInit();
    QVERIFY2(took.elapsed() < 1000, qPrintable(QString::number(took.elapsed())));
    QVERIFY(!t.tape.EngineKnown());
    QCOMPARE(t.tape.VoiceAvailable(), qint16(0));
    // A route set meanwhile loads the list but turns nothing on yet.
    if (withList)
        t.load(Lines(2));
    else
        t.tape.TapeLoad(t.folder(), u"1"_qs);
    QCOMPARE(t.tape.GetTapeCount(), withList ? 2 : 0);
    QCOMPARE(t.group, withList ? QStringList{} : QStringList{group.first()});
    making.release();
    QTRY_VERIFY(t.tape.EngineKnown());
    QCOMPARE(t.group, group);
    QCOMPARE(t.tape.VoiceAvailable(), qint16(-1));
    // The engine has the route's readings and its tape.
    auto* engine = static_cast<FakeEngine*>(t.tape.Engine());
    QVERIFY(engine && engine->readings);
    const QList<QStringList> tape{{u"案内1"_qs, u"案内2"_qs}};
    QCOMPARE(engine->prepared, withList ? tape : QList<QStringList>{});
    if (!withList)
        return;
    t.tape.TapeNext();
    QCOMPARE(Last(t.engine), u"speak:あんない1"_qs);
}

void TestTape::releasedWhileTheEngineIsMade()
{
    QSemaphore making;
    Tape t;
    t.slowMaking = &making;
    t.tape.TapeInit();
    making.release();
    t.tape.TapeRelease();
    // The engine made after all is not taken up, nor the group touched.
    QTest::qWait(50);
    QVERIFY(!t.tape.Engine());
    QVERIFY(t.group.isEmpty());
}

void TestTape::readings_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("spoken");
    QTest::addColumn<int>("skipped");

    QTest::newRow("longest first")
        << u"本町,ほんちょう\n本町二丁目,ほんまちにちょうめ\n"_qs.toUtf8() << u"本町二丁目と本町"_qs
        << u"ほんまちにちょうめとほんちょう"_qs << 0;
    QTest::newRow("replacement is not read again")
        << u"港,みなと\nみなと,ミナト\n"_qs.toUtf8() << u"港"_qs << u"みなと"_qs << 0;
    QTest::newRow("comments, blanks, quotes")
        << u"# 表記,読み\n\n\"A,B\",\"えー\"\"びー\"\r\n  市役所 , しやくしょ \n"_qs.toUtf8()
        << u"A,B市役所"_qs << u"えー\"びーしやくしょ"_qs << 0;
    QTest::newRow("bad lines left out")
        << u"ひとつ\n,よみ\n表記,\n\"閉じない,よみ\n緑町,みどりまち\n"_qs.toUtf8() << u"緑町"_qs
        << u"みどりまち"_qs << 4;
    QTest::newRow("later line wins") << u"緑町,みどりちょう\n緑町,みどりまち\n"_qs.toUtf8()
                                     << u"緑町"_qs << u"みどりまち"_qs << 0;
}

void TestTape::readings()
{
    QFETCH(QByteArray, list);
    QFETCH(QString, text);
    int skipped = -1;
    const ReadingList r = ReadingList::Parse(list, &skipped);
    QTEST(r.Apply(text), "spoken");
    QTEST(skipped, "skipped");
}

void TestTape::readingFilesRouteWins()
{
    Tape t;
    QVERIFY(
        Write(t.folder() + u"yomi.csv"_qs, u"緑町,みどりちょう\n港町,みなとまち\n"_qs.toUtf8()));
    QVERIFY(Write(t.folder() + u"31yomi.csv"_qs, Cp932(u"緑町,みどりまち\n"_qs)));
    QVERIFY(t.init());
    t.load(Cp932(u"\"緑町、港町\",0,0\r\n"_qs), u"31"_qs);
    t.tape.TapeNext();
    QCOMPARE(Last(t.engine), u"speak:みどりまち、みなとまち"_qs);
    // Another route sees only the folder's list.
    t.load(Cp932(u"\"緑町\",0,0\r\n"_qs), u"32"_qs);
    t.tape.TapeNext();
    QCOMPARE(Last(t.engine), u"speak:みどりちょう"_qs);
}

void TestTape::readingsAsBefore()
{
    QRandomGenerator g(4711);
    for (int round = 0; round < 3000; ++round) {
        const int letters = 2 + g.bounded(4);
        QString list;
        const int entries = 1 + g.bounded(round % 10 == 0 ? 200 : 12);
        for (int e = 0; e < entries; ++e)
            list += RandomText(g, 1 + g.bounded(6), letters) + u',' + u"<%1>"_qs.arg(e) + u'\n';
        const ReadingList r = ReadingList::Parse(list.toUtf8());
        const QString text = RandomText(g, g.bounded(120), letters + 1);
        const QString want = ApplyOneByOne(r, text);
        QCOMPARE(r.Apply(text), want);
        // A copy shares what the first Apply built; a limit cuts the result.
        const ReadingList copy = r;
        const qsizetype limit = g.bounded(want.size() + 2);
        QCOMPARE(copy.Apply(text, limit), want.left(limit));
    }
}

void TestTape::readingsInLinearTime()
{
    // The most a list may hold, forms that overlap everywhere, against a
    // text far longer than any entry: entry by entry, this took seconds.
    QRandomGenerator g(815);
    QSet<QString> forms;
    while (forms.size() < kReadingMaxEntries)
        forms.insert(RandomText(g, 2 + g.bounded(10), 6));
    QString list;
    for (const QString& f : forms)
        list += f + u",よ\n"_qs;
    const ReadingList r = ReadingList::Parse(list.toUtf8());
    QCOMPARE(r.Entries().size(), kReadingMaxEntries);
    // Mostly what no form starts with, so entry by entry every position
    // went through the whole list.
    QString text;
    while (text.size() < 20000)
        text += QString(g.bounded(1, 40), u'ん') + RandomText(g, 4, 6);
    QElapsedTimer t;
    t.start();
    const QString spoken = r.Apply(text);
    const qint64 ms = t.elapsed();
    QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
    QVERIFY(spoken.count(u'よ') > 500);
}

void TestTape::sentenceCache_data()
{
    // Sentences of n samples in a cache of 6 samples. Steps: "+key n round
    // drop" inserts (drop 1: may drop what the round marked), "?key round"
    // finds; then which keys were refused and which are kept.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("refused"); // keys whose insert failed
    QTest::addColumn<QString>("kept");
    QTest::newRow("least recently used goes")
        << QStringList{u"+a 2 1 1"_qs, u"+b 2 1 1"_qs, u"+c 2 1 1"_qs, u"?a 1"_qs, u"+d 2 1 1"_qs}
        << QString() << u"acd"_qs;
    QTest::newRow("a round keeps its own")
        << QStringList{u"+a 2 1 0"_qs, u"+b 2 2 0"_qs, u"+c 2 2 0"_qs, u"+d 2 2 0"_qs,
                       u"+e 2 2 0"_qs}
        << u"e"_qs << u"bcd"_qs;
    QTest::newRow("found again, marked for the round")
        << QStringList{u"+a 3 1 0"_qs, u"+b 3 1 0"_qs, u"?a 2"_qs, u"+c 3 2 0"_qs} << QString()
        << u"ac"_qs;
    QTest::newRow("a Speak may drop anything")
        << QStringList{u"+a 3 2 0"_qs, u"+b 3 2 0"_qs, u"+c 4 2 1"_qs} << QString() << u"c"_qs;
    QTest::newRow("larger than the whole cache")
        << QStringList{u"+a 2 1 0"_qs, u"+b 7 2 1"_qs} << u"b"_qs << u"a"_qs;
    QTest::newRow("same key again")
        << QStringList{u"+a 4 1 0"_qs, u"+a 5 1 0"_qs} << QString() << u"a"_qs;
}

void TestTape::sentenceCache()
{
    QFETCH(QStringList, steps);
    SpeechCache cache(6 * 2);
    QString refused;
    for (const QString& step : steps) {
        const QStringList f = step.mid(1).split(u' ');
        if (step.startsWith(u'?')) {
            QVERIFY(cache.Find(f[0], f[1].toULongLong()));
            continue;
        }
        auto pcm = std::make_shared<Pcm>();
        pcm->rate = 1000;
        pcm->channels = 1;
        pcm->samples.assign(size_t(f[1].toInt()), 1000);
        if (!cache.Insert(f[0], pcm, f[2].toULongLong(), f[3] == u"1"_qs))
            refused += f[0];
        QVERIFY(cache.Bytes() <= cache.Cap());
    }
    QTEST(refused, "refused");
    QString kept;
    qint64 bytes = 0;
    for (const QString& key : {u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs, u"e"_qs}) {
        if (cache.Contains(key)) {
            kept += key;
            bytes += SpeechCache::SizeOf(*cache.Find(key, 0));
        }
    }
    QTEST(kept, "kept");
    QCOMPARE(cache.Bytes(), bytes);
}

void TestTape::sentences_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("sentences");
    QTest::newRow("two") << u"次は、市役所前です。お降りの方はお知らせください。"_qs
                         << QStringList{u"次は、市役所前です。"_qs,
                                        u"お降りの方はお知らせください。"_qs};
    QTest::newRow("marks and breaks") << u"危ない！止まります?\n発車\r\n"_qs
                                      << QStringList{u"危ない！"_qs, u"止まります?"_qs, u"発車"_qs};
    QTest::newRow("punctuation joins")
        << u"終点です。」。。"_qs << QStringList{u"終点です。」。。"_qs};
    QTest::newRow("blank") << u"  。\n"_qs << QStringList{u"。"_qs};
    QTest::newRow("empty") << QString() << QStringList{};
}

void TestTape::sentences()
{
    QFETCH(QString, text);
    QTEST(SplitSentences(text), "sentences");
    QCOMPARE(KatakanaToHiragana(u"ツギワ、シヤクショマエ・ヴヶABC"_qs),
             u"つぎわ、しやくしょまえ・ゔゖABC"_qs);
}

void TestTape::wavSamples_data()
{
    // A mono 16-bit file of four samples at 16 kHz, then damaged copies.
    const QByteArray good = "RIFF" + QByteArray::fromHex("2c000000") + "WAVEfmt " +
                            QByteArray::fromHex("10000000 0100 0100 803e0000 007d0000 0200 1000") +
                            "data" + QByteArray::fromHex("08000000 0100 ffff 0080 ff7f");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("samples"); // -1: not a wave file
    QTest::newRow("good") << good << 4;
    QByteArray open = good;
    open.replace(40, 4, QByteArray::fromHex("ffffffff")); // size unknown: to the end
    QTest::newRow("unknown size") << open << 4;
    QTest::newRow("cut short") << good.left(good.size() - 3) << 2;
    QTest::newRow("no data") << good.left(36) << -1;
    QTest::newRow("cut in fmt") << good.left(30) << -1;
    QByteArray eight = good;
    eight[34] = 8;
    QTest::newRow("8-bit") << eight << -1;
    QByteArray huge = good;
    huge.replace(16, 4, QByteArray::fromHex("ffffff7f"));
    QTest::newRow("fmt larger than file") << huge << -1;
    // A chunk of odd size is followed by a pad byte that belongs to no chunk.
    QByteArray padded = good;
    padded.insert(36, "LIST" + QByteArray::fromHex("03000000") + "abc" + QByteArray(1, '\0'));
    QTest::newRow("odd chunk, padded") << padded << 4;
    QTest::newRow("cut in the pad byte") << padded.left(36 + 11) << -1;
}

void TestTape::wavSamples()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, samples);
    const Pcm pcm = ParseWavPcm(bytes);
    if (samples < 0) {
        QCOMPARE(pcm.rate, 0);
        QVERIFY(pcm.samples.empty());
        return;
    }
    QCOMPARE(pcm.rate, 16000);
    QCOMPARE(pcm.channels, 1);
    QCOMPARE(int(pcm.samples.size()), samples);
    QCOMPARE(pcm.samples[1], qint16(-1));
}

void TestTape::gainClips()
{
    std::vector<qint16> loud{1000, -20000, 30000};
    ApplyGain(loud, 200);
    QCOMPARE(loud, (std::vector<qint16>{2000, -32768, 32767}));
}

void TestTape::trimSilence_data()
{
    // Frames at 1000 Hz: silence, then speech from `loudFrom` to `loudTo`.
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("loudFrom");
    QTest::addColumn<int>("loudTo");
    QTest::addColumn<int>("kept");
    QTest::addColumn<int>("firstLoudAt");
    QTest::newRow("lead and tail") << 1000 << 400 << 500 << 20 + 100 + 300 << 20;
    QTest::newRow("short lead") << 1000 << 5 << 500 << 5 + 495 + 300 << 5;
    QTest::newRow("short tail") << 600 << 400 << 550 << 20 + 150 + 50 << 20;
    QTest::newRow("all loud") << 100 << 0 << 100 << 100 << 0;
    QTest::newRow("all silent") << 100 << 0 << 0 << 100 << -1;
}

void TestTape::trimSilence()
{
    QFETCH(int, frames);
    QFETCH(int, loudFrom);
    QFETCH(int, loudTo);
    Pcm pcm;
    pcm.rate = 1000;
    pcm.channels = 2;
    pcm.samples.assign(size_t(frames) * 2, 50);
    for (int f = loudFrom; f < loudTo; ++f)
        pcm.samples[size_t(f) * 2 + 1] = qint16(f % 2 ? 5000 : -5000);
    TrimSilence(pcm, 20, 300, 200);
    QTEST(int(pcm.samples.size() / 2), "kept");
    const auto loud = std::find_if(pcm.samples.begin(), pcm.samples.end(),
                                   [](qint16 v) { return std::abs(int(v)) >= 200; });
    QTEST(loud == pcm.samples.end() ? -1 : int(loud - pcm.samples.begin()) / 2, "firstLoudAt");
}

QTEST_GUILESS_MAIN(TestTape)
#include "tst_tape.moc"
