// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/SysWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

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
} // namespace

void Wait(int ms)
{
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
    // in the order given, never in the middle of it.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

std::function<void(int)> SetWaitOverride(std::function<void(int)> wait)
{
    return std::exchange(overrideSlot(), std::move(wait));
}

} // namespace ltm4
