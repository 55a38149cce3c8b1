// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/PressQueue.h"

#include "web/WebHost.h"

#include <QPointer>
#include <QTimer>

PressQueue::PressQueue(WebHost& host, std::shared_ptr<std::atomic<int>> queued, QObject* parent)
    : QObject(parent), m_host(host), m_queued(std::move(queued))
{
}

void PressQueue::Add(const WebPress& press)
{
    m_presses.push_back(press);
    if (!m_handedOver)
        Next();
}

void PressQueue::Next()
{
    if (m_handedOver || m_presses.empty())
        return;
    m_handedOver = true;
    m_host.WhenIdle([self = QPointer<PressQueue>(this)] {
        if (self)
            self->RunFront();
    });
}

void PressQueue::RunFront()
{
    const WebPress press = m_presses.front();
    m_presses.pop_front();
    // Still handed over while it runs: a press that arrives meanwhile (its
    // handler may let events run) waits for this one to return.
    m_host.Press(press);
    --*m_queued;
    m_handedOver = false;
    // The next after a turn of the event loop, so the board can show this one.
    if (!m_presses.empty())
        QTimer::singleShot(0, this, &PressQueue::Next);
}
