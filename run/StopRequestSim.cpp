// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/StopRequestSim.h"

#include <algorithm>

void StopRequestSim::setPercent(int percent)
{
    m_percent = std::clamp(percent, 0, 100);
}

bool StopRequestSim::approach(int row, qint64 nowMs, qint64 arrivalMs)
{
    // Both numbers are drawn every time, so that a change of the percentage
    // does not shift the moments of the passengers after it.
    const quint32 roll = m_rng.bounded(100u);
    const double moment = m_rng.generateDouble();
    m_due.reset();
    m_row = row;
    if (roll >= quint32(m_percent))
        return false;
    // A bus that left late may have no time left before its arrival: the
    // passenger then asks at once.
    const qint64 span = std::max<qint64>(arrivalMs - nowMs, 0);
    m_due = nowMs + qint64(moment * double(span));
    return true;
}

bool StopRequestSim::take(qint64 nowMs)
{
    if (!m_due || nowMs < *m_due)
        return false;
    m_due.reset();
    return true;
}
