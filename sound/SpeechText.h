// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Text and sample helpers the speech engines share. Pure functions.

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

// The text in sentences, each ending after 。！？!? or a line break (kept with
// its sentence), so the first can play while the rest is synthesised. Blank
// pieces are dropped; a sentence of only punctuation joins the one before.
QStringList SplitSentences(const QString& text);

// Katakana (ァ..ヶ) as hiragana; everything else unchanged.
QString KatakanaToHiragana(const QString& text);

// Mono or interleaved signed 16-bit samples at a rate.
struct Pcm {
    int rate = 0;
    int channels = 0;
    std::vector<qint16> samples;
    double Seconds() const
    {
        return rate > 0 && channels > 0 ? double(samples.size()) / channels / rate : 0.0;
    }
};

// The samples of a RIFF/WAVE file of 16-bit PCM. Sizes in the header are
// checked against the bytes at hand; a data chunk whose size is unknown (as a
// program writing to a pipe may leave it) runs to the end. Empty Pcm (rate 0)
// when the bytes are no such file.
Pcm ParseWavPcm(QByteArrayView bytes);

// Cuts the silence before and after the speech down to leadMs and tailMs
// (a synthesiser's lead-in would only delay the first word). Samples quieter
// than threshold count as silence. An all-silent Pcm is left as it is.
void TrimSilence(Pcm& pcm, int leadMs = 20, int tailMs = 300, int threshold = 200);

// Volume in percent (0..200) applied in place, clipped to full scale.
void ApplyGain(std::vector<qint16>& samples, int percent);
