// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the wave header reader. Any bytes, as the whole file or as
// the head of a longer one, give a format or a reason; a format has values a
// wave file can have, and its samples lie within the file.

#include "fuzz/FuzzCheck.h"
#include "sound/WavInfo.h"

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView head(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const qint64 fileSize : {qint64(size), qint64(size) * 3 + 7}) {
        const WavInfo info = ReadWavInfo(head, fileSize);
        if (!info.ok())
            continue;
        Require(info.channels >= 1 && info.channels <= 32);
        Require(info.rate >= 1000 && info.rate <= 768000 && info.blockAlign >= 1);
        Require(info.dataOffset >= 20 && info.dataOffset <= qint64(size));
        Require(info.dataBytes >= 0 && info.dataOffset + info.dataBytes <= fileSize);
        Require(info.frames >= 0 && std::isfinite(info.seconds) && info.seconds >= 0);
        if (info.encoding != WavEncoding::Compressed)
            Require(info.frames * info.blockAlign <= info.dataBytes &&
                    info.blockAlign == info.channels * info.bitsPerSample / 8);
    }
    return 0;
}
