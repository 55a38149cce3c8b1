// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/LTM4Res.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>
#include <vector>

namespace ltm4 {

namespace {
// "windows-31j" is CP932 with the Microsoft extensions (①, ～, NEC kanji);
// plain Shift_JIS would lose them.
constexpr const char* kCp932 = "windows-31j";
// Characters that Linux input methods type from the JIS mapping, where CP932
// has the same glyph under another code point (〜 is 0x8160 as ～, and so on).
// CP932 bytes always read back in the second form.
constexpr std::pair<char16_t, char16_t> kForms[] = {
    {u'\u301C', u'\uFF5E'}, // WAVE DASH -> FULLWIDTH TILDE
    {u'\u2016', u'\u2225'}, // DOUBLE VERTICAL LINE -> PARALLEL TO
    {u'\u2212', u'\uFF0D'}, // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
    {u'\u00A2', u'\uFFE0'}, // CENT SIGN
    {u'\u00A3', u'\uFFE1'}, // POUND SIGN
    {u'\u00AC', u'\uFFE2'}, // NOT SIGN
    {u'\u2014', u'\u2015'}, // EM DASH -> HORIZONTAL BAR
};

// Every character of CP932 by its bytes: single[b] for a one-byte one (kLead
// for a lead byte), pair[lead << 8 | trail] for a two-byte one. kNone marks
// bytes the converter would not decode cleanly.
struct Cp932Table {
    static constexpr char16_t kNone = 0xFFFF;
    static constexpr char16_t kLead = 0xFFFE;
    std::array<char16_t, 256> single{};
    std::vector<char16_t> pair = std::vector<char16_t>(65536, kNone);

    Cp932Table()
    {
        // One stateless converter for every character: a character it cannot
        // decode cleanly comes out as U+FFFD or as more than one unit.
        QStringDecoder dec(kCp932, QStringDecoder::Flag::Stateless);
        const auto decodeOne = [&dec](QByteArrayView b) {
            const QString s = dec(b);
            return s.size() == 1 && s[0] != QChar::ReplacementCharacter ? s[0].unicode() : kNone;
        };
        for (int b = 0; b < 256; ++b) {
            const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
            const char one = char(b);
            // 0x80, 0xA0 and 0xFD..0xFF are no characters of CP932 text; the
            // converter maps them to a control code and private-use points.
            const bool none = b == 0x80 || b == 0xA0 || b >= 0xFD;
            single[size_t(b)] = lead ? kLead : none ? kNone : decodeOne(QByteArrayView(&one, 1));
            for (int t = 0x40; lead && t <= 0xFC; ++t) {
                const char two[2] = {char(b), char(t)};
                pair[size_t(b << 8 | t)] = decodeOne(QByteArrayView(two, 2));
            }
        }
    }
};

// Built once, on first use.
const Cp932Table& TheCp932Table()
{
    static const Cp932Table table;
    return table;
}

QString toCp932Forms(QString text)
{
    for (QChar& c : text)
        for (const auto& [jis, cp932] : kForms)
            if (c.unicode() == jis)
                c = QChar(cp932);
    return text;
}

} // namespace

QByteArray ToCp932(const QString& original, bool* lossy)
{
    QString text = toCp932Forms(original);
    // The converter would write these as 0x80, 0xA0 and 0xFD..0xFF, bytes
    // that are no CP932 text and that no reader of the program takes back.
    bool unreadable = false;
    for (QChar& c : text) {
        if (c.unicode() == 0x0080 || (c.unicode() >= 0xF8F0 && c.unicode() <= 0xF8F3)) {
            c = u'?';
            unreadable = true;
        }
    }
    QStringEncoder enc(kCp932);
    if (!enc.isValid()) {
        // Qt without ICU has no CP932: say so once instead of storing "?"s silently.
        static bool told = false;
        if (!std::exchange(told, true))
            std::fputs("ルトミア: this Qt has no windows-31j (CP932) converter\n", stderr);
    }
    QByteArray out = enc(text);
    bool lost = enc.hasError();
    if (lost) {
        // Encode one code point at a time so that only the unmappable ones
        // become "?", never the converter's own substitution bytes.
        out.clear();
        const auto ucs4 = text.toUcs4();
        for (char32_t cp : ucs4) {
            QStringEncoder one(kCp932);
            // Not QString::fromUcs4, which drops a lone U+FEFF as a byte-order mark.
            const auto chars = QChar::fromUcs4(cp);
            const QByteArray b = one(QStringView(chars));
            out += one.hasError() ? QByteArray("?") : b;
        }
    }
    if (lossy)
        *lossy = lost || unreadable;
    return out;
}

QString FromCp932(const QByteArray& bytes)
{
    // Names are decoded by the thousand (a fare file holds 301), and the
    // converter costs far more per byte than a table: every character CP932
    // has is looked up in one, built once from the converter itself. Anything
    // the table does not hold goes to the converter whole, so the result is
    // always the converter's.
    const Cp932Table& table = TheCp932Table();
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* to = out.data();
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        char16_t c = table.single[*p];
        if (c == Cp932Table::kLead && p + 1 < end)
            c = table.pair[size_t(*p) << 8 | p[1]], ++p;
        if (c == Cp932Table::kLead || c == Cp932Table::kNone) {
            QStringDecoder dec(kCp932, QStringDecoder::Flag::Stateless);
            return dec(bytes);
        }
        *to++ = QChar(c);
        ++p;
    }
    out.truncate(to - out.constData());
    return out;
}

namespace {

// Where a byte breaks UTF-8 (an approximation good enough to point at).
qsizetype FirstBadUtf8Byte(QByteArrayView bytes)
{
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto b = quint8(bytes[i]);
        int extra = -1;
        if (b < 0x80)
            extra = 0;
        else if (b >= 0xC2 && b <= 0xDF)
            extra = 1;
        else if (b >= 0xE0 && b <= 0xEF)
            extra = 2;
        else if (b >= 0xF0 && b <= 0xF4)
            extra = 3;
        if (extra < 0 || i + extra >= bytes.size())
            return i;
        for (int k = 1; k <= extra; ++k)
            if ((quint8(bytes[i + k]) & 0xC0) != 0x80)
                return i;
        i += 1 + extra;
    }
    return -1;
}

} // namespace

DecodedText DecodeUtf8OrCp932(QByteArrayView bytes)
{
    DecodedText d;
    const qsizetype bom = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const QByteArrayView body = bytes.sliced(bom);
    // Stateless: a character cut off at the end is an error too.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(body);
    if (!utf8.hasError()) {
        d.text = std::move(text);
        d.utf8 = true;
        return d;
    }
    d.badUtf8 = bom + std::max<qsizetype>(0, FirstBadUtf8Byte(body));
    // CP932 by the same table FromCp932 decodes with: every byte a character.
    const Cp932Table& table = TheCp932Table();
    const auto* p = reinterpret_cast<const uchar*>(body.data());
    for (qsizetype i = 0; i < body.size(); ++i) {
        char16_t c = table.single[p[i]];
        if (c == Cp932Table::kLead)
            c = i + 1 < body.size() ? table.pair[size_t(p[i]) << 8 | p[i + 1]] : Cp932Table::kNone;
        if (c == Cp932Table::kNone) {
            d.badCp932 = bom + i;
            return d;
        }
        if (table.single[p[i]] == Cp932Table::kLead)
            ++i;
    }
    d.text = FromCp932(body.toByteArray());
    return d;
}

QString Cp932RoundTrip(const QString& text)
{
    return FromCp932(ToCp932(text));
}

QString ToJisForms(QString text)
{
    for (QChar& c : text)
        for (const auto& [jis, cp932] : kForms)
            if (c.unicode() == cp932)
                c = QChar(jis);
    return text;
}

qint32 LenB_ASCII(const QByteArray& text)
{
    return qint32(text.size());
}

QByteArray MidB_ASCII(const QByteArray& text, qint32 start, qint32 count)
{
    if (count <= 0)
        return {};
    const qint64 from = qMax<qint64>(start, 1) - 1;
    if (from >= text.size())
        return {};
    return text.mid(from, count);
}

} // namespace ltm4

namespace {

// "<line>行目の<byte>バイト目 (0xNN)" of a byte offset.
QString BytePlace(QByteArrayView bytes, qsizetype at)
{
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < at; ++i) {
        if (bytes[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return QStringLiteral("%1行目の%2バイト目 (0x%3)")
        .arg(line)
        .arg(at - lineStart + 1)
        .arg(quint8(bytes[at]), 2, 16, QLatin1Char('0'));
}

} // namespace

namespace ltm4 {

QString UndecodableText(QByteArrayView bytes, const DecodedText& decoded)
{
    return QStringLiteral("文字コードがUTF-8でもCP932でもありません "
                          "(UTF-8としては%1、CP932としては%2が読めません)")
        .arg(BytePlace(bytes, decoded.badUtf8), BytePlace(bytes, decoded.badCp932));
}

} // namespace ltm4
