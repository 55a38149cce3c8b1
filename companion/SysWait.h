// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Blocking waits (lamp test, synchronous sounds). Windows keep painting and
// timers keep running during a wait, but user input is held back, as the
// program's long operations always did. Tests replace the wait to make it instant.

#include <functional>

namespace ltm4 {

void Wait(int ms);

// Lets pending events run once.
void DoEvents();

// An empty function restores the real wait. Returns the previous one.
std::function<void(int)> SetWaitOverride(std::function<void(int)> wait);

} // namespace ltm4
