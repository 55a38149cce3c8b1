// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Owns the three windows and the modules, hands each the others it works
// with, and runs the start-up order.

#include "app/CommandLine.h"
#include "panel/BoardWindows.h"
#include "settings/mdlIniIo.h"
#include "sound/MciInterpreter.h"
#include "sound/VoiceSettings.h"
#include "sound/mdlM_Tape.h"
#include "sound/mdlSndAPI.h"

#include <QPointer>

#include <memory>

class EditorLink;
class PanelRunHost;
class RunBar;
class RunExecutor;
class RouteEditor;
class WebHost;
class WebLink;
class WebServer;

class Rutomia final {
public:
    Rutomia();

    Rutomia(const Rutomia&) = delete;
    Rutomia& operator=(const Rutomia&) = delete;
    ~Rutomia();

    // Start-up: the board's load order, then the board is shown; then what
    // the command line asked for.
    void Start(const CommandLine& options = {});

    // 路線エディター on a route number or a .hy3 file, or on the route set on
    // the panel (a blank table without one). Null when nothing was opened.
    RouteEditor* OpenEditor(const QString& target = {});

    // The web view: its dialog (「Web 表示…」), and on for this run only
    // (--serve), the URLs printed; false, with the reason, when it cannot
    // listen.
    void OpenWebDialog();

    // 運行: the bar (「運行…」, key U), and a run started as the program
    // starts (--run) once the windows are up and the voice is known.
    RunBar& runBar();
    void OpenRunBar();
    void StartRun(const RunRequest& request);
    RunExecutor& run();
    bool Serve(QString* error);
    WebServer& webServer();
    WebHost& webHost();

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
    // The saved web settings' server, once the windows are up.
    void StartWebView();

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

    std::unique_ptr<EditorLink> m_editorLink;
    std::unique_ptr<PanelRunHost> m_runHost;
    std::unique_ptr<RunExecutor> m_run;
    std::unique_ptr<RunBar> m_runBar;
    bool m_runBarPlaced = false;
    // Made when first needed: nothing of the web view runs while it is off.
    std::unique_ptr<WebLink> m_webLink;
    std::unique_ptr<WebServer> m_web;
};
