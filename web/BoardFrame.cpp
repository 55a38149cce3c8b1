// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/BoardFrame.h"

#include <QtEndian>

#include <array>

namespace BoardFrame {

namespace {

// The PNG is written here, not by Qt's writer: that one lets libpng try all
// five row filters on every row and keep the best, which makes a part of the
// scroll two to three times as slow to encode. One filter for every row
// gives as small a PNG of the board's pictures, within a tenth.
constexpr int kZlibLevel = 1;

constexpr std::array<quint32, 256> kCrcTable = [] {
    std::array<quint32, 256> t{};
    for (quint32 n = 0; n < 256; ++n) {
        quint32 c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
        t[n] = c;
    }
    return t;
}();

quint32 Crc(const char* data, qsizetype size)
{
    quint32 c = 0xffffffffu;
    for (qsizetype i = 0; i < size; ++i)
        c = kCrcTable[(c ^ quint8(data[i])) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

void AppendChunk(QByteArray& png, const char type[4], const QByteArray& data)
{
    char length[4];
    qToBigEndian<quint32>(quint32(data.size()), length);
    png.append(length, 4);
    const qsizetype start = png.size();
    png.append(type, 4);
    png.append(data);
    char crc[4];
    qToBigEndian<quint32>(Crc(png.constData() + start, png.size() - start), crc);
    png.append(crc, 4);
}

} // namespace

QByteArray EncodePng(const QImage& part)
{
    if (part.isNull())
        return {};
    // Opaque 8-bit RGB, one row after the other as the PNG carries them.
    const QImage rgb = part.convertToFormat(QImage::Format_RGB888);
    const qsizetype rowBytes = qsizetype(rgb.width()) * 3;
    // Each row as the difference from the pixel on its left (the filter
    // "Sub"): a run of one colour, a gradient or the dots of a LED become
    // repeated bytes.
    QByteArray rows((rowBytes + 1) * rgb.height(), Qt::Uninitialized);
    char* out = rows.data();
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* in = rgb.constScanLine(y);
        *out++ = 1;
        for (qsizetype i = 0; i < rowBytes; ++i)
            *out++ = char(i < 3 ? in[i] : quint8(in[i] - in[i - 3]));
    }
    // qCompress gives a zlib stream after four bytes of length of its own.
    const QByteArray deflated = qCompress(rows, kZlibLevel).mid(4);

    QByteArray head(13, '\0');
    qToBigEndian<quint32>(quint32(rgb.width()), head.data());
    qToBigEndian<quint32>(quint32(rgb.height()), head.data() + 4);
    head[8] = 8; // bits a sample
    head[9] = 2; // colour type: RGB
    // Compression, filter method and interlace all 0. No colour space: the
    // browser takes the pixels as they are.
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png.reserve(8 + 25 + 12 + deflated.size() + 12);
    AppendChunk(png, "IHDR", head);
    AppendChunk(png, "IDAT", deflated);
    AppendChunk(png, "IEND", {});
    return png;
}

QByteArray Message(Kind kind, quint32 sequence, const QRect& rect, const QByteArray& png)
{
    QByteArray m(kHeadSize, '\0');
    char* d = m.data();
    d[0] = kMagic;
    d[1] = char(kind);
    qToLittleEndian<quint32>(sequence, d + 4);
    qToLittleEndian<quint16>(quint16(rect.x()), d + 8);
    qToLittleEndian<quint16>(quint16(rect.y()), d + 10);
    qToLittleEndian<quint16>(quint16(rect.width()), d + 12);
    qToLittleEndian<quint16>(quint16(rect.height()), d + 14);
    m += png;
    return m;
}

bool ReadHead(const QByteArray& message, Head& head)
{
    if (message.size() < kHeadSize || message[0] != kMagic || quint8(message[1]) > 1)
        return false;
    const char* d = message.constData();
    head.kind = Kind(quint8(d[1]));
    head.sequence = qFromLittleEndian<quint32>(d + 4);
    head.rect = QRect(qFromLittleEndian<quint16>(d + 8), qFromLittleEndian<quint16>(d + 10),
                      qFromLittleEndian<quint16>(d + 12), qFromLittleEndian<quint16>(d + 14));
    return true;
}

} // namespace BoardFrame
