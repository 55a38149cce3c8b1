// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebGate.h"

#include "web/RequestHead.h"
#include "web/WebAccess.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace {

// How long a refused client has to read its answer.
constexpr int kLingerMs = 2000;

const char* Reason(int status)
{
    switch (status) {
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 408:
        return "Request Timeout";
    case 413:
        return "Content Too Large";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Service Unavailable";
    }
}

QString Explanation(int status)
{
    switch (status) {
    case 400:
        return QStringLiteral("リクエストの形が正しくありません。");
    case 403:
        return QStringLiteral("アクセスできません。URL の t= (合言葉) と開いたアドレスを"
                              "確かめてください。");
    case 408:
        return QStringLiteral("リクエストが時間内に届きませんでした。");
    case 413:
        return QStringLiteral("リクエストの本文が大きすぎます (4 KiB まで)。");
    case 429:
        return QStringLiteral("リクエストが多すぎます。少し待ってからやり直してください。");
    case 431:
        return QStringLiteral("リクエストのヘッダーが大きすぎます (8 KiB まで)。");
    default:
        return QStringLiteral("接続が多すぎます。少し待ってからやり直してください。");
    }
}

QByteArray Answer(int status)
{
    const QByteArray body = Explanation(status).toUtf8() + '\n';
    QByteArray a = "HTTP/1.1 " + QByteArray::number(status) + ' ' + Reason(status) + "\r\n";
    a += "Content-Type: text/plain; charset=utf-8\r\n";
    a += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    a += "Cache-Control: no-store\r\n";
    a += "X-Content-Type-Options: nosniff\r\n";
    if (status == 429 || status == 503)
        a += "Retry-After: 1\r\n";
    a += "Connection: close\r\n\r\n";
    return a + body;
}

qint64 NowMs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

// Our half of a connection closed, the client's left open.
void StopSending(qintptr descriptor)
{
#ifdef Q_OS_WIN
    ::shutdown(SOCKET(descriptor), SD_SEND);
#else
    ::shutdown(int(descriptor), SHUT_WR);
#endif
}

QByteArrayView PathOf(QByteArrayView target)
{
    const qsizetype q = target.indexOf('?');
    return q < 0 ? target : target.first(q);
}

QByteArrayView QueryOf(QByteArrayView target)
{
    const qsizetype q = target.indexOf('?');
    return q < 0 ? QByteArrayView() : target.sliced(q + 1);
}

} // namespace

// A connection's state while it passes the gate; a child of its socket, so
// it goes with it wherever the socket goes.
struct WebGate::Entry final : QObject {
    Entry(QTcpSocket* socket, std::shared_ptr<ClientLimits> limits,
          std::shared_ptr<std::atomic<int>> open, QString address, bool counted)
        : QObject(socket), limits(std::move(limits)), open(std::move(open)),
          address(std::move(address)), counted(counted)
    {
        idle.setSingleShot(true);
    }
    ~Entry() override
    {
        if (counted)
            limits->Closed(address);
        --*open;
    }
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

    std::shared_ptr<ClientLimits> limits;
    std::shared_ptr<std::atomic<int>> open;
    QString address;
    bool counted = false;
    QTimer idle;
    bool handed = false;
    bool refused = false;
    bool synthetic = false; // the hand-over's own readyRead is running
};

WebGate::WebGate(QObject* parent) : QTcpServer(parent) {}

WebGate::~WebGate() = default;

void WebGate::incomingConnection(qintptr handle)
{
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    // Never more than one request's worth waits in memory.
    socket->setReadBufferSize(m_rules.headLimit + m_rules.bodyLimit + 1024);
    const bool full = ++*m_open > m_rules.maxOpen;
    const QString address = socket->peerAddress().toString();
    const ClientLimits::Verdict verdict =
        full ? ClientLimits::Verdict::TooManyOpen : m_limits->Open(address, NowMs());
    auto* entry =
        new Entry(socket, m_limits, m_open, address, verdict == ClientLimits::Verdict::Admit);
    connect(socket, &QTcpSocket::disconnected, entry, [socket] { socket->deleteLater(); });
    connect(&entry->idle, &QTimer::timeout, entry, [this, socket, entry] {
        if (entry->handed || entry->refused)
            socket->abort();
        else
            Refuse(socket, entry, 408);
    });
    connect(socket, &QTcpSocket::readyRead, entry, [this, socket, entry] { Look(socket, entry); });
    if (full)
        return Refuse(socket, entry, 503);
    if (verdict != ClientLimits::Verdict::Admit)
        return Refuse(socket, entry, 429);
    entry->idle.start(m_rules.idleMs);
    if (socket->bytesAvailable() > 0)
        Look(socket, entry);
}

void WebGate::Look(QTcpSocket* socket, Entry* entry)
{
    if (entry->refused) {
        socket->skip(socket->bytesAvailable());
        return;
    }
    if (entry->handed) {
        if (entry->synthetic)
            return;
        // Bytes after a whole request: a second request on a connection that
        // closes after its answer. The server is not to read them.
        disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
        socket->abort();
        return;
    }
    const QByteArray data = socket->peek(m_rules.headLimit + m_rules.bodyLimit + 1);
    const RequestHead head = ScanRequestHead(data, m_rules.headLimit);
    switch (head.state) {
    case RequestHead::State::Incomplete:
        return;
    case RequestHead::State::TooLarge:
        return Refuse(socket, entry, 431);
    case RequestHead::State::Malformed:
        return Refuse(socket, entry, 400);
    case RequestHead::State::Complete:
        break;
    }
    if (head.contentLength > m_rules.bodyLimit)
        return Refuse(socket, entry, 413);
    const QUrlQuery query(QString::fromLatin1(QueryOf(head.target)));
    if (!WebAccess::HostAllowed(head.host, m_rules.hosts, m_rules.port) ||
        !WebAccess::OriginAllowed(head.origin, head.host) ||
        !WebAccess::SameToken(WebAccess::TokenOf(query), m_rules.token))
        return Refuse(socket, entry, 403);
    if (head.upgrade) {
        // Qt's server turns any request that asks for it into a WebSocket,
        // whatever its path: only the two sockets of the pages may ask.
        const QByteArrayView path = PathOf(head.target);
        if (head.method != "GET" || (path != "/ws/board" && path != "/ws/panel"))
            return Refuse(socket, entry, 400);
    }
    const qsizetype whole = head.length + qsizetype(head.contentLength);
    if (data.size() < whole)
        return; // the body is on its way
    if (data.size() > whole)
        return Refuse(socket, entry, 400);
    HandOver(socket, entry, head.upgrade);
}

void WebGate::HandOver(QTcpSocket* socket, Entry* entry, bool upgrade)
{
    entry->handed = true;
    if (upgrade) {
        // From here the WebSocket keeps its own time.
        entry->idle.stop();
    } else {
        entry->idle.start(m_rules.idleMs);
        connect(socket, &QTcpSocket::bytesWritten, entry, [socket] {
            if (socket->bytesToWrite() == 0)
                socket->disconnectFromHost();
        });
    }
    addPendingConnection(socket);
    emit newConnection();
    // The request is already in the socket's buffer: tell the server.
    QPointer<Entry> alive(entry);
    entry->synthetic = true;
    emit socket->readyRead();
    if (!alive)
        return;
    alive->synthetic = false;
    // A WebSocket owns its connection now: its frames are its own to read,
    // and it closes and deletes the socket itself.
    if (upgrade)
        disconnect(socket, nullptr, alive, nullptr);
}

void WebGate::Refuse(QTcpSocket* socket, Entry* entry, int status)
{
    entry->refused = true;
    entry->idle.start(kLingerMs);
    socket->skip(socket->bytesAvailable());
    // The answer, then our half of the connection closed while what the
    // client still sends is read and dropped: closing at once with unread
    // bytes would reset the connection and lose the answer on its way.
    connect(socket, &QTcpSocket::bytesWritten, entry, [socket] {
        if (socket->bytesToWrite() == 0 && socket->socketDescriptor() >= 0)
            StopSending(socket->socketDescriptor());
    });
    socket->write(Answer(status));
    emit Refused(status);
}
