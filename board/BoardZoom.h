// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How big the board is drawn: the zoom steps the board's menu offers, the fit
// of a full-screen board, and the small settings file that remembers both.
// The board's own settings (its place) stay in the .in4, which this never
// touches. Pure rules and a settings file, no drawing.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>

namespace BoardZoom {

inline constexpr std::array<qreal, 5> kSteps = {1.0, 1.5, 2.0, 3.0, 4.0};

// The step nearest to z; what a hand-edited or damaged file holds is brought
// to one of them.
qreal NearestStep(qreal z);

// The board's size drawn at z, in whole pixels.
QSize Scaled(const QSize& board, qreal z);

// A full-screen board: the largest zoom at which it fits the screen, and the
// top-left corner that centres it there.
struct Fit {
    qreal zoom = 1.0;
    QPoint origin;
};
Fit FitInto(const QSize& screen, const QSize& board);

// What is remembered between runs.
struct ViewSettings {
    qreal zoom = 1.0;
    QString fullScreenOn; // name of the screen the board fills; empty: windowed
};

// The settings file in the user's configuration folder (never the .in4).
QString ViewSettingsFile();
ViewSettings LoadViewSettings(const QString& file);
bool SaveViewSettings(const QString& file, const ViewSettings& view);

} // namespace BoardZoom
