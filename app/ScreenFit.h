// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Keeps windows within reach: a place saved on another monitor or resolution,
// or read from a damaged settings file, must not leave a window (and with the
// control panel the only way to quit) where nobody can grab it.

#include <QList>
#include <QPoint>
#include <QRect>

// How much of a window must lie on a screen for the user to take hold of it.
inline constexpr int kGrabbablePixels = 48;

// The top-left corner for a window whose outer rectangle is frame: unchanged
// when a grabbable part of it lies on one of the screens' available areas,
// otherwise just inside the area nearest to it. No areas: unchanged.
QPoint ReachablePlace(const QRect& frame, const QList<QRect>& areas);

// The top-left corner for a new window of outer size frame that covers
// neither the board nor the panel: below the board, above it, then the
// area's bottom-left and top-left corners, the first that lies on the area
// clear of both; else the first clear of the board alone; else below the
// board, kept inside the area.
QPoint ClearPlace(const QSize& frame, const QRect& board, const QRect& panel, const QRect& area);
