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

// While one lives, the program is busy: nothing may enter the operation
// under way. Every wait and DoEvents holds one, since they are the only
// places where events run inside a handler. User input waits by itself (see
// above); what comes from elsewhere (a run's timer, a web page's press) waits
// through WhenIdle.
class BusyScope final {
public:
    BusyScope();
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};
bool IsBusy();

// Runs fn when the program is not busy: at once, or after the busy
// operations have ended and returned to the event loop, in the order asked.
void WhenIdle(std::function<void()> fn);

} // namespace ltm4
