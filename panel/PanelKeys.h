// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Keyboard operation of the control panel, for running the board while
// streaming or recording: which key presses which button. Pure rules; the
// panel presses the button itself, visibly, so a key never does anything a
// click would not.

#include <QString>
#include <Qt>

#include <optional>

enum class PanelKey {
    Digit,       // keypad 0..9
    Route,       // 系統
    Section,     // 区間
    Reset,       // リセット of the entry frame in front
    Forward,     // データ送り
    Back,        // データ戻し
    TapeNext,    // 放送 送り
    TapeBack,    // 放送 戻し
    TapeStop,    // 放送 ■
    Clear,       // 表示消去
    StopRequest, // 降車 (つぎ止まります)
};

struct PanelKeyPress {
    PanelKey key = PanelKey::Digit;
    int digit = -1; // 0..9 for PanelKey::Digit
};

// The button a key press stands for; nothing for other keys, for keys held
// with Ctrl, Alt or Meta, and for a key's auto-repeat.
std::optional<PanelKeyPress> PanelKeyFor(int qtKey, Qt::KeyboardModifiers modifiers,
                                         bool autoRepeat = false);

// The keys of a button as its tool tip names them, e.g. "→ / PageDown".
QString PanelKeyNames(PanelKey key, int digit = -1);
