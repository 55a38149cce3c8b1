// SPDX-License-Identifier: GPL-3.0-or-later
#include "runbar/PassengerRequests.h"

#include "companion/SysClock.h"
#include "companion/SysWait.h"
#include "run/RunExecutor.h"
#include "runbar/RunBarHost.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kMaxArmMs = 24 * 3600 * 1000;

} // namespace

PassengerRequests::PassengerRequests(RunExecutor& run, RunBarHost& host, quint32 seed,
                                     QObject* parent)
    : QObject(parent), m_run(run), m_host(host), m_sim(seed)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PassengerRequests::onTimer);
    connect(&m_run, &RunExecutor::performed, this, &PassengerRequests::onPerformed);
    connect(&m_run, &RunExecutor::changed, this, &PassengerRequests::onChanged);
    connect(&m_run, &RunExecutor::finished, this, &PassengerRequests::onEnded);
    connect(&m_run, &RunExecutor::refused, this, &PassengerRequests::onEnded);
}

void PassengerRequests::runStarted()
{
    m_sim.clear();
    m_tripOffsetMs = 0;
    m_row = m_host.currentRow();
    arm();
}

void PassengerRequests::onPerformed(const RunAction& action)
{
    if (action.kind == RunActionKind::SetRoute) {
        // The next trip: its times are the timetable's, later by this much.
        const RunSchedule& s = m_run.schedule();
        const int start = s.plan().startRow;
        if (start >= 1 && start <= s.rowCount())
            m_tripOffsetMs = action.simMs - s.stops()[start - 1].departureMs;
        m_sim.clear();
        m_row = m_host.currentRow();
        arm();
        return;
    }
    follow(action.underway);
}

void PassengerRequests::onChanged()
{
    if (!m_run.isRunning()) {
        onEnded();
        return;
    }
    // A move by hand puts the bus on its way to the row shown (but the first).
    follow(m_host.currentRow() > 1);
}

void PassengerRequests::onEnded()
{
    m_sim.clear();
    m_timer.stop();
}

void PassengerRequests::follow(bool underway)
{
    const int row = m_host.currentRow();
    if (row != m_row) {
        m_row = row;
        m_sim.clear();
        const RunSchedule& s = m_run.schedule();
        if (m_run.isRunning() && underway && row >= 1 && row < s.rowCount()) {
            const qint64 arrival = s.stops()[row - 1].arrivalMs + m_tripOffsetMs;
            m_sim.approach(row, m_run.clockMs(), arrival);
        }
    }
    arm();
}

void PassengerRequests::arm()
{
    m_timer.stop();
    const std::optional<qint64> due = m_sim.dueMs();
    if (!due || !m_run.isRunning() || m_run.isPaused())
        return;
    const qint64 ahead = *due - m_run.clockMs();
    const int interval =
        ahead > 0 ? int(std::clamp<qint64>(qint64(std::ceil(double(ahead) / m_run.speed())), 1,
                                           kMaxArmMs))
                  : 0;
    m_dueMono = ltm4::MonotonicMs() + interval;
    m_timer.start(interval);
}

void PassengerRequests::onTimer()
{
    if (!m_run.isRunning() || m_run.isPaused())
        return;
    if (!m_sim.take(m_run.clockMs())) {
        arm();
        return;
    }
    const int row = m_sim.dueRow();
    // Not inside a lamp test or a blocking sound; and only if the bus is
    // still on its way to that stop when the wait is over.
    ltm4::WhenIdle([self = QPointer<PassengerRequests>(this), row] {
        if (!self || !self->m_run.isRunning() || self->m_host.currentRow() != row)
            return;
        self->m_host.requestStop();
        emit self->requested(row);
    });
}
