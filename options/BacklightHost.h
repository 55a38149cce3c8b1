// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the options dialog needs of the control panel's backlight selector:
// which state is selected, and applying a state to the board.

class BacklightHost {
public:
    virtual ~BacklightHost() = default;
    // 0 OFF, 1 ON1, 2 ON2 (anything but OFF or ON1 counts as ON2).
    virtual int SelectedBacklight() const = 0;
    virtual void Option4_Click(int index) = 0;
};
