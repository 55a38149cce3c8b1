// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/LTM4Res.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cstdio>
#include <utility>

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
    const QString text = toCp932Forms(original);
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
        *lossy = lost;
    return out;
}

QString FromCp932(const QByteArray& bytes)
{
    QStringDecoder dec(kCp932);
    return dec(bytes);
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
