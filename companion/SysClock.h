// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The current date and time, and a monotonic clock for scheduling; both
// replaceable by tests.

#include <QDateTime>

#include <functional>

namespace ltm4 {

QDateTime Now();

// An empty function restores the system clock. Returns the previous override.
std::function<QDateTime()> SetNowOverride(std::function<QDateTime()> now);

// Milliseconds of a clock that only moves forward, whatever happens to the
// time of day (set by hand, changed by NTP): what timers are armed from.
qint64 MonotonicMs();

// An empty function restores the system's monotonic clock. Returns the
// previous override.
std::function<qint64()> SetMonotonicOverride(std::function<qint64()> clock);

} // namespace ltm4
