// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file codec, byte for byte against the file's layout.

#include "settings/SettingsCodec.h"

#include <QTest>
#include <QtEndian>

#include <functional>
#include <variant>
#include <vector>

namespace {

enum Kind { I16, I32, Str };
using Ref = std::variant<qint16*, qint32*, QString*>;

// One field of the file: its width, its name and where it lives in the record.
struct Slot {
    Kind kind;
    QString name;
    std::function<Ref(SettingsRecord&)> at;
};

#define F(kind, item, member)                                                                      \
    Slot { kind, #member, [](SettingsRecord& r) -> Ref { return &r.item.member; } }
#define FI(kind, item, member, i)                                                                  \
    Slot { kind, #member "(" #i ")", [](SettingsRecord& r) -> Ref { return &r.item.member[i]; } }

// The file's fields in file order, transcribed from its layout; the codec must match it.
std::vector<Slot> Layout()
{
    std::vector<Slot> t = {
        F(Str, DataDir, FareDataDir),
        F(Str, DataDir, TapeDataDir),
        F(I16, Panel, AutoSeiriNum),
        FI(I32, Panel, SeiriNumColor, 0),
        FI(I32, Panel, SeiriNumColor, 1),
        FI(I32, Panel, SeiriNumColor, 2),
        F(I16, Panel, SeiriNumStyle),
        F(I16, Panel, SeiriNumZero),
        F(I16, Panel, PanelAuto),
        F(I16, Panel, PanelIndividual),
        F(I16, Panel, PanelOffBuiltin),
        F(I16, Panel, PanelOffUser),
        F(I16, Panel, PanelOn1Builtin),
        F(I16, Panel, PanelOn1User),
        F(I16, Panel, PanelOn2Builtin),
        F(I16, Panel, PanelOn2User),
        FI(Str, Panel, PanelFile, 0),
        FI(Str, Panel, PanelFile, 1),
        FI(Str, Panel, PanelFile, 2),
        F(I32, Degit, DegitBackColor),
        F(I32, Degit, DegitBaseForeColor),
        F(I32, Degit, DegitForeColor),
        F(I16, Degit, InfoStopOrderOn),
        F(I16, Degit, InfoStopOrderCell),
        F(I16, Degit, InfoCountFromZero),
        F(I16, Degit, InfoSeiriNoOn),
        F(I16, Degit, InfoSeiriNoCell),
        F(I16, Degit, InfoRouteNoOn),
        F(I16, Degit, InfoRouteNoCell),
        F(I16, Degit, InfoColumnOn),
        F(I16, Degit, InfoColumn),
        F(I16, Degit, InfoColumnCell),
        F(I32, Chimei, ChimeiBackColor),
        F(I32, Chimei, ChimeiForeColor),
        F(I16, Chimei, ChimeiFontMode),
        F(I16, Chimei, ChimeiFontBold),
        F(Str, Sound, RouteSetSound),
        F(Str, Sound, ResetSound),
        F(I16, Sound, StepSoundAlways),
        F(I16, Sound, StepSoundByColumn),
        F(I16, Sound, StepSoundSync),
        F(I16, Sound, StepSoundAsync),
        F(Str, Sound, StepSound),
        F(I16, Sound, StepSoundColumn),
        FI(Str, Sound, StepSoundFlag, 1),
        FI(Str, Sound, StepSoundFlag, 2),
        FI(Str, Sound, StepSoundFlag, 3),
        F(I16, Sound, PreSoundAlways),
        F(I16, Sound, PreSoundByFlag),
        F(I16, Sound, PreSoundSync),
        F(I16, Sound, PreSoundAsync),
        F(Str, Sound, PreSound),
        FI(Str, Sound, PreSoundFlag, 1),
        FI(Str, Sound, PreSoundFlag, 2),
        FI(Str, Sound, PreSoundFlag, 3),
        F(I16, SeiriPrev, UseSeiriPrev),
        F(Str, SeiriPrev, SeiriPlgPath),
        F(I16, SeiriPrev, DateSystemEachPrint),
        F(I16, SeiriPrev, DateHoldAtRouteSet),
        F(I16, SeiriPrev, DateFixed),
        F(Str, SeiriPrev, FixedDate),
        F(I16, CtrlData, CtrlPanelMode),
        F(I32, CtrlData, ScrollSpeed),
        F(I32, CtrlData, ScrollInterval),
        F(I16, CtrlData, LateNight),
        F(I16, CtrlData, PreviewOpen),
        F(I32, CtrlData, CtrlLeft),
        F(I32, CtrlData, CtrlTop),
        F(I32, Form, BoardLeft),
        F(I32, Form, BoardTop),
    };
    for (int i = 0; i < 17; ++i)
        t.push_back({I32, QStringLiteral("CustColors(%1)").arg(i),
                     [i](SettingsRecord& r) -> Ref { return &r.CustColors[i]; }});
    t.push_back({I16, "DegitCount", [](SettingsRecord& r) -> Ref { return &r.DegitCount; }});
    for (int k = 1; k <= 50; ++k) {
        const QString name = QStringLiteral("DegitSet(%1).").arg(k);
        t.push_back({I16, name + "Shift",
                     [k](SettingsRecord& r) -> Ref { return &r.DegitSet[k].Shift; }});
        t.push_back({I16, name + "ZeroMode",
                     [k](SettingsRecord& r) -> Ref { return &r.DegitSet[k].ZeroMode; }});
        t.push_back({I16, name + "FillZero",
                     [k](SettingsRecord& r) -> Ref { return &r.DegitSet[k].FillZero; }});
    }
    return t;
}
#undef F
#undef FI

const std::vector<Slot>& Table()
{
    static const std::vector<Slot> t = Layout();
    return t;
}

// Values distinct per field number, with the sign bit and every byte in use.
qint16 Num16(int n)
{
    return qint16(quint16(0x8000 + n * 37));
}
qint32 Num32(int n)
{
    return qint32(0x80000000u + quint32(n) * 0x01010101u);
}

struct Text {
    QString text;
    QByteArray bytes; // its CP932 form, written out by hand
};

// 0 to 5 pieces, mixing two-byte characters (including CP932's own ① and ～)
// with ASCII and the backslash that Shift-JIS variants disagree on.
Text TextFor(int n)
{
    static const Text pieces[] = {
        {QStringLiteral("音"), QByteArray("\x89\xB9")},
        {QStringLiteral("①"), QByteArray("\x87\x40")},
        {QStringLiteral("～"), QByteArray("\x81\x60")},
        {QStringLiteral("a"), QByteArray("a")},
        {QStringLiteral("\\"), QByteArray("\\")},
    };
    Text t;
    for (int i = 0; i < n % 6; ++i) {
        t.text += pieces[(n + i) % 5].text;
        t.bytes += pieces[(n + i) % 5].bytes;
    }
    return t;
}

// Every field n (from 1) gets the value for n + salt, every text TextFor(n + salt).
SettingsRecord Filled(int salt)
{
    SettingsRecord r;
    const auto& t = Table();
    for (size_t i = 0; i < t.size(); ++i) {
        const int n = int(i) + 1 + salt;
        const Ref ref = t[i].at(r);
        if (auto* p = std::get_if<qint16*>(&ref))
            **p = Num16(n);
        else if (auto* p = std::get_if<qint32*>(&ref))
            **p = Num32(n);
        else
            *std::get<QString*>(ref) = TextFor(n).text;
    }
    return r;
}

// Where each field starts in the file of Filled(0), and last of all the file's size.
std::vector<qsizetype> Starts()
{
    std::vector<qsizetype> at{0};
    const auto& t = Table();
    for (size_t i = 0; i < t.size(); ++i) {
        const qsizetype text = t[i].kind == Str ? TextFor(int(i) + 1).bytes.size() : 0;
        at.push_back(at.back() + (t[i].kind == I32 ? 4 : 2) + text);
    }
    return at;
}

// Name of the first field in [from, to) (0-based) where a and b differ. The
// DegitCount word never reaches the record, so it is left out.
QString FirstDifference(SettingsRecord& a, SettingsRecord& b, int from, int to)
{
    const auto& t = Table();
    for (int i = from; i < to; ++i) {
        if (t[i].name == QLatin1String("DegitCount"))
            continue;
        const Ref y = t[i].at(b);
        const bool same =
            std::visit([&y](auto* p) { return *p == *std::get<decltype(p)>(y); }, t[i].at(a));
        if (!same)
            return t[i].name;
    }
    return {};
}

} // namespace

class TestSettingsCodec final : public QObject {
    Q_OBJECT

private slots:
    void layout();
    void roundTrip();
    void lossyTextReported();
    void textTooLong();
    void truncatedAtEveryLength();
    void fileName_data();
    void fileName();
};

void TestSettingsCodec::layout()
{
    const auto& t = Table();
    QCOMPARE(int(t.size()), kSettingsFieldCount);
    QCOMPARE(EncodeSettings(SettingsRecord{}).bytes.size(), 538);

    SettingsRecord r = Filled(0);
    r.DegitCount = 7; // always written as 50
    const SettingsEncodeResult enc = EncodeSettings(r);
    QVERIFY(enc.ok());
    QVERIFY(!enc.lossy);
    const std::vector<qsizetype> at = Starts();
    QCOMPARE(enc.bytes.size(), at.back());
    const char* b = enc.bytes.constData();
    for (size_t i = 0; i < t.size(); ++i) {
        const int n = int(i) + 1;
        QCOMPARE(SettingsFieldName(n), t[i].name);
        const char* field = b + at[i];
        if (t[i].kind == Str) {
            const QByteArray bytes = TextFor(n).bytes;
            QCOMPARE(qFromLittleEndian<quint16>(field), bytes.size());
            QCOMPARE(QByteArray(field + 2, bytes.size()), bytes);
        } else if (t[i].kind == I32) {
            QCOMPARE(qFromLittleEndian<qint32>(field), Num32(n));
        } else {
            const qint16 want = t[i].name == QLatin1String("DegitCount") ? 50 : Num16(n);
            QCOMPARE(qFromLittleEndian<qint16>(field), want);
        }
    }
    QVERIFY(SettingsFieldName(0).isEmpty());
    QVERIFY(SettingsFieldName(kSettingsFieldCount + 1).isEmpty());
}

void TestSettingsCodec::roundTrip()
{
    SettingsRecord a = Filled(0);
    const QByteArray original = EncodeSettings(a).bytes;
    const qsizetype countAt = Starts()[size_t(SettingsFieldNumber(u"DegitCount") - 1)];

    // Whatever the DegitCount word says, 50 entries follow it, and the
    // record's own count is not touched. Bytes after the last field are left alone.
    for (const qint16 word : {qint16(50), qint16(0), qint16(51), qint16(-1)}) {
        QByteArray bytes = original + "xyz";
        qToLittleEndian(word, bytes.data() + countAt);
        SettingsRecord b = Filled(1000);
        b.DegitCount = 3;
        const SettingsDecodeResult res = DecodeSettings(bytes, b);
        QVERIFY(res.complete());
        QCOMPARE(res.bytesRead, original.size());
        QCOMPARE(res.trailingBytes, 3);
        QCOMPARE(FirstDifference(a, b, 0, kSettingsFieldCount), QString());
        QCOMPARE(b.DegitCount, 3);
        QCOMPARE(EncodeSettings(b).bytes, original);
    }
}

void TestSettingsCodec::lossyTextReported()
{
    SettingsRecord r;
    r.Panel.PanelFile[1] = QStringLiteral("a😀b");
    r.SeiriPrev.FixedDate = QStringLiteral("한");
    const SettingsEncodeResult enc = EncodeSettings(r);
    QVERIFY(enc.ok());
    QVERIFY(enc.lossy);
    QCOMPARE(enc.firstLossyField, SettingsFieldNumber(u"PanelFile(1)"));
    QCOMPARE(enc.bytes.mid(40, 5), QByteArray("\x03\0a?b", 5));
    QCOMPARE(enc.bytes.mid(136 + 3, 3), QByteArray("\x01\0?", 3));
}

void TestSettingsCodec::textTooLong()
{
    // The count is of CP932 bytes: 65535 of them fit, one more fails the file.
    SettingsRecord r;
    r.Sound.StepSound = QString(32767, u'音') + u'a';
    SettingsEncodeResult enc = EncodeSettings(r);
    QVERIFY(enc.ok());
    QCOMPARE(enc.bytes.size(), 538 + 65535);
    SettingsRecord back;
    QVERIFY(DecodeSettings(enc.bytes, back).complete());
    QCOMPARE(back.Sound.StepSound, r.Sound.StepSound);

    r.SeiriPrev.SeiriPlgPath = QString(32768, u'音');
    enc = EncodeSettings(r);
    QCOMPARE(enc.error, SettingsEncodeError::TextTooLong);
    QCOMPARE(enc.errorField, SettingsFieldNumber(u"SeiriPlgPath"));
    QVERIFY(enc.bytes.isEmpty());
}

void TestSettingsCodec::truncatedAtEveryLength()
{
    SettingsRecord full = Filled(0);
    SettingsRecord entry = Filled(1000);
    const QByteArray bytes = EncodeSettings(full).bytes;
    const std::vector<qsizetype> at = Starts();
    // Older releases ended the file after a whole item; any other end is damage.
    QList<int> itemEnds{kSettingsFieldCount};
    for (const char16_t* first : {u"AutoSeiriNum", u"DegitBackColor", u"ChimeiBackColor",
                                  u"RouteSetSound", u"UseSeiriPrev", u"CtrlPanelMode",
                                  u"BoardLeft", u"CustColors(0)", u"DegitCount"})
        itemEnds << SettingsFieldNumber(first) - 1;

    for (qsizetype len = 0; len <= bytes.size(); ++len) {
        const QByteArray msg = "cut at " + QByteArray::number(len);
        SettingsRecord r = entry;
        const SettingsDecodeResult res = DecodeSettings(bytes.left(len), r);
        int held = 0;
        while (held < kSettingsFieldCount && at[held + 1] <= len)
            ++held;
        QVERIFY2(res.fieldsRead == held, msg);
        QVERIFY2(res.bytesRead == at[held], msg);
        QVERIFY2(res.complete() == (len == bytes.size()), msg);
        QVERIFY2(res.damaged() == !itemEnds.contains(held), msg);
        QVERIFY2(FirstDifference(full, r, 0, held).isEmpty(), msg);
        QVERIFY2(FirstDifference(entry, r, held, kSettingsFieldCount).isEmpty(), msg);
    }
}

void TestSettingsCodec::fileName_data()
{
    // A plain folder is tst_program's settings file.
    QTest::addColumn<QStringList>("names"); // folder, base name, file name
    using L = QStringList;
    QTest::newRow("ends in /") << L{"/home/u/bin/", "517", "/home/u/bin/517.in4"};
    QTest::newRow("drive root") << L{"C:\\", "517", "C:\\517.in4"};
    QTest::newRow("no folder") << L{"", "517", "517.in4"};
}

void TestSettingsCodec::fileName()
{
    QFETCH(QStringList, names);
    QCOMPARE(SettingsFileName(names[0], names[1]), names[2]);
}

QTEST_GUILESS_MAIN(TestSettingsCodec)
#include "tst_settings_codec.moc"
