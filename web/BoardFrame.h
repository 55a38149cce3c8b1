// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A piece of the board's picture as it travels to a browser: one WebSocket
// binary message with a 16-byte head and a PNG.
//
//   byte 0     'R' (0x52)
//   byte 1     kind: 0 a changed part, 1 the whole board (the canvas takes its size)
//   bytes 2-3  0
//   bytes 4-7  sequence number, little-endian
//   bytes 8-15 x, y, width, height of the part on the board, 16-bit little-endian
//   bytes 16-  the part as PNG

#include <QByteArray>
#include <QImage>
#include <QRect>

namespace BoardFrame {

inline constexpr int kHeadSize = 16;
inline constexpr char kMagic = 'R';

enum class Kind : quint8 { Part = 0, Whole = 1 };

// The part as PNG (8-bit RGB, opaque, untagged), quickly: the scroll sends
// dozens a second. Empty for a null image.
QByteArray EncodePng(const QImage& part);

QByteArray Message(Kind kind, quint32 sequence, const QRect& rect, const QByteArray& png);

struct Head {
    Kind kind = Kind::Part;
    quint32 sequence = 0;
    QRect rect;
};
// For tests and the benchmark's client; false when it is no frame.
bool ReadHead(const QByteArray& message, Head& head);

} // namespace BoardFrame
