// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The panel's controls that a browser or a macro pad may press, with the
// names the web API gives them. Names are part of the API: never rename one.

#include <QString>
#include <QStringView>

#include <optional>

enum class WebControl : quint8 {
    Digit0,
    Digit1,
    Digit2,
    Digit3,
    Digit4,
    Digit5,
    Digit6,
    Digit7,
    Digit8,
    Digit9,
    Route,     // 系統: digits go to the route display
    Section,   // 区間: digits go to the section display
    Reset,     // リセット: route set from the keypad's displays
    Next,      // データ送り
    Back,      // データ戻し
    Clear,     // 表示消去 (a switch)
    LateNight, // 深夜料金 (a switch)
    TapeNext,  // 放送 送り
    TapeBack,  // 放送 戻し
    TapeStop,  // 放送 ■
};

namespace WebControls {

inline constexpr int kCount = int(WebControl::TapeStop) + 1;

// The name in URLs and JSON: "0".."9", "route", "next", "tape-stop"...
QString Name(WebControl control);
std::optional<WebControl> FromName(QStringView name);

// The caption on the panel.
QString Caption(WebControl control);

// Switches are set on or off; buttons are only pressed.
bool IsSwitch(WebControl control);

inline WebControl At(int index)
{
    return WebControl(index);
}

} // namespace WebControls
