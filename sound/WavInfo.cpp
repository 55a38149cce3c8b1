// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/WavInfo.h"

#include <algorithm>

namespace {

quint16 Le16(const uchar* p)
{
    return quint16(p[0] | p[1] << 8);
}

quint32 Le32(const uchar* p)
{
    return quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
}

bool Is(const uchar* p, const char (&id)[5])
{
    return std::equal(p, p + 4, reinterpret_cast<const uchar*>(id));
}

constexpr quint16 kTagPcm = 1;
constexpr quint16 kTagFloat = 3;
constexpr quint16 kTagExtensible = 0xFFFE;

// The limits of any wave file worth playing: beyond them the header is damage.
constexpr int kMaxChannels = 32;
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 768000;

bool ReadFormat(const uchar* p, quint32 length, WavInfo& info)
{
    if (length < 16)
        return false;
    info.formatTag = Le16(p);
    info.channels = Le16(p + 2);
    info.rate = int(std::min<quint32>(Le32(p + 4), quint32(kMaxRate) + 1));
    info.byteRate = Le32(p + 8);
    info.blockAlign = Le16(p + 12);
    info.bitsPerSample = Le16(p + 14);
    if (info.formatTag == kTagExtensible && length >= 40)
        info.formatTag = Le16(p + 24); // the sub-format GUID begins with the tag
    if (info.channels < 1 || info.channels > kMaxChannels || info.rate < kMinRate ||
        info.rate > kMaxRate || info.blockAlign < 1)
        return false;
    const int bytes = info.bitsPerSample / 8;
    if (info.formatTag == kTagPcm || info.formatTag == kTagFloat) {
        const bool pcm = info.formatTag == kTagPcm;
        info.encoding = pcm ? WavEncoding::Pcm : WavEncoding::Float;
        const bool sizeOk = pcm ? (bytes >= 1 && bytes <= 4) : (bytes == 4 || bytes == 8);
        // Extensible files may carry fewer valid bits in wider containers:
        // the container is what the block holds.
        return info.bitsPerSample % 8 == 0 && sizeOk && info.blockAlign == bytes * info.channels;
    }
    info.encoding = WavEncoding::Compressed;
    // Compressed data is timed by its byte rate when no "fact" says better.
    return info.byteRate > 0;
}

} // namespace

WavInfo ReadWavInfo(QByteArrayView head, qint64 fileSize)
{
    WavInfo info;
    const auto* p = reinterpret_cast<const uchar*>(head.data());
    const qsizetype size = head.size();
    if (size < 12 || !Is(p, "RIFF") || !Is(p + 8, "WAVE")) {
        info.error = WavError::NotWave;
        return info;
    }
    bool haveFormat = false;
    qint64 factFrames = -1;
    qsizetype pos = 12;
    for (;;) {
        if (size - pos < 8) {
            info.error = WavError::Truncated;
            return info;
        }
        const quint32 length = Le32(p + pos + 4);
        const qsizetype body = pos + 8;
        if (Is(p + pos, "data")) {
            if (!haveFormat || fileSize < body) {
                info.error = haveFormat ? WavError::Truncated : WavError::BadFormat;
                return info;
            }
            info.dataOffset = body;
            info.dataBytes = std::min<qint64>(length, fileSize - body);
            break;
        }
        // Every other chunk must lie whole within the bytes read.
        if (length > quint64(size - body)) {
            info.error = WavError::Truncated;
            return info;
        }
        if (Is(p + pos, "fmt ")) {
            if (!ReadFormat(p + body, length, info)) {
                info.error = WavError::BadFormat;
                return info;
            }
            haveFormat = true;
        } else if (Is(p + pos, "fact") && length >= 4) {
            factFrames = Le32(p + body);
        }
        pos = body + qsizetype(length) + (length & 1);
    }

    if (info.encoding == WavEncoding::Compressed) {
        info.frames = factFrames >= 0
                          ? factFrames
                          : qint64(double(info.dataBytes) / double(info.byteRate) * info.rate);
    } else {
        info.frames = info.dataBytes / info.blockAlign;
    }
    info.seconds = double(info.frames) / info.rate;
    return info;
}
