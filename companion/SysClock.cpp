// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/SysClock.h"

#include <chrono>
#include <utility>

namespace ltm4 {

namespace {
std::function<QDateTime()>& overrideSlot()
{
    static std::function<QDateTime()> f;
    return f;
}

std::function<qint64()>& monotonicSlot()
{
    static std::function<qint64()> f;
    return f;
}
} // namespace

QDateTime Now()
{
    if (const std::function<QDateTime()> f = overrideSlot())
        return f();
    return QDateTime::currentDateTime();
}

std::function<QDateTime()> SetNowOverride(std::function<QDateTime()> now)
{
    return std::exchange(overrideSlot(), std::move(now));
}

qint64 MonotonicMs()
{
    if (const std::function<qint64()>& f = monotonicSlot())
        return f();
    // steady_clock is the system's monotonic clock, the one QTimer waits on.
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::function<qint64()> SetMonotonicOverride(std::function<qint64()> clock)
{
    return std::exchange(monotonicSlot(), std::move(clock));
}

} // namespace ltm4
