// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The listening socket handed to Qt's HTTP server. Qt's server reads any
// request of any size and keeps connections open as long as a client likes,
// so every connection passes here first: it is admitted by the address's
// limits, its request head is looked at (size, Host, Origin, token, body
// length) and only a whole request within the limits goes on to the server,
// which then answers it on a connection that closes after the answer. What
// fails is answered here (400, 403, 408, 413, 429, 431, 503) and closed.

#include "web/ClientLimits.h"

#include <QByteArray>
#include <QList>
#include <QTcpServer>

#include <atomic>
#include <memory>

class QTcpSocket;

class WebGate final : public QTcpServer {
    Q_OBJECT
public:
    struct Rules {
        QByteArray token;
        QList<QByteArray> hosts; // lower case, as HostAllowed takes them
        quint16 port = 0;        // the port Host must name
        qsizetype headLimit = 8192;
        qsizetype bodyLimit = 4096;
        // To send a whole request, and again to read the whole answer.
        int idleMs = 10000;
        // Connections open at once from all addresses together.
        int maxOpen = 256;
    };

    explicit WebGate(QObject* parent = nullptr);
    ~WebGate() override;

    void setRules(const Rules& rules) { m_rules = rules; }
    const Rules& rules() const { return m_rules; }

    // Connections open now; read from any thread.
    int OpenConnections() const { return m_open->load(); }

signals:
    // A connection refused here, with the status it was answered.
    void Refused(int status);

protected:
    void incomingConnection(qintptr handle) override;

private:
    struct Entry;
    void Look(QTcpSocket* socket, Entry* entry);
    void Refuse(QTcpSocket* socket, Entry* entry, int status);
    void HandOver(QTcpSocket* socket, Entry* entry, bool upgrade);

    Rules m_rules;
    // Shared with the connections, which may outlive this object a moment.
    std::shared_ptr<ClientLimits> m_limits = std::make_shared<ClientLimits>();
    std::shared_ptr<std::atomic<int>> m_open = std::make_shared<std::atomic<int>>(0);
};
