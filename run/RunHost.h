// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the run asks of the program: to press the buttons a driver would, and
// what it needs to know to press them at the right moment. app/ implements
// it over the control panel and the announcement module.

class RunHost {
public:
    virtual ~RunHost() = default;

    // As the user's 送り and データ送り.
    virtual void pressTapeNext() = 0;
    virtual void pressDataNext() = 0;
    // The route set again with startRow as its section (a loop). False when
    // it was refused or failed: the run then stops.
    virtual bool setRoute(int startRow) = 0;

    // An announcement (or the chime before it) is sounding: true from the
    // moment 送り was pressed until its speech has ended.
    virtual bool speaking() const = 0;
    // A blocking wait is in progress (the route set's lamp test, a
    // synchronous sound): the run presses nothing inside it.
    virtual bool waiting() const = 0;

    // The board's row, 1-based, and the tape position (0: before the first entry).
    virtual int currentRow() const = 0;
    virtual int tapePosition() const = 0;
};
