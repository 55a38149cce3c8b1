// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The board, the control panel and the options dialog, each handed the others
// it works with, as the program wires them. Sounds, announcements and saving
// stay with the owner (the panel's services).

#include "board/Form1.h"
#include "options/frmOption.h"
#include "panel/frmCtl.h"

struct BoardWindows {
    frmOption option;
    Form1 board;
    frmCtl ctl;

    BoardWindows()
    {
        board.setOptionDialog(&option);
        board.setControlPanel(&ctl);
        ctl.setBoard(&board);
        ctl.setOptionDialog(&option);
        option.setLinks(&board, &ctl);
        option.setSeiriPrevHost(&ctl);
    }
    BoardWindows(const BoardWindows&) = delete;
    BoardWindows& operator=(const BoardWindows&) = delete;

    // The board's load order: the board first, then the panel.
    void Load()
    {
        board.Form_Load();
        ctl.Form_Load();
    }
};
