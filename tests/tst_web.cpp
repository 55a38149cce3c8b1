// SPDX-License-Identifier: GPL-3.0-or-later
// The web view: the rules it reads requests by, then the server on loopback
// with a fake program behind it: pages, API, the board's and the panel's
// WebSockets, presses in order and never inside a blocking wait, and hostile
// requests that are refused while the server keeps working.

#include "tests/WebFakeHost.h"
#include "web/BoardFrame.h"
#include "web/BoardView.h"
#include "web/ClientLimits.h"
#include "web/RequestHead.h"
#include "web/WebAccess.h"
#include "web/WebGate.h"
#include "web/WebServer.h"

#include <QColorSpace>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>

#include <memory>

Q_DECLARE_METATYPE(RequestHead::State)
Q_DECLARE_METATYPE(std::optional<QByteArray>)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

struct Reply {
    int status = 0; // 0: no answer
    QByteArray head;
    QByteArray body;
    QByteArray header(const QByteArray& name) const
    {
        for (const QByteArray& line : head.split('\n'))
            if (line.toLower().startsWith(name.toLower() + ':'))
                return line.mid(name.size() + 1).trimmed();
        return {};
    }
};

// Sends raw bytes and reads until the server closes (or the time is up).
Reply Exchange(quint16 port, const QByteArray& request, int timeoutMs = 5000)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(timeoutMs))
        return {};
    s.write(request);
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (s.state() == QAbstractSocket::ConnectedState && t.elapsed() < timeoutMs) {
        // The server runs on its own thread; the fake program runs here.
        QTest::qWait(5);
        got += s.readAll();
    }
    got += s.readAll();
    Reply r;
    const qsizetype end = got.indexOf("\r\n\r\n");
    if (!got.startsWith("HTTP/1.1 ") || end < 0)
        return r;
    r.status = got.mid(9, 3).toInt();
    r.head = got.left(end);
    r.body = got.mid(end + 4);
    return r;
}

QByteArray Get(const QByteArray& target, quint16 port, const QByteArray& extra = {})
{
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) + "\r\n" +
           extra + "\r\n";
}

QByteArray Post(const QByteArray& target, quint16 port, const QByteArray& body,
                const QByteArray& extra = {})
{
    return "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
           "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extra + "\r\n" +
           body;
}

// The board as a viewer puts it together from the messages it received.
struct BoardClient {
    QWebSocket socket;
    QImage board;
    int wholes = 0;
    int parts = 0;
    QList<QRect> rects;

    explicit BoardClient(QUrl url)
    {
        url.setScheme(QStringLiteral("ws"));
        QObject::connect(&socket, &QWebSocket::binaryMessageReceived,
                         [this](const QByteArray& m) { Take(m); });
        socket.open(url);
    }
    void Take(const QByteArray& m)
    {
        BoardFrame::Head head;
        QVERIFY(BoardFrame::ReadHead(m, head));
        const QImage part = QImage::fromData(m.mid(BoardFrame::kHeadSize), "PNG");
        QCOMPARE(part.size(), head.rect.size());
        if (head.kind == BoardFrame::Kind::Whole) {
            board = part.convertToFormat(QImage::Format_RGB32);
            ++wholes;
            return;
        }
        QVERIFY(!board.isNull());
        QPainter(&board).drawImage(head.rect.topLeft(), part);
        rects << head.rect;
        ++parts;
    }
};

} // namespace

class tst_web final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WebFakeHost> m_host;
    std::unique_ptr<WebServer> m_server;
    quint16 m_port = 0;

    QByteArray Page(const QByteArray& path) const { return path + "?t=" + m_server->Token(); }
    // The server still answers a well-formed request.
    void StillWorks()
    {
        const Reply r = Exchange(m_port, Get(Page("/api/state"), m_port));
        QCOMPARE(r.status, 200);
    }

    void Restart(int idleMs)
    {
        WebServer::Settings s;
        s.port = 0;
        s.idleMs = idleMs;
        QString error;
        QVERIFY2(m_server->Start(s, &error), qPrintable(error));
        m_port = m_server->Port();
        QVERIFY(m_port != 0);
    }

private slots:
    void init()
    {
        m_host = std::make_unique<WebFakeHost>();
        m_server = std::make_unique<WebServer>(*m_host);
        Restart(400);
    }
    void cleanup()
    {
        m_server.reset();
        m_host.reset();
    }

    // ---- the rules, without a server ----

    void requestHead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<RequestHead::State>("state");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<qint64>("length");
        using S = RequestHead::State;
        const QByteArray ok = "GET /board?t=x HTTP/1.1\r\nHost: a:1\r\nAccept: */*\r\n\r\n";
        QTest::newRow("whole") << ok << S::Complete << QByteArray("a:1") << qint64(0);
        QTest::newRow("half") << ok.left(30) << S::Incomplete << QByteArray() << qint64(0);
        QTest::newRow("body length")
            << QByteArray("POST /a HTTP/1.1\r\nHost: h\r\ncontent-length:  12 \r\n\r\n")
            << S::Complete << QByteArray("h") << qint64(12);
        QTest::newRow("too large") << QByteArray("GET / HTTP/1.1\r\nX: " + QByteArray(9000, 'a'))
                                   << S::TooLarge << QByteArray() << qint64(0);
        QTest::newRow("bare LF") << QByteArray("GET / HTTP/1.1\nHost: h\n\n") << S::Malformed
                                 << QByteArray() << qint64(0);
        QTest::newRow("lone CR") << QByteArray("GET / HTTP/1.1\rHost: h\r\n\r\n") << S::Malformed
                                 << QByteArray() << qint64(0);
        QTest::newRow("folded") << QByteArray("GET / HTTP/1.1\r\nHost: h\r\n x\r\n\r\n")
                                << S::Malformed << QByteArray() << qint64(0);
        QTest::newRow("two hosts") << QByteArray("GET / HTTP/1.1\r\nHost: h\r\nHOST: g\r\n\r\n")
                                   << S::Malformed << QByteArray() << qint64(0);
        QTest::newRow("two lengths")
            << QByteArray("POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 1\r\n"
                          "Content-Length: 1\r\n\r\n")
            << S::Malformed << QByteArray() << qint64(0);
        QTest::newRow("chunked")
            << QByteArray("POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n")
            << S::Malformed << QByteArray() << qint64(0);
        QTest::newRow("length not a number")
            << QByteArray("POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 1e3\r\n\r\n")
            << S::Malformed << QByteArray() << qint64(0);
        QTest::newRow("absolute target") << QByteArray("GET http://h/ HTTP/1.1\r\nHost: h\r\n\r\n")
                                         << S::Malformed << QByteArray() << qint64(0);
        QTest::newRow("HTTP/2 line") << QByteArray("GET / HTTP/2\r\nHost: h\r\n\r\n")
                                     << S::Malformed << QByteArray() << qint64(0);
        QTest::newRow("control in value") << QByteArray("GET / HTTP/1.1\r\nHost: h\x01\r\n\r\n")
                                          << S::Malformed << QByteArray() << qint64(0);
    }
    void requestHead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(RequestHead::State, state);
        QFETCH(QByteArray, host);
        QFETCH(qint64, length);
        const RequestHead h = ScanRequestHead(bytes, 8192);
        QCOMPARE(h.state, state);
        QCOMPARE(h.host, host);
        QCOMPARE(h.contentLength, length);
        if (state == RequestHead::State::Complete)
            QCOMPARE(h.length, bytes.indexOf("\r\n\r\n") + 4);
    }

    void access_data()
    {
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<std::optional<QByteArray>>("origin");
        QTest::addColumn<bool>("allowed");
        const std::optional<QByteArray> none;
        QTest::newRow("loopback") << QByteArray("127.0.0.1:5170") << none << true;
        QTest::newRow("localhost, any case") << QByteArray("LocalHost:5170") << none << true;
        QTest::newRow("own origin") << QByteArray("127.0.0.1:5170")
                                    << std::optional<QByteArray>("http://127.0.0.1:5170") << true;
        QTest::newRow("other name") << QByteArray("evil.example:5170") << none << false;
        QTest::newRow("other port") << QByteArray("127.0.0.1:80") << none << false;
        QTest::newRow("no port") << QByteArray("127.0.0.1") << none << false;
        QTest::newRow("port with sign") << QByteArray("127.0.0.1:+5170") << none << false;
        QTest::newRow("empty") << QByteArray() << none << false;
        QTest::newRow("v6 not listened on") << QByteArray("[::1]:5170") << none << false;
        QTest::newRow("other site's origin")
            << QByteArray("127.0.0.1:5170") << std::optional<QByteArray>("http://evil.example")
            << false;
        QTest::newRow("null origin")
            << QByteArray("127.0.0.1:5170") << std::optional<QByteArray>("null") << false;
        QTest::newRow("https origin")
            << QByteArray("127.0.0.1:5170") << std::optional<QByteArray>("https://127.0.0.1:5170")
            << false;
        QTest::newRow("origin with path")
            << QByteArray("127.0.0.1:5170") << std::optional<QByteArray>("http://127.0.0.1:5170/")
            << false;
    }
    void access()
    {
        QFETCH(QByteArray, host);
        QFETCH(std::optional<QByteArray>, origin);
        QFETCH(bool, allowed);
        const QList<QByteArray> names{"127.0.0.1", "localhost"};
        QCOMPARE(WebAccess::HostAllowed(host, names, 5170) &&
                     WebAccess::OriginAllowed(origin, host),
                 allowed);
    }

    void token()
    {
        const QByteArray a = WebAccess::NewToken();
        const QByteArray b = WebAccess::NewToken();
        QVERIFY(WebAccess::IsWellFormedToken(a));
        QVERIFY(a != b);
        QVERIFY(WebAccess::SameToken(a, a));
        QVERIFY(!WebAccess::SameToken(a.left(21), a));
        QVERIFY(!WebAccess::SameToken(a + 'x', a));
        QVERIFY(!WebAccess::SameToken(QByteArray(), QByteArray()));
        QVERIFY(!WebAccess::IsWellFormedToken("short"));
        QVERIFY(!WebAccess::IsWellFormedToken(QByteArray(21, 'a') + '/'));
    }

    void press_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::optional<QString>>("state");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("on");
        const std::optional<QString> none;
        QTest::newRow("button") << "next" << none << QByteArray() << 200 << false;
        QTest::newRow("digit") << "7" << none << QByteArray("  ") << 200 << false;
        QTest::newRow("switch on, body") << "clear" << none << QByteArray("on\n") << 200 << true;
        QTest::newRow("switch off, query")
            << "latenight" << std::optional<QString>("OFF") << QByteArray() << 200 << false;
        QTest::newRow("switch, JSON")
            << "latenight" << none << QByteArray(R"({"on": true})") << 200 << true;
        QTest::newRow("switch, JSON state")
            << "clear" << none << QByteArray(R"({"state":"off"})") << 200 << false;
        QTest::newRow("query and body agree")
            << "clear" << std::optional<QString>("1") << QByteArray("true") << 200 << true;
        QTest::newRow("query and body differ")
            << "clear" << std::optional<QString>("on") << QByteArray("off") << 400 << false;
        QTest::newRow("switch without state") << "clear" << none << QByteArray() << 400 << false;
        QTest::newRow("button with state") << "next" << none << QByteArray("on") << 400 << false;
        QTest::newRow("unknown") << "launch" << none << QByteArray() << 404 << false;
        QTest::newRow("case matters") << "Next" << none << QByteArray() << 404 << false;
        QTest::newRow("JSON of a number")
            << "clear" << none << QByteArray(R"({"on": 1})") << 400 << false;
        QTest::newRow("broken JSON")
            << "clear" << none << QByteArray("{\"on\": tr") << 400 << false;
        QTest::newRow("too long") << "next" << none << QByteArray(5000, ' ') << 413 << false;
    }
    void press()
    {
        QFETCH(QString, name);
        QFETCH(std::optional<QString>, state);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(bool, on);
        const WebPressResult r = ParsePress(name, state, body);
        QCOMPARE(r.press.has_value(), status == 200);
        if (r.press) {
            QCOMPARE(WebControls::Name(r.press->control), name);
            QCOMPARE(r.press->on, on);
        } else {
            QCOMPARE(r.status, status);
            QVERIFY(!r.error.isEmpty());
        }
    }

    void boardView_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QString>("background"); // empty: refused
        QTest::newRow("none") << "" << 0 << "#000000";
        QTest::newRow("zoom 3, transparent") << "zoom=3&bg=transparent" << 3 << "transparent";
        QTest::newRow("chroma") << "bg=chroma" << 0 << "#00ff00";
        QTest::newRow("hex") << "bg=%2300FF7f" << 0 << "#00ff7f";
        QTest::newRow("fit") << "zoom=fit" << 0 << "#000000";
        QTest::newRow("zoom 0") << "zoom=0" << 0 << "";
        QTest::newRow("zoom 9") << "zoom=9" << 0 << "";
        QTest::newRow("zoom 2.0") << "zoom=2.0" << 0 << "";
        QTest::newRow("zoom twice") << "zoom=1&zoom=2" << 0 << "";
        QTest::newRow("script in bg") << "bg=%22%3E%3Cscript%3E" << 0 << "";
        QTest::newRow("other digits") << QStringLiteral("bg=١٢٣٤٥٦") << 0 << "";
        QTest::newRow("five hex") << "bg=00ff0" << 0 << "";
    }
    void boardView()
    {
        QFETCH(QString, query);
        QFETCH(int, zoom);
        QFETCH(QString, background);
        const BoardViewResult r = ParseBoardView(QUrlQuery(query));
        QCOMPARE(r.view.has_value(), !background.isEmpty());
        if (r.view) {
            QCOMPARE(r.view->zoom, zoom);
            QCOMPARE(r.view->background, background);
        }
    }

    // The board's parts as PNG: every pixel as it was, at any size, as a
    // standard decoder reads them (the browser's is checked by tst_web_browser).
    void png_data()
    {
        QTest::addColumn<QImage>("image");
        const auto noise = [](int w, int h, quint32 seed) {
            QImage i(w, h, QImage::Format_RGB32);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    seed = seed * 1664525u + 1013904223u;
                    i.setPixel(x, y, seed >> 8 | 0xff000000u);
                }
            return i;
        };
        QTest::newRow("one pixel") << noise(1, 1, 1);
        QTest::newRow("odd size, noise") << noise(13, 7, 2);
        QTest::newRow("a part of the scroll") << noise(560, 48, 3);
        WebFakeHost host;
        QTest::newRow("the whole board") << host.BoardImage(QRect(QPoint(0, 0), host.BoardSize()));
        QImage flat(300, 20, QImage::Format_RGB32);
        flat.fill(qRgb(0x20, 0x20, 0x20));
        QTest::newRow("one colour") << flat;
        QTest::newRow("24-bit") << noise(40, 30, 4).convertToFormat(QImage::Format_RGB888);
    }
    void png()
    {
        QFETCH(QImage, image);
        const QByteArray png = BoardFrame::EncodePng(image);
        QImage read;
        QVERIFY(read.loadFromData(png, "PNG"));
        QCOMPARE(read.size(), image.size());
        QCOMPARE(read.convertToFormat(QImage::Format_RGB32),
                 image.convertToFormat(QImage::Format_RGB32));
        // Untagged: a browser is not to convert its colours.
        QVERIFY(!read.colorSpace().isValid());
    }

    void clientLimits()
    {
        ClientLimits limits;
        const QString a = QStringLiteral("10.0.0.1");
        qint64 t = 0;
        for (int i = 0; i < ClientLimits::kConnections; ++i)
            QCOMPARE(limits.Open(a, t += 10), ClientLimits::Verdict::Admit);
        QCOMPARE(limits.Open(a, t += 10), ClientLimits::Verdict::TooManyOpen);
        // Another address is not held back by this one.
        QCOMPARE(limits.Open(QStringLiteral("10.0.0.2"), t), ClientLimits::Verdict::Admit);
        limits.Closed(a);
        QCOMPARE(limits.Open(a, t += 10), ClientLimits::Verdict::Admit);
        for (int i = 0; i < ClientLimits::kConnections; ++i)
            limits.Closed(a);
        QCOMPARE(limits.OpenCount(a), 0);
        // Fifty a second, then refused for as long as the flood goes on.
        t += 2000;
        for (int i = 0; i < ClientLimits::kPerSecond; ++i) {
            QCOMPARE(limits.Open(a, t + i), ClientLimits::Verdict::Admit);
            limits.Closed(a);
        }
        QCOMPARE(limits.Open(a, t + 60), ClientLimits::Verdict::TooOften);
        QCOMPARE(limits.Open(a, t + 990), ClientLimits::Verdict::TooOften);
        QCOMPARE(limits.Open(a, t + 2000), ClientLimits::Verdict::Admit);
        // Remembering is bounded, whatever the number of addresses.
        for (int i = 0; i < 3 * ClientLimits::kAddresses; ++i) {
            const QString other = QStringLiteral("10.1.%1.%2").arg(i / 256).arg(i % 256);
            limits.Open(other, t + 5000 + i);
            limits.Closed(other);
        }
        QVERIFY(limits.Addresses() <= ClientLimits::kAddresses + 1);
    }

    // ---- the server ----

    void pages_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("contains");
        QTest::newRow("board") << QByteArray("/board") << QByteArray("text/html; charset=utf-8")
                               << QByteArray("data-zoom=\"2\" data-bg=\"transparent\"");
        QTest::newRow("panel") << QByteArray("/panel") << QByteArray("text/html; charset=utf-8")
                               << QByteArray("データ送り");
        QTest::newRow("index") << QByteArray("/") << QByteArray("text/html; charset=utf-8")
                               << QByteArray("/panel?t=");
        QTest::newRow("script") << QByteArray("/view.js")
                                << QByteArray("text/javascript; charset=utf-8")
                                << QByteArray("RutomiaBoardView");
        QTest::newRow("style") << QByteArray("/web.css") << QByteArray("text/css; charset=utf-8")
                               << QByteArray("pixelated");
    }
    void pages()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, contains);
        const Reply r = Exchange(m_port, Get(Page(path) + "&zoom=2&bg=transparent", m_port));
        QCOMPARE(r.status, 200);
        QCOMPARE(r.header("Content-Type"), type);
        QCOMPARE(r.header("Cache-Control"), QByteArray("no-store"));
        const QByteArray csp = r.header("Content-Security-Policy");
        QVERIFY2(csp.startsWith("default-src 'self';"), csp.constData());
        QVERIFY(csp.contains("connect-src 'self' ws://127.0.0.1:" + QByteArray::number(m_port)));
        QVERIFY(r.body.contains(contains));
        // The pages' own links carry the token; no other address appears.
        if (type.startsWith("text/html")) {
            QVERIFY(!r.body.contains("{{"));
            QVERIFY(!r.body.contains("http"));
            QVERIFY(r.body.contains("?t=" + m_server->Token()));
        }
    }

    void hostile_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::newRow("no token") << QByteArray("GET /board HTTP/1.1\r\nHost: {h}\r\n\r\n") << 403;
        QTest::newRow("wrong token")
            << QByteArray("GET /board?t=AAAAAAAAAAAAAAAAAAAAAA HTTP/1.1\r\nHost: {h}\r\n\r\n")
            << 403;
        QTest::newRow("token twice")
            << QByteArray("GET /board?t={t}&t={t} HTTP/1.1\r\nHost: {h}\r\n\r\n") << 403;
        QTest::newRow("other host")
            << QByteArray("GET /board?t={t} HTTP/1.1\r\nHost: rebind.example:{p}\r\n\r\n") << 403;
        QTest::newRow("other origin")
            << QByteArray("POST /api/press/next?t={t} HTTP/1.1\r\nHost: {h}\r\n"
                          "Origin: http://evil.example\r\nContent-Length: 0\r\n\r\n")
            << 403;
        QTest::newRow("huge header")
            << QByteArray("GET /board?t={t} HTTP/1.1\r\nHost: {h}\r\nX: " + QByteArray(9000, 'x') +
                          "\r\n\r\n")
            << 431;
        QTest::newRow("huge body")
            << QByteArray("POST /api/press/next?t={t} HTTP/1.1\r\nHost: {h}\r\n"
                          "Content-Length: 100000\r\n\r\n" +
                          QByteArray(100000, 'x'))
            << 413;
        QTest::newRow("chunked body")
            << QByteArray("POST /api/press/next?t={t} HTTP/1.1\r\nHost: {h}\r\n"
                          "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n")
            << 400;
        QTest::newRow("traversal") << QByteArray("GET /../../etc/passwd?t={t} HTTP/1.1\r\n"
                                                 "Host: {h}\r\n\r\n")
                                   << 404;
        QTest::newRow("encoded traversal")
            << QByteArray("GET /%2e%2e/%2e%2e/etc/passwd?t={t} HTTP/1.1\r\nHost: {h}\r\n\r\n")
            << 404;
        QTest::newRow("resource path")
            << QByteArray("GET /:/web/board.html?t={t} HTTP/1.1\r\nHost: {h}\r\n\r\n") << 404;
        QTest::newRow("socket on another path")
            << QByteArray("GET /api/state?t={t} HTTP/1.1\r\nHost: {h}\r\nUpgrade: websocket\r\n"
                          "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                          "Sec-WebSocket-Version: 13\r\n\r\n")
            << 400;
        QTest::newRow("press by GET") << QByteArray("GET /api/press/next?t={t} HTTP/1.1\r\n"
                                                    "Host: {h}\r\n\r\n")
                                      << 405;
        QTest::newRow("two requests")
            << QByteArray("GET /board?t={t} HTTP/1.1\r\nHost: {h}\r\n\r\n"
                          "GET /board?t={t} HTTP/1.1\r\nHost: {h}\r\n\r\n")
            << 400;
        QTest::newRow("garbage") << QByteArray("\x16\x03\x01\x02\x00\x01\xfc\x03\r\n", 10) << 400;
    }
    void hostile()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        request.replace("{h}", "127.0.0.1:" + QByteArray::number(m_port));
        request.replace("{p}", QByteArray::number(m_port));
        request.replace("{t}", m_server->Token());
        const Reply r = Exchange(m_port, request);
        QCOMPARE(r.status, status);
        QVERIFY(!r.body.contains("root:"));
        QVERIFY(m_host->presses.empty());
        StillWorks();
    }

    void halfOpenConnections()
    {
        // Connections that never finish their request are closed after the
        // idle time, and others are served meanwhile.
        std::vector<std::unique_ptr<QTcpSocket>> idle;
        for (int i = 0; i < 6; ++i) {
            auto s = std::make_unique<QTcpSocket>();
            s->connectToHost(QHostAddress::LocalHost, m_port);
            QVERIFY(s->waitForConnected(2000));
            if (i % 2)
                s->write("GET /board?t=" + m_server->Token() + " HTTP/1.1\r\nHo");
            idle.push_back(std::move(s));
        }
        StillWorks();
        QElapsedTimer t;
        t.start();
        for (auto& s : idle)
            QTRY_COMPARE_WITH_TIMEOUT(s->state(), QAbstractSocket::UnconnectedState, 3000);
        QVERIFY(t.elapsed() < 3000);
        QVERIFY(idle[1]->readAll().startsWith("HTTP/1.1 408"));
        QTRY_COMPARE(m_server->Gate()->OpenConnections(), 0);
        StillWorks();
    }

    void connectionsPerAddress()
    {
        Restart(10000); // none of them times out meanwhile
        std::vector<std::unique_ptr<QTcpSocket>> held;
        for (int i = 0; i < ClientLimits::kConnections; ++i) {
            auto s = std::make_unique<QTcpSocket>();
            s->connectToHost(QHostAddress::LocalHost, m_port);
            QVERIFY(s->waitForConnected(2000));
            held.push_back(std::move(s));
        }
        QTRY_COMPARE(m_server->Gate()->OpenConnections(), ClientLimits::kConnections);
        QCOMPARE(Exchange(m_port, Get(Page("/api/state"), m_port)).status, 429);
        held.clear();
        QTRY_COMPARE(m_server->Gate()->OpenConnections(), 0);
        QTest::qWait(1000); // the refusals above counted in this second
        StillWorks();
    }

    void flood()
    {
        // 300 requests as fast as they go: the first fifty of the second are
        // answered, the rest refused, all within bounded time; a second
        // later the server answers again.
        QElapsedTimer t;
        t.start();
        int ok = 0;
        int refused = 0;
        for (int i = 0; i < 300; ++i) {
            const int status = Exchange(m_port, Get(Page("/api/state"), m_port), 2000).status;
            ok += status == 200;
            refused += status == 429;
        }
        QCOMPARE(ok + refused, 300);
        QVERIFY(refused > 0);
        QVERIFY2(ok <= ClientLimits::kPerSecond * (t.elapsed() / 1000 + 1),
                 qPrintable(QString::number(ok)));
        QVERIFY(t.elapsed() < 30000);
        QTest::qWait(1100);
        StillWorks();
    }

    void api()
    {
        Reply r = Exchange(m_port, Get(Page("/api/state"), m_port));
        QCOMPARE(r.status, 200);
        QCOMPARE(r.header("Content-Type"), QByteArray("application/json; charset=utf-8"));
        QJsonObject o = QJsonDocument::fromJson(r.body).object();
        QCOMPARE(o.value("route").toString(), QStringLiteral("12"));
        QCOMPARE(o.value("row").toInt(), 1);
        QCOMPARE(o.value("stopName").toString(), QStringLiteral("駅前"));
        QCOMPARE(o.value("fares").toArray().size(), 50);
        QCOMPARE(o.value("enabled").toObject().value("tape-stop").toBool(), true);

        r = Exchange(m_port,
                     Post(Page("/api/press/next"), m_port, {},
                          "Origin: http://127.0.0.1:" + QByteArray::number(m_port) + "\r\n"));
        QCOMPARE(r.status, 202);
        QCOMPARE(Exchange(m_port, Post(Page("/api/press/clear"), m_port, "on")).status, 202);
        QCOMPARE(
            Exchange(m_port, Post(Page("/api/press/latenight") + "&state=off", m_port, {})).status,
            202);
        const Reply bad = Exchange(m_port, Post(Page("/api/press/clear"), m_port, {}));
        QCOMPARE(bad.status, 400);
        QVERIFY(!QJsonDocument::fromJson(bad.body).object().value("error").toString().isEmpty());
        QTRY_COMPARE(m_host->presses.size(), size_t(3));
        QCOMPARE(m_host->presses[0], (WebPress{WebControl::Next, false}));
        QCOMPARE(m_host->presses[1], (WebPress{WebControl::Clear, true}));
        QCOMPARE(m_host->presses[2], (WebPress{WebControl::LateNight, false}));

        // The state answered follows the program's.
        QTRY_COMPARE(QJsonDocument::fromJson(Exchange(m_port, Get(Page("/api/state"), m_port)).body)
                         .object()
                         .value("row")
                         .toInt(),
                     2);
    }

    void pressesWaitForBlockingWaits()
    {
        // A press that lets events run (as a board update does) must not
        // have the next press run inside it, even one that arrives meanwhile.
        m_host->onPress = [this](const WebPress& press) {
            if (press.control == WebControl::Next)
                QCOMPARE(Exchange(m_port, Post(Page("/api/press/tape-stop"), m_port, {})).status,
                         202);
            QTest::qWait(20);
        };
        const QList<QByteArray> names{"1", "2", "next", "3", "back", "tape-next", "4"};
        // The lamp test runs; presses come in meanwhile (from inside its
        // wait, as events do).
        bool sentWhileBusy = false;
        QTimer::singleShot(0, this, [&] { m_host->Block(2000); });
        QTimer::singleShot(50, this, [&] {
            for (const QByteArray& name : names)
                QCOMPARE(Exchange(m_port, Post(Page("/api/press/" + name), m_port, {})).status,
                         202);
            sentWhileBusy = m_host->busy;
        });
        const QList<QByteArray> expected = names + QList<QByteArray>{"tape-stop"};
        QTRY_COMPARE_WITH_TIMEOUT(m_host->presses.size(), size_t(expected.size()), 10000);
        QVERIFY(sentWhileBusy);
        QCOMPARE(m_host->pressedWhileBusy, 0);
        QCOMPARE(m_host->maxDepth, 1);
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(WebControls::Name(m_host->presses[size_t(i)].control),
                     QString::fromLatin1(expected[i]));
    }

    void boardSocket()
    {
        BoardClient a(m_server->Url(QStringLiteral("ws/board")));
        QTRY_COMPARE(a.wholes, 1);
        QCOMPARE(a.board, m_host->Board());
        QTRY_COMPARE(m_server->BoardViewers(), 1);
        BoardClient b(m_server->Url(QStringLiteral("ws/board")));
        QTRY_COMPARE(b.wholes, 1);

        // A scrolling name: small parts, each sent as it changed.
        for (int i = 0; i < 10; ++i) {
            m_host->Paint(QRect(32, 27 + i, 37, 196 - 2 * i), QColor(10 * i, 200, 30));
            QTest::qWait(20);
        }
        // A step: the row's band moves.
        WebPress next{WebControl::Next, false};
        m_host->Press(next);
        QTRY_COMPARE(a.board, m_host->Board());
        QTRY_COMPARE(b.board, m_host->Board());
        QVERIFY(a.parts >= 2);
        for (const QRect& r : std::as_const(a.rects))
            QVERIFY2(r.width() * r.height() < 704 * 249 / 4, "a part, not the board");
        QCOMPARE(a.wholes, 1);

        b.socket.close();
        QTRY_COMPARE(m_server->BoardViewers(), 1);
        a.socket.close();
        QTRY_COMPARE(m_server->BoardViewers(), 0);
        // The sockets' connections are given back.
        QTRY_COMPARE(m_server->Gate()->OpenConnections(), 0);
        // Nobody watching: nothing is drawn.
        const int drawn = m_host->imagesDrawn;
        m_host->Paint(QRect(0, 0, 10, 10), Qt::red);
        QTest::qWait(100);
        QCOMPARE(m_host->imagesDrawn, drawn);
    }

    void socketRefusals_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("origin");
        QTest::addColumn<bool>("rightToken");
        QTest::newRow("no token") << "ws/board"
                                  << "" << false;
        QTest::newRow("other origin") << "ws/board"
                                      << "http://evil.example" << true;
        QTest::newRow("other path") << "ws/nothing"
                                    << "" << true;
        QTest::newRow("page path") << "board"
                                   << "" << true;
    }
    void socketRefusals()
    {
        QFETCH(QString, path);
        QFETCH(QString, origin);
        QFETCH(bool, rightToken);
        QUrl url = m_server->Url(path);
        if (!rightToken)
            url.setQuery(QString());
        url.setScheme(QStringLiteral("ws"));
        QWebSocket s(origin);
        QSignalSpy connected(&s, &QWebSocket::connected);
        QSignalSpy closed(&s, &QWebSocket::disconnected);
        s.open(url);
        QTRY_VERIFY_WITH_TIMEOUT(!closed.isEmpty(), 5000);
        QCOMPARE(connected.size(), 0);
        QCOMPARE(m_server->BoardViewers() + m_server->PanelViewers(), 0);
        StillWorks();
    }

    void panelSocket()
    {
        QWebSocket s;
        QStringList got;
        connect(&s, &QWebSocket::textMessageReceived, this, [&got](const QString& m) { got << m; });
        QUrl url = m_server->Url(QStringLiteral("ws/panel"));
        url.setScheme(QStringLiteral("ws"));
        s.open(url);
        QTRY_COMPARE(got.size(), 1);
        QCOMPARE(QJsonDocument::fromJson(got[0].toUtf8()).object().value("row").toInt(), 1);
        m_host->state.lateNight = true;
        m_host->state.enabled.reset(size_t(WebControl::Next));
        emit m_host->PanelChanged();
        QTRY_COMPARE(got.size(), 2);
        const QJsonObject o = QJsonDocument::fromJson(got[1].toUtf8()).object();
        QCOMPARE(o.value("lateNight").toBool(), true);
        QCOMPARE(o.value("enabled").toObject().value("next").toBool(), false);
        // Unchanged state is not sent again.
        emit m_host->PanelChanged();
        QTest::qWait(100);
        QCOMPARE(got.size(), 2);
    }

    void portInUse()
    {
        WebFakeHost other;
        WebServer second(other);
        WebServer::Settings s;
        s.port = m_port;
        QString error;
        QVERIFY(!second.Start(s, &error));
        QVERIFY(!second.IsRunning());
        QVERIFY2(error.contains(QString::number(m_port)), qPrintable(error));
        QVERIFY(error.contains(QStringLiteral("ほかのプログラム")));
        StillWorks();
    }
};

QTEST_MAIN(tst_web)
#include "tst_web.moc"
