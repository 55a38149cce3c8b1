// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The run's view of the program: it presses the panel's buttons as a driver
// would, and hears when the user pressed them.

#include "run/RunHost.h"
#include "runbar/RunBarHost.h"

#include <QObject>
#include <QString>

class frmCtl;
class frmOption;
class mdlM_Tape;
class RunExecutor;

class PanelRunHost final : public QObject, public RunHost, public RunBarHost {
    Q_OBJECT
public:
    // Made with the windows, before any run: a route set before the run bar
    // was first opened counts as just set.
    PanelRunHost(frmCtl& ctl, frmOption& option, mdlM_Tape& tape);

    // The run told of the user's moves; a route set by anyone but the run
    // ends it.
    void follow(RunExecutor& run);

    void pressTapeNext() override;
    void pressDataNext() override;
    bool setRoute(int startRow) override;
    bool speaking() const override;
    bool waiting() const override;
    int currentRow() const override;
    int tapePosition() const override;

    QStringList stopNames() const override;
    QList<TimetableRow> timetable() const override;
    QString timetableError() const override { return m_timetableError; }
    QList<TapeEntry> tapeEntries() const override;
    bool setRouteAt(int row) override { return setRoute(row); }
    void requestStop() override;

private:
    frmCtl& m_ctl;
    frmOption& m_option;
    mutable QString m_timetableError;
    mdlM_Tape& m_tape;
    int m_pressing = 0; // presses of the run under way
    // The route was set and nothing has moved since (set by anyone: the
    // keypad, 試す, --run, the run itself).
    bool m_justSet = false;
};
