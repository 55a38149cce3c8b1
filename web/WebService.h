// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The server itself, on a thread of its own: Qt's HTTP server behind the
// gate, the pages, the API and the WebSockets of the board and the panel.
// It knows nothing of the program: pictures and the panel's state come in,
// presses go out, each through the WebServer that owns it.

#include "web/WebPress.h"

#include <QByteArray>
#include <QHash>
#include <QHttpServer>
#include <QImage>
#include <QList>
#include <QObject>
#include <QRect>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

class QWebSocket;
class WebGate;

// A part of the board at 1x, drawn; or the whole board, which also gives
// its size.
struct BoardPart {
    QRect rect;
    QImage image;
    bool whole = false;
};

class WebService final : public QObject {
    Q_OBJECT
public:
    struct Config {
        QByteArray token;
        quint16 port = 0;
        bool lan = false;
        int idleMs = 10000;
    };
    // Calls back to the owner, made on this object's thread; the owner
    // carries them over to its own.
    struct Outlets {
        std::function<void(const WebPress&)> press;
        std::function<void(int board, int panel)> viewers;
        std::function<void()> wholeBoardWanted;
        std::function<void()> partsSent;
    };

    static constexpr int kMaxQueuedPresses = 64;
    static constexpr int kMaxViewers = 64;
    // A viewer this far behind skips parts and is sent the whole board once
    // it has caught up.
    static constexpr qint64 kMaxBacklog = 1 << 20;
    static constexpr int kPingMs = 15000;

    WebService(Config config, Outlets outlets, std::shared_ptr<std::atomic<int>> queuedPresses);
    ~WebService() override;

    // Starts listening; an empty text, or what went wrong for the user.
    QString Listen();
    quint16 Port() const { return m_port; }
    QList<QByteArray> Hosts() const { return m_hosts; }
    WebGate* Gate() const { return m_gate; }

    void SetState(const QByteArray& json);
    void SendParts(const QList<BoardPart>& parts);

private:
    struct Viewer {
        QWebSocket* socket = nullptr;
        bool board = false;
        bool needWhole = true;
        qint64 lastPong = 0;
    };

    void AddRoutes();
    QHttpServerResponse Page(const QHttpServerRequest& request, const QString& name);
    QHttpServerResponse State(const QHttpServerRequest& request);
    QHttpServerResponse PressRoute(const QString& control, const QHttpServerRequest& request);
    bool Allowed(const QHttpServerRequest& request) const;
    QHttpServerResponse Respond(const QHttpServerRequest& request, int status,
                                const QByteArray& type, const QByteArray& body) const;
    QHttpServerResponse Error(const QHttpServerRequest& request, int status,
                              const QString& text) const;
    void NewSocket();
    void DropSocket(QWebSocket* socket);
    void SendWhole(Viewer& viewer);
    void CatchUp();
    void Ping();
    void TellViewers();

    Config m_config;
    Outlets m_outlets;
    std::shared_ptr<std::atomic<int>> m_queued;
    QHttpServer m_http;
    WebGate* m_gate = nullptr;
    quint16 m_port = 0;
    QList<QByteArray> m_hosts;
    QHash<QString, QPair<QByteArray, QByteArray>> m_files; // name: type, bytes

    QHash<QWebSocket*, Viewer> m_viewers;
    QTimer m_ping;
    QByteArray m_state = "{}";

    QImage m_board; // what the viewers see, kept whole while any watch
    bool m_boardValid = false;
    QByteArray m_wholeMessage; // m_board as a message, until it changes
    bool m_wholeAsked = false;
    quint32 m_sequence = 0;
};
