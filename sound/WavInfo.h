// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The format and length of a RIFF/WAVE file, read from its first bytes: the
// "fmt " chunk (with WAVE_FORMAT_EXTENSIBLE's sub-format), the "fact" chunk's
// sample count where present, and where the "data" chunk lies. A data chunk
// that claims more than the file holds is taken as far as the file goes.
// Pure function over bytes.

#include <QByteArrayView>

enum class WavError {
    None,
    NotWave,   // not RIFF....WAVE
    Truncated, // no "data" chunk within the bytes given, or a chunk cut short
    BadFormat, // no "fmt " before "data", or values no wave file can have
};

enum class WavEncoding {
    Pcm,        // integer samples of 8 (unsigned), 16, 24 or 32 bits
    Float,      // IEEE floating point samples of 32 or 64 bits
    Compressed, // anything else (ADPCM, A-law, mu-law...): frames from "fact" or the byte rate
};

struct WavInfo {
    WavError error = WavError::None;
    quint16 formatTag = 0; // the sub-format's tag for an extensible file
    WavEncoding encoding = WavEncoding::Pcm;
    int channels = 0;
    int rate = 0;
    int bitsPerSample = 0;
    int blockAlign = 0;
    qint64 byteRate = 0;   // as the header states it
    qint64 dataOffset = 0; // from the start of the file
    qint64 dataBytes = 0;  // within the file
    qint64 frames = 0;     // sample frames the data holds
    double seconds = 0;

    bool ok() const { return error == WavError::None; }
};

// head: the file's first bytes (as many as the caller read); fileSize: the
// whole file's size, which bounds the data chunk.
WavInfo ReadWavInfo(QByteArrayView head, qint64 fileSize);

// How many leading bytes ReadWavInfo needs at most for any file it accepts:
// headers beyond this in front of the samples are taken as damage.
inline constexpr qint64 kWavHeadBytes = 256 * 1024;
