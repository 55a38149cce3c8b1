// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Window places are stored in twips, 15 to a logical pixel.

#include <QtGlobal>

#include <cmath>
#include <limits>

namespace ltm4 {

inline constexpr int kTwipsPerPixel = 15;

// Widened before multiplying, and held within the 32-bit range the settings
// file stores: a window far off screen must not wrap round to the other side.
constexpr qint32 PixelsToTwips(qint64 px)
{
    constexpr qint64 lo = std::numeric_limits<qint32>::min();
    constexpr qint64 hi = std::numeric_limits<qint32>::max();
    return qint32(qBound(lo, px * kTwipsPerPixel, hi));
}

inline int TwipsToPixels(qint32 twips)
{
    return int(std::lround(twips / double(kTwipsPerPixel)));
}

} // namespace ltm4
