// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The board page's URL options: ?zoom=N draws the board N times its size
// (1 to 8; without it the board fills the browser window), ?bg= the colour
// around it: "transparent" (for a video mixer's browser source), "chroma"
// (green for a colour key), "blue", "black" or six hex digits.

#include <QString>
#include <QUrlQuery>

#include <optional>

struct BoardView {
    static constexpr int kMaxZoom = 8;

    int zoom = 0; // 0: fit the window
    // "transparent" or "#rrggbb", nothing else: it is written into the page.
    QString background = QStringLiteral("#000000");

    bool operator==(const BoardView&) const = default;
};

struct BoardViewResult {
    std::optional<BoardView> view;
    QString error; // when refused, for the user
};

BoardViewResult ParseBoardView(const QUrlQuery& query);
