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
    u"（", u"）", u"『", u"』", u"〔", u"〕", u"「", u"」", u"［",
    u"］", u"＜", u"＞", u"｛", u"｝", u"〈", u"〉", u"《", u"》",
    u"【", u"】", u"～", u"＝", u"→",  u"←",  u"⇒",  u"⇔",  u"－",
};

// Units are compared in their CP932 form, so that any text mapping onto the
// same bytes (U+301C and U+FF5E, say) is treated alike.
QByteArray cp(const char16_t* s)
{
    return ltm4::ToCp932(QString::fromUtf16(s));
}

bool isTransposed(const QByteArray& unit)
{
    static const QList<QByteArray> set = [] {
        QList<QByteArray> l;
        for (const char16_t* s : kTransposed)
            l << cp(s);
        return l;
    }();
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
    const qint32 n = ltm4::LenB_ASCII(cp932);
    QList<QByteArray> units;
    units.reserve((n + 1) / 2);
    for (qint32 i = 1; 2 * i - 1 <= n; ++i)
        units << ltm4::MidB_ASCII(cp932, 2 * i - 1, 2);
    return units;
}

NameLayout LayOut(const QString& name, qint16 mode)
{
    const QByteArray bytes = ltm4::ToCp932(name);
    NameLayout out;
    out.layout = LayoutFor(ltm4::LenB_ASCII(bytes), mode);
    const QList<QByteArray> units = CutUnits(bytes);
    out.cells.reserve(units.size());
    for (qsizetype i = 0; i < units.size(); ++i)
        out.cells.append({units[i], out.layout.start + int(i) * out.layout.step});
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

    Treatment t;
    t.unit = unit;
    if (unit == longVowel) {
        t.unit = stroke;
    } else if (unit == shin || unit == yama) {
        // The gothic forms of these sit one dot left of the others' centre line.
        t.position.setX(fontMode == 0 ? 1 : 0);
    } else if (isTransposed(unit)) {
        t.transposed = true;
    } else if (unit == maru || unit == ten) {
        // Vertical writing puts the marks in the upper right of the cell.
        t.position = QPoint(10, -10);
        t.mark = true;
    }
    // A byte that does not complete a character (an odd name cut mid-pair) is
    // no character at all and prints nothing.
    t.text = ltm4::FromCp932(t.unit);
    t.text.remove(QChar::ReplacementCharacter);
    return t;
}

} // namespace chimei
