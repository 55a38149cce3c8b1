// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The current date and time, replaceable by tests.

#include <QDateTime>

#include <functional>

namespace ltm4 {

QDateTime Now();

// An empty function restores the system clock. Returns the previous override.
std::function<QDateTime()> SetNowOverride(std::function<QDateTime()> now);

} // namespace ltm4
