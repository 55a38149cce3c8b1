// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SpeechText.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

bool EndsSentence(QChar c)
{
    return c == u'。' || c == u'！' || c == u'？' || c == u'!' || c == u'?' || c == u'\n';
}

bool IsSpeakable(QStringView s)
{
    for (QChar c : s)
        if (c.isLetterOrNumber())
            return true;
    return false;
}

quint32 Le32(QByteArrayView b, qsizetype at)
{
    const auto* p = reinterpret_cast<const uchar*>(b.data()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 Le16(QByteArrayView b, qsizetype at)
{
    const auto* p = reinterpret_cast<const uchar*>(b.data()) + at;
    return quint16(p[0] | p[1] << 8);
}

} // namespace

QStringList SplitSentences(const QString& text)
{
    QStringList out;
    QString current;
    const auto flush = [&] {
        const QString s = current.trimmed();
        current.clear();
        if (s.isEmpty())
            return;
        if (!IsSpeakable(s) && !out.isEmpty())
            out.last() += s;
        else
            out << s;
    };
    for (QChar c : text) {
        if (c != u'\n' && c != u'\r')
            current += c;
        if (EndsSentence(c))
            flush();
    }
    flush();
    return out;
}

QString KatakanaToHiragana(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= u'ァ' && u <= u'ヶ')
            c = QChar(char16_t(u - (u'ァ' - u'ぁ')));
    }
    return out;
}

Pcm ParseWavPcm(QByteArrayView b)
{
    Pcm pcm;
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 ||
        std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return {};
    qsizetype at = 12;
    int rate = 0;
    int channels = 0;
    bool pcm16 = false;
    while (at + 8 <= b.size()) {
        const QByteArrayView id = b.sliced(at, 4);
        const quint32 size = Le32(b, at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > b.size())
                return {};
            pcm16 = Le16(b, body) == 1 && Le16(b, body + 14) == 16;
            channels = Le16(b, body + 2);
            rate = int(Le32(b, body + 4));
        } else if (id == "data") {
            if (!pcm16 || channels < 1 || channels > 8 || rate < 1000 || rate > 384000)
                return {};
            const qsizetype left = b.size() - body;
            const qsizetype bytes = std::min<qsizetype>(left, qsizetype(size));
            const qsizetype frames = bytes / 2 / channels;
            pcm.rate = rate;
            pcm.channels = channels;
            pcm.samples.resize(size_t(frames * channels));
            for (size_t i = 0; i < pcm.samples.size(); ++i)
                pcm.samples[i] = qint16(Le16(b, body + qsizetype(i) * 2));
            return pcm;
        }
        if (size > quint32(b.size() - body))
            return {};
        at = body + qsizetype(size) + (size & 1);
    }
    return {};
}

void ApplyGain(std::vector<qint16>& samples, int percent)
{
    percent = std::clamp(percent, 0, 200);
    if (percent == 100)
        return;
    for (qint16& s : samples)
        s = qint16(std::clamp(int(s) * percent / 100, -32768, 32767));
}

void TrimSilence(Pcm& pcm, int leadMs, int tailMs, int threshold)
{
    if (pcm.rate <= 0 || pcm.channels <= 0)
        return;
    const size_t ch = size_t(pcm.channels);
    const size_t frames = pcm.samples.size() / ch;
    const auto loud = [&](size_t f) {
        for (size_t c = 0; c < ch; ++c)
            if (std::abs(int(pcm.samples[f * ch + c])) >= threshold)
                return true;
        return false;
    };
    size_t first = 0;
    while (first < frames && !loud(first))
        ++first;
    if (first == frames)
        return;
    size_t last = frames - 1;
    while (!loud(last))
        --last;
    const size_t from = first - std::min(first, size_t(pcm.rate) * size_t(leadMs) / 1000);
    const size_t to = std::min(frames, last + 1 + size_t(pcm.rate) * size_t(tailMs) / 1000);
    pcm.samples.erase(pcm.samples.begin() + qsizetype(to * ch), pcm.samples.end());
    pcm.samples.erase(pcm.samples.begin(), pcm.samples.begin() + qsizetype(from * ch));
}
