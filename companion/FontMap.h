// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program names its faces as the board's original artwork did ("M_DegitA",
// "ＭＳ ゴシック", ...), and so do ticket plugins. This is the one place that
// maps them onto installed families; a missing family falls back to a close
// one with one warning.

#include <QFont>
#include <QString>

namespace FontMap {

// Installed family for a face name. Unknown names are returned unchanged.
QString ResolveFamily(const QString& face);

// A font of the face at a pixel size. The two 16-pixel dot-matrix source faces
// ("ＭＳ ゴシック", "ＭＳ 明朝") come without smoothing so each pixel is a clean dot.
QFont MakeFont(const QString& face, int pixelSize, bool bold = false);

// Pixels for a point size on the 96-dpi grid the board is laid out on.
constexpr int PointsToPixels(double points)
{
    return int(points * 96.0 / 72.0 + 0.5);
}

} // namespace FontMap
