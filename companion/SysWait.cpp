// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/SysWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <deque>
#include <utility>

namespace ltm4 {

namespace {

// Often enough that a wait ends well within one audio buffer of the event.
constexpr int kPollMs = 5;

std::function<void(int)>& overrideSlot()
{
    static std::function<void(int)> f;
    return f;
}

int g_busy = 0; // BusyScopes alive (user-interface thread only)

std::deque<std::function<void()>>& idleQueue()
{
    static std::deque<std::function<void()>> q;
    return q;
}

// What waited for the program to be idle, in order, from the event loop:
// never inside the handler whose end made it idle.
void scheduleDrain()
{
    QTimer::singleShot(0, QCoreApplication::instance(), [] {
        auto& q = idleQueue();
        while (!q.empty() && g_busy == 0) {
            const std::function<void()> fn = std::move(q.front());
            q.pop_front();
            fn();
        }
    });
}

} // namespace

BusyScope::BusyScope()
{
    ++g_busy;
}

BusyScope::~BusyScope()
{
    if (--g_busy == 0 && !idleQueue().empty())
        scheduleDrain();
}

bool IsBusy()
{
    return g_busy > 0;
}

void WhenIdle(std::function<void()> fn)
{
    // Behind anything already waiting, so that the order stays as asked.
    if (g_busy == 0 && idleQueue().empty()) {
        fn();
        return;
    }
    idleQueue().push_back(std::move(fn));
    if (g_busy == 0)
        scheduleDrain();
}

void Wait(int ms)
{
    const BusyScope busy;
    if (const std::function<void(int)> f = overrideSlot()) {
        f(ms);
        return;
    }
    if (ms <= 0) {
        DoEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void WaitUntil(const std::function<bool()>& done)
{
    if (done())
        return;
    const BusyScope busy;
    if (const std::function<void(int)> f = overrideSlot()) {
        do
            f(kPollMs);
        while (!done());
        return;
    }
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(kPollMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void DoEvents()
{
    // Input waits for the handler that is running, so that it acts after it,
    // in the order given, never in the middle of it; what waits for the
    // program to be idle waits too.
    const BusyScope busy;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

std::function<void(int)> SetWaitOverride(std::function<void(int)> wait)
{
    return std::exchange(overrideSlot(), std::move(wait));
}

} // namespace ltm4
