// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Simulated passengers for a run: as the bus sets off towards a stop, a
// passenger wants to get off there with a given probability and presses the
// stop-request button at a random moment before the bus arrives. One request
// at most is pending: the next step ends the approach, asked for or not.
//
// The generator is seeded, so the same seed makes the same passengers.

#include <QRandomGenerator>

#include <optional>

class StopRequestSim final {
public:
    explicit StopRequestSim(quint32 seed) : m_rng(seed) {}
    void reseed(quint32 seed) { m_rng.seed(seed); }

    // 0..100; values outside are brought within. Read at each approach.
    void setPercent(int percent);
    int percent() const { return m_percent; }

    // The bus left for row at nowMs (simulated clock) and arrives at
    // arrivalMs. Replaces what was pending. True when a passenger will ask.
    bool approach(int row, qint64 nowMs, qint64 arrivalMs);
    // The approach ended (the next step, the end of the run).
    void clear() { m_due.reset(); }

    // When the pending request falls due, on the simulated clock.
    std::optional<qint64> dueMs() const { return m_due; }
    int dueRow() const { return m_row; }
    // True once, when a request is pending and due by nowMs.
    bool take(qint64 nowMs);

private:
    QRandomGenerator m_rng;
    int m_percent = 0;
    std::optional<qint64> m_due;
    int m_row = 0;
};
