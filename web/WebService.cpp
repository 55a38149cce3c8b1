// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebService.h"

#include "web/BoardFrame.h"
#include "web/BoardView.h"
#include "web/WebAccess.h"
#include "web/WebControl.h"
#include "web/WebGate.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerRouterRule>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QPainter>
#include <QRegularExpressionMatch>
#include <QUrlQuery>
#include <QWebSocket>

namespace {

using Method = QHttpServerRequest::Method;
using Status = QHttpServerResponse::StatusCode;

constexpr quint64 kMaxIncomingMessage = 1024;

qint64 NowMs()
{
    return QDeadlineTimer::current().deadline();
}

// A header's one value; nullopt when absent or repeated.
struct Field {
    bool repeated = false;
    std::optional<QByteArray> value;
};

Field HeaderOf(const QHttpServerRequest& request, QByteArrayView name)
{
    Field f;
    for (const auto& [key, value] : request.headers()) {
        if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (f.value)
            f.repeated = true;
        f.value = value.trimmed();
    }
    return f;
}

bool IsApi(const QHttpServerRequest& request)
{
    return request.url().path().startsWith(u"/api/");
}

// The WebSockets' routes. Qt's server switches a request that matches one
// to a WebSocket at once, so everything is checked while matching; what
// does not match falls through to "not found".
class SocketRule final : public QHttpServerRouterRule {
public:
    SocketRule(const QString& path, std::function<bool(const QHttpServerRequest&)> allowed,
               RouterHandler handler)
        : QHttpServerRouterRule(path, std::move(handler)), m_allowed(std::move(allowed))
    {
    }

protected:
    bool matches(const QHttpServerRequest& request, QRegularExpressionMatch* match) const override
    {
        if (!QHttpServerRouterRule::matches(request, match) || request.method() != Method::Get)
            return false;
        const Field upgrade = HeaderOf(request, "upgrade");
        return upgrade.value && !upgrade.repeated &&
               upgrade.value->compare("websocket", Qt::CaseInsensitive) == 0 && m_allowed(request);
    }

private:
    std::function<bool(const QHttpServerRequest&)> m_allowed;
};

struct PageFile {
    const char* route;
    const char* resource;
    const char* type;
};

constexpr PageFile kFiles[] = {
    {"index", ":/web/index.html", "text/html; charset=utf-8"},
    {"board", ":/web/board.html", "text/html; charset=utf-8"},
    {"panel", ":/web/panel.html", "text/html; charset=utf-8"},
    {"web.css", ":/web/web.css", "text/css; charset=utf-8"},
    {"view.js", ":/web/view.js", "text/javascript; charset=utf-8"},
    {"board.js", ":/web/board.js", "text/javascript; charset=utf-8"},
    {"panel.js", ":/web/panel.js", "text/javascript; charset=utf-8"},
};

} // namespace

WebService::WebService(Config config, Outlets outlets,
                       std::shared_ptr<std::atomic<int>> queuedPresses)
    : m_config(std::move(config)), m_outlets(std::move(outlets)), m_queued(std::move(queuedPresses))
{
    for (const PageFile& f : kFiles) {
        QFile file(QString::fromLatin1(f.resource));
        if (file.open(QIODevice::ReadOnly))
            m_files.insert(QString::fromLatin1(f.route), {QByteArray(f.type), file.readAll()});
    }
    AddRoutes();
    connect(&m_http, &QHttpServer::newWebSocketConnection, this, &WebService::NewSocket);
    m_ping.setInterval(kPingMs);
    connect(&m_ping, &QTimer::timeout, this, &WebService::Ping);
    m_ping.start();
}

WebService::~WebService()
{
    for (QWebSocket* s : m_viewers.keys()) {
        s->disconnect(this);
        s->abort();
        delete s;
    }
}

QString WebService::Listen()
{
    auto* gate = new WebGate;
    const QHostAddress address =
        m_config.lan ? QHostAddress(QHostAddress::AnyIPv4) : QHostAddress(QHostAddress::LocalHost);
    if (!gate->listen(address, m_config.port)) {
        const bool inUse = gate->serverError() == QAbstractSocket::AddressInUseError;
        const QString reason = gate->errorString();
        delete gate;
        if (inUse)
            return QStringLiteral("ポート %1 はほかのプログラムが使っています。"
                                  "別のポート番号を選んでください。")
                .arg(m_config.port);
        return QStringLiteral("ポート %1 で待ち受けられません: %2").arg(m_config.port).arg(reason);
    }
    m_port = gate->serverPort();
    m_hosts = {"127.0.0.1", "localhost"};
    if (m_config.lan) {
        for (const QHostAddress& a : QNetworkInterface::allAddresses())
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
                m_hosts << a.toString().toLatin1();
    }
    WebGate::Rules rules;
    rules.token = m_config.token;
    rules.hosts = m_hosts;
    rules.port = m_port;
    rules.idleMs = m_config.idleMs;
    gate->setRules(rules);
    m_gate = gate;
    m_http.bind(gate);
    return {};
}

void WebService::AddRoutes()
{
    const auto page = [this](const QString& name) {
        return [this, name](const QHttpServerRequest& r) { return Page(r, name); };
    };
    m_http.route("/", page(QStringLiteral("index")));
    m_http.route("/board", page(QStringLiteral("board")));
    m_http.route("/panel", page(QStringLiteral("panel")));
    for (const char* file : {"web.css", "view.js", "board.js", "panel.js"})
        m_http.route(u'/' + QLatin1StringView(file), page(QString::fromLatin1(file)));
    m_http.route("/api/state", [this](const QHttpServerRequest& r) { return State(r); });
    m_http.route("/api/press/<arg>", [this](const QString& control, const QHttpServerRequest& r) {
        return PressRoute(control, r);
    });
    const auto allowed = [this](const QHttpServerRequest& r) { return Allowed(r); };
    for (const char* path : {"/ws/board", "/ws/panel"}) {
        // Answered by the switch to a WebSocket; nothing is written here.
        m_http.route<SocketRule>(QString::fromLatin1(path), allowed, [](QHttpServerResponder&&) {});
    }
    m_http.setMissingHandler([this](const QHttpServerRequest& r, QHttpServerResponder&& out) {
        Error(r, 404, QStringLiteral("そのようなページはありません。")).write(std::move(out));
    });
}

bool WebService::Allowed(const QHttpServerRequest& request) const
{
    const Field host = HeaderOf(request, "host");
    const Field origin = HeaderOf(request, "origin");
    return host.value && !host.repeated && !origin.repeated &&
           WebAccess::HostAllowed(*host.value, m_hosts, m_port) &&
           WebAccess::OriginAllowed(origin.value, *host.value) &&
           WebAccess::SameToken(WebAccess::TokenOf(request.query()), m_config.token);
}

QHttpServerResponse WebService::Respond(const QHttpServerRequest& request, int status,
                                        const QByteArray& type, const QByteArray& body) const
{
    QHttpServerResponse r(type, body, Status(status));
    r.setHeader("Cache-Control", "no-store");
    r.setHeader("X-Content-Type-Options", "nosniff");
    r.setHeader("Referrer-Policy", "no-referrer");
    // The pages' own scripts, styles and socket, nothing else; connect-src
    // names the socket's address because 'self' does not cover ws: in
    // every browser. The host is one the server answers to, so it is safe here.
    QByteArray csp = "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'";
    const Field host = HeaderOf(request, "host");
    if (host.value && !host.repeated && WebAccess::HostAllowed(*host.value, m_hosts, m_port))
        csp += "; connect-src 'self' ws://" + *host.value;
    r.setHeader("Content-Security-Policy", csp);
    r.setHeader("Connection", "close");
    return r;
}

QHttpServerResponse WebService::Error(const QHttpServerRequest& request, int status,
                                      const QString& text) const
{
    if (IsApi(request))
        return Respond(request, status, "application/json; charset=utf-8",
                       QJsonDocument(QJsonObject{{QStringLiteral("error"), text}})
                           .toJson(QJsonDocument::Compact));
    return Respond(request, status, "text/plain; charset=utf-8", text.toUtf8() + '\n');
}

QHttpServerResponse WebService::Page(const QHttpServerRequest& request, const QString& name)
{
    if (!Allowed(request))
        return Error(request, 403, QStringLiteral("アクセスできません。"));
    if (request.method() != Method::Get)
        return Error(request, 405, QStringLiteral("GET で開いてください。"));
    const auto file = m_files.constFind(name);
    if (file == m_files.cend())
        return Error(request, 404, QStringLiteral("そのようなページはありません。"));
    QByteArray body = file->second;
    if (file->first.startsWith("text/html")) {
        if (name == u"board") {
            const BoardViewResult view = ParseBoardView(request.query());
            if (!view.view)
                return Error(request, 400, view.error);
            body.replace("{{zoom}}", QByteArray::number(view.view->zoom));
            body.replace("{{bg}}", view.view->background.toLatin1());
        }
        body.replace("{{t}}", m_config.token);
    }
    return Respond(request, 200, file->first, body);
}

QHttpServerResponse WebService::State(const QHttpServerRequest& request)
{
    if (!Allowed(request))
        return Error(request, 403, QStringLiteral("アクセスできません。"));
    if (request.method() != Method::Get)
        return Error(request, 405, QStringLiteral("GET で読んでください。"));
    return Respond(request, 200, "application/json; charset=utf-8", m_state);
}

QHttpServerResponse WebService::PressRoute(const QString& control,
                                           const QHttpServerRequest& request)
{
    if (!Allowed(request))
        return Error(request, 403, QStringLiteral("アクセスできません。"));
    if (request.method() != Method::Post)
        return Error(request, 405, QStringLiteral("操作は POST で送ってください。"));
    const QStringList states =
        request.query().allQueryItemValues(QStringLiteral("state"), QUrl::FullyDecoded);
    if (states.size() > 1)
        return Error(request, 400, QStringLiteral("state が二つ以上あります。"));
    const std::optional<QString> state =
        states.isEmpty() ? std::nullopt : std::optional<QString>(states.front());
    const WebPressResult parsed = ParsePress(control, state, request.body());
    if (!parsed.press)
        return Error(request, parsed.status, parsed.error);
    if (m_queued->load() >= kMaxQueuedPresses)
        return Error(request, 503,
                     QStringLiteral("操作が詰まっています。少し待ってからやり直してください。"));
    ++*m_queued;
    m_outlets.press(*parsed.press);
    QJsonObject answer{{QStringLiteral("accepted"), WebControls::Name(parsed.press->control)}};
    if (WebControls::IsSwitch(parsed.press->control))
        answer.insert(QStringLiteral("on"), parsed.press->on);
    return Respond(request, 202, "application/json; charset=utf-8",
                   QJsonDocument(answer).toJson(QJsonDocument::Compact));
}

void WebService::NewSocket()
{
    while (std::unique_ptr<QWebSocket> next = m_http.nextPendingWebSocketConnection()) {
        QWebSocket* s = next.release();
        s->setParent(this);
        // Checked again on what the WebSocket itself read.
        const QUrl url = s->requestUrl();
        const QByteArray host = s->request().rawHeader("Host");
        const std::optional<QByteArray> origin =
            s->origin().isEmpty() ? std::nullopt : std::optional(s->origin().toUtf8());
        const bool board = url.path() == u"/ws/board";
        const bool ok = (board || url.path() == u"/ws/panel") &&
                        WebAccess::HostAllowed(host, m_hosts, m_port) &&
                        WebAccess::OriginAllowed(origin, host) &&
                        WebAccess::SameToken(WebAccess::TokenOf(QUrlQuery(url)), m_config.token) &&
                        m_viewers.size() < kMaxViewers;
        if (!ok) {
            s->close(QWebSocketProtocol::CloseCodePolicyViolated);
            s->deleteLater();
            continue;
        }
        s->setMaxAllowedIncomingFrameSize(kMaxIncomingMessage);
        s->setMaxAllowedIncomingMessageSize(kMaxIncomingMessage);
        // Queued: a write that fails may close the socket while the
        // viewers are being gone through.
        connect(
            s, &QWebSocket::disconnected, this, [this, s] { DropSocket(s); }, Qt::QueuedConnection);
        connect(s, &QWebSocket::pong, this, [this, s] {
            if (const auto it = m_viewers.find(s); it != m_viewers.end())
                it->lastPong = NowMs();
        });
        connect(s, &QWebSocket::bytesWritten, this, &WebService::CatchUp);
        m_viewers.insert(s, Viewer{s, board, true, NowMs()});
        if (board) {
            if (m_boardValid) {
                SendWhole(m_viewers[s]);
            } else if (!m_wholeAsked) {
                m_wholeAsked = true;
                m_outlets.wholeBoardWanted();
            }
        } else {
            s->sendTextMessage(QString::fromUtf8(m_state));
        }
        TellViewers();
    }
}

void WebService::DropSocket(QWebSocket* socket)
{
    if (m_viewers.remove(socket) == 0)
        return;
    socket->deleteLater();
    TellViewers();
}

void WebService::TellViewers()
{
    int board = 0;
    for (const Viewer& v : std::as_const(m_viewers))
        board += v.board ? 1 : 0;
    if (board == 0) {
        // Nobody watches: what is kept goes stale from now on.
        m_boardValid = false;
        m_wholeMessage.clear();
        m_wholeAsked = false;
    }
    m_outlets.viewers(board, int(m_viewers.size()) - board);
}

void WebService::SetState(const QByteArray& json)
{
    if (json == m_state)
        return;
    m_state = json;
    const QString text = QString::fromUtf8(json);
    for (const Viewer& v : std::as_const(m_viewers))
        if (!v.board)
            v.socket->sendTextMessage(text);
}

void WebService::SendParts(const QList<BoardPart>& parts)
{
    for (const BoardPart& part : parts) {
        if (part.whole) {
            m_board = part.image.convertToFormat(QImage::Format_RGB32);
            m_boardValid = true;
            m_wholeAsked = false;
            m_wholeMessage.clear();
            for (Viewer& v : m_viewers)
                v.needWhole = v.board;
            continue;
        }
        if (!m_boardValid || part.image.isNull())
            continue;
        const QRect rect = part.rect & m_board.rect();
        if (rect.isEmpty())
            continue;
        {
            QPainter p(&m_board);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(rect.topLeft(), part.image,
                        QRect(rect.topLeft() - part.rect.topLeft(), rect.size()));
        }
        m_wholeMessage.clear();
        QByteArray message;
        for (Viewer& v : m_viewers) {
            if (!v.board || v.needWhole)
                continue;
            if (v.socket->bytesToWrite() > kMaxBacklog) {
                v.needWhole = true;
                continue;
            }
            if (message.isEmpty())
                message = BoardFrame::Message(BoardFrame::Kind::Part, ++m_sequence, rect,
                                              BoardFrame::EncodePng(m_board.copy(rect)));
            v.socket->sendBinaryMessage(message);
            // Written now, not on the next turn of the loop: waking up once
            // more for each viewer and frame cost more than the write.
            v.socket->flush();
        }
    }
    CatchUp();
    m_outlets.partsSent();
}

void WebService::SendWhole(Viewer& viewer)
{
    if (m_wholeMessage.isEmpty())
        m_wholeMessage = BoardFrame::Message(BoardFrame::Kind::Whole, ++m_sequence, m_board.rect(),
                                             BoardFrame::EncodePng(m_board));
    // Marked first: the flush tells of bytes written at once, and the
    // catching up that follows must not send this viewer the board again.
    viewer.needWhole = false;
    viewer.socket->sendBinaryMessage(m_wholeMessage);
    viewer.socket->flush();
}

void WebService::CatchUp()
{
    if (!m_boardValid)
        return;
    for (Viewer& v : m_viewers)
        if (v.board && v.needWhole && v.socket->bytesToWrite() < kMaxBacklog / 2)
            SendWhole(v);
}

void WebService::Ping()
{
    const qint64 now = NowMs();
    QList<QWebSocket*> gone;
    for (Viewer& v : m_viewers) {
        // A browser answers pings by itself; one that stopped is gone.
        if (now - v.lastPong > 3 * kPingMs)
            gone << v.socket;
        else
            v.socket->ping();
    }
    // Closing drops the viewer: not while going through them.
    for (QWebSocket* s : gone)
        s->abort();
}
