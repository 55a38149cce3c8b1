// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/BoardFrame.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageWriter>
#include <QtEndian>

namespace BoardFrame {

namespace {

// zlib's fastest level: the parts are small and the link local, so the time
// to encode matters more than a few bytes. Qt maps quality q to level
// (100 - q) * 9 / 91: 85 gives 1; 90 and above give 0, stored without any
// compression, which costs far more in sending than level 1 in encoding.
constexpr int kPngQuality = 85;

} // namespace

QByteArray EncodePng(const QImage& part)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(kPngQuality);
    // Untagged, so that browsers take the pixels as they are.
    QImage plain = part;
    plain.setColorSpace(QColorSpace());
    writer.write(plain);
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
