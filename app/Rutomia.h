// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Owns the three windows and the modules, hands each the others it works
// with, and runs the start-up order.

#include "panel/BoardWindows.h"
#include "settings/mdlIniIo.h"
#include "sound/MciInterpreter.h"
#include "sound/VoiceSettings.h"
#include "sound/mdlM_Tape.h"
#include "sound/mdlSndAPI.h"

class Rutomia final {
public:
    Rutomia();

    // Start-up: the board's load order, then the board is shown.
    void Start();

    Form1& board() { return m_windows.board; }
    frmCtl& panel() { return m_windows.ctl; }
    frmOption& options() { return m_windows.option; }
    mdlIniIo& ini() { return m_ini; }
    MciInterpreter& mci() { return m_mci; }
    mdlM_Tape& tape() { return m_tape; }

private:
    void PlacePanel();
    // What can wait until the windows are on screen: the audio device, the
    // MIDI soundfont, the speech engine and its voices.
    void AfterFirstPaint();
    // A saved place off every screen is moved just inside the nearest one.
    static void KeepWithinReach(QWidget& window);
    mdlM_Tape::Hooks TapeHooks();
    // "音声の調節": tried-out settings apply at once; Cancel brings back the old.
    void VoiceDialog(const QString& title);
    void ApplyVoice(const VoiceSettings& settings);

    BoardWindows m_windows;
    mdlIniIo m_ini;
    // The audio device opens on a worker thread once the windows are up
    // (AfterFirstPaint), or on the spot for a sound asked for before then.
    MciInterpreter m_mci{MciInterpreter::Opener(&MixerBackend::Create)};
    mdlSndAPI m_snd;
    // After the mixer: the speech engine plays on it and goes first. Read
    // before the tape's hooks are made: the engine is made with them.
    VoiceSettings m_voice = VoiceSettings::Load(VoiceSettings::DefaultFile());
    mdlM_Tape m_tape;
    QPoint m_placedAt;
};
