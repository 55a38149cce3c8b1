// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/RunExecutor.h"

#include "companion/SysClock.h"

#include <algorithm>
#include <cmath>

namespace {

// Long timers are armed again on the way: nothing the run waits for is more
// than a day of real time away, and an int must hold the interval.
constexpr qint64 kMaxArmMs = 24 * 3600 * 1000;

} // namespace

RunExecutor::RunExecutor(RunHost& host, QObject* parent) : QObject(parent), m_host(host)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RunExecutor::onTimer);
}

RunExecutor::~RunExecutor() = default;

bool RunExecutor::start(const RunPlan& plan)
{
    stop();
    ++m_generation;
    m_schedule = RunSchedule(plan);
    if (m_schedule.rowCount() == 0)
        return false;
    m_speed = m_schedule.plan().speed;
    m_running = true;
    m_paused = false;
    const RunPosition pos = m_schedule.start(m_host.tapePosition());
    anchor(pos.simMs);
    rebuild(pos);
    arm();
    emit changed();
    return true;
}

void RunExecutor::stop()
{
    m_timer.stop();
    if (m_running)
        anchor(clockMs()); // the clock stands where the run ended
    m_running = false;
    m_paused = false;
}

void RunExecutor::pause()
{
    if (!m_running || m_paused)
        return;
    anchor(clockMs());
    m_paused = true;
    m_timer.stop();
    emit changed();
}

void RunExecutor::resume()
{
    if (!m_running || !m_paused)
        return;
    m_paused = false;
    anchor(m_anchorSim);
    arm();
    emit changed();
}

void RunExecutor::setSpeed(double speed)
{
    if (!(speed > 0) || !std::isfinite(speed))
        return;
    anchor(clockMs());
    m_speed = speed;
    arm();
    emit changed();
}

void RunExecutor::hostMoved()
{
    if (!m_running || m_inAction)
        return;
    if (followHost())
        arm();
}

void RunExecutor::wake()
{
    if (m_running && !m_paused && !m_inAction)
        arm();
}

qint64 RunExecutor::clockMs() const
{
    if (m_paused || !m_running)
        return m_anchorSim;
    return m_anchorSim + std::llround(double(ltm4::MonotonicMs() - m_anchorMono) * m_speed);
}

void RunExecutor::anchor(qint64 simMs)
{
    m_anchorSim = simMs;
    m_anchorMono = ltm4::MonotonicMs();
}

void RunExecutor::rebuild(const RunPosition& pos)
{
    m_at = pos;
    m_actions = m_schedule.actionsFrom(pos);
    m_next = 0;
}

bool RunExecutor::blocked(const RunAction& a) const
{
    return m_host.waiting() || (a.afterSpeech && m_host.speaking());
}

bool RunExecutor::followHost()
{
    const int row = m_host.currentRow();
    const int tape = m_host.tapePosition();
    if (row == m_at.row && tape == m_at.tape)
        return false;
    if (row < 1 || row > m_schedule.rowCount() || tape < 0 ||
        tape > m_schedule.plan().tape.size()) {
        // Another route, or another list: this run's times no longer apply.
        halt(QStringLiteral("系統が変わったので運行を止めました。"));
        return false;
    }
    if (row != m_at.row) {
        const RunPosition pos = m_schedule.atRow(row, tape, m_at.tripOffsetMs);
        anchor(pos.simMs);
        rebuild(pos);
    } else {
        // Only the tape moved: the bus is where it was, the clock runs on.
        RunPosition pos = m_at;
        pos.tape = tape;
        pos.simMs = clockMs();
        rebuild(pos);
    }
    emit changed();
    return true;
}

void RunExecutor::arm()
{
    m_timer.stop();
    if (!m_running || m_paused || m_inAction)
        return;
    if (m_next >= m_actions.size())
        return;
    const RunAction& a = m_actions[m_next];
    const qint64 ahead = a.simMs - clockMs();
    int interval = 0;
    if (ahead > 0)
        interval =
            int(std::clamp<qint64>(qint64(std::ceil(double(ahead) / m_speed)), 1, kMaxArmMs));
    else if (blocked(a))
        interval = kWaitPollMs;
    m_dueMono = ltm4::MonotonicMs() + interval;
    m_timer.start(interval);
}

void RunExecutor::onTimer()
{
    if (!m_running || m_paused || m_inAction)
        return;
    followHost();
    if (!m_running)
        return;
    if (m_next < m_actions.size()) {
        const RunAction& a = m_actions[m_next];
        if (clockMs() >= a.simMs && !blocked(a))
            perform();
    }
    // One action a turn: the event loop runs in between, so speech that has
    // just been asked for is under way before the next press looks at it.
    arm();
}

void RunExecutor::perform()
{
    const RunAction a = m_actions[m_next];
    const int rowBefore = m_host.currentRow();
    const int tapeBefore = m_host.tapePosition();
    const quint64 run = m_generation;
    // Whether a slot stopped this run or started another meanwhile.
    const auto gone = [&] { return !m_running || run != m_generation; };
    bool ok = true;
    m_inAction = true;
    switch (a.kind) {
    case RunActionKind::TapeNext:
        m_host.pressTapeNext();
        break;
    case RunActionKind::DataNext:
        m_host.pressDataNext();
        break;
    case RunActionKind::SetRoute:
        ok = m_host.setRoute(m_schedule.plan().startRow);
        break;
    }
    m_inAction = false;
    if (gone())
        return;
    ++m_next;
    if (a.kind == RunActionKind::SetRoute) {
        if (!ok) {
            halt(QStringLiteral("系統をもう一度設定できなかったので運行を止めました。"));
            return;
        }
        rebuild(m_schedule.nextTrip(a, m_host.tapePosition()));
    } else if (m_host.currentRow() == rowBefore && m_host.tapePosition() == tapeBefore) {
        // The button did nothing (disabled, say): pressing on would spin.
        halt(QStringLiteral("ボタンが効かないので運行を止めました。"));
        return;
    } else {
        m_at = {a.row, a.tape, a.underway, a.simMs, m_at.tripOffsetMs};
    }
    // Where the run stands is settled before anyone hears of it.
    emit performed(a);
    if (gone())
        return;
    emit changed();
    if (!gone() && m_next >= m_actions.size()) {
        stop();
        emit finished();
    }
}

void RunExecutor::halt(const QString& reason)
{
    stop();
    emit refused(reason);
}
