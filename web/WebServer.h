// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The board and the panel in a browser: the server that the program's owner
// starts and stops. Off until started; on 127.0.0.1 only unless the LAN is
// asked for; every URL carries the token (?t=). The server runs on a thread
// of its own: what stays on the user-interface thread is drawing the parts of
// the board that changed (a few per frame, only while someone watches), a
// snapshot of the panel's state when it changes, and the presses themselves.

#include "web/WebHost.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QRegion>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <memory>

class PressQueue;
class QThread;
class WebGate;
class WebService;

class WebServer final : public QObject {
    Q_OBJECT
public:
    // The port unless another is chosen: "517" with a zero, clear of the
    // ports other programs usually take.
    static constexpr quint16 kDefaultPort = 5170;

    struct Settings {
        quint16 port = kDefaultPort; // 0: any free port
        bool lan = false;
        QByteArray token; // empty or not one of ours: a new one is made
        int idleMs = 10000;
    };

    // The most parts of the board sent in one frame; more are sent as their
    // bounding rectangle.
    static constexpr int kMaxParts = 8;
    // At most one frame of the board this often (40 a second): each frame
    // costs an encoding and a write to every viewer, so ten viewers at 50 a
    // second cost a fifth more than at 40, and 40 keep a scroll smooth.
    static constexpr int kFrameMs = 25;

    explicit WebServer(WebHost& host, QObject* parent = nullptr);
    ~WebServer() override;

    // Starts the server; false, with the reason for the user in error, when
    // it cannot listen (the port taken, say). Nothing runs then.
    bool Start(const Settings& settings, QString* error = nullptr);
    void Stop();
    bool IsRunning() const { return m_service != nullptr; }

    quint16 Port() const { return m_port; }
    // Whether it also listens on the LAN.
    bool Lan() const { return m_lan; }
    const QByteArray& Token() const { return m_token; }
    // The addresses it answers to ("127.0.0.1", "localhost", LAN addresses).
    const QList<QByteArray>& Hosts() const { return m_hosts; }
    // http://<host>:<port>/<page>?t=<token>
    QUrl Url(const QString& page, const QString& host = QStringLiteral("127.0.0.1")) const;

    int BoardViewers() const { return m_boardViewers; }
    int PanelViewers() const { return m_panelViewers; }
    // The listening socket (tests watch its refusals), on the server's thread.
    WebGate* Gate() const;

signals:
    void ViewersChanged(int board, int panel);

private:
    void BoardChanged(const QRegion& part);
    void ScheduleFlush();
    void Flush();
    void PartsSent();
    void SendState();
    void Viewers(int board, int panel);

    WebHost& m_host;
    QThread* m_thread = nullptr;
    QObject* m_anchor = nullptr; // lives on the server's thread
    WebService* m_service = nullptr;
    std::shared_ptr<std::atomic<int>> m_queued = std::make_shared<std::atomic<int>>(0);
    PressQueue* m_presses = nullptr;

    QByteArray m_token;
    quint16 m_port = 0;
    bool m_lan = false;
    QList<QByteArray> m_hosts;

    int m_boardViewers = 0;
    int m_panelViewers = 0;
    QRegion m_dirty;
    bool m_wantWhole = false;
    int m_inFlight = 0; // frames with the server, not yet sent
    bool m_flushWaiting = false;
    QTimer m_flush;
    QElapsedTimer m_sinceFlush;
    QTimer m_state;
    QByteArray m_lastState;
};
