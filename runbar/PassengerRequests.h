// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The simulated passengers of a run: follows the run as it steps towards
// each stop, lets StopRequestSim decide whether someone gets off there and
// when, and presses the host's stop-request button at that moment of the
// simulated clock. The terminus is left out: everyone gets off there anyway.

#include "run/StopRequestSim.h"

#include <QObject>
#include <QTimer>

class RunBarHost;
class RunExecutor;
struct RunAction;

class PassengerRequests final : public QObject {
    Q_OBJECT
public:
    PassengerRequests(RunExecutor& run, RunBarHost& host, quint32 seed, QObject* parent = nullptr);

    // Chance of a request per stop, 0..100; the next approach uses it.
    void setPercent(int percent) { m_sim.setPercent(percent); }
    int percent() const { return m_sim.percent(); }
    // The same seed makes the same passengers (tests, demonstrations).
    void reseed(quint32 seed) { m_sim.reseed(seed); }

    // A run has just started from the row the host shows.
    void runStarted();

    const StopRequestSim& sim() const { return m_sim; }
    // Tests: when the timer is due on the monotonic clock (-1: not armed),
    // and what its timeout does.
    qint64 timerDueMs() const { return m_timer.isActive() ? m_dueMono : -1; }
    void fireTimer() { onTimer(); }

signals:
    // The host's requestStop() was called for a passenger bound for row.
    void requested(int row);

private:
    void onPerformed(const RunAction& action);
    void onChanged();
    void onEnded();
    void follow(bool underway);
    void arm();
    void onTimer();

    RunExecutor& m_run;
    RunBarHost& m_host;
    StopRequestSim m_sim;
    QTimer m_timer;
    int m_row = 0;             // the board's row as last seen
    qint64 m_tripOffsetMs = 0; // the trips before this one, as the run counts them
    qint64 m_dueMono = 0;
};
