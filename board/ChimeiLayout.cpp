// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/ChimeiLayout.h"

#include "companion/LTM4Res.h"

#include <array>

namespace chimei {

namespace {

// Kanji start at 0x889F; full-width digits and Latin letters lie in
// 0x824F..0x829A. Compared as signed 16-bit codes, so every double-byte code
// is negative and single-byte ones are small and positive.
constexpr qint16 kFirstKanji = qint16(0x889F);
constexpr qint16 kFirstAlnum = qint16(0x824F);
constexpr qint16 kLastAlnum = qint16(0x829A);

// Horizontal brackets, arrows and dashes that read correctly in vertical
// writing only when mirrored on the diagonal.
constexpr std::array kTransposed = {
    u"（", u"）", u"〔", u"〕", u"［", u"］", u"＜", u"＞", u"｛", u"｝", u"〈", u"〉",
    u"《", u"》", u"【", u"】", u"～", u"＝", u"→",  u"←",  u"⇒",  u"⇔",  u"－",
};

// Corner brackets look the same mirrored on the diagonal; their vertical forms
// are the horizontal ones turned a quarter clockwise.
constexpr std::array kTurned = {u"「", u"」", u"『", u"』"};

// Small kana sit in the upper right of their cell in vertical writing.
constexpr std::array kSmallKana = {
    u"ぁ", u"ぃ", u"ぅ", u"ぇ", u"ぉ", u"っ", u"ゃ", u"ゅ", u"ょ", u"ゎ", u"ァ",
    u"ィ", u"ゥ", u"ェ", u"ォ", u"ッ", u"ャ", u"ュ", u"ョ", u"ヮ", u"ヵ", u"ヶ",
};

// Units are compared in their CP932 form, so that any text mapping onto the
// same bytes (U+301C and U+FF5E, say) is treated alike.
QByteArray cp(const char16_t* s)
{
    return ltm4::ToCp932(QString::fromUtf16(s));
}

template <size_t N> QList<QByteArray> units(const std::array<const char16_t*, N>& texts)
{
    QList<QByteArray> l;
    for (const char16_t* s : texts)
        l << cp(s);
    return l;
}

bool isTransposed(const QByteArray& unit)
{
    static const QList<QByteArray> set = units(kTransposed);
    return set.contains(unit);
}

bool isTurned(const QByteArray& unit)
{
    static const QList<QByteArray> set = units(kTurned);
    return set.contains(unit);
}

bool isSmallKana(const QByteArray& unit)
{
    static const QList<QByteArray> set = units(kSmallKana);
    return set.contains(unit);
}

bool isLeadByte(quint8 b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

} // namespace

Layout LayoutFor(qint32 byteLength, qint16 mode)
{
    Layout l;
    l.d = qMax(0, byteLength / 2);
    switch (l.d) {
    case 0:
        break;
    case 1:
        l.start = 80;
        break;
    case 2:
        l.start = mode == 2 ? 48 : 32;
        l.step = mode == 2 ? 64 : 96;
        break;
    case 3:
        l.start = 16;
        l.step = 64;
        break;
    case 4:
        l.start = 8;
        l.step = 48;
        break;
    case 5:
        l.start = 4;
        l.step = 38;
        break;
    default: // six fill the strip exactly; more lengthen it and scroll
        l.step = kCellPitch;
        if (l.d > kMaxStillChars) {
            l.stripHeight = l.d * kCellPitch;
            l.scrolls = true;
        }
        break;
    }
    return l;
}

QList<QByteArray> CutUnits(const QByteArray& cp932)
{
    QList<QByteArray> out;
    out.reserve((cp932.size() + 1) / 2);
    const qsizetype n = cp932.size();
    qsizetype i = 0;
    while (i < n) {
        const bool lead = isLeadByte(quint8(cp932[i]));
        // A double-byte character, or two single-byte ones side by side; a lead
        // byte without its trail at the end stands alone and prints nothing.
        const bool pair = i + 1 < n && (lead || !isLeadByte(quint8(cp932[i + 1])));
        const qsizetype len = pair ? 2 : 1;
        out << cp932.mid(i, len);
        i += len;
    }
    return out;
}

NameLayout LayOut(const QString& name, qint16 mode)
{
    const QList<QByteArray> cut = CutUnits(ltm4::ToCp932(name));
    NameLayout out;
    out.layout = LayoutFor(qint32(2 * cut.size()), mode);
    out.cells.reserve(cut.size());
    for (qsizetype i = 0; i < cut.size(); ++i)
        out.cells.append({cut[i], out.layout.start + int(i) * out.layout.step});
    return out;
}

qint16 UnitCode(const QByteArray& unit)
{
    if (unit.isEmpty())
        return 0;
    const auto b0 = quint8(unit[0]);
    if (isLeadByte(b0) && unit.size() >= 2)
        return qint16(quint16(b0 << 8 | quint8(unit[1])));
    return qint16(b0);
}

Face ChooseFace(qint16 fontMode, qint16 code)
{
    switch (fontMode) {
    case 1:
        return Face::Mincho;
    case 2:
        return code < kFirstKanji ? Face::Mincho : Face::Gothic;
    case 3:
        return code >= kFirstKanji ? Face::Mincho : Face::Gothic;
    case 4:
        return (code < kFirstAlnum || code > kLastAlnum) ? Face::Mincho : Face::Gothic;
    default:
        return Face::Gothic;
    }
}

Treatment TreatUnit(const QByteArray& unit, qint16 fontMode)
{
    static const QByteArray longVowel = cp(u"ー");
    static const QByteArray stroke = cp(u"丨");
    static const QByteArray shin = cp(u"申");
    static const QByteArray yama = cp(u"山");
    static const QByteArray maru = cp(u"。");
    static const QByteArray ten = cp(u"、");
    static const QByteArray wave = cp(u"〜");

    Treatment t;
    t.unit = unit;
    if (unit == longVowel) {
        t.unit = stroke;
    } else if (unit == shin || unit == yama) {
        // Faces print these off the cell's centre line; the gothic face is
        // centred by its ink.
        if (fontMode == 0)
            t.align = InkAlign::Centre;
    } else if (isTransposed(unit)) {
        t.transposed = true;
    } else if (isTurned(unit)) {
        t.turned = true;
        t.align = InkAlign::Centre;
    } else if (unit == maru || unit == ten) {
        t.position = QPoint(10, -10);
        t.align = InkAlign::Mark;
    } else if (isSmallKana(unit)) {
        t.align = InkAlign::UpperRight;
    }
    // A byte that does not complete a character (an odd name cut mid-pair) is
    // no character at all and prints nothing.
    t.text = ltm4::FromCp932(t.unit);
    t.text.remove(QChar::ReplacementCharacter);
    // 0x8160 reads back as the full-width tilde, which faces print high in the
    // cell; the wave dash is the same character at mid-height.
    if (t.unit == wave)
        t.text = QStringLiteral("〜");
    return t;
}

} // namespace chimei
