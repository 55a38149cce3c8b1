// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Colours are stored and exchanged as 0x00BBGGRR values (red in the low byte).

#include <QColor>

namespace ltm4 {

inline QColor FromColorRef(quint32 c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

inline quint32 ToColorRef(const QColor& c)
{
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

constexpr quint32 Rgb(int r, int g, int b)
{
    return quint32(r & 0xFF) | (quint32(g & 0xFF) << 8) | (quint32(b & 0xFF) << 16);
}

} // namespace ltm4
