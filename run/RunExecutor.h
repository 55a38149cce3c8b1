// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Carries out a run's schedule on the simulated clock. The clock is the
// monotonic clock (ltm4::MonotonicMs) scaled by the speed from an anchor, so
// pausing, a change of speed or a late action never makes it drift; one timer
// is armed for the next action from that clock.
//
// An action waits while a blocking wait is in progress, and a press waits for
// the speech before it; actions that fell behind then run one after another
// until the run is back on time. When the board or the tape was moved by
// hand (the host says so through hostMoved(), or the run finds it before its
// next action), the run goes on from there: after a move of the board, at
// that row's scheduled time; after a move of the tape alone, with the clock
// where it is. Nothing skipped is pressed afterwards.

#include "run/RunHost.h"
#include "run/RunSchedule.h"

#include <QObject>
#include <QTimer>

class RunExecutor final : public QObject {
    Q_OBJECT
public:
    explicit RunExecutor(RunHost& host, QObject* parent = nullptr);
    ~RunExecutor() override;

    // Starts a run of plan from the start row with the tape where the host
    // has it (a run in progress ends first). False for a route without rows.
    bool start(const RunPlan& plan);
    void stop();
    void pause();
    void resume();
    // Simulated seconds per real second; the simulated clock carries on from
    // where it is. Ignored unless positive.
    void setSpeed(double speed);

    // The host calls this after the user stepped or announced by hand.
    void hostMoved();
    // The host may call this when speech or a blocking wait ends, so that a
    // waiting action runs at once rather than at the next look.
    void wake();

    bool isRunning() const { return m_running; }
    bool isPaused() const { return m_paused; }
    double speed() const { return m_speed; }
    qint64 clockMs() const; // the simulated clock
    QString clockText() const { return FormatRunClock(clockMs()); }
    const RunSchedule& schedule() const { return m_schedule; }
    // The actions of the current trip from the last rebuild on, and the next one's index.
    const QList<RunAction>& actions() const { return m_actions; }
    qsizetype nextAction() const { return m_next; }

    // Tests: when the timer is due on the monotonic clock (-1: not armed),
    // and what its timeout does.
    qint64 timerDueMs() const { return m_timer.isActive() ? m_dueMono : -1; }
    void fireTimer() { onTimer(); }

    // How often a waiting action looks again whether it may run.
    static constexpr int kWaitPollMs = 20;

signals:
    void performed(const RunAction& action);
    // A trip without a loop has ended.
    void finished();
    // The run stopped by itself; reason is a Japanese sentence for the user.
    void refused(const QString& reason);
    // After every move, a manual one too, and on pause, resume and speed.
    void changed();

private:
    void onTimer();
    void arm();
    bool blocked(const RunAction& a) const;
    void anchor(qint64 simMs);
    bool followHost();
    void rebuild(const RunPosition& pos);
    void perform();
    void halt(const QString& reason);

    RunHost& m_host;
    RunSchedule m_schedule;
    QList<RunAction> m_actions;
    qsizetype m_next = 0;
    RunPosition m_at; // where the host should stand by now
    bool m_running = false;
    bool m_paused = false;
    bool m_inAction = false;
    quint64 m_generation = 0; // counts start()s
    double m_speed = 1.0;
    qint64 m_anchorSim = 0;
    qint64 m_anchorMono = 0;
    qint64 m_dueMono = 0;
    QTimer m_timer;
};
