// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/SysClock.h"

#include <utility>

namespace ltm4 {

namespace {
std::function<QDateTime()>& overrideSlot()
{
    static std::function<QDateTime()> f;
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

} // namespace ltm4
