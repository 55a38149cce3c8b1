// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file codec, byte for byte against the file's offset table.

#include "settings/SettingsCodec.h"

#include <QTest>
#include <QtEndian>

#include <functional>
#include <variant>
#include <vector>

namespace {

enum Kind { I16, I32, Str };
using Ref = std::variant<qint16*, qint32*, QString*>;

// One field of the file: where it sits when every text is empty, its width,
// its name and where it lives in the record.
struct Slot {
    int offset;
    Kind kind;
    QString name;
    std::function<Ref(SettingsRecord&)> at;
};

#define AT(m) [](SettingsRecord& r) -> Ref { return &r.m; }

// The file's offset table, transcribed field by field; the codec must match it.
std::vector<Slot> Layout()
{
    std::vector<Slot> t = {
        {0, Str, "FareDataDir", AT(DataDir.FareDataDir)},
        {2, Str, "TapeDataDir", AT(DataDir.TapeDataDir)},
        {4, I16, "AutoSeiriNum", AT(Panel.AutoSeiriNum)},
        {6, I32, "SeiriNumColor(0)", AT(Panel.SeiriNumColor[0])},
        {10, I32, "SeiriNumColor(1)", AT(Panel.SeiriNumColor[1])},
        {14, I32, "SeiriNumColor(2)", AT(Panel.SeiriNumColor[2])},
        {18, I16, "SeiriNumStyle", AT(Panel.SeiriNumStyle)},
        {20, I16, "SeiriNumZero", AT(Panel.SeiriNumZero)},
        {22, I16, "PanelAuto", AT(Panel.PanelAuto)},
        {24, I16, "PanelIndividual", AT(Panel.PanelIndividual)},
        {26, I16, "PanelOffBuiltin", AT(Panel.PanelOffBuiltin)},
        {28, I16, "PanelOffUser", AT(Panel.PanelOffUser)},
        {30, I16, "PanelOn1Builtin", AT(Panel.PanelOn1Builtin)},
        {32, I16, "PanelOn1User", AT(Panel.PanelOn1User)},
        {34, I16, "PanelOn2Builtin", AT(Panel.PanelOn2Builtin)},
        {36, I16, "PanelOn2User", AT(Panel.PanelOn2User)},
        {38, Str, "PanelFile(0)", AT(Panel.PanelFile[0])},
        {40, Str, "PanelFile(1)", AT(Panel.PanelFile[1])},
        {42, Str, "PanelFile(2)", AT(Panel.PanelFile[2])},
        {44, I32, "DegitBackColor", AT(Degit.DegitBackColor)},
        {48, I32, "DegitBaseForeColor", AT(Degit.DegitBaseForeColor)},
        {52, I32, "DegitForeColor", AT(Degit.DegitForeColor)},
        {56, I16, "InfoStopOrderOn", AT(Degit.InfoStopOrderOn)},
        {58, I16, "InfoStopOrderCell", AT(Degit.InfoStopOrderCell)},
        {60, I16, "InfoCountFromZero", AT(Degit.InfoCountFromZero)},
        {62, I16, "InfoSeiriNoOn", AT(Degit.InfoSeiriNoOn)},
        {64, I16, "InfoSeiriNoCell", AT(Degit.InfoSeiriNoCell)},
        {66, I16, "InfoRouteNoOn", AT(Degit.InfoRouteNoOn)},
        {68, I16, "InfoRouteNoCell", AT(Degit.InfoRouteNoCell)},
        {70, I16, "InfoColumnOn", AT(Degit.InfoColumnOn)},
        {72, I16, "InfoColumn", AT(Degit.InfoColumn)},
        {74, I16, "InfoColumnCell", AT(Degit.InfoColumnCell)},
        {76, I32, "ChimeiBackColor", AT(Chimei.ChimeiBackColor)},
        {80, I32, "ChimeiForeColor", AT(Chimei.ChimeiForeColor)},
        {84, I16, "ChimeiFontMode", AT(Chimei.ChimeiFontMode)},
        {86, I16, "ChimeiFontBold", AT(Chimei.ChimeiFontBold)},
        {88, Str, "RouteSetSound", AT(Sound.RouteSetSound)},
        {90, Str, "ResetSound", AT(Sound.ResetSound)},
        {92, I16, "StepSoundAlways", AT(Sound.StepSoundAlways)},
        {94, I16, "StepSoundByColumn", AT(Sound.StepSoundByColumn)},
        {96, I16, "StepSoundSync", AT(Sound.StepSoundSync)},
        {98, I16, "StepSoundAsync", AT(Sound.StepSoundAsync)},
        {100, Str, "StepSound", AT(Sound.StepSound)},
        {102, I16, "StepSoundColumn", AT(Sound.StepSoundColumn)},
        {104, Str, "StepSoundFlag(1)", AT(Sound.StepSoundFlag[1])},
        {106, Str, "StepSoundFlag(2)", AT(Sound.StepSoundFlag[2])},
        {108, Str, "StepSoundFlag(3)", AT(Sound.StepSoundFlag[3])},
        {110, I16, "PreSoundAlways", AT(Sound.PreSoundAlways)},
        {112, I16, "PreSoundByFlag", AT(Sound.PreSoundByFlag)},
        {114, I16, "PreSoundSync", AT(Sound.PreSoundSync)},
        {116, I16, "PreSoundAsync", AT(Sound.PreSoundAsync)},
        {118, Str, "PreSound", AT(Sound.PreSound)},
        {120, Str, "PreSoundFlag(1)", AT(Sound.PreSoundFlag[1])},
        {122, Str, "PreSoundFlag(2)", AT(Sound.PreSoundFlag[2])},
        {124, Str, "PreSoundFlag(3)", AT(Sound.PreSoundFlag[3])},
        {126, I16, "UseSeiriPrev", AT(SeiriPrev.UseSeiriPrev)},
        {128, Str, "SeiriPlgPath", AT(SeiriPrev.SeiriPlgPath)},
        {130, I16, "DateSystemEachPrint", AT(SeiriPrev.DateSystemEachPrint)},
        {132, I16, "DateHoldAtRouteSet", AT(SeiriPrev.DateHoldAtRouteSet)},
        {134, I16, "DateFixed", AT(SeiriPrev.DateFixed)},
        {136, Str, "FixedDate", AT(SeiriPrev.FixedDate)},
        {138, I16, "CtrlPanelMode", AT(CtrlData.CtrlPanelMode)},
        {140, I32, "ScrollSpeed", AT(CtrlData.ScrollSpeed)},
        {144, I32, "ScrollInterval", AT(CtrlData.ScrollInterval)},
        {148, I16, "LateNight", AT(CtrlData.LateNight)},
        {150, I16, "PreviewOpen", AT(CtrlData.PreviewOpen)},
        {152, I32, "CtrlLeft", AT(CtrlData.CtrlLeft)},
        {156, I32, "CtrlTop", AT(CtrlData.CtrlTop)},
        {160, I32, "BoardLeft", AT(Form.BoardLeft)},
        {164, I32, "BoardTop", AT(Form.BoardTop)},
    };
    for (int i = 0; i < 17; ++i)
        t.push_back({168 + 4 * i, I32, QStringLiteral("CustColors(%1)").arg(i),
                     [i](SettingsRecord& r) -> Ref { return &r.CustColors[i]; }});
    t.push_back({236, I16, "DegitCount", AT(DegitCount)});
    for (int k = 1; k <= 50; ++k) {
        const int at = 238 + 6 * (k - 1);
        const QString name = QStringLiteral("DegitSet(%1).").arg(k);
        t.push_back({at, I16, name + "Shift",
                     [k](SettingsRecord& r) -> Ref { return &r.DegitSet[k].Shift; }});
        t.push_back({at + 2, I16, name + "ZeroMode",
                     [k](SettingsRecord& r) -> Ref { return &r.DegitSet[k].ZeroMode; }});
        t.push_back({at + 4, I16, name + "FillZero",
                     [k](SettingsRecord& r) -> Ref { return &r.DegitSet[k].FillZero; }});
    }
    return t;
}
#undef AT

const std::vector<Slot>& Table()
{
    static const std::vector<Slot> t = Layout();
    return t;
}

int FieldNumber(const char* name)
{
    const auto& t = Table();
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].name == QLatin1String(name))
            return int(i) + 1;
    }
    return 0;
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

// Every field n (from 1) gets the value for n + salt; texts stay empty unless asked.
SettingsRecord Filled(int salt, bool texts)
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
        else if (texts)
            *std::get<QString*>(ref) = TextFor(n).text;
    }
    return r;
}

// Byte offset just past each field in the file of Filled(0, true).
std::vector<qsizetype> FieldEnds()
{
    std::vector<qsizetype> ends;
    qsizetype shift = 0;
    const auto& t = Table();
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind == Str)
            shift += TextFor(int(i) + 1).bytes.size();
        ends.push_back(t[i].offset + (t[i].kind == I32 ? 4 : 2) + shift);
    }
    return ends;
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

qint32 ReadAt(const QByteArray& b, qsizetype pos, Kind kind)
{
    if (pos + (kind == I32 ? 4 : 2) > b.size())
        return 0x7EADBEEF;
    if (kind == I32)
        return qFromLittleEndian<qint32>(b.constData() + pos);
    if (kind == I16)
        return qFromLittleEndian<qint16>(b.constData() + pos);
    return qFromLittleEndian<quint16>(b.constData() + pos);
}

} // namespace

class TestSettingsCodec final : public QObject {
    Q_OBJECT

private slots:
    void layout();
    void roundTrip();
    void degitCountWordIgnored_data();
    void degitCountWordIgnored();
    void lossyTextReported();
    void textTooLong_data();
    void textTooLong();
    void truncatedAtEveryLength();
    void fileName_data();
    void fileName();
};

// --- layout -------------------------------------------------------------------

void TestSettingsCodec::layout()
{
    const auto& t = Table();
    QCOMPARE(int(t.size()), kSettingsFieldCount);
    SettingsRecord r = Filled(0, true);
    r.DegitCount = 7;
    const SettingsEncodeResult enc = EncodeSettings(r);
    QVERIFY(enc.ok());
    QVERIFY(!enc.lossy);
    // Every field at its offset, moved on by the bytes of the texts before it.
    qsizetype shift = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        // The transcribed table is gapless and agrees with the record's types
        // and the codec's field names.
        const int n = int(i) + 1;
        const qsizetype end = n < int(t.size()) ? t[i + 1].offset : 538;
        QCOMPARE(end - t[i].offset, t[i].kind == I32 ? 4 : 2);
        QCOMPARE(int(t[i].at(r).index()), int(t[i].kind));
        QCOMPARE(SettingsFieldName(n), t[i].name);
        const qsizetype pos = t[i].offset + shift;
        if (t[i].kind == Str) {
            const QByteArray bytes = TextFor(n).bytes;
            QVERIFY2(ReadAt(enc.bytes, pos, Str) == bytes.size(), qPrintable(t[i].name));
            QVERIFY2(enc.bytes.mid(pos + 2, bytes.size()) == bytes, qPrintable(t[i].name));
            shift += bytes.size();
        } else {
            const qint32 want = t[i].name == QLatin1String("DegitCount") ? 50
                                : t[i].kind == I16                       ? Num16(n)
                                                                         : Num32(n);
            QVERIFY2(ReadAt(enc.bytes, pos, t[i].kind) == want, qPrintable(t[i].name));
        }
    }
    QVERIFY(SettingsFieldName(0).isEmpty());
    QVERIFY(SettingsFieldName(kSettingsFieldCount + 1).isEmpty());
    QCOMPARE(enc.bytes.size(), 538 + shift);
}

void TestSettingsCodec::roundTrip()
{
    SettingsRecord a = Filled(0, true);
    const QByteArray bytes = EncodeSettings(a).bytes;
    SettingsRecord b = Filled(1000, true);
    b.DegitCount = 3;
    const SettingsDecodeResult res = DecodeSettings(bytes, b);
    QVERIFY(res.complete());
    QCOMPARE(res.bytesRead, bytes.size());
    QCOMPARE(res.trailingBytes, 0);
    QCOMPARE(FirstDifference(a, b, 0, kSettingsFieldCount), QString());
    QCOMPARE(b.DegitCount, 3);
    QCOMPARE(EncodeSettings(b).bytes, bytes);

    // Bytes after the last field are left alone.
    const SettingsDecodeResult longer = DecodeSettings(bytes + "xyz", b);
    QVERIFY(longer.complete());
    QCOMPARE(longer.trailingBytes, 3);
}

void TestSettingsCodec::degitCountWordIgnored_data()
{
    QTest::addColumn<int>("word");
    for (int w : {0, 1, 49, 51, -1, 32767})
        QTest::addRow("%d", w) << w;
}

void TestSettingsCodec::degitCountWordIgnored()
{
    QFETCH(int, word);
    SettingsRecord a = Filled(0, true);
    const QByteArray original = EncodeSettings(a).bytes;
    QByteArray bytes = original;
    const qsizetype at = bytes.size() - 302;
    QCOMPARE(qFromLittleEndian<qint16>(bytes.constData() + at), qint16(50));
    qToLittleEndian(qint16(word), bytes.data() + at);

    SettingsRecord b = Filled(1000, true);
    QVERIFY(DecodeSettings(bytes, b).complete());
    QCOMPARE(FirstDifference(a, b, 0, kSettingsFieldCount), QString());
    QCOMPARE(EncodeSettings(b).bytes, original);
}

// --- encoding failures ----------------------------------------------------------

void TestSettingsCodec::lossyTextReported()
{
    SettingsRecord r;
    r.Panel.PanelFile[1] = QStringLiteral("a😀b");
    r.SeiriPrev.FixedDate = QStringLiteral("한");
    const SettingsEncodeResult enc = EncodeSettings(r);
    QVERIFY(enc.ok());
    QVERIFY(enc.lossy);
    QCOMPARE(enc.firstLossyField, FieldNumber("PanelFile(1)"));
    QCOMPARE(enc.bytes.mid(40, 5), QByteArray("\x03\0a?b", 5));
    QCOMPARE(enc.bytes.mid(136 + 3, 3), QByteArray("\x01\0?", 3));
}

void TestSettingsCodec::textTooLong_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");
    QTest::newRow("65535 ASCII bytes") << "FareDataDir" << QString(65535, u'a') << true;
    QTest::newRow("65536 ASCII bytes") << "FixedDate" << QString(65536, u'a') << false;
    QTest::newRow("32767 kanji + 1") << "StepSound" << QString(32767, u'音') + 'a' << true;
    QTest::newRow("32768 kanji") << "SeiriPlgPath" << QString(32768, u'音') << false;
}

void TestSettingsCodec::textTooLong()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, fits);
    const int n = FieldNumber(qPrintable(field));
    QVERIFY(n > 0);
    SettingsRecord r;
    *std::get<QString*>(Table()[n - 1].at(r)) = text;
    const SettingsEncodeResult enc = EncodeSettings(r);
    QCOMPARE(enc.ok(), fits);
    if (fits) {
        QCOMPARE(enc.bytes.size(), kSettingsEmptyTextsSize + 65535);
        QCOMPARE(ReadAt(enc.bytes, Table()[n - 1].offset, Str), 0xFFFF);
        SettingsRecord back;
        QVERIFY(DecodeSettings(enc.bytes, back).complete());
        QCOMPARE(*std::get<QString*>(Table()[n - 1].at(back)), text);
    } else {
        QCOMPARE(enc.error, SettingsEncodeError::TextTooLong);
        QCOMPARE(enc.errorField, n);
        QVERIFY(enc.bytes.isEmpty());
    }
}

// --- short files --------------------------------------------------------------------

void TestSettingsCodec::truncatedAtEveryLength()
{
    SettingsRecord full = Filled(0, true);
    SettingsRecord entry = Filled(1000, true);
    const QByteArray bytes = EncodeSettings(full).bytes;
    const std::vector<qsizetype> ends = FieldEnds();
    QCOMPARE(ends.back(), bytes.size());
    // Older releases ended the file after a whole item; any other end is damage.
    QList<int> itemEnds{kSettingsFieldCount};
    for (const char* first :
         {"AutoSeiriNum", "DegitBackColor", "ChimeiBackColor", "RouteSetSound", "UseSeiriPrev",
          "CtrlPanelMode", "BoardLeft", "CustColors(0)", "DegitCount"})
        itemEnds << FieldNumber(first) - 1;

    for (qsizetype len = 0; len <= bytes.size(); ++len) {
        const QByteArray msg = "cut at " + QByteArray::number(len);
        SettingsRecord r = entry;
        const SettingsDecodeResult res = DecodeSettings(bytes.left(len), r);
        int held = 0;
        while (held < kSettingsFieldCount && ends[held] <= len)
            ++held;
        QVERIFY2(res.fieldsRead == held, msg);
        QVERIFY2(res.bytesRead == (held ? ends[held - 1] : 0), msg);
        QVERIFY2(res.complete() == (len == bytes.size()), msg);
        QVERIFY2(res.damaged() == !itemEnds.contains(held), msg);
        QVERIFY2(FirstDifference(full, r, 0, held).isEmpty(), msg);
        QVERIFY2(FirstDifference(entry, r, held, kSettingsFieldCount).isEmpty(), msg);
    }
}

// --- file name ------------------------------------------------------------------------

void TestSettingsCodec::fileName_data()
{
    QTest::addColumn<QStringList>("names"); // folder, base name, file name
    using L = QStringList;
    QTest::newRow("folder") << L{"/opt/rutomia", "517", "/opt/rutomia/517.in4"};
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
