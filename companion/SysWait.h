// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Blocking waits (lamp test, synchronous sounds). Windows keep painting and
// timers keep running during a wait, but user input is held back, as the
// program's long operations always did. Tests replace the wait to make it instant.

#include <functional>

namespace ltm4 {

void Wait(int ms);

// Waits in the same way until done() answers true, asking it every few
// milliseconds (a blocking sound waits for its end). Under an override the
// wait is a run of short waits handed to the override, each followed by the
// question, so that a test's wait decides how time passes.
void WaitUntil(const std::function<bool()>& done);

// Lets pending events run once: painting, timers, posted events; user input
// stays queued until the running handler has returned.
void DoEvents();

// An empty function restores the real wait. Returns the previous one.
std::function<void(int)> SetWaitOverride(std::function<void(int)> wait);

} // namespace ltm4
