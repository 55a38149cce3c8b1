// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/ClientLimits.h"

namespace {

constexpr qint64 kWindowMs = 1000;

void DropOld(std::deque<qint64>& recent, qint64 nowMs)
{
    while (!recent.empty() && nowMs - recent.front() >= kWindowMs)
        recent.pop_front();
}

} // namespace

ClientLimits::Verdict ClientLimits::Open(const QString& address, qint64 nowMs)
{
    if (m_clients.size() >= kAddresses && !m_clients.contains(address))
        Forget(nowMs);
    Client& c = m_clients[address];
    DropOld(c.recent, nowMs);
    // Refusals count too: a flood stays refused for as long as it goes on.
    if (int(c.recent.size()) >= kPerSecond) {
        c.recent.pop_front();
        c.recent.push_back(nowMs);
        return Verdict::TooOften;
    }
    c.recent.push_back(nowMs);
    if (c.open >= kConnections)
        return Verdict::TooManyOpen;
    ++c.open;
    return Verdict::Admit;
}

void ClientLimits::Closed(const QString& address)
{
    const auto it = m_clients.find(address);
    if (it == m_clients.end())
        return;
    if (it->open > 0)
        --it->open;
}

int ClientLimits::OpenCount(const QString& address) const
{
    const auto it = m_clients.constFind(address);
    return it == m_clients.cend() ? 0 : it->open;
}

void ClientLimits::Forget(qint64 nowMs)
{
    // Addresses with nothing open and nothing in the last second first...
    for (auto it = m_clients.begin(); it != m_clients.end();) {
        DropOld(it->recent, nowMs);
        if (it->open == 0 && it->recent.empty())
            it = m_clients.erase(it);
        else
            ++it;
    }
    // ...then, under a flood from many addresses, any without an open
    // connection: their rate is forgotten, never their open count.
    for (auto it = m_clients.begin(); m_clients.size() >= kAddresses && it != m_clients.end();) {
        if (it->open == 0)
            it = m_clients.erase(it);
        else
            ++it;
    }
}
