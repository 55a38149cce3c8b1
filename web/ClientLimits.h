// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How much one address may ask of the server: connections open at once and
// requests (connections, since each carries one request) per second.

#include <QHash>
#include <QString>

#include <deque>

class ClientLimits final {
public:
    static constexpr int kConnections = 16;
    static constexpr int kPerSecond = 50;
    // Addresses remembered at most; beyond that the quietest are forgotten.
    static constexpr int kAddresses = 1024;

    enum class Verdict { Admit, TooManyOpen, TooOften };

    // A new connection from an address at a monotonic time in milliseconds.
    // An admitted one counts as open until Closed().
    Verdict Open(const QString& address, qint64 nowMs);
    void Closed(const QString& address);

    int OpenCount(const QString& address) const;
    int Addresses() const { return int(m_clients.size()); }

private:
    struct Client {
        int open = 0;
        std::deque<qint64> recent; // admissions in the last second
    };
    void Forget(qint64 nowMs);

    QHash<QString, Client> m_clients;
};
