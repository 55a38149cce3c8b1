// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Owns the three windows and the modules, hands each the others it works
// with, and runs the start-up order.

#include "board/Form1.h"
#include "options/frmOption.h"
#include "panel/frmCtl.h"
#include "settings/mdlIniIo.h"
#include "sound/MciInterpreter.h"
#include "sound/mdlSndAPI.h"

class Rutomia final {
public:
    Rutomia();

    // Start-up: the board's load order, then the board is shown.
    void Start();

    Form1& board() { return m_board; }
    frmCtl& panel() { return m_ctl; }
    frmOption& options() { return m_option; }
    mdlIniIo& ini() { return m_ini; }
    MciInterpreter& mci() { return m_mci; }

private:
    void PlacePanel();
    // A saved place off every screen is moved just inside the nearest one.
    static void KeepWithinReach(QWidget& window);

    frmOption m_option;
    Form1 m_board;
    frmCtl m_ctl;
    mdlIniIo m_ini;
    // The audio device opens on a worker thread while the windows come up.
    MciInterpreter m_mci{MixerBackend::CreateAsync()};
    mdlSndAPI m_snd;
    QPoint m_placedAt;
};
