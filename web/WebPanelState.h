// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the control panel shows, as the web pages and the API report it.

#include "web/WebControl.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <bitset>

struct WebPanelState {
    static constexpr int kCells = 50;

    // The keypad's two displays and where its digits go now.
    QString routeEntry;
    QString sectionEntry;
    bool routeEntryActive = false;

    // The route set last (as entered, leading zeros kept), its section and
    // rows; all empty or 0 before the first route set.
    QString route;
    int section = 0;
    int row = 0; // the current row, 1-based
    int rows = 0;
    QString stopName;
    // What each fare cell 1..50 shows (index 0 is cell 1); empty when blank.
    std::array<QString, kCells> cells;

    bool lateNight = false;
    bool displayClear = false;

    // The announcements: the group's caption, the current entry (-1 none).
    QString tapeCaption;
    int tapeIndex = -1;
    int tapeCount = 0;

    // Which controls can be pressed now, as on the panel.
    std::bitset<WebControls::kCount> enabled;

    bool operator==(const WebPanelState&) const = default;
};

// The JSON the API answers and the panel page reads (UTF-8, compact).
QByteArray PanelStateJson(const WebPanelState& state);
