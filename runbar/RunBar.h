// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The 運行 bar: a small window, always on top, that runs the bus along its
// timetable. It chooses the start stop and the run's settings, starts,
// pauses, resumes and stops the run, shows the simulated clock, and lets
// simulated passengers press the stop-request button. Everything it knows of
// the route comes from its host; the run itself is RunExecutor's.

#include "run/RunSettings.h"

#include <QTimer>
#include <QWidget>

#include <functional>

class PassengerRequests;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class RunBarHost;
class RunExecutor;

class RunBar final : public QWidget {
    Q_OBJECT
public:
    // settingsFile: where the bar's settings are kept (RunSettings::DefaultFile()).
    RunBar(RunExecutor& run, RunBarHost& host, const QString& settingsFile,
           QWidget* parent = nullptr);
    ~RunBar() override;

    // The settings the controls show: the saved ones, or those a run was
    // started with.
    RunSettings settings() const;
    // Starts a run as 開始 does: the route is set again at startRow (0: the
    // row the board shows) and the run goes with these settings. The
    // controls show them; the saved settings stay as they are. False when
    // the run could not start; status() says why.
    bool startRun(const RunSettings& settings, int startRow = 0);
    // Stops the run as 停止 does.
    void stopRun();
    // Fills the start-stop list from the route now set. Call it after every
    // route set; showing the bar does it too.
    void refreshRoute();

    QString status() const;
    QString clockText() const;
    PassengerRequests& passengers() { return *m_passengers; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void build();
    void showSettings(const RunSettings& s);
    // The user changed one setting: it is shown, kept and saved.
    void edited(const std::function<void(RunSettings&)>& set);
    void onStartPause();
    void onSpeed();
    void onChanged();
    void onTick();
    void updateControls();
    void updateClock();
    void setStatus(const QString& text);
    int selectedSpeed() const;

    RunExecutor& m_run;
    RunBarHost& m_host;
    QString m_file;
    RunSettings m_saved;    // as in the file
    RunSettings m_current;  // as the controls show them
    bool m_showing = false; // controls being filled: not the user's change
    bool m_starting = false;
    bool m_started = false; // a run has been started: the clock means something
    QString m_mode;         // how the run is timed, for the status line

    PassengerRequests* m_passengers = nullptr;
    QTimer m_tick;

    QComboBox* m_stop = nullptr;
    QComboBox* m_speed = nullptr;
    QPushButton* m_startPause = nullptr;
    QPushButton* m_stopButton = nullptr;
    QCheckBox* m_loop = nullptr;
    QSpinBox* m_layover = nullptr;
    QSpinBox* m_interval = nullptr;
    QSpinBox* m_preArrival = nullptr;
    QSpinBox* m_percent = nullptr;
    QLabel* m_clock = nullptr;
    QLabel* m_status = nullptr;
};
